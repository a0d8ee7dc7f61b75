// Node statements: NULL, DEF, USE, Script, a type with its body, and what
// each failure stops (the statement, the enclosing list, or one member).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "loader/memory.h"
#include "support/loaded_scene.h"

namespace {

using Texts = std::vector<std::string>;

constexpr int kGroup = 19, kShape = 39, kTransform = 50;
// Member indices of the built-in templates used below.
constexpr int kGroupAddChildren = 0, kGroupChildren = 2;
constexpr int kShapeAppearance = 0, kShapeGeometry = 1;
constexpr int kTransformTranslation = 7;

const float *vec3(vrml_node *node, int m) {
    return vrml_memberContentPtr(&node->members[m])->sfvec3f;
}

// Reads statements from text straight into a context holding an empty world.
struct Statement {
    explicit Statement(const std::string &text) : scene(""), more(text) {
        scene.ctx->in = more.get();
    }
    vrml_field *parse(char *defname = nullptr) { return vrml_parse_node(scene.ctx, defname); }
    vrml_deftable *defs() { return scene.ctx->deftable; }
    LoadedScene scene;
    StringInput more;
};

TEST(ParseNode, PlainNodeGivesAFreshRecordWithDefref0) {
    Statement s("Transform { translation 1 2 3 } rest");
    vrml_field *r = s.parse();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->sfnode.defref, 0);
    ASSERT_NE(r->sfnode.node, nullptr);
    EXPECT_EQ(r->sfnode.node->type, kTransform);
    EXPECT_EQ(r->sfnode.node->defname, nullptr);
    EXPECT_EQ(r->sfnode.node->members[kTransformTranslation].status, 1);
    EXPECT_EQ(vec3(r->sfnode.node, kTransformTranslation)[1], 2.0f);
    EXPECT_EQ(s.scene.ctx->allnodes.count, 1);
    EXPECT_EQ(s.more.rest(), " rest");
    std::free(r);
}

TEST(ParseNode, DefMakesItsEntryAndUseRefersToIt) {
    LogCapture log;
    LoadedScene s("DEF A Transform {} USE A");
    ASSERT_EQ(s.roots(), 2);
    vrml_field *def = s.root(0), *use = s.root(1);
    EXPECT_EQ(def->sfnode.defref, -1);
    EXPECT_EQ(use->sfnode.defref, 1);
    EXPECT_EQ(use->sfnode.node, def->sfnode.node);
    EXPECT_EQ(s.ctx->allnodes.count, 1);
    ASSERT_EQ(s.ctx->deftable->defs.count, 1);
    vrml_defentry *entry = vrml_getdefentry(s.ctx->deftable, 0);
    EXPECT_STREQ(entry->name, "A");
    EXPECT_EQ(entry->node, def->sfnode.node);
    EXPECT_EQ(def->sfnode.node->defname, entry->name);
    EXPECT_TRUE(log.messages().empty());
}

TEST(ParseNode, DefEntryExistsBeforeTheBodyIsRead) {
    LoadedScene s("DEF Outer Group { children [ DEF Inner Shape {} USE Outer ] }");
    ASSERT_EQ(s.roots(), 1);
    vrml_node *outer = s.root(0)->sfnode.node;
    EXPECT_EQ(s.root(0)->sfnode.defref, -1);
    vrml_mfnode &children = vrml_memberContentPtr(&outer->members[kGroupChildren])->mfnode;
    ASSERT_EQ(children.count, 2);
    auto *inner = static_cast<vrml_field *>(children.nodes.first->data);
    auto *back = static_cast<vrml_field *>(children.nodes.last->data);
    EXPECT_EQ(inner->sfnode.defref, -2);
    EXPECT_EQ(inner->sfnode.node->type, kShape);
    EXPECT_EQ(back->sfnode.defref, 1);
    EXPECT_EQ(back->sfnode.node, outer);
    EXPECT_STREQ(vrml_getdefentry(s.ctx->deftable, 0)->name, "Outer");
    EXPECT_STREQ(vrml_getdefentry(s.ctx->deftable, 1)->name, "Inner");
}

