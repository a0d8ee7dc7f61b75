// Shared pieces of the zebvrml subcommands.
#ifndef ZEBVRML_TOOL_H
#define ZEBVRML_TOOL_H

#include "zebvrml2.h"

// Exit statuses of every subcommand.
enum ToolStatus {
    kExitClean = 0,     // no problem reported (notices do not count)
    kExitProblems = 1,  // the library reported problems
    kExitNoInput = 2,   // a file cannot be opened, read or written, or a usage error
    kExitFatal = 3,     // the library ended the load through its fatal exit
};

// A world opened for loading: the input stream, its name for messages and
// whether its first line is the VRML97 header.
struct ToolInput {
    vrml_stream in;
    vrml_stream out;
    const char *name;
    bool header;
    bool stdin_input;
};

// Opens path ("-" for standard input) and looks at its header line without
// consuming it. False (reported as "PATH: cannot open: reason") when it
// cannot be opened.
bool tool_open(ToolInput &input, const char *path);

// Installs handlers that print diagnostics as "NAME:LINE: message" on
// standard error and turn a fatal condition into exit status 3.
void tool_report_to_stderr(const char *name);

// Names a file that the fatal exit removes (null: none).
void tool_remove_on_fatal(const char *path);

// Shows the library's notices (registration and progress lines) as well as
// its problems; off by default.
void tool_set_verbose(bool verbose);

// Loads worlds leniently (VRML_LOAD_LENIENT); off by default.
void tool_set_lenient(bool lenient);

// Problems reported since tool_report_to_stderr.
int tool_problem_count();

// Loads the opened world with the handlers of tool_report_to_stderr; the
// library's "df: ..." lines for EXTERNPROTO members are notices. A missing
// header line and input left unread where the load stopped are reported as
// problems. With resolve, the EXTERNPROTOs are then resolved
// (tool_resolve_externprotos).
vrml_context *tool_load(ToolInput &input, bool resolve = false);

// Resolves every EXTERNPROTO of ctx whose url names a local file ("file.wrl"
// or "file.wrl#Name", relative to the folder of the world, or of the file
// that declared it): reads that file's declarations into a scope of their
// own and wires the pending instances to the named PROTO (the EXTERNPROTO's
// own name without "#Name"). Unresolvable declarations are reported as
// problems. The number resolved.
int tool_resolve_externprotos(vrml_context *ctx, const char *worldpath);

// Reports a problem of the tool itself as "NAME: message" (with line > 0
// "NAME:LINE: message") and counts it.
void tool_problem_at(int line, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
#define tool_problem(...) tool_problem_at(0, __VA_ARGS__)

// The option that turns resolving on, accepted by check, print and stats.
constexpr const char *kResolveOption = "--resolve-externprotos";

// Exit status after a load: problems or clean.
int tool_status();

// Ends the work on a loaded world: unloads the scene (the process's last, so
// the built-in defaults are released too) and closes the input's streams.
// Returns status, or kExitNoInput (reported) when reading the input failed
// or what was written to standard output did not arrive.
int tool_finish(ToolInput &input, vrml_context *ctx, int status);

// The same for a scene read from other streams, which the caller closes.
void tool_release_scene(vrml_context *ctx);

// Prints the command's usage lines on standard error; returns kExitNoInput.
int tool_usage_error(const char *command);

// True for an argument that looks like an option ("-x", "--x"; "-" alone is
// standard input).
inline bool tool_is_option(const char *arg) { return arg[0] == '-' && arg[1] != '\0'; }

int cmd_check(int argc, char **argv);
int cmd_print(int argc, char **argv);
int cmd_stats(int argc, char **argv);
int cmd_tree(int argc, char **argv);
int cmd_types(int argc, char **argv);

#endif
