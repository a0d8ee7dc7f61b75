/*
 * Scene release: freeing what a scene owns.
 */
#ifndef VRML_RELEASE_H
#define VRML_RELEASE_H

#include <stdint.h>

#include "vrml_nodes.h"

VRML_EXTERN_C_BEGIN

/* Releases one member content record by member class: its value(s), the
 * route records on its lists and the record itself. Null does nothing, as
 * does a class outside 0..3. */
ZEBVRML2_API void vrml_freeuclass(int memberclass, int type, void *content);

VRML_EXTERN_C_END

#endif
