// Prototype instancing: copies of body nodes connected to their instance
// through IS, and the wiring of EXTERNPROTO instances to the PROTO
// instances that implement them.
//
// A body member that IS-maps onto instance member k gives up its own content
// and uses the instance's, whole or in part (the shared-part marks of an
// exposedField); eventIns are connected by forwarding routes both ways.
// A mapping between classes whose content records have
// different shapes is reported and shares only a part of the same shape (an
// eventOut takes the eventOut record of an exposedField, a field its value
// holder); where no such part exists the body member keeps its own content.
// A body node that is itself a prototype instance is connected before its
// own body is copied, so that its body shares the enclosing instance's
// records rather than records released afterwards.
#include <cstdlib>
#include <cstring>

#include "fields/field_internal.h"
#include "loader/report.h"
#include "loader/stack_guard.h"
#include "nodes/node_internal.h"
#include "parser/parser_internal.h"
#include "release/release_internal.h"

namespace {

bool in_class_range(int memberclass) { return memberclass >= 0 && memberclass <= VRML_FIELD; }

// Forwarding routes owner.k -> node.i and node.i -> owner.k.
void forward_both_ways(vrml_context *ctx, vrml_node *owner, int k, vrml_node *node, int i) {
    vrml_addeventinroute(ctx, owner, k, node, i);
    vrml_addeventinroute(ctx, node, i, owner, k);
}

// The part of the owner's content that a member of class memberclass can
// use in place of its own: the whole record for the same class, the eventOut
// record or value holder of an exposedField, else null.
void *compatible_content(const vrml_member &own, int memberclass) {
    if (own.memberclass == memberclass) return own.content;
    if (own.memberclass != VRML_EXPOSEDFIELD || !own.content) return nullptr;
    auto *record = static_cast<vrml_exposedfield *>(own.content);
    if (memberclass == VRML_EVENTOUT) return record->eventout;
    if (memberclass == VRML_FIELD) return record->holder;
    return nullptr;
}

// An exposedField body member mapped onto owner member k.
void share_exposedfield(vrml_context *ctx, vrml_node *owner, int k, vrml_node *node, int i) {
    vrml_member &own = owner->members[k];
    vrml_member &slot = node->members[i];
    auto *record = static_cast<vrml_exposedfield *>(slot.content);
    switch (own.memberclass) {
    case VRML_EVENTIN:
        if (!record) return;
        slot.sharedpart = 1;
        vrml_free_eventin(slot.type, record->eventin);
        record->eventin = static_cast<vrml_eventin *>(own.content);
        forward_both_ways(ctx, owner, k, node, i);
        break;
    case VRML_EVENTOUT:
        if (!record) return;
        slot.sharedpart = 2;
        vrml_free_eventout(slot.type, record->eventout);
        record->eventout = static_cast<vrml_eventout *>(own.content);
        break;
    case VRML_EXPOSEDFIELD:
        vrml_free_exposedfield(slot.type, record);
        slot.content = own.content;
        forward_both_ways(ctx, owner, k, node, i);
        break;
    case VRML_FIELD:
        if (!record) return;
        slot.sharedpart = 4;
        vrml_free_field(slot.type, record->holder);
        record->holder = static_cast<vrml_field **>(own.content);
        break;
    default:
        vrml_problem(ctx, nullptr, 0, "v_dupn: Invalid class %d", own.memberclass);
        break;
    }
}

// Member i of a body copy whose status maps it onto member k of owner.
void share_is(vrml_context *ctx, vrml_node *owner, int k, vrml_node *node, int i) {
    if (k < 0 || k >= owner->nodetemplate->membercount || !owner->members[k].content) return;
    vrml_member &own = owner->members[k];
    vrml_member &slot = node->members[i];
    // Records of two field types never share: the copy keeps its own value.
    if (own.type != slot.type) {
        const bool known = own.type < VRML_FIELDTYPE_COUNT && slot.type < VRML_FIELDTYPE_COUNT;
        vrml_problem(ctx, nullptr, 0, "Invalid IS: %s cannot map to %s",
                     known ? vrml_fieldnames[slot.type] : "?", known ? vrml_fieldnames[own.type] : "?");
        return;
    }
    switch (slot.memberclass) {
    case VRML_EVENTIN:
        if (own.memberclass != VRML_EVENTIN)
            vrml_problem(ctx, nullptr, 0, "EventIn can only be mapped to another EventIn");
        forward_both_ways(ctx, owner, k, node, i);
        return;
    case VRML_EXPOSEDFIELD:
        share_exposedfield(ctx, owner, k, node, i);
        return;
    case VRML_EVENTOUT:
        if (own.memberclass != VRML_EVENTOUT)
            vrml_problem(ctx, nullptr, 0, "Invalid IS: eventOut can only map to another eventOut");
        break;
    case VRML_FIELD:
        if (own.memberclass != VRML_FIELD)
            vrml_problem(ctx, nullptr, 0, "Invalid IS: field can only be mapped to a field");
        break;
    default:
        vrml_problem(ctx, nullptr, 0, "Invalid IS: unknown error");
        return;
    }
    void *shared = compatible_content(own, slot.memberclass);
    if (!shared) return;
    vrml_freeuclass(slot.memberclass, slot.type, slot.content);
    slot.content = shared;
}

// Member i of the copy: the IS connection, or a duplicate of the source's
// value for exposedFields and fields.
void copy_member(vrml_context *ctx, vrml_node *source, vrml_node *node, int i) {
    vrml_member &from = source->members[i];
    vrml_member &slot = node->members[i];
    slot.status = from.status;
    if (from.status < 0) {
        void *own = slot.content;
        if (ctx->scopeowner) share_is(ctx, ctx->scopeowner, -from.status - 1, node, i);
        // A member that kept its own content is released with the scene;
        // unrecorded, it stays the copy's own, without the IS connection.
        if (slot.content == own && slot.sharedpart == 0 &&
            !vrml_scene_own(ctx, own, slot.memberclass, slot.type, false)) {
            slot.status = 0;
            vrml_problem_nomem(ctx, nullptr);
        }
        return;
    }
    if (slot.memberclass != VRML_EXPOSEDFIELD && slot.memberclass != VRML_FIELD) return;
    vrml_field *value = vrml_memberContentPtr(&from);
    if (!value) {
        vrml_problem(ctx, nullptr, 0, "NULL contents???");
        return;
    }
    vrml_field **handle = vrml_memberContentHandle(&slot);
    if (!handle || slot.type >= VRML_FIELDTYPE_COUNT) return;
    vrml_field *copy = vrml_dupfield[slot.type](ctx, value);
    if (!copy) return;  // the member keeps its creation value
    if (*handle) vrml_freefielddata[slot.type](*handle);
    *handle = copy;
}

// Removes the forwarding routes between owner and node from the owner's
// eventIn lists.
void drop_forwarding(vrml_node *owner, vrml_node *node) {
    for (int k = 0; k < owner->nodetemplate->membercount; ++k) {
        vrml_member &own = owner->members[k];
        vrml_eventin *event = nullptr;
        if (own.memberclass == VRML_EVENTIN) event = static_cast<vrml_eventin *>(own.content);
        else if (own.memberclass == VRML_EXPOSEDFIELD && own.content)
            event = static_cast<vrml_exposedfield *>(own.content)->eventin;
        if (!event) continue;
        for (vrml_listitem *it = event->routes.first, *next; it; it = next) {
            next = it->next;
            auto *route = static_cast<vrml_route *>(it->data);
            if (route && route->sourcenode != node && route->targetnode != node) continue;
            vrml_listdeleteitem(&event->routes, it);
            std::free(it);
            std::free(route);
        }
    }
}

// Gives the owner back what a copy that is being discarded shares with it.
void unshare(vrml_context *ctx, vrml_node *node) {
    vrml_node *owner = ctx->scopeowner;
    if (!owner) return;
    for (int i = 2; i < node->nodetemplate->membercount; ++i) {
        vrml_member &slot = node->members[i];
        if (slot.status >= 0 || slot.memberclass == VRML_EVENTIN) continue;
        auto *record = static_cast<vrml_exposedfield *>(slot.content);
        if (slot.sharedpart == 1 && record) record->eventin = nullptr;
        else if (slot.sharedpart == 2 && record) record->eventout = nullptr;
        else if (slot.sharedpart == 4 && record) record->holder = nullptr;
        else slot.content = nullptr;
    }
    drop_forwarding(owner, node);
}

vrml_node *copy_node(vrml_context *ctx, vrml_node *source, vrml_defentry *entry) {
    if (!source) return nullptr;
    vrml_stackguard(ctx, "vrml_dupnode");
    vrml_nodetemplate *t = vrml_gettemplateentry(ctx->templates, source->type);
    const bool instance = vrml_isprototype(t, source->type);
    vrml_node *node = instance ? vrml_createinstanceshell(ctx, source->type, entry)
                      : entry  ? vrml_createdefnode(ctx, source->type, entry)
                               : vrml_createnode(ctx, source->type);
    if (!node) return nullptr;
    int count = node->nodetemplate->membercount;
    if (source->nodetemplate && source->nodetemplate->membercount < count)
        count = source->nodetemplate->membercount;
    int first = 0;
    if (instance) {
        for (int i = 0; i < 2 && i < count; ++i) node->members[i].status = source->members[i].status;
        first = 2;
    }
    for (int i = first; i < count; ++i) copy_member(ctx, source, node, i);
    if (instance && !vrml_completeinstance(ctx, node)) {
        unshare(ctx, node);
        if (entry) entry->node = nullptr;
        vrml_discardnode(ctx, node);
        return nullptr;
    }
    return node;
}

// Releases the values and routes of p's member content that the EXTERNPROTO
// instance's content is about to replace.
void release_replaced(const vrml_member &slot) {
    int type = slot.type;
    auto release = [type](vrml_field *value) {
        if (value && type < VRML_FIELDTYPE_COUNT) vrml_freefielddata[type](value);
    };
    auto release_routes = [](vrml_list &routes) {
        for (vrml_listitem *it = routes.first, *next; it; it = next) {
            next = it->next;
            std::free(it->data);
            std::free(it);
        }
        routes = vrml_list{};
    };
    if (!slot.content) return;
    if (slot.memberclass == VRML_EVENTOUT) {
        auto *event = static_cast<vrml_eventout *>(slot.content);
        release(event->value);
        release_routes(event->routes);
    } else if (slot.memberclass == VRML_FIELD) {
        release(*static_cast<vrml_field **>(slot.content));
    } else if (slot.memberclass == VRML_EXPOSEDFIELD) {
        auto *record = static_cast<vrml_exposedfield *>(slot.content);
        if (record->holder) release(*record->holder);
        if (record->eventin) release(record->eventin->value);
        if (record->eventout) {
            release(record->eventout->value);
            release_routes(record->eventout->routes);
        }
    }
}

}  // namespace

