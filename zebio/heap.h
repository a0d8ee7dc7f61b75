// The one door to the heap for the library and zebio: every allocation goes
// through these wrappers (released with std::free as before), so that a
// test can refuse any one of them and count them all. Internal: nothing
// here is exported; each shared library has its own counter, the static
// libraries share one with the program.
#ifndef ZEBVRML2_ZEBIO_HEAP_H
#define ZEBVRML2_ZEBIO_HEAP_H

#include <atomic>
#include <cstddef>
#include <cstdlib>

// The number of the allocation to refuse, counted from the last
// vrml_heap_failat; 0 when disarmed.
inline std::atomic<long> g_vrml_heap_failat{0};
// Allocations asked for since the last vrml_heap_failat (counted only while
// armed).
inline std::atomic<long> g_vrml_heap_seen{0};

// Test hook: the n-th allocation from now fails and every other succeeds;
// 0 disarms. Arming with a number never reached counts allocations only.
// Process-wide and unsynchronised with loads: arm it between them.
inline void vrml_heap_failat(long n) {
    g_vrml_heap_failat.store(0, std::memory_order_relaxed);
    g_vrml_heap_seen.store(0, std::memory_order_relaxed);
    g_vrml_heap_failat.store(n, std::memory_order_relaxed);
}

// Allocations asked for since the hook was last armed.
inline long vrml_heap_allocations() { return g_vrml_heap_seen.load(std::memory_order_relaxed); }

// True for the allocation the hook refuses. Disarmed: one relaxed load.
inline bool vrml_heap_refused() {
    long at = g_vrml_heap_failat.load(std::memory_order_relaxed);
    return at != 0 && g_vrml_heap_seen.fetch_add(1, std::memory_order_relaxed) + 1 == at;
}

inline void *vrml_heap_malloc(size_t bytes) {
    return vrml_heap_refused() ? nullptr : std::malloc(bytes);
}

inline void *vrml_heap_calloc(size_t count, size_t size) {
    return vrml_heap_refused() ? nullptr : std::calloc(count, size);
}

// Like std::realloc: on failure block stays allocated and unchanged.
inline void *vrml_heap_realloc(void *block, size_t bytes) {
    return vrml_heap_refused() ? nullptr : std::realloc(block, bytes);
}

#endif
