// The zeroing allocator and the list operations.
#include "loader/memory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include "platform/second_name.h"

#include "zebio/heap.h"

#include "scopes/list_index.h"

extern "C" {

ZEBVRML2_API void *vrml_malloc(unsigned int size) {
    // calloc(1, 0) may give null; a zero-size request still gets a block so
    // that null always means exhaustion.
    return vrml_heap_calloc(1, size ? size : 1);
}

ZEBVRML2_API void *vrml_alloclist(void) {
    static_assert(sizeof(vrml_list) <= sizeof(vrml_listitem), "one record serves both");
    return vrml_heap_calloc(1, sizeof(vrml_listitem));
}

ZEBVRML2_API int vrml_listappend(vrml_list *list, void *data) {
    auto *item = static_cast<vrml_listitem *>(vrml_alloclist());
    if (!item) return -1;
    item->data = data;
    if (!list->last) {
        list->first = list->last = item;
        list->count = 1;
    } else {
        item->previous = list->last;
        list->last->next = item;
        list->last = item;
        ++list->count;
    }
    return 0;
}

ZEBVRML2_API vrml_listitem *vrml_findlistdata(vrml_list *list, void *data) {
    if (!list) return nullptr;
    for (vrml_listitem *it = list->first; it; it = it->next)
        if (it->data == data) return it;
    return nullptr;
}

ZEBVRML2_API void vrml_listdeleteitem(vrml_list *list, vrml_listitem *item) {
    if (!list || !item) return;
    if (item->previous) item->previous->next = item->next;
    else list->first = item->next;
    if (item->next) item->next->previous = item->previous;
    else list->last = item->previous;
    --list->count;
    item->next = item->previous = nullptr;
    vrml_listindex_noteremoval(list);
}

ZEBVRML2_API vrml_listitem *vrml_listdeleteitemdata(vrml_list *list, void *data) {
    vrml_listitem *item = vrml_findlistdata(list, data);
    if (item) vrml_listdeleteitem(list, item);
    return item;
}

ZEBVRML2_API void *vrml_listdelete(vrml_list *list, void *data) {
    vrml_listitem *item = vrml_listdeleteitemdata(list, data);
    if (!item) return nullptr;
    void *found = item->data;
    std::free(item);
    return found;
}

VRML_SECOND_NAME(void *, vrml_allocnodelist, (void), vrml_alloclist, ())
VRML_SECOND_NAME(int, vrml_nodelistappend, (vrml_list *list, void *data), vrml_listappend,
                 (list, data))
VRML_SECOND_NAME(void, vrml_nodelistdeleteitem, (vrml_list *list, vrml_listitem *item),
                 vrml_listdeleteitem, (list, item))

}  // extern "C"

int vrml_savestring(char **target, const char *text) {
    size_t n = std::strlen(text) + 1;
    char *copy = n <= UINT32_MAX ? static_cast<char *>(vrml_malloc(static_cast<unsigned>(n))) : nullptr;
    if (copy) std::memcpy(copy, text, n);
    *target = copy;
    return 1;
}

void *vrml_malloc_array(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size) return nullptr;
    size_t total = count * size;
    return vrml_heap_calloc(1, total ? total : 1);
}
