#include <gtest/gtest.h>

#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "loader/loader.h"
#include "loader/memory.h"
#include "support/test_support.h"

namespace {

std::string temp_world(const char *name, const std::string &text) {
    std::string path = testing::TempDir() + "loader_" + name + "_" + std::to_string(::getpid()) + ".wrl";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(Magic, HeaderLineMustStartWithTheFifteenCharacters) {
    struct Case {
        const char *text;
        int result;
    } cases[] = {
        {"#VRML V2.0 utf8\n", 1},
        {"#VRML V2.0 utf8 made by hand\nGroup {}", 1},
        {"#VRML V2.0 utf8", 1},
        {"#VRML V1.0 ascii\n", -1},
        {"#VRML V2.0 UTF8\n", -1},
        {"#vrml V2.0 utf8\n", -1},
        {"#VRML V2.0 utf\n", -1},
        {" #VRML V2.0 utf8\n", -1},
    };
    for (const Case &c : cases) {
        LogCapture log;
        StringInput in(c.text);
        EXPECT_EQ(vrml_get_magic(in.get()), c.result) << c.text;
        if (c.result < 0)
            EXPECT_EQ(log.texts(), std::vector<std::string>{"vrml_get_magic: Unrecognized file type\n"});
        else
            EXPECT_TRUE(log.messages().empty());
    }
    LogCapture log;
    StringInput empty("");
    EXPECT_EQ(vrml_get_magic(empty.get()), -1);
    EXPECT_EQ(log.texts(), std::vector<std::string>{"vrml_get_magic: Can't read file\n"});
}

TEST(LoadScene, EmptyInputGivesAnEmptyRootAndInitialFields) {
    StringInput in("");
    BufferOutput out;
    vrml_context *ctx = vrmlutil_loadscene(in.get(), out.get());
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ctx->in, in.get());
    EXPECT_EQ(ctx->out, out.get());
    ASSERT_NE(ctx->root, nullptr);
    EXPECT_EQ(ctx->root->count, 0);
    EXPECT_EQ(ctx->root->nodes.first, nullptr);
    EXPECT_EQ(ctx->protoindex, -1);
    EXPECT_EQ(ctx->baselocation[0], '\0');
    EXPECT_EQ(ctx->allnodes.count, 0);
    EXPECT_EQ(out.text(), "");
    vrmlutil_unloadscene(ctx);
}

TEST(LoadFile, RefusesInputWithoutTheHeaderLine) {
    LogCapture log;
    BareContext bare("Group {}\nShape {}");
    vrml_mfnode list{};
    EXPECT_EQ(vrml_loadFile(bare.get(), &list), -1);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(log.texts(), std::vector<std::string>{"vrml_get_magic: Unrecognized file type\n"});
    EXPECT_EQ(bare.in.rest(), "Shape {}");  // only the first line was read
}

TEST(LoadFile, HeaderOnlyInputHoldsNoNodes) {
    BareContext bare("#VRML V2.0 utf8\n");
    vrml_mfnode list{};
    EXPECT_EQ(vrml_loadFile(bare.get(), &list), 0);
}

TEST(NodeList, StrayClosersEndTheListAndStayUnread) {
    BareContext close("  } rest"), bracket(" ] rest");
    vrml_mfnode list{};
    EXPECT_EQ(vrml_get_MFNodeList(close.get(), &list), 0);
    EXPECT_EQ(close.in.rest(), "} rest");
    EXPECT_EQ(vrml_get_MFNodeList(bracket.get(), &list), 0);
    EXPECT_EQ(bracket.in.rest(), "] rest");
}

TEST(LoadSceneCc, MissingFileGivesNull) {
    EXPECT_EQ(vrmlutil_loadscenecc("/nonexistent/world.wrl", 0), nullptr);
    EXPECT_EQ(vrmlutil_loadscenecc("/nonexistent/world.wrl", 1), nullptr);
}

TEST(LoadSceneCc, ModeZeroWritesToStandardErrorAndLeavesTheFile) {
    const std::string text = "#VRML V2.0 utf8\n# nothing else\n";
    std::string path = temp_world("mode0", text);
    vrml_context *ctx = vrmlutil_loadscenecc(path.c_str(), 0);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(read_file(path), text);
    vrmlutil_unloadscene(ctx);  // closes and releases the two streams
    std::remove(path.c_str());
}

TEST(LoadSceneCc, NonzeroModeOpensTheOutputOnTheSameFileWithoutHarmingTheInput) {
    const std::string text = "#VRML V2.0 utf8\n# a world\n";
    std::string path = temp_world("mode1", text);
    vrml_context *ctx = vrmlutil_loadscenecc(path.c_str(), 1);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(read_file(path), text);
    ctx->out->stream_printf(ctx->out, "#VRML V2.0 utf8\n");
    vrmlutil_unloadscene(ctx);  // the output is flushed as its stream closes
    EXPECT_EQ(read_file(path), "#VRML V2.0 utf8\n");
    std::remove(path.c_str());
}

}  // namespace
