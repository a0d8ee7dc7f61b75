// Indexes beside position-addressed lists (see list_index.h).
#include "scopes/list_index.h"

#include <cstdlib>
#include <cstring>

#include "loader/memory.h"
#include "vrml_scopes.h"

namespace {

const char *entry_name(const vrml_listitem *item) {
    auto *entry = static_cast<const vrml_defentry *>(item->data);
    return entry ? entry->name : nullptr;
}

bool append(vrml_listindex *x, vrml_listitem *item) {
    if (x->built == x->capacity) {
        int32_t capacity = x->capacity ? x->capacity * 2 : 64;
        if (capacity < x->capacity) return false;
        auto *items = static_cast<vrml_listitem **>(
            vrml_malloc_array(static_cast<size_t>(capacity), sizeof(vrml_listitem *)));
        if (!items) return false;
        if (x->built) std::memcpy(items, x->items, sizeof(vrml_listitem *) * static_cast<size_t>(x->built));
        std::free(x->items);
        x->items = items;
        x->capacity = capacity;
    }
    if (x->names) {
        const char *name = entry_name(item);
        if (name && !vrml_namehash_put(&x->hash, name, vrml_namehash_of(name), x->built, true))
            return false;
    }
    x->items[x->built++] = item;
    return true;
}

void remember(vrml_listindex *x, const vrml_list *list) {
    x->seencount = list->count;
    x->seenfirst = list->first;
    x->seenlast = list->last;
    x->seenlastdata = list->last ? list->last->data : nullptr;
    x->valid = true;
}

bool rebuild(vrml_listindex *x, const vrml_list *list) {
    x->built = 0;
    vrml_namehash_clear(&x->hash);
    for (vrml_listitem *it = list->first; it; it = it->next)
        if (!append(x, it)) return false;
    remember(x, list);
    return true;
}

// Brings the index up to date with list; false when memory ran out (the
// caller then walks the list itself).
bool sync(vrml_listindex *x, const vrml_list *list) {
    if (x->valid && x->seencount == list->count && x->seenfirst == list->first &&
        x->seenlast == list->last && (!list->last || list->last->data == x->seenlastdata))
        return true;
    bool ok;
    if (x->valid && x->built > 0 && x->built == x->seencount && list->count > x->seencount &&
        list->first == x->seenfirst) {
        // Grown at the tail? Walk back over the new items (all live) and
        // check that the one before them is the old last item, unchanged.
        vrml_listitem *p = list->last;
        for (int32_t k = list->count - x->seencount; p && k > 1; --k) p = p->previous;
        if (p && p->previous == x->seenlast && p->previous->data == x->seenlastdata) {
            ok = true;
            for (vrml_listitem *it = p; it && ok; it = it->next) ok = append(x, it);
            if (ok) remember(x, list);
        } else {
            ok = rebuild(x, list);
        }
    } else {
        ok = rebuild(x, list);
    }
    if (!ok) x->valid = false;
    return ok;
}

vrml_listindex *get(void **index, bool names) {
    auto *x = static_cast<vrml_listindex *>(*index);
    if (!x) {
        x = static_cast<vrml_listindex *>(vrml_malloc(sizeof(vrml_listindex)));
        if (!x) return nullptr;
        x->names = names;
        *index = x;
    }
    return x;
}

}  // namespace

vrml_listitem *vrml_listindex_item(void **index, vrml_list *list, int pos, bool names) {
    if (pos < 0) return nullptr;
    vrml_listindex *x = get(index, names);
    if (x && sync(x, list)) return pos < x->built ? x->items[pos] : nullptr;
    vrml_listitem *it = list->first;
    for (; it && pos > 0; --pos) it = it->next;
    return it;
}

int vrml_listindex_findname(void **index, vrml_list *list, const char *name) {
    vrml_listindex *x = get(index, true);
    if (x && x->names && sync(x, list)) return vrml_namehash_get(&x->hash, name, vrml_namehash_of(name));
    int found = -1, pos = 0;
    for (vrml_listitem *it = list->first; it; it = it->next, ++pos) {
        const char *n = entry_name(it);
        if (n && std::strcmp(n, name) == 0) found = pos;
    }
    return found;
}

void vrml_listindex_release(void **index) {
    auto *x = static_cast<vrml_listindex *>(*index);
    if (!x) return;
    vrml_namehash_release(&x->hash);
    std::free(x->items);
    std::free(x);
    *index = nullptr;
}
