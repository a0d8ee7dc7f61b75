// The nesting guard of the recursive readers, copiers and printers.
#include "loader/stack_guard.h"

#include "loader/report.h"
#include "platform/stack.h"

namespace {

// Per thread: the limit (0 until the first check) and the lowest frame seen.
thread_local uintptr_t t_limit = 0;
thread_local uintptr_t t_lowest = UINTPTR_MAX;

uintptr_t frame_address() {
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

uintptr_t compute_limit(uintptr_t here) {
    uintptr_t low = 0;
    if (!vrml_thread_stacklow(&low) || low >= here)
        low = here > kVrmlDefaultStackSize ? here - kVrmlDefaultStackSize : 0;
    // A stack too small for the reserve keeps half of what is left below
    // the first check.
    size_t reserve = kVrmlStackReserve;
    if (here - low < 2 * reserve) reserve = (here - low) / 2;
    return low + reserve;
}

}  // namespace

uintptr_t vrml_stacklimit() {
    if (t_limit == 0) t_limit = compute_limit(frame_address());
    return t_limit;
}

__attribute__((noinline)) void vrml_stackguard(vrml_context *ctx, const char *what) {
    uintptr_t here = frame_address();
    if (here < t_lowest) t_lowest = here;
    if (here >= vrml_stacklimit()) return;
    int line = ctx && ctx->in ? static_cast<int>(ctx->in->line) : 0;
    vrml_fatal_err("%s: nesting too deep for the stack (line %d)", what, line);
}

uintptr_t vrml_stackguard_lowest() { return t_lowest; }

void vrml_stackguard_resetlowest() { t_lowest = UINTPTR_MAX; }
