#include <gtest/gtest.h>

#include <cstdlib>

#include "support/test_support.h"

namespace {

TEST(List, AppendToEmptySetsBothEnds) {
    vrml_list list{};
    int a = 1;
    ASSERT_EQ(vrml_listappend(&list, &a), 0);
    EXPECT_EQ(list.count, 1);
    ASSERT_NE(list.first, nullptr);
    EXPECT_EQ(list.first, list.last);
    EXPECT_EQ(list.first->data, &a);
    EXPECT_EQ(list.first->next, nullptr);
    EXPECT_EQ(list.first->previous, nullptr);
    EXPECT_EQ(vrml_listdelete(&list, &a), &a);
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(list.last, nullptr);
    EXPECT_EQ(list.count, 0);
}

}  // namespace
