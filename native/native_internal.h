// Internal operations of the native runtime.
#ifndef ZEBVRML2_NATIVE_INTERNAL_H
#define ZEBVRML2_NATIVE_INTERNAL_H

#include "vrml_native.h"

// One entry of the constructor table: keeps the scene's per-type node lists
// and numbers networked objects. 0, or -1 when a list append failed.
using vrml_constructor = int (*)(vrml_context *ctx, vrml_node *node);

// The thirteen entries with bookkeeping (the others do nothing).
int vrml_constructor_Background(vrml_context *ctx, vrml_node *node);
int vrml_constructor_Fog(vrml_context *ctx, vrml_node *node);
int vrml_constructor_ImageTexture(vrml_context *ctx, vrml_node *node);
int vrml_constructor_NavigationInfo(vrml_context *ctx, vrml_node *node);
int vrml_constructor_ProximitySensor(vrml_context *ctx, vrml_node *node);
int vrml_constructor_TimeSensor(vrml_context *ctx, vrml_node *node);
int vrml_constructor_Viewpoint(vrml_context *ctx, vrml_node *node);
int vrml_constructor_ZEBAvatar(vrml_context *ctx, vrml_node *node);
int vrml_constructor_ZEBNetObject(vrml_context *ctx, vrml_node *node);
int vrml_constructor_ZEBNetSFInt32(vrml_context *ctx, vrml_node *node);
int vrml_constructor_ZEBNetSFVec3f(vrml_context *ctx, vrml_node *node);
int vrml_constructor_ZEBNetSFBool(vrml_context *ctx, vrml_node *node);
int vrml_constructor_ZEBNetTrigger(vrml_context *ctx, vrml_node *node);

// Indexed by built-in node type id; the types without bookkeeping have an
// entry that does nothing.
// VRNRT_NODETYPES entries.
extern const vrml_constructor *const vrml_constructortable;

// The entry of every type without bookkeeping: does nothing, returns 0.
int vrml_constructor_none(vrml_context *ctx, vrml_node *node);

// Runs the table's entry for type (nothing for a type outside 0..80).
int vrml_runconstructor(vrml_context *ctx, vrml_node *node, int type);

// The constructor table entry of type, then the natives of the scene's
// plug-ins (vrnrt_newnativenode). Node creation calls it for built-in and
// Script nodes made outside prototype declarations; type is 38 for Script.
extern "C" void vrml_nativeconstruct(vrml_context *ctx, vrml_node *node, int type);

#endif
