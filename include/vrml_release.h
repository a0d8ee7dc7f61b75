/*
 * Scene release: freeing what a scene owns.
 *
 * Threads: a scene is released by the thread that uses it, once nothing else
 * uses it; other scenes may be loaded and released meanwhile. The native
 * runtime's registry (see vrml_native.h) takes its own lock.
 */
#ifndef VRML_RELEASE_H
#define VRML_RELEASE_H

#include <stdint.h>

#include "vrml_nodes.h"

VRML_EXTERN_C_BEGIN

/* Releases everything the scene owns, in this order: each node of the list
 * of all nodes in creation order (its natives' destruction callbacks with
 * reason 2 while its members are intact, then its member contents except
 * the parts shared with a prototype instance, then the node), the
 * declaration scopes with their declared templates, template tables and DEF
 * tables, the instance scopes with their DEF tables, the scope list, the
 * per-type node lists, the root list record and finally the runtime context
 * (the remaining plug-in entries' unload callbacks run then). Null does
 * nothing. The context's lists released here are left empty; its other
 * fields keep their values (the root and scope stack pointers then point at
 * released records). The context record, its streams, its EXTERNPROTO
 * records and the member contents that only a slot with a negative status
 * holds stay allocated: vrmlutil_unloadscene, called afterwards, releases
 * those and nothing else. Call it at most once per context.
 * vrml_free_sceneshutdown is the same operation. */
ZEBVRML2_API void vrml_free_scene(vrml_context *ctx);
ZEBVRML2_API void vrml_free_sceneshutdown(vrml_context *ctx);

/* Releases one member content record by member class: its value(s), the
 * route records on its lists and the record itself. Null does nothing, as
 * does a class outside 0..3. */
ZEBVRML2_API void vrml_freeuclass(int memberclass, int type, void *content);

/* Extension: the whole scene. vrml_free_scene, then what that leaves: the
 * member contents held only by slots with a negative status (IS members of
 * PROTO body nodes and of their copies, wired members), the records that
 * EXTERNPROTO wiring left to the scene, the EXTERNPROTO records with their
 * url values, locations and pending-instance lists, the two streams when
 * vrmlutil_loadscenecc made them (closed first), and the context record.
 * After vrml_free_scene it releases only what that left. A scene whose
 * loading was left through a long jump out of vrml_fatal_err may be
 * unloaded too. Null does nothing; ctx is invalid afterwards: unloading a
 * context twice is undefined behaviour (it reads freed memory). */
ZEBVRML2_API void vrmlutil_unloadscene(vrml_context *ctx);

VRML_EXTERN_C_END

#endif
