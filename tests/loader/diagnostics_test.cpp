#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <string>

#include "loader/lexer.h"
#include "loader/report.h"
#include "support/test_support.h"

namespace {

TEST(Log, InterfaceSinkAcceptsBothShapesAndDoesNothing) {
    LogCapture log;
    vrml_log("format %d\n", 1);
    vrml_error_warn(nullptr, 0x401, "Invalid Boolean %s", "x");
    vrml_log(nullptr);
    EXPECT_TRUE(log.messages().empty());
}

TEST(Log, HandlerSeesContextCodeLineAndSeverity) {
    LogCapture log(LogCapture::kWithNotices);
    BareContext bare("a\nb\nc");
    bare.in.get()->stream_getc(bare.in.get());
    bare.in.get()->stream_getc(bare.in.get());
    vrml_problem(bare.get(), nullptr, 0x403, "Invalid SFFloat: %s", "zz");
    vrml_notice(nullptr, nullptr, 0, "vrnrt_addpc:  Added pc from threadid %d", 7);
    ASSERT_EQ(log.messages().size(), 2u);
    const LoggedMessage &m = log.messages()[0];
    EXPECT_EQ(m.ctx, bare.get());
    EXPECT_EQ(m.code, 0x403);
    EXPECT_EQ(m.line, 2);
    EXPECT_EQ(m.severity, VRML_LOG_PROBLEM);
    EXPECT_EQ(m.text, "Invalid SFFloat: zz");
    EXPECT_EQ(log.messages()[1].line, 0);
    EXPECT_EQ(log.messages()[1].severity, VRML_LOG_NOTICE);
    EXPECT_EQ(log.messages()[1].text, "vrnrt_addpc:  Added pc from threadid 7");
}

TEST(Log, WithoutHandlerNothingIsFormatted) {
    vrml_loghandler old = vrml_setloghandler(nullptr, nullptr);
    int evaluated = 0;
    vrml_problem(nullptr, nullptr, 0, "%d", ++evaluated);
    EXPECT_EQ(evaluated, 0);
    vrml_setloghandler(old, nullptr);
}

TEST(Log, SetHandlerReturnsThePreviousOne) {
    vrml_loghandler first = [](void *, vrml_context *, int32_t, int, int, const char *) {};
    vrml_loghandler before = vrml_setloghandler(first, nullptr);
    EXPECT_EQ(vrml_setloghandler(before, nullptr), first);
}

TEST(FatalDeathTest, EndsTheProcessWithStatus255AndShowsNothing) {
    EXPECT_EXIT(vrml_fatal_err("v_g_nn: Invalid name: is digit!!! %d\n", 51),
                FatalExit(), "^$");
}

TEST(FatalDeathTest, HandlerGetsTheFormattedMessageBeforeTheExit) {
    EXPECT_EXIT(
        {
            vrml_setfatalhandler([](void *user, const char *m) {
                std::fprintf(stderr, "%s|%s", static_cast<const char *>(user), m);
            }, const_cast<char *>("host"));
            vrml_fatal_err("vrml_get_mfnodelist: No mem\n");
        },
        FatalExit(), "host\\|vrml_get_mfnodelist: No mem\n");
}

std::jmp_buf g_jump;
void jump_out(void *, const char *) { std::longjmp(g_jump, 1); }

TEST(Fatal, HandlerMayJumpOutOfTheLibrary) {
    vrml_fatalhandler old = vrml_setfatalhandler(jump_out, nullptr);
    StringInput in("3D {}");
    char buf[16];
    volatile int jumped = 0;
    if (setjmp(g_jump) == 0) {
        // A type name starting with a digit is fatal deep inside the reader.
        vrml_get_nodename(in.get(), buf, sizeof buf);
    } else {
        jumped = 1;
    }
    vrml_setfatalhandler(old, nullptr);
    EXPECT_EQ(jumped, 1);
    EXPECT_EQ(in.rest(), "D {}");
}

}  // namespace
