// zebvrml check FILE: loads a world and reports what the library found.
#include <cstdio>
#include <cstring>

#include "tool.h"

int cmd_check(int argc, char **argv) {
    const char *path = nullptr;
    bool resolve = false;
    bool usage = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], kResolveOption) == 0) resolve = true;
        else if (!path) path = argv[i];
        else usage = true;
    }
    if (!path || usage) {
        std::fprintf(stderr, "usage: zebvrml check FILE [%s]\n", kResolveOption);
        return kExitNoInput;
    }
    ToolInput input;
    if (!tool_open(input, path)) return kExitNoInput;
    tool_report_to_stderr(input.name);
    vrml_context *ctx = tool_load(input, true, resolve);
    if (!ctx) return tool_finish(input, nullptr, kExitFatal);
    int roots = ctx->root ? ctx->root->count : 0;
    std::printf("%s: %d root node%s, header line %s\n", input.name, roots, roots == 1 ? "" : "s",
                input.header ? "present" : "missing");
    return tool_finish(input, ctx, tool_status());
}
