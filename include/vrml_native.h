/*
 * Native node runtime: the runtime's lists, plug-in libraries and runtime
 * contexts, native instances on nodes and the callbacks into plug-ins.
 *
 * Words. Every record here is laid out in the order given; a 32-bit build
 * gives each field one 32-bit word. Elsewhere the fields that may hold an
 * address (keys, parameter words, the host's event words) are pointer-sized,
 * the 32-bit fields keep their width and the compiler's natural alignment
 * applies.
 *
 * Callbacks are plain functions of one pointer argument with the platform's
 * default calling convention. Their results are not used.
 *
 * Threads. Only the process-wide registry of runtime contexts is shared
 * between threads; one binary semaphore guards it and it is never held while
 * plug-in code runs. Everything inside one runtime context (libraries, entry
 * lists, position table, pending initial updates) belongs to one thread at a
 * time. A context pointer returned by vrnrt_getpc is not protected against a
 * vrnrt_deletepc of the same key on another thread. Registration messages go
 * to the log handler from the calling thread: a host that installs a handler
 * and uses the runtime on several threads gives a handler that is safe to
 * call from several threads.
 */
#ifndef VRML_NATIVE_H
#define VRML_NATIVE_H

#include <stdint.h>

#include "vrml_loader.h"

VRML_EXTERN_C_BEGIN

/* ---- Runtime lists ------------------------------------------------------ */

/* The runtime's list header (its order differs from vrml_list); the elements
 * are vrml_listitem records (data, next, previous). The list owns neither the
 * data nor, once unlinked, the elements. */
typedef struct vrnrt_list {
    int32_t count;
    vrml_listitem *head;
    vrml_listitem *tail;
} vrnrt_list;

typedef struct vrnrt_callinfo vrnrt_callinfo;
typedef struct vrnrt_pluginentry vrnrt_pluginentry;
typedef struct vrnrt_native vrnrt_native;

/* size zero-filled bytes from the C heap (release with free()), or null. A
 * size of 0 still gets a block. */
ZEBVRML2_API void *vrnrt_malloc(unsigned int size);

/* One zeroed list element, or null. */
ZEBVRML2_API vrml_listitem *vrnrt_alloclist(void);

/* Appends data in a new element at the tail. An empty list (null head) gets
 * count 1 whatever it held. 0, or -1 when no element could be allocated (the
 * list is then unchanged). */
ZEBVRML2_API int vrnrt_listappend(vrnrt_list *list, void *data);

/* Links an element the caller has at the tail, as vrnrt_listappend does. */
ZEBVRML2_API void vrnrt_listenq(vrnrt_list *list, vrml_listitem *item);

/* Unlinks and returns the head element (links cleared), or null when the
 * list is empty. With vrnrt_listenq it makes the list a first-in, first-out
 * queue. */
ZEBVRML2_API vrml_listitem *vrnrt_listpop(vrnrt_list *list);

/* Unlinks item, which must belong to list; the caller frees it. */
ZEBVRML2_API void vrnrt_listdeleteitem(vrnrt_list *list, vrml_listitem *item);

/* Ordered lists, ascending by a signed 32-bit priority: plug-in entry lists
 * (the key is the priority of the entry's node entry) and native lists (the
 * key is the priority of the vrnrt_native, or of any record whose third word
 * is a signed 32-bit priority). Equal keys keep their order of insertion. An
 * element without data, or a plug-in entry without node entry, has the key
 * INT32_MIN. The ordered operations keep the chain from the head in order but
 * never touch the tail or the count (the two appends count the new element
 * themselves): an ordered list is only walked from its head, popped or
 * emptied. */

/* Append entry in priority order, counting it. 0, or -1 when no element
 * could be allocated. */
ZEBVRML2_API int vrnrt_pc_sortlistappend(vrnrt_list *list, vrnrt_pluginentry *entry);
ZEBVRML2_API int vrnrt_node_sortlistappend(vrnrt_list *list, vrnrt_native *native);

/* Link item into the chain at *head, after every element whose key is not
 * greater than its own. */
ZEBVRML2_API void vrnrt_pc_isortitem(vrml_listitem **head, vrml_listitem *item);
ZEBVRML2_API void vrnrt_node_isortitem(vrml_listitem **head, vrml_listitem *item);

/* Stable insertion sort of the chain at *head: 1 when an element moved,
 * else 0. */
ZEBVRML2_API int vrnrt_pc_isortlist(vrml_listitem **head);
ZEBVRML2_API int vrnrt_node_isortlist(vrml_listitem **head);

