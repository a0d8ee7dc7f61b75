// Runtime contexts and their process-wide registry, plug-in libraries and
// their ids, loading and unloading of plug-in node entries, and the position
// table.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "loader/report.h"
#include "platform/sync.h"
#include "vrml_native.h"

namespace {

// The registry of runtime contexts (vrnrt_pcentry records). Only the
// semaphore's holder reads or changes it.
vrnrt_list g_registry;

// The registry's semaphore, made once (thread-safe) on first use and never
// closed; null only when the system could not make one, and then the
// registry stays empty.
vrml_semaphore *registry_semaphore() {
    static vrml_semaphore *const sem = [] {
        g_registry = vrnrt_list{};
        return vrml_semaphore_create();
    }();
    return sem;
}

// The registry record of the first context created by threadid (by_thread)
// or the first context whose key is key; null when there is none. The
// caller holds the semaphore.
vrml_listitem *find_record(bool by_thread, uintptr_t key, uint32_t threadid) {
    for (vrml_listitem *it = g_registry.head; it; it = it->next) {
        auto *record = static_cast<vrnrt_pcentry *>(it->data);
        if (!record) continue;
        if (by_thread ? record->threadid == threadid : record->pc && record->pc->key == key)
            return it;
    }
    return nullptr;
}

bool valid_name(const char *name) {
    return name && std::strlen(name) < VRNRT_LIBNAME_SIZE;
}

bool same_name(const char *a, const char *b) { return a && b && std::strcmp(a, b) == 0; }

void free_items(vrnrt_list *list, bool with_data) {
    while (vrml_listitem *item = vrnrt_listpop(list)) {
        if (with_data) std::free(item->data);
        std::free(item);
    }
}

// Removes name's entries from one entry list, calling their unload
// callbacks in list order; the other entries keep their order.
void unload_from_list(vrnrt_list *list, const char *name) {
    vrnrt_list removed{};
    vrnrt_list kept{};
    while (vrml_listitem *item = vrnrt_listpop(list)) {
        auto *entry = static_cast<vrnrt_pluginentry *>(item->data);
        vrnrt_listenq(entry && same_name(entry->name, name) ? &removed : &kept, item);
    }
    while (vrml_listitem *item = vrnrt_listpop(&removed)) {
        auto *entry = static_cast<vrnrt_pluginentry *>(item->data);
        if (entry->entry) {
            if (entry->entry->unload) entry->entry->unload(entry->entry->param);
            std::free(entry->entry);
        }
        std::free(entry);
        std::free(item);
    }
    while (vrml_listitem *item = vrnrt_listpop(&kept)) vrnrt_listenq(list, item);
}

void unload_from_all(vrnrt_pc *pc, const char *name) {
    for (vrnrt_list &list : pc->entries) unload_from_list(&list, name);
}

// The library record's own copy of its name, which lives as long as the
// runtime context: plug-in entries name their library by it.
const char *library_name(vrnrt_pc *pc, int libid) {
    for (vrml_listitem *it = pc ? pc->libraries.head : nullptr; it; it = it->next) {
        auto *lib = static_cast<vrnrt_lib *>(it->data);
        if (lib && lib->libid == libid) return lib->name;
    }
    return nullptr;
}

// Adds a copy of *entry for type, made by library libid under name. Nothing
// happens when memory runs out.
void add_entry(vrnrt_pc *pc, int type, const char *name, int libid, const vrnrt_nodeentry *entry) {
    auto *copy = static_cast<vrnrt_nodeentry *>(vrnrt_malloc(sizeof(vrnrt_nodeentry)));
    auto *plugin = static_cast<vrnrt_pluginentry *>(vrnrt_malloc(sizeof(vrnrt_pluginentry)));
    if (copy && plugin) {
        *copy = *entry;
        *plugin = vrnrt_pluginentry{name, copy, libid};
        if (vrnrt_pc_sortlistappend(&pc->entries[type], plugin) == 0) return;
    }
    std::free(copy);
    std::free(plugin);
}

}  // namespace

