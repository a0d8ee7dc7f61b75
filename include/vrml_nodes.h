/*
 * Node model: member and node templates, template tables and their name
 * lookups, the 81 built-in node types, node instances and member access.
 *
 * Threads: the built-in templates are shared by every scene and only read
 * once their defaults are parsed; a template table's private name index is
 * refreshed by lookups, so a table (like the scene it belongs to) is used by
 * one thread at a time.
 *
 * A node type id is an index into a template table; ids 0 to 80 are the
 * built-in types in every table (VRML_BUILTIN_COUNT), declared types
 * (PROTO, EXTERNPROTO, Script) get 81 and above. A member index is the
 * member's position in its node template.
 *
 * Name lookups compare exactly and case-sensitively. vrml_findnode costs
 * O(1) on average: the library keeps a private name index beside each
 * template table it searches (not inside the record), refreshed when the
 * table's count or last slot changed since the last lookup. A table should
 * be released through the library (the scene release), which drops that
 * index with it.
 */
#ifndef VRML_NODES_H
#define VRML_NODES_H

#include <stdint.h>

#include "vrml_fields.h"

VRML_EXTERN_C_BEGIN

#define VRML_BUILTIN_COUNT 81
#define VRML_TEMPLATE_SLOTS 1024
#define VRML_BUILTIN_SCRIPT 38 /* the built-in Script type */

typedef struct vrml_fieldtemplate vrml_fieldtemplate;
typedef struct vrml_nodetemplate vrml_nodetemplate;
typedef struct vrml_externproto vrml_externproto;
typedef struct vrml_member vrml_member;

/* One member of a node type. */
struct vrml_fieldtemplate {
    int32_t memberclass; /* VRML_EVENTIN .. VRML_FIELD */
    int32_t type;        /* VRML_SFBOOL .. VRML_MFVEC3F */
    char *name;          /* own copy (vrml_createfieldtemplate); constant text for built-ins */
    /* The default value, owned by the template, or null. In the built-in
     * table this word holds VRML text until vrml_parsebuiltinfields ran. */
    vrml_field *defaultvalue;
    int32_t reserved; /* always 0 */
};

/* One node type. Declared templates begin with the hidden members
 * "#baseclass" (field MFNode, the prototype body) and "#scope" (field
 * SFInt32, the declaration's scope id). */
struct vrml_nodetemplate {
    char *name;                  /* taken over, not copied */
    int32_t membercount;
    vrml_fieldtemplate *members; /* membercount records, taken over */
    int32_t reserved;            /* 0, or VRML_TEMPLATE_UNKNOWNTYPE */
    int32_t external;            /* 1 for an EXTERNPROTO template */
    vrml_externproto *externrecord;
};

/* The reserved word of the template of a node whose type the lenient load
 * did not know (vrml_loader.h, "Lenient loads"): its members are the ones
 * the node's body gave, all exposedFields, without the hidden members of
 * declared types; it is never instanced as a PROTO and its nodes get no
 * natives. */
#define VRML_TEMPLATE_UNKNOWNTYPE 1

/* The node types known in a scope. Slots 0..count-1 are in use. */
struct vrml_templatetable {
    int32_t count;
    vrml_nodetemplate *templates[VRML_TEMPLATE_SLOTS];
};

/* An EXTERNPROTO declaration; hosts read and write it in place. */
struct vrml_externproto {
    vrml_field *url;      /* MFString, owned */
    char *location;       /* own copy of the context's baselocation, or null */
    void *hostarea[129];  /* zero at creation; the host's */
    int32_t implementation; /* type id of the implementing PROTO, set by the host */
    vrml_list pending;    /* instances made so far, in creation order */
    void *reserved1;
    vrml_nodetemplate *nodetemplate; /* the EXTERNPROTO's own template */
    void *reserved2;
};

/* ---- Templates and lookups ------------------------------------------- */

/* A new zeroed table (count 0), or null. */
ZEBVRML2_API vrml_templatetable *vrml_createtemplate(void);

/* Appends template: the new type id, or -1 when 1024 are held already. */
ZEBVRML2_API int vrml_addtemplate(vrml_templatetable *table, vrml_nodetemplate *nodetemplate);

/* The template with that id, or null. */
ZEBVRML2_API vrml_nodetemplate *vrml_gettemplateentry(vrml_templatetable *table, int id);

/* The lowest id whose template has exactly that name, or -1. */
ZEBVRML2_API int vrml_findnode(vrml_templatetable *table, const char *name);

/* One operation under two names: a new zeroed record large enough for a
 * vrml_nodetemplate and for a vrml_deftable (the larger of the two). */
ZEBVRML2_API void *vrml_allocnodetemplate(void);
ZEBVRML2_API void *vrml_createnamespace(void);

/* A new zeroed member template, or null. */
ZEBVRML2_API vrml_fieldtemplate *vrml_allocfieldtemplate(void);

/* A new node template holding name, count and members (taken over), or null. */
ZEBVRML2_API vrml_nodetemplate *vrml_createnodetemplate(const char *name, int count,
                                                        vrml_fieldtemplate *members);

