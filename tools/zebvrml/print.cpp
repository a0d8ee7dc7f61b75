// zebvrml print FILE [-o OUT]: loads a world and writes it back as VRML.
#include <cstdio>
#include <cstring>

#include "scene_print.h"
#include "tool.h"

int cmd_print(int argc, char **argv) {
    const char *path = nullptr;
    const char *outpath = nullptr;
    bool resolve = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc) outpath = argv[++i];
        else if (std::strcmp(argv[i], kResolveOption) == 0) resolve = true;
        else if (!path) path = argv[i];
        else path = nullptr, i = argc;
    }
    if (!path) {
        std::fprintf(stderr, "usage: zebvrml print FILE [-o OUT] [%s]\n", kResolveOption);
        return kExitNoInput;
    }
    ToolInput input;
    if (!tool_open(input, path)) {
        std::fprintf(stderr, "%s: cannot open\n", path);
        return kExitNoInput;
    }
    if (outpath) {
        input.out.stream_close(&input.out);
        if (zeb_initfilename(&input.out, outpath, "w") < 0) {
            std::fprintf(stderr, "%s: cannot write\n", outpath);
            return kExitNoInput;
        }
    }
    tool_report_to_stderr(input.name);
    vrml_context *ctx = tool_load(input, outpath == nullptr, resolve);
    if (!ctx) return kExitFatal;
    tool_print_scene(ctx);
    vrml_stream *out = ctx->out;
    int closed = out->stream_close(out);
    if (closed < 0 && outpath) {
        std::fprintf(stderr, "%s: write failed\n", outpath);
        return tool_finish(input, ctx, kExitNoInput);
    }
    return tool_finish(input, ctx, tool_status());
}
