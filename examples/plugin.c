/* A small native plug-in and the host that registers it, in C99.
 *
 * The plug-in "counter" serves Transform, TimeSensor and Viewpoint nodes: it
 * gives each such node an object of its own, counts the constructions per
 * node type and prints every callback it receives. The host makes a scene,
 * registers the plug-in in the scene's runtime context, creates a few nodes,
 * runs their initial updates, delivers one event to a Transform and finally
 * unloads the scene: the natives' destructors run node by node in creation
 * order, then the plug-in's entries are unloaded with the runtime context. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "zebvrml2.h"

/* ---- the plug-in -------------------------------------------------------- */

enum { TIMESENSOR = 48, TRANSFORM = 50, VIEWPOINT = 51 };

/* The per-node object; the runtime allocates it zero-filled. */
typedef struct counter_object {
    int serial;     /* construction number within its type */
    int traversals; /* events delivered to the node */
} counter_object;

static int constructed[VRNRT_NODETYPES];

static const char *type_name(const vrml_node *node) {
    return node->nodetemplate && node->nodetemplate->name ? node->nodetemplate->name : "?";
}

static void counter_construct(vrnrt_callinfo *info) {
    counter_object *object = (counter_object *)info->object;
    object->serial = ++constructed[info->node->type];
    printf("construct %s #%d (parameter %ld)\n", type_name(info->node), object->serial,
           (long)info->param);
}

static void counter_destruct(vrnrt_callinfo *info) {
    printf("destruct %s #%d\n", type_name(info->node), ((counter_object *)info->object)->serial);
}

static void counter_initialupdate(vrnrt_callinfo *info) {
    printf("initial update %s #%d\n", type_name(info->node),
           ((counter_object *)info->object)->serial);
}

static void counter_traverse(vrnrt_callinfo *info) {
    counter_object *object = (counter_object *)info->object;
    ++object->traversals;
    printf("traverse %s #%d (event words %ld %ld)\n", type_name(info->node), object->serial,
           (long)info->eventword2, (long)info->eventword3);
}

static void counter_unload(intptr_t param) { printf("unload (parameter %ld)\n", (long)param); }

/* Registers the plug-in in the runtime context of key; its library id. */
static int counter_register(uintptr_t key) {
    static const int served[] = {TIMESENSOR, TRANSFORM, VIEWPOINT};
    vrnrt_nodeentry entry = {0};
    int libid = -1;
    size_t i;
    entry.size = sizeof(counter_object);
    entry.priority = 10;
    entry.construct = counter_construct;
    entry.destruct = counter_destruct;
    entry.initialupdate = counter_initialupdate;
    entry.traverse = counter_traverse;
    entry.unload = counter_unload;
    for (i = 0; i < sizeof served / sizeof served[0]; ++i) {
        entry.param = served[i];
        libid = vrnrt_loadplugin_nodeentry(key, "counter", served[i], &entry);
    }
    return libid;
}

/* ---- the host ----------------------------------------------------------- */

int main(void) {
    static const int created[] = {TRANSFORM, TIMESENSOR, TRANSFORM, 0 /* Anchor */, VIEWPOINT};
    vrml_stream *in = (vrml_stream *)vrml_malloc(sizeof(vrml_stream));
    vrml_stream *out = (vrml_stream *)vrml_malloc(sizeof(vrml_stream));
    vrml_node *first = NULL;
    vrml_context *ctx;
    uintptr_t key;
    vrml_route route;
    intptr_t event[4];
    counter_object *object;
    int libid, i;

    if (!in || !out) return 1;
    zeb_initstringstream(in, "", 0);
    zeb_initfilestream(out, stdout);
    ctx = vrmlutil_loadscene(in, out);
    if (!ctx) return 1;
    key = (uintptr_t)ctx; /* the scene's runtime context is keyed by its context */

    libid = counter_register(key);
    vrnrt_finalizeplugins(key);
    printf("registered counter as library %d\n", libid);

    for (i = 0; i < (int)(sizeof created / sizeof created[0]); ++i) {
        vrml_node *node = vrml_createnode(ctx, created[i]);
        if (!node) return 1;
        if (!first) first = node;
    }
    vrnrt_oninitialupdate(ctx);

    /* An event routed to the first Transform: word 0 is the route, words 2
     * and 3 are passed to the traversal callbacks. */
    route = (vrml_route){0};
    route.targetnode = first;
    event[0] = (intptr_t)&route;
    event[1] = 0;
    event[2] = 7;
    event[3] = 8;
    vrnrt_native_traverser(event);
    object = (counter_object *)vrnrt_getnativenode(first, libid);
    printf("first Transform: #%d, %d traversal(s)\n", object ? object->serial : 0,
           object ? object->traversals : 0);

    printf("constructions: Transform %d, TimeSensor %d, Viewpoint %d\n", constructed[TRANSFORM],
           constructed[TIMESENSOR], constructed[VIEWPOINT]);

    /* Unloading the scene destroys the natives, then ends the runtime
     * context, which unloads the plug-in's entries. */
    vrml_deletebuiltinfields(ctx); /* the process's last scene */
    vrmlutil_unloadscene(ctx);
    fflush(stdout);
    in->stream_close(in);
    out->stream_close(out);
    free(in);
    free(out);
    return 0;
}
