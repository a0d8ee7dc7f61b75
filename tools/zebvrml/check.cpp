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
        else if (!path && !tool_is_option(argv[i])) path = argv[i];
        else usage = true;
    }
    if (!path || usage) return tool_usage_error("check");
    ToolInput input;
    if (!tool_open(input, path)) return kExitNoInput;
    tool_report_to_stderr(input.name);
    vrml_context *ctx = tool_load(input, resolve);
    if (!ctx) return tool_finish(input, nullptr, kExitFatal);
    int roots = ctx->root ? ctx->root->count : 0;
    std::printf("%s: %d root node%s, header line %s\n", input.name, roots, roots == 1 ? "" : "s",
                input.header ? "present" : "missing");
    return tool_finish(input, ctx, tool_status());
}
