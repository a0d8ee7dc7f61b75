// Every input the fuzzer ever flagged (tests/hostile/inputs) loads, prints
// and ends normally or through the fatal exit, each within a few seconds.
#include <chrono>
#include <filesystem>

#include "hostile/hostile_support.h"

namespace {

TEST(FuzzerFindings, EveryKeptInputEndsCleanly) {
    const std::filesystem::path folder = std::filesystem::path(ZEBVRML2_SOURCE_DIR) / "tests/hostile/inputs";
    int seen = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        ++seen;
        StringInput in(read_file(entry.path().string()));
        BufferOutput out;
        vrml_stream *streams[2] = {in.get(), out.get()};
        const auto start = std::chrono::steady_clock::now();
        std::string message;
        ends_fatally(
            [](void *arg) {
                auto *s = static_cast<vrml_stream **>(arg);
                vrml_context *ctx = vrmlutil_loadscene(s[0], s[1]);
                vrml_print_PROTOS(ctx);
                for (vrml_listitem *it = ctx->root->nodes.first; it; it = it->next)
                    vrml_print_SFNode(ctx, static_cast<vrml_field *>(it->data));
                vrml_print_ROUTE(ctx, vrml_getscopeentry(ctx, 0));
                vrmlutil_unloadscene(ctx);
            },
            streams, &message);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10))
            << entry.path();
    }
    EXPECT_GT(seen, 0);
}

}  // namespace
