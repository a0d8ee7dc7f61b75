// Number conversions: reading with fast_float (exact on every target; the
// 32-bit C++ runtime's own from_chars for double is not, and neither is the
// Windows C library's strtod), writing with std::to_chars. fieldnum_check
// compares them with the C library over millions of values.
#include "fields/field_numbers.h"

#include <fast_float/fast_float.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// from_chars leaves the value alone when the result is out of range. The
// matched text [b, e) is then either too large (infinity) or too small (zero)
// for the type: the decimal exponent of its leading nonzero digit tells which.
template <typename T>
T out_of_range_value(const char *b, const char *e) {
    bool negative = *b == '-';
    if (negative) ++b;
    const char *mantissa_end = b;
    while (mantissa_end < e && *mantissa_end != 'e' && *mantissa_end != 'E') ++mantissa_end;
    bool seen_point = false, found = false;
    long long int_digits = 0, frac_zeros = 0;
    for (const char *p = b; p < mantissa_end && !found; ++p) {
        if (*p == '.') {
            seen_point = true;
        } else if (!seen_point) {
            if (int_digits > 0 || *p != '0') ++int_digits;
        } else if (int_digits > 0 || *p != '0') {
            found = true;
        } else {
            ++frac_zeros;
        }
    }
    // Decimal exponent of the leading nonzero digit.
    long long lead = int_digits > 0 ? int_digits - 1 : -(frac_zeros + 1);
    long long exponent = 0;
    if (mantissa_end < e) {
        const char *x = mantissa_end + 1;
        bool exp_negative = *x == '-';
        if (*x == '-' || *x == '+') ++x;
        auto r = std::from_chars(x, e, exponent);
        if (r.ec == std::errc::result_out_of_range) exponent = std::numeric_limits<long long>::max() / 2;
        if (exp_negative) exponent = -exponent;
    }
    T magnitude = lead + exponent >= 0 ? std::numeric_limits<T>::infinity() : T(0);
    return negative ? -magnitude : magnitude;
}

template <typename T>
size_t scan_decimal(const char *text, size_t length, T *value) {
    const char *end = text + length;
    const char *p = text;
    // from_chars knows no "+": step over it, but "+-" is no number.
    if (p < end && *p == '+') ++p;
    const char *q = (p == text && p < end && *p == '-') ? p + 1 : p;
    *value = T(0);
    // A digit or a point must come first: this keeps out inf and nan.
    if (q >= end || !(is_digit(*q) || *q == '.')) return 0;
    T v{};
    auto r = fast_float::from_chars(p, end, v, fast_float::chars_format::general);
    if (r.ec == std::errc::invalid_argument) return 0;
    if (r.ec == std::errc::result_out_of_range) v = out_of_range_value<T>(p, r.ptr);
    *value = v;
    return static_cast<size_t>(r.ptr - text);
}

}  // namespace

size_t vrml_scanfloat(const char *text, size_t length, float *value) {
    return scan_decimal(text, length, value);
}

size_t vrml_scandouble(const char *text, size_t length, double *value) {
    return scan_decimal(text, length, value);
}

size_t vrml_scanint32(const char *text, size_t length, int32_t *value) {
    const char *end = text + length;
    const char *p = text;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    *value = 0;
    int base = 10;
    if (p < end && *p == '0') {
        base = 8;
        // "0x" counts only when a hexadecimal digit follows; otherwise the
        // 0 alone is the number.
        if (end - p > 2 && (p[1] == 'x' || p[1] == 'X')) {
            char h = p[2];
            if (is_digit(h) || (h >= 'a' && h <= 'f') || (h >= 'A' && h <= 'F')) {
                base = 16;
                p += 2;
            }
        }
    }
    unsigned long long magnitude = 0;
    auto r = std::from_chars(p, end, magnitude, base);
    if (r.ec == std::errc::invalid_argument) return 0;
    const unsigned long long limit = negative ? 2147483648ULL : 2147483647ULL;
    if (r.ec == std::errc::result_out_of_range || magnitude > limit) magnitude = limit;
    *value = negative ? static_cast<int32_t>(-static_cast<long long>(magnitude))
                      : static_cast<int32_t>(magnitude);
    return static_cast<size_t>(r.ptr - text);
}

