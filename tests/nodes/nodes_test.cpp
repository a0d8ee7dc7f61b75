#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "fields/field_internal.h"
#include "nodes/node_internal.h"
#include "release/release_internal.h"
#include "scene_fixture.h"

namespace {

bool in_allnodes(vrml_context *ctx, vrml_node *node) {
    return vrml_findlistdata(&ctx->allnodes, node) != nullptr;
}

TEST(NodeCreation, TransformGetsIndependentCopiesOfItsDefaults) {
    EmptyScene scene;
    vrml_node *a = vrml_createnode(scene.ctx, 50);
    vrml_node *b = vrml_createnode(scene.ctx, 50);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    vrml_nodetemplate *t = vrml_gettemplateentry(scene.ctx->templates, 50);
    EXPECT_EQ(a->type, 50);
    EXPECT_EQ(a->nodetemplate, t);
    EXPECT_EQ(a->context, scene.ctx);
    EXPECT_EQ(a->defname, nullptr);
    EXPECT_EQ(a->natives, nullptr);
    EXPECT_TRUE(in_allnodes(scene.ctx, a));
    EXPECT_EQ(scene.ctx->allnodes.last->data, b);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(a->members[i].status, 0);
        EXPECT_EQ(a->members[i].sharedpart, 0);
        EXPECT_EQ(a->members[i].type, t->members[i].type);
        EXPECT_EQ(a->members[i].memberclass, t->members[i].memberclass);
        EXPECT_NE(a->members[i].content, nullptr);
    }
    vrml_field *scale = vrml_getnodefield(scene.ctx->templates, a, 5);
    ASSERT_NE(scale, nullptr);
    EXPECT_NE(scale, t->members[5].defaultvalue);
    EXPECT_FLOAT_EQ(scale->sfvec3f[1], 1.0f);
    scale->sfvec3f[1] = 7.0f;
    EXPECT_FLOAT_EQ(t->members[5].defaultvalue->sfvec3f[1], 1.0f);
    EXPECT_FLOAT_EQ(vrml_getnodefield(scene.ctx->templates, b, 5)->sfvec3f[1], 1.0f);
    // The node lists of two nodes are distinct records too.
    EXPECT_NE(vrml_getnodefield(scene.ctx->templates, a, 3), vrml_getnodefield(scene.ctx->templates, b, 3));
}

TEST(NodeCreation, ContentRecordsByClass) {
    EmptyScene scene;
    vrml_node *node = vrml_createnode(scene.ctx, 50);
    auto *in = static_cast<vrml_eventin *>(node->members[0].content);
    EXPECT_EQ(in->value, nullptr);
    EXPECT_EQ(in->routes.count, 0);
    auto *exposed = static_cast<vrml_exposedfield *>(node->members[7].content);
    ASSERT_NE(exposed->eventin, nullptr);
    ASSERT_NE(exposed->eventout, nullptr);
    ASSERT_NE(exposed->holder, nullptr);
    EXPECT_EQ(exposed->eventin->value, nullptr);
    ASSERT_NE(exposed->eventout->value, nullptr);  // a blank value
    EXPECT_EQ(exposed->eventout->value->sfvec3f[0], 0.0f);
    EXPECT_NE(exposed->eventout->value, *exposed->holder);
    vrml_node *timer = vrml_createnode(scene.ctx, 48);
    auto *out = static_cast<vrml_eventout *>(timer->members[7].content);  // isActive
    ASSERT_NE(out->value, nullptr);
    EXPECT_EQ(out->value->sfbool, 0);
    auto **holder = static_cast<vrml_field **>(node->members[8].content);  // bboxCenter
    EXPECT_EQ(*holder, vrml_memberContentPtr(&node->members[8]));
}

TEST(NodeCreation, UnknownTypeAndNoContextGiveNull) {
    EmptyScene scene;
    int before = scene.ctx->allnodes.count;
    EXPECT_EQ(vrml_createnode(scene.ctx, 81), nullptr);
    EXPECT_EQ(vrml_createnode(scene.ctx, -1), nullptr);
    EXPECT_EQ(vrml_createnode_nc(scene.ctx, 5000), nullptr);
    EXPECT_EQ(vrml_createnode(nullptr, 5), nullptr);
    EXPECT_EQ(scene.ctx->allnodes.count, before);
    vrml_node *box = vrml_createnode_nc(scene.ctx, 5);
    ASSERT_NE(box, nullptr);
    EXPECT_FLOAT_EQ(vrml_getnodefield(scene.ctx->templates, box, 0)->sfvec3f[0], 2.0f);
}

