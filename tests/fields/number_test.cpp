#include <gtest/gtest.h>

#include "bench/fieldnum_compare.h"

namespace {

// The hard cases and a small random sample (the long run is the
// fieldnum_check program). The GNU C library converts exactly and is the
// reference; other C libraries (Windows') round some decimal texts
// differently and read "0x" another way.
TEST(Numbers, MatchTheCLibraryOnHardCasesAndARandomSample) {
#if !defined(__GLIBC__)
    GTEST_SKIP() << "this C library is not the reference";
#endif
    NumCheck c;
    check_hard_cases(c);
    EXPECT_GT(c.checked, 8000);
    check_random(c, 7, 20000);
    EXPECT_EQ(c.failed, 0) << c.first_failure;
}

}  // namespace
