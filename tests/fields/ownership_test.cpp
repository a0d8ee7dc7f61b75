#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/fields/field_test_util.h"

namespace {

vrml_node *fake_node(int i) {
    static int storage[8];
    return reinterpret_cast<vrml_node *>(&storage[i]);
}

vrml_field *node_list(std::initializer_list<int> nodes) {
    vrml_field *list = vrml_allocfield(VRML_MFNODE);
    for (int i : nodes) {
        vrml_field *ref = vrml_allocfield(VRML_SFNODE);
        ref->sfnode.node = fake_node(i);
        ref->sfnode.defref = i;
        vrml_listappend(&list->mfnode.nodes, ref);
        ++list->mfnode.count;
    }
    return list;
}

vrml_field *floats(std::initializer_list<float> values) {
    vrml_field *v = vrml_allocfield(VRML_MFFLOAT);
    v->mfarray.count = static_cast<int32_t>(values.size());
    v->mfarray.values = std::calloc(values.size(), sizeof(float));
    std::memcpy(v->mfarray.values, values.begin(), values.size() * sizeof(float));
    return v;
}

vrml_field *read_text(int type, const char *text) {
    BareContext c(text);
    vrml_field *v = vrml_allocfield(type);
    vrml_parsefield[type](c.get(), v);
    return v;
}

uintptr_t address(auto *f) { return function_address(f); }

TEST(Tables, NamesAndSharedEntries) {
    EXPECT_STREQ(vrml_fieldnames[VRML_MFNODE], "MFNode");
    EXPECT_STREQ(vrml_fieldnames[kVrmlClassNameBase + VRML_EXPOSEDFIELD], "exposedField");
    EXPECT_STREQ(vrml_fieldnames[22], "field");
    EXPECT_EQ(vrml_printfield[10], vrml_printfield[1]);
    EXPECT_EQ(vrml_printfield[18], vrml_printfield[11]);
#if !defined(_WIN32)
    // On Windows the module definition file maps the second names onto the
    // first in the DLL (its export check compares the addresses); the static
    // library has forwarding functions.
    EXPECT_EQ(address(&vrml_print_SFVec3f), address(&vrml_print_SFColor));
    EXPECT_EQ(address(&vrml_print_MFVec3f), address(&vrml_print_MFColor));
    EXPECT_EQ(address(&vrml_copy_SFInt32), address(&vrml_copy_SFBool));
    EXPECT_EQ(address(&vrml_copy_MFVec3f), address(&vrml_copy_MFColor));
#endif
    EXPECT_EQ(vrml_freefielddata[VRML_SFNODE], &vrml_fieldfree);
    EXPECT_EQ(vrml_freefielddata[VRML_MFVEC2F], &vrml_free_MFarray);
    EXPECT_STREQ(vrml_fielderrortext(0x413), "Invalid MFString");
    EXPECT_STREQ(vrml_fielderrortext(0x401), "Invalid Boolean");
    EXPECT_STREQ(vrml_fielderrortext(0x101), "Out of memory");
    EXPECT_EQ(vrml_fielderrortext(0x414), nullptr);
}

TEST(Release, EveryOperationAcceptsNull) {
    for (int t = 0; t < VRML_FIELDTYPE_COUNT; ++t) vrml_freefielddata[t](nullptr);
    vrml_resetlist(nullptr);
}

TEST(Copy, OntoItselfLeavesEveryTypeUnchanged) {
    const char *texts[VRML_FIELDTYPE_COUNT] = {
        "TRUE", "1 2 3", "4", "1 1 2 0x1234", "9", "NULL", "0 1 0 2", "\"s\"", "5.5", "1 2",
        "1 2 3", "[1 2 3]", "[1 2]", "[3 4]", "[NULL]", "[0 0 1 1]", "[\"a\" \"b\"]", "[1 2]",
        "[1 2 3]"};
    void (*copies[VRML_FIELDTYPE_COUNT])(vrml_field *, const vrml_field *) = {
        vrml_copy_SFBool, vrml_copy_SFColor, vrml_copy_SFFloat, vrml_copy_SFImage,
        vrml_copy_SFInt32, vrml_copy_SFNode, vrml_copy_SFRotation, vrml_copy_SFString,
        vrml_copy_SFTime, vrml_copy_SFVec2f, vrml_copy_SFVec3f, vrml_copy_MFColor,
        vrml_copy_MFFloat, vrml_copy_MFInt32, vrml_copy_MFNode, vrml_copy_MFRotation,
        vrml_copy_MFString, vrml_copy_MFVec2f, vrml_copy_MFVec3f};
    for (int t = 0; t < VRML_FIELDTYPE_COUNT; ++t) {
        vrml_field *v = read_text(t, texts[t]);
        BareContext before, after;
        vrml_printfield[t](before.get(), v);
        copies[t](v, v);
        vrml_printfield[t](after.get(), v);
        EXPECT_EQ(before.out.text(), after.out.text()) << vrml_fieldnames[t];
        vrml_freefielddata[t](v);
    }
}

TEST(Duplicate, EveryTypeGivesAnEqualPrivateValue) {
    const char *texts[VRML_FIELDTYPE_COUNT] = {
        "TRUE", "1 2 3", "4", "2 1 3 0xFF 0xFF00", "9", "NULL", "0 1 0 2", "\"s\"", "5.5",
        "1 2", "1 2 3", "[1 2 3]", "[1 2]", "[3 4]", "[NULL NULL]", "[0 0 1 1]",
        "[\"a\" \"\" \"b\"]", "[1 2]", "[1 2 3]"};
    for (int t = 0; t < VRML_FIELDTYPE_COUNT; ++t) {
        vrml_field *v = read_text(t, texts[t]);
        BareContext c;
        vrml_field *d = vrml_dupfield[t](c.get(), v);
        ASSERT_NE(d, nullptr) << vrml_fieldnames[t];
        BareContext a, b;
        vrml_printfield[t](a.get(), v);
        vrml_freefielddata[t](v);  // the duplicate must not depend on it
        vrml_printfield[t](b.get(), d);
        EXPECT_EQ(a.out.text(), b.out.text()) << vrml_fieldnames[t];
        vrml_freefielddata[t](d);
    }
}

TEST(Duplicate, BlankValuesOfEveryType) {
    for (int t = 0; t < VRML_FIELDTYPE_COUNT; ++t) {
        vrml_field *blank = vrml_allocfield(t);
        BareContext c;
        vrml_field *d = vrml_dupfield[t](c.get(), blank);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(std::memcmp(d, blank, vrml_fieldsize(t)), 0) << vrml_fieldnames[t];
        vrml_freefielddata[t](d);
        vrml_freefielddata[t](blank);
    }
}

TEST(Duplicate, StringsAreNeverShared) {
    vrml_field *s = read_text(VRML_SFSTRING, "\"text\"");
    vrml_field *d = vrml_dup_SFString(nullptr, s);
    EXPECT_NE(d->sfstring, s->sfstring);
    vrml_free_SFString(s);
    EXPECT_STREQ(d->sfstring, "text");
    vrml_free_SFString(d);

    vrml_field *m = read_text(VRML_MFSTRING, "[\"a\" \"b\"]");
    vrml_field *md = vrml_dup_MFString(nullptr, m);
    EXPECT_NE(elements<char *>(md)[0], elements<char *>(m)[0]);
    EXPECT_NE(md->mfarray.values, m->mfarray.values);
    vrml_free_MFString(m);
    EXPECT_STREQ(elements<char *>(md)[1], "b");
    vrml_free_MFString(md);
}

TEST(Duplicate, SFNodeOfNullSourceAndReferences) {
    LogCapture log;
    EXPECT_EQ(vrml_dup_SFNode(nullptr, nullptr), nullptr);
    BareContext c("\n\nx");
    c.in.get()->stream_getc(c.in.get());
    EXPECT_EQ(vrml_dup_SFNode(c.get(), nullptr), nullptr);
    EXPECT_EQ(log.texts(), (std::vector<std::string>{"dupSFN(-1): Duping NULL",
                                                     "dupSFN(2): Duping NULL"}));
    // A NULL node is duplicated as it is; a USE whose DEF entry the current
    // table lacks cannot be.
    vrml_field src{};
    vrml_field *d = vrml_dup_SFNode(c.get(), &src);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->sfnode.defref, 0);
    EXPECT_EQ(d->sfnode.node, nullptr);
    vrml_fieldfree(d);
    src.sfnode.defref = 3;
    src.sfnode.node = fake_node(1);
    EXPECT_EQ(vrml_dup_SFNode(c.get(), &src), nullptr);
}

