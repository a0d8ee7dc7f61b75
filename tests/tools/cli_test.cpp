// The zebvrml command as a user sees it: for every invocation of the table
// tests/data/tools/cli.txt, the exit status and the whole standard output
// and standard error.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>

#include "support/test_support.h"

namespace {

struct Invocation {
    std::string line, args;
    int status = -1;
    std::string out, err;
};

std::string substitute(std::string text, const std::string &tmp) {
    for (const auto &[key, value] : {std::pair<std::string, std::string>{"@TMP@", tmp},
                                     {"@VERSION@", ZEBVRML2_VERSION}})
        for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
    return text;
}

TEST(Cli, EveryInvocationOfTheTable) {
    const std::string tmp = testing::TempDir() + "zebvrml_cli_" + std::to_string(::getpid());
    std::vector<Invocation> table;
    std::string header, rebuilt;  // ZEBVRML2_TRANSCRIPT_WRITE=1 rewrites the table from the runs
    std::ifstream file(std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/tools/cli.txt");
    for (std::string line; std::getline(file, line);) {
        const std::string rest = substitute(line.substr(std::min<size_t>(2, line.size())), tmp);
        if (line.rfind("$ ", 0) == 0) table.push_back({line, rest, -1, "", ""});
        else if (table.empty()) header += line + "\n";
        else if (line.rfind("exit ", 0) == 0) table.back().status = std::stoi(line.substr(5));
        else if (line[0] == '|') table.back().out += rest + "\n";
        else if (line[0] == '!') table.back().err += rest + "\n";
    }
    ASSERT_GT(table.size(), 30u);
    ASSERT_EQ(std::system(("mkdir -p '" + tmp + "'").c_str()), 0);
    const std::regex thread_id("threadid [0-9]+");
    for (const Invocation &row : table) {
        int status = std::system(("cd '" ZEBVRML2_SOURCE_DIR "/examples' && '" ZEBVRML2_TOOL "' " +
                                  row.args + " >'" + tmp + "/out' 2>'" + tmp + "/err'").c_str());
        const int exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        const std::string out = read_file(tmp + "/out");
        const std::string err = std::regex_replace(read_file(tmp + "/err"), thread_id, "threadid #");
        EXPECT_EQ(exit, row.status) << row.args;
        EXPECT_EQ(out, row.out) << row.args;
        EXPECT_EQ(err, row.err) << row.args;
        rebuilt += "\n" + row.line + "\nexit " + std::to_string(exit) + "\n";
        for (const auto &[mark, text] : {std::pair<std::string, std::string>{"|", out}, {"!", err}})
            for (size_t at = 0, end; at < text.size(); at = end + 1) {
                end = text.find('\n', at);
                if (end == std::string::npos) end = text.size();
                std::string piece = text.substr(at, end - at);
                for (const auto &[value, key] : {std::pair<std::string, std::string>{tmp, "@TMP@"},
                                                 {ZEBVRML2_VERSION, "@VERSION@"}})
                    for (size_t k; (k = piece.find(value)) != std::string::npos;)
                        piece.replace(k, value.size(), key);
                rebuilt += mark + (piece.empty() ? "" : " " + piece) + "\n";
            }
    }
    while (!header.empty() && header[header.size() - 1] == '\n' && header.size() > 1 &&
           header[header.size() - 2] == '\n')
        header.pop_back();
    if (std::getenv("ZEBVRML2_TRANSCRIPT_WRITE"))
        std::ofstream(std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/tools/cli.txt") << header + rebuilt;
    EXPECT_EQ(std::system(("rm -rf '" + tmp + "'").c_str()), 0);
}

}  // namespace
