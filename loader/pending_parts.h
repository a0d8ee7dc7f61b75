// Operations of subsystems that are not built yet. The loader calls them
// under their final names; each moves to its own subsystem (and out of this
// file) when that subsystem lands.
#ifndef ZEBVRML2_LOADER_PENDING_PARTS_H
#define ZEBVRML2_LOADER_PENDING_PARTS_H

#include "vrml_fields.h"
#include "vrml_scopes.h"

typedef struct vrnrt_pc vrnrt_pc;

extern "C" {
vrnrt_pc *vrml_nativeinit(vrml_context *ctx);
void vrnrt_oninitialupdate(vrml_context *ctx);
int vrml_createroutetree(vrml_scope *scope);

// Node statements: reads one node statement and returns a new SFNode record,
// or null. This stand-in knows only "NULL" (defref 0, no node); at the end of
// input or before any other word (which stays in the input) it gives null.
vrml_field *vrml_parse_node(vrml_context *ctx, char *defname);

// Node printing: a null node writes "NULL"; this stand-in writes nothing for
// a real node.
int vrml_print_node(vrml_context *ctx, vrml_node *node);

// Prototype instancing: the copy of a node for the current instance, null
// for a null source. This stand-in returns the source node itself.
vrml_node *vrml_dupnode(vrml_context *ctx, vrml_node *source);

// Native nodes: runs the constructor of type (the node's built-in type, or
// the Script type for a Script node) and makes the node's natives. This
// stand-in does nothing.
void vrml_nativeconstruct(vrml_context *ctx, vrml_node *node, int type);
}

#endif