TEST(ParseNode, NullAndUseDropAGivenDefName) {
    LoadedScene s("DEF B Group {} DEF A NULL DEF C USE B");
    ASSERT_EQ(s.roots(), 3);
    EXPECT_EQ(s.root(1)->sfnode.defref, 0);
    EXPECT_EQ(s.root(1)->sfnode.node, nullptr);
    EXPECT_EQ(s.root(2)->sfnode.defref, 1);
    EXPECT_EQ(s.root(2)->sfnode.node, s.root(0)->sfnode.node);
    EXPECT_EQ(s.ctx->deftable->defs.count, 1);
    EXPECT_EQ(vrml_finddefidx(s.ctx->deftable, "A"), -1);
    EXPECT_EQ(vrml_finddefidx(s.ctx->deftable, "C"), -1);
}

TEST(ParseNode, NullIsAnEntryOfItsList) {
    LoadedScene s("NULL Group { children [ NULL Shape {} ] }");
    ASSERT_EQ(s.roots(), 2);
    EXPECT_EQ(s.root(0)->sfnode.node, nullptr);
    vrml_mfnode &children =
        vrml_memberContentPtr(&s.root(1)->sfnode.node->members[kGroupChildren])->mfnode;
    ASSERT_EQ(children.count, 2);
    EXPECT_EQ(static_cast<vrml_field *>(children.nodes.first->data)->sfnode.node, nullptr);
}

TEST(ParseNode, LaterDefNameReplacesAnEarlierOneAndSurvivesARoute) {
    LoadedScene s("DEF T Transform {} DEF a DEF b ROUTE T.translation TO T.translation Group {}");
    ASSERT_EQ(s.roots(), 2);
    ASSERT_EQ(s.ctx->deftable->defs.count, 2);
    EXPECT_STREQ(vrml_getdefentry(s.ctx->deftable, 1)->name, "b");
    EXPECT_EQ(s.def("b"), s.root(1)->sfnode.node);
    EXPECT_EQ(s.root(1)->sfnode.defref, -2);
    EXPECT_EQ(s.root(1)->sfnode.node->type, kGroup);
    EXPECT_EQ(routes_leaving(s.def("T"), kTransformTranslation)->count, 1);
}

TEST(ParseNode, LatestDefOfANameWinsForUse) {
    LoadedScene s("DEF A Group {} DEF A Transform {} USE A");
    ASSERT_EQ(s.roots(), 3);
    EXPECT_EQ(s.root(2)->sfnode.defref, 2);
    EXPECT_EQ(s.root(2)->sfnode.node, s.root(1)->sfnode.node);
}

TEST(ParseNode, DefNameIsTakenOverOrReleased) {
    // The given name becomes the entry's own text; with NULL it is released
    // (the sanitizer run would see a double release or a stray pointer).
    Statement s("Group {} NULL");
    char *name = nullptr;
    vrml_savestring(&name, "G");
    vrml_field *r = s.parse(name);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->sfnode.defref, -1);
    EXPECT_EQ(vrml_getdefentry(s.defs(), 0)->name, name);
    char *dropped = nullptr;
    vrml_savestring(&dropped, "N");
    vrml_field *null = s.parse(dropped);
    ASSERT_NE(null, nullptr);
    EXPECT_EQ(null->sfnode.node, nullptr);
    EXPECT_EQ(s.defs()->defs.count, 1);
    std::free(r);
    std::free(null);
}

TEST(ParseNode, EndOfInputAndMissingNamesGiveNull) {
    for (const char *text : {"", "   # only a comment", "DEF", "DEF {", "USE", "USE ]"}) {
        LogCapture log;
        Statement s(text);
        EXPECT_EQ(s.parse(), nullptr) << text;
        EXPECT_TRUE(log.messages().empty()) << text;
        EXPECT_EQ(s.defs()->defs.count, 0);
    }
}

