// Internal operations of the node model.
#ifndef ZEBVRML2_NODES_NODE_INTERNAL_H
#define ZEBVRML2_NODES_NODE_INTERNAL_H

#include "vrml_scopes.h"

extern "C" {

// vrml_createnode that, given entry, binds the entry to the new node and
// gives the node the entry's name as its DEF name.
vrml_node *vrml_createdefnode(vrml_context *ctx, int id, vrml_defentry *entry);

}

// Prototype instances in two steps, for copies that must be connected to
// their enclosing instance before their own body is copied. The shell is a
// node of declared type id with members from 1 on made from their defaults
// (bound to entry when given), or null. Completing it copies the prototype
// body into a new instance scope owned by the node, attaches the copied
// routes and, for an EXTERNPROTO type, records the node as pending; false
// when the body could not be copied (the node is then left as it was).
vrml_node *vrml_createinstanceshell(vrml_context *ctx, int id, vrml_defentry *entry);
bool vrml_completeinstance(vrml_context *ctx, vrml_node *node);

// True for the template a lenient load made for a node of unknown type.
inline bool vrml_isunknowntype(const vrml_nodetemplate *t) {
    return t && t->reserved == VRML_TEMPLATE_UNKNOWNTYPE;
}

// How many hidden members (the body and the scope id) lead node's slots.
inline int vrml_hiddenmembers(const vrml_node *node) {
    return node->type >= VRML_BUILTIN_COUNT && !vrml_isunknowntype(node->nodetemplate) ? 2 : 0;
}

// A template entered in a PROTO body's table for a PROTO declared
// elsewhere (lenient loads): the type id, or -1 when the table is full.
// Such an alias is not the table's own: the release and the writers skip it.
int vrml_addtemplatealias(vrml_templatetable *table, vrml_nodetemplate *t);
bool vrml_istemplatealias(const vrml_templatetable *table, int id);

// True for a declared type that is a PROTO or EXTERNPROTO (not a Script,
// not an unknown type).
bool vrml_isprototype(const vrml_nodetemplate *nodetemplate, int id);

// The "df: CLASS TYPE NAME" line of vrml_display_field: a notice of
// noticectx when it is set, else printed on standard output.
void vrml_display_fieldline(vrml_context *noticectx, const vrml_fieldtemplate *member);

// Unlinks a node from the context's list of all nodes and releases it with
// the contents of its slots.
void vrml_discardnode(vrml_context *ctx, vrml_node *node);

// The node limit in force for ctx (vrml_setnodelimit), 0 for none.
int32_t vrml_nodelimit(const vrml_context *ctx);
// True when ctx holds as many nodes as its limit allows.
bool vrml_atnodelimit(const vrml_context *ctx);

// Releases the private name index of a template table (before the table
// record is freed).
void vrml_templatetable_releaseindex(vrml_templatetable *table);

// The built-in templates, in type-id order (VRML_BUILTIN_COUNT records).
vrml_nodetemplate *vrml_builtintemplates();

// Ids of the built-in types the library treats specially (the built-in
// table checks each against its row's name).
enum vrml_builtin_id {
    kVrmlBackground = 3,
    kVrmlFog = 17,
    kVrmlImageTexture = 20,
    kVrmlNavigationInfo = 27,
    kVrmlProximitySensor = 36,
    kVrmlScript = VRML_BUILTIN_SCRIPT,
    kVrmlTimeSensor = 48,
    kVrmlViewpoint = 51,
    kVrmlZEBAvatar = 58,
    kVrmlZEBNetObject = 59,
    kVrmlZEBNetSFInt32 = 63,
    kVrmlZEBNetSFVec3f = 64,
    kVrmlZEBNetSFBool = 65,
    kVrmlZEBNetTrigger = 66,
};

// Member statuses below 0: -(k + 1) marks a member IS-mapped onto interface
// member k of the enclosing prototype, which fits for k up to
// kVrmlIsIndexCeiling; the two statuses below that range mark the eventIns
// that EXTERNPROTO wiring connected (the instance's side and the PROTO
// side).
constexpr int kVrmlIsIndexCeiling = 123;
constexpr int kVrmlWiredInstanceStatus = -125;
constexpr int kVrmlWiredProtoStatus = -126;

#endif
