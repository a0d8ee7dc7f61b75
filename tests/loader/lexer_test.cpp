#include <cctype>
#include <random>

#include "loader/lexer.h"
#include "loader/loader.h"
#include "support/transcript.h"

namespace {

// One line of tests/data/loader/lexer.txt: an input, then reader calls made
// in turn on it ("reader" or "reader:argument"); gives each call's result
// (and the name read), what was left unread and the problems logged.
std::string run_readers(const Words &words) {
    LogCapture log;
    BareContext bare(words[0]);
    vrml_stream *in = bare.in.get();
    std::string out;
    for (size_t i = 1; i < words.size(); ++i) {
        std::string op = words[i].substr(0, words[i].find(':'));
        std::string arg = op.size() < words[i].size() ? words[i].substr(op.size() + 1) : "";
        int size = arg.empty() || !std::isdigit(static_cast<unsigned char>(arg[0])) ? kVrmlNameSize : std::stoi(arg), r = 0;
        static char buf[kVrmlNameSize];
        buf[0] = '\0';
        std::string fatal = fatal_or([&] {
            if (op == "nodename") r = vrml_get_nodename(in, buf, size);
            if (op == "fieldname") r = vrml_get_fieldname(in, buf, size);
            if (op == "token") r = vrml_get_tokenstring(in, buf, size);
        });
        if (op == "skipspace") r = vrml_skipspace(in);
        if (op == "skipline") r = vrml_skipline(in);
        if (op == "brace") r = vrml_get_brace(in);
        if (op == "bracket") r = vrml_get_bracket(in);
        if (op == "char") r = vrml_expect_char(in, arg[0]);
        if (op == "string") r = vrml_expect_string(in, arg.c_str());
        if (op == "keyword") r = vrml_expect_keyword(in, arg.c_str());
        if (op == "unget") r = vrml_ungetstring(in, arg.c_str());
        if (op == "eof") r = in->stream_eof(in) != 0;
        if (op == "magic") r = vrml_get_magic(in);
        vrml_mfnode list{};
        if (op == "loadfile") r = vrml_loadFile(bare.get(), &list);
        if (op == "nodelist") r = vrml_get_MFNodeList(bare.get(), &list);
        if (op == "namechars")
            for (int c = 0; c < 256; ++c)
                if (vrml_isnamechar(c)) buf[r++] = static_cast<char>(c), buf[r] = '\0';
        out += (i > 1 ? " " : "") + (fatal.empty() ? std::to_string(r) : fatal) + (r > 0 && buf[0] ? quote(buf) : "");
        if (!fatal.empty()) break;
    }
    return out + " rest " + quote(bare.in.rest()) + logged(log);
}

TEST(Lexer, ReadersGiveTheTabledResults) { check_transcript("loader/lexer.txt", run_readers); }

// Reads the input as a parser would, alternating the readers, and records
// what each gave and the line after it.
std::string walk(vrml_stream *in) {
    std::string out;
    char buf[kVrmlNameSize];
    for (int step = 0; step < 100000; ++step) {
        int r = 0;
        buf[0] = '\0';
        switch (step % 5) {
            case 0: r = vrml_get_tokenstring(in, buf, sizeof buf); break;
            case 1: r = vrml_expect_keyword(in, "ROUTE"); break;
            case 2: r = vrml_get_fieldname(in, buf, sizeof buf); break;
            case 3: r = vrml_get_bracket(in); break;
            default: r = vrml_get_brace(in); break;
        }
        out += std::to_string(r) + buf + "@" + std::to_string(in->line) + " ";
        if (r <= 0 && in->stream_eof(in)) break;
        if (r == 0 && step % 5 == 2) out += "skip " + std::to_string(in->stream_getc(in));
    }
    return out;
}

TEST(Lexer, ZebioWindowAndHostSlotsReadRandomTextsAlike) {
    const char *pieces[] = {"#VRML V2.0 utf8", "DEF", "A_1", "Transform", "{", "}", "[", "]", "1,2",
                            "-4.5e3", "# comment", "\r\n", "\n", "\r", ",", "\"quoted \\\" text\"",
                            "x.y+z", "3D", "\xe9name", "ROUTE", "ROUTEx", "TO", ".", "\t", "'"};
    std::mt19937 random(1);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        while (text.size() < 600) {
            text += pieces[random() % std::size(pieces)];
            if (random() % 4) text += " ";
        }
        LogCapture quiet;
        StringInput window(text);
        HostStream host(text);
        ASSERT_EQ(walk(window.get()), walk(&host.s)) << quote(text);
    }
}

}  // namespace
