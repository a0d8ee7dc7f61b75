// Indexes beside position-addressed lists (see list_index.h).
#include "scopes/list_index.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "loader/memory.h"
#include "loader/side_records.h"
#include "vrml_scopes.h"

namespace {

// The indexes alive in the process: while there are none, a removal looks
// nothing up.
std::atomic<int32_t> g_liveindexes{0};

const char *entry_name(const vrml_listitem *item) {
    auto *entry = static_cast<const vrml_defentry *>(item->data);
    return entry ? entry->name : nullptr;
}

const char *name_at(const void *owner, int32_t pos) {
    return static_cast<const vrml_listindex *>(owner)->names[pos];
}

// Grows an array of pointers to capacity; false (array unchanged) when
// memory runs out.
template <typename T>
bool grow(T **array, int32_t used, int32_t capacity) {
    auto *bigger = static_cast<T *>(vrml_malloc_array(static_cast<size_t>(capacity), sizeof(T)));
    if (!bigger) return false;
    if (used) std::memcpy(bigger, *array, sizeof(T) * static_cast<size_t>(used));
    std::free(*array);
    *array = bigger;
    return true;
}

// Makes room for more positions (and names) at once.
bool reserve(vrml_listindex *x, int32_t more) {
    if (more > INT32_MAX - x->built) return false;
    int32_t want = x->built + more;
    if (want > x->capacity) {
        int32_t capacity = x->capacity ? x->capacity : 64;
        while (capacity < want) capacity = capacity > INT32_MAX / 2 ? INT32_MAX : capacity * 2;
        if (!grow(&x->items, x->built, capacity) ||
            (x->withnames && !grow(&x->names, x->built, capacity)))
            return false;
        x->capacity = capacity;
    }
    return !x->withnames || vrml_namehash_reserve(&x->hash, static_cast<uint32_t>(more));
}

// Indexes the items from first on, count of them by the list's own count
// (the list's tail). That count is the host's to change: room is made for at
// most a million items at once, and more items than counted still go in.
// The names' slots are fetched a few items ahead so that their cache misses
// overlap instead of following one another.
bool append(vrml_listindex *x, vrml_listitem *first, int32_t count) {
    constexpr int32_t kMostAtOnce = 1 << 20;
    if (!reserve(x, count < kMostAtOnce ? count : kMostAtOnce)) return false;
    constexpr int32_t kAhead = 8, kRing = 16;  // kRing > kAhead, a power of two
    uint32_t hashes[kRing];
    vrml_listitem *ahead = first;
    int32_t fetched = 0, i = 0;
    for (vrml_listitem *it = first; it; it = it->next, ++i) {
        if (x->built == x->capacity && !reserve(x, 1)) return false;  // more than counted
        if (x->withnames) {
            for (; ahead && fetched <= i + kAhead; ++fetched, ahead = ahead->next) {
                const char *name = entry_name(ahead);
                uint32_t hash = name ? vrml_namehash_of(name) : 0;
                hashes[fetched % kRing] = hash;
                if (name) vrml_namehash_prefetch(&x->hash, hash);
            }
            const char *name = entry_name(it);
            x->names[x->built] = name;
            if (name && !vrml_namehash_put(&x->hash, name, hashes[i % kRing], x->built, true))
                return false;
        }
        x->items[x->built++] = it;
    }
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
    if (list->first && !append(x, list->first, list->count > 0 ? list->count : 1)) return false;
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
            ok = append(x, p, list->count - x->seencount);
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

vrml_listindex *get(const vrml_list *list, bool names) {
    void **word = vrml_side_word(list, true);
    if (!word) return nullptr;  // none can be kept: walk the list
    auto *x = static_cast<vrml_listindex *>(*word);
    if (!x) {
        x = static_cast<vrml_listindex *>(vrml_malloc(sizeof(vrml_listindex)));
        if (!x) return nullptr;
        x->withnames = names;
        vrml_namehash_init(&x->hash, name_at, x);
        *word = x;
        g_liveindexes.fetch_add(1, std::memory_order_relaxed);
    }
    return x;
}

}  // namespace

vrml_listitem *vrml_listindex_item(vrml_list *list, int pos, bool names) {
    if (pos < 0) return nullptr;
    vrml_listindex *x = get(list, names);
    if (x && sync(x, list)) return pos < x->built ? x->items[pos] : nullptr;
    vrml_listitem *it = list->first;
    for (; it && pos > 0; --pos) it = it->next;
    return it;
}

int vrml_listindex_findname(vrml_list *list, const char *name) {
    vrml_listindex *x = get(list, true);
    if (x && x->withnames && sync(x, list))
        return vrml_namehash_get(&x->hash, name, vrml_namehash_of(name));
    int found = -1, pos = 0;
    for (vrml_listitem *it = list->first; it; it = it->next, ++pos) {
        const char *n = entry_name(it);
        if (n && std::strcmp(n, name) == 0) found = pos;
    }
    return found;
}

void vrml_listindex_release(const vrml_list *list) {
    auto *x = static_cast<vrml_listindex *>(vrml_side_take(list));
    if (!x) return;
    g_liveindexes.fetch_sub(1, std::memory_order_relaxed);
    vrml_namehash_release(&x->hash);
    std::free(x->items);
    std::free(x->names);
    std::free(x);
}

void vrml_listindex_noteremoval(const vrml_list *list) {
    if (g_liveindexes.load(std::memory_order_relaxed) == 0) return;
    void **word = vrml_side_word(list, false);
    if (word && *word) static_cast<vrml_listindex *>(*word)->valid = false;
}