extern "C" {

vrml_node *vrml_dupnode(vrml_context *ctx, vrml_node *source) {
    return copy_node(ctx, source, nullptr);
}

vrml_node *vrml_dupdefnode(vrml_context *ctx, vrml_node *source, vrml_defentry *entry) {
    return copy_node(ctx, source, entry);
}

int vrml_copymembercontent(vrml_member *source, vrml_member *target) {
    if (!in_class_range(source->memberclass)) return -1;
    void *from = source->content;
    void *to = target->content;
    if (!from || !to) return 0;
    switch (source->memberclass) {
    case VRML_EVENTOUT:
        *static_cast<vrml_eventout *>(to) = *static_cast<vrml_eventout *>(from);
        break;
    case VRML_EXPOSEDFIELD: {
        auto *s = static_cast<vrml_exposedfield *>(from);
        auto *t = static_cast<vrml_exposedfield *>(to);
        if (s->holder && t->holder) *t->holder = *s->holder;
        if (s->eventin && t->eventin) t->eventin->value = s->eventin->value;
        if (s->eventout && t->eventout) *t->eventout = *s->eventout;
        break;
    }
    case VRML_FIELD:
        *static_cast<vrml_field **>(to) = *static_cast<vrml_field **>(from);
        break;
    default:
        break;
    }
    return 0;
}

}  // extern "C"

