// The long check that the field number conversions match the C library's:
// fieldnum_check [cases, default 3000000] [start]. Exit status 0 when every
// case matches.
#include <cstdio>
#include <cstdlib>

#include "bench/fieldnum_compare.h"

int main(int argc, char **argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 3000000;
    const unsigned long long start = argc > 2 ? std::strtoull(argv[2], nullptr, 0) : 20240601ULL;
    NumCheck c;
    check_hard_cases(c);
    check_random(c, start, count);
    std::printf("fieldnum_check: %ld comparisons, %ld mismatches\n", c.checked, c.failed);
    if (c.failed) std::printf("first mismatch: %s\n", c.first_failure.c_str());
    return c.failed ? 1 : 0;
}
