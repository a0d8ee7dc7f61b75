#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "zebvrml2.h"

namespace {

struct ToolRun {
    int status;
    std::string out;
};

// Runs the zebvrml command with a shell command line; stderr goes to stdout
// when merge is set.
ToolRun zebvrml(const std::string &args, bool merge = false) {
    std::string cmd = std::string("'") + ZEBVRML2_TOOL + "' " + args + (merge ? " 2>&1" : " 2>/dev/null");
    FILE *p = popen(cmd.c_str(), "r");
    ToolRun r{-1, ""};
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return r;
}

std::string example(const char *name) { return std::string(ZEBVRML2_SOURCE_DIR) + "/examples/" + name; }

TEST(Cli, HelpAndVersion) {
    ToolRun help = zebvrml("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: zebvrml COMMAND"), std::string::npos);
    ToolRun version = zebvrml("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "zebvrml " ZEBVRML2_VERSION "\n");
}

TEST(Cli, UsageErrorsAndUnknownCommands) {
    EXPECT_EQ(zebvrml("").status, 2);
    EXPECT_EQ(zebvrml("frobnicate").status, 2);
    EXPECT_EQ(zebvrml("check").status, 2);
    EXPECT_EQ(zebvrml("check a b").status, 2);
}

TEST(Cli, CheckOfAFileThatCannotBeOpened) {
    ToolRun r = zebvrml("check /nonexistent/world.wrl", true);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "/nonexistent/world.wrl: cannot open: No such file or directory\n");
}

TEST(Cli, CheckReportsTheHeaderLine) {
    ToolRun r = zebvrml("check '" + example("hello.wrl") + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("header line present"), std::string::npos) << r.out;
    std::string path = testing::TempDir() + "cli_noheader_" + std::to_string(::getpid()) + ".wrl";
    std::ofstream(path) << "# no header\n";
    ToolRun none = zebvrml("check '" + path + "'");
    EXPECT_EQ(none.out, path + ": 0 root nodes, header line missing\n");
    ToolRun piped = zebvrml("check - < '" + path + "'");
    EXPECT_EQ(piped.out, "<stdin>: 0 root nodes, header line missing\n");
    std::remove(path.c_str());
}

TEST(Cli, PrintWritesTheWorldToStandardOutputOrToAFile) {
    std::string world = example("def_use.wrl");
    ToolRun shown = zebvrml("print '" + world + "'");
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.out.rfind("#VRML V2.0 utf8\nDEF Stone Material {\n", 0), 0u) << shown.out;
    EXPECT_NE(shown.out.find("  ROUTE Roof.translation TO Lamp.location\n"
                             "  translation 0.000000 3.100000 0.000000}\n"),
              std::string::npos)
        << shown.out;
    std::string path = testing::TempDir() + "cli_print_" + std::to_string(::getpid()) + ".wrl";
    ToolRun written = zebvrml("print '" + world + "' -o '" + path + "'");
    EXPECT_EQ(written.status, 0);
    EXPECT_EQ(written.out, "");
    std::ifstream f(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, shown.out);
    // The print reads back to the same print.
    EXPECT_EQ(zebvrml("print '" + path + "'").out, shown.out);
    std::remove(path.c_str());
}

TEST(Cli, PrintOfAWorldWithProblemsEndsWithStatus1) {
    std::string path = testing::TempDir() + "cli_bad_" + std::to_string(::getpid()) + ".wrl";
    std::ofstream(path) << "Group {} USE Nobody Group {}\n";
    ToolRun r = zebvrml("print '" + path + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "#VRML V2.0 utf8\nGroup {}\n");
    std::remove(path.c_str());
}

TEST(Cli, TreeShowsDefNamesTypesAndUses) {
    ToolRun r = zebvrml("tree '" + example("hello.wrl") + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "DEF Spinner Transform\n"
              "  children: Shape\n"
              "    appearance: Appearance\n"
              "      material: DEF Red Material\n"
              "    geometry: Box\n"
              "Transform\n"
              "  children: Shape\n"
              "    appearance: Appearance\n"
              "      material: USE Red\n"
              "    geometry: Sphere\n"
              "DEF Clock TimeSensor\n"
              "DEF Turn OrientationInterpolator\n");
}

