// The scene's runtime context, the natives made from plug-in entries and
// the queue of initial updates.
#include <cstdint>
#include <cstdlib>

#include "vrml_native.h"

extern "C" {

ZEBVRML2_API vrnrt_pc *vrml_nativeinit(vrml_context *ctx) {
    return vrnrt_createpc(reinterpret_cast<uintptr_t>(ctx));
}

ZEBVRML2_API vrnrt_native *vrnrt_createnativenode(const vrnrt_pluginentry *entry) {
    if (!entry || !entry->entry) return nullptr;
    auto *native = static_cast<vrnrt_native *>(vrml_malloc(sizeof(vrnrt_native)));
    if (!native) return nullptr;
    const vrnrt_nodeentry &e = *entry->entry;
    if (e.size != 0) {
        native->object = vrml_malloc(e.size);
        if (!native->object) {
            std::free(native);
            return nullptr;
        }
    }
    native->param = e.param;
    native->priority = e.priority;
    native->libid = entry->libid;
    native->traverse = e.traverse;
    return native;
}

ZEBVRML2_API vrnrt_pendinginit *vrnrt_createinit(vrml_node *node, void *object, intptr_t param,
                                                 vrnrt_callback callback) {
    auto *init = static_cast<vrnrt_pendinginit *>(vrnrt_malloc(sizeof(vrnrt_pendinginit)));
    if (!init) return nullptr;
    init->info.reason = VRNRT_INITIALUPDATE;
    init->info.node = node;
    init->info.object = object;
    init->info.param = param;
    init->callback = callback;
    return init;
}

ZEBVRML2_API void vrnrt_oninitialupdate(vrml_context *ctx) {
    vrnrt_pc *pc = vrnrt_getpc(reinterpret_cast<uintptr_t>(ctx));
    if (!pc) return;
    while (vrml_listitem *item = vrnrt_listpop(&pc->pending)) {
        auto *init = static_cast<vrnrt_pendinginit *>(item->data);
        if (init && init->callback) init->callback(&init->info);
        std::free(init);
        std::free(item);
    }
}

ZEBVRML2_API void vrnrt_finalizenodes(uintptr_t key) { (void)vrnrt_getpc(key); }

}  // extern "C"
