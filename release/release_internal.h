// Internal releases of member content records, by member class, and the
// record of what a scene owns beyond what the scene release walks.
#ifndef ZEBVRML2_RELEASE_RELEASE_INTERNAL_H
#define ZEBVRML2_RELEASE_RELEASE_INTERNAL_H

#include "vrml_release.h"
#include "vrml_scopes.h"

extern "C" {

// Each releases its record's value(s), the route records on its lists with
// their list items, and the record; null does nothing.
void vrml_free_eventin(int type, vrml_eventin *record);
void vrml_free_eventout(int type, vrml_eventout *record);
void vrml_free_exposedfield(int type, vrml_exposedfield *record);
void vrml_free_field(int type, vrml_field **holder);

// The steps of vrml_free_scene. A node: its natives (destruction callbacks
// first), then its member contents, then the record. Members with a
// negative status release only what their shared-part mark says is theirs.
void vrml_free_node(vrml_context *ctx, vrml_node *node);
void vrml_free_nodenatives(vrml_context *ctx, vrml_node *node);
void vrml_free_nodemembers(vrml_node *node);
void vrml_free_sharedmember(vrml_member *slot);
// A DEF table with its entries (their names only for a scope without owner
// node), its unattached routes and its private index.
void vrml_free_deftable(vrml_scope *scope, vrml_deftable *table);
void vrml_free_declaredscopes(vrml_context *ctx);
void vrml_free_instancescopes(vrml_context *ctx);

// What vrmlutil_unloadscene releases after vrml_free_scene: the recorded
// member contents (vrml_scene_releaseowned), the EXTERNPROTO records with
// their url values, locations and pending lists, and the context record.
void vrml_free_sceneremains(vrml_context *ctx);

}

// The parts of an exposedField content record (the shared-part marks).
constexpr int kVrmlPartEventIn = 1;
constexpr int kVrmlPartEventOut = 2;
constexpr int kVrmlPartHolder = 4;

// Releases a content record's structure without any value: an eventIn
// record with its forwarding routes, an eventOut record without its route
// list (which travels with its value), a value holder without its value;
// for an exposedField those three parts (except the one named by kept, a
// shared-part mark) and the three-word record. For records whose values
// were handed to another record or belong to another one. Null does nothing.
void vrml_free_contentshell(int memberclass, void *content, int kept);

// ---- Member contents that only a slot with a negative status holds ----
//
// The scene release leaves every slot with a negative status alone (it
// cannot tell a record of its own from one it shares). The library records
// in the context's private record each content record that such a slot
// owns, or that EXTERNPROTO wiring handed to one: whole (released by member
// class) or as a shell (its values belong to another record, see
// vrml_free_contentshell). vrmlutil_unloadscene releases them after
// vrml_free_scene. A content is recorded at most once.

// Records content (true; also for null content or content recorded
// before); false when memory runs out (nothing recorded).
bool vrml_scene_own(vrml_context *ctx, void *content, int memberclass, int type, bool shell);

// Forgets content (it is then the caller's): 1 when it was recorded whole,
// 2 as a shell, 0 when it was not recorded.
int vrml_scene_disown(vrml_context *ctx, void *content);

// 1 when content is recorded whole, 2 as a shell, else 0.
int vrml_scene_owns(vrml_context *ctx, void *content);

// Remembers that the loader made the context's two streams (released, after
// closing, with the scene).
void vrml_scene_ownstreams(vrml_context *ctx, vrml_stream *in, vrml_stream *out);

// Releases every recorded content, the streams when the loader made them
// and the context's private record (loader/context_private.h) itself.
void vrml_scene_releaseowned(vrml_context *ctx);

#endif
