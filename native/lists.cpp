// The native runtime's lists: plain appends and queues, priority-ordered
// insertion and the stable insertion sort, and two queue operations on the
// core's vrml_list.
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "vrml_native.h"
#include "zebio/heap.h"

namespace {

using key_of = int32_t (*)(const vrml_listitem *item);

int32_t pc_key(const vrml_listitem *item) {
    auto *entry = static_cast<const vrnrt_pluginentry *>(item->data);
    return entry && entry->entry ? entry->entry->priority : INT32_MIN;
}

int32_t node_key(const vrml_listitem *item) {
    auto *native = static_cast<const vrnrt_native *>(item->data);
    return native ? native->priority : INT32_MIN;
}

void link_after(vrml_listitem *at, vrml_listitem *item) {
    item->previous = at;
    item->next = at->next;
    if (at->next) at->next->previous = item;
    at->next = item;
}

void link_first(vrml_listitem **head, vrml_listitem *item) {
    item->previous = nullptr;
    item->next = *head;
    if (*head) (*head)->previous = item;
    *head = item;
}

// Unlinks item from the chain at *head; the tail of the list is not kept.
void unlink_chain(vrml_listitem **head, vrml_listitem *item) {
    if (item->previous) item->previous->next = item->next;
    else *head = item->next;
    if (item->next) item->next->previous = item->previous;
    item->next = item->previous = nullptr;
}

void isortitem(vrml_listitem **head, vrml_listitem *item, key_of key) {
    if (!*head) {
        item->next = item->previous = nullptr;
        *head = item;
        return;
    }
    const int32_t k = key(item);
    vrml_listitem *last = nullptr;
    for (vrml_listitem *at = *head; at; at = at->next) {
        if (key(at) > k) {
            if (at->previous) link_after(at->previous, item);
            else link_first(head, item);
            return;
        }
        last = at;
    }
    item->next = nullptr;
    item->previous = last;
    last->next = item;
}

int isortlist(vrml_listitem **head, key_of key) {
    if (!*head || !(*head)->next) return 0;
    int moved = 0;
    vrml_listitem *following = nullptr;
    for (vrml_listitem *e = (*head)->next; e; e = following) {
        following = e->next;
        const int32_t k = key(e);
        vrml_listitem *stop = e->previous;
        while (stop && key(stop) > k) stop = stop->previous;
        if (stop == e->previous) continue;
        unlink_chain(head, e);
        if (stop) link_after(stop, e);
        else link_first(head, e);
        moved = 1;
    }
    return moved;
}

// Links item at the tail of a list given by its three header words; an
// empty list (null head) gets count 1 whatever it held.
void enqueue(vrml_listitem *&head, vrml_listitem *&tail, int32_t &count, vrml_listitem *item) {
    item->next = nullptr;
    if (!head) {
        item->previous = nullptr;
        head = tail = item;
        count = 1;
        return;
    }
    item->previous = tail;
    tail->next = item;
    tail = item;
    ++count;
}

int sortlistappend(vrnrt_list *list, void *data, key_of key) {
    vrml_listitem *item = vrnrt_alloclist();
    if (!item) return -1;
    item->data = data;
    ++list->count;
    isortitem(&list->head, item, key);
    return 0;
}

}  // namespace

extern "C" {

ZEBVRML2_API void *vrnrt_malloc(unsigned int size) {
    return vrml_heap_calloc(1, size ? size : 1);
}

ZEBVRML2_API vrml_listitem *vrnrt_alloclist(void) {
    return static_cast<vrml_listitem *>(vrml_heap_calloc(1, sizeof(vrml_listitem)));
}

ZEBVRML2_API void vrnrt_listenq(vrnrt_list *list, vrml_listitem *item) {
    enqueue(list->head, list->tail, list->count, item);
}

ZEBVRML2_API int vrnrt_listappend(vrnrt_list *list, void *data) {
    vrml_listitem *item = vrnrt_alloclist();
    if (!item) return -1;
    item->data = data;
    vrnrt_listenq(list, item);
    return 0;
}

ZEBVRML2_API vrml_listitem *vrnrt_listpop(vrnrt_list *list) {
    vrml_listitem *item = list->head;
    if (!item) return nullptr;
    list->head = item->next;
    if (item->next) item->next->previous = item->previous;
    else list->tail = item->previous;
    --list->count;
    item->next = item->previous = nullptr;
    return item;
}

ZEBVRML2_API void vrnrt_listdeleteitem(vrnrt_list *list, vrml_listitem *item) {
    if (item->previous) item->previous->next = item->next;
    else list->head = item->next;
    if (item->next) item->next->previous = item->previous;
    else list->tail = item->previous;
    --list->count;
    item->next = item->previous = nullptr;
}

ZEBVRML2_API int vrnrt_pc_sortlistappend(vrnrt_list *list, vrnrt_pluginentry *entry) {
    return sortlistappend(list, entry, pc_key);
}

ZEBVRML2_API int vrnrt_node_sortlistappend(vrnrt_list *list, vrnrt_native *native) {
    return sortlistappend(list, native, node_key);
}

ZEBVRML2_API void vrnrt_pc_isortitem(vrml_listitem **head, vrml_listitem *item) {
    isortitem(head, item, pc_key);
}

ZEBVRML2_API void vrnrt_node_isortitem(vrml_listitem **head, vrml_listitem *item) {
    isortitem(head, item, node_key);
}

ZEBVRML2_API int vrnrt_pc_isortlist(vrml_listitem **head) { return isortlist(head, pc_key); }

ZEBVRML2_API int vrnrt_node_isortlist(vrml_listitem **head) { return isortlist(head, node_key); }

ZEBVRML2_API int vrml_nodelistenq(vrml_list *list, vrml_listitem *item) {
    enqueue(list->first, list->last, list->count, item);
    return 0;
}

ZEBVRML2_API vrml_listitem *vrml_nodelistpop(vrml_list *list) {
    if (!list || !list->first) return nullptr;
    vrml_listitem *item = list->first;
    if (item->next) item->next->previous = nullptr;
    list->first = item->next;
    item->next = item->previous = nullptr;
    --list->count;
    return item;
}

}  // extern "C"