/* A new member template with an own copy of name. A null default of an
 * exposedField or field becomes a blank value of the type. Null when memory
 * runs out. */
ZEBVRML2_API vrml_fieldtemplate *vrml_createfieldtemplate(int memberclass, int type,
                                                          const char *name,
                                                          vrml_field *defaultvalue,
                                                          int reserved);

/* Member index by name (any class), or -1. */
ZEBVRML2_API int vrml_findnodetemplatefieldidx(vrml_nodetemplate *nodetemplate, const char *name);
/* eventIn by name; an exposedField also answers to "set_" + its name. */
ZEBVRML2_API int vrml_findnodetemplateeventinidx(vrml_nodetemplate *nodetemplate, const char *name);
/* eventOut by name; an exposedField also answers to its name + "_changed". */
ZEBVRML2_API int vrml_findnodetemplateeventoutidx(vrml_nodetemplate *nodetemplate, const char *name);

/* The three lookups on the template with that id in table. */
ZEBVRML2_API int vrml_findfieldidx(vrml_templatetable *table, int id, const char *name);
ZEBVRML2_API int vrml_findeventinidx(vrml_templatetable *table, int id, const char *name);
ZEBVRML2_API int vrml_findeventoutidx(vrml_templatetable *table, int id, const char *name);

/* The three lookups on a node's own template. */
ZEBVRML2_API int vrml_findnodefieldidx(vrml_node *node, const char *name);
ZEBVRML2_API int vrml_findnodeeventinidx(vrml_node *node, const char *name);
ZEBVRML2_API int vrml_findnodeeventoutidx(vrml_node *node, const char *name);

/* Replaces the default of member i of type id in ctx->templates (the old
 * one is released unless the member is an eventIn). 1; -1 (nothing taken
 * over) when there is no such template or member. */
ZEBVRML2_API int vrml_settemplatedefault(vrml_context *ctx, int id, int i, vrml_field *value);

/* Writes "df: CLASS TYPE NAME" to standard output; with ctx, also prints
 * the default of a non-node exposedField or field to ctx->out. */
ZEBVRML2_API void vrml_display_field(vrml_context *ctx, vrml_fieldtemplate *member);

/* Copies the built-in type's name into buffer (24 bytes) and returns the
 * built-in name; "Invalid" and null for any other id. */
ZEBVRML2_API const char *vrml_nodeidtostring(int id, char *buffer);

/* Unlinks (without freeing) and returns the first item of list whose data
 * record holds value in its second word, or null. */
ZEBVRML2_API vrml_listitem *vrml_deletechild(vrml_list *list, void *value);

/* ---- The built-in node table ------------------------------------------ */

/* Appends the 81 built-in templates in id order: 1, or 0 at a refusal. */
ZEBVRML2_API int vrml_addbuiltinnodes(vrml_templatetable *table);

/* Parses the built-in default texts once per process (ctx may be null). 1. */
ZEBVRML2_API int vrml_parsebuiltinfields(vrml_context *ctx);

/* Releases the parsed defaults (nothing for a null ctx); for the end of a
 * process: no built-in node may be made afterwards. 1. */
ZEBVRML2_API int vrml_deletebuiltinfields(vrml_context *ctx);

/* ---- Node instances ----------------------------------------------------- */

typedef int8_t vrml_memberstatus;

/* One member slot. status: 0 default, 1..127 assignments counted, negative
 * an IS mapping (-(k+1)) or a wiring mark. */
struct vrml_member {
    int8_t status;
    uint8_t sharedpart; /* 1 eventIn, 2 eventOut, 4 value holder, else 0 */
    uint8_t type;
    uint8_t memberclass;
    void *content; /* by class: vrml_eventin, vrml_eventout, vrml_exposedfield, value holder */
};

struct vrnrt_native;

struct vrml_node {
    int32_t type; /* below VRML_BUILTIN_COUNT: a built-in type */
    vrml_nodetemplate *nodetemplate;
    vrml_context *context;
    char *defname;                 /* the bound DEF entry's name (not owned), or null */
    struct vrnrt_native **natives; /* null-terminated, or null */
    vrml_member members[1];        /* one per template member (allocated to size) */
};

/* eventIn content: the current value at word 2, the forwarding routes at
 * words 3 to 5; the other words are zero. */
typedef struct vrml_eventin {
    void *reserved0[2];
    vrml_field *value;
    vrml_list routes;
    void *reserved1[2];
} vrml_eventin;

/* eventOut content: the current value at word 2 (a blank value at
 * creation), the routes leaving the event at words 3 to 5. */
typedef struct vrml_eventout {
    void *reserved0[2];
    vrml_field *value;
    vrml_list routes;
} vrml_eventout;

/* A value holder is one word pointing at the current value: vrml_field **.
 * exposedField content: */
typedef struct vrml_exposedfield {
    vrml_eventin *eventin;
    vrml_field **holder;
    vrml_eventout *eventout;
} vrml_exposedfield;