size_t vrml_formatfixed(char *out, double value) {
    if (!std::isfinite(value)) {
        // "inf", "-inf", "nan", "-nan": as the C library writes them.
        int n = std::snprintf(out, kVrmlNumberSize, "%f", value);
        return n > 0 ? static_cast<size_t>(n) : 0;
    }
    auto r = std::to_chars(out, out + kVrmlNumberSize, value, std::chars_format::fixed, 6);
    return static_cast<size_t>(r.ptr - out);
}

namespace {

constexpr uint64_t kPow10[] = {1ull,
                               10ull,
                               100ull,
                               1000ull,
                               10000ull,
                               100000ull,
                               1000000ull,
                               10000000ull,
                               100000000ull,
                               1000000000ull,
                               10000000000ull,
                               100000000000ull,
                               1000000000000ull,
                               10000000000000ull,
                               100000000000000ull,
                               1000000000000000ull,
                               10000000000000000ull,
                               100000000000000000ull,
                               1000000000000000000ull,
                               10000000000000000000ull};

// The decimal digits of q (1 to 20): from its bits (1233 / 4096 is just
// above log10(2)), one more when that falls short.
inline int digit_count(uint64_t q) {
    const int n = (std::bit_width(q | 1) * 1233) >> 12;
    return n + (n < 20 && q >= kPow10[n]);
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// A finite float as m * 2^e with m an integer below 2^24 (0 for zero).
struct FloatParts {
    bool negative;
    uint32_t m;
    int e;
};

FloatParts parts_of(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const uint32_t biased = bits >> 23 & 0xFF, fraction = bits & 0x7FFFFF;
    if (biased == 0) return {bits >> 31 != 0, fraction, -149};
    return {bits >> 31 != 0, fraction | 0x800000u, static_cast<int>(biased) - 150};
}

// Writes the digits digits of q (zeros in front when it has fewer), a point
// before its last decimals of them when decimals > 0; returns the end.
template <typename U>
char *put_digits_of(char *out, U q, int digits, int decimals) {
    char *const end = out + digits + (decimals > 0);
    char *p = end;
    int left = decimals;
    for (; left >= 2; left -= 2, q /= 100) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * (q % 100), 2);
    }
    if (left) {
        *--p = static_cast<char>('0' + q % 10);
        q /= 10;
    }
    if (decimals > 0) *--p = '.';
    for (; p - out >= 2; q /= 100) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * (q % 100), 2);
    }
    if (p > out) *--p = static_cast<char>('0' + q % 10);
    return end;
}

// The eight decimal digits of v below 10^8 (zeros in front) as text, in
// reading order: halves of four digits, then pairs, then digits, all in one
// word and without a branch.
uint64_t eight_digits_text(uint32_t v) {
    const uint64_t halves = (v / 10000) | (uint64_t{v % 10000} << 32);
    const uint64_t high_pairs = ((halves * 10486) >> 20) & ((uint64_t{0x7F} << 32) | 0x7F);  // each / 100
    const uint64_t pairs = ((halves - 100 * high_pairs) << 16) + high_pairs;
    uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000Full;  // each / 10
    tens += (pairs - 10 * tens) << 8;
    const uint64_t text = tens + 0x3030303030303030ull;
    if constexpr (std::endian::native != std::endian::little) return __builtin_bswap64(text);
    return text;
}

// The same with a sign before all when negative. Up to 16 digits, the text
// is made whole and placed with two 16-byte copies: up to 34 bytes from out
// are written whatever the text's length.
char *put_digits(char *out, bool negative, uint64_t q, int digits, int decimals) {
    *out = '-';
    out += negative;
    if (digits <= 16) {  // then q < 10^16
        // Most numbers have at most eight digits: the high half is zeros.
        const bool short_text = q < 100000000;
        const uint64_t high =
            short_text ? 0x3030303030303030ull : eight_digits_text(static_cast<uint32_t>(q / 100000000));
        const uint64_t low = eight_digits_text(static_cast<uint32_t>(short_text ? q : q % 100000000));
        char *const point = out + (digits - decimals);
        char text[32] = {};
        std::memcpy(text, &high, 8);
        std::memcpy(text + 8, &low, 8);
        std::memcpy(out, text + 16 - digits, 16);
        if (decimals <= 0) return point;
        *point = '.';
        std::memcpy(point + 1, text + 16 - decimals, 16);
        return point + 1 + decimals;
    }
    if (q <= UINT32_MAX) return put_digits_of(out, static_cast<uint32_t>(q), digits, decimals);
    return put_digits_of(out, q, digits, decimals);
}

}  // namespace

