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
#include "zebio/heap.h"

struct vrml_semaphore {
    pthread_mutex_t mutex;
    pthread_cond_t freed;
    int count;  // 0 taken, 1 free
};

namespace {

// The process makes its few semaphores once and keeps them for its whole
// life: they come from static storage, so that no heap block stays behind
// at exit; the heap serves only beyond the pool.
constexpr int kPoolSize = 8;
vrml_semaphore g_pool[kPoolSize];
int g_poolused = 0;

vrml_semaphore *allocate() {
    int slot = __atomic_fetch_add(&g_poolused, 1, __ATOMIC_RELAXED);
    if (slot < kPoolSize) return &g_pool[slot];
    return static_cast<vrml_semaphore *>(vrml_heap_calloc(1, sizeof(vrml_semaphore)));
}

void release(vrml_semaphore *sem) {
    if (sem < g_pool || sem >= g_pool + kPoolSize) std::free(sem);
}

}  // namespace

vrml_semaphore *vrml_semaphore_create() {
    vrml_semaphore *sem = allocate();
    if (!sem) return nullptr;
    if (pthread_mutex_init(&sem->mutex, nullptr) != 0) {
        release(sem);
        return nullptr;
    }
    if (pthread_cond_init(&sem->freed, nullptr) != 0) {
        pthread_mutex_destroy(&sem->mutex);
        release(sem);
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
