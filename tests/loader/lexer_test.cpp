#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "loader/lexer.h"
#include "support/test_support.h"

namespace {

// Installs a fatal handler that prints the message, so death tests can match it.
void print_fatal(void *, const char *message) { std::fprintf(stderr, "FATAL<%s>", message); }
void with_fatal_printed() { vrml_setfatalhandler(print_fatal, nullptr); }

struct Read {
    int result;
    std::string text;
};

template <typename Reader>
Read read_with(StringInput &in, Reader reader, int size = kVrmlNameSize) {
    std::string buf(static_cast<size_t>(size > 0 ? size : 1), '\0');
    int r = reader(in.get(), buf.data(), size);
    return {r, r > 0 ? std::string(buf.c_str()) : std::string()};
}

Read nodename(StringInput &in, int size = kVrmlNameSize) { return read_with(in, vrml_get_nodename, size); }
Read fieldname(StringInput &in, int size = kVrmlNameSize) { return read_with(in, vrml_get_fieldname, size); }
Read token(StringInput &in, int size = kVrmlNameSize) { return read_with(in, vrml_get_tokenstring, size); }

TEST(NameChars, SeparatorsControlsAndHighBytesAreNotNameCharacters) {
    for (char c : std::string("\t\n []#,.{}+`'\\\"")) EXPECT_EQ(vrml_isnamechar(c), 0) << c;
    EXPECT_EQ(vrml_isnamechar(0x7F), 0);
    EXPECT_EQ(vrml_isnamechar(0x1F), 0);
    EXPECT_EQ(vrml_isnamechar(0x80), 0);
    EXPECT_EQ(vrml_isnamechar(0xE9), 0);
    for (char c : std::string("-_09azAZ:;!$%&()*/<=>?@^|~")) EXPECT_EQ(vrml_isnamechar(c), 1) << c;
}

TEST(Skip, CommentsRunToTheLineEndAndCommasAreBlanks) {
    StringInput in("  # a comment { [\n , ,\t\r\v\f x");
    EXPECT_EQ(vrml_skipspace(in.get()), 1);
    EXPECT_EQ(in.rest(), "x");
}

TEST(Skip, CommentOnTheLastLineWithoutLineEndEndsTheInput) {
    StringInput in("  # trailing comment");
    EXPECT_EQ(vrml_skipspace(in.get()), 0);
    EXPECT_EQ(in.rest(), "");
    StringInput in2("Group # comment");
    EXPECT_EQ(nodename(in2).text, "Group");
    EXPECT_EQ(token(in2).result, 0);
}

TEST(Skip, CrLfEndsACommentAtTheCr) {
    StringInput in("#c\r\nx");
    EXPECT_EQ(vrml_skipline(in.get()), 1);
    EXPECT_EQ(in.rest(), "\nx");
}

TEST(Names, TypeNameDirectlyBeforeABrace) {
    StringInput in("Transform{");
    Read r = nodename(in);
    EXPECT_EQ(r.result, 9);
    EXPECT_EQ(r.text, "Transform");
    EXPECT_EQ(in.rest(), "{");
}

TEST(Names, DotEndsNamesButNotTokens) {
    StringInput a("a.b"), b("a.b"), c("a.b");
    EXPECT_EQ(nodename(a).text, "a");
    EXPECT_EQ(a.rest(), ".b");
    EXPECT_EQ(fieldname(b).text, "a");
    EXPECT_EQ(b.rest(), ".b");
    EXPECT_EQ(token(c).text, "a.b");
}

TEST(Names, NodeNameBeforeBracesAndBrackets) {
    StringInput close("  }");
    EXPECT_EQ(nodename(close).result, 0);
    EXPECT_EQ(close.rest(), "}");
    LogCapture log;
    StringInput open("\n\n[ x");
    EXPECT_EQ(nodename(open).result, 0);
    EXPECT_EQ(open.rest(), " x");  // the bracket is consumed
    ASSERT_EQ(log.messages().size(), 1u);
    EXPECT_EQ(log.messages()[0].text, "Near line 3\n");
    EXPECT_EQ(log.messages()[0].code, 0);
    EXPECT_EQ(log.messages()[0].severity, VRML_LOG_PROBLEM);
}

TEST(Names, FieldNameMayStartWithADigit) {
    StringInput in("3D rest");
    EXPECT_EQ(fieldname(in).text, "3D");
}

TEST(NamesDeathTest, NodeNameStartingWithADigitIsFatal) {
    EXPECT_EXIT(
        {
            with_fatal_printed();
            StringInput in("3D");
            nodename(in);
        },
        FatalExit(), "FATAL<v_g_nn: Invalid name: is digit!!! 51\n>");
}

TEST(Names, FieldNameInvalidFirstCharacterIsPushedBack) {
    LogCapture log;
    StringInput in("\"x");
    EXPECT_EQ(fieldname(in).result, 0);
    EXPECT_EQ(in.rest(), "\"x");
    EXPECT_EQ(log.texts(), std::vector<std::string>{"vrml_get_fieldname: Invalid name: \"\n"});
}

TEST(Names, LongestNameThatFits) {
    std::string name(1023, 'n');
    StringInput a(name + " "), b(name);
    EXPECT_EQ(nodename(a).result, 1023);
    EXPECT_EQ(fieldname(b).result, 1023);
}

TEST(NamesDeathTest, NameThatFillsTheBufferIsFatal) {
    std::string name(1024, 'n');
    EXPECT_EXIT(
        {
            with_fatal_printed();
            StringInput in(name);
            nodename(in);
        },
        FatalExit(), "FATAL<vrml_get_nodename: Node name too long: \\(n+\\)>");
    EXPECT_EXIT(
        {
            with_fatal_printed();
            StringInput in(name);
            fieldname(in);
        },
        FatalExit(), "FATAL<vrml_get_fieldname: Node name too long\n>");
    EXPECT_EXIT(
        {
            with_fatal_printed();
            StringInput in("x");
            nodename(in, 1);
        },
        FatalExit(), "FATAL<vrml_get_nodename: Node name too long: \\(\\)>");
}

TEST(NamesDeathTest, TooLongNameIsReportedBeforeTheExit) {
    EXPECT_EXIT(
        {
            LogCapture log;
            with_fatal_printed();
            vrml_setloghandler(
                [](void *, vrml_context *, int32_t, int, int, const char *m) {
                    std::fprintf(stderr, "LOG<%s>", m);
                },
                nullptr);
            StringInput in("abcdef");
            nodename(in, 4);
        },
        FatalExit(),
        "LOG<vrml_get_nodename: Node name too long: \\(4\\)>FATAL<vrml_get_nodename: Node name "
        "too long: \\(abc\\)>");
}

TEST(Tokens, EndAtBlanksCommentsBracesAndBrackets) {
    StringInput in("1,2,,3 a#b c\nc{d}e[f]g");
    std::vector<std::string> got;
    for (Read r; (r = token(in)).result > 0;) got.push_back(r.text);
    EXPECT_EQ(got, (std::vector<std::string>{"1", "2", "3", "a", "c"}));
    EXPECT_EQ(in.rest(), "{d}e[f]g");
}

TEST(Tokens, SeparatorsOtherThanBlanksBelongToTheToken) {
    StringInput in("\"a.b+'c\\\" next");
    EXPECT_EQ(token(in).text, "\"a.b+'c\\\"");
}

TEST(TokensDeathTest, TokenThatFillsTheBufferIsFatal) {
    EXPECT_EXIT(
        {
            with_fatal_printed();
            StringInput in("12345");
            token(in, 5);
        },
        FatalExit(), "FATAL<v_g_tokenstring: token too long: \\(1234\\)>");
    StringInput fits("1234");
    EXPECT_EQ(token(fits, 5).text, "1234");
}

// Whatever ends the input, the last name, token or number is read whole and
// nothing is invented after it.
TEST(EndOfInput, FinalNamesAndTokensAreReadWhole) {
    StringInput a("Group"), b("x"), c("1.5"), d("TRUE"), e("member\n"), f("x }");
    EXPECT_EQ(nodename(a).text, "Group");
    EXPECT_EQ(nodename(b).text, "x");
    EXPECT_EQ(token(c).text, "1.5");
    EXPECT_EQ(token(d).text, "TRUE");
    EXPECT_EQ(fieldname(e).text, "member");
    EXPECT_EQ(nodename(f).text, "x");
    for (StringInput *in : {&a, &b, &c, &d}) {
        EXPECT_NE(in->get()->stream_eof(in->get()), 0);
        EXPECT_EQ(nodename(*in).result, 0);
        EXPECT_EQ(token(*in).result, 0);
    }
}

TEST(EndOfInput, FinalRouteWithoutLineEndSurvivesTheReaders) {
    StringInput in("ROUTE A.b TO C.d");
    EXPECT_EQ(token(in).text, "ROUTE");
    EXPECT_EQ(nodename(in, kVrmlRouteNameSize).text, "A");
    EXPECT_EQ(vrml_expect_char(in.get(), '.'), 1);
    EXPECT_EQ(fieldname(in, kVrmlRouteNameSize).text, "b");
    EXPECT_EQ(vrml_expect_string(in.get(), "TO"), 1);
    EXPECT_EQ(nodename(in, kVrmlRouteNameSize).text, "C");
    EXPECT_EQ(vrml_expect_char(in.get(), '.'), 1);
    EXPECT_EQ(fieldname(in, kVrmlRouteNameSize).text, "d");
    EXPECT_NE(in.get()->stream_eof(in.get()), 0);
}

TEST(Braces, ClassifyAndPushBackOthers) {
    StringInput in(" { } x");
    EXPECT_EQ(vrml_get_brace(in.get()), 1);
    EXPECT_EQ(vrml_get_brace(in.get()), 2);
    EXPECT_EQ(vrml_get_brace(in.get()), -1);
    EXPECT_EQ(in.rest(), "x");
    StringInput empty("");
    EXPECT_EQ(vrml_get_brace(empty.get()), -1);
}

TEST(Brackets, ClassifyPushBackOthersAndEndOfInput) {
    StringInput in(" [ ] x");
    EXPECT_EQ(vrml_get_bracket(in.get()), 1);
    EXPECT_EQ(vrml_get_bracket(in.get()), 2);
    EXPECT_EQ(vrml_get_bracket(in.get()), 0);
    EXPECT_EQ(in.rest(), "x");
    StringInput blank("  # only a comment");
    EXPECT_EQ(vrml_get_bracket(blank.get()), -1);
}

TEST(Expect, CharDoesNotSkipBlanks) {
    StringInput in(" .");
    EXPECT_EQ(vrml_expect_char(in.get(), '.'), 0);
    EXPECT_EQ(in.rest(), " .");
    StringInput empty("");
    EXPECT_EQ(vrml_expect_char(empty.get(), '.'), 0);
}

TEST(Expect, StringMatchesAPrefixAndKeepsWhatMatched) {
    StringInput top("  TOP");
    EXPECT_EQ(vrml_expect_string(top.get(), "TO"), 1);
    EXPECT_EQ(top.rest(), "P");
    StringInput tx("TX");
    EXPECT_EQ(vrml_expect_string(tx.get(), "TO"), 0);
    EXPECT_EQ(tx.rest(), "X");
    StringInput any(" x");
    EXPECT_EQ(vrml_expect_string(any.get(), ""), 1);
    StringInput none("   ");
    EXPECT_EQ(vrml_expect_string(none.get(), ""), 0);
}

TEST(Expect, KeywordMismatchPutsTheTokenAndASpaceBack) {
    StringInput in("ISx{");
    EXPECT_EQ(vrml_expect_keyword(in.get(), "IS"), 0);
    EXPECT_EQ(in.rest(), "ISx {");
    StringInput is(" IS x");
    EXPECT_EQ(vrml_expect_keyword(is.get(), "IS"), 1);
    EXPECT_EQ(is.rest(), " x");
    StringInput none(" [");
    EXPECT_EQ(vrml_expect_keyword(none.get(), "IS"), 0);
    EXPECT_EQ(none.rest(), "[");
}

TEST(Unget, StringIsReadAgainInOrder) {
    StringInput in("tail");
    EXPECT_EQ(vrml_ungetstring(in.get(), "head "), 5);
    EXPECT_EQ(vrml_ungetstring(in.get(), ""), 0);
    EXPECT_EQ(in.rest(), "head tail");
}

}  // namespace