TEST(Duplicate, MFNodeDropsElementsThatFail) {
    LogCapture log;
    BareContext c;
    vrml_field *list = vrml_allocfield(VRML_MFNODE);
    for (int i = 0; i < 2; ++i) {
        vrml_listappend(&list->mfnode.nodes, vrml_allocfield(VRML_SFNODE));  // NULL nodes
        ++list->mfnode.count;
    }
    vrml_listappend(&list->mfnode.nodes, nullptr);  // an item without a record
    ++list->mfnode.count;
    vrml_field *use = vrml_allocfield(VRML_SFNODE);  // a USE without its DEF entry
    use->sfnode.defref = 1;
    use->sfnode.node = fake_node(2);
    vrml_listappend(&list->mfnode.nodes, use);
    ++list->mfnode.count;
    vrml_field *d = vrml_dup_MFNode(c.get(), list);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->mfnode.count, 2);
    EXPECT_EQ(d->mfnode.nodes.count, 2);
    EXPECT_EQ(static_cast<vrml_field *>(d->mfnode.nodes.last->data)->sfnode.node, nullptr);
    EXPECT_EQ(log.texts(), (std::vector<std::string>{"dupSFN(1): Duping NULL",
                                                     "DUPSFN FATAL: @line 1"}));
    vrml_free_MFNode(d);
    vrml_free_MFNode(list);
}

