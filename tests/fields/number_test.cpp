#include <gtest/gtest.h>

#include "bench/fieldnum_compare.h"

namespace {

// The long run is the fieldnum_check program; here the hard cases and a
// small random sample.
TEST(Numbers, MatchTheCLibraryOnHardCases) {
    NumCheck c;
    check_hard_cases(c);
    EXPECT_EQ(c.failed, 0) << c.first_failure;
    EXPECT_GT(c.checked, 8000);
}

TEST(Numbers, MatchTheCLibraryOnARandomSample) {
    NumCheck c;
    check_random(c, 7, 20000);
    EXPECT_EQ(c.failed, 0) << c.first_failure;
}

}  // namespace
