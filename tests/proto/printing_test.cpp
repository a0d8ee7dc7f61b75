// Writing PROTO declarations and Script nodes: the exact writes, nested
// declarations inside their bodies, IS lines, and reading the text back.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/loaded_scene.h"

namespace {

// An output stream that records every write with the operation that made it.
std::vector<std::pair<char, std::string>> g_writes;

int record(char op, const char *format, va_list args) {
    char text[4096];
    int n = std::vsnprintf(text, sizeof text, format, args);
    g_writes.emplace_back(op, text);
    return n;
}
int recorded_printf(vrml_stream *, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int n = record('p', format, args);
    va_end(args);
    return n;
}
int recorded_iprintf(vrml_stream *, const char *format, ...) {
    va_list args;
    va_start(args, format);
    int n = record('i', format, args);
    va_end(args);
    return n;
}

TEST(PrintProtos, TheWritesOfADeclaration) {
    LoadedScene s("PROTO P [ field SFFloat size 1.5 eventOut SFTime done ] { }");
    vrml_stream recording{};
    recording.stream_printf = recorded_printf;
    recording.stream_iprintf = recorded_iprintf;
    s.ctx->out = &recording;
    g_writes.clear();
    EXPECT_EQ(vrml_print_PROTOS(s.ctx), 0);
    const std::vector<std::pair<char, std::string>> expected = {
        {'i', "PROTO P [\n"}, {'i', "field SFFloat size "}, {'p', "1.500000"},
        {'i', "eventOut SFTime done "}, {'i', "\n"}, {'i', "]\n{\n"}, {'i', "}\n"},
    };
    EXPECT_EQ(g_writes, expected);
    EXPECT_EQ(s.ctx->scopedepth, 1);
}

TEST(PrintProtos, NoneForAWorldWithoutDeclarationsAndScriptsAreSkipped) {
    LoadedScene s("Group {} Script { }");
    s.take_output();
    vrml_print_PROTOS(s.ctx);
    EXPECT_EQ(s.take_output(), "");
    EXPECT_EQ(s.ctx->templates->count, 82);
}

const char *const kNested =
    "PROTO Outer [ exposedField SFColor c 1 0 0 eventIn SFBool go ] {\n"
    "  PROTO Inner [ exposedField SFColor ic 0 1 0 ] { Material { diffuseColor IS ic } }\n"
    "  DEF I Inner { ic IS c }\n"
    "  DEF S Script { eventIn SFBool g IS go eventOut SFColor out url IS c mustEvaluate TRUE }\n"
    "  ROUTE S.out TO I.ic\n"
    "}\n"
    "Outer { c 0 0 1 }\n";

const char *const kNestedPrinted =
    "#VRML V2.0 utf8\n"
    "PROTO Outer [\n"
    "  exposedField SFColor c 1.000000 0.000000 0.000000\n"
    "  eventIn SFBool go \n"
    "  \n"
    "]\n"
    "{\n"
    "  PROTO Inner [\n"
    "    exposedField SFColor ic 0.000000 1.000000 0.000000\n"
    "  ]\n"
    "{\n"
    "Material {\n"
    "      diffuseColor IS ic\n"
    "}\n"
    "  }\n"
    "  DEF I Inner {\n"
    "    ic IS c\n"
    "} \n"
    "  DEF S Script {\n"
    "    url IS c\n"
    "    directOutput FALSE\n"
    "    mustEvaluate TRUE\n"
    "    eventIn SFBool g IS go\n"
    "    eventOut SFColor out\n"
    "}\n"
    "  ROUTE S.out TO I.ic\n"
    "}\n"
    "Outer {\n"
    "  c 0.000000 0.000000 1.000000}\n";

TEST(PrintProtos, NestedDeclarationsScriptsAndIsLinesReadBackAlike) {
    LoadedScene s(kNested);
    std::string printed = s.print_world();
    EXPECT_EQ(printed, kNestedPrinted);
    LoadedScene again(printed);
    EXPECT_EQ(again.print_world(), printed);
}

TEST(PrintProtos, ExternProtosAreWrittenInProtoForm) {
    testing::internal::CaptureStdout();
    LoadedScene s("EXTERNPROTO E [ field SFInt32 n eventOut SFTime t ] \"e.wrl\" E { n 3 }");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(s.print_world(),
              "#VRML V2.0 utf8\n"
              "PROTO E [\n"
              "  field SFInt32 n 0\n"
              "  eventOut SFTime t \n"
              "  \n"
              "]\n"
              "{\n"
              "}\n"
              "E {\n"
              "  n 3}\n");
}

TEST(PrintScript, ShortAndLongFormsOutsideAPrototype) {
    LoadedScene s("DEF T TimeSensor {}\n"
                  "DEF S Script { field SFInt32 n 4 eventIn SFBool go eventOut SFTime t "
                  "ROUTE S.t TO T.set_startTime }");
    s.take_output();
    vrml_print_node(s.ctx, s.def("S"));
    EXPECT_EQ(s.take_output(),
              "Script {\n"
              "  url []\n"
              "  directOutput FALSE\n"
              "  mustEvaluate FALSE\n"
              "  field SFInt32 n 4\n"
              "  eventIn SFBool go\n"
              "  eventOut SFTime t\n"
              "  ROUTE S.t TO T.startTime\n"
              "}");
}

TEST(PrintNode, AnInstanceDoesNotWriteTheRoutesOfItsBody) {
    LoadedScene s("PROTO M [ exposedField SFVec3f where 1 2 3 ] {\n"
                  "  DEF T Transform { translation IS where } DEF U Transform { }\n"
                  "  ROUTE T.translation_changed TO U.set_translation\n"
                  "}\n"
                  "DEF X M { where 4 5 6 }\n");
    EXPECT_EQ(routes_leaving(s.def("X"), 2)->count, 1);
    s.take_output();
    vrml_print_node(s.ctx, s.def("X"));
    EXPECT_EQ(s.take_output(), "M {\n  where 4.000000 5.000000 6.000000}");
}

}  // namespace
