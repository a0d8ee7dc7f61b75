// Windows: the thread's stack is one reservation; its base is the lowest
// address (the guard pages at its low end lie inside the guard's reserve).
#ifdef _WIN32
#include <windows.h>

#include "platform/stack.h"

bool vrml_thread_stacklow(uintptr_t *low) {
    MEMORY_BASIC_INFORMATION info = {};
    if (VirtualQuery(__builtin_frame_address(0), &info, sizeof info) == 0 || !info.AllocationBase)
        return false;
    *low = reinterpret_cast<uintptr_t>(info.AllocationBase);
    return true;
}

#endif
