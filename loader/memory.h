// Internal memory helpers.
#ifndef ZEBVRML2_LOADER_MEMORY_H
#define ZEBVRML2_LOADER_MEMORY_H

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

#endif
