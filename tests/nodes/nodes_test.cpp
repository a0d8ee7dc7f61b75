// Node instances: the records made for each member class, member access
// through them and the release of member content. (Defaults:
// builtin_table_test.cpp; assignments, prototype instances: sessions_test.cpp.)
#include <cstring>

#include "fields/field_internal.h"
#include "nodes/node_internal.h"
#include "release/release_internal.h"
#include "support/loaded_scene.h"

namespace {

constexpr int kBox = 5, kSphere = 41, kTimeSensor = 48, kTransform = 50;

TEST(NodeCreation, RecordsOfEachMemberClass) {
    LoadedScene scene("");
    vrml_node *a = vrml_createnode(scene.ctx, kTransform), *b = vrml_createnode(scene.ctx, kTransform);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(std::vector<const void *>({a->nodetemplate, a->context, a->defname, a->natives,
                                         scene.ctx->allnodes.last->previous->data, scene.ctx->allnodes.last->data}),
              std::vector<const void *>({vrml_gettemplateentry(scene.ctx->templates, kTransform), scene.ctx,
                                         nullptr, nullptr, a, b}));
    EXPECT_EQ(a->type, kTransform);  // (values of their own: the built-in table's test)
    auto *in = static_cast<vrml_eventin *>(a->members[0].content);  // addChildren
    EXPECT_TRUE(in->value == nullptr && in->routes.count == 0);
    auto *exposed = static_cast<vrml_exposedfield *>(a->members[7].content);  // translation
    ASSERT_TRUE(exposed->eventin && exposed->eventout && exposed->holder && exposed->eventout->value);
    EXPECT_EQ(exposed->eventin->value, nullptr);
    EXPECT_NE(exposed->eventout->value, *exposed->holder);  // a blank value of its own
    auto *out = static_cast<vrml_eventout *>(vrml_createnode(scene.ctx, kTimeSensor)->members[7].content);
    ASSERT_NE(out->value, nullptr);  // isActive: a blank value
    EXPECT_EQ(out->value->sfbool, 0);
    EXPECT_EQ(*static_cast<vrml_field **>(a->members[8].content), vrml_memberContentPtr(&a->members[8]));
    EXPECT_TRUE(vrml_createnode(nullptr, kBox) == nullptr && vrml_createnode_nc(nullptr, kBox) == nullptr);
}

TEST(MemberAccess, PointersHandlesAndTypedGetters) {
    LoadedScene scene("");
    vrml_node *node = vrml_createnode(scene.ctx, kTimeSensor);
    vrml_member *cycle = &node->members[0];  // exposedField SFTime
    vrml_field **handle = vrml_memberContentHandle(cycle);
    ASSERT_NE(handle, nullptr);
    void *fraction = node->members[6].content;  // eventOut
    vrml_member *radius = &vrml_createnode(scene.ctx, kSphere)->members[0];  // getters ignore the type
    EXPECT_EQ(std::vector<const void *>({*handle, handle, *handle, vrml_memberContentHandle(&node->members[6]),
                                         vrml_eventOutContentPtr(fraction), vrml_eventOutContentHandle(fraction),
                                         vrml_getSFVec3f(radius), vrml_getMFNode(radius),
                                         vrml_fieldContentHandle(radius->content), vrml_memberContentPtr(nullptr)}),
              std::vector<const void *>({vrml_memberContentPtr(cycle), vrml_exposedFieldContentHandle(cycle->content),
                                         vrml_exposedFieldContentPtr(cycle->content),
                                         &static_cast<vrml_eventout *>(fraction)->value, vrml_eventInContentPtr(fraction),
                                         vrml_eventInContentHandle(fraction), vrml_getSFFloat(radius),
                                         vrml_memberContentPtr(radius), radius->content, nullptr}));
}

// Every class releases its value records and routes (ASan sees what is left).
TEST(ContentRelease, EveryClassReleasesValuesAndRoutes) {
    LoadedScene scene("");
    vrml_node *node = vrml_createnode(scene.ctx, kTimeSensor);
    auto *out = static_cast<vrml_eventout *>(node->members[7].content);
    for (int k : {0, 1}) vrml_listappend(&out->routes, vrml_newroute(-1, 7, -1, k));
    auto *exposed = static_cast<vrml_exposedfield *>(node->members[0].content);
    vrml_listappend(&exposed->eventout->routes, vrml_newroute(-1, 0, -1, 0));
    vrml_listappend(&exposed->eventin->routes, vrml_newroute(-1, 0, -1, 0));
    for (int i = 0; i < node->nodetemplate->membercount; ++i) {
        vrml_freeuclass(node->members[i].memberclass, node->members[i].type, node->members[i].content);
        node->members[i].content = nullptr;
    }
    vrml_freeuclass(VRML_FIELD, VRML_SFINT32, nullptr);
    vrml_freeuclass(9, VRML_SFINT32, node);  // an unknown class releases nothing
    EXPECT_EQ(node->type, kTimeSensor);
    vrml_eventin *in = vrml_alloc_eventin(scene.ctx, nullptr);
    in->value = vrml_allocfield(VRML_MFSTRING);
    vrml_freeuclass(VRML_EVENTIN, VRML_MFSTRING, in);
}

}  // namespace
