// Node instances: creation from templates, member content records, member
// access by index and the walk down prototype chains.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "loader/memory.h"
#include "loader/context_private.h"
#include "native/native_internal.h"
#include "vrml_parser.h"
#include "vrml_writer.h"
#include "loader/report.h"
#include "nodes/node_internal.h"
#include "release/release_internal.h"
#include "platform/second_name.h"

namespace {

bool is_script(const vrml_nodetemplate *t) { return t->name && std::strcmp(t->name, "Script") == 0; }

// Types whose nodes are made whole from their template (no PROTO body).
bool is_plain(const vrml_nodetemplate *t, int id) {
    return id < VRML_BUILTIN_COUNT || is_script(t) || vrml_isunknowntype(t);
}

// Makes the content of member i from its template and fills the slot;
// false when the content could not be made.
bool make_member(vrml_context *ctx, vrml_node *node, int i) {
    vrml_fieldtemplate *m = &node->nodetemplate->members[i];
    void *content = vrml_creatememberfromtemplate(ctx, m);
    if (!content) return false;
    vrml_member &slot = node->members[i];
    slot.status = 0;
    slot.sharedpart = 0;
    slot.type = static_cast<uint8_t>(m->type);
    slot.memberclass = static_cast<uint8_t>(m->memberclass);
    slot.content = content;
    return true;
}

// Steps common to every creation: the record, its DEF binding, its place in
// the list of all nodes and the members from first on. Null on failure
// (nothing left behind).
vrml_node *make_node(vrml_context *ctx, int id, vrml_defentry *entry, bool instance_aware) {
    if (vrml_atnodelimit(ctx)) return nullptr;
    vrml_nodetemplate *t = vrml_gettemplateentry(ctx->templates, id);
    if (!t) return nullptr;
    vrml_node *node = vrml_allocnode(t);
    if (!node) return nullptr;
    node->type = id;
    node->nodetemplate = t;
    node->context = ctx;
    vrml_node *previous = nullptr;
    if (entry) {
        previous = entry->node;
        entry->node = node;
        node->defname = entry->name;
    }
    bool ok = vrml_listappend(&ctx->allnodes, node) >= 0;
    if (!ok) {
        if (entry) entry->node = previous;
        std::free(node);
        return nullptr;
    }
    int first = instance_aware && !is_plain(t, id) ? 1 : 0;
    for (int i = first; i < t->membercount && ok; ++i) ok = make_member(ctx, node, i);
    if (!ok) {
        if (entry) entry->node = previous;
        vrml_discardnode(ctx, node);
        return nullptr;
    }
    return node;
}

vrml_node *create(vrml_context *ctx, int id, vrml_defentry *entry) {
    if (!ctx) return nullptr;
    vrml_node *previous = entry ? entry->node : nullptr;
    vrml_node *node = make_node(ctx, id, entry, true);
    if (!node) return nullptr;
    if (is_plain(node->nodetemplate, id)) {
        if (ctx->protoindex == -1 && !vrml_isunknowntype(node->nodetemplate))
            vrml_nativeconstruct(ctx, node, id < VRML_BUILTIN_COUNT ? id : VRML_BUILTIN_SCRIPT);
        return node;
    }
    if (!vrml_completeinstance(ctx, node)) {
        if (entry) entry->node = previous;
        vrml_discardnode(ctx, node);
        return nullptr;
    }
    return node;
}

// The member template of slot i of node in table, or null.
vrml_fieldtemplate *member_template(vrml_templatetable *table, vrml_node *node, int i) {
    if (!node) return nullptr;
    vrml_nodetemplate *t = vrml_gettemplateentry(table, node->type);
    if (!t || !t->members || i < 0 || i >= t->membercount) return nullptr;
    return &t->members[i];
}

// The body's first node of a prototype instance (member 0), or null.
vrml_field *first_body_record(vrml_node *node) {
    if (!node->nodetemplate || node->nodetemplate->membercount < 1) return nullptr;
    vrml_field *body = vrml_memberContentPtr(&node->members[0]);
    if (!body || !body->mfnode.nodes.first) return nullptr;
    return static_cast<vrml_field *>(body->mfnode.nodes.first->data);
}

}  // namespace

// ---- Node limit ----------------------------------------------------------
// The process default, and whether any context ever got one of its own (so
// that creation looks up the context's private record only then). A
// context's own limit is kept in its private record.

namespace {
std::atomic<int32_t> g_defaultlimit{0};
std::atomic<bool> g_ownlimits{false};
}  // namespace

