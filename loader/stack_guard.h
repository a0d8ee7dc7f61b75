// The nesting guard. Nodes inside nodes and lists inside lists are read,
// copied (prototype instancing) and printed by recursion, one group of frames
// per level. Each recursive step calls vrml_stackguard first: when the
// calling thread's stack has less than kVrmlStackReserve bytes left below
// the step's frame, the input is nested deeper than this thread can follow
// and the step ends the process through vrml_fatal_err with the message
// "<what>: nesting too deep for the stack (line N)". The reserve holds the
// deepest leaf frames below a step (the SFString reader's 64 KiB buffer, a
// diagnostic's formatting, the host's log and fatal handlers).
//
// The stack's low end comes from the system (pthread_getattr_np, or the
// reservation of the stack on Windows), once per thread; where the system
// does not tell, the stack is taken to end 1 MiB below the frame of the
// thread's first check.
#ifndef ZEBVRML2_LOADER_STACK_GUARD_H
#define ZEBVRML2_LOADER_STACK_GUARD_H

#include <cstddef>
#include <cstdint>

#include "vrml_loader.h"

constexpr size_t kVrmlStackReserve = 160 * 1024;
constexpr size_t kVrmlDefaultStackSize = 1024 * 1024;

// The guard's address on this thread: below it no recursive step starts.
uintptr_t vrml_stacklimit();

// Ends the process through vrml_fatal_err when the caller's frame lies below
// the limit; what names the step, ctx (may be null) gives the line. Never
// inline, so that the frame address is the caller's own depth.
void vrml_stackguard(vrml_context *ctx, const char *what);

// The lowest frame address a check has seen on this thread since the last
// reset: the stack a nesting needs, as measured by the tests.
uintptr_t vrml_stackguard_lowest();
void vrml_stackguard_resetlowest();

#endif