TEST(ParseNode, TypeNameWithoutBraceIsConsumedAndFails) {
    LogCapture log;
    Statement s("Transform [ ]");
    EXPECT_EQ(s.parse(), nullptr);
    EXPECT_EQ(s.more.rest(), "[ ]");
    EXPECT_EQ(s.scene.ctx->allnodes.count, 0);
    EXPECT_TRUE(log.messages().empty());
}

TEST(ParseNode, UseOfAnUnknownNameIsReportedAndFails) {
    LogCapture log;
    Statement s("USE Nobody Group {}");
    EXPECT_EQ(s.parse(), nullptr);
    EXPECT_EQ(log.texts(), Texts{"v_pn: Couldn't use Nobody\n"});
    EXPECT_EQ(log.messages()[0].code, 0);
    EXPECT_EQ(s.more.rest(), " Group {}");
}

TEST(ParseNode, UseLooksOnlyInTheCurrentDefTable) {
    LogCapture log;
    LoadedScene s("DEF A Group {}");
    StringInput more("USE A");
    s.ctx->in = more.get();
    ASSERT_GE(vrml_pushscopeidx(s.ctx, vrml_newscope(s.ctx)), 0);
    EXPECT_EQ(vrml_parse_node(s.ctx, nullptr), nullptr);
    EXPECT_EQ(log.texts(), Texts{"v_pn: Couldn't use A\n"});
    vrml_popscope(s.ctx);
}

TEST(ParseNode, ScriptGoesToTheScriptReaderWhoseRecordIsReturned) {
    // An incomplete Script fails in the Script reader; its record is still
    // the statement's result.
    LogCapture log;
    Statement s("Script");
    vrml_field *r = s.parse();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->sfnode.defref, 0);
    EXPECT_EQ(r->sfnode.node, nullptr);
    ASSERT_FALSE(log.messages().empty());
    const LoggedMessage &last = log.messages().back();
    EXPECT_EQ(last.text, "vpn.rsb failed");
    EXPECT_EQ(last.ctx, s.scene.ctx);
    EXPECT_EQ(last.code, 0);
    std::free(r);
}

// ---- Failures and what they stop -----------------------------------------

TEST(StatementFailures, FailedUseStopsTheTopLevelList) {
    LogCapture log;
    LoadedScene s("Group {} USE Missing Group {}");
    EXPECT_EQ(s.roots(), 1);
    EXPECT_EQ(s.ctx->allnodes.count, 1);
    EXPECT_EQ(log.texts(), Texts{"v_pn: Couldn't use Missing\n"});
}

TEST(StatementFailures, FailedElementEndsAnMFNodeListAndTheRestIsReadAsMembers) {
    LogCapture log;
    LoadedScene s("Group { children [ Shape {} USE Missing Shape {} ] } Group {}");
    EXPECT_EQ(s.roots(), 1);
    vrml_node *group = s.root(0)->sfnode.node;
    EXPECT_EQ(group->members[kGroupChildren].status, 1);
    EXPECT_EQ(vrml_memberContentPtr(&group->members[kGroupChildren])->mfnode.count, 1);
    // "Shape" is taken for a member name, "{" ends the body; the loop then
    // meets "{" where a statement should begin and stops.
    EXPECT_EQ(log.texts(), (Texts{"v_pn: Couldn't use Missing\n", "v_d_n:unk field:Shape\n",
                                  "vrml_get_fieldname: Invalid name: {\n",
                                  "v_d_n: Bad field token"}));
    EXPECT_EQ(s.ctx->allnodes.count, 2);
}

