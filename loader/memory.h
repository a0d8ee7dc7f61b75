// Internal memory helpers.
#ifndef ZEBVRML2_LOADER_MEMORY_H
#define ZEBVRML2_LOADER_MEMORY_H

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "vrml_loader.h"

// Stores through target a vrml_malloc'd copy of text and returns 1; stores
// null (copying nothing) when the heap is exhausted.
int vrml_savestring(char **target, const char *text);

// count * size zeroed bytes, or null when the product overflows the heap's
// size type or the heap is exhausted. Never returns a block smaller than
// asked.
void *vrml_malloc_array(size_t count, size_t size);

// Counts the items ever unlinked from any list (vrml_listdeleteitem and the
// operations built on it). Indexes kept beside lists compare it to notice
// removals that appends may hide (an item freed and a new one appended at
// the same address).
extern std::atomic<uint64_t> g_vrml_listremovals;

#endif