TEST(NodeCreation, FieldWithoutDefaultIsReportedAndNoNodeRemains) {
    EmptyScene scene;
    auto *members = static_cast<vrml_fieldtemplate *>(std::calloc(2, sizeof(vrml_fieldtemplate)));
    members[0] = {VRML_EXPOSEDFIELD, VRML_SFINT32, strdup("a"), nullptr, 0};
    members[1] = {VRML_FIELD, VRML_SFINT32, strdup("b"), nullptr, 0};
    int id = vrml_addtemplate(scene.ctx->templates, vrml_createnodetemplate(strdup("Script"), 2, members));
    char name[] = "S";
    vrml_defentry entry{name, nullptr};
    LogCapture log;
    int before = scene.ctx->allnodes.count;
    EXPECT_EQ(vrml_createdefnode(scene.ctx, id, &entry), nullptr);
    EXPECT_EQ(log.texts(), std::vector<std::string>({"DEFAULT FIELD is NULL\n", "DEFAULT FIELD is NULL\n"}));
    EXPECT_EQ(scene.ctx->allnodes.count, before);
    EXPECT_EQ(entry.node, nullptr);
    // An exposedField in that state is still made, with an empty holder.
    log.clear();
    members[1].defaultvalue = vrml_allocfield(VRML_SFINT32);
    vrml_node *node = vrml_createdefnode(scene.ctx, id, &entry);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(log.texts(), std::vector<std::string>({"DEFAULT FIELD is NULL\n"}));
    EXPECT_EQ(entry.node, node);
    EXPECT_EQ(node->defname, name);
    EXPECT_EQ(static_cast<vrml_exposedfield *>(node->members[0].content)->holder, nullptr);
    EXPECT_EQ(vrml_getnodefield(scene.ctx->templates, node, 0), nullptr);
    // Assigning gives it a holder.
    vrml_field *v = vrml_allocfield(VRML_SFINT32);
    v->sfint32 = 4;
    EXPECT_EQ(vrml_setnodefield(scene.ctx->templates, node, v, 0), 1);
    EXPECT_EQ(vrml_getnodefield(scene.ctx->templates, node, 0), v);
}

TEST(MemberAccess, AssignmentCountsStopAt127AndIsMappingsDoNotCount) {
    EmptyScene scene;
    vrml_node *node = vrml_createnode(scene.ctx, 41);  // Sphere
    for (int i = 0; i < 200; ++i) {
        vrml_field *v = vrml_allocfield(VRML_SFFLOAT);
        v->sffloat = static_cast<float>(i);
        ASSERT_EQ(vrml_setnodefield(scene.ctx->templates, node, v, 0), 1);
    }
    EXPECT_EQ(node->members[0].status, 127);
    EXPECT_FLOAT_EQ(vrml_getnodefield(scene.ctx->templates, node, 0)->sffloat, 199.0f);
    node->members[0].status = -3;
    vrml_setnodefield(scene.ctx->templates, node, nullptr, 0);
    EXPECT_EQ(node->members[0].status, -3);
    EXPECT_EQ(vrml_getnodefield(scene.ctx->templates, node, 0)->sffloat, 0.0f);  // a blank value
    // Assigning the current value again keeps it.
    vrml_field *same = vrml_getnodefield(scene.ctx->templates, node, 0);
    vrml_setnodefield(scene.ctx->templates, node, same, 0);
    EXPECT_EQ(vrml_getnodefield(scene.ctx->templates, node, 0), same);
    node->members[0].status = 1;  // the record is the member's own
}

TEST(MemberAccess, WrongClassIsReportedAndChangesNothing) {
    EmptyScene scene;
    vrml_node *timer = vrml_createnode(scene.ctx, 48);
    vrml_field *before = vrml_memberContentPtr(&timer->members[7]);
    LogCapture log;
    vrml_field *v = vrml_allocfield(VRML_SFBOOL);
    EXPECT_EQ(vrml_setnodefield(scene.ctx->templates, timer, v, 7), 1);
    EXPECT_EQ(vrml_memberContentPtr(&timer->members[7]), before);
    EXPECT_EQ(timer->members[7].status, 0);
    EXPECT_EQ(vrml_getnodefield(scene.ctx->templates, timer, 7), nullptr);
    EXPECT_EQ(log.texts(), std::vector<std::string>({"v_snf: bad member class", "v_gnf: bad member class request"}));
    EXPECT_EQ(log.messages()[0].ctx, scene.ctx);
    EXPECT_EQ(log.messages()[0].code, 0);
    std::free(v);
    EXPECT_EQ(vrml_setnodefield(scene.ctx->templates, timer, nullptr, 9), -1);
    EXPECT_EQ(vrml_getnodefield(scene.ctx->templates, timer, 9), nullptr);
    EXPECT_EQ(vrml_getnodefield(scene.ctx->templates, timer, -1), nullptr);
}

