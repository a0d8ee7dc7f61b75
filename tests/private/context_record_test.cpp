// What the library keeps per context beside the context record: the node
// limit of each context (the note that vrml_free_scene has run: the release
// tests).
#include "support/loaded_scene.h"

namespace {

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
        SCOPED_TRACE("row " + std::to_string(&row - rows));
        LoadedScene scenes[3] = {LoadedScene(""), LoadedScene(""), LoadedScene("")};
        const int32_t process = vrml_setnodelimit(nullptr, row.process);
        for (int c = 0; c < 3; ++c)
            if (row.own[c]) { EXPECT_EQ(vrml_setnodelimit(scenes[c].ctx, row.own[c]), 0); }
        for (int attempt = 0; attempt < 12; ++attempt)
            for (LoadedScene &scene : scenes) vrml_createnode(scene.ctx, 19);
        vrml_setnodelimit(nullptr, process);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(scenes[c].ctx->allnodes.count, row.made[c]) << c;
    }
}

}  // namespace