TEST(Cli, StatsCountsNodesNamesAndRoutes) {
    ToolRun r = zebvrml("stats --json '" + example("animation.wrl") + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"roots\": 8, \"nodes\": 19, \"defs\": 7, \"routes\": 5, "
                         "\"scopes\": 1, \"templates\": 81"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"Material\": 3, \"PositionInterpolator\": 1, \"Shape\": 3"),
              std::string::npos)
        << r.out;
}

TEST(Cli, PrintKeepsTheExternProtoLinesOutOfTheWorld) {
    ToolRun r = zebvrml("print '" + example("lamp_world.wrl") + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("df:"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.rfind("#VRML V2.0 utf8\nPROTO Lamp [\n", 0), 0u) << r.out;
    ToolRun merged = zebvrml("print '" + example("lamp_world.wrl") + "'", true);
    EXPECT_NE(merged.out.find("df: exposedField SFColor lightColor\n"), std::string::npos);
}

TEST(Cli, ResolvingExternProtosFromLocalFiles) {
    ToolRun plain = zebvrml("stats --json '" + example("lamp_world.wrl") + "'");
    ToolRun resolved = zebvrml("stats --json --resolve-externprotos '" + example("lamp_world.wrl") + "'");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(resolved.status, 0);
    // Two Transforms with a Lamp each; resolving adds the PROTO's body as
    // declared (6 nodes) and two implementing instances with their copies.
    EXPECT_NE(plain.out.find("\"nodes\": 4,"), std::string::npos) << plain.out;
    EXPECT_NE(resolved.out.find("\"nodes\": 24,"), std::string::npos) << resolved.out;
    EXPECT_NE(resolved.out.find("\"PointLight\": 3"), std::string::npos) << resolved.out;
    EXPECT_EQ(zebvrml("check --resolve-externprotos '" + example("lamp_world.wrl") + "'").status, 0);

    std::string path = testing::TempDir() + "cli_unresolved_" + std::to_string(::getpid()) + ".wrl";
    std::ofstream(path) << "#VRML V2.0 utf8\nEXTERNPROTO Gone [ field SFInt32 n ] "
                           "[ \"missing.wrl#Gone\" \"http://example.org/x.wrl\" ]\nGone {}\n";
    ToolRun gone = zebvrml("print --resolve-externprotos '" + path + "'", true);
    EXPECT_EQ(gone.status, 1);
    EXPECT_NE(gone.out.find(path + ": cannot resolve EXTERNPROTO Gone\n"), std::string::npos) << gone.out;
    std::remove(path.c_str());
}

}  // namespace

namespace {

TEST(Cli, MaxNodesEndsEveryLoadingCommandPastTheLimit) {
    const std::string world = "'" + example("hello.wrl") + "'";
    ToolRun ok = zebvrml("stats " + world + " --max-nodes 1000");
    EXPECT_EQ(ok.status, 0);
    for (const char *command : {"check", "print", "stats", "tree"}) {
        ToolRun r = zebvrml(std::string(command) + " --max-nodes 1 " + world, true);
        EXPECT_EQ(r.status, 3) << command;
        EXPECT_NE(r.out.find("fatal: : v_d_n: node limit of 1 reached: "), std::string::npos)
            << command << ": " << r.out;
    }
    for (const char *bad : {"0", "-5", "x", "99999999999"}) {
        ToolRun r = zebvrml(std::string("print --max-nodes ") + bad + " " + world, true);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_EQ(r.out, "zebvrml: --max-nodes needs a count from 1 to 2147483647\n") << bad;
    }
    EXPECT_EQ(zebvrml("print " + world + " --max-nodes").status, 2);
}

}  // namespace
