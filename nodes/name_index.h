// An open-addressing hash from names to positions, the building block of the
// name indexes kept beside template tables and DEF tables.
#ifndef ZEBVRML2_NODES_NAME_INDEX_H
#define ZEBVRML2_NODES_NAME_INDEX_H

#include <cstdint>

struct vrml_nameslot {
    uint32_t hash;
    int32_t pos;  // -1: empty
};

// The name indexed at a position, as the hash's owner keeps it.
typedef const char *(*vrml_nameat)(const void *owner, int32_t pos);

struct vrml_namehash {
    vrml_nameslot *slots;  // capacity is mask + 1, a power of two, or null
    uint32_t mask;
    int32_t used;
    vrml_nameat nameat;
    const void *owner;
};

uint32_t vrml_namehash_of(const char *name);

// Readies an empty hash whose names are found through nameat(owner, pos).
void vrml_namehash_init(vrml_namehash *h, vrml_nameat nameat, const void *owner);

// Makes the hash empty, keeping its slots.
void vrml_namehash_clear(vrml_namehash *h);

// Records name at pos. With replace, a name already present takes the new
// position (the latest wins); without, the first position stays. false when
// the slots cannot grow (the hash is then unchanged).
bool vrml_namehash_put(vrml_namehash *h, const char *name, uint32_t hash, int32_t pos,
                       bool replace);

// Makes room for more names than the hash holds now, so that as many puts
// need no growing. false when the slots cannot grow (nothing changed).
bool vrml_namehash_reserve(vrml_namehash *h, uint32_t more);

// Starts fetching the slot where a name of that hash is looked for first,
// so that puts of many names overlap their cache misses.
void vrml_namehash_prefetch(const vrml_namehash *h, uint32_t hash);

// The position recorded for name, or -1.
int32_t vrml_namehash_get(const vrml_namehash *h, const char *name, uint32_t hash);

void vrml_namehash_release(vrml_namehash *h);

#endif
