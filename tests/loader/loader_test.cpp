#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "loader/report.h"
#include "support/loaded_scene.h"

namespace {

// By file name: mode 0 writes to standard error, any other mode to the same
// file, created only at the first write so that the input survives.
TEST(LoadSceneCc, OpensTheWorldAndItsOutputByName) {
    EXPECT_EQ(vrmlutil_loadscenecc("/nonexistent/world.wrl", 0), nullptr);
    EXPECT_EQ(vrmlutil_loadscenecc("/nonexistent/world.wrl", 1), nullptr);
    const std::string text = "#VRML V2.0 utf8\n# a world\n";
    std::string path = testing::TempDir() + "loader_" + std::to_string(::getpid()) + ".wrl";
    for (int mode : {0, 1}) {
        std::ofstream(path, std::ios::binary) << text;
        vrml_context *ctx = vrmlutil_loadscenecc(path.c_str(), mode);
        ASSERT_NE(ctx, nullptr);
        EXPECT_EQ(read_file(path), text);
        if (mode) ctx->out->stream_printf(ctx->out, "#VRML V2.0 utf8\n");
        vrmlutil_unloadscene(ctx);  // closes the streams, flushing the output
        EXPECT_EQ(read_file(path), mode ? "#VRML V2.0 utf8\n" : text);
    }
    std::remove(path.c_str());
}

// (What the handler receives: the golden worlds' diagnostics.) Handlers are
// replaced; without one nothing is formatted; the interface's sink accepts
// both call shapes and reports nothing.
TEST(Log, HandlersAreReplacedAndTheSinkReportsNothing) {
    vrml_loghandler first = [](void *, vrml_context *, int32_t, int, int, const char *) {};
    vrml_loghandler before = vrml_setloghandler(first, nullptr);
    EXPECT_EQ(vrml_setloghandler(nullptr, nullptr), first);
    int evaluated = 0;
    vrml_problem(nullptr, nullptr, 0, "%d", ++evaluated);
    EXPECT_EQ(evaluated, 0);
    vrml_setloghandler(before, nullptr);
    LogCapture log(LogCapture::kWithNotices);
    vrml_log("format %d\n", 1);
    vrml_error_warn(nullptr, 0x401, "Invalid Boolean %s", "x");
    vrml_log(nullptr);
    EXPECT_TRUE(log.messages().empty());
}

TEST(FatalDeathTest, EndsTheProcessWithTheFatalStatusAfterTheHandler) {
    EXPECT_EXIT(vrml_fatal_err("v_g_nn: Invalid name: is digit!!! %d\n", 51), FatalExit(), "^$");
    EXPECT_EXIT(
        {
            vrml_setfatalhandler([](void *user, const char *m) {
                std::fprintf(stderr, "%s|%s", static_cast<const char *>(user), m);
            }, const_cast<char *>("host"));
            vrml_fatal_err("vrml_get_mfnodelist: No mem %d\n", 7);
        },
        FatalExit(), "^host\\|vrml_get_mfnodelist: No mem 7\n$");
}

}  // namespace
