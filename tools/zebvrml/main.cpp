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
};

const Command kCommands[] = {
    {"check", cmd_check, "check FILE [R]           load a world and report its problems"},
    {"print", cmd_print, "print FILE [-o OUT] [R]  load a world and write it back as VRML"},
    {"stats", cmd_stats, "stats FILE [--json] [R]  count nodes per type, DEF names, routes, scopes"},
    {"tree", cmd_tree, "tree FILE                show the node tree with DEF names and USEs"},
    {"types", cmd_types, "types [NAME]             list the built-in node types, or print one's interface"},
};

void usage(FILE *to) {
    std::fprintf(to,
                 "usage: zebvrml COMMAND [ARGS]\n"
                 "       zebvrml --help | --version\n\n"
                 "Commands (FILE may be - for standard input):\n");
    for (const Command &c : kCommands) std::fprintf(to, "  %s\n", c.summary);
    std::fprintf(to,
                 "\nR is --resolve-externprotos: each EXTERNPROTO whose url names a local file\n"
                 "(\"file.wrl#Name\" or \"file.wrl\", relative to the world's folder) is wired to\n"
                 "the PROTO of that file; unresolvable ones are reported as problems.\n"
                 "\nprint writes the scene so that its text reads back to the same scene; with\n"
                 "--node-printers it writes what the node printers write instead (that text\n"
                 "may lose routes and values when read back). It writes gzip-compressed text\n"
                 "with --gzip or to an OUT named *.gz or *.wrz; every command reads gzip\n"
                 "input, whatever its name.\n"
                 "\n--max-nodes N (with any command that loads a world) ends the load through\n"
                 "the fatal exit once the world would hold more than N nodes. -v (--verbose)\n"
                 "also shows the library's notices (registration and progress lines).\n"
                 "\nExit status: 0 clean, 1 problems reported, 2 a file cannot be opened, read\n"
                 "or written, or bad usage, 3 the load ended through a fatal condition.\n");
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
    // -v / --verbose anywhere after the command shows the library's notices.
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") != 0 && std::strcmp(argv[i], "--verbose") != 0) continue;
        tool_set_verbose(true);
        for (int j = i; j + 1 <= argc; ++j) argv[j] = argv[j + 1];
        --argc;
        --i;
    }
    for (const Command &c : kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 2, argv + 2);
    std::fprintf(stderr, "zebvrml: unknown command '%s'\n", argv[1]);
    usage(stderr);
    return kExitNoInput;
}
