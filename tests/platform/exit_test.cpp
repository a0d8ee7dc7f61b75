// The fatal exit as each system reports it (see FatalExit in test_support.h).
#include <gtest/gtest.h>

#include <cstdio>

#include "support/test_support.h"

namespace {

void print_message(void *, const char *message) { std::fprintf(stderr, "fatal: %s\n", message); }

TEST(FatalExitDeathTest, EndsTheProcessWithTheFatalStatus) {
    EXPECT_EXIT(vrml_fatal_err("vrml_get_mfnodelist: No mem\n"), FatalExit(), "");
}

TEST(FatalExitDeathTest, HandlerSeesTheFormattedMessageFirst) {
    EXPECT_EXIT(
        {
            vrml_setfatalhandler(print_message, nullptr);
            vrml_fatal_err("v_g_nn: Invalid name: is digit!!! %d\n", '7');
        },
        FatalExit(), "fatal: v_g_nn: Invalid name: is digit!!! 55");
}

}  // namespace
