#include "support/test_support.h"

#ifndef __has_feature
#define __has_feature(feature) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define ZEBVRML2_TEST_LSAN 1
#endif

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

LogCapture::LogCapture(Scope scope) : scope_(scope) {
    previous_ = vrml_setloghandler(&LogCapture::handler, this);
}

LogCapture::~LogCapture() { vrml_setloghandler(previous_, nullptr); }

void LogCapture::handler(void *user, vrml_context *ctx, int32_t code, int line, int severity,
                         const char *message) {
    auto *self = static_cast<LogCapture *>(user);
    if (severity == VRML_LOG_NOTICE && self->scope_ == kProblems) return;
    self->messages_.push_back({ctx, code, line, severity, message});
}

std::vector<std::string> LogCapture::texts() const {
    std::vector<std::string> out;
    for (const auto &m : messages_) out.push_back(m.text);
    return out;
}

StringInput::StringInput(std::string text) : text_(std::move(text)) {
    std::memset(&stream_, 0, sizeof stream_);
    zeb_initstringstream(&stream_, text_.data(), static_cast<int>(text_.size()));
}

StringInput::~StringInput() { stream_.stream_close(&stream_); }

std::string StringInput::rest() {
    std::string out;
    for (int c; (c = stream_.stream_getc(&stream_)) >= 0;) out.push_back(static_cast<char>(c));
    return out;
}

BufferOutput::BufferOutput() {
    std::memset(&stream_, 0, sizeof stream_);
    zeb_initbufferstream(&stream_);
}

BufferOutput::~BufferOutput() { stream_.stream_close(&stream_); }

std::string BufferOutput::text() {
    size_t n = 0;
    const char *p = zeb_getbuffer(&stream_, &n);
    return std::string(p ? p : "", n);
}

BareContext::BareContext(std::string input) : in(std::move(input)) {
    std::memset(&ctx, 0, sizeof ctx);
    ctx.in = in.get();
    ctx.out = out.get();
    ctx.protoindex = -1;
}

std::string read_file(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

#if defined(ZEBVRML2_TEST_LSAN)
LeaksIgnored::LeaksIgnored() { __lsan_disable(); }
LeaksIgnored::~LeaksIgnored() { __lsan_enable(); }
#else
LeaksIgnored::LeaksIgnored() {}
LeaksIgnored::~LeaksIgnored() {}
#endif

namespace {
std::jmp_buf g_jump;
std::string *g_message = nullptr;

[[noreturn]] void jump_back(void *, const char *message) {
    if (g_message) *g_message = message;
    std::longjmp(g_jump, 1);
}
}  // namespace

bool ends_fatally(const std::function<void()> &work, std::string *message, bool ignore_leaks) {
    vrml_fatalhandler previous = vrml_setfatalhandler(jump_back, nullptr);
    g_message = message;
    volatile bool fatal = false;
    {
        std::optional<LeaksIgnored> ignored;
        if (ignore_leaks) ignored.emplace();
        if (setjmp(g_jump) == 0) work();
        else fatal = true;
    }
    vrml_setfatalhandler(previous, nullptr);
    g_message = nullptr;
    return fatal;
}
