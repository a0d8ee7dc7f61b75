// The module's side of the library's process-wide handlers: diagnostics are
// recorded per thread, and a fatal condition during a load returns to the
// loading thread instead of ending the process.
#ifndef ZEBVRML2_PYTHON_GUARDED_H
#define ZEBVRML2_PYTHON_GUARDED_H

#include <stdint.h>

#include <string>
#include <vector>

#include "zebvrml2.h"

struct Diagnostic {
    int line;
    int severity;  // VRML_LOG_NOTICE or VRML_LOG_PROBLEM
    std::string message;
};

// Installs the log and fatal handlers; once, before any load.
void guarded_install_handlers();

// Diagnostics reported on this thread go to sink from now on (null: dropped).
void guarded_record(std::vector<Diagnostic> *sink);

// Loads from in into a new scene whose output stream is out. When the load
// ends through the fatal exit, *fatal is set and the result is the scene read
// so far (to be released only; null when none was started), with the
// message in guarded_fatal_message(). Call with the interpreter lock released.
vrml_context *guarded_load(vrml_stream *in, vrml_stream *out, uint32_t options, bool *fatal);

// The message of this thread's last fatal condition.
const char *guarded_fatal_message();

#endif
