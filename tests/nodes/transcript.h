// Sessions of calls kept with their expected transcript in one data file.
// "== TITLE" starts a session (a new Session(TITLE)); each "> CALL" line is
// run by Session::run, and what follows it in the file must be what the
// test wrote meanwhile: the answer, what callbacks wrote to `out`, and the
// messages logged ("! TEXT"). "-- released" and what follows: the session's
// end. Lines before the first session are comments.
#ifndef ZEBVRML2_TESTS_NODES_TRANSCRIPT_H
#define ZEBVRML2_TESTS_NODES_TRANSCRIPT_H

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "support/test_support.h"

template <typename Session>
void check_transcript(const std::string &name, std::string &out, LogCapture::Scope scope) {
    const std::string path = std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/" + name;
    std::istringstream file(read_file(path));
    std::string transcript;
    std::unique_ptr<Session> session;
    std::unique_ptr<LogCapture> log;
    auto flush_log = [&] {
        for (const LoggedMessage &m : log->messages()) {
            std::string text = m.text;
            for (size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, "\\n");
            out += "! " + text + "\n";
        }
        log->clear();
    };
    auto end_session = [&] {
        if (!session) return;
        out += "-- released\n";
        session.reset();
        flush_log();
        log.reset();
        transcript += out;
    };
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("== ", 0) == 0) {
            end_session();
            out = line + "\n";
            session = std::make_unique<Session>(line.substr(3));
            log = std::make_unique<LogCapture>(scope);
        } else if (line.rfind("> ", 0) == 0 && session) {
            out += line + "\n";
            std::string answer = session->run(line.substr(2));
            flush_log();
            if (!answer.empty()) out += answer + "\n";
        } else if (!session) {
            transcript += line + "\n";
        }
    }
    end_session();
    const std::string actual = name.substr(name.rfind('/') + 1) + ".actual";
    if (transcript != read_file(path)) std::ofstream(actual) << transcript;
    EXPECT_TRUE(transcript == read_file(path)) << "the transcript differs from " << path << ": see " << actual
                                               << " in the test's directory";
}

#endif
