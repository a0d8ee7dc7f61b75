// Helpers shared by the test binaries.
#ifndef ZEBVRML2_TESTS_SUPPORT_H
#define ZEBVRML2_TESTS_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zebvrml2.h"

// The exit of vrml_fatal_err as a death test sees it, on every system: status
// 255 on POSIX systems; on Windows the process's exit code -1 (0xFFFFFFFF),
// which ExitedWithCode(255) would not match. Use it for every fatal exit:
//   EXPECT_EXIT(vrml_fatal_err("..."), FatalExit(), "");
inline ::testing::ExitedWithCode FatalExit() {
#ifdef _WIN32
    return ::testing::ExitedWithCode(-1);
#else
    return ::testing::ExitedWithCode(255);
#endif
}

// The helpers below hold what a library call was handed: they are not copied.
struct NoCopy {
    NoCopy() = default;
    NoCopy(const NoCopy &) = delete;
    NoCopy &operator=(const NoCopy &) = delete;
};

// One diagnostic as the host's log handler saw it.
struct LoggedMessage {
    vrml_context *ctx;
    int32_t code;
    int line;
    int severity;
    std::string text;
};

// Records the problems reported while it lives, and with kWithNotices the
// notices as well.
class LogCapture : NoCopy {
public:
    enum Scope { kProblems, kWithNotices };
    explicit LogCapture(Scope scope = kProblems);
    ~LogCapture();
    const std::vector<LoggedMessage> &messages() const { return messages_; }
    std::vector<std::string> texts() const;
    void clear() { messages_.clear(); }

private:
    static void handler(void *user, vrml_context *ctx, int32_t code, int line, int severity,
                        const char *message);
    std::vector<LoggedMessage> messages_;
    vrml_loghandler previous_;
    Scope scope_;
};

// A string stream over its own copy of a text.
class StringInput : NoCopy {
public:
    explicit StringInput(std::string text);
    ~StringInput();
    vrml_stream *get() { return &stream_; }
    // The rest of the input, read out character by character.
    std::string rest();

private:
    std::string text_;
    vrml_stream stream_;
};

// An in-memory output stream.
class BufferOutput : NoCopy {
public:
    BufferOutput();
    ~BufferOutput();
    vrml_stream *get() { return &stream_; }
    std::string text();

private:
    vrml_stream stream_;
};

// A stream of the host's own: the readers must call its slots character by
// character, where zebio's streams let them read their window directly.
struct HostStream {
    vrml_stream s{};
    std::string text;  // what remains, last character first
    explicit HostStream(std::string t) : text(t.rbegin(), t.rend()) {
        s.line = 1;
        s.impl = &text;
        s.stream_getc = [](vrml_stream *st) {
            auto *rest = static_cast<std::string *>(st->impl);
            int c = rest->empty() ? -1 : static_cast<unsigned char>(rest->back());
            if (c >= 0) rest->pop_back(), st->line += c == '\n';
            return c;
        };
        s.stream_ungetc = [](vrml_stream *st, int c) {
            static_cast<std::string *>(st->impl)->push_back(static_cast<char>(c));
            return st->line -= c == '\n', c;
        };
        s.stream_eof = [](vrml_stream *st) { return static_cast<std::string *>(st->impl)->empty() ? 1 : 0; };
    }
};

// A context with only its streams set, for code that reads or writes
// through ctx->in and ctx->out without a loaded scene.
struct BareContext {
    explicit BareContext(std::string input = "");
    vrml_context *get() { return &ctx; }
    StringInput in;
    BufferOutput out;
    vrml_context ctx;
};

// Unloads the scene held in a context pointer (vrmlutil_unloadscene) when
// it goes out of scope; the pointer may change meanwhile. Declare it after
// the streams the scene reads and writes, so that it runs before they go.
class SceneUnloader : NoCopy {
public:
    explicit SceneUnloader(vrml_context *&ctx) : ctx_(ctx) {}
    ~SceneUnloader() {
        vrmlutil_unloadscene(ctx_);
        ctx_ = nullptr;
    }

private:
    vrml_context *&ctx_;
};

// While it lives, blocks allocated are not reported by the leak checker of
// a sanitizer build. For jumps out of vrml_fatal_err: what only the frames
// jumped over held (a value being read, a name) is lost with them.
class LeaksIgnored : NoCopy {
public:
    LeaksIgnored();
    ~LeaksIgnored();
};

// Runs work with vrml_fatal_err turned into a jump back here: true when work
// ended through it, its message then in *message. No object with a
// destructor may live across a library call inside work; what the frames the
// jump skips held is lost with them, and the leak checker ignores it unless
// told not to.
bool ends_fatally(const std::function<void()> &work, std::string *message = nullptr, bool ignore_leaks = true);

std::string read_file(const std::string &path);

#endif
