// File names as each system spells them (line ends and byte-exact reading
// and writing are checked by the stream tests on every system).
#include <filesystem>
#include <fstream>

#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string utf8(const fs::path &p) {
    std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

// The text read through a stream opened by name, or "(fails)".
std::string read_through_zebio(const std::string &name) {
    vrml_stream in{};
    if (zeb_initfilename(&in, name.c_str(), "r") != 0) return "(fails)";
    std::string got;
    for (int c; (c = in.stream_getc(&in)) >= 0;) got.push_back(static_cast<char>(c));
    in.stream_close(&in);
    return got;
}

TEST(FileNames, NamesOutsideAsciiAndEverySpellingOfAPathOpenTheFile) {
    fs::path dir = fs::temp_directory_path() / "zebvrml2-file-names";
    fs::remove_all(dir);
    fs::create_directories(dir);
    // "wörld ✓.wrl": outside every ANSI code page as a whole.
    fs::path p = dir / fs::path(u8"w\u00f6rld \u2713.wrl");
    vrml_stream out{};
    ASSERT_EQ(zeb_initfilename(&out, utf8(p).c_str(), "w"), 0);
    out.stream_printf(&out, "Group { }\n");
    EXPECT_EQ(out.stream_close(&out), 0);
    ASSERT_TRUE(fs::exists(p)) << "the file was created under another name";
    std::string native = utf8(p.make_preferred()), forward = native;
    for (char &c : forward) c = c == '\\' ? '/' : c;
    std::vector<std::string> names = {native, forward};
#ifdef _WIN32
    names.push_back("\\\\?\\" + native);  // C:\... with backslashes, forward slashes, long form
#endif
    for (const std::string &name : names) EXPECT_EQ(read_through_zebio(name), "Group { }\n") << name;
    EXPECT_EQ(read_through_zebio(utf8(dir / "missing.wrl")), "(fails)");
    EXPECT_FALSE(fs::exists(dir / "missing.wrl"));
    fs::remove_all(dir);
}

}  // namespace
