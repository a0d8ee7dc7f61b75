#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "loader/report.h"
#include "support/loaded_scene.h"

namespace {

TEST(LoadScene, EmptyInputGivesAnEmptyWorldOnTheHostsStreams) {
    LoadedScene scene("");
    ASSERT_NE(scene.ctx, nullptr);
    EXPECT_EQ(std::vector<void *>({scene.ctx->in, scene.ctx->out, scene.ctx->root->nodes.first}),
              std::vector<void *>({scene.in.get(), scene.out.get(), nullptr}));
    EXPECT_EQ(std::vector<int>({scene.roots(), scene.ctx->protoindex, scene.ctx->baselocation[0], scene.ctx->allnodes.count}),
              std::vector<int>({0, -1, 0, 0}));
    EXPECT_EQ(scene.out.text(), "");
}

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

TEST(Log, HandlerSeesContextCodeLineSeverityAndTheFormattedText) {
    LogCapture log(LogCapture::kWithNotices);
    BareContext bare("a\nb\nc");
    bare.in.get()->stream_getc(bare.in.get());
    bare.in.get()->stream_getc(bare.in.get());
    vrml_problem(bare.get(), nullptr, 0x403, "Invalid SFFloat: %s", "zz");
    vrml_notice(nullptr, nullptr, 0, "vrnrt_addpc:  Added pc from threadid %d", 7);
    // The interface's sink accepts both call shapes and reports nothing.
    vrml_log("format %d\n", 1);
    vrml_error_warn(nullptr, 0x401, "Invalid Boolean %s", "x");
    vrml_log(nullptr);
    ASSERT_EQ(log.messages().size(), 2u);
    const LoggedMessage &m = log.messages()[0], &n = log.messages()[1];
    EXPECT_EQ(m.ctx, bare.get());
    EXPECT_EQ(std::vector<int>({m.code, m.line, m.severity, n.code, n.line, n.severity}),
              std::vector<int>({0x403, 2, VRML_LOG_PROBLEM, 0, 0, VRML_LOG_NOTICE}));
    EXPECT_EQ(log.texts(), std::vector<std::string>({"Invalid SFFloat: zz", "vrnrt_addpc:  Added pc from threadid 7"}));
}

TEST(Log, HandlersAreReplacedAndWithoutOneNothingIsFormatted) {
    vrml_loghandler first = [](void *, vrml_context *, int32_t, int, int, const char *) {};
    vrml_loghandler before = vrml_setloghandler(first, nullptr);
    EXPECT_EQ(vrml_setloghandler(nullptr, nullptr), first);
    int evaluated = 0;
    vrml_problem(nullptr, nullptr, 0, "%d", ++evaluated);
    EXPECT_EQ(evaluated, 0);
    vrml_setloghandler(before, nullptr);
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