TEST(StatementFailures, FailedSingleNodeOfAnMFNodeLeavesAnEmptyAssignedList) {
    LogCapture log;
    LoadedScene s("Group { children USE Missing bboxCenter 1 2 3 }");
    ASSERT_EQ(s.roots(), 1);
    vrml_node *group = s.root(0)->sfnode.node;
    EXPECT_EQ(group->members[kGroupChildren].status, 1);
    EXPECT_EQ(vrml_memberContentPtr(&group->members[kGroupChildren])->mfnode.count, 0);
    EXPECT_EQ(group->members[3].status, 1);
    EXPECT_EQ(log.texts(),
              (Texts{"v_pn: Couldn't use Missing\n", "v_gmfn: unexpected NULL node\n"}));
}

TEST(StatementFailures, FailedSFNodeValueStoresNullAndTheBodyGoesOn) {
    LogCapture log;
    LoadedScene s("Shape { geometry USE Missing appearance Appearance {} }");
    ASSERT_EQ(s.roots(), 1);
    vrml_node *shape = s.root(0)->sfnode.node;
    vrml_field *geometry = vrml_memberContentPtr(&shape->members[kShapeGeometry]);
    EXPECT_EQ(shape->members[kShapeGeometry].status, 1);
    EXPECT_EQ(geometry->sfnode.defref, 0);
    EXPECT_EQ(geometry->sfnode.node, nullptr);
    EXPECT_EQ(shape->members[kShapeAppearance].status, 1);
    EXPECT_NE(vrml_memberContentPtr(&shape->members[kShapeAppearance])->sfnode.node, nullptr);
    EXPECT_EQ(log.texts(), Texts{"v_pn: Couldn't use Missing\n"});
}

TEST(StatementFailures, UnknownMemberIsSkippedAndItsValueReadAsNames) {
    LogCapture log;
    LoadedScene s("Transform { scaling 1 2 3 translation 4 5 6 } Group {}");
    ASSERT_EQ(s.roots(), 2);
    vrml_node *t = s.root(0)->sfnode.node;
    EXPECT_EQ(t->members[kTransformTranslation].status, 1);
    EXPECT_EQ(vec3(t, kTransformTranslation)[2], 6.0f);
    EXPECT_EQ(log.texts(), (Texts{"v_d_n:unk field:scaling\n", "v_d_n:unk field:1\n",
                                  "v_d_n:unk field:2\n", "v_d_n:unk field:3\n"}));
}

TEST(StatementFailures, MemberNamesAreCaseSensitive) {
    LogCapture log;
    LoadedScene s("Transform { Translation 0 0 0 }");
    ASSERT_EQ(s.roots(), 1);
    EXPECT_EQ(log.texts()[0], "v_d_n:unk field:Translation\n");
}

TEST(StatementFailures, BadMemberTokenEndsTheBodyButKeepsTheNode) {
    LogCapture log;
    Statement s("Transform { translation 1 2 3 [ center 1 1 1 ] }");
    vrml_field *r = s.parse();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->sfnode.node->members[kTransformTranslation].status, 1);
    EXPECT_EQ(r->sfnode.node->members[2].status, 0);
    EXPECT_EQ(log.texts(),
              (Texts{"vrml_get_fieldname: Invalid name: [\n", "v_d_n: Bad field token"}));
    EXPECT_EQ(s.more.rest(), "[ center 1 1 1 ] }");
    std::free(r);
}

TEST(StatementFailures, BodyWithoutClosingBraceAtTheEndStillGivesTheNode) {
    LogCapture log;
    LoadedScene s("Group {} Transform { translation 1 2 3");
    ASSERT_EQ(s.roots(), 2);
    EXPECT_EQ(s.root(1)->sfnode.node->members[kTransformTranslation].status, 1);
    EXPECT_TRUE(log.messages().empty());
}

TEST(StatementFailures, StrayClosingCharactersEndTheTopLevel) {
    LoadedScene s("Group {} ] Group {}");
    EXPECT_EQ(s.roots(), 1);
    EXPECT_EQ(s.in.rest(), "] Group {}");
}

