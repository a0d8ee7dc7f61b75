// Internal loader operations.
#ifndef ZEBVRML2_LOADER_LOADER_H
#define ZEBVRML2_LOADER_LOADER_H

#include "vrml_loader.h"

// 1 when the first line of in starts with "#VRML V2.0 utf8", else -1.
int vrml_get_magic(vrml_stream *in);

// The two steps of vrmlutil_loadscene, for hosts inside the library (the
// fuzzing target) that must hold the context before reading starts, so that
// a scene left by a jump out of vrml_fatal_err can still be released.
// A zeroed context on the two streams with its empty root list, or null.
vrml_context *vrml_newcontext(vrml_stream *in, vrml_stream *out);
// Reads the context's input into it: the built-in types, scope 0, the
// runtime context, the root nodes, the initial updates and scope 0's routes.
void vrml_loadcontext(vrml_context *ctx);

#endif
