// The bounds of the calling thread's stack, for the nesting guard of the
// recursive readers, copiers and printers (loader/stack_guard.h).
#ifndef ZEBVRML2_PLATFORM_STACK_H
#define ZEBVRML2_PLATFORM_STACK_H

#include <cstdint>

// Stores the lowest address of the calling thread's stack (stacks grow down
// on every system the library is built for) and returns true; false when the
// system does not tell.
bool vrml_thread_stacklow(uintptr_t *low);

#endif
