// zebvrml: the command-line host of the VRML97 library.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tool.h"

namespace {

struct Command {
    const char *name;
    int (*run)(int argc, char **argv);
    const char *summary;
    const char *usage;  // the arguments
    const char *help;   // what it does
    const char *options;  // its own options
};

const char kLoadOptions[] =
    "  --resolve-externprotos  wire each EXTERNPROTO whose url names a local file\n"
    "                          (\"file.wrl#Name\" or \"file.wrl\", relative to the world's\n"
    "                          folder) to the PROTO of that file; unresolvable ones are\n"
    "                          reported as problems\n";

const Command kCommands[] = {
    {"check", cmd_check, "load a world and report its problems", "FILE [--resolve-externprotos]",
     "Loads a world, reports its problems and prints how many root nodes it has.\n", ""},
    {"print", cmd_print, "load a world and write it back as VRML",
     "FILE [-o OUT] [--gzip] [--node-printers] [--resolve-externprotos]",
     "Loads a world and writes it back so that the text reads back to the same\n"
     "scene; what VRML text cannot express is reported as a problem.\n",
     "  -o OUT                  write to OUT (replaced only once all is written)\n"
     "  --gzip                  write gzip-compressed text (so does an OUT named\n"
     "                          *.gz or *.wrz)\n"
     "  --node-printers         write what the node printers write instead (that\n"
     "                          text may lose routes and values when read back)\n"},
    {"stats", cmd_stats, "count nodes per type, DEF names, routes, declarations",
     "FILE [--json] [--resolve-externprotos]",
     "Counts what a world holds:\n"
     "  roots              root nodes\n"
     "  nodes              distinct nodes of the scene graph (reachable from the\n"
     "                     roots), PROTO instances under their PROTO's name\n"
     "  defs               DEF names of the world (PROTO bodies not included)\n"
     "  routes             ROUTEs between scene-graph nodes, those a host added too\n"
     "  protos             PROTO declarations, nested ones included\n"
     "  externprotos       EXTERNPROTO declarations, nested ones included\n"
     "  depth              levels of the scene graph (a root node is level 1)\n"
     "  declaration_nodes  nodes of the PROTO declarations' bodies\n"
     "  instance_nodes     nodes of the body copies PROTO instances carry\n"
     "  types              scene-graph nodes by type name\n",
     "  --json                  one JSON object with these keys, and \"file\"\n"},
    {"tree", cmd_tree, "show the node tree with DEF names and USEs", "FILE",
     "Shows the scene graph, one node per line, with member names, DEF and USE.\n", ""},
    {"types", cmd_types, "list the built-in node types, or print one's interface", "[NAME]",
     "Lists the built-in node types, or prints the interface of type NAME with\n"
     "its members' classes, types and defaults.\n", ""},
};

const char kCommonOptions[] =
    "  --lenient               read the world as far as it can be read: nodes of\n"
    "                          unknown types kept, unknown members and X3D\n"
    "                          statements stepped over, each reported once\n"
    "  --max-nodes N           end a load through the fatal exit once the world\n"
    "                          would hold more than N nodes\n"
    "  -v, --verbose           also show the library's notices (registration and\n"
    "                          progress lines, EXTERNPROTO members as read)\n"
    "  -h, --help              show this help\n";

const char kExitStatus[] =
    "\nExit status: 0 clean, 1 problems reported, 2 a file cannot be opened, read\n"
    "or written, or bad usage, 3 the load ended through a fatal condition.\n";

void usage(FILE *to) {
    std::fprintf(to,
                 "usage: zebvrml COMMAND [ARGS]\n"
                 "       zebvrml COMMAND --help\n"
                 "       zebvrml --help | --version\n\n"
                 "Commands (FILE may be - for standard input; gzip-compressed input is\n"
                 "read whatever its name):\n");
    for (const Command &c : kCommands) std::fprintf(to, "  %-6s %s\n", c.name, c.summary);
    std::fprintf(to, "\nOptions of every command:\n%s%s", kCommonOptions, kExitStatus);
}

void command_help(const Command &c) {
    std::printf("usage: zebvrml %s %s\n\n%s", c.name, c.usage, c.help);
    bool loads = std::strcmp(c.name, "check") == 0 || std::strcmp(c.name, "print") == 0 ||
                 std::strcmp(c.name, "stats") == 0;
    std::printf("\nOptions:\n%s%s%s%s", c.options, loads ? kLoadOptions : "", kCommonOptions,
                kExitStatus);
}

// Takes "--max-nodes N" out of the arguments after the command and sets the
// node limit of every load. False (reported) when N is not a positive count.
bool take_max_nodes(int &argc, char **argv) {
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--max-nodes") != 0) continue;
        char *end = nullptr;
        errno = 0;
        long n = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : 0;
        if (i + 1 >= argc || *end != '\0' || errno != 0 || n <= 0 || n > INT32_MAX) {
            std::fprintf(stderr, "zebvrml: --max-nodes needs a count from 1 to %d\n", INT32_MAX);
            return false;
        }
        vrml_setnodelimit(nullptr, static_cast<int32_t>(n));
        for (int j = i; j + 2 <= argc; ++j) argv[j] = argv[j + 2];
        argc -= 2;
        --i;
    }
    return true;
}

}  // namespace

int tool_usage_error(const char *command) {
    for (const Command &c : kCommands)
        if (std::strcmp(command, c.name) == 0)
            std::fprintf(stderr, "usage: zebvrml %s %s\n       zebvrml %s --help\n", c.name, c.usage,
                         c.name);
    return kExitNoInput;
}

int main(int argc, char **argv) {
    if (argc < 2) {
        usage(stderr);
        return kExitNoInput;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("zebvrml %s\n", ZEBVRML2_VERSION);
        return 0;
    }
    if (!take_max_nodes(argc, argv)) return kExitNoInput;
    // -v / --verbose and --lenient anywhere after the command.
    for (int i = 2; i < argc; ++i) {
        bool verbose = std::strcmp(argv[i], "-v") == 0 || std::strcmp(argv[i], "--verbose") == 0;
        bool lenient = std::strcmp(argv[i], "--lenient") == 0;
        if (!verbose && !lenient) continue;
        if (verbose) tool_set_verbose(true);
        else tool_set_lenient(true);
        for (int j = i; j + 1 <= argc; ++j) argv[j] = argv[j + 1];
        --argc;
        --i;
    }
    for (const Command &c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0) continue;
        for (int i = 2; i < argc; ++i) {
            if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
                command_help(c);
                return 0;
            }
        }
        return c.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "zebvrml: unknown command '%s'\n", argv[1]);
    usage(stderr);
    return kExitNoInput;
}
