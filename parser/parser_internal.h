// Internal operations of the scene parser.
#ifndef ZEBVRML2_PARSER_PARSER_INTERNAL_H
#define ZEBVRML2_PARSER_PARSER_INTERNAL_H

#include "loader/lexer.h"
#include "vrml_parser.h"

// A zeroed route record, or null.
vrml_route *vrml_allocroute();

// Appends route to the route list of its source member's event in node:
// 1 attached; 0 when the member is not an eventOut or exposedField
// (reported: "Route points to Field/EventIn") or has no event record; -1
// when no list item could be allocated.
int vrml_attachroute(vrml_nodetemplate *nodetemplate, vrml_node *node, vrml_route *route);

// Adds a forwarding route from an eventIn (or the eventIn of an
// exposedField) of node to target's member: 0; -1 no memory; -4 the member
// is neither eventIn nor exposedField.
int vrml_addeventinroute(vrml_context *ctx, vrml_node *node, int member, vrml_node *target,
                         int targetmember);

// The event record that carries the routes leaving member m of node (an
// eventOut's record, or the eventOut record of an exposedField), or null.
vrml_eventout *vrml_member_eventout(vrml_nodetemplate *nodetemplate, vrml_node *node, int m);

// The four names of a ROUTE statement.
struct vrml_routenames {
    char source[kVrmlRouteNameSize];
    char eventout[kVrmlRouteNameSize];
    char target[kVrmlRouteNameSize];
    char eventin[kVrmlRouteNameSize];
};

// Reads "a.b TO c.d" after the word ROUTE: 0, or -1 (reported where the
// statement is malformed).
int vrml_readroutenames(vrml_context *ctx, vrml_routenames *names);

// Adds the route named by names to the current scope: 0, or -1 (reported
// "Could NOT add route: ...").
int vrml_addroutenames(vrml_context *ctx, const vrml_routenames *names);

// ---- Declarations -------------------------------------------------------

// Most members a declared template holds: the two hidden ones and up to 510
// declared (a Script: the hidden ones, its three built-in members and up to
// 507 declared). A longer declaration is refused.
constexpr int kVrmlDeclarationLimit = 512;

extern "C" {

// Reads a Script body from its opening brace: makes the Script's own
// template and node and stores the DEF reference and the node in *result.
// defname (vrml_malloc'd or null) is taken over. 1, or negative on error
// (the result then holds a null node); a ROUTE in the body is an
// unrecognized Script field.
int vrml_readscriptbody(vrml_context *ctx, vrml_field *result, char *defname);

// The interface member of the PROTO being declared that a body member of
// class memberclass names after IS. The two readers of IS (node bodies and
// Script bodies) word their messages differently and differ in what a
// failure ends, so the lookup reports and the callers speak.
enum class vrml_is_outcome { kFound, kNoParentScope, kNoSuchMember, kIndexOutOfRange };
struct vrml_is_target {
    vrml_is_outcome outcome;
    int index;        // the interface member k when found
    bool classmatch;  // the classes may be mapped (an exposedField maps onto any)
};
vrml_is_target vrml_findistarget(vrml_context *ctx, const char *name, int memberclass);

// Binds defname (taken over) as a new DEF entry of the current scope for
// node (which may be set later): the DEF reference to store (minus the new
// entry count), or 0 without a name or when it could not be added (reported
// as "Out of memory"; the name is released).
int32_t vrml_binddef(vrml_context *ctx, char *defname, vrml_node *node);

// Inside a PROTO body, reads "IS name" when it follows: k+1 for interface
// member k of the PROTO being declared, 0 when no IS follows (or outside a
// PROTO body), -1 on error (reported).
int vrml_resolveisalias(vrml_context *ctx, int memberclass);

// Ends the process for a node of type name that could not be made (the
// node limit, no memory).
VRML_NORETURN void vrml_nodefailed(vrml_context *ctx, const char *name);

// ---- Lenient loads (VRML_LOAD_LENIENT) ----------------------------------

// True when ctx is read leniently (a side-map lookup: unusual paths only).
bool vrml_lenient(const vrml_context *ctx);

// Reads the body of a node of unknown type name after its opening brace
// and keeps the node (see "Lenient loads" in vrml_loader.h); defname
// (vrml_malloc'd or null) is taken over. The node reference; its node is
// null when the type table is full.
vrml_field *vrml_lenient_node(vrml_context *ctx, const char *name, char *defname);

// Inside a PROTO body: enters a PROTO or EXTERNPROTO named name declared
// elsewhere in the file into the body's table. Its type id, or -1.
int vrml_lenient_alias(vrml_context *ctx, const char *name);

// Skips the value of an unknown member as one balanced unit.
void vrml_lenient_skipvalue(vrml_context *ctx);

// Reads and skips a statement VRML97 does not have that begins with word
// (PROFILE, COMPONENT, META, IMPORT, EXPORT), with a problem; false (nothing
// read) for any other word.
bool vrml_lenient_statement(vrml_context *ctx, const char *word);

// Outside a PROTO body, steps over "IS name" when it follows, with a
// problem about member: true when it did.
bool vrml_lenient_strayis(vrml_context *ctx, const char *member);

// ---- Instancing ---------------------------------------------------------

// The copy of a prototype body node for the instance being made (the
// context's scopeowner), with its IS members connected to that instance;
// null for a null source or when the copy cannot be made.
vrml_node *vrml_dupnode(vrml_context *ctx, vrml_node *source);
// The same, bound to entry of the instance scope's DEF table.
vrml_node *vrml_dupdefnode(vrml_context *ctx, vrml_node *source, vrml_defentry *entry);

// Connects member i of an EXTERNPROTO instance to the member of the same
// name of its implementing PROTO instance: 0; -1 no such name; -2 classes
// differ; -3 / -4 the first / second forwarding route was not added.
int vrml_wiremember(vrml_context *ctx, vrml_node *ep, vrml_node *p, int i);

// Copies the pointers of a member's content into another slot's content of
// the same class: 0, or -1 for a class outside 0..3.
int vrml_copymembercontent(vrml_member *source, vrml_member *target);

}

#endif
