#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "support/test_support.h"

namespace {

std::string temp_path(const char *name) {
    return testing::TempDir() + "zebio_" + name + "_" + std::to_string(::getpid());
}

void write_file(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(StringStream, EofTurnsTrueWithTheLastCharacter) {
    StringInput in("ab");
    vrml_stream *s = in.get();
    EXPECT_EQ(s->stream_eof(s), 0);
    EXPECT_EQ(s->stream_getc(s), 'a');
    EXPECT_EQ(s->stream_eof(s), 0);
    EXPECT_EQ(s->stream_getc(s), 'b');
    EXPECT_NE(s->stream_eof(s), 0);
    EXPECT_EQ(s->stream_getc(s), -1);
    // Pushing back makes input remain again.
    EXPECT_EQ(s->stream_ungetc(s, 'z'), 'z');
    EXPECT_EQ(s->stream_eof(s), 0);
    EXPECT_EQ(s->stream_getc(s), 'z');
    EXPECT_NE(s->stream_eof(s), 0);
}

TEST(StringStream, BytesAboveAsciiComeBackUnsigned) {
    StringInput in("\xE9\xFF");
    vrml_stream *s = in.get();
    EXPECT_EQ(s->stream_getc(s), 0xE9);
    EXPECT_EQ(s->stream_getc(s), 0xFF);
    EXPECT_EQ(s->stream_getc(s), -1);
}

TEST(StringStream, EmptyAndNulTerminatedTexts) {
    vrml_stream s{};
    ASSERT_EQ(zeb_initstringstream(&s, nullptr, 0), 0);
    EXPECT_NE(s.stream_eof(&s), 0);
    EXPECT_EQ(s.stream_getc(&s), -1);
    ASSERT_EQ(zeb_setstringstream(&s, "xyz", -1), 0);
    EXPECT_EQ(s.stream_getc(&s), 'x');
    ASSERT_EQ(zeb_setstringstream(&s, "pq", 1), 0);
    EXPECT_EQ(s.stream_getc(&s), 'p');
    EXPECT_EQ(s.stream_getc(&s), -1);
    s.stream_close(&s);
}

TEST(StringStream, SetRestartsPushbackAndLine) {
    vrml_stream s{};
    zeb_initstringstream(&s, "a\nb", 3);
    s.stream_getc(&s);
    s.stream_getc(&s);
    EXPECT_EQ(s.line, 2);
    s.stream_ungetc(&s, 'q');
    zeb_setstringstream(&s, "c", 1);
    EXPECT_EQ(s.line, 1);
    EXPECT_EQ(s.stream_getc(&s), 'c');
    EXPECT_EQ(s.stream_getc(&s), -1);
    s.stream_close(&s);
}

TEST(Pushback, LastPushedIsReadFirstAndHoldsManyCharacters) {
    StringInput in("tail");
    vrml_stream *s = in.get();
    std::string pushed;
    for (int i = 0; i < 5000; ++i) pushed.push_back(static_cast<char>('a' + i % 26));
    for (size_t i = pushed.size(); i > 0; --i)
        ASSERT_GE(s->stream_ungetc(s, static_cast<unsigned char>(pushed[i - 1])), 0);
    EXPECT_EQ(in.rest(), pushed + "tail");
}

TEST(Pushback, SteppingBackOverWhatWasReadAndPushingOtherCharacters) {
    StringInput in("abc");
    vrml_stream *s = in.get();
    EXPECT_EQ(s->stream_getc(s), 'a');
    EXPECT_EQ(s->stream_getc(s), 'b');
    s->stream_ungetc(s, 'b');
    s->stream_ungetc(s, 'X');  // not what was read there
    s->stream_ungetc(s, ' ');
    EXPECT_EQ(in.rest(), " Xbc");
    EXPECT_EQ(s->stream_ungetc(s, -1), -1);
}

TEST(Line, CountsLineFeedsAndUncountsPushedBackOnes) {
    StringInput in("a\r\nb\rc\n");
    vrml_stream *s = in.get();
    EXPECT_EQ(s->line, 1);
    s->stream_getc(s);
    s->stream_getc(s);
    EXPECT_EQ(s->line, 1);
    EXPECT_EQ(s->stream_getc(s), '\n');
    EXPECT_EQ(s->line, 2);
    s->stream_ungetc(s, '\n');
    EXPECT_EQ(s->line, 1);
    s->stream_getc(s);
    in.rest();
    EXPECT_EQ(s->line, 3);  // the lone CR does not count
}

TEST(Gets, ReadsOneLineWithItsLineFeed) {
    StringInput in("first line\nsecond");
    vrml_stream *s = in.get();
    char buf[64];
    ASSERT_EQ(s->stream_gets(s, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "first line\n");
    ASSERT_EQ(s->stream_gets(s, buf, 4), 1);
    EXPECT_STREQ(buf, "sec");
    ASSERT_EQ(s->stream_gets(s, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "ond");
    EXPECT_EQ(s->stream_gets(s, buf, sizeof buf), 0);
    EXPECT_EQ(s->line, 2);
}

TEST(FileStream, ReadsAcrossBlocksWithPushback) {
    std::string path = temp_path("blocks");
    std::string text;
    for (int i = 0; text.size() < 200000; ++i) text += "line " + std::to_string(i) + "\n";
    write_file(path, text);
    vrml_stream s{};
    ASSERT_EQ(zeb_initfilename(&s, path.c_str(), "r"), 0);
    std::string got;
    int lines = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        int c = s.stream_getc(&s);
        ASSERT_GE(c, 0) << "at " << i;
        if (c == '\n') ++lines;
        got.push_back(static_cast<char>(c));
        if (i % 65536 == 0) {  // pushback at and around block ends
            s.stream_ungetc(&s, c);
            s.stream_ungetc(&s, '!');
            ASSERT_EQ(s.stream_getc(&s), '!');
            ASSERT_EQ(s.stream_getc(&s), c);
        }
    }
    EXPECT_EQ(got, text);
    EXPECT_EQ(s.line, lines);
    EXPECT_NE(s.stream_eof(&s), 0);
    EXPECT_EQ(s.stream_getc(&s), -1);
    EXPECT_EQ(s.stream_close(&s), 0);
    std::remove(path.c_str());
}

TEST(FileStream, MissingFileFailsToOpen) {
    vrml_stream s{};
    EXPECT_EQ(zeb_initfilename(&s, "/nonexistent/dir/x.wrl", "r"), -1);
    EXPECT_EQ(zeb_initfilename(&s, "x.wrl", "q"), -1);
    EXPECT_EQ(zeb_initfilestream(&s, nullptr), -1);
}

TEST(FileStream, OutputIsCreatedAtItsFirstWriteSoTheInputSurvives) {
    std::string path = temp_path("same");
    write_file(path, "#VRML V2.0 utf8\nGroup {}\n");
    vrml_stream in{}, out{};
    ASSERT_EQ(zeb_initfilename(&in, path.c_str(), "r"), 0);
    ASSERT_EQ(zeb_initfilename(&out, path.c_str(), "w"), 0);
    std::string got;
    for (int c; (c = in.stream_getc(&in)) >= 0;) got.push_back(static_cast<char>(c));
    EXPECT_EQ(got, "#VRML V2.0 utf8\nGroup {}\n");
    in.stream_close(&in);
    EXPECT_EQ(read_file(path), "#VRML V2.0 utf8\nGroup {}\n");
    EXPECT_EQ(out.stream_printf(&out, "%s %d\n", "written", 7), 10);
    EXPECT_EQ(out.stream_close(&out), 0);
    EXPECT_EQ(read_file(path), "written 7\n");
    std::remove(path.c_str());
}

TEST(FileStream, WrapsAnOpenCStreamWithoutClosingIt) {
    FILE *f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    vrml_stream s{};
    ASSERT_EQ(zeb_initfilestream(&s, f), 0);
    s.stream_printf(&s, "abc");
    EXPECT_EQ(s.stream_close(&s), 0);
    std::rewind(f);
    char buf[8] = {};
    EXPECT_EQ(std::fread(buf, 1, sizeof buf, f), 3u);
    EXPECT_STREQ(buf, "abc");
    std::fclose(f);
}

TEST(Indentation, NestedBracesAndBracketsIndentTwoSpacesALevel) {
    BufferOutput out;
    vrml_stream *s = out.get();
    s->stream_printf(s, "DEF T Transform {");
    s->stream_iprintf(s, "children [");
    s->stream_iprintf(s, "Shape {");
    s->stream_iprintf(s, "geometry Box {");
    s->stream_printf(s, "}");
    s->stream_iprintf(s, "}");
    s->stream_iprintf(s, "]");
    s->stream_iprintf(s, "translation %d %d %d", 0, 1, 0);
    s->stream_iprintf(s, "}\n");
    EXPECT_EQ(out.text(),
              "DEF T Transform {\n"
              "  children [\n"
              "    Shape {\n"
              "      geometry Box {}\n"
              "    }\n"
              "  ]\n"
              "  translation 0 1 0\n"
              "}\n");
}

TEST(Indentation, BracesInsideQuotedStringsDoNotCount) {
    BufferOutput out;
    vrml_stream *s = out.get();
    s->stream_printf(s, "url [ \"a{[\\\"{\" ]");
    s->stream_iprintf(s, "x");
    s->stream_printf(s, "\n");
    s->stream_iprintf(s, "y");
    EXPECT_EQ(out.text(), "url [ \"a{[\\\"{\" ]\nx\ny");
}

TEST(Indentation, MoreClosersThanOpenersNeverGoBelowZero) {
    BufferOutput out;
    vrml_stream *s = out.get();
    s->stream_printf(s, "}}]");
    s->stream_iprintf(s, "a {");
    s->stream_iprintf(s, "b");
    EXPECT_EQ(out.text(), "}}]\na {\n  b");
}

TEST(BufferStream, LongTextsResetAndReading) {
    BufferOutput out;
    vrml_stream *s = out.get();
    std::string big(5000, 'x');
    EXPECT_EQ(s->stream_printf(s, "%s", big.c_str()), 5000);
    EXPECT_EQ(out.text(), big);
    EXPECT_EQ(zeb_resetbuffer(s), 0);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(s->stream_getc(s), -1);
    EXPECT_NE(s->stream_eof(s), 0);
    vrml_stream other{};
    zeb_initstringstream(&other, "x", 1);
    size_t n = 99;
    EXPECT_EQ(zeb_getbuffer(&other, &n), nullptr);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(zeb_resetbuffer(&other), -1);
    other.stream_close(&other);
}

TEST(Close, EveryOperationFailsHarmlesslyAfterwards) {
    vrml_stream s{};
    zeb_initstringstream(&s, "abc", 3);
    EXPECT_EQ(s.stream_close(&s), 0);
    EXPECT_EQ(s.stream_getc(&s), -1);
    EXPECT_EQ(s.stream_ungetc(&s, 'a'), -1);
    EXPECT_NE(s.stream_eof(&s), 0);
    char buf[4];
    EXPECT_EQ(s.stream_gets(&s, buf, sizeof buf), 0);
    EXPECT_EQ(s.stream_printf(&s, "x"), -1);
    EXPECT_EQ(s.stream_iprintf(&s, "x"), -1);
    EXPECT_EQ(s.stream_close(&s), -1);
}

}  // namespace
