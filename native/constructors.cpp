// The constructor table: the scene's per-type node lists and the numbering
// of networked objects.
#include "loader/report.h"
#include "native/native_internal.h"
#include "nodes/node_internal.h"
#include "vrml_nodes.h"

namespace {

// Appends node to list; a failure is reported with message when there is one.
int append(vrml_context *ctx, vrml_list *list, vrml_node *node, const char *message) {
    if (vrml_nodelistappend(list, node) == 0) return 0;
    if (message) vrml_problem(ctx, nullptr, 0, "%s", message);
    return -1;
}

}  // namespace

int vrml_constructor_none(vrml_context *, vrml_node *) { return 0; }

int vrml_constructor_Background(vrml_context *ctx, vrml_node *node) {
    return append(ctx, &ctx->backgrounds, node, nullptr);
}

int vrml_constructor_Fog(vrml_context *ctx, vrml_node *node) { return append(ctx, &ctx->fogs, node, nullptr); }

int vrml_constructor_ImageTexture(vrml_context *ctx, vrml_node *node) {
    return append(ctx, &ctx->imagetextures, node,
                  "vrml_constructor_ImageTexture:  nodelistappend failed");
}

int vrml_constructor_NavigationInfo(vrml_context *ctx, vrml_node *node) {
    return append(ctx, &ctx->navigationinfos, node, nullptr);
}

int vrml_constructor_ProximitySensor(vrml_context *ctx, vrml_node *node) {
    return append(ctx, &ctx->proximitysensors, node,
                  "vrml_constructor_ProximitySensor:  nodelistappend failed");
}

int vrml_constructor_TimeSensor(vrml_context *ctx, vrml_node *node) {
    return append(ctx, &ctx->timesensors, node, "vrml_constructor_TimeSensor:  nodelistappend failed");
}

int vrml_constructor_Viewpoint(vrml_context *ctx, vrml_node *node) {
    return append(ctx, &ctx->viewpoints, node, nullptr);
}

int vrml_constructor_ZEBAvatar(vrml_context *ctx, vrml_node *node) {
    int result = append(ctx, &ctx->avatars, node, nullptr);
    ctx->avatar = node;
    return result;
}

// Numbers the object through member 1 ("id"), whose status stays as it is.
int vrml_constructor_ZEBNetObject(vrml_context *ctx, vrml_node *node) {
    vrml_field **value = vrml_memberContentHandle(&node->members[1]);
    if (value && *value) (*value)->sfint32 = ctx->nextnetobjectid;
    ++ctx->nextnetobjectid;
    return append(ctx, &ctx->netobjects, node, "vrml_constructor_ZEBNetObject:  nodelistappend failed");
}

int vrml_constructor_ZEBNetSFInt32(vrml_context *ctx, vrml_node *node) {
    return append(ctx, &ctx->netvalues, node, "vrml_constructor_ZEBNetSFInt32:  nodelistappend failed");
}

int vrml_constructor_ZEBNetSFVec3f(vrml_context *ctx, vrml_node *node) {
    return append(ctx, &ctx->netvalues, node, "vrml_constructor_ZEBNetSFVec3f:  nodelistappend failed");
}

int vrml_constructor_ZEBNetSFBool(vrml_context *ctx, vrml_node *node) {
    return append(ctx, &ctx->netvalues, node, "vrml_constructor_ZEBNetSFBool:  nodelistappend failed");
}

int vrml_constructor_ZEBNetTrigger(vrml_context *ctx, vrml_node *node) {
    return append(ctx, &ctx->nettriggers, node, "vrml_constructor_ZEBNetTrigger:  nodelistappend failed");
}

namespace {

struct constructor_table {
    vrml_constructor entries[VRNRT_NODETYPES];
};

constexpr constructor_table make_table() {
    constructor_table t{};
    for (vrml_constructor &entry : t.entries) entry = vrml_constructor_none;
    t.entries[kVrmlBackground] = vrml_constructor_Background;
    t.entries[kVrmlFog] = vrml_constructor_Fog;
    t.entries[kVrmlImageTexture] = vrml_constructor_ImageTexture;
    t.entries[kVrmlNavigationInfo] = vrml_constructor_NavigationInfo;
    t.entries[kVrmlProximitySensor] = vrml_constructor_ProximitySensor;
    t.entries[kVrmlTimeSensor] = vrml_constructor_TimeSensor;
    t.entries[kVrmlViewpoint] = vrml_constructor_Viewpoint;
    t.entries[kVrmlZEBAvatar] = vrml_constructor_ZEBAvatar;
    t.entries[kVrmlZEBNetObject] = vrml_constructor_ZEBNetObject;
    t.entries[kVrmlZEBNetSFInt32] = vrml_constructor_ZEBNetSFInt32;
    t.entries[kVrmlZEBNetSFVec3f] = vrml_constructor_ZEBNetSFVec3f;
    t.entries[kVrmlZEBNetSFBool] = vrml_constructor_ZEBNetSFBool;
    t.entries[kVrmlZEBNetTrigger] = vrml_constructor_ZEBNetTrigger;
    return t;
}

constexpr constructor_table kTable = make_table();

}  // namespace

const vrml_constructor *const vrml_constructortable = kTable.entries;

int vrml_runconstructor(vrml_context *ctx, vrml_node *node, int type) {
    if (!ctx || !node || type < 0 || type >= VRNRT_NODETYPES) return 0;
    return vrml_constructortable[type](ctx, node);
}