namespace {

// A stream of the host's own: its slots do not belong to zebio, so the
// readers must call them character by character.
struct HostStream {
    vrml_stream s{};
    std::string text;
    size_t pos = 0;
    std::string pushed;
    explicit HostStream(std::string t) : text(std::move(t)) {
        s.line = 1;
        s.impl = this;
        s.stream_getc = [](vrml_stream *st) {
            auto *h = static_cast<HostStream *>(st->impl);
            int c;
            if (!h->pushed.empty()) {
                c = static_cast<unsigned char>(h->pushed.back());
                h->pushed.pop_back();
            } else if (h->pos < h->text.size()) {
                c = static_cast<unsigned char>(h->text[h->pos++]);
            } else {
                return -1;
            }
            if (c == '\n') ++st->line;
            return c;
        };
        s.stream_ungetc = [](vrml_stream *st, int c) {
            auto *h = static_cast<HostStream *>(st->impl);
            h->pushed.push_back(static_cast<char>(c));
            if (c == '\n') --st->line;
            return c;
        };
        s.stream_eof = [](vrml_stream *st) {
            auto *h = static_cast<HostStream *>(st->impl);
            return h->pushed.empty() && h->pos >= h->text.size() ? 1 : 0;
        };
    }
};

// Reads the input as a parser would, alternating the readers, and records
// what each gave and the line after it.
std::vector<std::string> walk(vrml_stream *in) {
    std::vector<std::string> out;
    char buf[kVrmlNameSize];
    for (int step = 0; step < 200; ++step) {
        int r;
        switch (step % 4) {
            case 0: r = vrml_get_tokenstring(in, buf, sizeof buf); break;
            case 1: r = vrml_expect_keyword(in, "ROUTE"); buf[0] = '\0'; break;
            case 2: r = vrml_get_fieldname(in, buf, sizeof buf); break;
            default: r = vrml_get_bracket(in); buf[0] = '\0'; break;
        }
        out.push_back(std::to_string(step % 4) + ":" + std::to_string(r) + ":" +
                      (r > 0 ? std::string(buf) : "") + "@" + std::to_string(in->line));
        if (r <= 0 && in->stream_eof(in)) break;
        if (r == 0 && step % 4 != 3) {
            int c = in->stream_getc(in);  // step over what no reader takes
            out.push_back("skip:" + std::to_string(c));
        }
    }
    return out;
}

TEST(Paths, WindowAndSlotReadersAgree) {
    const std::string text =
        "#VRML V2.0 utf8\r\nDEF A_1 Transform{ translation 1,2 3 # c\n"
        "children [ Shape { geometry Box {} } ]}\r\n# tail comment\nROUTE A.b TO C.d\n"
        "\"quoted text\" x.y+z 3D -4.5e3 \xe9name end";
    StringInput window(text);
    HostStream host(text);
    std::vector<std::string> a = walk(window.get());
    std::vector<std::string> b = walk(&host.s);
    EXPECT_EQ(a, b);
    EXPECT_GT(a.size(), 20u);
}

}  // namespace
