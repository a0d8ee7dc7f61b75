// Number fields read from a zebio file stream, whose 64 KiB windows the
// readers scan in place, and from a host stream read character by
// character: random number lists with the unusual in between (comments,
// partial tokens, words, early brackets, window ends) give the same
// results, values bit for bit, lines, problems and unread rest.
#include <cstdio>
#include <cstring>
#include <random>

#include "support/test_support.h"

namespace {

const struct {
    int (*read)(vrml_context *, vrml_field *);
    bool many;
    size_t size;  // of one element
} kReaders[] = {
    {vrml_get_MFVec3f, true, 12}, {vrml_get_MFInt32, true, 4},  {vrml_get_MFFloat, true, 4},
    {vrml_get_MFRotation, true, 16}, {vrml_get_MFVec2f, true, 8}, {vrml_get_MFColor, true, 12},
    {vrml_get_SFVec3f, false, 12}, {vrml_get_SFInt32, false, 4}, {vrml_get_SFFloat, false, 4},
    {vrml_get_SFTime, false, 8},
};

// Reads with the readers in turn (the same turns for both streams) until the
// input ends; one line per read: reader, result, line, the value's bytes.
std::string read_all(vrml_stream *in) {
    vrml_context ctx;
    std::memset(&ctx, 0, sizeof ctx);
    ctx.in = in;
    ctx.protoindex = -1;
    LogCapture log;
    std::string out;
    for (size_t turn = 0; turn < 200000 && !in->stream_eof(in); ++turn) {
        const auto &reader = kReaders[turn % std::size(kReaders)];
        vrml_field value;
        std::memset(&value, 0, sizeof value);
        int r = reader.read(&ctx, &value);
        out += std::to_string(turn % std::size(kReaders)) + " " + std::to_string(r) + " @" +
               std::to_string(in->line) + " ";
        const bool many = reader.many;
        const auto *bytes = static_cast<const unsigned char *>(many ? value.mfarray.values : &value);
        const size_t n = reader.size * (many ? static_cast<size_t>(value.mfarray.count) : 1);
        for (size_t i = 0; bytes && i < n; ++i)
            out += "0123456789abcdef"[bytes[i] >> 4], out += "0123456789abcdef"[bytes[i] & 15];
        out += "\n";
        if (many) std::free(value.mfarray.values);
        if (r <= 0) in->stream_getc(in);  // step over what stopped the reader
    }
    for (const LoggedMessage &m : log.messages()) out += std::to_string(m.line) + ": " + m.text + "\n";
    return out;
}

TEST(Window, FileWindowsAndHostSlotsReadRandomNumberListsAlike) {
    const char *noise[] = {"# a comment\n", "1.5e", "0x1F", "+3", "-", "1.2.3", "]", "[", "word",
                           "\r\n", "1e40", "-0", ".5", "5.", "\"s\"", "{", "99999999999",
                           "010", "08", "-.5", "2147483648", "123456789", "12345678.5",
                           "0.12345678901", "16777217", "-0.0000001", "7.", "1.5E3", "0x"};
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-1e4, 1e4);
    for (int round = 0; round < 6; ++round) {
        std::string text;
        while (text.size() < 300000) {
            text += random() % 3 ? "[ " : "";
            for (int n = static_cast<int>(random() % 40); n > 0; --n) {
                char number[40];
                int digits = static_cast<int>(random() % 9);
                if (random() % 2) std::snprintf(number, sizeof number, "%.*f", digits, value(random));
                else std::snprintf(number, sizeof number, "%d", static_cast<int>(random() % 2000) - 1000);
                text += number;
                const char *blanks[] = {",\n          ", ", ", "\n\t\t\t", "\n \t   \t\t  \t", "\n\t\t\t\t\t\t\t\t\t!"};
                text += random() % 5 ? " " : blanks[random() % std::size(blanks)];
                if (random() % 97 == 0) text += noise[random() % std::size(noise)];
            }
            text += random() % 3 ? "]\n" : " ";
        }
        const std::string path = testing::TempDir() + "window_" + std::to_string(round) + ".txt";
        FILE *f = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        vrml_stream file{};
        ASSERT_EQ(zeb_initfilename(&file, path.c_str(), "r"), 0);
        HostStream host(text);
        EXPECT_EQ(read_all(&file), read_all(&host.s)) << "round " << round;
        file.stream_close(&file);
        std::remove(path.c_str());
    }
}

}  // namespace