/* A new zeroed node sized for the template's member count, or null. */
ZEBVRML2_API vrml_node *vrml_allocnode(vrml_nodetemplate *nodetemplate);
/* A new zeroed array of count member slots, or null. */
ZEBVRML2_API vrml_member *vrml_allocnodemembers(int count);

/* Content records made from a member template. */
ZEBVRML2_API vrml_eventin *vrml_alloc_eventin(vrml_context *ctx, vrml_fieldtemplate *member);
ZEBVRML2_API vrml_eventout *vrml_alloc_eventout(vrml_context *ctx, vrml_fieldtemplate *member);
/* A value holder holding a duplicate of the default; null (reported) when
 * the template has no default. */
ZEBVRML2_API vrml_field **vrml_alloc_field(vrml_context *ctx, vrml_fieldtemplate *member);
ZEBVRML2_API vrml_exposedfield *vrml_alloc_exposedfield(vrml_context *ctx, vrml_fieldtemplate *member);
/* One operation under two names: the content record of the member's class. */
ZEBVRML2_API void *vrml_allocclass(vrml_context *ctx, vrml_fieldtemplate *member);
ZEBVRML2_API void *vrml_creatememberfromtemplate(vrml_context *ctx, vrml_fieldtemplate *member);

/* A new node of type id in ctx->templates with every member set to its
 * default (a prototype instance gets its own copy of the body), or null. */
ZEBVRML2_API vrml_node *vrml_createnode(vrml_context *ctx, int id);
/* The same without native constructors, prototype body or scope. */
ZEBVRML2_API vrml_node *vrml_createnode_nc(vrml_context *ctx, int id);

/* Extension: the most nodes a context may hold in its list of all nodes.
 * Past the limit every node creation (reading, prototype instancing, the
 * calls above) fails as it does when the heap is exhausted; where the
 * reader cannot go on without the node, the load ends through
 * vrml_fatal_err with "node limit of N reached". With ctx, the limit of that
 * context; with a null ctx, the limit of every context that has none of its
 * own, loads that start later among them. limit <= 0 removes the limit
 * (the default; for a context, its own limit, so that the process-wide one
 * applies again). Returns the limit replaced (0: none), or -1 when a
 * context's limit cannot be recorded (no memory). */
ZEBVRML2_API int32_t vrml_setnodelimit(vrml_context *ctx, int32_t limit);

/* The current value of an exposedField or field member, or null. */
ZEBVRML2_API vrml_field *vrml_getnodefield(vrml_templatetable *table, vrml_node *node, int i);
/* Stores value (taken over; null: a blank value) in member i, releasing
 * the old value, and counts the assignment up to 127. 1; an eventIn or
 * eventOut member is reported and left unchanged (value not taken). -1
 * (value not taken) when the node has no template or member i. */
ZEBVRML2_API int vrml_setnodefield(vrml_templatetable *table, vrml_node *node, vrml_field *value,
                                   int i);

/* The current value pointer of a slot, and the address where it is kept. */
ZEBVRML2_API vrml_field *vrml_memberContentPtr(vrml_member *slot);
ZEBVRML2_API vrml_field **vrml_memberContentHandle(vrml_member *slot);
/* The same for a content record of a known class (eventIn and eventOut
 * are one operation). */
ZEBVRML2_API vrml_field *vrml_eventInContentPtr(void *content);
ZEBVRML2_API vrml_field *vrml_eventOutContentPtr(void *content);
ZEBVRML2_API vrml_field *vrml_exposedFieldContentPtr(void *content);
ZEBVRML2_API vrml_field *vrml_fieldContentPtr(void *content);
ZEBVRML2_API vrml_field **vrml_eventInContentHandle(void *content);
ZEBVRML2_API vrml_field **vrml_eventOutContentHandle(void *content);
ZEBVRML2_API vrml_field **vrml_exposedFieldContentHandle(void *content);
ZEBVRML2_API vrml_field **vrml_fieldContentHandle(void *content);

/* Each is vrml_memberContentPtr; the name states the type the caller
 * expects, which is not compared with the slot's. */
ZEBVRML2_API vrml_field *vrml_getSFBool(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getSFColor(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getSFFloat(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getSFImage(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getSFInt32(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getSFNode(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getSFRotation(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getSFString(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getSFTime(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getSFVec2f(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getSFVec3f(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getMFColor(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getMFFloat(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getMFInt32(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getMFNode(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getMFRotation(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getMFString(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getMFVec2f(vrml_member *slot);
ZEBVRML2_API vrml_field *vrml_getMFVec3f(vrml_member *slot);

/* The built-in node a prototype instance stands for, or null. */
ZEBVRML2_API vrml_node *vrml_baseNode(vrml_node *node);
/* The SFNode record at the bottom of the prototype chain (stopping at
 * Script nodes and nodes of unknown type), or null. */
ZEBVRML2_API vrml_field *vrml_baseSFNode(vrml_field *record);

VRML_EXTERN_C_END

#endif