/* Queue operations on a vrml_list. vrml_nodelistenq links item at the tail
 * (an empty list, null first, gets count 1) and returns 0. vrml_nodelistpop
 * unlinks and returns the first item, or null for a null or empty list; the
 * last item popped leaves `last` as it was, and the next vrml_nodelistenq
 * resets it. */
ZEBVRML2_API int vrml_nodelistenq(vrml_list *list, vrml_listitem *item);
ZEBVRML2_API vrml_listitem *vrml_nodelistpop(vrml_list *list);

/* ---- Plug-in libraries and runtime contexts ----------------------------- */

#define VRNRT_NODETYPES 81   /* built-in node types 0..80 served by plug-ins */
#define VRNRT_LIBSLOTS 255   /* library ids 0..254 in the position table */
#define VRNRT_LIBNAME_SIZE 256 /* library names have at most 255 characters */

/* Reasons of a call record. */
enum {
    VRNRT_CONSTRUCT = 1,
    VRNRT_DESTRUCT = 2,
    VRNRT_INITIALUPDATE = 3,
    VRNRT_TRAVERSE = 4
};

/* Construction, destruction, initial update and traversal callbacks. */
typedef void (*vrnrt_callback)(vrnrt_callinfo *info);

/* Called once with the entry's parameter word when the entry is removed. */
typedef void (*vrnrt_unloadfunc)(intptr_t param);

/* What a plug-in supplies for one node type; the runtime keeps its own copy.
 * Any callback may be null. */
typedef struct vrnrt_nodeentry {
    int32_t unused;          /* not read by the runtime */
    uint32_t size;           /* bytes of the per-node object; 0: no object */
    int32_t priority;        /* ascending: construction and traversal order */
    intptr_t param;          /* handed to every callback and to unload */
    vrnrt_callback construct;     /* reason 1 */
    vrnrt_callback destruct;      /* reason 2 */
    vrnrt_callback initialupdate; /* reason 3 */
    vrnrt_callback traverse;      /* reason 4 */
    vrnrt_unloadfunc unload;
} vrnrt_nodeentry;

/* One library's entry in a node type's entry list. */
struct vrnrt_pluginentry {
    const char *name;        /* library name */
    vrnrt_nodeentry *entry;  /* the runtime's copy */
    int32_t libid;
};

/* A registered library. */
typedef struct vrnrt_lib {
    char name[VRNRT_LIBNAME_SIZE];
    int32_t libid;
} vrnrt_lib;

/* A runtime context, one per key (one per scene for loaded scenes). */
typedef struct vrnrt_pc {
    int32_t lastlibid;       /* ids are 1, 2, 3, ... in order of registration */
    vrnrt_list libraries;    /* of vrnrt_lib, in registration order */
    vrnrt_list entries[VRNRT_NODETYPES]; /* of vrnrt_pluginentry, by priority */
    /* Position of each library's entry in a type's entry list as of the last
     * vrnrt_finalizeplugins; 0 where never set. */
    int32_t positions[VRNRT_NODETYPES][VRNRT_LIBSLOTS];
    vrnrt_list pending;      /* of vrnrt_pendinginit, first in first out */
    uintptr_t key;
} vrnrt_pc;

/* A registry record: the creating thread and its runtime context. */
typedef struct vrnrt_pcentry {
    uint32_t threadid;
    vrnrt_pc *pc;
} vrnrt_pcentry;

/* The runtime context for key, made and registered if there is none; null
 * only when memory runs out. */
ZEBVRML2_API vrnrt_pc *vrnrt_createpc(uintptr_t key);

/* The runtime context for key, or null. */
ZEBVRML2_API vrnrt_pc *vrnrt_getpc(uintptr_t key);

/* Unloads every library (running the unload callbacks), then removes the
 * context from the registry and frees it with its libraries and its pending
 * initial updates (not run). */
ZEBVRML2_API void vrnrt_deletepc(uintptr_t key);

/* The library's id, registering it with the next id when it is new. -1 when
 * key has no runtime context, name is null or longer than 255 characters,
 * the context already holds 254 libraries, or memory runs out; nothing is
 * registered then. */
ZEBVRML2_API int vrnrt_registerlib(uintptr_t key, const char *name);

/* The id of the library registered under exactly name, or -1. */
ZEBVRML2_API int vrnrt_findlib(uintptr_t key, const char *name);

/* Registers the library and adds a copy of entries[i] for node type i, i
 * from 0 to count-1, in priority order. The library id; -1 (and nothing
 * registered) for a key without runtime context, a refused name, count above
 * 81, or a null entries with count above 0. */
ZEBVRML2_API int vrnrt_loadplugin(uintptr_t key, const char *name, int count,
                                  const vrnrt_nodeentry *entries);