int32_t vrml_nodelimit(const vrml_context *ctx) {
    if (ctx && g_ownlimits.load(std::memory_order_relaxed)) {
        const vrml_contextprivate *record = vrml_context_private(ctx, false);
        if (record && record->nodelimit > 0) return record->nodelimit;
    }
    return g_defaultlimit.load(std::memory_order_relaxed);
}

bool vrml_atnodelimit(const vrml_context *ctx) {
    int32_t limit = vrml_nodelimit(ctx);
    return limit > 0 && ctx->allnodes.count >= limit;
}

void vrml_discardnode(vrml_context *ctx, vrml_node *node) {
    vrml_listdelete(&ctx->allnodes, node);
    for (int i = 0; i < node->nodetemplate->membercount; ++i) {
        vrml_member &slot = node->members[i];
        if (slot.status < 0) vrml_scene_disown(ctx, slot.content);
        if (slot.content) vrml_freeuclass(slot.memberclass, slot.type, slot.content);
    }
    std::free(node);
}

bool vrml_isprototype(const vrml_nodetemplate *nodetemplate, int id) {
    return nodetemplate && !is_plain(nodetemplate, id);
}

vrml_node *vrml_createinstanceshell(vrml_context *ctx, int id, vrml_defentry *entry) {
    return ctx ? make_node(ctx, id, entry, true) : nullptr;
}

bool vrml_completeinstance(vrml_context *ctx, vrml_node *node) {
    vrml_nodetemplate *t = node->nodetemplate;
    if (t->membercount < 2 || !t->members[1].defaultvalue) return false;
    int source = t->members[1].defaultvalue->sfint32;
    int n = vrml_dupscope(ctx, vrml_getscopeentry(ctx, source));
    vrml_scope *scope = vrml_getscopeentry(ctx, n);
    if (!scope) return false;
    vrml_field *own = vrml_memberContentPtr(&node->members[1]);
    if (own) own->sfint32 = n;
    scope->owner = node;
    if (vrml_pushscope(ctx, scope) < 0) return false;
    bool ok = make_member(ctx, node, 0);
    vrml_popscope(ctx);
    if (!ok) return false;
    vrml_createroutetree(scope);
    if (t->external && t->externrecord && vrml_listappend(&t->externrecord->pending, node) < 0)
        vrml_problem_nomem(ctx, nullptr);  // the instance will not be wired
    return true;
}

