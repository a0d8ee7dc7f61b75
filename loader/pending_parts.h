// Operations of subsystems that are not built yet. The loader calls them
// under their final names; each moves to its own subsystem (and out of this
// file) when that subsystem lands.
#ifndef ZEBVRML2_LOADER_PENDING_PARTS_H
#define ZEBVRML2_LOADER_PENDING_PARTS_H

#include "vrml_fields.h"

typedef struct vrnrt_pc vrnrt_pc;

// A DEF name and the node bound to it (scopes and DEF names).
typedef struct vrml_defentry {
    char *name;
    vrml_node *node;
} vrml_defentry;

extern "C" {
int vrml_parsebuiltinfields(vrml_context *ctx);
int vrml_newscope(vrml_context *ctx);
vrml_scope *vrml_getscopeentry(vrml_context *ctx, int id);
int vrml_pushscope(vrml_context *ctx, vrml_scope *scope);
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

// DEF entry index of a DEF table, or null. The stand-in reads the table's
// first list (its DEF entries, in order).
vrml_defentry *vrml_getdefentry(vrml_deftable *table, int index);
}

#endif
