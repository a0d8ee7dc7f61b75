// Node templates: the table of types, lookups by name, member templates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "fields/field_internal.h"
#include "nodes/node_internal.h"
#include "support/loaded_scene.h"

namespace {

int position(int from, int count, const std::string &name) {
    for (int i = 0; i < count; ++i)
        if (name == vrml_fieldnames[from + i]) return i;
    ADD_FAILURE() << "no class or type " << name;
    return 0;
}

std::string unquoted(const std::string &word) { return word == "\"\"" ? "" : word; }

// "NAME CLASS:TYPE:MEMBER..." declared in ctx's table; the scene releases it.
void declare(vrml_context *ctx, std::istringstream &words) {
    std::string name, word;
    words >> name;
    std::vector<vrml_fieldtemplate> members;
    while (words >> word) {
        size_t a = word.find(':'), b = word.find(':', a + 1);
        members.push_back(member_record(position(kVrmlClassNameBase, 4, word.substr(0, a)),
                                        position(0, VRML_FIELDTYPE_COUNT, word.substr(a + 1, b - a - 1)),
                                        unquoted(word.substr(b + 1)).c_str()));
    }
    auto *copy = static_cast<vrml_fieldtemplate *>(vrml_malloc(members.size() * sizeof(vrml_fieldtemplate) + 1));
    std::copy(members.begin(), members.end(), copy);
    vrml_addtemplate(ctx->templates,
                     vrml_createnodetemplate(strdup(name.c_str()), static_cast<int>(members.size()), copy));
}

// The rows of tests/data/nodes/lookups.txt: each member lookup gives the same
// answer by type id, on the template and on a node of the type.
TEST(MemberLookup, TableOfLookups) {
    LoadedScene scene("");
    vrml_templatetable *table = scene.ctx->templates;
    int (*by_id[])(vrml_templatetable *, int, const char *) = {vrml_findfieldidx, vrml_findeventinidx,
                                                              vrml_findeventoutidx};
    int (*by_template[])(vrml_nodetemplate *, const char *) = {
        vrml_findnodetemplatefieldidx, vrml_findnodetemplateeventinidx, vrml_findnodetemplateeventoutidx};
    int (*by_node[])(vrml_node *, const char *) = {vrml_findnodefieldidx, vrml_findnodeeventinidx,
                                                   vrml_findnodeeventoutidx};
    std::istringstream rows(read_file(std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/nodes/lookups.txt"));
    int checked = 0;
    for (std::string line; std::getline(rows, line);) {
        std::istringstream words(line);
        std::string what, type, name;
        int want = 0;
        if (!(words >> what) || what[0] == '#') continue;
        if (what == "template") {
            declare(scene.ctx, words);
            continue;
        }
        SCOPED_TRACE(line);
        ++checked;
        if (what == "node") {
            words >> name >> want;
            EXPECT_EQ(vrml_findnode(table, name.c_str()), want);
            continue;
        }
        words >> type >> name >> want;
        name = unquoted(name);
        int id = std::isdigit(static_cast<unsigned char>(type[0])) ? std::stoi(type)
                                                                    : vrml_findnode(table, type.c_str());
        int k = what == "any" ? 0 : what == "eventin" ? 1 : 2;
        EXPECT_EQ(by_id[k](table, id, name.c_str()), want);
        if (vrml_nodetemplate *t = vrml_gettemplateentry(table, id)) {
            EXPECT_EQ(by_template[k](t, name.c_str()), want);
            vrml_node *node = vrml_createnode_nc(scene.ctx, id);
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(by_node[k](node, name.c_str()), want);
        }
    }
    EXPECT_EQ(checked, 52);  // every row read
    EXPECT_EQ(vrml_findnode(table, nullptr), -1);
    EXPECT_EQ(vrml_findnode(nullptr, "Transform"), -1);
    EXPECT_EQ(vrml_findnodetemplatefieldidx(nullptr, "x"), -1);
    EXPECT_EQ(vrml_findnodefieldidx(nullptr, "center"), -1);
}

// vrml_findnode keeps answering right while a host withdraws, reuses and
// replaces slots, and the table refuses a template past 1024.
TEST(TemplateTable, FindNodeFollowsChangesUpTo1024Templates) {
    vrml_templatetable *table = vrml_createtemplate();
    ASSERT_EQ(vrml_addbuiltinnodes(table), 1);
    vrml_nodetemplate p{}, q{};
    p.name = const_cast<char *>("P");
    q.name = const_cast<char *>("Q");
    EXPECT_EQ(vrml_addtemplate(table, &p), 81);
    EXPECT_EQ(vrml_findnode(table, "P"), 81);
    table->count = 81;  // withdrawn
    EXPECT_EQ(vrml_findnode(table, "P"), -1);
    EXPECT_EQ(vrml_addtemplate(table, &q), 81);
    EXPECT_EQ(vrml_findnode(table, "P"), -1);
    EXPECT_EQ(vrml_findnode(table, "Q"), 81);
    for (vrml_nodetemplate *t : {&p, &q}) {
        table->templates[81] = t;  // replaced in place
        EXPECT_EQ(vrml_findnode(table, t->name), 81);
        EXPECT_EQ(vrml_findnode(table, t == &p ? "Q" : "P"), -1);
    }
    for (int i = 82; i < 1024; ++i) ASSERT_EQ(vrml_addtemplate(table, &p), i);
    EXPECT_EQ(vrml_addtemplate(table, &q), -1);
    EXPECT_EQ(table->count, 1024);
    EXPECT_EQ(vrml_findnode(table, "P"), 82);
    EXPECT_EQ(vrml_gettemplateentry(table, 1023), &p);
    for (int id : {1024, -1}) EXPECT_EQ(vrml_gettemplateentry(table, id), nullptr);
    EXPECT_EQ(vrml_gettemplateentry(nullptr, 0), nullptr);
    table->count = 5;
    EXPECT_EQ(vrml_gettemplateentry(table, 5), nullptr);
    vrml_templatetable_releaseindex(table);
    std::free(table);
}

// Two exported names, one function: a zeroed record fit for both uses.
TEST(TemplateTable, AllocatorsShareOneOperation) {
#if defined(__GNUC__) && !defined(_WIN32)
    EXPECT_EQ(function_address(&vrml_createnamespace), function_address(&vrml_allocnodetemplate));
#endif
    auto *record = static_cast<unsigned char *>(vrml_createnamespace());
    std::vector<unsigned char> zeros(std::max(sizeof(vrml_deftable), sizeof(vrml_nodetemplate)));
    EXPECT_EQ(std::vector<unsigned char>(record, record + zeros.size()), zeros);
    std::free(record);
}

TEST(MemberTemplate, CopiesTheNameAndGivesValuedMembersABlankDefault) {
    char name[] = "speed";
    vrml_fieldtemplate *m = vrml_createfieldtemplate(VRML_FIELD, VRML_SFFLOAT, name, nullptr, 7);
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
    for (vrml_fieldtemplate *t : {m, e, g}) {
        std::free(t->defaultvalue);
        std::free(t->name);
        std::free(t);
    }
}

// A new default replaces the old one, which is released (ASan sees a leak
// otherwise); an eventIn's is dropped.
TEST(MemberTemplate, SetTemplateDefault) {
    LoadedScene scene("");
    std::vector<vrml_fieldtemplate> members = {member_record(VRML_EVENTIN, VRML_MFSTRING, "in"),
                                               member_record(VRML_FIELD, VRML_MFSTRING, "names")};
    StringInput text("[\"a\" \"b\"]");
    scene.ctx->in = text.get();
    ASSERT_GT(vrml_get_MFString(scene.ctx, members[1].defaultvalue), 0);
    vrml_field *in_old = members[0].defaultvalue = vrml_allocfield(VRML_MFSTRING);
    int id = vrml_addtemplate(scene.ctx->templates, vrml_createnodetemplate("T", 2, members.data()));
    vrml_field *value = vrml_allocfield(VRML_MFSTRING);
    EXPECT_EQ(vrml_settemplatedefault(scene.ctx, id, 1, value), 1);
    EXPECT_EQ(members[1].defaultvalue, value);
    EXPECT_EQ(vrml_settemplatedefault(scene.ctx, id, 0, nullptr), 1);
    EXPECT_EQ(members[0].defaultvalue, nullptr);
    EXPECT_EQ(vrml_settemplatedefault(scene.ctx, id, 2, nullptr), -1);
    EXPECT_EQ(vrml_settemplatedefault(scene.ctx, 1000, 0, nullptr), -1);
    for (vrml_field *f : {value, in_old}) vrml_freefielddata[VRML_MFSTRING](f);
    for (vrml_fieldtemplate &m : members) std::free(m.name);
    detach_template(scene.ctx->templates, id);
}

TEST(MemberTemplate, DisplayWritesTheLineAndPrintsPlainDefaults) {
    LoadedScene scene("");
    vrml_nodetemplate *t = vrml_gettemplateentry(scene.ctx->templates, 50);
    testing::internal::CaptureStdout();
    vrml_display_field(scene.ctx, &t->members[7]);
    vrml_display_field(scene.ctx, &t->members[3]);  // MFNode: no value printed
    vrml_display_field(nullptr, &t->members[0]);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "df: exposedField SFVec3f translation\n"
              "df: exposedField MFNode children\n"
              "df: eventIn MFNode addChildren\n");
    EXPECT_EQ(scene.take_output(), "0.000000 0.000000 0.000000");
}

// Unlinks the first entry whose second word holds the value.
TEST(DeleteChild, UnlinksTheEntryHoldingTheValue) {
    vrml_node *a = reinterpret_cast<vrml_node *>(0x10), *b = reinterpret_cast<vrml_node *>(0x20);
    vrml_defentry ea{const_cast<char *>("A"), a}, eb{const_cast<char *>("B"), b}, eb2 = eb;
    vrml_list list{}, empty{};
    for (vrml_defentry *e : {&ea, &eb, &eb2}) vrml_listappend(&list, e);
    vrml_listitem *item = vrml_deletechild(&list, b);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->data, &eb);
    std::free(item);
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.first->data, &ea);
    EXPECT_EQ(list.last->data, &eb2);
    EXPECT_EQ(vrml_deletechild(&list, reinterpret_cast<vrml_node *>(0x30)), nullptr);
    EXPECT_EQ(vrml_deletechild(nullptr, a), nullptr);
    EXPECT_EQ(vrml_deletechild(&empty, a), nullptr);
    EXPECT_EQ(list.count, 2);
    while (list.first) vrml_listdelete(&list, list.first->data);
}

}  // namespace