// A float's "%f" with integers when its six-decimal scaling fits 64 bits
// (every float below 2^40): the exact value times 10^6 rounded half to
// even, as std::to_chars rounds.
size_t vrml_formatfixed_float(char *out, float value) {
    const FloatParts f = parts_of(value);
    if (!std::isfinite(value) || f.e > 16) return vrml_formatfixed(out, static_cast<double>(value));
    uint64_t q = 0;  // below 2^-45 a float is nearer to 0 than to 10^-6
    if (f.e >= 0) {
        q = (uint64_t{f.m} << f.e) * 1000000u;
    } else if (const int k = -f.e; k <= 45) {
        const uint64_t scaled = uint64_t{f.m} * 1000000u;  // below 2^44
        const uint64_t rest = scaled & ((uint64_t{1} << k) - 1), half = uint64_t{1} << (k - 1);
        q = scaled >> k;
        q += rest > half || (rest == half && (q & 1));
    }
    const int digits = std::max(digit_count(q), 7);  // "0.000000" at least
    return static_cast<size_t>(put_digits(out, f.negative, q, digits, 6) - out);
}

// The shortest text that reads back as value, as std::to_chars writes it,
// found with integers for floats below 2^23 whose text has at most eleven
// decimals and is shorter in fixed notation; the rest, to_chars itself.
// For each count of decimals d from 0 up, the reals that read back as
// value times 10^d form an interval; the first d whose interval holds an
// integer gives the digits, the integer nearest to value * 10^d.
size_t vrml_formatshortest(char *out, float value) {
    const FloatParts f = parts_of(value);
    const int k = 2 - f.e;  // value = 4m / 2^k
    // Below 2^-36 a text needs more than eleven decimals.
    if (f.m == 0 || f.e >= 0 || k >= 62 || !std::isfinite(value))
        return static_cast<size_t>(std::to_chars(out, out + kVrmlFloatRoom, value).ptr - out);
    // The reals that read back as value lie within half a unit in the last
    // place of it (a quarter below a power of two), the ends included when
    // m is even. Over the floats taken here (all of them compared with
    // std::to_chars) neither the ends nor the narrower gap ever decide the
    // digits: the interval is [4m - 2, 4m + 2] in quarter units. The
    // integers in it times 10^d are those from (lo + ones) >> k to hi >> k.
    const uint64_t ones = (uint64_t{1} << k) - 1;
    const uint64_t m4 = uint64_t{f.m} * 4;
    uint64_t lo = m4 - 2, hi = m4 + 2;
    int d = 0;
    // Each step times ten; below 2^26 * 10^11 < 2^63: no overflow.
    while (((lo + ones) >> k) > (hi >> k)) {
        if (++d > 11) return static_cast<size_t>(std::to_chars(out, out + kVrmlFloatRoom, value).ptr - out);
        lo *= 10, hi *= 10;
    }
    // The one nearest to value * 10^d (ties to even): in the interval, as
    // the interval is centred on it.
    const uint64_t mid = m4 * kPow10[d];
    uint64_t q = mid >> k;
    const uint64_t rest = mid & ones, half = uint64_t{1} << (k - 1);
    q += rest > half || (rest == half && (q & 1));
    // Fixed notation unless scientific is shorter (ties go to fixed). With
    // d > 0, q ends in a nonzero digit (else q / 10 would do with d - 1
    // decimals): only a whole number's zeros can be cut.
    const int digits = digit_count(q);
    int significant = digits;
    if (d == 0)
        for (uint64_t t = q; t % 10 == 0; t /= 10) --significant;  // q > 0: ends
    const int shown = std::max(digits, d + 1);  // "0.00d" when q < 10^d
    const int fixed = shown + (d > 0);
    const int scientific = significant + (significant > 1) + 4;  // "e-XX": two digits for floats
    if (scientific < fixed)
        return static_cast<size_t>(std::to_chars(out, out + kVrmlFloatRoom, value).ptr - out);
    return static_cast<size_t>(put_digits(out, f.negative, q, shown, d) - out);
}

size_t vrml_formatint(char *out, int32_t value) {
    auto r = std::to_chars(out, out + kVrmlNumberSize, value);
    return static_cast<size_t>(r.ptr - out);
}
