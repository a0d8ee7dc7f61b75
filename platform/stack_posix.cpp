// POSIX systems: the thread's stack from its attributes (Linux).
#ifndef _WIN32
#if defined(__linux__) && !defined(_GNU_SOURCE)
#define _GNU_SOURCE
#endif
#include <pthread.h>

#include "platform/stack.h"

bool vrml_thread_stacklow(uintptr_t *low) {
#if defined(__linux__)
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return false;
    void *address = nullptr;
    size_t size = 0;
    int r = pthread_attr_getstack(&attr, &address, &size);
    pthread_attr_destroy(&attr);
    if (r != 0 || !address || size == 0) return false;
    *low = reinterpret_cast<uintptr_t>(address);
    return true;
#else
    (void)low;
    return false;
#endif
}

#endif