extern "C" {

ZEBVRML2_API vrnrt_pc *vrnrt_getpc(uintptr_t key) {
    vrml_semaphore *sem = registry_semaphore();
    if (!sem) return nullptr;
    vrml_semaphore_take(sem);
    vrml_listitem *item = find_record(false, key, 0);
    vrnrt_pc *pc = item ? static_cast<vrnrt_pcentry *>(item->data)->pc : nullptr;
    vrml_semaphore_give(sem);
    return pc;
}

ZEBVRML2_API vrnrt_pc *vrnrt_createpc(uintptr_t key) {
    vrml_semaphore *sem = registry_semaphore();
    if (!sem) return nullptr;
    if (vrnrt_pc *pc = vrnrt_getpc(key)) return pc;
    auto *pc = static_cast<vrnrt_pc *>(vrnrt_malloc(sizeof(vrnrt_pc)));
    auto *record = static_cast<vrnrt_pcentry *>(vrml_malloc(sizeof(vrnrt_pcentry)));
    if (!pc || !record) {
        std::free(pc);
        std::free(record);
        return nullptr;
    }
    pc->key = key;
    record->threadid = vrml_current_threadid();
    record->pc = pc;
    vrml_semaphore_take(sem);
    int appended = vrnrt_listappend(&g_registry, record);
    vrml_semaphore_give(sem);
    if (appended != 0) {
        std::free(pc);
        std::free(record);
        return nullptr;
    }
    vrml_notice(nullptr, nullptr, 0, "vrnrt_addpc:  Added pc from threadid %d",
                static_cast<int>(record->threadid));
    return pc;
}

ZEBVRML2_API void vrnrt_deletepc(uintptr_t key) {
    vrnrt_unloadallplugins(key);
    vrnrt_pc *pc = vrnrt_getpc(key);
    if (!pc) return;
    vrml_semaphore *sem = registry_semaphore();
    vrml_semaphore_take(sem);
    vrml_listitem *item = nullptr;
    for (vrml_listitem *it = g_registry.head; it && !item; it = it->next)
        if (it->data && static_cast<vrnrt_pcentry *>(it->data)->pc == pc) item = it;
    if (!item) {
        vrml_semaphore_give(sem);
        return;
    }
    vrnrt_listdeleteitem(&g_registry, item);
    std::free(item->data);
    std::free(item);
    free_items(&pc->libraries, true);
    free_items(&pc->pending, true);
    std::free(pc);
    vrml_semaphore_give(sem);
}

ZEBVRML2_API int vrnrt_findlib(uintptr_t key, const char *name) {
    vrnrt_pc *pc = vrnrt_getpc(key);
    if (!pc || !name) return -1;
    for (vrml_listitem *it = pc->libraries.head; it; it = it->next) {
        auto *lib = static_cast<vrnrt_lib *>(it->data);
        if (lib && std::strcmp(lib->name, name) == 0) return lib->libid;
    }
    return -1;
}

ZEBVRML2_API int vrnrt_registerlib(uintptr_t key, const char *name) {
    vrnrt_pc *pc = vrnrt_getpc(key);
    if (!pc || !valid_name(name)) return -1;
    int found = vrnrt_findlib(key, name);
    if (found >= 0) return found;
    if (pc->lastlibid >= VRNRT_LIBSLOTS - 1) return -1;
    auto *lib = static_cast<vrnrt_lib *>(vrnrt_malloc(sizeof(vrnrt_lib)));
    if (!lib) return -1;
    std::strcpy(lib->name, name);
    lib->libid = pc->lastlibid + 1;
    if (vrnrt_listappend(&pc->libraries, lib) != 0) {
        std::free(lib);
        return -1;
    }
    pc->lastlibid = lib->libid;
    vrml_notice(nullptr, nullptr, 0, "vrnrt_registerlib:  Registering unique library %s id %d",
                name, lib->libid);
    return lib->libid;
}

ZEBVRML2_API int vrnrt_loadplugin(uintptr_t key, const char *name, int count,
                                  const vrnrt_nodeentry *entries) {
    if (count > VRNRT_NODETYPES || (count > 0 && !entries)) return -1;
    int libid = vrnrt_registerlib(key, name);
    if (libid < 0 || count <= 0) return libid;
    vrnrt_pc *pc = vrnrt_getpc(key);
    const char *libname = library_name(pc, libid);
    if (!libname) return libid;
    for (int i = 0; i < count; ++i) add_entry(pc, i, libname, libid, &entries[i]);
    return libid;
}

ZEBVRML2_API int vrnrt_loadplugin_nodeentry(uintptr_t key, const char *name, int type,
                                            const vrnrt_nodeentry *entry) {
    if (type < 0 || type >= VRNRT_NODETYPES || !entry) return -1;
    int libid = vrnrt_registerlib(key, name);
    if (libid < 0) return libid;
    add_entry(vrnrt_getpc(key), type, name, libid, entry);
    return libid;
}

ZEBVRML2_API int vrnrt_unloadplugin(uintptr_t key, const char *name) {
    vrnrt_pc *pc = vrnrt_getpc(key);
    if (pc) unload_from_all(pc, name);
    return 0;
}

ZEBVRML2_API int vrnrt_unloadpluginbyid(uint32_t threadid, const char *name) {
    vrml_semaphore *sem = registry_semaphore();
    if (!sem) return 0;
    vrml_semaphore_take(sem);
    vrml_listitem *item = find_record(true, 0, threadid);
    vrnrt_pc *pc = item ? static_cast<vrnrt_pcentry *>(item->data)->pc : nullptr;
    vrml_semaphore_give(sem);
    if (pc) unload_from_all(pc, name);
    return 0;
}

ZEBVRML2_API int vrnrt_unloadallplugins(uintptr_t key) {
    vrnrt_pc *pc = vrnrt_getpc(key);
    if (!pc) return 0;
    for (vrml_listitem *it = pc->libraries.head; it; it = it->next)
        if (it->data) unload_from_all(pc, static_cast<vrnrt_lib *>(it->data)->name);
    return 0;
}

ZEBVRML2_API vrnrt_pluginentry *vrnrt_getnodeentry(vrnrt_pc *pc, int type, int libid) {
    if (!pc || type < 0 || type >= VRNRT_NODETYPES) return nullptr;
    for (vrml_listitem *it = pc->entries[type].head; it; it = it->next) {
        auto *entry = static_cast<vrnrt_pluginentry *>(it->data);
        if (entry && entry->libid == libid) return entry;
    }
    return nullptr;
}

ZEBVRML2_API intptr_t vrnrt_getnativenodeparam(uintptr_t key, int type, int libid) {
    if (libid < 0) return 0;
    vrnrt_pluginentry *entry = vrnrt_getnodeentry(vrnrt_getpc(key), type, libid);
    return entry && entry->entry ? entry->entry->param : 0;
}

ZEBVRML2_API void vrnrt_finalizeplugins(uintptr_t key) {
    if (key == 0) return;
    vrnrt_pc *pc = vrnrt_getpc(key);
    if (!pc) return;
    for (int type = 0; type < VRNRT_NODETYPES; ++type) {
        int32_t position = 0;
        for (vrml_listitem *it = pc->entries[type].head; it; it = it->next, ++position) {
            auto *entry = static_cast<vrnrt_pluginentry *>(it->data);
            if (entry && entry->libid >= 0 && entry->libid < VRNRT_LIBSLOTS)
                pc->positions[type][entry->libid] = position;
        }
    }
}

}  // extern "C"