TEST(StatementFailures, SecondAssignmentWinsAndIsCounted) {
    LoadedScene s("Transform { translation 1 0 0 translation 0 2 0 }");
    vrml_node *t = s.root(0)->sfnode.node;
    EXPECT_EQ(t->members[kTransformTranslation].status, 2);
    EXPECT_EQ(vec3(t, kTransformTranslation)[0], 0.0f);
    EXPECT_EQ(vec3(t, kTransformTranslation)[1], 2.0f);
}

TEST(StatementFailures, ValueGivenToAnEventInIsReadAndNotStored) {
    LogCapture log;
    LoadedScene s("Group { addChildren Shape {} children [] }");
    ASSERT_EQ(s.roots(), 1);
    vrml_node *group = s.root(0)->sfnode.node;
    EXPECT_EQ(group->members[kGroupAddChildren].status, 0);
    EXPECT_EQ(group->members[kGroupChildren].status, 1);
    // The Shape was made while the value was read.
    EXPECT_EQ(s.ctx->allnodes.count, 2);
    EXPECT_EQ(log.texts(), Texts{"v_snf: bad member class"});
}

TEST(StatementFailures, IsOutsideAPrototypeBodyIsReadAsAValue) {
    LogCapture log;
    LoadedScene s("Group { children IS kids }");
    ASSERT_EQ(s.roots(), 1);
    vrml_node *group = s.root(0)->sfnode.node;
    EXPECT_EQ(group->members[kGroupChildren].status, 1);
    EXPECT_EQ(log.texts(), (Texts{"v_gmfn: unexpected NULL node\n", "v_d_n:unk field:kids\n"}));
}

TEST(StatementFailures, RouteInsideABodyMayNameItsOwnNode) {
    LogCapture log;
    LoadedScene s(
        "DEF T Transform { ROUTE T.translation_changed TO T.set_center translation 1 1 1 }");
    ASSERT_EQ(s.roots(), 1);
    EXPECT_TRUE(log.messages().empty());
    vrml_node *t = s.def("T");
    EXPECT_EQ(t->members[kTransformTranslation].status, 1);
    vrml_route *route = route_at(routes_leaving(t, kTransformTranslation), 0);
    ASSERT_NE(route, nullptr);
    EXPECT_EQ(route->targetnode, t);
    EXPECT_EQ(route->targetmember, 2);
}

// ---- Fatal conditions ----------------------------------------------------

TEST(StatementFatalDeathTest, UnknownNodeTypeEndsTheProcess) {
    EXPECT_EXIT(
        {
            vrml_setfatalhandler(print_fatal_message, nullptr);
            LoadedScene s("Group {} Gruop { }");
        },
        FatalExit(), "FATAL<Unrecognized node: Gruop>");
}

TEST(StatementFatalDeathTest, TypeNamesAreCaseSensitive) {
    EXPECT_EXIT(
        {
            vrml_setfatalhandler(print_fatal_message, nullptr);
            LoadedScene s("transform {}");
        },
        FatalExit(), "FATAL<Unrecognized node: transform>");
}

TEST(StatementFatalDeathTest, TypeNameStartingWithADigitEndsTheProcess) {
    EXPECT_EXIT(
        {
            vrml_setfatalhandler(print_fatal_message, nullptr);
            LoadedScene s("Group { children [ 3DShape {} ] }");
        },
        FatalExit(), "FATAL<v_g_nn: Invalid name: is digit!!! 51\n>");
}

// ---- IS mappings inside a prototype body ---------------------------------

using P = PrototypeBody;
constexpr int kPos = P::kPos, kGo = P::kGo, kDone = P::kDone, kTranslation = P::kTranslation;

TEST(IsMapping, RecordsTheInterfaceMemberInTheStatus) {
    LogCapture log;
    PrototypeBody p("Transform { translation IS pos center 1 2 3 }");
    EXPECT_EQ(p.id, VRML_BUILTIN_COUNT);
    vrml_field *r = p.parse();
    ASSERT_NE(r, nullptr);
    vrml_node *t = r->sfnode.node;
    EXPECT_EQ(t->members[kTransformTranslation].status, -(kPos + 1));
    EXPECT_EQ(vec3(t, kTransformTranslation)[0], 0.0f);
    EXPECT_EQ(t->members[2].status, 1);
    EXPECT_TRUE(log.messages().empty());
    std::free(r);
}

