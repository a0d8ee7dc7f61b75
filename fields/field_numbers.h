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

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

size_t vrml_scanfloat(const char *text, size_t length, float *value);
size_t vrml_scandouble(const char *text, size_t length, double *value);
size_t vrml_scanint32(const char *text, size_t length, int32_t *value);

// vrml_scanfloat and vrml_scanint32 with the forms of nearly every world
// converted inline, for the readers of long number lists, where the general
// conversion's own cost was half the load: a float of an optional minus and
// digits with an optional point, no exponent, whose digits make an integer
// of at most 2^24 and that has at most ten decimals (the integer and ten to
// that power are exact floats, so one division rounds once, as the
// general conversion does); an integer of an optional minus and one to nine
// decimal digits without a leading zero. Any other form, or a rounding mode
// other than to nearest, goes to the general conversion.
inline bool vrml_rounds_to_nearest() {
    static volatile float tiny = 1.17549435e-38f;
    return tiny + 1.0f == 1.0f - tiny;
}

// The decimal digits that begin the eight bytes at p (0 to 8) and, when
// there are fewer than eight, their value. Eight bytes at once: no branch
// per digit.
inline int vrml_leading_digits(const char *p, uint32_t *value) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    if constexpr (std::endian::native != std::endian::little) w = __builtin_bswap64(w);
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    // A byte is a digit when its high nibble is 3 and its low nibble is at
    // most 9; bit 7 of each byte of other marks one that is not.
    const uint64_t high = (w & (0xF0 * kOnes)) ^ (0x30 * kOnes);
    const uint64_t high_set = (((high & (0x7F * kOnes)) + 0x7F * kOnes) | high) & (0x80 * kOnes);
    const uint64_t low_big = (((w & (0x0F * kOnes)) + 0x06 * kOnes) & (0x10 * kOnes)) << 3;
    const uint64_t other = high_set | low_big;
    const int n = other ? __builtin_ctzll(other) / 8 : 8;
    if (n == 0 || n == 8) return n;
    // The digits moved to the top bytes, zeros before them: eight digits
    // combined in pairs, then fours.
    uint64_t d = (w & (0x0F * kOnes)) << (8 * (8 - n));
    d = d * 10 + (d >> 8);
    d = (((d & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
         (((d >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >> 32;
    *value = static_cast<uint32_t>(d);
    return n;
}

inline size_t vrml_scanfloat_inline(const char *text, size_t length, float *value) {
    static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                             1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    const char *end = text + length;
    const char *digits = text + (length > 0 && *text == '-');
    const char *p = digits;
    uint64_t mantissa = 0;
    ptrdiff_t count = 0, decimals = 0;
    if (length >= 17) {
        // Up to seven digits, a point and up to seven decimals, read eight
        // bytes at a time.
        uint32_t whole = 0, part = 0;
        const int n = vrml_leading_digits(p, &whole);
        if (n == 8) return vrml_scanfloat(text, length, value);
        p += n;
        if (*p == '.') {
            decimals = vrml_leading_digits(++p, &part);
            if (decimals == 8) return vrml_scanfloat(text, length, value);
            p += decimals;
        }
        count = n + decimals;
        mantissa = uint64_t{whole} * static_cast<uint64_t>(kPowersOfTen[decimals]) + part;
    } else {
        // Digits, at most 19: the mantissa cannot overflow.
        for (; p < end && count < 19 && static_cast<unsigned>(*p - '0') < 10; ++p, ++count)
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        if (p < end && *p == '.') {
            for (++p; p < end && count < 19 && static_cast<unsigned>(*p - '0') < 10; ++p, ++count, ++decimals)
                mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        }
    }
    if (count == 0 || decimals > 10 || mantissa > (uint64_t{1} << 24) ||
        (p < end && (static_cast<unsigned>(*p - '0') < 10 || *p == 'e' || *p == 'E')) ||
        !vrml_rounds_to_nearest())
        return vrml_scanfloat(text, length, value);
    const float magnitude = static_cast<float>(mantissa) / kPowersOfTen[decimals];
    *value = digits == text ? magnitude : -magnitude;
    return static_cast<size_t>(p - text);
}

inline size_t vrml_scanint32_inline(const char *text, size_t length, int32_t *value) {
    const char *end = text + length;
    const char *digits = text + (length > 0 && *text == '-');
    const char *p = digits;
    int32_t magnitude = 0;
    uint32_t run = 0;
    int n;
    if (length >= 9 && (n = vrml_leading_digits(digits, &run)) < 8) {
        p += n;
        magnitude = static_cast<int32_t>(run);
    } else {
        while (p < end && p - digits < 9 && static_cast<unsigned>(*p - '0') < 10)
            magnitude = magnitude * 10 + (*p++ - '0');
    }
    if (p == digits || (p - digits > 1 && *digits == '0') ||
        (p < end && (static_cast<unsigned>(*p - '0') < 10 || *p == 'x' || *p == 'X')))
        return vrml_scanint32(text, length, value);
    *value = digits == text ? magnitude : -magnitude;
    return static_cast<size_t>(p - text);
}

// Room for any "%f" of a double (309 integer digits, sign, point, six
// decimals) and any "%d", with a trailing blank and a NUL.
constexpr size_t kVrmlNumberSize = 330;

// Writes value as "%f" does, without a NUL; returns the length.
size_t vrml_formatfixed(char *out, double value);
// vrml_formatfixed of a float, the common ones without a general conversion.
size_t vrml_formatfixed_float(char *out, float value);
// The shortest text that reads back as value, as std::to_chars(out, end,
// value) writes it, without a NUL, in at most kVrmlShortestSize bytes;
// returns the length.
constexpr size_t kVrmlShortestSize = 32;
size_t vrml_formatshortest(char *out, float value);
// Writes value as "%d" does, without a NUL; returns the length.
size_t vrml_formatint(char *out, int32_t value);

#endif
