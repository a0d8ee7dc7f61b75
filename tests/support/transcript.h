// Transcripts: calls kept with their exact results in a data file under
// tests/data, replayed through sessions. A session opens at the start and at
// each "== TITLE" line, with TITLE. "CALL => ANSWER" holds a call and its
// one-line answer. "> CALL" is followed by its answer, what was written to
// `out` meanwhile and the messages logged ("! TEXT"); a titled session that
// ends writes "-- released" and what its release wrote and logged. The file
// rebuilt from the actual answers must equal the file; other lines pass
// through. Words are split at blanks; a "quoted" part of a word may hold
// blanks and the escapes \n \r \t \v \f \" \\ \xHH and \*N*c (the character
// c N times). ZEBVRML2_TRANSCRIPT_WRITE=1 rewrites a file that differs, to
// review with git diff.
#ifndef ZEBVRML2_TESTS_SUPPORT_TRANSCRIPT_H
#define ZEBVRML2_TESTS_SUPPORT_TRANSCRIPT_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
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

using Call = std::function<std::string(const std::string &call)>;

// open(TITLE) begins a session and gives what answers its calls; dropping
// that releases the session.
inline void check_transcript(const std::string &name, const std::function<Call(const std::string &)> &open,
                             std::string &out, LogCapture::Scope scope = LogCapture::kProblems) {
    std::string path = std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/" + name, file = read_file(path), rebuilt;
    std::unique_ptr<LogCapture> log;
    Call session;
    bool titled = false, answers = false;  // answers: the lines read are old answers
    auto flush_log = [&] {
        for (const LoggedMessage &m : log->messages()) {
            std::string text = m.text;
            for (size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, "\\n");
            out += "! " + text + "\n";
        }
        log->clear();
    };
    auto begin = [&](const std::string &title) {
        if (titled) out += "-- released\n";
        session = nullptr;
        if (log) flush_log(), log.reset();
        rebuilt += out;
        out.clear();
        session = open(title);
        log = std::make_unique<LogCapture>(scope);
        titled = !title.empty(), answers = false;
    };
    begin("");
    for (size_t at = 0, end; at < file.size(); at = end + 1) {
        std::string line = file.substr(at, (end = file.find('\n', at)) - at);
        size_t arrow = line.find(" => ");
        if (line.rfind("== ", 0) == 0) {
            begin(line.substr(3));
        } else if (line.rfind("> ", 0) == 0) {
            out += line + "\n";
            std::string answer = session(line.substr(2));
            flush_log();
            if (!answer.empty()) out += answer + "\n";
            answers = true;
            continue;
        } else if (answers) {
            continue;
        } else if (line[0] != '#' && arrow != std::string::npos) {
            line = line.substr(0, arrow) + " => " + session(line.substr(0, arrow));
        }
        out += line + "\n";
    }
    begin("");
    session = nullptr;
    log.reset();
    EXPECT_EQ(rebuilt, file) << name;
    if (std::getenv("ZEBVRML2_TRANSCRIPT_WRITE") && rebuilt != file) std::ofstream(path, std::ios::binary) << rebuilt;
}

// A table of independent calls, each answered by run(CALL's words).
inline void check_transcript(const std::string &name, std::string (*run)(const Words &)) {
    std::string unused;
    check_transcript(name, [run](const std::string &) -> Call {
        return [run](const std::string &call) { return run(split_words(call)); };
    }, unused);
}

// Sessions of a Session type: made from the title, answering by run(CALL).
template <typename Session>
void check_sessions(const std::string &name, std::string &out, LogCapture::Scope scope) {
    check_transcript(name, [](const std::string &title) -> Call {
        auto session = std::make_shared<Session>(title);
        return [session](const std::string &call) { return session->run(call); };
    }, out, scope);
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
// "fatal MESSAGE". Whatever call's frames hold must be trivially destructible;
// the leak checker stays on: the calls made here leave nothing allocated behind.
template <typename F>
std::string fatal_or(F &&call, const std::string &fine = "") {
    std::string message;
    return ends_fatally(call, &message, false) ? "fatal " + quote(message) : fine;
}

#endif