/* Registers the library and adds a copy of *entry for node type type. The
 * entry refers to name itself, which the caller keeps alive. The library id;
 * -1 (and nothing registered) as for vrnrt_loadplugin, or for a type outside
 * 0..80 or a null entry. */
ZEBVRML2_API int vrnrt_loadplugin_nodeentry(uintptr_t key, const char *name, int type,
                                            const vrnrt_nodeentry *entry);

/* Removes the library's entries from every type, calling each entry's
 * unload callback with its parameter. The library stays registered. 0. */
ZEBVRML2_API int vrnrt_unloadplugin(uintptr_t key, const char *name);

/* The same in the first runtime context created by thread threadid. 0. */
ZEBVRML2_API int vrnrt_unloadpluginbyid(uint32_t threadid, const char *name);

/* vrnrt_unloadplugin for every registered library, in registration order. 0. */
ZEBVRML2_API int vrnrt_unloadallplugins(uintptr_t key);

/* The first entry of library libid for node type type, or null. */
ZEBVRML2_API vrnrt_pluginentry *vrnrt_getnodeentry(vrnrt_pc *pc, int type, int libid);

/* The parameter word of that entry, or 0. */
ZEBVRML2_API intptr_t vrnrt_getnativenodeparam(uintptr_t key, int type, int libid);

/* Records each library's position in each type's entry list, for
 * vrnrt_getnativenode. Call it after the last load or unload. */
ZEBVRML2_API void vrnrt_finalizeplugins(uintptr_t key);

/* ---- Native nodes ------------------------------------------------------- */

/* The single argument of every callback. */
struct vrnrt_callinfo {
    int32_t reason;          /* VRNRT_CONSTRUCT .. VRNRT_TRAVERSE */
    vrml_node *node;
    void *object;            /* the native's object, or null */
    intptr_t param;          /* the node entry's parameter word */
    void *event;             /* traversal: the host's event record */
    intptr_t reserved;       /* 0 */
    intptr_t eventword2;     /* traversal: the event record's third word */
    intptr_t eventword3;     /* traversal: the event record's fourth word */
};

/* One plug-in library's instance on a node. */
struct vrnrt_native {
    void *object;            /* zero-filled, of the entry's size; or null */
    intptr_t param;          /* the entry's parameter at creation */
    int32_t priority;
    int32_t libid;
    vrnrt_callback traverse; /* the entry's traversal callback at creation */
};

/* A queued initial update: a call record with reason 3, then the callback. */
typedef struct vrnrt_pendinginit {
    vrnrt_callinfo info;
    vrnrt_callback callback;
    intptr_t reserved;
} vrnrt_pendinginit;

/* Makes the scene's runtime context (keyed by the context pointer). */
ZEBVRML2_API vrnrt_pc *vrml_nativeinit(vrml_context *ctx);

/* Gives node one native per entry of type in the scene's runtime context, in
 * priority order, calls their construction callbacks and queues their
 * initial updates. The node's native objects field gets a new null-ended
 * array (a previous one is not released). */
ZEBVRML2_API void vrnrt_newnativenode(vrml_context *ctx, vrml_node *node, int type);

/* A new native for entry with its object, or null. */
ZEBVRML2_API vrnrt_native *vrnrt_createnativenode(const vrnrt_pluginentry *entry);

/* A new queued initial update, or null. */
ZEBVRML2_API vrnrt_pendinginit *vrnrt_createinit(vrml_node *node, void *object, intptr_t param,
                                                 vrnrt_callback callback);

/* Runs and frees the scene's queued initial updates, first in first out. */
ZEBVRML2_API void vrnrt_oninitialupdate(vrml_context *ctx);

/* event is the host's event record: word 0 points to the vrml_route being
 * followed; words 2 and 3 are passed through to the callbacks. Calls the
 * traversal callback of every native of the route's target node. */
ZEBVRML2_API void vrnrt_native_traverser(void *event);

/* Calls the destruction callback of the library that made native, if that
 * library still has an entry for the node's type. The caller frees the
 * object and the native afterwards. */
ZEBVRML2_API void vrnrt_calldestructor(vrml_context *ctx, vrml_node *node, vrnrt_native *native);

/* The object of library libid's native on node, found through the position
 * table of the last vrnrt_finalizeplugins, or null. */
ZEBVRML2_API void *vrnrt_getnativenode(vrml_node *node, int libid);

/* Looks the runtime context up; nothing more. */
ZEBVRML2_API void vrnrt_finalizenodes(uintptr_t key);

VRML_EXTERN_C_END

#endif
