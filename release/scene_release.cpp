// The release of a whole scene in its fixed order, and the unload of
// everything a loaded context holds.
#include <cstdlib>
#include <initializer_list>

#include "fields/field_internal.h"
#include "loader/context_private.h"
#include "nodes/node_internal.h"
#include "release/release_internal.h"
#include "scopes/scope_internal.h"
#include "vrml_native.h"
#include "platform/second_name.h"

namespace {

// Frees every item of list (not their data) and empties it.
void free_items(vrml_list *list) {
    for (vrml_listitem *it = list->first, *next; it; it = next) {
        next = it->next;
        std::free(it);
    }
    vrml_resetlist(list);
}

void free_value(int type, vrml_field *value) {
    if (value && type >= 0 && type < VRML_FIELDTYPE_COUNT) vrml_freefielddata[type](value);
}

// A declared template: its members' defaults and names, the member array,
// its name and the record.
void free_declaredtemplate(vrml_nodetemplate *t) {
    if (!t) return;
    if (t->members) {
        for (int i = 0; i < t->membercount; ++i) {
            vrml_fieldtemplate &m = t->members[i];
            free_value(m.type, m.defaultvalue);
            std::free(m.name);
        }
        std::free(t->members);
    }
    std::free(t->name);
    std::free(t);
}

void free_externproto(vrml_externproto *ext) {
    if (!ext) return;
    vrml_freefielddata[VRML_MFSTRING](ext->url);
    std::free(ext->location);
    free_items(&ext->pending);
    std::free(ext);
}

}  // namespace

extern "C" {

void vrml_free_nodenatives(vrml_context *ctx, vrml_node *node) {
    vrnrt_native **natives = node->natives;
    if (!natives) return;
    for (vrnrt_native **slot = natives; *slot; ++slot) {
        vrnrt_calldestructor(ctx, node, *slot);
        std::free((*slot)->object);
        std::free(*slot);
        *slot = nullptr;
    }
    std::free(natives);
    node->natives = nullptr;
}

void vrml_free_sharedmember(vrml_member *slot) {
    auto *record = static_cast<vrml_exposedfield *>(slot->content);
    if (!record) return;
    const int type = slot->type;
    switch (slot->sharedpart) {
    case kVrmlPartEventIn:
        vrml_free_field(type, record->holder);
        vrml_free_eventout(type, record->eventout);
        break;
    case kVrmlPartEventOut:
        vrml_free_field(type, record->holder);
        vrml_free_eventin(type, record->eventin);
        break;
    case kVrmlPartHolder:
        vrml_free_eventout(type, record->eventout);
        vrml_free_eventin(type, record->eventin);
        break;
    default: return;
    }
    std::free(record);
}

void vrml_free_nodemembers(vrml_node *node) {
    const int count = node->nodetemplate ? node->nodetemplate->membercount : 0;
    for (int i = 0; i < count; ++i) {
        vrml_member &slot = node->members[i];
        if (slot.status < 0) {
            vrml_free_sharedmember(&slot);
        } else if (slot.content) {
            vrml_freeuclass(slot.memberclass, slot.type, slot.content);
            slot.content = nullptr;
        }
    }
}

void vrml_free_node(vrml_context *ctx, vrml_node *node) {
    if (!node) return;
    vrml_free_nodenatives(ctx, node);
    vrml_free_nodemembers(node);
    std::free(node);
}

}  // extern "C"

namespace {

// A DEF table; the names too when names is set.
void free_deftable(vrml_deftable *table, bool names) {
    for (vrml_listitem *it = table->defs.first, *next; it; it = next) {
        next = it->next;
        if (auto *entry = static_cast<vrml_defentry *>(it->data)) {
            if (names) {
                std::free(entry->name);
                entry->name = nullptr;
            }
            std::free(entry);
        }
        std::free(it);
    }
    for (vrml_listitem *it = table->routes.first, *next; it; it = next) {
        next = it->next;
        std::free(it->data);
        std::free(it);
    }
    vrml_deftable_releaseindex(table);
    std::free(table);
}

}  // namespace

