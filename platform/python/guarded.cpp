// Plain C-style code only between setjmp and the library: no object with a
// destructor lives in guarded_load's frame, so the jump skips nothing.
#include "guarded.h"

#include <setjmp.h>
#include <stdio.h>

namespace {

thread_local std::vector<Diagnostic> *t_sink = nullptr;
thread_local jmp_buf *t_jump = nullptr;
thread_local char t_fatal[1024];
thread_local vrml_context *volatile t_started = nullptr;

// Records only: never calls Python, never lets an exception out.
void on_log(void *, vrml_context *, int32_t, int line, int severity, const char *message) {
    std::vector<Diagnostic> *sink = t_sink;
    if (!sink) return;
    try {
        std::string text(message ? message : "");
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        sink->push_back(Diagnostic{line, severity, std::move(text)});
    } catch (...) {
        // Out of memory: the diagnostic is lost, the load goes on.
    }
}

// Returns to the armed load of this thread; elsewhere the process ends as the
// library ends it, after saying why.
void on_fatal(void *, const char *message) {
    jmp_buf *jump = t_jump;
    if (!jump) {
        fprintf(stderr, "zebvrml2: fatal: %s\n", message ? message : "");
        return;
    }
    t_jump = nullptr;
    snprintf(t_fatal, sizeof t_fatal, "%s", message ? message : "");
    longjmp(*jump, 1);
}

}  // namespace

void guarded_install_handlers() {
    vrml_setloghandler(on_log, nullptr);
    vrml_setfatalhandler(on_fatal, nullptr);
}

void guarded_record(std::vector<Diagnostic> *sink) { t_sink = sink; }

vrml_context *guarded_load(vrml_stream *in, vrml_stream *out, uint32_t options, bool *fatal) {
    jmp_buf jump;
    t_started = nullptr;
    *fatal = false;
    if (setjmp(jump) != 0) {
        *fatal = true;
        return t_started;
    }
    t_jump = &jump;
    vrml_context *ctx = vrmlutil_loadsceneex(in, out, options, &t_started);
    t_jump = nullptr;
    return ctx;
}

const char *guarded_fatal_message() { return t_fatal; }
