// Exported names that are one function. On ELF targets the second name is
// an alias of the first symbol, so a host comparing the two addresses sees
// one function; on Windows the module definition file maps the second name
// to the first, and the static library (and other toolchains) get a
// forwarding definition.
#ifndef ZEBVRML2_PLATFORM_SECOND_NAME_H
#define ZEBVRML2_PLATFORM_SECOND_NAME_H

#include "vrml_export.h"

// VRML_SECOND_NAME(void, vrml_b, (int x), vrml_a, (x)) makes vrml_b the
// second name of vrml_a.
#if defined(__GNUC__) && !defined(_WIN32)
#define VRML_SECOND_NAME(result, name, params, first, args) \
    ZEBVRML2_API result name params __attribute__((alias(#first)));
#else
#define VRML_SECOND_NAME(result, name, params, first, args) \
    ZEBVRML2_API result name params { return first args; }
#endif

#endif
