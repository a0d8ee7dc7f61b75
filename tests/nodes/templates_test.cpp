#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "fields/field_internal.h"
#include "nodes/node_internal.h"
#include "scene_fixture.h"

namespace {

vrml_nodetemplate *named(const char *name, std::vector<vrml_fieldtemplate> *members = nullptr) {
    return vrml_createnodetemplate(name, members ? static_cast<int>(members->size()) : 0,
                                   members ? members->data() : nullptr);
}

vrml_fieldtemplate member(int memberclass, int type, const char *name) {
    return {memberclass, type, const_cast<char *>(name), nullptr, 0};
}

TEST(TemplateTable, HoldsAtMost1024Templates) {
    vrml_templatetable *table = vrml_createtemplate();
    vrml_nodetemplate *t = named("T");
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(vrml_addtemplate(table, t), i);
    EXPECT_EQ(vrml_addtemplate(table, t), -1);
    EXPECT_EQ(table->count, 1024);
    EXPECT_EQ(vrml_gettemplateentry(table, 1023), t);
    EXPECT_EQ(vrml_gettemplateentry(table, 1024), nullptr);
    EXPECT_EQ(vrml_gettemplateentry(table, -1), nullptr);
    table->count = 5;
    EXPECT_EQ(vrml_gettemplateentry(table, 5), nullptr);
    EXPECT_EQ(vrml_gettemplateentry(nullptr, 0), nullptr);
    std::free(t);
    std::free(table);
}

TEST(TemplateTable, FindNodeLowestIdWinsAndFollowsChanges) {
    vrml_templatetable *table = vrml_createtemplate();
    ASSERT_EQ(vrml_addbuiltinnodes(table), 1);
    EXPECT_EQ(vrml_findnode(table, "Transform"), 50);
    EXPECT_EQ(vrml_findnode(table, "ZEBSurface2"), 80);
    EXPECT_EQ(vrml_findnode(table, "transform"), -1);
    EXPECT_EQ(vrml_findnode(table, "Transfor"), -1);
    EXPECT_EQ(vrml_findnode(table, nullptr), -1);
    EXPECT_EQ(vrml_findnode(nullptr, "Transform"), -1);
    // A declaration named like a built-in is found at the built-in's id.
    vrml_nodetemplate *clash = named("Group"), *p = named("P"), *q = named("Q");
    EXPECT_EQ(vrml_addtemplate(table, clash), 81);
    EXPECT_EQ(vrml_findnode(table, "Group"), 19);
    EXPECT_EQ(vrml_addtemplate(table, p), 82);
    EXPECT_EQ(vrml_findnode(table, "P"), 82);
    // Withdrawn, then the slot reused by another declaration.
    table->count = 82;
    EXPECT_EQ(vrml_findnode(table, "P"), -1);
    EXPECT_EQ(vrml_addtemplate(table, q), 82);
    EXPECT_EQ(vrml_findnode(table, "P"), -1);
    EXPECT_EQ(vrml_findnode(table, "Q"), 82);
    // The last slot replaced in place by a host.
    table->templates[82] = p;
    EXPECT_EQ(vrml_findnode(table, "P"), 82);
    EXPECT_EQ(vrml_findnode(table, "Q"), -1);
    table->templates[82] = q;
    EXPECT_EQ(vrml_findnode(table, "P"), -1);
    EXPECT_EQ(vrml_findnode(table, "Q"), 82);
    for (auto *t : {clash, p, q}) std::free(t);
    vrml_templatetable_releaseindex(table);
    std::free(table);
}

TEST(TemplateTable, AllocatorsShareOneOperation) {
#if defined(__GNUC__) && !defined(_WIN32)
    EXPECT_EQ(function_address(&vrml_createnamespace), function_address(&vrml_allocnodetemplate));
#endif
    auto *record = static_cast<unsigned char *>(vrml_createnamespace());
    ASSERT_NE(record, nullptr);
    for (size_t i = 0; i < sizeof(vrml_deftable) && i < sizeof(vrml_nodetemplate); ++i)
        EXPECT_EQ(record[i], 0);
    std::free(record);
}

TEST(MemberTemplate, CreateCopiesTheNameAndGivesValuedMembersABlankDefault) {
    char name[] = "speed";
    vrml_fieldtemplate *m = vrml_createfieldtemplate(VRML_FIELD, VRML_SFFLOAT, name, nullptr, 7);
    ASSERT_NE(m, nullptr);
    name[0] = 'S';
    EXPECT_STREQ(m->name, "speed");
    ASSERT_NE(m->defaultvalue, nullptr);
    EXPECT_EQ(m->defaultvalue->sffloat, 0.0f);
    EXPECT_EQ(m->reserved, 7);
    vrml_fieldtemplate *e = vrml_createfieldtemplate(VRML_EVENTIN, VRML_SFFLOAT, "set_speed", nullptr, 0);
    EXPECT_EQ(e->defaultvalue, nullptr);
    vrml_field *given = vrml_allocfield(VRML_SFINT32);
    vrml_fieldtemplate *g = vrml_createfieldtemplate(VRML_EXPOSEDFIELD, VRML_SFINT32, "n", given, 0);
    EXPECT_EQ(g->defaultvalue, given);
    for (auto *t : {m, e, g}) {
        std::free(t->defaultvalue);
        std::free(t->name);
        std::free(t);
    }
}

TEST(MemberLookup, ByNameAnyClassFirstMatch) {
    std::vector<vrml_fieldtemplate> members = {
        member(VRML_EVENTIN, VRML_SFINT32, "x"), member(VRML_FIELD, VRML_SFINT32, "x"),
        member(VRML_FIELD, VRML_SFINT32, "y")};
    vrml_nodetemplate *t = named("T", &members);
    EXPECT_EQ(vrml_findnodetemplatefieldidx(t, "x"), 0);
    EXPECT_EQ(vrml_findnodetemplatefieldidx(t, "y"), 2);
    EXPECT_EQ(vrml_findnodetemplatefieldidx(t, "z"), -1);
    EXPECT_EQ(vrml_findnodetemplatefieldidx(nullptr, "x"), -1);
    std::free(t);
}

TEST(MemberLookup, EventInRules) {
    EmptyScene scene;
    vrml_templatetable *table = scene.ctx->templates;
    EXPECT_EQ(vrml_findeventinidx(table, 50, "set_translation"), 7);
    EXPECT_EQ(vrml_findeventinidx(table, 50, "translation"), 7);
    EXPECT_EQ(vrml_findeventinidx(table, 50, "addChildren"), 0);
    EXPECT_EQ(vrml_findeventinidx(table, 50, "set_addChildren"), -1);
    EXPECT_EQ(vrml_findeventinidx(table, 50, "bboxSize"), -1);       // a field
    EXPECT_EQ(vrml_findeventinidx(table, 50, "set_bboxSize"), -1);
    EXPECT_EQ(vrml_findeventinidx(table, 37, "set_fraction"), 0);    // an eventIn
    EXPECT_EQ(vrml_findeventinidx(table, 37, "value_changed"), -1);  // an eventOut
    EXPECT_EQ(vrml_findeventinidx(table, 999, "translation"), -1);
    std::vector<vrml_fieldtemplate> members = {
        member(VRML_EXPOSEDFIELD, VRML_SFINT32, ""), member(VRML_EXPOSEDFIELD, VRML_SFINT32, "set_"),
        member(VRML_EXPOSEDFIELD, VRML_SFINT32, "set_x"), member(VRML_EXPOSEDFIELD, VRML_SFINT32, "x")};
    vrml_nodetemplate *t = named("T", &members);
    // "set_" alone is compared whole.
    EXPECT_EQ(vrml_findnodetemplateeventinidx(t, "set_"), 1);
    // An exposedField whose own name begins with "set_" answers only to it.
    EXPECT_EQ(vrml_findnodetemplateeventinidx(t, "set_x"), 2);
    EXPECT_EQ(vrml_findnodetemplateeventinidx(t, "x"), 3);
    EXPECT_EQ(vrml_findnodetemplateeventinidx(t, "set_set_x"), -1);
    std::free(t);
}

TEST(MemberLookup, EventOutRules) {
    EmptyScene scene;
    vrml_templatetable *table = scene.ctx->templates;
    EXPECT_EQ(vrml_findeventoutidx(table, 50, "translation_changed"), 7);
    EXPECT_EQ(vrml_findeventoutidx(table, 50, "translation"), 7);
    EXPECT_EQ(vrml_findeventoutidx(table, 50, "bboxCenter_changed"), -1);
    EXPECT_EQ(vrml_findeventoutidx(table, 37, "value_changed"), 3);
    EXPECT_EQ(vrml_findeventoutidx(table, 37, "value"), -1);
    EXPECT_EQ(vrml_findeventoutidx(table, 37, "set_fraction"), -1);
    EXPECT_EQ(vrml_findeventoutidx(table, 48, "isActive"), 7);
    std::vector<vrml_fieldtemplate> members = {
        member(VRML_EXPOSEDFIELD, VRML_SFINT32, "a_changed"), member(VRML_EXPOSEDFIELD, VRML_SFINT32, "b"),
        member(VRML_EVENTOUT, VRML_SFINT32, "b_changed")};
    vrml_nodetemplate *t = named("T", &members);
    EXPECT_EQ(vrml_findnodetemplateeventoutidx(t, "a_changed"), 0);
    EXPECT_EQ(vrml_findnodetemplateeventoutidx(t, "a"), -1);
    EXPECT_EQ(vrml_findnodetemplateeventoutidx(t, "a_changed_changed"), -1);
    // The first match in member order wins over an eventOut of that name.
    EXPECT_EQ(vrml_findnodetemplateeventoutidx(t, "b_changed"), 1);
    EXPECT_EQ(vrml_findnodetemplateeventoutidx(t, "_changed"), -1);
    EXPECT_EQ(vrml_findnodetemplateeventoutidx(t, "b_changedx"), -1);
    vrml_nodetemplate empty{};
    EXPECT_EQ(vrml_findnodetemplateeventoutidx(&empty, "b"), -1);
    std::free(t);
}

TEST(MemberLookup, OnANodesOwnTemplate) {
    EmptyScene scene;
    vrml_node *node = vrml_createnode(scene.ctx, 50);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(vrml_findnodefieldidx(node, "center"), 2);
    EXPECT_EQ(vrml_findnodeeventinidx(node, "set_rotation"), 4);
    EXPECT_EQ(vrml_findnodeeventoutidx(node, "scale_changed"), 5);
    EXPECT_EQ(vrml_findfieldidx(scene.ctx->templates, 50, "scaleOrientation"), 6);
    EXPECT_EQ(vrml_findnodefieldidx(nullptr, "center"), -1);
}

TEST(TemplateDefault, ReplacesAndReleasesTheOldValue) {
    EmptyScene scene;
    std::vector<vrml_fieldtemplate> members = {
        member(VRML_EVENTIN, VRML_MFSTRING, "in"), member(VRML_FIELD, VRML_MFSTRING, "names")};
    StringInput text("[\"a\" \"b\"]");
    scene.ctx->in = text.get();
    vrml_field *old = vrml_allocfield(VRML_MFSTRING);
    ASSERT_GT(vrml_get_MFString(scene.ctx, old), 0);
    members[1].defaultvalue = old;
    vrml_field *in_old = vrml_allocfield(VRML_MFSTRING);
    members[0].defaultvalue = in_old;
    int id = vrml_addtemplate(scene.ctx->templates, named("T", &members));
    vrml_field *value = vrml_allocfield(VRML_MFSTRING);
    EXPECT_EQ(vrml_settemplatedefault(scene.ctx, id, 1, value), 1);  // old released (ASan)
    EXPECT_EQ(members[1].defaultvalue, value);
    EXPECT_EQ(vrml_settemplatedefault(scene.ctx, id, 0, nullptr), 1);  // eventIn: dropped
    EXPECT_EQ(members[0].defaultvalue, nullptr);
    EXPECT_EQ(vrml_settemplatedefault(scene.ctx, id, 2, nullptr), -1);
    EXPECT_EQ(vrml_settemplatedefault(scene.ctx, 1000, 0, nullptr), -1);
    vrml_freefielddata[VRML_MFSTRING](value);
    vrml_freefielddata[VRML_MFSTRING](in_old);
    detach_template(scene.ctx->templates, id);
}

TEST(TemplateDisplay, WritesTheLineAndPrintsPlainDefaults) {
    EmptyScene scene;
    vrml_nodetemplate *t = vrml_gettemplateentry(scene.ctx->templates, 50);
    testing::internal::CaptureStdout();
    vrml_display_field(scene.ctx, &t->members[7]);
    vrml_display_field(scene.ctx, &t->members[3]);  // MFNode: no value printed
    vrml_display_field(nullptr, &t->members[0]);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "df: exposedField SFVec3f translation\n"
              "df: exposedField MFNode children\n"
              "df: eventIn MFNode addChildren\n");
    BufferOutput direct;
    EXPECT_EQ(scene.out.text(), printed(scene.ctx, direct, VRML_SFVEC3F, t->members[7].defaultvalue));
    EXPECT_FALSE(scene.out.text().empty());
}

TEST(DeleteChild, UnlinksTheEntryHoldingTheValue) {
    vrml_node *a = reinterpret_cast<vrml_node *>(0x10), *b = reinterpret_cast<vrml_node *>(0x20);
    vrml_defentry ea{const_cast<char *>("A"), a}, eb{const_cast<char *>("B"), b}, eb2 = eb;
    vrml_list list{};
    for (vrml_defentry *e : {&ea, &eb, &eb2}) vrml_listappend(&list, e);
    vrml_listitem *item = vrml_deletechild(&list, b);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->data, &eb);
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.first->data, &ea);
    EXPECT_EQ(list.last->data, &eb2);
    std::free(item);
    EXPECT_EQ(vrml_deletechild(&list, reinterpret_cast<vrml_node *>(0x30)), nullptr);
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(vrml_deletechild(nullptr, a), nullptr);
    vrml_list empty{};
    EXPECT_EQ(vrml_deletechild(&empty, a), nullptr);
    while (list.first) vrml_listdelete(&list, list.first->data);
}

}  // namespace
