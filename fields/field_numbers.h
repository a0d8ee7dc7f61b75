// Number conversions of the field readers and printers.
//
// Reading: the longest leading part of a text that forms a number is
// converted; the result is the number of characters used (0 when none, the
// value is then 0). Floats take the decimal form only: an optional sign ("+"
// included), digits with an optional decimal point and an optional exponent;
// no hexadecimal, inf or nan forms. The value is the nearest one of the type,
// infinite or zero beyond its range, as the C library's strtof/strtod give.
// Integers take an optional sign and then "0x"/"0X" with hexadecimal digits,
// "0" with octal digits, or decimal digits, and saturate to the 32-bit range.
//
// Writing: the same bytes as the C library's "%f" (six decimals) and "%d".
#ifndef ZEBVRML2_FIELDS_FIELD_NUMBERS_H
#define ZEBVRML2_FIELDS_FIELD_NUMBERS_H

#include <cstddef>
#include <cstdint>

size_t vrml_scanfloat(const char *text, size_t length, float *value);
size_t vrml_scandouble(const char *text, size_t length, double *value);
size_t vrml_scanint32(const char *text, size_t length, int32_t *value);

// Room for any "%f" of a double (309 integer digits, sign, point, six
// decimals) and any "%d", with a trailing blank and a NUL.
constexpr size_t kVrmlNumberSize = 330;

// Writes value as "%f" does, without a NUL; returns the length.
size_t vrml_formatfixed(char *out, double value);
// Writes value as "%d" does, without a NUL; returns the length.
size_t vrml_formatint(char *out, int32_t value);

#endif
