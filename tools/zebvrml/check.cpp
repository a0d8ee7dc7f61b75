// zebvrml check FILE: loads a world and reports what the library found.
#include <cstdio>

#include "tool.h"

int cmd_check(int argc, char **argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: zebvrml check FILE\n");
        return kExitNoInput;
    }
    ToolInput input;
    if (!tool_open(input, argv[0])) {
        std::fprintf(stderr, "%s: cannot open\n", argv[0]);
        return kExitNoInput;
    }
    tool_report_to_stderr(input.name);
    vrml_context *ctx = tool_load(input, false);
    if (!ctx) return kExitFatal;
    int roots = ctx->root ? ctx->root->count : 0;
    std::printf("%s: %d root node%s, header line %s\n", input.name, roots, roots == 1 ? "" : "s",
                input.header ? "present" : "missing");
    return tool_status();
}
