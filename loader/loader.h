// Internal loader operations.
#ifndef ZEBVRML2_LOADER_LOADER_H
#define ZEBVRML2_LOADER_LOADER_H

#include "vrml_loader.h"

// 1 when the first line of in starts with "#VRML V2.0 utf8", else -1.
int vrml_get_magic(vrml_stream *in);

#endif
