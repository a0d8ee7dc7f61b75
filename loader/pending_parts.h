// Operations of subsystems that are not built yet. The loader calls them
// under their final names; each moves to its own subsystem (and out of this
// file) when that subsystem lands.
#ifndef ZEBVRML2_LOADER_PENDING_PARTS_H
#define ZEBVRML2_LOADER_PENDING_PARTS_H

#include "vrml_fields.h"
#include "vrml_parser.h"
#include "vrml_writer.h"

extern "C" {
// Prototype instancing: the copy of a node for the current instance, null
// for a null source. This stand-in returns the source node itself.
vrml_node *vrml_dupnode(vrml_context *ctx, vrml_node *source);

// Declarations: PROTO and EXTERNPROTO after their keyword, and a Script
// body into a two-word node reference record. These stand-ins read nothing
// and report failure.
int vrml_readproto(vrml_context *ctx);
int vrml_readexternproto(vrml_context *ctx);
int vrml_readscriptbody(vrml_context *ctx, vrml_field *result, char *defname);
}

#endif
