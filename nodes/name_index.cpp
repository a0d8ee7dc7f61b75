// Open-addressing name hash with linear probing; positions are stored with
// the name's hash so that most probes compare no text.
#include "nodes/name_index.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>

#include "platform/index_blocks.h"

uint32_t vrml_namehash_of(const char *name) {
    uint64_t h = std::hash<std::string_view>{}(std::string_view(name));
    return static_cast<uint32_t>(h ^ (h >> 32));
}

void vrml_namehash_init(vrml_namehash *h, vrml_nameat nameat, const void *owner) {
    *h = {nullptr, 0, 0, nameat, owner};
}

void vrml_namehash_clear(vrml_namehash *h) {
    if (!h->slots) return;
    for (uint32_t i = 0; i <= h->mask; ++i) h->slots[i] = {0, -1};
    h->used = 0;
}

namespace {

// The slot holding name, or the empty slot where it belongs. Without a name
// (rehashing, where all names differ) the first empty slot.
vrml_nameslot *find_slot(const vrml_namehash *h, vrml_nameslot *slots, uint32_t mask,
                         const char *name, uint32_t hash) {
    for (uint32_t i = hash & mask;; i = (i + 1) & mask) {
        vrml_nameslot *s = &slots[i];
        if (s->pos < 0) return s;
        if (!name || s->hash != hash) continue;
        const char *indexed = h->nameat(h->owner, s->pos);
        if (indexed && std::strcmp(indexed, name) == 0) return s;
    }
}

// Grows the slots to hold at least want names at a load of one half.
bool grow(vrml_namehash *h, uint64_t want) {
    // Growing fourfold keeps the rehashing work (random writes) low.
    uint64_t capacity = h->slots ? (uint64_t{h->mask} + 1) * 4 : 64;
    while (capacity < want * 2) capacity *= 2;
    if (capacity > (1u << 30)) return false;
    auto *slots = static_cast<vrml_nameslot *>(
        vrml_index_block(static_cast<size_t>(capacity), sizeof(vrml_nameslot)));
    if (!slots) return false;
    for (uint32_t i = 0; i < capacity; ++i) slots[i] = {0, -1};
    auto mask = static_cast<uint32_t>(capacity - 1);
    if (h->slots) {
        for (uint32_t i = 0; i <= h->mask; ++i) {
            const vrml_nameslot &old = h->slots[i];
            if (old.pos >= 0) *find_slot(h, slots, mask, nullptr, old.hash) = old;
        }
        std::free(h->slots);
    }
    h->slots = slots;
    h->mask = mask;
    return true;
}

}  // namespace

bool vrml_namehash_put(vrml_namehash *h, const char *name, uint32_t hash, int32_t pos,
                       bool replace) {
    // Keep the load at or below one half.
    if ((!h->slots || static_cast<uint32_t>(h->used + 1) * 2 > h->mask + 1) &&
        !grow(h, static_cast<uint64_t>(h->used) + 1))
        return false;
    vrml_nameslot *s = find_slot(h, h->slots, h->mask, name, hash);
    if (s->pos < 0) {
        *s = {hash, pos};
        ++h->used;
    } else if (replace) {
        s->pos = pos;
    }
    return true;
}

bool vrml_namehash_reserve(vrml_namehash *h, uint32_t more) {
    uint64_t want = static_cast<uint64_t>(h->used) + more;
    if (h->slots && want * 2 <= uint64_t{h->mask} + 1) return true;
    return grow(h, want);
}

void vrml_namehash_prefetch(const vrml_namehash *h, uint32_t hash) {
    if (h->slots) __builtin_prefetch(&h->slots[hash & h->mask], 1);
}

int32_t vrml_namehash_get(const vrml_namehash *h, const char *name, uint32_t hash) {
    if (!h->slots) return -1;
    return find_slot(h, h->slots, h->mask, name, hash)->pos;
}

void vrml_namehash_release(vrml_namehash *h) {
    std::free(h->slots);
    h->slots = nullptr;
    h->mask = 0;
    h->used = 0;
}
