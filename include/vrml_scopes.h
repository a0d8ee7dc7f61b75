/*
 * Scopes and DEF names: naming scopes (a DEF table coupled with a template
 * table), the scope stack of a context, DEF entries and the route records
 * that a scope keeps until they are attached to their source eventOut.
 *
 * Scope ids are positions in the context's `scopes` list; DEF indices are
 * positions in a DEF table's `defs` list. vrml_getscopeentry, vrml_finddefidx
 * and vrml_getdefentry cost O(1) on average: the library keeps private
 * indexes beside those lists (outside the records, whose layout is fixed)
 * and notices when a host changed a list through the list operations (a
 * changed count, first or last item), re-indexing then.
 *
 * Threads: lookups refresh those private indexes, so a scene's scopes and
 * DEF tables are used by one thread at a time, like the scene itself.
 */
#ifndef VRML_SCOPES_H
#define VRML_SCOPES_H

#include <stdint.h>

#include "vrml_nodes.h"

VRML_EXTERN_C_BEGIN

#define VRML_SCOPESTACK_LIMIT 21

/* The DEF names and the not yet attached ROUTEs of one scope. */
struct vrml_deftable {
    vrml_list defs;   /* vrml_defentry records in DEF order; a DEF index is a position */
    vrml_list routes; /* vrml_route records read in the scope */
};

typedef struct vrml_defentry {
    char *name;      /* taken over, not copied */
    vrml_node *node; /* the bound node, or null */
} vrml_defentry;

struct vrml_scope {
    vrml_deftable *deftable;
    vrml_templatetable *templates; /* shared by instance scopes */
    vrml_node *owner;              /* the PROTO instance of an instance scope */
    int32_t protoindex;            /* the PROTO's type id for its declaration scope, else 0 */
};

/* A ROUTE: DEF indices in its scope until attached, then the nodes. */
typedef struct vrml_route {
    vrml_scope *scope;
    int32_t sourcedef;    /* -1 for run-time routes and notifiers */
    int32_t sourcemember; /* eventOut or exposedField index */
    int32_t targetdef;
    int32_t targetmember; /* eventIn or exposedField index */
    vrml_node *sourcenode;
    vrml_node *targetnode;
    void *notifier;
    int32_t key;
} vrml_route;

/* A new zeroed scope record, or null. */
ZEBVRML2_API vrml_scope *vrml_createscope(void);
/* A fresh declaration scope with its own DEF table and a template table of
 * the 81 built-in types: its id, or -1. */
ZEBVRML2_API int vrml_newscope(vrml_context *ctx);
/* An instance scope copied from source (DEF names with null nodes, routes
 * copied, template table shared): its id, or -1. */
ZEBVRML2_API int vrml_dupscope(vrml_context *ctx, vrml_scope *source);
/* The scope with that id, or null. */
ZEBVRML2_API vrml_scope *vrml_getscopeentry(vrml_context *ctx, int id);
/* Makes scope id current without pushing it: 1, or -1 (reported). */
ZEBVRML2_API int vrml_setscope(vrml_context *ctx, int id);
/* Pushes scope and makes it current: its stack position. A 22nd scope ends
 * the process ("Scope stack is too deep: %d"). A null scope: -1. */
ZEBVRML2_API int vrml_pushscope(vrml_context *ctx, vrml_scope *scope);
ZEBVRML2_API int vrml_pushscopeidx(vrml_context *ctx, int id);
/* Removes the top scope and returns it (null when the stack is empty). */
ZEBVRML2_API vrml_scope *vrml_popscope(vrml_context *ctx);
ZEBVRML2_API vrml_scope *vrml_gettopscope(vrml_context *ctx);
ZEBVRML2_API vrml_scope *vrml_getparentscope(vrml_context *ctx);

/* A new DEF entry (name taken over); a node gets name as its DEF name. */
ZEBVRML2_API vrml_defentry *vrml_newdef(char *name, vrml_node *node);
/* Appends an entry: the new entry count, or -1. */
ZEBVRML2_API int vrml_adddef(vrml_deftable *table, char *name, vrml_node *node);
/* The index of the latest entry with that name, or -1. */
ZEBVRML2_API int vrml_finddefidx(vrml_deftable *table, const char *name);
/* The entry at index, or null. */
ZEBVRML2_API vrml_defentry *vrml_getdefentry(vrml_deftable *table, int index);

/* A new route holding the four values, or null. */
ZEBVRML2_API vrml_route *vrml_newroute(int sourcedef, int sourcemember, int targetdef,
                                       int targetmember);
/* A new route appended to table's route list, or null. */
ZEBVRML2_API vrml_route *vrml_addroute(vrml_deftable *table, int sourcedef, int sourcemember,
                                       int targetdef, int targetmember);
/* A copy with the same four values and scope (node fields zero), or null. */
ZEBVRML2_API vrml_route *vrml_duproute(vrml_route *route);

VRML_EXTERN_C_END

#endif
