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
#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <cstring>

size_t vrml_scanfloat(const char *text, size_t length, float *value);
size_t vrml_scandouble(const char *text, size_t length, double *value);
size_t vrml_scanint32(const char *text, size_t length, int32_t *value);

// vrml_scanfloat and vrml_scanint32 with the forms of nearly every world
// converted inline, for the readers of long number lists, where the general
// conversion's own cost was half the load. A float of an optional minus,
// digits with an optional point and an optional exponent of up to four
// digits, at most 19 digits in all, is m * 10^e with m an integer: where
// registers are no wider than double, m up to 2^53 and e within 22 of 0 go
// through one double product, whose float is the decimal's unless a float
// half-way point lies within its error; elsewhere m up to 2^24 and e within
// 10 go through one float product or quotient of exact operands, which
// rounds once. An integer of an optional minus and one to seven decimal
// digits without a leading zero. Any other form, a half-way case or a
// rounding mode other than to nearest goes to the general conversion.
inline bool vrml_rounds_to_nearest() {
    static volatile float smallest = 1.17549435e-38f;
    const float tiny = smallest;
    return tiny + 1.0f == 1.0f - tiny;
}

// Eight bytes at p in reading order: the first in the lowest byte.
[[gnu::always_inline]] inline uint64_t vrml_eight_bytes(const char *p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    if constexpr (std::endian::native != std::endian::little) w = __builtin_bswap64(w);
    return w;
}

// How many decimal digits begin the eight bytes w (0 to 8). A byte is a
// digit when its high nibble is 3 and adding 6 leaves it 3: such bytes
// become zero here. A carry out of a byte of 0xFA or more only changes
// bytes after that one, which is no digit.
[[gnu::always_inline]] inline int vrml_digit_count(uint64_t w) {
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    const uint64_t other = ((w & (0xF0 * kOnes)) | (((w + 0x06 * kOnes) & (0xF0 * kOnes)) >> 4)) ^ (0x33 * kOnes);
    return other ? __builtin_ctzll(other) / 8 : 8;
}

// The first n digit bytes of w (1 to 8) as digit values in the top n bytes,
// zeros below.
[[gnu::always_inline]] inline uint64_t vrml_digits_on_top(uint64_t w, int n) {
    return (w & (0x0F * 0x0101010101010101ull)) << (8 * (8 - n));
}

