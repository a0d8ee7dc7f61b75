// Native instances on nodes: construction, queued initial updates,
// traversal, destruction and the lookup of a library's object on a node.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "loader/memory.h"
#include "loader/report.h"
#include "native/native_internal.h"
#include "vrml_native.h"
#include "vrml_nodes.h"
#include "vrml_scopes.h"

namespace {

uintptr_t key_of(const vrml_context *ctx) { return reinterpret_cast<uintptr_t>(ctx); }

// The row of the runtime's tables that serves node: its own type for
// built-in types, the built-in Script type for a Script node, else -1.
int native_type(const vrml_node *node) {
    if (node->type >= 0 && node->type < VRNRT_NODETYPES) return node->type;
    const vrml_nodetemplate *t = node->nodetemplate;
    if (node->type >= VRNRT_NODETYPES && t && t->name && std::strcmp(t->name, "Script") == 0)
        return VRML_BUILTIN_SCRIPT;
    return -1;
}

// Word i of the host's event record.
intptr_t event_word(const void *event, int i) {
    intptr_t word;
    std::memcpy(&word, static_cast<const char *>(event) + i * sizeof(intptr_t), sizeof word);
    return word;
}

}  // namespace

void vrml_nativeconstruct(vrml_context *ctx, vrml_node *node, int type) {
    vrml_runconstructor(ctx, node, type);
    vrnrt_newnativenode(ctx, node, type);
}

extern "C" {

ZEBVRML2_API void vrnrt_newnativenode(vrml_context *ctx, vrml_node *node, int type) {
    if (!node || type < 0 || type >= VRNRT_NODETYPES) return;
    vrnrt_callinfo info{};
    info.reason = VRNRT_CONSTRUCT;
    info.node = node;
    vrnrt_pc *pc = vrnrt_getpc(key_of(ctx));
    if (!pc || !pc->entries[type].head) return;
    size_t n = 0;
    for (vrml_listitem *it = pc->entries[type].head; it; it = it->next) ++n;
    auto **natives = static_cast<vrnrt_native **>(vrml_malloc_array(n + 1, sizeof(vrnrt_native *)));
    node->natives = natives;
    if (!natives) return;
    size_t used = 0;
    for (vrml_listitem *it = pc->entries[type].head; it; it = it->next) {
        auto *plugin = static_cast<const vrnrt_pluginentry *>(it->data);
        vrnrt_native *native = vrnrt_createnativenode(plugin);
        if (!native) {
            vrml_problem(ctx, nullptr, 0, "v_nnn: could not create native");
            continue;
        }
        const vrnrt_nodeentry &e = *plugin->entry;
        info.object = native->object;
        info.param = native->param;
        if (e.construct) e.construct(&info);
        natives[used++] = native;
        if (e.initialupdate) {
            vrnrt_pendinginit *init = vrnrt_createinit(node, native->object, native->param, e.initialupdate);
            if (init && vrnrt_listappend(&pc->pending, init) != 0) std::free(init);
        }
    }
    natives[used] = nullptr;
}

ZEBVRML2_API void vrnrt_native_traverser(void *event) {
    if (!event) return;
    auto *route = reinterpret_cast<vrml_route *>(event_word(event, 0));
    vrml_node *node = route ? route->targetnode : nullptr;
    if (!node || !node->natives || !node->natives[0]) return;
    vrnrt_callinfo info{};
    info.reason = VRNRT_TRAVERSE;
    info.node = node;
    info.event = event;
    info.eventword2 = event_word(event, 2);
    info.eventword3 = event_word(event, 3);
    for (vrnrt_native **slot = node->natives; *slot; ++slot) {
        info.object = (*slot)->object;
        info.param = (*slot)->param;
        if ((*slot)->traverse) (*slot)->traverse(&info);
    }
}

ZEBVRML2_API void vrnrt_calldestructor(vrml_context *ctx, vrml_node *node, vrnrt_native *native) {
    if (!ctx || !node || !native) return;
    vrnrt_pc *pc = vrnrt_getpc(key_of(ctx));
    if (!pc) return;
    int type = native_type(node);
    if (type < 0) return;
    vrnrt_pluginentry *plugin = vrnrt_getnodeentry(pc, type, native->libid);
    if (!plugin || !plugin->entry || !plugin->entry->destruct) return;
    vrnrt_callinfo info{};
    info.reason = VRNRT_DESTRUCT;
    info.node = node;
    info.object = native->object;
    info.param = plugin->entry->param;
    plugin->entry->destruct(&info);
}

ZEBVRML2_API void *vrnrt_getnativenode(vrml_node *node, int libid) {
    if (!node || libid < 0 || libid >= VRNRT_LIBSLOTS || !node->natives) return nullptr;
    vrnrt_pc *pc = vrnrt_getpc(key_of(node->context));
    int type = native_type(node);
    if (!pc || type < 0) return nullptr;
    int32_t position = pc->positions[type][libid];
    if (position < 0) return nullptr;
    for (int32_t i = 0; i < position; ++i)
        if (!node->natives[i]) return nullptr;
    vrnrt_native *native = node->natives[position];
    return native && native->libid == libid ? native->object : nullptr;
}

}  // extern "C"