extern "C" {

void vrml_free_deftable(vrml_scope *scope, vrml_deftable *table) {
    free_deftable(table, !scope->owner);
}

void vrml_free_declaredscopes(vrml_context *ctx) {
    for (vrml_listitem *it = ctx->declaredscopes.first, *next; it; it = next) {
        next = it->next;
        auto *scope = static_cast<vrml_scope *>(it->data);
        if (scope && scope->templates) {
            vrml_templatetable *table = scope->templates;
            for (int id = VRML_BUILTIN_COUNT; id < table->count && id < VRML_TEMPLATE_SLOTS; ++id) {
                if (!vrml_istemplatealias(table, id)) free_declaredtemplate(table->templates[id]);
                table->templates[id] = nullptr;
            }
            vrml_templatetable_releaseindex(table);
            std::free(table);
            scope->templates = nullptr;
            if (scope->deftable) vrml_free_deftable(scope, scope->deftable);
            scope->deftable = nullptr;
            std::free(scope);
        }
        std::free(it);
    }
    vrml_resetlist(&ctx->declaredscopes);
}

void vrml_free_instancescopes(vrml_context *ctx) {
    for (vrml_listitem *it = ctx->instancescopes.first, *next; it; it = next) {
        next = it->next;
        auto *scope = static_cast<vrml_scope *>(it->data);
        if (scope && scope->templates) {
            // An instance scope shares its names with the scope it was
            // copied from, even one a host copied from scope 0 (no owner).
            if (scope->deftable) free_deftable(scope->deftable, false);
            scope->deftable = nullptr;
            std::free(scope);
        }
        std::free(it);
    }
    vrml_resetlist(&ctx->instancescopes);
}

ZEBVRML2_API void vrml_free_scene(vrml_context *ctx) {
    if (!ctx) return;
    // Noted first, so that vrmlutil_unloadscene releases only what is left
    // (the context's fields keep their values).
    if (vrml_contextprivate *record = vrml_context_private(ctx, true)) record->scenefreed = true;
    // 1. Every node, in creation order.
    for (vrml_listitem *it = ctx->allnodes.first, *next; it; it = next) {
        next = it->next;
        vrml_free_node(ctx, static_cast<vrml_node *>(it->data));
        it->data = nullptr;
        std::free(it);
    }
    vrml_resetlist(&ctx->allnodes);
    // 2 to 4. Declaration scopes, instance scopes, the scope list.
    vrml_free_declaredscopes(ctx);
    vrml_free_instancescopes(ctx);
    free_items(&ctx->scopes);
    vrml_context_releasescopeindex(ctx);
    // 5 to 8. The per-type node lists; auxlist owns its blocks.
    for (vrml_list *list : {&ctx->viewpoints, &ctx->fogs, &ctx->navigationinfos, &ctx->backgrounds,
                            &ctx->imagetextures, &ctx->timesensors, &ctx->proximitysensors})
        free_items(list);
    for (vrml_listitem *it = ctx->auxlist.first; it; it = it->next) std::free(it->data);
    free_items(&ctx->auxlist);
    for (vrml_list *list : {&ctx->netobjects, &ctx->avatars, &ctx->netvalues, &ctx->nettriggers})
        free_items(list);
    // 9. The root list record (the field keeps its value).
    vrml_free_MFNode(reinterpret_cast<vrml_field *>(ctx->root));
    // 10. The runtime context: the remaining unload callbacks run here.
    vrnrt_deletepc(reinterpret_cast<uintptr_t>(ctx));
}

VRML_SECOND_NAME(void, vrml_free_sceneshutdown, (vrml_context *ctx), vrml_free_scene, (ctx))

void vrml_free_sceneremains(vrml_context *ctx) {
    if (!ctx) return;
    vrml_scene_releaseowned(ctx);
    for (vrml_listitem *it = ctx->externprotos.first; it; it = it->next)
        free_externproto(static_cast<vrml_externproto *>(it->data));
    free_items(&ctx->externprotos);
    vrml_context_releasescopeindex(ctx);
    std::free(ctx);
}

ZEBVRML2_API void vrmlutil_unloadscene(vrml_context *ctx) {
    if (!ctx) return;
    const vrml_contextprivate *record = vrml_context_private(ctx, false);
    if (!record || !record->scenefreed) vrml_free_scene(ctx);
    vrml_free_sceneremains(ctx);
}

}  // extern "C"
