// Prototype instances: body copies, IS connections with their shared parts
// and forwarding routes, DEF and USE per instance, nested prototypes, and
// the SFNode and MFNode duplicates that make the copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <algorithm>

#include "fields/field_internal.h"
#include "parser/parser_internal.h"
#include "support/loaded_scene.h"

namespace {

using Texts = std::vector<std::string>;

int member(vrml_node *node, const char *name) { return vrml_findnodefieldidx(node, name); }

// Body element i of a prototype instance.
vrml_field *body(vrml_node *instance, int i) {
    vrml_field *value = vrml_memberContentPtr(&instance->members[0]);
    vrml_listitem *it = value ? value->mfnode.nodes.first : nullptr;
    for (; it && i > 0; --i) it = it->next;
    return it ? static_cast<vrml_field *>(it->data) : nullptr;
}

vrml_eventin *eventin_of(vrml_node *node, int m) {
    vrml_member &slot = node->members[m];
    if (slot.memberclass == VRML_EVENTIN) return static_cast<vrml_eventin *>(slot.content);
    return static_cast<vrml_exposedfield *>(slot.content)->eventin;
}

const char *const kMover =
    "PROTO Mover [ exposedField SFVec3f pos 1 2 3 eventIn SFVec3f moveTo\n"
    "              eventOut SFVec3f moved field SFVec3f start 7 8 9 ]\n"
    "{\n"
    "  DEF T Transform { translation IS pos center IS moveTo scale IS moved\n"
    "                    children [ DEF B Shape {} USE B ] }\n"
    "  Transform { translation IS start }\n"
    "}\n"
    "DEF A Mover { pos 4 5 6 } DEF C Mover { }\n";

struct Movers : testing::Test {
    Movers() : s(kMover) {
        a = s.def("A");
        c = s.def("C");
        t = body(a, 0)->sfnode.node;
        second = body(a, 1)->sfnode.node;
    }
    LoadedScene s;
    vrml_node *a, *c, *t, *second;
};

TEST_F(Movers, ExposedFieldOntoExposedFieldSharesTheWholeRecord) {
    const int pos = member(a, "pos"), translation = member(t, "translation");
    EXPECT_EQ(t->members[translation].content, a->members[pos].content);
    EXPECT_EQ(t->members[translation].sharedpart, 0);
    EXPECT_EQ(t->members[translation].status, -(pos + 1));
    EXPECT_EQ(vrml_memberContentPtr(&t->members[translation])->sfvec3f[0], 4.0f);
    // A value set through the instance is what the body node holds.
    vrml_field *value = vrml_allocfield(VRML_SFVEC3F);
    value->sfvec3f[0] = 9;
    vrml_setnodefield(s.ctx->templates, a, value, pos);
    EXPECT_EQ(vrml_getnodefield(s.ctx->templates, t, translation), value);
    // Both forwarding routes land in the shared eventIn record.
    vrml_list &routes = eventin_of(a, pos)->routes;
    ASSERT_EQ(routes.count, 2);
    EXPECT_EQ(route_at(&routes, 0)->sourcenode, a);
    EXPECT_EQ(route_at(&routes, 0)->targetnode, t);
    EXPECT_EQ(route_at(&routes, 0)->targetmember, translation);
    EXPECT_EQ(route_at(&routes, 1)->sourcenode, t);
    EXPECT_EQ(route_at(&routes, 1)->targetnode, a);
}

TEST_F(Movers, ExposedFieldOntoOtherClassesSharesOnePart) {
    const int center = member(t, "center"), scale = member(t, "scale");
    auto *centerrecord = static_cast<vrml_exposedfield *>(t->members[center].content);
    EXPECT_EQ(t->members[center].sharedpart, 1);
    EXPECT_EQ(centerrecord->eventin, a->members[member(a, "moveTo")].content);
    EXPECT_NE(centerrecord->holder, nullptr);
    vrml_list &routes = centerrecord->eventin->routes;
    ASSERT_EQ(routes.count, 2);
    EXPECT_EQ(route_at(&routes, 0)->targetnode, t);
    EXPECT_EQ(route_at(&routes, 1)->targetnode, a);

    auto *scalerecord = static_cast<vrml_exposedfield *>(t->members[scale].content);
    EXPECT_EQ(t->members[scale].sharedpart, 2);
    EXPECT_EQ(scalerecord->eventout, a->members[member(a, "moved")].content);

    const int translation = member(second, "translation");
    auto *record = static_cast<vrml_exposedfield *>(second->members[translation].content);
    EXPECT_EQ(second->members[translation].sharedpart, 4);
    EXPECT_EQ(record->holder, a->members[member(a, "start")].content);
    EXPECT_EQ((*record->holder)->sfvec3f[2], 9.0f);
}

TEST_F(Movers, TwoInstancesShareNothing) {
    vrml_node *ct = body(c, 0)->sfnode.node;
    EXPECT_NE(ct, t);
    for (int m = 0; m < t->nodetemplate->membercount; ++m)
        EXPECT_NE(ct->members[m].content, t->members[m].content) << m;
    EXPECT_EQ(vrml_memberContentPtr(&ct->members[member(ct, "translation")])->sfvec3f[0], 1.0f);
    EXPECT_NE(vrml_memberContentPtr(&a->members[1])->sfint32,
              vrml_memberContentPtr(&c->members[1])->sfint32);
}

TEST_F(Movers, ADefUsedTwiceGivesOneCopyPerInstanceBoundInItsScope) {
    vrml_field *children = vrml_memberContentPtr(&t->members[member(t, "children")]);
    ASSERT_EQ(children->mfnode.count, 2);
    auto *def = static_cast<vrml_field *>(children->mfnode.nodes.first->data);
    auto *use = static_cast<vrml_field *>(children->mfnode.nodes.last->data);
    EXPECT_EQ(def->sfnode.node, use->sfnode.node);
    EXPECT_EQ(def->sfnode.defref, -2);
    EXPECT_EQ(use->sfnode.defref, 2);
    vrml_scope *scope = vrml_getscopeentry(s.ctx, vrml_memberContentPtr(&a->members[1])->sfint32);
    ASSERT_NE(scope, nullptr);
    EXPECT_EQ(scope->owner, a);
    EXPECT_EQ(vrml_getdefentry(scope->deftable, 0)->node, t);
    EXPECT_EQ(vrml_getdefentry(scope->deftable, 1)->node, def->sfnode.node);
    EXPECT_STREQ(def->sfnode.node->defname, "B");
    vrml_node *other = static_cast<vrml_field *>(
        vrml_memberContentPtr(&body(c, 0)->sfnode.node->members[member(t, "children")])
            ->mfnode.nodes.first->data)->sfnode.node;
    EXPECT_NE(other, def->sfnode.node);
    // The declaration's own nodes are untouched.
    vrml_scope *declaration = vrml_getscopeentry(s.ctx, 1);
    EXPECT_NE(vrml_getdefentry(declaration->deftable, 1)->node, def->sfnode.node);
}

TEST(Instancing, NestedPrototypesShareThroughBothLevels) {
    LoadedScene s(
        "PROTO Outer [ exposedField SFColor c 1 0 0 ] {\n"
        "  PROTO Inner [ exposedField SFColor ic 0 1 0 ] { Material { diffuseColor IS ic } }\n"
        "  Inner { ic IS c }\n"
        "}\n"
        "DEF O Outer { c 0 0 1 }\n");
    vrml_node *o = s.def("O");
    vrml_node *material = vrml_baseNode(o);
    ASSERT_NE(material, nullptr);
    EXPECT_STREQ(material->nodetemplate->name, "Material");
    const int diffuse = member(material, "diffuseColor");
    EXPECT_EQ(material->members[diffuse].content, o->members[2].content);
    EXPECT_EQ(vrml_memberContentPtr(&material->members[diffuse])->sfcolor[2], 1.0f);
    vrml_node *inner = body(o, 0)->sfnode.node;
    EXPECT_EQ(inner->members[2].content, o->members[2].content);
    EXPECT_EQ(vrml_baseSFNode(body(o, 0))->sfnode.node, material);
}

TEST(Instancing, ScriptCopiesShareTheirIsMembers) {
    LoadedScene s(
        "PROTO S [ field SFInt32 n 5 eventIn SFBool go ] {\n"
        "  Script { field SFInt32 k IS n eventIn SFBool g IS go field SFInt32 own 3 }\n"
        "}\n"
        "DEF X S { n 9 }\n");
    vrml_node *x = s.def("X");
    vrml_node *script = body(x, 0)->sfnode.node;
    ASSERT_NE(script, nullptr);
    EXPECT_EQ(vrml_baseNode(x), nullptr);
    EXPECT_EQ(script->members[5].content, x->members[2].content);
    EXPECT_EQ(vrml_memberContentPtr(&script->members[5])->sfint32, 9);
    EXPECT_NE(script->members[6].content, nullptr);
    EXPECT_EQ(eventin_of(x, 3)->routes.count, 1);
    EXPECT_EQ(eventin_of(script, 6)->routes.count, 1);
    EXPECT_EQ(script->members[7].status, 1);
    EXPECT_EQ(vrml_memberContentPtr(&script->members[7])->sfint32, 3);
}

TEST(Instancing, MismatchedIsSharesOnlyARecordOfTheSameShape) {
    LogCapture log;
    LoadedScene s(
        "PROTO M [ exposedField SFTime e 0 field SFTime f 0 ] {\n"
        "  Script { eventOut SFTime out IS e field SFTime keep IS f }\n"
        "}\n"
        "DEF X M { }\n");
    vrml_node *x = s.def("X");
    vrml_node *script = body(x, 0)->sfnode.node;
    ASSERT_NE(script, nullptr);
    EXPECT_EQ(script->members[5].content, static_cast<vrml_exposedfield *>(x->members[2].content)->eventout);
    EXPECT_EQ(script->members[6].content, x->members[3].content);
    Texts texts = log.texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Invalid IS: eventOut can only map to another eventOut"), 1);
}

TEST(Duplicate, NullSourceAndMissingDefEntry) {
    LogCapture log;
    vrml_context bare{};
    EXPECT_EQ(vrml_dup_SFNode(&bare, nullptr), nullptr);
    LoadedScene s("DEF A Group {}");
    s.ctx->in = nullptr;
    vrml_field missing{};
    missing.sfnode.defref = 5;
    missing.sfnode.node = s.def("A");
    EXPECT_EQ(vrml_dup_SFNode(s.ctx, &missing), nullptr);
    EXPECT_EQ(log.texts(), (Texts{"dupSFN(-1): Duping NULL", "DUPSFN FATAL: @line -1"}));

    // An MFNode element whose duplicate fails is dropped.
    vrml_field *list = vrml_allocfield(VRML_MFNODE);
    vrml_field *plain = vrml_allocfield(VRML_SFNODE);
    vrml_field *named = vrml_allocfield(VRML_SFNODE);
    plain->sfnode = missing.sfnode;
    plain->sfnode.defref = 0;
    named->sfnode = missing.sfnode;
    vrml_listappend(&list->mfnode.nodes, named);
    vrml_listappend(&list->mfnode.nodes, plain);
    list->mfnode.count = 2;
    const int nodes = s.ctx->allnodes.count;
    vrml_field *copy = vrml_dup_MFNode(s.ctx, list);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->mfnode.count, 1);
    EXPECT_EQ(copy->mfnode.nodes.count, 1);
    vrml_node *made = static_cast<vrml_field *>(copy->mfnode.nodes.first->data)->sfnode.node;
    EXPECT_NE(made, s.def("A"));
    EXPECT_STREQ(made->nodetemplate->name, "Group");
    EXPECT_EQ(s.ctx->allnodes.count, nodes + 1);
    vrml_free_MFNode(copy);
    vrml_free_MFNode(list);
}

TEST(Duplicate, DefAndUseOfOneEntryShareOneCopy) {
    LoadedScene s("DEF A Group {} DEF B Group {}");
    vrml_node *b = s.def("B");
    vrml_pushscopeidx(s.ctx, vrml_dupscope(s.ctx, vrml_getscopeentry(s.ctx, 0)));
    vrml_field def{}, use{};
    def.sfnode = {-2, b};
    use.sfnode = {2, b};
    vrml_field *first = vrml_dup_SFNode(s.ctx, &use);
    vrml_field *second = vrml_dup_SFNode(s.ctx, &def);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->sfnode.node, second->sfnode.node);
    EXPECT_EQ(first->sfnode.defref, 2);
    EXPECT_EQ(second->sfnode.defref, -2);
    ASSERT_NE(first->sfnode.node, nullptr);
    EXPECT_NE(first->sfnode.node, b);
    EXPECT_EQ(vrml_getdefentry(s.ctx->deftable, 1)->node, first->sfnode.node);
    EXPECT_EQ(vrml_getdefentry(s.ctx->deftable, 0)->node, nullptr);
    std::free(first);
    std::free(second);
}

}  // namespace