// The value of eight digit values, the first in the lowest byte: combined
// in pairs, then fours, then the two halves. No branch per digit.
[[gnu::always_inline]] inline uint32_t vrml_eight_digits_value(uint64_t d) {
    d = d * 10 + (d >> 8);
    d = (((d & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
         (((d >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >> 32;
    return static_cast<uint32_t>(d);
}

// The decimal digits that begin the eight bytes at p (0 to 8) and their
// value.
[[gnu::always_inline]] inline int vrml_leading_digits(const char *p, uint32_t *value) {
    const uint64_t w = vrml_eight_bytes(p);
    const int n = vrml_digit_count(w);
    *value = n ? vrml_eight_digits_value(vrml_digits_on_top(w, n)) : 0;
    return n;
}

// The same for the digits at p before end: eight bytes at once where there
// are eight.
[[gnu::always_inline]] inline int vrml_digit_run(const char *p, const char *end, uint32_t *value) {
    if (end - p >= 8) return vrml_leading_digits(p, value);
    int n = 0;
    uint32_t v = 0;
    for (; n < end - p && static_cast<unsigned>(p[n] - '0') < 10; ++n) v = v * 10 + static_cast<unsigned>(p[n] - '0');
    *value = v;
    return n;
}

// nearest: vrml_rounds_to_nearest(), which a reader of a list asks once.
[[gnu::always_inline]] inline size_t vrml_scanfloat_inline(const char *text, size_t length, float *value,
                                                          bool nearest) {
    static constexpr uint64_t kScales[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    const char *const end = text + length;
    const char *const digits = text + (length > 0 && *text == '-');
    const char *p = digits;
    uint64_t m = 0;
    int count = 0, decimals = 0;
    // The digits from p on, added to m: their count, or -1 past 19 digits.
    auto take = [&]() {
        int taken = 0;
        for (;;) {
            uint32_t run;
            const int n = vrml_digit_run(p, end, &run);
            if (count + n > 19) return -1;
            m = m * kScales[n] + run;
            count += n, taken += n, p += n;
            if (n < 8) return taken;
        }
    };
    // The common shape first, without loops: up to seven digits, maybe a
    // point and up to seven decimals, no exponent, with room to read eight
    // bytes twice.
    bool shaped = false;
    if (end - digits >= 17) {
        const uint64_t w = vrml_eight_bytes(digits);
        const int n = vrml_digit_count(w);
        const char *q = digits + n;
        uint64_t w2 = 0;
        int n2 = 0;
        if (n < 8 && *q == '.') {
            w2 = vrml_eight_bytes(q + 1);
            n2 = vrml_digit_count(w2);
            q += 1 + n2;
        }
        if (n < 8 && n2 < 8 && n + n2 > 0 && *q != 'e' && *q != 'E') {
            // Up to eight digits in all (nearly always) are one word: the
            // whole part's digits then the decimals'.
            const uint64_t whole = n ? vrml_digits_on_top(w, n) : 0;
            const uint64_t part = n2 ? vrml_digits_on_top(w2, n2) : 0;
            if (n + n2 <= 8)
                m = vrml_eight_digits_value((whole >> (8 * n2)) | part);
            else
                m = uint64_t{vrml_eight_digits_value(whole)} * kScales[n2] + vrml_eight_digits_value(part);
            count = n + n2, decimals = n2, p = q;
            shaped = true;
        }
    }
    if (!shaped) {
        if (take() < 0) return vrml_scanfloat(text, length, value);
        if (p < end && *p == '.') {
            ++p;
            decimals = take();
            if (decimals < 0) return vrml_scanfloat(text, length, value);
        }
        if (count == 0) return vrml_scanfloat(text, length, value);
    }
    int exponent = 0;
    if (!shaped && p < end && (*p == 'e' || *p == 'E')) {
        // Part of the number only with a digit (after an optional sign).
        const char *q = p + 1;
        const bool negative = q < end && *q == '-';
        if (q < end && (*q == '-' || *q == '+')) ++q;
        if (q < end && static_cast<unsigned>(*q - '0') < 10) {
            const char *first = q;
            for (; q < end && q - first < 4 && static_cast<unsigned>(*q - '0') < 10; ++q)
                exponent = exponent * 10 + (*q - '0');
            if (q < end && static_cast<unsigned>(*q - '0') < 10) return vrml_scanfloat(text, length, value);
            if (negative) exponent = -exponent;
            p = q;
        }
    }
    if (!nearest) return vrml_scanfloat(text, length, value);
    const int e = exponent - decimals;
    float magnitude;
#if FLT_EVAL_METHOD == 0
    // m up to 2^53 is exact in a double; times 10^e up to 22 (exact), or
    // times the nearest double to 10^-e, the product is within two of its
    // units in the last place of the decimal (zero stays zero). The float
    // nearest to it is the decimal's unless a float half-way point is that
    // close: its 29 bits below a float's are then within 3 of 0x10000000,
    // and the general conversion decides. The common shape is always in
    // range.
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    static constexpr double kInverses[] = {1e-0,  1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                           1e-8,  1e-9,  1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15,
                                           1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22};
    if (!shaped && (m > (uint64_t{1} << 53) || e < -22 || e > 22)) return vrml_scanfloat(text, length, value);
    const double product = static_cast<double>(m) * (e < 0 ? kInverses[-e] : kPowers[e]);
    uint64_t bits;
    std::memcpy(&bits, &product, sizeof bits);
    if (static_cast<uint32_t>((bits & 0x1FFFFFFFu) - 0x10000000u + 3u) <= 6u)
        return vrml_scanfloat(text, length, value);
    magnitude = static_cast<float>(product);
#else
    // Registers wider than double round twice: floats only, where one
    // operation rounds once.
    static constexpr float kFloatPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                             1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    if (m > (uint64_t{1} << 24) || e < -10 || e > 10) return vrml_scanfloat(text, length, value);
    magnitude = e < 0 ? static_cast<float>(m) / kFloatPowers[-e] : static_cast<float>(m) * kFloatPowers[e];
#endif
    // The sign set without a branch: signs of coordinates follow no pattern.
    const uint32_t sign = static_cast<uint32_t>(digits != text) << 31;
    *value = std::bit_cast<float>(std::bit_cast<uint32_t>(magnitude) | sign);
    return static_cast<size_t>(p - text);
}

inline size_t vrml_scanfloat_inline(const char *text, size_t length, float *value) {
    return vrml_scanfloat_inline(text, length, value, vrml_rounds_to_nearest());
}

inline size_t vrml_scanint32_inline(const char *text, size_t length, int32_t *value) {
    const char *const digits = text + (length > 0 && *text == '-');
    uint32_t run;
    const int n = vrml_digit_run(digits, text + length, &run);
    const char *const p = digits + n;  // a digit never follows: n < 8 or the text ends
    if (n == 0 || n == 8 || (n > 1 && *digits == '0') || (p < text + length && (*p == 'x' || *p == 'X')))
        return vrml_scanint32(text, length, value);
    const auto magnitude = static_cast<int32_t>(run);
    const int32_t negative = -static_cast<int32_t>(digits != text);  // all ones or zero
    *value = (magnitude ^ negative) - negative;
    return static_cast<size_t>(p - text);
}

// Room for any "%f" of a double (309 integer digits, sign, point, six
// decimals) and any "%d", with a trailing blank and a NUL.
constexpr size_t kVrmlNumberSize = 330;

// Writes value as "%f" does, without a NUL; returns the length.
size_t vrml_formatfixed(char *out, double value);
// The two float writers below store whole blocks: out has room for
// kVrmlFloatRoom bytes, whatever the text's length (at most 47 bytes).
constexpr size_t kVrmlFloatRoom = 48;
// vrml_formatfixed of a float, the common ones without a general conversion.
size_t vrml_formatfixed_float(char *out, float value);
// The shortest text that reads back as value, as std::to_chars(out, end,
// value) writes it, without a NUL (at most 15 bytes); returns the length.
size_t vrml_formatshortest(char *out, float value);
// Writes value as "%d" does, without a NUL; returns the length.
size_t vrml_formatint(char *out, int32_t value);

#endif
