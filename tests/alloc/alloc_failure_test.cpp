// Running out of memory anywhere while a world is loaded, printed, written and
// unloaded: each allocation in turn is refused, in a child process of its
// own. The child must end softly (it exits 0 when nothing was reported, 1
// when a problem reached the log handler or a stream) or through the fatal
// exit (3), never crash, never leak on a soft path (the sanitizer build's
// leak check runs at the child's exit and writes to its standard error), and
// a child that reports nothing must print the world exactly as a load with
// all the memory it wants.
#include <gtest/gtest.h>

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "support/test_support.h"
#include "tools/zebvrml/scene_print.h"
#include "zebio/heap.h"

namespace {

#ifndef _WIN32

constexpr int kClean = 0;
constexpr int kReported = 1;
constexpr int kFatal = 3;

std::string source_path(const std::string &relative) {
    return std::string(ZEBVRML2_SOURCE_DIR) + "/" + relative;
}

// Problems reported through the log handler since the load began.
int g_problems = 0;

void count_problem(void *, vrml_context *, int32_t, int, int severity, const char *) {
    if (severity == VRML_LOG_PROBLEM) ++g_problems;
}

// Marks a fatal exit that came after a reported problem: the host already
// knows that the world is not whole.
constexpr const char *kAfterProblem = "(after a reported problem) ";

// Where a child's fatal handler writes the message before it exits.
FILE *g_fatal_message = nullptr;

void exit_fatal(void *, const char *message) {
    if (g_fatal_message) {
        if (g_problems > 0) std::fputs(kAfterProblem, g_fatal_message);
        std::fputs(message, g_fatal_message);
        std::fflush(g_fatal_message);
    }
    _exit(kFatal);
}

// The fatal exits a refused allocation may end in: out of memory in the
// wording of each site, a node that could not be made, or any after the
// loss was reported.
bool is_memory_message(const std::string &message) {
    for (const char *words : {"No mem\n", "no mem\n", "Could not create node: ", kAfterProblem})
        if (message.find(words) != std::string::npos) return true;
    return false;
}

struct Outcome {
    std::string printed;
    bool reported = false;
    long allocations = 0;
};

// Loads the world in path from a file, prints it into memory with the node
// printers and the scene writer and unloads it, with allocation number failat refused
// (LONG_MAX: none).
Outcome load_print_unload(const std::string &path, long failat) {
    g_problems = 0;
    vrml_setloghandler(count_problem, nullptr);
    vrml_setfatalhandler(exit_fatal, nullptr);
    Outcome result;
    vrml_stream in{}, out{};
    vrml_heap_failat(failat);
    bool in_open = zeb_initfilename(&in, path.c_str(), "r") == 0;
    bool out_open = in_open && zeb_initbufferstream(&out) == 0;
    vrml_context *ctx = out_open ? vrmlutil_loadscene(&in, &out) : nullptr;
    if (ctx) {
        tool_print_scene(ctx);
        vrmlutil_writescene(ctx, &out, 0);
        if (const char *text = zeb_getbuffer(&out, nullptr)) result.printed = text;
    }
    vrmlutil_unloadscene(ctx);
    bool in_failed = in_open && in.stream_close(&in) != 0;
    bool out_failed = out_open && out.stream_close(&out) != 0;
    result.allocations = vrml_heap_allocations();
    vrml_heap_failat(0);
    vrml_setloghandler(nullptr, nullptr);
    vrml_setfatalhandler(nullptr, nullptr);
    result.reported = !ctx || in_failed || out_failed || g_problems > 0;
    return result;
}

// Everything written to fd since it was last emptied; empties it.
std::string take(FILE *file) {
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::rewind(file);
    EXPECT_EQ(ftruncate(fileno(file), 0), 0);
    return text;
}

// Failures shown per world: the first ones tell enough.
constexpr int kFailuresShown = 5;

// One child per allocation of the load, print and unload of path; the
// number of children.
long sweep(const std::string &path) {
    // The first load also makes what the process keeps (the built-in
    // defaults): the second counts what every load makes.
    load_print_unload(path, LONG_MAX);
    Outcome reference = load_print_unload(path, LONG_MAX);
    EXPECT_FALSE(reference.reported) << path;
    FILE *printed = std::tmpfile();
    FILE *errors = std::tmpfile();
    int failures = 0;
    long n = 1;
    for (; n <= reference.allocations && failures < kFailuresShown; ++n) {
        std::fflush(nullptr);
        pid_t child = fork();
        if (child == 0) {
            dup2(fileno(errors), STDERR_FILENO);
            g_fatal_message = printed;
            alarm(20);
            Outcome outcome = load_print_unload(path, n);
            std::fputs(outcome.printed.c_str(), printed);
            std::fflush(printed);
            std::exit(outcome.reported ? kReported : kClean);
        }
        int status = 0;
        EXPECT_EQ(waitpid(child, &status, 0), child);
        std::string output = take(printed);
        std::string diagnostics = take(errors);
        int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::string failure;
        if ((code != kClean && code != kReported && code != kFatal) || !diagnostics.empty())
            failure = (WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                           : "exit status " + std::to_string(code)) + "\n" + diagnostics;
        else if (code == kFatal && !is_memory_message(output)) failure = "fatal exit \"" + output + "\"";
        else if (code == kClean && output != reference.printed)
            failure = "a changed world, nothing reported:\n" + output + "\ninstead of:\n" + reference.printed;
        if (!failure.empty()) ADD_FAILURE() << path << ", allocation " << n << " refused: " << failure;
        failures += !failure.empty();
    }
    std::fclose(printed);
    std::fclose(errors);
    return n - 1;
}

TEST(Sweep, EveryAllocationOfLoadPrintUnloadFailsSoftlyOrFatally) {
    std::istringstream worlds(read_file(source_path("tests/data/alloc/worlds.txt")));
    int swept = 0;
    for (std::string line; std::getline(worlds, line);) {
        if (line.empty() || line[0] == '#') continue;
        EXPECT_GT(sweep(source_path(line)), 0) << line;
        ++swept;
    }
    EXPECT_EQ(swept, 5);
}

std::jmp_buf g_jump;

void jump_out(void *, const char *) { std::longjmp(g_jump, 1); }

// Refuses allocation n of the first parse of the built-in defaults, whose
// fatal exit jumps out of it, then loads a world: it must print expected.
// Exits 0 when all went so, 2 when the parse did not fail.
[[noreturn]] void load_after_jump_out_of_first_parse(long n, const std::string &expected) {
    {
        LeaksIgnored stranded;  // what the frames jumped over held
        vrml_setfatalhandler(jump_out, nullptr);
        vrml_heap_failat(n);
        if (setjmp(g_jump) == 0) {
            vrml_parsebuiltinfields(nullptr);
            std::exit(2);
        }
        vrml_heap_failat(0);
    }
    Outcome again = load_print_unload(source_path("examples/hello.wrl"), LONG_MAX);
    std::exit(!again.reported && again.printed == expected ? 0 : 1);
}

TEST(BuiltinDefaults, LoadWorksAfterJumpOutOfFirstParse) {
    // Each case in a process that has parsed nothing yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::string expected = read_file(source_path("tests/data/alloc/hello_printed.wrl"));
    for (long n : {1L, 2L, 3L, 150L, 400L})
        EXPECT_EXIT(load_after_jump_out_of_first_parse(n, expected), ::testing::ExitedWithCode(0),
                    "")
            << "allocation " << n;
}

#endif  // the sweep forks a child per allocation

}  // namespace