TEST(Assign, SingleValuesReuseTheSlot) {
    vrml_field *slot = nullptr;
    vrml_field *src = read_text(VRML_SFSTRING, "\"one\"");
    vrml_set_SFString(&slot, src);
    ASSERT_NE(slot, nullptr);
    vrml_field *kept = slot;
    vrml_field *other = read_text(VRML_SFSTRING, "\"two\"");
    vrml_set_SFString(&slot, other);
    EXPECT_EQ(slot, kept);
    EXPECT_STREQ(slot->sfstring, "two");
    EXPECT_NE(slot->sfstring, other->sfstring);
    vrml_free_SFString(src);
    vrml_free_SFString(other);
    vrml_free_SFString(slot);

    vrml_field *img_slot = nullptr;
    vrml_field *img = read_text(VRML_SFIMAGE, "1 2 1 7 8");
    vrml_setfield[VRML_SFIMAGE](&img_slot, img);
    EXPECT_NE(img_slot->sfimage.pixels, img->sfimage.pixels);
    EXPECT_EQ(img_slot->sfimage.pixels[1], 8);
    vrml_free_SFImage(img);
    vrml_free_SFImage(img_slot);
}

TEST(Assign, ArraysOfEqualCountKeepTheRecord) {
    vrml_field *slot = floats({1, 2, 3});
    vrml_field *record = slot;
    void *array = slot->mfarray.values;
    vrml_field *src = floats({7, 8, 9});
    vrml_set_MFFloat(&slot, src);
    EXPECT_EQ(slot, record);
    EXPECT_EQ(slot->mfarray.values, array);
    EXPECT_EQ(elements<float>(slot)[2], 9.0f);

    vrml_field *shorter = floats({4, 5});
    vrml_set_MFFloat(&slot, shorter);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->mfarray.count, 2);
    EXPECT_NE(slot->mfarray.values, shorter->mfarray.values);
    EXPECT_EQ(elements<float>(slot)[1], 5.0f);
    vrml_free_MFarray(src);
    vrml_free_MFarray(shorter);
    vrml_free_MFarray(slot);
}

TEST(Assign, MFStringAlwaysReplaces) {
    vrml_field *slot = read_text(VRML_MFSTRING, "[\"a\" \"b\"]");
    vrml_field *src = read_text(VRML_MFSTRING, "[\"c\" \"d\"]");
    vrml_set_MFString(&slot, src);  // the old record is released (ASan sees a double free)
    EXPECT_NE(slot->mfarray.values, src->mfarray.values);
    EXPECT_NE(elements<char *>(slot)[0], elements<char *>(src)[0]);
    EXPECT_STREQ(elements<char *>(slot)[0], "c");
    vrml_set_MFString(&slot, slot);
    EXPECT_STREQ(elements<char *>(slot)[1], "d");
    vrml_free_MFString(src);
    vrml_free_MFString(slot);
}

TEST(Assign, MFNodeSharesNodes) {
    vrml_field *slot = node_list({1});
    vrml_field *src = node_list({2, 3, 4});
    vrml_set_MFNode(&slot, src);
    ASSERT_EQ(slot->mfnode.count, 3);
    EXPECT_EQ(slot->mfnode.nodes.count, 3);
    EXPECT_NE(slot->mfnode.nodes.first->data, src->mfnode.nodes.first->data);
    EXPECT_EQ(static_cast<vrml_field *>(slot->mfnode.nodes.first->data)->sfnode.node, fake_node(2));
    EXPECT_EQ(static_cast<vrml_field *>(slot->mfnode.nodes.last->data)->sfnode.defref, 4);
    vrml_field *kept = slot;
    vrml_field *same_length = node_list({5, 6, 7});
    vrml_set_MFNode(&slot, same_length);
    EXPECT_EQ(slot, kept);
    EXPECT_EQ(static_cast<vrml_field *>(slot->mfnode.nodes.first->data)->sfnode.node, fake_node(5));
    vrml_free_MFNode(src);
    vrml_free_MFNode(same_length);
    vrml_free_MFNode(slot);
}

TEST(Copy, MFNodeCopiesAsFarAsTheShorterList) {
    vrml_field *dest = node_list({1, 2});
    vrml_field *src = node_list({3, 4, 5});
    vrml_copy_MFNode(dest, src);
    EXPECT_EQ(dest->mfnode.count, 2);
    EXPECT_EQ(static_cast<vrml_field *>(dest->mfnode.nodes.last->data)->sfnode.node, fake_node(4));
    vrml_free_MFNode(dest);
    vrml_free_MFNode(src);
}

TEST(Lists, DupListSharesDataAndNullEmpties) {
    vrml_list src{}, dest{};
    int a = 1, b = 2;
    vrml_listappend(&src, &a);
    vrml_listappend(&src, &b);
    EXPECT_EQ(vrml_dup_list(&dest, &src), 2);
    EXPECT_EQ(dest.first->data, &a);
    EXPECT_EQ(dest.last->data, &b);
    EXPECT_NE(dest.first, src.first);
    vrml_listitem *first = dest.first, *second = dest.last;
    EXPECT_EQ(vrml_dup_list(&dest, nullptr), 0);
    EXPECT_EQ(dest.first, nullptr);
    EXPECT_EQ(dest.count, 0);
    std::free(first);
    std::free(second);
    std::free(src.first);
    std::free(src.last);
}

}  // namespace
