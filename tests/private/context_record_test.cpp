// What the library keeps per context beside the context record: the node
// limit of each context and the note that vrml_free_scene has run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/loaded_scene.h"

namespace {

// Sets the process-wide node limit while it lives.
class ProcessLimit {
public:
    explicit ProcessLimit(int32_t n) : previous_(vrml_setnodelimit(nullptr, n)) {}
    ~ProcessLimit() { vrml_setnodelimit(nullptr, previous_); }
    ProcessLimit(const ProcessLimit &) = delete;
    ProcessLimit &operator=(const ProcessLimit &) = delete;

private:
    int32_t previous_;
};

TEST(ContextRecord, EachContextKeepsItsOwnNodeLimit) {
    // Three contexts' own limits (0: none) and the process-wide one; the
    // nodes each context holds after 12 attempts to make a Group.
    struct Row {
        int32_t own[3];
        int32_t process;
        int made[3];
    };
    const Row rows[] = {
        {{3, 5, 0}, 0, {3, 5, 12}},
        {{3, 5, 0}, 8, {3, 5, 8}},
        {{0, 5, 0}, 4, {4, 5, 4}},
        {{9, 2, 7}, 0, {9, 2, 7}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE("limits " + std::to_string(row.own[0]) + " " + std::to_string(row.own[1]) +
                     " " + std::to_string(row.own[2]) + ", process " + std::to_string(row.process));
        LoadedScene scenes[3] = {LoadedScene(""), LoadedScene(""), LoadedScene("")};
        ProcessLimit process(row.process);
        for (int c = 0; c < 3; ++c) {
            if (row.own[c]) {
                EXPECT_EQ(vrml_setnodelimit(scenes[c].ctx, row.own[c]), 0);
            }
        }
        for (int attempt = 0; attempt < 12; ++attempt)
            for (LoadedScene &scene : scenes) vrml_createnode(scene.ctx, 19);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(scenes[c].ctx->allnodes.count, row.made[c]) << c;
    }
}

std::vector<std::string> example_worlds() {
    std::vector<std::string> paths;
    for (const auto &entry :
         std::filesystem::directory_iterator(std::string(ZEBVRML2_SOURCE_DIR) + "/examples"))
        if (entry.path().extension() == ".wrl") paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(ContextRecord, UnloadAfterFreeSceneReleasesOnlyWhatIsLeft) {
    const std::vector<std::string> worlds = example_worlds();
    ASSERT_FALSE(worlds.empty());
    for (const std::string &path : worlds) {
        SCOPED_TRACE(path);
        vrml_context *ctx = vrmlutil_loadscenecc(path.c_str(), 0);
        ASSERT_NE(ctx, nullptr);
        vrml_mfnode *root = ctx->root;
        const int depth = ctx->scopedepth;
        const std::vector<vrml_scope *> stack(ctx->scopestack, ctx->scopestack + depth);
        vrml_free_scene(ctx);
        // The context keeps its values.
        EXPECT_EQ(ctx->root, root);
        EXPECT_EQ(ctx->scopedepth, depth);
        EXPECT_EQ(std::vector<vrml_scope *>(ctx->scopestack, ctx->scopestack + depth), stack);
        vrmlutil_unloadscene(ctx);
    }
}

}  // namespace
