// Internal operations of the node model.
#ifndef ZEBVRML2_NODES_NODE_INTERNAL_H
#define ZEBVRML2_NODES_NODE_INTERNAL_H

#include "vrml_scopes.h"

extern "C" {

// vrml_createnode that, given entry, binds the entry to the new node and
// gives the node the entry's name as its DEF name.
vrml_node *vrml_createdefnode(vrml_context *ctx, int id, vrml_defentry *entry);

}

// Releases the private name index of a template table (before the table
// record is freed).
void vrml_templatetable_releaseindex(vrml_templatetable *table);

// The built-in templates, in type-id order (VRML_BUILTIN_COUNT records).
vrml_nodetemplate *vrml_builtintemplates();

#endif
