// Scenes loaded on several threads at once from a cold start: the first
// loads of the process race to parse the built-in defaults. Each case runs in
// a process of its own, so every run starts cold; the thread sanitizer build
// runs them too.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "support/loaded_scene.h"

namespace {

const char *const kWorlds[] = {"hello.wrl", "animation.wrl", "def_use.wrl", "lamp_proto.wrl"};

std::string printed(const std::string &text) {
    LoadedScene scene(text);
    return scene.ctx ? scene.print_world() : std::string("(no scene)");
}

TEST(ColdStart, FourThreadsLoadPrintAndUnloadAsOneThreadDoes) {
    std::vector<std::string> texts, outputs(4);
    for (const char *name : kWorlds)
        texts.push_back(read_file(std::string(ZEBVRML2_SOURCE_DIR "/examples/") + name));
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            // All four start together, so that their first loads race.
            ready.fetch_add(1);
            while (ready.load() < 4) std::this_thread::yield();
            // Two of them start with the parse alone, as a host may.
            if (t % 2) vrml_parsebuiltinfields(nullptr);
            for (int round = 0; round < 3; ++round) outputs[t] = printed(texts[t]);
        });
    for (std::thread &t : threads) t.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(outputs[t], printed(texts[t])) << kWorlds[t];
}

}  // namespace