extern "C" {

ZEBVRML2_API vrml_node *vrml_allocnode(vrml_nodetemplate *nodetemplate) {
    size_t count = nodetemplate && nodetemplate->membercount > 0
                       ? static_cast<size_t>(nodetemplate->membercount)
                       : 0;
    size_t size = offsetof(vrml_node, members) + count * sizeof(vrml_member);
    if (size < sizeof(vrml_node)) size = sizeof(vrml_node);
    if (size > UINT32_MAX) return nullptr;
    return static_cast<vrml_node *>(vrml_malloc(static_cast<unsigned>(size)));
}

ZEBVRML2_API vrml_member *vrml_allocnodemembers(int count) {
    if (count < 0) return nullptr;
    return static_cast<vrml_member *>(vrml_malloc_array(static_cast<size_t>(count), sizeof(vrml_member)));
}

ZEBVRML2_API vrml_eventin *vrml_alloc_eventin(vrml_context *, vrml_fieldtemplate *) {
    return static_cast<vrml_eventin *>(vrml_malloc(sizeof(vrml_eventin)));
}

ZEBVRML2_API vrml_eventout *vrml_alloc_eventout(vrml_context *, vrml_fieldtemplate *member) {
    auto *record = static_cast<vrml_eventout *>(vrml_malloc(sizeof(vrml_eventout)));
    if (!record) return nullptr;
    record->value = vrml_allocfield(member->type);
    if (!record->value) {
        std::free(record);
        return nullptr;
    }
    return record;
}

ZEBVRML2_API vrml_field **vrml_alloc_field(vrml_context *ctx, vrml_fieldtemplate *member) {
    if (!member->defaultvalue) {
        vrml_problem(ctx, nullptr, 0, "DEFAULT FIELD is NULL\n");
        return nullptr;
    }
    auto **holder = static_cast<vrml_field **>(vrml_malloc(sizeof(vrml_field *)));
    if (!holder) return nullptr;
    *holder = vrml_dupfield[member->type](ctx, member->defaultvalue);
    if (!*holder) {
        std::free(holder);
        return nullptr;
    }
    return holder;
}

ZEBVRML2_API vrml_exposedfield *vrml_alloc_exposedfield(vrml_context *ctx,
                                                        vrml_fieldtemplate *member) {
    auto *record = static_cast<vrml_exposedfield *>(vrml_malloc(sizeof(vrml_exposedfield)));
    if (!record) return nullptr;
    record->eventin = vrml_alloc_eventin(ctx, member);
    record->eventout = record->eventin ? vrml_alloc_eventout(ctx, member) : nullptr;
    if (!record->eventout) {
        vrml_free_exposedfield(member->type, record);
        return nullptr;
    }
    record->holder = vrml_alloc_field(ctx, member);  // may stay null
    if (!record->holder && member->defaultvalue) vrml_problem_nomem(ctx, nullptr);
    return record;
}

ZEBVRML2_API void *vrml_creatememberfromtemplate(vrml_context *ctx, vrml_fieldtemplate *member) {
    if (!member || member->type < 0 || member->type >= VRML_FIELDTYPE_COUNT) return nullptr;
    switch (member->memberclass) {
    case VRML_EVENTIN: return vrml_alloc_eventin(ctx, member);
    case VRML_EVENTOUT: return vrml_alloc_eventout(ctx, member);
    case VRML_EXPOSEDFIELD: return vrml_alloc_exposedfield(ctx, member);
    case VRML_FIELD: return vrml_alloc_field(ctx, member);
    default: return nullptr;
    }
}

ZEBVRML2_API int32_t vrml_setnodelimit(vrml_context *ctx, int32_t limit) {
    if (limit < 0) limit = 0;
    if (!ctx) return g_defaultlimit.exchange(limit);
    vrml_contextprivate *record = vrml_context_private(ctx, limit != 0);
    if (!record) return limit != 0 ? -1 : 0;
    int32_t old = record->nodelimit;
    if (limit != 0) g_ownlimits.store(true, std::memory_order_relaxed);
    record->nodelimit = limit;
    return old;
}

ZEBVRML2_API vrml_node *vrml_createnode(vrml_context *ctx, int id) { return create(ctx, id, nullptr); }

vrml_node *vrml_createdefnode(vrml_context *ctx, int id, vrml_defentry *entry) {
    return create(ctx, id, entry);
}

ZEBVRML2_API vrml_node *vrml_createnode_nc(vrml_context *ctx, int id) {
    return ctx ? make_node(ctx, id, nullptr, false) : nullptr;
}

ZEBVRML2_API vrml_field *vrml_getnodefield(vrml_templatetable *table, vrml_node *node, int i) {
    vrml_fieldtemplate *m = member_template(table, node, i);
    if (!m) return nullptr;
    if (m->memberclass != VRML_EXPOSEDFIELD && m->memberclass != VRML_FIELD) {
        vrml_problem(node->context, nullptr, 0, "v_gnf: bad member class request");
        return nullptr;
    }
    return vrml_memberContentPtr(&node->members[i]);
}

ZEBVRML2_API int vrml_setnodefield(vrml_templatetable *table, vrml_node *node, vrml_field *value,
                                   int i) {
    vrml_fieldtemplate *m = member_template(table, node, i);
    if (!m || m->type < 0 || m->type >= VRML_FIELDTYPE_COUNT) return -1;
    if (m->memberclass == VRML_EVENTIN || m->memberclass == VRML_EVENTOUT) {
        vrml_problem(node->context, nullptr, 0, "v_snf: bad member class");
        return 1;
    }
    vrml_member &slot = node->members[i];
    vrml_field **holder;
    if (m->memberclass == VRML_EXPOSEDFIELD) {
        auto *record = static_cast<vrml_exposedfield *>(slot.content);
        if (!record) return -1;
        if (!record->holder)
            record->holder = static_cast<vrml_field **>(vrml_malloc(sizeof(vrml_field *)));
        holder = record->holder;
    } else if (m->memberclass == VRML_FIELD) {
        if (!slot.content) slot.content = vrml_malloc(sizeof(vrml_field *));
        holder = static_cast<vrml_field **>(slot.content);
    } else {
        return -1;
    }
    if (!holder) return -1;
    if (!value) value = vrml_allocfield(m->type);
    if (*holder && *holder != value) vrml_freefielddata[m->type](*holder);
    *holder = value;
    if (slot.status >= 0 && slot.status < 127) ++slot.status;
    return 1;
}

ZEBVRML2_API vrml_field *vrml_eventInContentPtr(void *content) {
    return content ? static_cast<vrml_eventin *>(content)->value : nullptr;
}

ZEBVRML2_API vrml_field *vrml_exposedFieldContentPtr(void *content) {
    auto *record = static_cast<vrml_exposedfield *>(content);
    return record && record->holder ? *record->holder : nullptr;
}

ZEBVRML2_API vrml_field *vrml_fieldContentPtr(void *content) {
    return content ? *static_cast<vrml_field **>(content) : nullptr;
}

ZEBVRML2_API vrml_field **vrml_eventInContentHandle(void *content) {
    return content ? &static_cast<vrml_eventin *>(content)->value : nullptr;
}

ZEBVRML2_API vrml_field **vrml_exposedFieldContentHandle(void *content) {
    return content ? static_cast<vrml_exposedfield *>(content)->holder : nullptr;
}

ZEBVRML2_API vrml_field **vrml_fieldContentHandle(void *content) {
    return static_cast<vrml_field **>(content);
}

ZEBVRML2_API vrml_field *vrml_memberContentPtr(vrml_member *slot) {
    if (!slot) return nullptr;
    switch (slot->memberclass) {
    case VRML_EVENTIN:
    case VRML_EVENTOUT: return vrml_eventInContentPtr(slot->content);
    case VRML_EXPOSEDFIELD: return vrml_exposedFieldContentPtr(slot->content);
    case VRML_FIELD: return vrml_fieldContentPtr(slot->content);
    default: return nullptr;
    }
}

ZEBVRML2_API vrml_field **vrml_memberContentHandle(vrml_member *slot) {
    if (!slot) return nullptr;
    switch (slot->memberclass) {
    case VRML_EVENTIN:
    case VRML_EVENTOUT: return vrml_eventInContentHandle(slot->content);
    case VRML_EXPOSEDFIELD: return vrml_exposedFieldContentHandle(slot->content);
    case VRML_FIELD: return vrml_fieldContentHandle(slot->content);
    default: return nullptr;
    }
}

ZEBVRML2_API vrml_node *vrml_baseNode(vrml_node *node) {
    while (node) {
        if (node->type < VRML_BUILTIN_COUNT) return node;
        if (vrml_isunknowntype(node->nodetemplate)) return nullptr;
        vrml_field *record = first_body_record(node);
        node = record ? record->sfnode.node : nullptr;
    }
    return nullptr;
}

ZEBVRML2_API vrml_field *vrml_baseSFNode(vrml_field *record) {
    while (record) {
        vrml_node *node = record->sfnode.node;
        if (!node) return nullptr;
        if (node->type < VRML_BUILTIN_COUNT || (node->nodetemplate && is_plain(node->nodetemplate, node->type)))
            return record;
        record = first_body_record(node);
    }
    return nullptr;
}

VRML_SECOND_NAME(void *, vrml_allocclass, (vrml_context *ctx, vrml_fieldtemplate *member),
                 vrml_creatememberfromtemplate, (ctx, member))
VRML_SECOND_NAME(vrml_field *, vrml_eventOutContentPtr, (void *content), vrml_eventInContentPtr,
                 (content))
VRML_SECOND_NAME(vrml_field **, vrml_eventOutContentHandle, (void *content),
                 vrml_eventInContentHandle, (content))
#define VRML_GETTER(name) \
    VRML_SECOND_NAME(vrml_field *, name, (vrml_member *slot), vrml_memberContentPtr, (slot))
VRML_GETTER(vrml_getSFBool)
VRML_GETTER(vrml_getSFColor)
VRML_GETTER(vrml_getSFFloat)
VRML_GETTER(vrml_getSFImage)
VRML_GETTER(vrml_getSFInt32)
VRML_GETTER(vrml_getSFNode)
VRML_GETTER(vrml_getSFRotation)
VRML_GETTER(vrml_getSFString)
VRML_GETTER(vrml_getSFTime)
VRML_GETTER(vrml_getSFVec2f)
VRML_GETTER(vrml_getSFVec3f)
VRML_GETTER(vrml_getMFColor)
VRML_GETTER(vrml_getMFFloat)
VRML_GETTER(vrml_getMFInt32)
VRML_GETTER(vrml_getMFNode)
VRML_GETTER(vrml_getMFRotation)
VRML_GETTER(vrml_getMFString)
VRML_GETTER(vrml_getMFVec2f)
VRML_GETTER(vrml_getMFVec3f)

}  // extern "C"
