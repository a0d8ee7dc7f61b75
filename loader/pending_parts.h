// Operations of subsystems that are not built yet. The loader calls them
// under their final names; each moves to its own subsystem (and out of this
// file) when that subsystem lands.
#ifndef ZEBVRML2_LOADER_PENDING_PARTS_H
#define ZEBVRML2_LOADER_PENDING_PARTS_H

#include "vrml_fields.h"
#include "vrml_parser.h"
#include "vrml_writer.h"

typedef struct vrnrt_pc vrnrt_pc;

extern "C" {
vrnrt_pc *vrml_nativeinit(vrml_context *ctx);
void vrnrt_oninitialupdate(vrml_context *ctx);

// Prototype instancing: the copy of a node for the current instance, null
// for a null source. This stand-in returns the source node itself.
vrml_node *vrml_dupnode(vrml_context *ctx, vrml_node *source);

// Native nodes: runs the constructor of type (the node's built-in type, or
// the Script type for a Script node) and makes the node's natives. This
// stand-in does nothing.
void vrml_nativeconstruct(vrml_context *ctx, vrml_node *node, int type);

// Declarations: PROTO and EXTERNPROTO after their keyword, and a Script
// body into a two-word node reference record. These stand-ins read nothing
// and report failure.
int vrml_readproto(vrml_context *ctx);
int vrml_readexternproto(vrml_context *ctx);
int vrml_readscriptbody(vrml_context *ctx, vrml_field *result, char *defname);
}

#endif
