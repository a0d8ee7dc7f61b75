// Diagnostics of the command-line host.
#include <cstdio>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#define fileno _fileno
#else
#include <unistd.h>
#endif
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "tool.h"

namespace {
const char *g_name = "-";
int g_problems = 0;
bool g_verbose = false;  // notices are shown too
const char *g_partial = nullptr;  // a partly written file the fatal exit removes

// Prints a message without its trailing line ends.
void print_message(const char *prefix, int line, const char *message) {
    size_t n = std::strlen(message);
    while (n > 0 && (message[n - 1] == '\n' || message[n - 1] == '\r')) --n;
    if (line > 0) std::fprintf(stderr, "%s:%d: %.*s\n", prefix, line, static_cast<int>(n), message);
    else std::fprintf(stderr, "%s: %.*s\n", prefix, static_cast<int>(n), message);
}

void on_log(void *, vrml_context *, int32_t, int line, int severity, const char *message) {
    if (severity == VRML_LOG_PROBLEM) ++g_problems;
    else if (!g_verbose) return;
    print_message(g_name, line, message);
}

void on_fatal(void *, const char *message) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: fatal: ", g_name);
    print_message("", 0, message);
    if (g_partial) std::remove(g_partial);
    std::exit(kExitFatal);
}
}  // namespace

void tool_set_verbose(bool verbose) { g_verbose = verbose; }

void tool_report_to_stderr(const char *name) {
    g_name = name;
    g_problems = 0;
    vrml_setloghandler(on_log, nullptr);
    vrml_setfatalhandler(on_fatal, nullptr);
}

int tool_problem_count() { return g_problems; }

void tool_remove_on_fatal(const char *path) { g_partial = path; }

bool tool_open(ToolInput &input, const char *path) {
    std::memset(&input, 0, sizeof input);
    bool is_stdin = std::strcmp(path, "-") == 0;
    input.name = is_stdin ? "<stdin>" : path;
    input.stdin_input = is_stdin;
#ifdef _WIN32
    if (is_stdin) _setmode(_fileno(stdin), _O_BINARY);  // as files are read: gzip data intact
#endif
    errno = 0;
    int r = is_stdin ? zeb_initfilestream(&input.in, stdin) : zeb_initfilename(&input.in, path, "r");
    if (r < 0) {
        std::fprintf(stderr, "%s: cannot open: %s\n", path, std::strerror(errno ? errno : ENOENT));
        return false;
    }
    // Read the first line and push it back, so the loader sees all input.
    char line[1024];
    if (input.in.stream_gets(&input.in, line, sizeof line)) {
        input.header = std::strncmp(line, "#VRML V2.0 utf8", 15) == 0;
        for (size_t i = std::strlen(line); i > 0; --i)
            input.in.stream_ungetc(&input.in, static_cast<unsigned char>(line[i - 1]));
    }
    zeb_initfilestream(&input.out, stdout);
    return true;
}

void tool_problem(const char *format, ...) {
    char message[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    ++g_problems;
    print_message(g_name, 0, message);
}

vrml_context *tool_load(ToolInput &input, bool quiet_stdout, bool resolve) {
    int saved = -1;
    if (quiet_stdout) {
        std::fflush(stdout);
        saved = dup(fileno(stdout));
        if (saved >= 0) dup2(fileno(stderr), fileno(stdout));
    }
    vrml_context *ctx = vrmlutil_loadscene(&input.in, &input.out);
    if (ctx && resolve) tool_resolve_externprotos(ctx, input.stdin_input ? nullptr : input.name);
    if (saved >= 0) {
        std::fflush(stdout);
        dup2(saved, fileno(stdout));
        close(saved);
    }
    if (!ctx) std::fprintf(stderr, "%s: out of memory\n", input.name);
    return ctx;
}

int tool_status() { return g_problems > 0 ? kExitProblems : kExitClean; }

void tool_release_scene(vrml_context *ctx) {
    if (!ctx) return;
    // Nothing reads the built-in defaults while a scene is released.
    vrml_deletebuiltinfields(ctx);
    vrmlutil_unloadscene(ctx);
}

int tool_finish(ToolInput &input, vrml_context *ctx, int status) {
    tool_release_scene(ctx);
    if (zeb_error(&input.in)) {
        std::fprintf(stderr, "%s: read error: %s\n", input.name, zeb_errortext(&input.in));
        status = kExitNoInput;
    }
    input.in.stream_close(&input.in);
    if (input.out.impl) {
        int error = zeb_error(&input.out);
        errno = 0;
        if (input.out.stream_close(&input.out) < 0) {
            if (!error) error = errno ? errno : EIO;
            std::fprintf(stderr, "<stdout>: write error: %s\n", std::strerror(error));
            status = kExitNoInput;
        }
    }
    return status;
}
