#include "platform/index_blocks.h"

#include <cstdint>
#include <cstdlib>

#include "zebio/heap.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

void *vrml_index_block(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / size) return nullptr;
    size_t bytes = count * size;
    if (vrml_heap_refused()) return nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr size_t kHuge = size_t{2} << 20;
    if (bytes >= 2 * kHuge && bytes <= SIZE_MAX - kHuge) {
        size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
        if (void *block = std::aligned_alloc(kHuge, rounded)) {
            madvise(block, rounded, MADV_HUGEPAGE);  // advice only: failure changes nothing
            return block;
        }
        return nullptr;
    }
#endif
    return std::malloc(bytes ? bytes : 1);
}
