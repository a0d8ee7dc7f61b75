// Number conversions: reading with fast_float (exact on every target; the
// 32-bit C++ runtime's own from_chars for double is not, and neither is the
// Windows C library's strtod), writing with std::to_chars. fieldnum_check
// compares them with the C library over millions of values.
#include "fields/field_numbers.h"

#include <fast_float/fast_float.h>

#include <charconv>
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

size_t vrml_formatint(char *out, int32_t value) {
    auto r = std::to_chars(out, out + kVrmlNumberSize, value);
    return static_cast<size_t>(r.ptr - out);
}
