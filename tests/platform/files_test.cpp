// zebio's file streams on every system: line ends, byte-exact output, and
// file names as each system spells them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string utf8(const fs::path &p) {
    std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

void write_bytes(const fs::path &p, const std::string &bytes) {
    std::ofstream f(p, std::ios::binary);
    f << bytes;
}

std::string read_bytes(const fs::path &p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// A folder of the test's own in the system's temporary folder (on Windows a
// path with a drive letter and backslashes), removed with its contents.
class FileStreams : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               (std::string("zebvrml2-") + info->test_suite_name() + "-" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::memset(&stream_, 0, sizeof stream_);
    }
    void TearDown() override {
        if (stream_.stream_close) stream_.stream_close(&stream_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string drain() {
        std::string out;
        for (int c; (c = stream_.stream_getc(&stream_)) >= 0;) out.push_back(static_cast<char>(c));
        return out;
    }
    // Writes text through a stream opened by name, then closes it.
    void write_through_zebio(const std::string &name, const char *text) {
        vrml_stream out{};
        ASSERT_EQ(zeb_initfilename(&out, name.c_str(), "w"), 0);
        EXPECT_EQ(out.stream_printf(&out, "%s", text), static_cast<int>(std::strlen(text)));
        EXPECT_EQ(out.stream_close(&out), 0);
    }

    fs::path dir_;
    vrml_stream stream_;
};

TEST_F(FileStreams, CrLfInputKeepsEveryByteAndCountsEachPairOnce) {
    const std::string text = "#VRML V2.0 utf8\r\nShape {\r\n}\r\nlast";
    fs::path p = dir_ / "crlf.wrl";
    write_bytes(p, text);
    ASSERT_EQ(zeb_initfilename(&stream_, utf8(p).c_str(), "r"), 0);
    char line[1024];
    ASSERT_EQ(stream_.stream_gets(&stream_, line, sizeof line), 1);
    EXPECT_STREQ(line, "#VRML V2.0 utf8\r\n");
    EXPECT_EQ(stream_.line, 2);
    EXPECT_EQ(drain(), "Shape {\r\n}\r\nlast");
    EXPECT_EQ(stream_.line, 4);
    EXPECT_NE(stream_.stream_eof(&stream_), 0);
}

TEST_F(FileStreams, OutputIsWrittenByteForByteWithLineFeeds) {
    fs::path p = dir_ / "out.wrl";
    write_through_zebio(utf8(p), "#VRML V2.0 utf8\nGroup {\n}\n");
    EXPECT_EQ(read_bytes(p), "#VRML V2.0 utf8\nGroup {\n}\n");
}

TEST_F(FileStreams, NamesOutsideAsciiAreTakenAsUtf8) {
    // "wörld ✓.wrl": outside every ANSI code page as a whole.
    fs::path p = dir_ / fs::path(u8"w\u00f6rld \u2713.wrl");
    write_through_zebio(utf8(p), "Group { }\n");
    ASSERT_TRUE(fs::exists(p)) << "the file was created under another name";
    EXPECT_EQ(read_bytes(p), "Group { }\n");
    ASSERT_EQ(zeb_initfilename(&stream_, utf8(p).c_str(), "r"), 0);
    EXPECT_EQ(drain(), "Group { }\n");
}

TEST_F(FileStreams, MissingInputFileFailsAndMakesNoFile) {
    fs::path p = dir_ / "missing.wrl";
    vrml_stream in{};
    EXPECT_LT(zeb_initfilename(&in, utf8(p).c_str(), "r"), 0);
    EXPECT_FALSE(fs::exists(p));
}

#ifdef _WIN32
TEST_F(FileStreams, WindowsPathSpellingsOpenTheSameFile) {
    fs::path p = dir_ / "spelled.wrl";
    write_bytes(p, "Shape { }");
    std::string native = utf8(p.make_preferred());  // C:\...\spelled.wrl
    ASSERT_NE(native.find('\\'), std::string::npos);
    ASSERT_EQ(native[1], ':');
    std::string forward = native;
    for (char &c : forward)
        if (c == '\\') c = '/';
    for (const std::string &name : {native, forward, "\\\\?\\" + native}) {
        vrml_stream in{};
        ASSERT_EQ(zeb_initfilename(&in, name.c_str(), "r"), 0) << name;
        std::string got;
        for (int c; (c = in.stream_getc(&in)) >= 0;) got.push_back(static_cast<char>(c));
        EXPECT_EQ(got, "Shape { }") << name;
        in.stream_close(&in);
    }
}
#endif

}  // namespace
