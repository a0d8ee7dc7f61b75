// Position (and optionally name) indexes kept beside a vrml_list whose items
// are addressed by their position: the scopes of a context and the entries
// of a DEF table.
//
// The index remembers the list's count, first and last items and the last
// item's data as it last saw them, and the process-wide count of list
// removals. A list that only grew at its tail (no removal anywhere since,
// the old last item reached backwards from the new tail) is indexed
// incrementally; any other change (items removed, the list emptied or
// rebuilt) is noticed and the list is indexed again from its head. Lookups
// therefore cost O(1) on average as long as items are only appended, which
// is how the library itself fills these lists. Changing an entry's name in
// place is not noticed.
#ifndef ZEBVRML2_SCOPES_LIST_INDEX_H
#define ZEBVRML2_SCOPES_LIST_INDEX_H

#include <cstdint>

#include "nodes/name_index.h"
#include "vrml_loader.h"

struct vrml_listindex {
    bool withnames;  // index the DEF names of the items' entries
    bool valid;
    uint64_t seenremovals;
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

// The item at pos of list, or null. *index is the list's index word: made on
// first use (names says whether DEF names are indexed as well). A null index
// means none can be kept: the list is walked.
vrml_listitem *vrml_listindex_item(void **index, vrml_list *list, int pos, bool names);

// The position of the last item of list whose DEF entry has that name, or -1.
int vrml_listindex_findname(void **index, vrml_list *list, const char *name);

// Releases the index held in *index and clears the word.
void vrml_listindex_release(void **index);

#endif
