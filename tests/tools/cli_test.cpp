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
    std::string args;
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
    std::ifstream file(std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/tools/cli.txt");
    for (std::string line; std::getline(file, line);) {
        const std::string rest = substitute(line.substr(std::min<size_t>(2, line.size())), tmp);
        if (line.rfind("$ ", 0) == 0) table.push_back({rest, -1, "", ""});
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
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, row.status) << row.args;
        EXPECT_EQ(read_file(tmp + "/out"), row.out) << row.args;
        EXPECT_EQ(std::regex_replace(read_file(tmp + "/err"), thread_id, "threadid #"), row.err)
            << row.args;
    }
    EXPECT_EQ(std::system(("rm -rf '" + tmp + "'").c_str()), 0);
}

}  // namespace
