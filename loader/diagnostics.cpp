// Diagnostics: the no-op sink of the interface, the host's log handler and
// the fatal exit.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "loader/report.h"
#include "platform/second_name.h"

vrml_loghandler g_vrml_loghandler = nullptr;

namespace {
void *g_loguser = nullptr;
vrml_fatalhandler g_fatalhandler = nullptr;
void *g_fataluser = nullptr;

constexpr int kMessageSize = 4096;  // longer messages are cut, never overrun
}  // namespace

void vrml_report_impl(vrml_context *ctx, vrml_stream *in, int32_t code, int severity,
                      const char *format, ...) {
    vrml_loghandler handler = g_vrml_loghandler;
    if (!handler) return;
    char message[kMessageSize];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(message, sizeof message, format, ap);
    va_end(ap);
    if (!in && ctx) in = ctx->in;
    int line = in ? static_cast<int>(in->line) : 0;
    handler(g_loguser, ctx, code, line, severity, message);
}

extern "C" {

ZEBVRML2_API void vrml_log(const void *, ...) {}

VRML_SECOND_NAME(void, vrml_error_warn, (const void *first, ...), vrml_log, (first))

ZEBVRML2_API vrml_loghandler vrml_setloghandler(vrml_loghandler handler, void *user) {
    vrml_loghandler old = g_vrml_loghandler;
    g_vrml_loghandler = handler;
    g_loguser = user;
    return old;
}

ZEBVRML2_API vrml_fatalhandler vrml_setfatalhandler(vrml_fatalhandler handler, void *user) {
    vrml_fatalhandler old = g_fatalhandler;
    g_fatalhandler = handler;
    g_fataluser = user;
    return old;
}

ZEBVRML2_API void vrml_fatal_err(const char *format, ...) {
    if (g_fatalhandler) {
        char message[kMessageSize] = "";
        if (format) {
            va_list ap;
            va_start(ap, format);
            std::vsnprintf(message, sizeof message, format, ap);
            va_end(ap);
        }
        g_fatalhandler(g_fataluser, message);
    }
    std::exit(-1);
}

}  // extern "C"
