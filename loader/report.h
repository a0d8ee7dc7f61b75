// The one internal reporting function every diagnostic goes through.
#ifndef ZEBVRML2_LOADER_REPORT_H
#define ZEBVRML2_LOADER_REPORT_H

#include <cstdint>

#include "vrml_fields.h"
#include "vrml_loader.h"

extern vrml_loghandler g_vrml_loghandler;

// Formats and passes a message to the host's log handler; with no handler it
// formats nothing. The line is the stream's, else the context's input's.
void vrml_report_impl(vrml_context *ctx, vrml_stream *in, int32_t code, int severity,
                      const char *format, ...) VRML_PRINTF_LIKE(5, 6);

// Keeps the arguments unevaluated-cheap when nobody listens.
#define vrml_report(ctx, in, code, severity, ...)                              \
    do {                                                                       \
        if (g_vrml_loghandler) vrml_report_impl(ctx, in, code, severity, __VA_ARGS__); \
    } while (0)

#define vrml_problem(ctx, in, code, ...) vrml_report(ctx, in, code, VRML_LOG_PROBLEM, __VA_ARGS__)
#define vrml_notice(ctx, in, code, ...) vrml_report(ctx, in, code, VRML_LOG_NOTICE, __VA_ARGS__)

// Memory ran out where the operation has no message of its own: reported
// as the field readers report it, so that the host learns of the loss.
#define vrml_problem_nomem(ctx, in) vrml_problem(ctx, in, VRML_ERR_NOMEM, "Out of memory")

#endif
