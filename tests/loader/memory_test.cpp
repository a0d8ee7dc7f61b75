#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "loader/memory.h"
#include "support/test_support.h"

namespace {

TEST(Malloc, GivesZeroedBlocksEvenForZeroBytes) {
    auto *p = static_cast<unsigned char *>(vrml_malloc(64));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(p[i], 0);
    std::free(p);
    void *z = vrml_malloc(0);
    EXPECT_NE(z, nullptr);
    std::free(z);
}

TEST(Malloc, ArrayProductThatOverflowsGivesNull) {
    EXPECT_EQ(vrml_malloc_array(SIZE_MAX / 2 + 1, 2), nullptr);
    EXPECT_EQ(vrml_malloc_array(SIZE_MAX, SIZE_MAX), nullptr);
    void *p = vrml_malloc_array(3, 4);
    ASSERT_NE(p, nullptr);
    std::free(p);
}

TEST(SaveString, CopiesWithItsNul) {
    char *copy = nullptr;
    EXPECT_EQ(vrml_savestring(&copy, "name"), 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "name");
    std::free(copy);
}

TEST(List, AllocatorsGiveZeroedRecords) {
    auto *head = static_cast<vrml_list *>(vrml_alloclist());
    auto *item = static_cast<vrml_listitem *>(vrml_allocnodelist());
    ASSERT_NE(head, nullptr);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(head->first, nullptr);
    EXPECT_EQ(head->count, 0);
    EXPECT_EQ(item->data, nullptr);
    EXPECT_EQ(item->next, nullptr);
    std::free(head);
    std::free(item);
}

class ListOfThree : public testing::Test {
protected:
    void SetUp() override {
        for (int &v : values) ASSERT_EQ(vrml_listappend(&list, &v), 0);
    }
    void TearDown() override {
        while (list.first) vrml_listdelete(&list, list.first->data);
    }
    std::vector<int *> order() const {
        std::vector<int *> out;
        for (vrml_listitem *it = list.first; it; it = it->next) out.push_back(static_cast<int *>(it->data));
        std::vector<int *> back;
        for (vrml_listitem *it = list.last; it; it = it->previous) back.insert(back.begin(), static_cast<int *>(it->data));
        EXPECT_EQ(out, back);
        EXPECT_EQ(static_cast<size_t>(list.count), out.size());
        return out;
    }
    vrml_list list{};
    int values[3] = {1, 2, 3};
};

TEST_F(ListOfThree, AppendKeepsInsertionOrder) {
    EXPECT_EQ(order(), (std::vector<int *>{&values[0], &values[1], &values[2]}));
    EXPECT_EQ(vrml_nodelistappend(&list, &values[0]), 0);
    EXPECT_EQ(order().back(), &values[0]);
}

TEST_F(ListOfThree, FindAndDeleteTakeTheItemNearestTheHead) {
    vrml_listappend(&list, &values[0]);  // stored twice
    vrml_listitem *first = list.first;
    EXPECT_EQ(vrml_findlistdata(&list, &values[0]), first);
    vrml_listitem *taken = vrml_listdeleteitemdata(&list, &values[0]);
    EXPECT_EQ(taken, first);
    EXPECT_EQ(taken->next, nullptr);
    EXPECT_EQ(taken->previous, nullptr);
    std::free(taken);
    EXPECT_EQ(order(), (std::vector<int *>{&values[1], &values[2], &values[0]}));
}

TEST_F(ListOfThree, DeleteItemFromTheMiddleAndTheEnds) {
    vrml_listitem *middle = list.first->next;
    vrml_nodelistdeleteitem(&list, middle);
    std::free(middle);
    EXPECT_EQ(order(), (std::vector<int *>{&values[0], &values[2]}));
    vrml_listitem *last = list.last;
    vrml_listdeleteitem(&list, last);
    std::free(last);
    EXPECT_EQ(order(), (std::vector<int *>{&values[0]}));
    EXPECT_EQ(vrml_listdelete(&list, &values[0]), &values[0]);
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(list.last, nullptr);
    EXPECT_EQ(list.count, 0);
}

TEST_F(ListOfThree, DeletingDataThatIsNotThereChangesNothing) {
    int other = 9;
    EXPECT_EQ(vrml_listdelete(&list, &other), nullptr);
    EXPECT_EQ(vrml_listdeleteitemdata(&list, &other), nullptr);
    EXPECT_EQ(vrml_findlistdata(&list, &other), nullptr);
    EXPECT_EQ(order().size(), 3u);
}

}  // namespace