TEST(IsMapping, ExposedFieldMayMapToAnyClassOthersOnlyToTheirOwn) {
    LogCapture log;
    PrototypeBody p("Transform { translation IS go } Transform { bboxCenter IS translation }");
    vrml_field *a = p.parse();
    vrml_field *b = p.parse();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->sfnode.node->members[kTransformTranslation].status, -(kGo + 1));
    EXPECT_EQ(b->sfnode.node->members[8].status, -(kTranslation + 1));
    EXPECT_TRUE(log.messages().empty());
    std::free(a);
    std::free(b);
}

TEST(IsMapping, ClassMismatchIsRecordedButFailsTheStatement) {
    LogCapture log;
    PrototypeBody p("DEF G Group { addChildren IS done children [] }");
    EXPECT_EQ(p.parse(), nullptr);
    // The node stays made and named.
    vrml_context *ctx = p.scene.ctx;
    EXPECT_EQ(ctx->allnodes.count, 1);
    vrml_node *g = vrml_getdefentry(ctx->deftable, 0)->node;
    EXPECT_EQ(g->members[kGroupAddChildren].status, -(kDone + 1));
    EXPECT_EQ(g->members[kGroupChildren].status, 1);
    ASSERT_EQ(log.texts(), (Texts{"Invalid IS relationship", "Invalid IS relationship"}));
    EXPECT_EQ(log.messages()[0].ctx, ctx);
    EXPECT_EQ(log.messages()[1].ctx, nullptr);
}

TEST(IsMapping, NameNotInTheInterfaceIsIgnored) {
    LogCapture log;
    PrototypeBody p("Transform { translation IS where }");
    vrml_field *r = p.parse();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->sfnode.node->members[kTransformTranslation].status, 0);
    ASSERT_EQ(log.texts(),
              (Texts{"Could not match field to parent prototype", "Invalid IS source"}));
    EXPECT_EQ(log.messages()[0].ctx, p.scene.ctx);
    EXPECT_EQ(log.messages()[1].ctx, nullptr);
    std::free(r);
}

TEST(IsMapping, UnreadableNameFallsBackToTheMemberName) {
    LogCapture log;
    PrototypeBody p("Transform { translation IS }");
    vrml_field *r = p.parse();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->sfnode.node->members[kTransformTranslation].status, -(kTranslation + 1));
    EXPECT_EQ(log.texts(),
              (Texts{"vrml_get_fieldname: Invalid name: }\n", "v_d_n: IS field bad token"}));
    EXPECT_EQ(log.messages()[1].ctx, nullptr);
    std::free(r);
}

TEST(IsMapping, InterfaceIndexBeyondTheStatusRangeIsIgnored) {
    LogCapture log;
    PrototypeBody p("Group { bboxCenter IS m124 } Group { bboxCenter IS m123 }", 125);
    vrml_field *far = p.parse();
    vrml_field *near = p.parse();
    ASSERT_NE(far, nullptr);
    ASSERT_NE(near, nullptr);
    EXPECT_EQ(far->sfnode.node->members[3].status, 0);
    EXPECT_EQ(near->sfnode.node->members[3].status, -124);
    EXPECT_EQ(log.texts(), Texts{"v_d_n: IS field index out of range"});
    std::free(far);
    std::free(near);
}

TEST(IsMappingDeathTest, IsWithoutAParentScopeEndsTheProcess) {
    EXPECT_EXIT(
        {
            vrml_setfatalhandler(print_fatal_message, nullptr);
            Statement s("Transform { translation IS pos }");
            s.scene.ctx->protoindex = 0;
            s.parse();
        },
        FatalExit(), "FATAL<v_d_n: no parent scope>");
}

}  // namespace