TEST(MemberAccess, PointersHandlesAndTypedGetters) {
    EmptyScene scene;
    vrml_node *node = vrml_createnode(scene.ctx, 48);
    vrml_member *cycle = &node->members[0];  // exposedField SFTime
    vrml_field **handle = vrml_memberContentHandle(cycle);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(*handle, vrml_memberContentPtr(cycle));
    EXPECT_EQ(handle, vrml_exposedFieldContentHandle(cycle->content));
    EXPECT_EQ(*handle, vrml_exposedFieldContentPtr(cycle->content));
    vrml_member *fraction = &node->members[6];  // eventOut
    EXPECT_EQ(vrml_memberContentHandle(fraction), &static_cast<vrml_eventout *>(fraction->content)->value);
    EXPECT_EQ(vrml_eventOutContentPtr(fraction->content), vrml_eventInContentPtr(fraction->content));
    EXPECT_EQ(vrml_eventOutContentHandle(fraction->content), vrml_eventInContentHandle(fraction->content));
    // The typed getters do not look at the slot's type.
    vrml_node *sphere = vrml_createnode(scene.ctx, 41);
    EXPECT_EQ(vrml_getSFVec3f(&sphere->members[0]), vrml_getSFFloat(&sphere->members[0]));
    EXPECT_EQ(vrml_getMFNode(&sphere->members[0]), vrml_memberContentPtr(&sphere->members[0]));
    EXPECT_EQ(vrml_fieldContentHandle(sphere->members[0].content), sphere->members[0].content);
    EXPECT_EQ(vrml_memberContentPtr(nullptr), nullptr);
}

// A declared prototype: #baseclass holding body, #scope the declaration scope.
int declare_proto(vrml_context *ctx, const char *name, vrml_node *body_node, int *scope_out) {
    int scope = vrml_newscope(ctx);
    auto *members = static_cast<vrml_fieldtemplate *>(std::calloc(3, sizeof(vrml_fieldtemplate)));
    vrml_field *body = vrml_allocfield(VRML_MFNODE);
    vrml_field *first = vrml_allocfield(VRML_SFNODE);
    first->sfnode.node = body_node;
    vrml_listappend(&body->mfnode.nodes, first);
    body->mfnode.count = 1;
    vrml_field *scope_value = vrml_allocfield(VRML_SFINT32);
    scope_value->sfint32 = scope;
    members[0] = {VRML_FIELD, VRML_MFNODE, strdup("#baseclass"), body, 0};
    members[1] = {VRML_FIELD, VRML_SFINT32, strdup("#scope"), scope_value, 0};
    members[2] = {VRML_EXPOSEDFIELD, VRML_SFFLOAT, strdup("size"), vrml_allocfield(VRML_SFFLOAT), 0};
    vrml_scope *s = vrml_getscopeentry(ctx, scope);
    char *defname = strdup("Inner");
    vrml_adddef(s->deftable, defname, body_node);
    vrml_addroute(s->deftable, 0, 1, 0, 2)->scope = s;
    if (scope_out) *scope_out = scope;
    return vrml_addtemplate(ctx->templates, vrml_createnodetemplate(strdup(name), 3, members));
}

TEST(PrototypeInstance, GetsItsOwnScopeAndStandsForItsBody) {
    EmptyScene scene;
    vrml_node *box = vrml_createnode(scene.ctx, 5);
    int s = -1;
    int p = declare_proto(scene.ctx, "P", box, &s);
    int depth = scene.ctx->scopedepth;
    vrml_node *a = vrml_createnode(scene.ctx, p);
    vrml_node *b = vrml_createnode(scene.ctx, p);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(scene.ctx->scopedepth, depth);
    EXPECT_EQ(scene.ctx->templates, vrml_getscopeentry(scene.ctx, 0)->templates);
    int na = vrml_getnodefield(scene.ctx->templates, a, 1)->sfint32;
    int nb = vrml_getnodefield(scene.ctx->templates, b, 1)->sfint32;
    EXPECT_NE(na, s);
    EXPECT_NE(nb, s);
    EXPECT_NE(na, nb);
    vrml_scope *scope = vrml_getscopeentry(scene.ctx, na);
    EXPECT_EQ(scope->owner, a);
    EXPECT_EQ(vrml_findlistdata(&scene.ctx->instancescopes, scope) != nullptr, true);
    ASSERT_EQ(scope->deftable->defs.count, 1);
    EXPECT_STREQ(vrml_getdefentry(scope->deftable, 0)->name, "Inner");
    // The instance's own member 0 holds its copy of the body.
    vrml_field *body = vrml_getnodefield(scene.ctx->templates, a, 0);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->mfnode.count, 1);
    EXPECT_NE(body, vrml_gettemplateentry(scene.ctx->templates, p)->members[0].defaultvalue);
    vrml_node *base = vrml_baseNode(a);
    ASSERT_NE(base, nullptr);
    EXPECT_LT(base->type, VRML_BUILTIN_COUNT);
    vrml_field ref{};
    ref.sfnode.node = a;
    vrml_field *bottom = vrml_baseSFNode(&ref);
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(bottom->sfnode.node->type, 5);
    EXPECT_EQ(vrml_baseNode(box), box);
    EXPECT_EQ(vrml_baseNode(nullptr), nullptr);
    EXPECT_EQ(vrml_baseSFNode(nullptr), nullptr);
    vrml_field null_ref{};
    EXPECT_EQ(vrml_baseSFNode(&null_ref), nullptr);
}

