// The two operating-system services the native runtime needs: one binary
// semaphore (initial and maximum count 1) and a 32-bit id of the calling
// thread. Windows uses the kernel's semaphore and thread id; other systems
// get the same contract from POSIX threads.
#ifndef ZEBVRML2_PLATFORM_SYNC_H
#define ZEBVRML2_PLATFORM_SYNC_H

#include <cstdint>

struct vrml_semaphore;

// A new semaphore that is free (count 1, never more than 1), or null.
vrml_semaphore *vrml_semaphore_create();

// Waits without time-out until the semaphore is free and takes it.
void vrml_semaphore_take(vrml_semaphore *sem);

// Gives the semaphore back (count back to 1); giving a free semaphore back
// leaves it free.
void vrml_semaphore_give(vrml_semaphore *sem);

// The id of the calling thread, unique among the live threads of the process.
uint32_t vrml_current_threadid();

#endif
