/*
 * The scene parser: node statements, ROUTE statements and the route lists
 * of events, including routes and notifiers added at run time.
 *
 * A node statement is NULL, DEF name statement, USE name, a Script, or a type
 * name with a body in braces; PROTO, EXTERNPROTO and ROUTE statements may
 * stand before it and are read on the way. Every reader works on the
 * context's current scope (templates, deftable) and input stream.
 * Threads: a context is read into, and its routes and notifiers changed, by
 * one thread at a time; different contexts may load at once.
 *
 * Route records: a ROUTE read from the input keeps the DEF indices of the
 * scope it was read in until that scope's route tree is built; then it hangs
 * on the route list of its source eventOut (or of the eventOut record of an
 * exposedField) with both nodes set. Routes and notifiers added at run time
 * carry no scope and DEF indices of -1.
 */
#ifndef VRML_PARSER_H
#define VRML_PARSER_H

#include "vrml_scopes.h"

VRML_EXTERN_C_BEGIN

/* Reads one node statement. defname (null, or a vrml_malloc'd DEF name that
 * the statement takes over) names the node. A new SFNode record: defref 0
 * for a plain node, -(k+1) for the DEF of entry k, k+1 for a USE of entry k,
 * a null node for NULL. Null when no node statement could be read. A DEF
 * name that ends up unused is released. An unknown node type ends the
 * process ("Unrecognized node: %s"), and so does a node that cannot be
 * created (no memory: "v_d_n: Could not create node: %s"). */
ZEBVRML2_API vrml_field *vrml_parse_node(vrml_context *ctx, char *defname);

/* Creates a node of the named type and reads its body; the type name and the
 * opening brace have been read. Null (the node stays created) when the body
 * held an invalid IS mapping. An IS mapping onto an interface member whose
 * index does not fit a member status (above 123) is reported ("v_d_n: IS
 * field index out of range") and ignored. */
ZEBVRML2_API vrml_field *vrml_do_node(vrml_context *ctx, const char *name, char *defname);

/* Reads a ROUTE statement (after the word ROUTE) into the current scope:
 * 0, or -1 when it was malformed or rejected. */
ZEBVRML2_API int vrml_getroute(vrml_context *ctx);

/* Checks a ROUTE by DEF and member names in the current scope and appends it
 * to the current DEF table's route list: the route, or null when rejected. */
ZEBVRML2_API vrml_route *vrml_addrouteentry(vrml_context *ctx, const char *source,
                                            const char *eventout, const char *target,
                                            const char *eventin);

/* Resolves a route's DEF indices in its scope and attaches it to its source
 * event. 1. */
ZEBVRML2_API int vrml_addroutetoevent(vrml_route *route);

/* Attaches every route of the scope's DEF table and empties that list. 1. */
ZEBVRML2_API int vrml_createroutetree(vrml_scope *scope);

/* Adds a route between two nodes at run time (no type check): 0; -1 no
 * memory; -2 no such eventOut; -3 no such eventIn. */
ZEBVRML2_API int vrml_addruntimeroute(vrml_node *source, const char *eventout, vrml_node *target,
                                      const char *eventin);

/* Hangs a notifier (a route from the member back to itself carrying the
 * host's notifier value and key) on an eventOut or exposedField member: 0,
 * or -1 no memory. On another class it is reported, released and not
 * attached, and the result is still 0. */
ZEBVRML2_API int vrml_addruntimenotifier(vrml_node *node, int member, void *notifier, int32_t key);

/* Unlinks and releases the first route on the member's event whose key is
 * key: 0; -2 the member is neither eventOut nor exposedField; -4 none. */
ZEBVRML2_API int vrml_deleteruntimenotifier(vrml_node *node, int member, void *unused,
                                            int32_t key);

/* Unlinks and releases the first route from source's eventOut to target's
 * eventIn: 0; -2 no such eventOut; -3 no such eventIn; -4 no such route. */
ZEBVRML2_API int vrml_deleteroute(vrml_node *source, const char *eventout, vrml_node *target,
                                  const char *eventin);

/* ---- Declarations and instancing ----------------------------------------
 * Called after their keyword. PROTO reads the name, the interface in
 * brackets (with defaults) and the body in braces into a new template of the
 * current template table and a declaration scope of its own; 1 when read
 * (also when only the closing brace was missing), 0 when no name could be
 * read, -1 on other errors. A PROTO whose name is already a type is read and
 * then withdrawn. EXTERNPROTO reads the name, the interface (without
 * defaults) and the url list, writes one "df: CLASS TYPE NAME" line per
 * member on standard output and records the declaration in the context's
 * externprotos list: 1, 0 without a name, -1 on errors. A
 * declaration with more than 512 members (the two hidden ones included) is
 * refused with a diagnostic and -1; a PROTO template that the table refuses
 * is released after its body has been read. */
ZEBVRML2_API int vrml_readproto(vrml_context *ctx);
ZEBVRML2_API int vrml_readexternproto(vrml_context *ctx);

/* Wires every pending instance of an EXTERNPROTO to a new instance of the
 * PROTO whose type id the host stored in ext->implementation (in the current
 * template table): eventIns forward both ways, the other members carry the
 * EXTERNPROTO instance's values in the PROTO instance's content records,
 * and the EXTERNPROTO instance takes over the PROTO instance's body. Null,
 * always. */
ZEBVRML2_API void *vrml_wireEPtoP(vrml_context *ctx, vrml_externproto *ext);

/* The name of member `member` of template id in the scope's table, or null. */
ZEBVRML2_API const char *vrml_getprotofieldname(vrml_scope *scope, int id, int member);

VRML_EXTERN_C_END

#endif