TEST(PrototypeInstance, ScriptNodesEndTheChainAndExternprotoInstancesArePending) {
    EmptyScene scene;
    auto *script_members = static_cast<vrml_fieldtemplate *>(std::calloc(2, sizeof(vrml_fieldtemplate)));
    script_members[0] = {VRML_FIELD, VRML_MFNODE, strdup("#baseclass"), vrml_allocfield(VRML_MFNODE), 0};
    script_members[1] = {VRML_FIELD, VRML_SFINT32, strdup("#scope"), vrml_allocfield(VRML_SFINT32), 0};
    int sid = vrml_addtemplate(scene.ctx->templates,
                               vrml_createnodetemplate(strdup("Script"), 2, script_members));
    vrml_node *script = vrml_createnode(scene.ctx, sid);
    ASSERT_NE(script, nullptr);
    EXPECT_EQ(vrml_baseNode(script), nullptr);
    vrml_field ref{};
    ref.sfnode.node = script;
    EXPECT_EQ(vrml_baseSFNode(&ref), &ref);
    int scopes = scene.ctx->scopes.count;
    EXPECT_EQ(scopes, vrml_getscopeentry(scene.ctx, scopes - 1) ? scopes : -1);

    int e = declare_proto(scene.ctx, "E", nullptr, nullptr);
    vrml_nodetemplate *t = vrml_gettemplateentry(scene.ctx->templates, e);
    vrml_externproto record{};
    t->external = 1;
    t->externrecord = &record;
    vrml_node *x = vrml_createnode(scene.ctx, e);
    ASSERT_NE(x, nullptr);
    ASSERT_EQ(record.pending.count, 1);
    EXPECT_EQ(record.pending.first->data, x);
    EXPECT_EQ(vrml_baseNode(x), nullptr);  // the body holds NULL
    vrml_node *plain = vrml_createnode_nc(scene.ctx, e);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(record.pending.count, 1);
    EXPECT_EQ(vrml_getnodefield(scene.ctx->templates, plain, 0)->mfnode.count, 1);
    while (record.pending.first) vrml_listdelete(&record.pending, record.pending.first->data);
}

TEST(ContentRelease, EveryClassReleasesValuesAndRoutes) {
    EmptyScene scene;
    vrml_node *node = vrml_createnode(scene.ctx, 48);  // TimeSensor
    auto *out = static_cast<vrml_eventout *>(node->members[7].content);
    vrml_listappend(&out->routes, vrml_newroute(-1, 7, -1, 0));
    vrml_listappend(&out->routes, vrml_newroute(-1, 7, -1, 1));
    auto *exposed = static_cast<vrml_exposedfield *>(node->members[0].content);
    vrml_listappend(&exposed->eventout->routes, vrml_newroute(-1, 0, -1, 0));
    vrml_listappend(&exposed->eventin->routes, vrml_newroute(-1, 0, -1, 0));
    for (int i = 0; i < node->nodetemplate->membercount; ++i) {
        vrml_freeuclass(node->members[i].memberclass, node->members[i].type, node->members[i].content);
        node->members[i].content = nullptr;
    }
    vrml_freeuclass(VRML_FIELD, VRML_SFINT32, nullptr);
    vrml_freeuclass(9, VRML_SFINT32, node);  // an unknown class releases nothing
    EXPECT_EQ(node->type, 48);
    vrml_eventin *in = vrml_alloc_eventin(scene.ctx, nullptr);
    in->value = vrml_allocfield(VRML_MFSTRING);
    vrml_freeuclass(VRML_EVENTIN, VRML_MFSTRING, in);
}

}  // namespace