namespace {

// Wires an eventIn pair both ways; the wired eventIns keep their own
// records, which the scene release no longer reaches through a negative
// status, so the scene records them.
int wire_eventins(vrml_context *ctx, vrml_node *ep, int i, vrml_node *p, int j) {
    if (vrml_addeventinroute(ctx, ep, i, p, j) < 0) {
        vrml_problem(ctx, nullptr, 0, "v_wp: Could not add vroute");
        return -3;
    }
    if (vrml_addeventinroute(ctx, p, j, ep, i) < 0) {
        vrml_problem(ctx, nullptr, 0, "v_wp: Could not add vroute2");
        return -4;
    }
    vrml_member &from = ep->members[i];
    vrml_member &to = p->members[j];
    if (from.status >= 0) {
        from.status = kVrmlWiredInstanceStatus;
        vrml_scene_own(ctx, from.content, from.memberclass, from.type, false);
    }
    if (to.status >= 0) {
        to.status = kVrmlWiredProtoStatus;
        vrml_scene_own(ctx, to.content, to.memberclass, to.type, false);
    }
    return 0;
}

// Who held the EXTERNPROTO instance's content of a member before wiring.
enum class wired_owner {
    kSlot,        // the slot itself (status >= 0, no shared part)
    kScene,       // the scene recorded it whole (negative status)
    kSceneShell,  // the scene recorded its structure; its values are another record's
    kShared,      // an enclosing instance shares it through IS (or nobody recorded it)
};

wired_owner owner_of(vrml_context *ctx, const vrml_member &from) {
    if (from.status >= 0 && from.sharedpart == 0) return wired_owner::kSlot;
    switch (vrml_scene_disown(ctx, from.content)) {
    case 1: return wired_owner::kScene;
    case 2: return wired_owner::kSceneShell;
    default: return wired_owner::kShared;
    }
}

// Releases what the instance's old content leaves once the PROTO's content
// takes its place (whole when the body moves, else its values are copied
// into the PROTO's records). True when the moved content then shares its
// values with another member's record.
bool release_replaced_content(vrml_member &from, vrml_member &to, void *old, bool whole,
                              wired_owner owner) {
    const bool owned = owner == wired_owner::kSlot || owner == wired_owner::kScene;
    if (whole) {
        if (owned) vrml_freeuclass(from.memberclass, from.type, old);
        else if (owner == wired_owner::kSceneShell) vrml_free_contentshell(from.memberclass, old, 0);
        else if (from.sharedpart != 0) vrml_free_sharedmember(&from);
        return false;
    }
    release_replaced(to);
    vrml_copymembercontent(&from, &to);
    // The values moved on: what is left of old is its structure.
    if (owned || owner == wired_owner::kSceneShell) {
        vrml_free_contentshell(from.memberclass, old, 0);
        return owner == wired_owner::kSceneShell;
    }
    if (from.sharedpart != 0) {
        vrml_free_contentshell(from.memberclass, old, from.sharedpart);
        return false;
    }
    return true;
}

// A slot with a negative status is not released through: the scene keeps
// what it now holds, the whole record or, where its values are another
// record's, the structure (for a shared-part mark, the part the mark leaves
// alone).
void record_moved(vrml_context *ctx, const vrml_member &from, void *moved, bool aliased) {
    if (from.status >= 0 || !moved) return;
    if (from.sharedpart == 0) {
        vrml_scene_own(ctx, moved, from.memberclass, from.type, aliased);
        return;
    }
    auto *record = static_cast<vrml_exposedfield *>(moved);
    if (from.sharedpart == kVrmlPartEventIn)
        vrml_scene_own(ctx, record->eventin, VRML_EVENTIN, from.type, true);
    else if (from.sharedpart == kVrmlPartEventOut)
        vrml_scene_own(ctx, record->eventout, VRML_EVENTOUT, from.type, true);
    else if (from.sharedpart == kVrmlPartHolder)
        vrml_scene_own(ctx, record->holder, VRML_FIELD, from.type, true);
}

}  // namespace

