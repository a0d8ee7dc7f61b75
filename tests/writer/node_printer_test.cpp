// Writing nodes and ROUTEs: which members are written, in which order and
// form, DEF and USE, and the byte-exact text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/loaded_scene.h"

namespace {

constexpr int kTransformCenter = 2, kTransformTranslation = 7;
constexpr int kTimeFraction = 6;

// Prints one node of the scene and returns exactly what was written.
std::string printed(LoadedScene &s, vrml_node *node) {
    s.take_output();
    vrml_print_node(s.ctx, node);
    return s.take_output();
}

TEST(PrintNode, NodeAtItsDefaultsWritesOnlyItsName) {
    LoadedScene s("Transform {} Group { children [] } Shape { geometry NULL }");
    EXPECT_EQ(printed(s, s.root(0)->sfnode.node), "Transform {}");
    EXPECT_EQ(printed(s, s.root(1)->sfnode.node), "Group {\n  children []}");
    EXPECT_EQ(printed(s, s.root(2)->sfnode.node), "Shape {\n  geometry NULL}");
    EXPECT_EQ(printed(s, nullptr), "NULL");
}

TEST(PrintNode, AssignedMembersInTemplateOrderEachOnce) {
    LoadedScene s("Transform { translation 1 2 3 center 0 1 0 translation 4 5 6 }");
    EXPECT_EQ(printed(s, s.root(0)->sfnode.node),
              "Transform {\n"
              "  center 0.000000 1.000000 0.000000\n"
              "  translation 4.000000 5.000000 6.000000}");
}

TEST(PrintNode, ValueEqualToTheDefaultIsStillWrittenWhenAssigned) {
    LoadedScene s("Material { transparency 0 }");
    EXPECT_EQ(printed(s, s.root(0)->sfnode.node), "Material {\n  transparency 0.000000}");
}

struct Routed : testing::Test {
    Routed()
        : s("DEF T Transform { translation 1 2 3 } DEF U Transform {}\n"
            "DEF TS TimeSensor { loop TRUE } DEF S ScalarInterpolator {}\n"
            "ROUTE T.translation_changed TO U.set_translation\n"
            "ROUTE T.translation TO U.center\n"
            "ROUTE TS.fraction_changed TO S.set_fraction\n"
            "ROUTE U.translation TO T.set_center\n") {}
    LoadedScene s;
};

const char *const kPrintedT =
    "Transform {\n"
    "  ROUTE T.translation TO U.translation\n"
    "  ROUTE T.translation TO U.center\n"
    "  translation 1.000000 2.000000 3.000000}";

TEST_F(Routed, RoutesComeBeforeTheValueOfTheirExposedField) {
    EXPECT_EQ(printed(s, s.def("T")), kPrintedT);
}

TEST_F(Routed, UnassignedMembersWriteNoRoutes) {
    // U.translation carries a route but was never assigned; TimeSensor's
    // fraction_changed is an eventOut, which no statement assigns.
    EXPECT_EQ(routes_leaving(s.def("U"), kTransformTranslation)->count, 1);
    EXPECT_EQ(printed(s, s.def("U")), "Transform {}");
    EXPECT_EQ(routes_leaving(s.def("TS"), kTimeFraction)->count, 1);
    EXPECT_EQ(printed(s, s.def("TS")), "TimeSensor {\n  loop TRUE}");
}

TEST_F(Routed, AssignedEventOutWritesItsRoutesAndAnEventInNothing) {
    vrml_node *ts = s.def("TS");
    ts->members[kTimeFraction].status = 1;
    EXPECT_EQ(printed(s, ts),
              "TimeSensor {\n"
              "  loop TRUE\n"
              "  ROUTE TS.fraction_changed TO S.set_fraction\n"
              "}");
    vrml_node *u = s.def("U");
    u->members[0].status = 1;  // addChildren
    EXPECT_EQ(printed(s, u), "Transform {}");
}

TEST_F(Routed, RuntimeRoutesAndNotifiersAreNotWritten) {
    vrml_node *t = s.def("T");
    ASSERT_EQ(vrml_addruntimeroute(t, "translation", s.def("U"), "scale"), 0);
    ASSERT_EQ(vrml_addruntimenotifier(t, kTransformTranslation, nullptr, 4), 0);
    EXPECT_EQ(routes_leaving(t, kTransformTranslation)->count, 4);
    EXPECT_EQ(printed(s, t), kPrintedT);
    s.take_output();
    vrml_printroute(s.ctx, route_at(routes_leaving(t, kTransformTranslation), 2));
    EXPECT_EQ(s.take_output(), "");
}

TEST_F(Routed, RouteListWritesOneLinePerRoute) {
    s.take_output();
    vrml_printroutelist(s.ctx, routes_leaving(s.def("T"), kTransformTranslation));
    EXPECT_EQ(s.take_output(),
              "ROUTE T.translation TO U.translation\nROUTE T.translation TO U.center\n");
    vrml_printroutelist(s.ctx, routes_leaving(s.def("U"), kTransformCenter));
    EXPECT_EQ(s.take_output(), "");
}

TEST(PrintRoute, ScopeRoutesNotYetAttachedAreWrittenFromTheScope) {
    LoadedScene s("DEF T Transform {} DEF U Transform {}");
    StringInput more("ROUTE T.translation TO U.set_translation ROUTE U.center_changed TO T.center");
    s.ctx->in = more.get();
    EXPECT_EQ(vrml_parse_node(s.ctx, nullptr), nullptr);
    vrml_scope *scope0 = vrml_getscopeentry(s.ctx, 0);
    ASSERT_EQ(scope0->deftable->routes.count, 2);
    s.take_output();
    EXPECT_EQ(vrml_print_ROUTE(s.ctx, scope0), 1);
    EXPECT_EQ(s.take_output(),
              "ROUTE T.translation TO U.translation\nROUTE U.center TO T.center\n");
    vrml_createroutetree(scope0);
    EXPECT_EQ(vrml_print_ROUTE(s.ctx, scope0), 1);
    EXPECT_EQ(s.take_output(), "");
}

TEST(PrintRoute, NoPrototypesWriteNothing) {
    LoadedScene s("Transform {}");
    s.take_output();
    EXPECT_EQ(vrml_print_PROTOS(s.ctx), 0);
    EXPECT_EQ(s.take_output(), "");
}

// ---- DEF and USE ----------------------------------------------------------

TEST(PrintDefUse, DefIsWrittenWithTheNodeAndUseByNameOnly) {
    LoadedScene s(
        "DEF G Group { children [ DEF S Shape { geometry DEF B Box {} } USE S NULL\n"
        "  Shape { geometry USE B } ] }");
    s.take_output();
    vrml_print_SFNode(s.ctx, s.root(0));
    EXPECT_EQ(s.take_output(),
              "DEF G Group {\n"
              "  children [\n"
              "    DEF S Shape {\n"
              "      geometry \n"
              "      DEF B Box {}} USE S NULL Shape {\n"
              "      geometry USE B}]}");
}

TEST(PrintDefUse, UseOfTheNodeItselfIsNotWrittenAgain) {
    LoadedScene s("DEF T Transform { children USE T }");
    s.take_output();
    vrml_print_SFNode(s.ctx, s.root(0));
    EXPECT_EQ(s.take_output(), "DEF T Transform {\n  children [USE T]}");
}

TEST(PrintDefUseDeathTest, ReferenceWithoutItsDefEntryEndsTheProcess) {
    for (int defref : {-2, 3}) {
        EXPECT_EXIT(
            {
                vrml_setfatalhandler(print_fatal_message, nullptr);
                LoadedScene s("DEF T Transform {}");
                vrml_field *record = vrml_allocfield(VRML_SFNODE);
                record->sfnode.defref = defref;
                record->sfnode.node = s.def("T");
                vrml_print_SFNode(s.ctx, record);
            },
            FatalExit(),
            "FATAL<Could not find def: " + std::to_string(defref < 0 ? -defref : defref) + ">");
    }
}

// ---- IS members and wiring marks ------------------------------------------

TEST(PrintIs, MemberIsWrittenAsISInsideItsPrototypeScopeOnly) {
    PrototypeBody p("Transform { translation IS pos center 1 1 1 }");
    vrml_field *r = p.parse();
    ASSERT_NE(r, nullptr);
    LoadedScene &s = p.scene;
    EXPECT_EQ(printed(s, r->sfnode.node),
              "Transform {\n  center 1.000000 1.000000 1.000000\n  translation IS pos\n}");
    vrml_popscope(s.ctx);
    EXPECT_EQ(printed(s, r->sfnode.node), "Transform {\n  center 1.000000 1.000000 1.000000}");
    std::free(r);
}

TEST(PrintIs, WiringMarkIsWrittenAsAnAssignedMember) {
    LoadedScene s("Transform { translation 1 2 3 }");
    vrml_node *t = s.root(0)->sfnode.node;
    const std::string assigned = "Transform {\n  translation 1.000000 2.000000 3.000000}";
    for (int mark : {-125, -126}) {
        t->members[kTransformTranslation].status = static_cast<int8_t>(mark);
        EXPECT_EQ(printed(s, t), assigned) << mark;
    }
    t->members[kTransformTranslation].status = 1;  // the record is the member's own
}

TEST(PrintNodeDeathTest, MemberOfAnUnknownClassEndsTheProcess) {
    EXPECT_EXIT(
        {
            vrml_setfatalhandler(print_fatal_message, nullptr);
            LoadedScene s("");
            auto *members = static_cast<vrml_fieldtemplate *>(vrml_malloc(3 * sizeof(vrml_fieldtemplate)));
            members[0] = member_record(VRML_FIELD, VRML_MFNODE, "#baseclass");
            members[1] = member_record(VRML_FIELD, VRML_SFINT32, "#scope");
            members[2] = member_record(VRML_FIELD, VRML_SFBOOL, "odd");
            members[2].memberclass = 4;
            char *name = static_cast<char *>(vrml_malloc(2));
            name[0] = 'Q';
            vrml_nodetemplate *q = vrml_createnodetemplate(name, 3, members);
            int id = vrml_addtemplate(s.ctx->templates, q);
            vrml_node *node = vrml_allocnode(q);
            node->type = id;
            node->nodetemplate = q;
            node->members[2].status = 1;
            vrml_print_node(s.ctx, node);
        },
        FatalExit(), "FATAL<v_print_n: Fatal err: invalid class>");
}

TEST(PrintNode, PrototypeInstanceNeverWritesItsHiddenMembers) {
    PrototypeBody p("");
    vrml_context *ctx = p.scene.ctx;
    vrml_popscope(ctx);
    ctx->protoindex = -1;
    vrml_node *node = vrml_createnode_nc(ctx, p.id);
    ASSERT_NE(node, nullptr);
    node->members[0].status = 1;
    node->members[1].status = 1;
    EXPECT_EQ(printed(p.scene, node), "P {}");
    ASSERT_EQ(vrml_setnodefield(ctx->templates, node, nullptr, PrototypeBody::kPos), 1);
    EXPECT_EQ(printed(p.scene, node), "P {\n  pos 0.000000 0.000000 0.000000}");
}

}  // namespace
