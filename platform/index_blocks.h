// Blocks for the library's large hash tables, whose reads land anywhere in
// the block. On Linux a block of a few MiB or more asks for transparent huge
// pages, so that those reads rarely miss the translation buffers as well as
// the caches (a 16 MiB table spans 4096 small pages, but 8 huge ones).
#ifndef ZEBVRML2_PLATFORM_INDEX_BLOCKS_H
#define ZEBVRML2_PLATFORM_INDEX_BLOCKS_H

#include <cstddef>

// count * size bytes, not initialised, released with std::free; null when
// the product overflows or memory is exhausted.
void *vrml_index_block(size_t count, size_t size);

#endif
