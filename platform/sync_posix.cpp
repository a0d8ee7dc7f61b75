// POSIX systems: a binary semaphore made of a mutex, a condition variable
// and a flag, and the kernel's thread id where there is one.
#ifndef _WIN32
#include <pthread.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/syscall.h>
#endif

#include <cstdlib>

#include "platform/sync.h"

struct vrml_semaphore {
    pthread_mutex_t mutex;
    pthread_cond_t freed;
    int count;  // 0 taken, 1 free
};

vrml_semaphore *vrml_semaphore_create() {
    auto *sem = static_cast<vrml_semaphore *>(std::calloc(1, sizeof(vrml_semaphore)));
    if (!sem) return nullptr;
    if (pthread_mutex_init(&sem->mutex, nullptr) != 0) {
        std::free(sem);
        return nullptr;
    }
    if (pthread_cond_init(&sem->freed, nullptr) != 0) {
        pthread_mutex_destroy(&sem->mutex);
        std::free(sem);
        return nullptr;
    }
    sem->count = 1;
    return sem;
}

void vrml_semaphore_take(vrml_semaphore *sem) {
    pthread_mutex_lock(&sem->mutex);
    while (sem->count == 0) pthread_cond_wait(&sem->freed, &sem->mutex);
    sem->count = 0;
    pthread_mutex_unlock(&sem->mutex);
}

void vrml_semaphore_give(vrml_semaphore *sem) {
    pthread_mutex_lock(&sem->mutex);
    sem->count = 1;
    pthread_cond_signal(&sem->freed);
    pthread_mutex_unlock(&sem->mutex);
}

uint32_t vrml_current_threadid() {
#if defined(__linux__)
    return static_cast<uint32_t>(syscall(SYS_gettid));
#elif defined(__APPLE__)
    uint64_t id = 0;
    pthread_threadid_np(nullptr, &id);
    return static_cast<uint32_t>(id);
#else
    // Other systems: a per-thread number handed out on first use.
    static uint32_t next = 0;
    static thread_local uint32_t mine = __atomic_add_fetch(&next, 1, __ATOMIC_RELAXED);
    return mine;
#endif
}

#endif
