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

// Native nodes: runs the constructor of type (the node's built-in type, or
// the Script type for a Script node) and makes the node's natives. This
// stand-in does nothing.
void vrml_nativeconstruct(vrml_context *ctx, vrml_node *node, int type);

}

#endif
