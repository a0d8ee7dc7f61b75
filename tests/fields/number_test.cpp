#include <gtest/gtest.h>

#include <cfenv>

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

// A host may change the rounding mode; the inline conversion then leaves
// every text to the general one, which rounds to nearest all the same.
TEST(Numbers, InlineReadsRoundToNearestInEveryRoundingMode) {
    std::mt19937 rng(3);
    for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(mode);
        for (int i = 0; i < 2000; ++i) {
            char text[32];
            std::snprintf(text, sizeof text, "%s%u.%0*u", rng() % 2 ? "-" : "", static_cast<unsigned>(rng() % 1000),
                          1 + static_cast<int>(rng() % 4), static_cast<unsigned>(rng() % 10000));
            float inline_value = 0, general = 0;
            const size_t used = vrml_scanfloat_inline(text, std::strlen(text), &inline_value);
            EXPECT_EQ(used, vrml_scanfloat(text, std::strlen(text), &general));
            EXPECT_EQ(std::memcmp(&inline_value, &general, sizeof general), 0) << text << " mode " << mode;
        }
        std::fesetround(FE_TONEAREST);
    }
}

}  // namespace
