// zebvrml print FILE [-o OUT] [--gzip] [--node-printers]: loads a world and
// writes it back as VRML, with the scene writer or (--node-printers) the node
// printers; gzip-compressed with --gzip or an OUT named *.gz or *.wrz.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/stat.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "scene_print.h"
#include "tool.h"

namespace {
const char *const kNodePrintersOption = "--node-printers";
const char *const kGzipOption = "--gzip";
}  // namespace

namespace {

// True when path names something other than a regular file (a device, a
// pipe): such an output is written directly, never replaced.
bool is_special(const char *path) {
    struct stat info;
    return stat(path, &info) == 0 && !(info.st_mode & S_IFREG);
}

// Replaces target with the finished temporary file.
bool replace_file(const std::string &from, const char *target) {
#ifdef _WIN32
    return MoveFileExA(from.c_str(), target, MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from.c_str(), target) == 0;
#endif
}

// True for an output name that asks for compressed output.
bool names_gzip(const char *path) {
    size_t n = std::strlen(path);
    for (const char *suffix : {".gz", ".wrz"}) {
        size_t k = std::strlen(suffix);
        if (n > k && std::strcmp(path + n - k, suffix) == 0) return true;
    }
    return false;
}

}  // namespace

int cmd_print(int argc, char **argv) {
    const char *path = nullptr;
    const char *outpath = nullptr;
    bool resolve = false, printers = false, gzip = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) outpath = argv[++i];
        else if (std::strcmp(argv[i], kNodePrintersOption) == 0) printers = true;
        else if (std::strcmp(argv[i], kResolveOption) == 0) resolve = true;
        else if (std::strcmp(argv[i], kGzipOption) == 0) gzip = true;
        else if (!path && !tool_is_option(argv[i])) path = argv[i];
        else path = nullptr, i = argc;
    }
    if (!path) return tool_usage_error("print");
    ToolInput input;
    if (!tool_open(input, path)) return kExitNoInput;
    // The world goes to a temporary file beside OUT, which replaces OUT only
    // once everything was written: an existing OUT is never left truncated,
    // and OUT may be the input itself. Devices and pipes are written directly.
    std::string temp;
    if (outpath) {
        temp = is_special(outpath) ? outpath : std::string(outpath) + ".tmp" + std::to_string(getpid());
        input.out.stream_close(&input.out);
        if (zeb_initfilename(&input.out, temp.c_str(), "w") < 0) {
            std::fprintf(stderr, "%s: cannot write: %s\n", outpath, std::strerror(ENOMEM));
            return tool_finish(input, nullptr, kExitNoInput);
        }
        gzip = gzip || names_gzip(outpath);
    }
#ifdef _WIN32
    else if (gzip) {
        std::fflush(stdout);
        _setmode(_fileno(stdout), _O_BINARY);
    }
#endif
    if (gzip) zeb_setgzipoutput(&input.out, -1);
    tool_report_to_stderr(input.name);
    if (outpath && temp != outpath) tool_remove_on_fatal(temp.c_str());
    vrml_context *ctx = tool_load(input, resolve);
    if (!ctx) return tool_finish(input, nullptr, kExitFatal);
    // Items the scene writer cannot express are reported as problems.
    if (printers) tool_print_scene(ctx);
    else vrmlutil_writescene(ctx, nullptr, 0);
    if (!outpath) return tool_finish(input, ctx, tool_status());
    int error = zeb_error(&input.out);
    errno = 0;
    bool written = input.out.stream_close(&input.out) == 0;
    if (!written && !error) error = errno;
    bool direct = temp == outpath;
    if (written && !direct && !replace_file(temp, outpath)) written = false, error = errno;
    if (!written) {
        if (!direct) std::remove(temp.c_str());
        std::fprintf(stderr, "%s: cannot write: %s\n", outpath, std::strerror(error ? error : EIO));
        return tool_finish(input, ctx, kExitNoInput);
    }
    return tool_finish(input, ctx, tool_status());
}
