#include <gtest/gtest.h>

#include "bench/fieldnum_compare.h"

namespace {

// The long run is the fieldnum_check program; here the hard cases and a
// small random sample.
// The GNU C library converts exactly and is the reference; other C
// libraries (Windows') round some decimal texts differently and read "0x"
// another way, so the comparison runs where the reference is.
#if defined(__GLIBC__)
#define REQUIRE_REFERENCE_C_LIBRARY()
#else
#define REQUIRE_REFERENCE_C_LIBRARY() GTEST_SKIP() << "this C library is not the reference"
#endif

TEST(Numbers, MatchTheCLibraryOnHardCases) {
    REQUIRE_REFERENCE_C_LIBRARY();
    NumCheck c;
    check_hard_cases(c);
    EXPECT_EQ(c.failed, 0) << c.first_failure;
    EXPECT_GT(c.checked, 8000);
}

TEST(Numbers, MatchTheCLibraryOnARandomSample) {
    REQUIRE_REFERENCE_C_LIBRARY();
    NumCheck c;
    check_random(c, 7, 20000);
    EXPECT_EQ(c.failed, 0) << c.first_failure;
}

}  // namespace