extern "C" {

int vrml_wiremember(vrml_context *ctx, vrml_node *ep, vrml_node *p, int i) {
    const char *name = ep->nodetemplate->members[i].name;
    int j = name ? vrml_findnodetemplatefieldidx(p->nodetemplate, name) : -1;
    if (j < 0) {
        vrml_problem(ctx, nullptr, 0, "v_wm: Did not find field: %s", name ? name : "");
        return -1;
    }
    vrml_notice(ctx, nullptr, 0, "v_wm: FOUND find field: %s", name);
    vrml_member &from = ep->members[i];
    vrml_member &to = p->members[j];
    if (from.memberclass != to.memberclass) {
        vrml_problem(ctx, nullptr, 0, "v_wm: types dont match: %d %d", to.memberclass, from.memberclass);
        return -2;
    }
    if (from.type != to.type) {  // records of two field types never share
        vrml_problem(ctx, nullptr, 0, "v_wm: types dont match: %d %d", to.type, from.type);
        return -2;
    }
    if (from.memberclass == VRML_EVENTIN) return wire_eventins(ctx, ep, i, p, j);
    // The EXTERNPROTO instance's own content is released where nothing else
    // holds it; a part shared with an enclosing instance through IS stays.
    void *old = from.content;
    void *moved = to.content;
    vrml_scene_disown(ctx, moved);
    const wired_owner owner = owner_of(ctx, from);
    const char *target = p->nodetemplate->members[j].name;
    const bool whole = !moved || (target && std::strcmp(target, "#baseclass") == 0);
    const bool aliased = release_replaced_content(from, to, old, whole, owner);
    from.content = moved;
    to.content = nullptr;
    record_moved(ctx, from, moved, aliased);
    return 0;
}

ZEBVRML2_API void *vrml_wireEPtoP(vrml_context *ctx, vrml_externproto *ext) {
    if (!ctx || !ext) return nullptr;
    // Instances made while wiring (an EXTERNPROTO implemented by itself)
    // are not wired in the same call.
    int pending = ext->pending.count;
    vrml_listitem *it = ext->pending.first;
    for (int n = 0; n < pending && it; ++n, it = it->next) {
        auto *ep = static_cast<vrml_node *>(it->data);
        vrml_node *p = ep ? vrml_createnode(ctx, ext->implementation) : nullptr;
        if (!p) continue;
        for (int i = 0; i < ep->nodetemplate->membercount; ++i) vrml_wiremember(ctx, ep, p, i);
    }
    return nullptr;
}

}  // extern "C"
