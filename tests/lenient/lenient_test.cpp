// Lenient loads: each world of tests/data/lenient loads with the problems
// and the written scene of its .out file, and that text reads back to
// itself; every corpus world loads leniently without a fatal exit.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

struct Loaded {
    std::string problems, text;
    bool fatal = false;
};

// Loads text leniently: "line: message" per problem, then the written scene.
Loaded load(const std::string &text) {
    Loaded result;
    StringInput in(text);
    BufferOutput out, written;
    LogCapture log;
    static vrml_context *volatile ctx;
    ctx = nullptr;
    result.fatal = ends_fatally(
        [&] { vrmlutil_loadsceneex(in.get(), out.get(), VRML_LOAD_LENIENT | VRML_LOAD_NOTICES, &ctx); },
        nullptr, false);
    if (!result.fatal) vrmlutil_writescene(ctx, written.get(), 0);
    vrmlutil_unloadscene(ctx);
    for (const LoggedMessage &m : log.messages()) {
        std::string line = m.text.substr(0, m.text.find_last_not_of('\n') + 1);
        result.problems += std::to_string(m.line) + ": " + line + "\n";
    }
    result.text = written.text();
    return result;
}

std::vector<std::string> worlds(const std::string &dir) {
    std::vector<std::string> found;
    if (fs::is_directory(dir))
        for (auto &e : fs::recursive_directory_iterator(dir))
            if (e.path().extension() == ".wrl") found.push_back(e.path().string());
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

TEST(Lenient, WorldsGiveTheirProblemsAndTextAndReadBack) {
    std::vector<std::string> cases = worlds(ZEBVRML2_SOURCE_DIR "/tests/data/lenient");
    ASSERT_GE(cases.size(), 5u);
    for (const std::string &path : cases) {
        SCOPED_TRACE(path);
        Loaded first = load(read_file(path));
        std::string got = first.problems + "----\n" + first.text;
        std::string expected_path = path.substr(0, path.size() - 4) + ".out";
        if (std::getenv("ZEBVRML2_UPDATE")) std::ofstream(expected_path, std::ios::binary) << got;
        EXPECT_EQ(got, read_file(expected_path));
        EXPECT_EQ(load(first.text).text, first.text);
    }
}

TEST(Lenient, CorpusWorldsLoadWithoutFatalExit) {
    int fatal = 0, problems = 0;
    for (const std::string &path : worlds(ZEBVRML2_CORPUS_DIR)) {
        Loaded result = load(read_file(path));
        EXPECT_FALSE(result.fatal) << path;
        fatal += result.fatal;
        problems += static_cast<int>(std::count(result.problems.begin(), result.problems.end(), '\n'));
    }
    std::printf("corpus: %d fatal, %d problems\n", fatal, problems);
}
