// Node templates: the table of types and member templates. (Lookups by
// name: sessions_test.cpp.)
#include <algorithm>
#include <cstring>

#include "nodes/node_internal.h"
#include "support/loaded_scene.h"

namespace {

// vrml_findnode keeps answering right while a host withdraws, reuses and
// replaces slots, and the table refuses a template past 1024; the built-in
// types are appended all, or as many as fit.
TEST(TemplateTable, FindNodeFollowsChangesUpTo1024Templates) {
    vrml_templatetable *table = vrml_createtemplate();
    ASSERT_EQ(vrml_addbuiltinnodes(table), 1);
    EXPECT_EQ(table->templates[80], &vrml_builtintemplates()[80]);
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
    table->count = 1000;
    EXPECT_EQ(vrml_addbuiltinnodes(table), 0);
    EXPECT_EQ(table->count, 1024);
    EXPECT_EQ(table->templates[1023], &vrml_builtintemplates()[23]);
    table->count = 5;
    EXPECT_EQ(vrml_gettemplateentry(table, 5), nullptr);
    vrml_templatetable_releaseindex(table);
    std::free(table);
}

// Two exported names of one function (the export tests compare their
// addresses): a zeroed record fit for both uses.
TEST(TemplateTable, AllocatorsShareOneOperation) {
    auto *record = static_cast<unsigned char *>(vrml_createnamespace());
    std::vector<unsigned char> zeros(std::max(sizeof(vrml_deftable), sizeof(vrml_nodetemplate)));
    EXPECT_EQ(std::vector<unsigned char>(record, record + zeros.size()), zeros);
    std::free(record);
}

// Unlinks the first entry whose second word holds the value.
TEST(DeleteChild, UnlinksTheEntryHoldingTheValue) {
    vrml_node *a = reinterpret_cast<vrml_node *>(0x10), *b = reinterpret_cast<vrml_node *>(0x20);
    vrml_defentry ea{const_cast<char *>("A"), a}, eb{const_cast<char *>("B"), b}, eb2 = eb;
    vrml_list list{}, empty{};
    for (vrml_defentry *e : {&ea, &eb, &eb2}) vrml_listappend(&list, e);
    vrml_listitem *item = vrml_deletechild(&list, b);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(std::vector<void *>({item->data, list.first->data, list.last->data,
                                   vrml_deletechild(&list, reinterpret_cast<vrml_node *>(0x30)),
                                   vrml_deletechild(nullptr, a), vrml_deletechild(&empty, a)}),
              std::vector<void *>({&eb, &ea, &eb2, nullptr, nullptr, nullptr}));
    EXPECT_EQ(list.count, 2);
    std::free(item);
    while (list.first) vrml_listdelete(&list, list.first->data);
}

}  // namespace
