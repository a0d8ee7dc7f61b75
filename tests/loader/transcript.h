// Transcript files: tables of calls and their exact results kept as data.
// Each line "COMMAND => RESULT" is run through a test's runner, which gives
// the actual RESULT; the whole file rebuilt from the actual results must equal
// the file. Other lines pass through. Words are split at blanks; a "quoted"
// part of a word may hold blanks and the escapes \n \r \t \v \f \" \\ \xHH and
// \*N*c (the character c N times). ZEBVRML2_TRANSCRIPT_WRITE=1 rewrites a file
// that differs, to review with git diff.
#ifndef ZEBVRML2_TESTS_LOADER_TRANSCRIPT_H
#define ZEBVRML2_TESTS_LOADER_TRANSCRIPT_H

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/test_support.h"

using Words = std::vector<std::string>;
inline const char kEscaped[] = "\n\r\t\v\f\"\\", kEscapes[] = "nrtvf\"\\";

inline Words split_words(const std::string &line) {
    Words out;
    bool in_word = false, quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (!quoted && c == ' ') { in_word = false; continue; }
        if (!in_word) out.emplace_back(), in_word = true;
        if (c == '"') quoted = !quoted;
        else if (!quoted || c != '\\') out.back() += c;
        else if (line[++i] == 'x') out.back() += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16)), i += 2;
        else if (line[i] != '*') out.back() += kEscaped[std::strchr(kEscapes, line[i]) - kEscapes];
        else {
            size_t used = 0;
            int n = std::stoi(line.substr(i + 1), &used);
            out.back().append(static_cast<size_t>(n), line[i += used + 2]);
        }
    }
    return out;
}

inline std::string quote(const std::string &text) {
    std::string out = "\"";
    for (size_t i = 0, run; i < text.size(); i += run) {
        run = std::min(text.find_first_not_of(text[i], i), text.size()) - i;
        auto c = static_cast<unsigned char>(text[i]);
        char one[8] = {static_cast<char>(c)};
        if (c && std::strchr(kEscaped, c)) std::snprintf(one, sizeof one, "\\%c", kEscapes[std::strchr(kEscaped, c) - kEscaped]);
        else if (c < 0x20 || c > 0x7e) std::snprintf(one, sizeof one, "\\x%02X", c);
        if (run > 12 && !one[1]) out += "\\*" + std::to_string(run) + "*" + one;
        else out += one, run = 1;
    }
    return out + "\"";
}

inline void check_transcript(const std::string &name, const std::function<std::string(const Words &)> &run) {
    std::string path = std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/" + name, file = read_file(path), rebuilt;
    for (size_t at = 0, end; at < file.size(); at = end + 1) {
        std::string line = file.substr(at, (end = file.find('\n', at)) - at);
        size_t arrow = line.find(" => ");
        if (line[0] != '#' && arrow != std::string::npos)
            line = line.substr(0, arrow) + " => " + run(split_words(line.substr(0, arrow)));
        rebuilt += line + "\n";
    }
    EXPECT_EQ(rebuilt, file) << name;
    if (std::getenv("ZEBVRML2_TRANSCRIPT_WRITE") && rebuilt != file) std::ofstream(path, std::ios::binary) << rebuilt;
}

// The problems logged, as " ! CODE@LINE TEXT" each.
inline std::string logged(const LogCapture &log) {
    std::string out;
    for (const LoggedMessage &m : log.messages()) {
        char code[32];
        std::snprintf(code, sizeof code, " ! %#x@%d ", static_cast<unsigned>(m.code), m.line);
        out += code + quote(m.text);
    }
    return out;
}

// Runs call; after a fatal error (left through longjmp, as a host may) gives
// "fatal MESSAGE". Whatever call's frames hold must be trivially destructible,
// and the calls made here leave nothing allocated behind.
inline std::jmp_buf g_fatal_jump;
inline std::string g_fatal_message;
template <typename F>
std::string fatal_or(F &&call, const std::string &fine = "") {
    vrml_fatalhandler old = vrml_setfatalhandler(
        [](void *, const char *m) { g_fatal_message = m, std::longjmp(g_fatal_jump, 1); }, nullptr);
    std::string out = fine;
    if (setjmp(g_fatal_jump) == 0) call();
    else out = "fatal " + quote(g_fatal_message);
    vrml_setfatalhandler(old, nullptr);
    return out;
}

#endif
