#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "support/transcript.h"

namespace {

std::string temp_path(const char *name) {
    return testing::TempDir() + "zebio_" + name + "_" + std::to_string(::getpid());
}

// Writes texts to path through zebio's gzip output, one member each ("w",
// then "a"), and returns the file's bytes.
std::string write_gzip(const std::string &path, const std::vector<std::string> &members, int level = -1) {
    for (const std::string &text : members) {
        vrml_stream s{};
        zeb_initfilename(&s, path.c_str(), &text == &members[0] ? "w" : "a");
        EXPECT_EQ(zeb_setgzipoutput(&s, level), 0);
        EXPECT_EQ(zeb_write(&s, 0, text.data(), text.size()), static_cast<int>(text.size()));
        EXPECT_EQ(s.stream_close(&s), 0);
    }
    return read_file(path);
}

// Random reads, pushbacks, line reads and end tests on a stream, against a
// string holding what remains to be read (last character first) and a count
// of the line feeds read.
// Without drain it stops at a random step, maybe with pushback pending.
void compare_with_model(vrml_stream *s, const std::string &text, std::mt19937 &random, bool drain = true) {
    std::string rest(text.rbegin(), text.rend());
    intptr_t line = 1;
    int stop = drain ? -1 : static_cast<int>(random() % 500);
    for (int step = 0; (!rest.empty() || step % 500) && step != stop; ++step) {
        ASSERT_EQ(s->stream_eof(s) != 0, rest.empty());
        ASSERT_EQ(s->line, line);
        unsigned op = random() % 16, k = random() % 300 ? random() % 3 + 1 : random() % 3000;
        if (op == 0) {  // pushes back k characters
            for (unsigned i = 0; i < k; ++i) {
                int c = static_cast<unsigned char>("ab\n\r\xe9"[random() % 5]);
                ASSERT_EQ(s->stream_ungetc(s, c), c);
                rest.push_back(static_cast<char>(c));
                line -= c == '\n';
            }
            ASSERT_EQ(s->stream_ungetc(s, -1), -1);
        } else if (op == 1) {  // one line with its line feed, at most k + 1 characters
            char buf[3002];
            size_t feed = rest.rfind('\n');
            size_t n = std::min(feed == std::string::npos ? rest.size() : rest.size() - feed, size_t{k + 1});
            ASSERT_EQ(s->stream_gets(s, buf, static_cast<int>(k) + 2), rest.empty() ? 0 : 1);
            std::string want(rest.rbegin(), rest.rbegin() + static_cast<long>(n));
            ASSERT_EQ(n ? std::string(buf, n + 1) : "", n ? want + '\0' : "");
            line += std::count(want.begin(), want.end(), '\n');
            rest.resize(rest.size() - n);
        } else {
            int c = rest.empty() ? -1 : static_cast<unsigned char>(rest.back());
            ASSERT_EQ(s->stream_getc(s), c) << rest.size();
            if (c >= 0) rest.pop_back(), line += c == '\n';
        }
    }
}

// The same random texts through string streams, file streams opened by name
// (read in blocks of 64 KiB) and wrapped C streams, each written first through
// zebio (a file and a buffer stream), which must keep every byte; then the
// file streams again over the text gzip-compressed, in one or two members.
TEST(Streams, RandomTextsReadAsTheModelSays) {
    std::mt19937 random(9);
    std::string path = temp_path("model"), gzpath = path + ".gz";
    for (int round = 0; round < 24; ++round) {
        std::string text;
        size_t size = round % 4 == 0 ? 140000 : random() % 300 + 1;
        while (text.size() < size) text += "a\nb\r\n{ [\"\\\"x\xe9\xff\0z"[random() % 15];
        vrml_stream s{}, buffer{};
        ASSERT_EQ(zeb_initfilename(&s, path.c_str(), "w"), 0);
        ASSERT_EQ(zeb_initbufferstream(&buffer), 0);
        for (vrml_stream *out : {&s, &buffer})
            ASSERT_EQ(zeb_write(out, 0, text.data(), text.size()), static_cast<int>(text.size()));
        ASSERT_EQ(s.stream_close(&s), 0);
        size_t n = 0;
        const char *held = zeb_getbuffer(&buffer, &n);
        ASSERT_EQ(std::string(held, n), text);
        buffer.stream_close(&buffer);
        ASSERT_EQ(read_file(path), text);

        ASSERT_EQ(zeb_initstringstream(&s, text.c_str(), static_cast<int>(size)), 0);
        compare_with_model(&s, text, random, false);
        ASSERT_EQ(zeb_setstringstream(&s, text.c_str(), -1), 0);  // up to the NUL, from the start
        compare_with_model(&s, text.substr(0, text.find('\0')), random);
        ASSERT_EQ(zeb_setstringstream(&s, text.c_str(), 0), 0);  // no character at all
        ASSERT_NE(s.stream_eof(&s), 0);
        s.stream_close(&s);
        size_t cut = 1 + random() % size;  // a member of no text would make no file
        if (round % 2) write_gzip(gzpath, {text}, static_cast<int>(random() % 11) - 1);
        else write_gzip(gzpath, {text.substr(0, cut), text.substr(cut)});
        for (const std::string &file : {path, gzpath}) {
            ASSERT_EQ(zeb_initfilename(&s, file.c_str(), "r"), 0);
            compare_with_model(&s, text, random);
            EXPECT_EQ(s.stream_close(&s), 0);
            FILE *f = std::fopen(file.c_str(), "rb");
            ASSERT_EQ(zeb_initfilestream(&s, f), 0);
            compare_with_model(&s, text, random);
            EXPECT_EQ(s.stream_close(&s), 0);
            std::fclose(f);
        }
    }
    std::remove(path.c_str());
    std::remove(gzpath.c_str());
}

// Indented writes against a model of the nesting: random texts of brackets,
// braces, quotes, backslashes, bytes from 0x80 on and their neighbours
// ("|", "Z", "^", "z", "~", "!", "#"), written in random pieces through
// zeb_write, zeb_printf and zeb_iprintf; each indented piece starts a line
// indented two spaces per open bracket outside quotes, one less per closing
// one it starts with.
TEST(Streams, IndentationFollowsTheNestingModel) {
    std::mt19937 random(11);
    const char bytes[] = "[]{}\\\"\"|Z^z~!#ab \n\x80\xfb\xfd\xdb";
    const std::string path = temp_path("indent");
    for (int round = 0; round < 300; ++round) {
        vrml_stream buffer{}, file{};
        ASSERT_EQ(zeb_initbufferstream(&buffer), 0);
        ASSERT_EQ(zeb_initfilename(&file, path.c_str(), "w"), 0);
        std::string want;
        bool inquote = false, escape = false, linestart = true;
        int depth = 0;
        for (int piece = 0; piece < 40; ++piece) {
            std::string text;
            for (size_t n = random() % 24; n > 0; --n) text += bytes[random() % (sizeof bytes - 1)];
            const unsigned how = random() % 3;
            std::string lead;
            if (how == 2) {
                int level = depth;
                for (size_t i = 0; i < text.size() && level > 0 && (text[i] == '}' || text[i] == ']'); ++i) --level;
                lead = (linestart ? "" : "\n") + std::string(2 * static_cast<size_t>(level), ' ');
                if (escape && !lead.empty()) escape = false;  // the line break is the escaped byte
                if (text.empty()) linestart = !lead.empty() ? lead.back() == '\n' : linestart;
            }
            for (vrml_stream *out : {&buffer, &file}) {
                const int r = how == 2   ? out->stream_iprintf(out, "%s", text.c_str())
                              : how == 1 ? out->stream_printf(out, "%s", text.c_str())
                                         : zeb_write(out, 0, text.data(), text.size());
                ASSERT_EQ(r, static_cast<int>(lead.size() + text.size()));
            }
            for (char c : text) {
                if (escape) escape = false;
                else if (inquote && c == '\\') escape = true;
                else if (c == '"') inquote = !inquote;
                else if (!inquote && (c == '{' || c == '[')) ++depth;
                else if (!inquote && (c == '}' || c == ']') && depth > 0) --depth;
            }
            want += lead + text;
            if (!text.empty()) linestart = text.back() == '\n';
        }
        size_t n = 0;
        const char *held = zeb_getbuffer(&buffer, &n);
        ASSERT_EQ(std::string(held, n), want) << "round " << round;
        buffer.stream_close(&buffer);
        ASSERT_EQ(file.stream_close(&file), 0);
        ASSERT_EQ(read_file(path), want) << "round " << round;
    }
    std::remove(path.c_str());
}

// Compressed data cut short or changed at random places past the header's
// unchecked fields: a cut reads a prefix of the text and ends as truncated, a
// changed byte ends as damaged (zlib says why) or truncated; never a crash.
TEST(Streams, DamagedGzipDataEndsInAnError) {
    std::mt19937 random(5);
    std::string path = temp_path("damaged"), text(300000, ' ');
    for (char &c : text) c = "Shape { geometry Box { size 1 2 3 } }\n"[random() % 38];
    const std::string gz = write_gzip(path, {text});
    for (int round = 0; round < 30; ++round) {
        std::string bytes = gz, read;
        bool cut = round % 2;
        size_t at = 10 + random() % (gz.size() - 10);
        if (cut) bytes.resize(at);
        else bytes[at] = static_cast<char>(bytes[at] ^ (1 | random() % 256));
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        vrml_stream s{};
        ASSERT_EQ(zeb_initfilename(&s, path.c_str(), "r"), 0);
        for (int c; (c = s.stream_getc(&s)) >= 0;) read += static_cast<char>(c);
        std::string kind = zeb_errortext(&s) ? zeb_errortext(&s) : "none";
        kind = kind.substr(0, kind.find(':'));
        if (cut && text.compare(0, read.size(), read) != 0) kind += ", not the text";
        EXPECT_EQ(kind, kind[0] == 'd' && !cut ? "damaged gzip data" : "truncated gzip data") << at;
        EXPECT_EQ(s.stream_close(&s), -1);
    }
    std::remove(path.c_str());
}

// One line of tests/data/zebio/streams.txt: a buffer stream, a string
// stream over a text or a file of the text gzip-compressed (maybe damaged),
// the operations made on it and their results, then what a buffer stream
// holds.
std::string run_operations(const Words &words) {
    vrml_stream s{};
    std::string text = words[0].substr(words[0].find(':') + 1), out, path = temp_path("table");
    if (words[0] == "buffer") {
        zeb_initbufferstream(&s);
    } else if (words[0].rfind("gzip", 0) == 0) {
        std::string gz = write_gzip(path, {text});
        size_t n = words[0][4] == ':' ? 0 : std::stoul(words[0].substr(5));
        if (words[0][4] == '-') gz.resize(gz.size() - n);  // cut
        if (words[0][4] == '^') gz[gz.size() - n] = static_cast<char>(~gz[gz.size() - n]);  // inverted
        if (words[0][4] == '+') gz += std::string(n, '\0') + gz;  // n bytes, then the member again
        std::ofstream(path, std::ios::binary | std::ios::trunc) << gz;
        zeb_initfilename(&s, path.c_str(), "r");
    } else {
        zeb_initstringstream(&s, text.empty() ? nullptr : text.c_str(), text.empty() ? 0 : -1);
    }
    for (size_t i = 1; i < words.size(); ++i) {
        std::string op = words[i].substr(0, words[i].find(':'));
        std::string arg = op.size() < words[i].size() ? words[i].substr(op.size() + 1) : "";
        char buf[64] = "";
        int r = op == "printf" ? s.stream_printf(&s, "%s", arg.c_str())
              : op == "iprintf" ? s.stream_iprintf(&s, "%s", arg.c_str())
              : op == "write" ? zeb_write(&s, arg[0] == '>', arg.c_str() + 1, arg.size() - 1)
              : op == "getc" ? s.stream_getc(&s)
              : op == "ungetc" ? s.stream_ungetc(&s, arg[0])
              : op == "eof" ? s.stream_eof(&s) != 0
              : op == "gets" ? s.stream_gets(&s, buf, 16)
              : op == "reset" ? zeb_resetbuffer(&s)
              : op == "gzip" ? zeb_setgzipoutput(&s, std::stoi(arg))
              : op == "error" ? (std::snprintf(buf, sizeof buf, "%s", zeb_error(&s) ? zeb_errortext(&s) : ""),
                                 zeb_error(&s) != 0)
              : op == "close" ? s.stream_close(&s)
              : op == "line" ? static_cast<int>(s.line) : -99;
        out += (i > 1 ? " " : "") + std::to_string(r) + (buf[0] ? quote(buf) : "");
    }
    size_t n = 99;
    const char *held = zeb_getbuffer(&s, &n);
    out += " holds " + (held ? quote(std::string(held, n)) : std::to_string(n));
    s.stream_close(&s);
    std::remove(path.c_str());
    return out;
}

TEST(Streams, OperationsGiveTheTabledResults) { check_transcript("zebio/streams.txt", run_operations); }

TEST(FileStreams, OpeningWritingAndWrapping) {
    vrml_stream in{}, out{};
    EXPECT_EQ(zeb_initfilename(&in, "/nonexistent/dir/x.wrl", "r"), -1);
    EXPECT_EQ(zeb_initfilename(&in, "x.wrl", "q"), -1);
    EXPECT_EQ(zeb_initfilestream(&in, nullptr), -1);
    // An output file is made at its first write: the input on it survives.
    std::string path = temp_path("same");
    std::ofstream(path, std::ios::binary) << "#VRML V2.0 utf8\n";
    ASSERT_EQ(zeb_initfilename(&in, path.c_str(), "r"), 0);
    ASSERT_EQ(zeb_initfilename(&out, path.c_str(), "w"), 0);
    char line[32];
    EXPECT_EQ(in.stream_gets(&in, line, sizeof line), 1);
    EXPECT_EQ(in.stream_close(&in), 0);
    EXPECT_EQ(read_file(path) + line, "#VRML V2.0 utf8\n#VRML V2.0 utf8\n");
    EXPECT_EQ(out.stream_printf(&out, "%s %d\n", "written", 7), 10);
    EXPECT_EQ(out.stream_close(&out), 0);
    EXPECT_EQ(read_file(path), "written 7\n");
    // A wrapped C stream is flushed at the close, not closed.
    FILE *f = std::fopen(path.c_str(), "w+b");
    ASSERT_EQ(zeb_initfilestream(&out, f), 0);
    out.stream_printf(&out, "abc");
    EXPECT_EQ(out.stream_close(&out), 0);
    EXPECT_GE(std::fputs("d", f), 0);  // a nonnegative count, which C libraries choose differently
    EXPECT_EQ(std::fclose(f), 0);
    ASSERT_EQ(zeb_initfilename(&out, path.c_str(), "a"), 0);  // appends
    out.stream_printf(&out, "e");
    EXPECT_EQ(out.stream_close(&out), 0);
    EXPECT_EQ(read_file(path), "abcde");
    std::remove(path.c_str());
}

}  // namespace
