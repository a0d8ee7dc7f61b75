// Windows: the kernel's semaphore and thread id.
#ifdef _WIN32
#include <windows.h>

#include "platform/sync.h"

vrml_semaphore *vrml_semaphore_create() {
    return reinterpret_cast<vrml_semaphore *>(CreateSemaphoreA(nullptr, 1, 1, nullptr));
}

void vrml_semaphore_take(vrml_semaphore *sem) {
    WaitForSingleObject(reinterpret_cast<HANDLE>(sem), INFINITE);
}

void vrml_semaphore_give(vrml_semaphore *sem) {
    // Fails harmlessly (the count stays 1) when the semaphore is free.
    ReleaseSemaphore(reinterpret_cast<HANDLE>(sem), 1, nullptr);
}

uint32_t vrml_current_threadid() { return GetCurrentThreadId(); }

#endif
