// Position (and optionally name) indexes kept beside a vrml_list whose items
// are addressed by their position: the scopes of a context and the entries
// of a DEF table. A list's index is the side word (loader/side_records.h)
// keyed by the list's own address, so a list's address must be no other
// record's key.
//
// The index remembers the list's count, first and last items and the last
// item's data as it last saw them, and is marked stale whenever an item is
// unlinked from that very list through vrml_listdeleteitem (which every
// removal of the library goes through; removals from other lists leave it
// alone). A list that only grew at its tail since (the old last item reached
// backwards from the new tail) is indexed incrementally; any other change
// seen through those values (the list emptied, rebuilt or relinked) is
// noticed and the list is indexed again from its head. Lookups therefore
// cost O(1) on average as long as items are only appended, however many
// items leave other lists meanwhile. Not noticed: a host relinking items by
// hand (without vrml_listdeleteitem) in a way that keeps the count, the
// first and last items and the last item's data; an entry's name changed in
// place.
#ifndef ZEBVRML2_SCOPES_LIST_INDEX_H
#define ZEBVRML2_SCOPES_LIST_INDEX_H

#include <cstdint>

#include "nodes/name_index.h"
#include "vrml_loader.h"

struct vrml_listindex {
    bool withnames;  // index the DEF names of the items' entries
    bool valid;  // cleared when an item leaves the list
    int32_t seencount;
    vrml_listitem *seenfirst;
    vrml_listitem *seenlast;
    void *seenlastdata;
    vrml_listitem **items;  // by position
    const char **names;     // the entries' names by position (names only)
    int32_t built;          // positions indexed
    int32_t capacity;
    vrml_namehash hash;
};

// The item at pos of list, or null. The list's index is made on first use
// (names says whether DEF names are indexed as well); when none can be kept
// (no memory) the list is walked.
vrml_listitem *vrml_listindex_item(vrml_list *list, int pos, bool names);

// The position of the last item of list whose DEF entry has that name, or -1.
int vrml_listindex_findname(vrml_list *list, const char *name);

// Releases list's index, if it has one (before the list's record is freed).
void vrml_listindex_release(const vrml_list *list);

// Marks list's index stale, if it has one: vrml_listdeleteitem calls it for
// every removal. O(1); only a count when no index lives.
void vrml_listindex_noteremoval(const vrml_list *list);

#endif
