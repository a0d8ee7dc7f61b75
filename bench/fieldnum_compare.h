// Compares the field number conversions with the C library's: reading with
// strtof/strtod/strtol (bit for bit, and the characters used) and writing
// with "%f"/"%d" (byte for byte). Used by fieldnum_check over millions of
// values and by the test suite over a small sample.
#ifndef ZEBVRML2_BENCH_FIELDNUM_COMPARE_H
#define ZEBVRML2_BENCH_FIELDNUM_COMPARE_H

#include <cerrno>
#include <charconv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "fields/field_numbers.h"

struct NumCheck {
    long checked = 0;
    long failed = 0;
    std::string first_failure;
    void fail(const std::string &what) {
        if (failed++ == 0) first_failure = what;
    }
};

inline void compare_float_text(NumCheck &c, const char *text) {
    const size_t n = std::strlen(text);
    char *end = nullptr;
    const float want = std::strtof(text, &end);
    float got = 0;
    const size_t used = vrml_scanfloat(text, n, &got);
    ++c.checked;
    if (used != static_cast<size_t>(end - text) || std::memcmp(&got, &want, sizeof got) != 0)
        c.fail(std::string("float read: ") + text);
    // The inline conversion, alone and with more text after a blank (as in
    // a file's window, where it reads eight bytes at a time).
    const std::string padded = std::string(text) + " 12345678901234567890";
    for (size_t length : {n, padded.size()}) {
        got = 0;
        ++c.checked;
        if (vrml_scanfloat_inline(padded.c_str(), length, &got) != used ||
            std::memcmp(&got, &want, sizeof got) != 0)
            c.fail(std::string("inline float read: ") + text);
    }
    const double wantd = std::strtod(text, &end);
    double gotd = 0;
    const size_t usedd = vrml_scandouble(text, n, &gotd);
    ++c.checked;
    if (usedd != static_cast<size_t>(end - text) || std::memcmp(&gotd, &wantd, sizeof gotd) != 0)
        c.fail(std::string("double read: ") + text);
}

inline void compare_int_text(NumCheck &c, const char *text) {
    char *end = nullptr;
    errno = 0;
    long long want = std::strtoll(text, &end, 0);
    if (want > INT32_MAX) want = INT32_MAX;
    if (want < INT32_MIN) want = INT32_MIN;
    int32_t got = 0;
    const size_t used = vrml_scanint32(text, std::strlen(text), &got);
    ++c.checked;
    if (used != static_cast<size_t>(end - text) || got != want)
        c.fail(std::string("int read: ") + text);
    const std::string padded = std::string(text) + " 12345678901234567890";
    for (size_t length : {std::strlen(text), padded.size()}) {
        got = 0;
        ++c.checked;
        if (vrml_scanint32_inline(padded.c_str(), length, &got) != used || got != want)
            c.fail(std::string("inline int read: ") + text);
    }
}

inline void compare_format(NumCheck &c, double value) {
    char want[kVrmlNumberSize], got[kVrmlNumberSize];
    std::snprintf(want, sizeof want, "%f", value);
    got[vrml_formatfixed(got, value)] = '\0';
    ++c.checked;
    if (std::strcmp(want, got) != 0) {
        char what[64];
        std::snprintf(what, sizeof what, "format %a", value);
        c.fail(what);
    }
}

inline void compare_format_int(NumCheck &c, int32_t value) {
    char want[32], got[kVrmlNumberSize];
    std::snprintf(want, sizeof want, "%d", value);
    got[vrml_formatint(got, value)] = '\0';
    ++c.checked;
    if (std::strcmp(want, got) != 0) c.fail("format int " + std::string(want));
}

// A float's own writers: "%f" as of the double, and the shortest form as
// std::to_chars writes it.
inline void compare_float_writers(NumCheck &c, float f) {
    char want[kVrmlNumberSize], got[kVrmlNumberSize];
    want[vrml_formatfixed(want, static_cast<double>(f))] = '\0';
    got[vrml_formatfixed_float(got, f)] = '\0';
    ++c.checked;
    if (std::strcmp(want, got) != 0) {
        char what[64];
        std::snprintf(what, sizeof what, "float format %a", static_cast<double>(f));
        c.fail(what);
    }
    *std::to_chars(want, want + sizeof want, f).ptr = '\0';
    got[vrml_formatshortest(got, f)] = '\0';
    ++c.checked;
    if (std::strcmp(want, got) != 0) {
        char what[64];
        std::snprintf(what, sizeof what, "shortest %a: ", static_cast<double>(f));
        c.fail(what + std::string(got));
    }
}

// Reading and writing a float and the texts around it: its shortest and
// long forms, and the exact midpoint to its neighbour above.
inline void check_float_value(NumCheck &c, float f) {
    char text[400];
    compare_format(c, static_cast<double>(f));
    compare_float_writers(c, f);
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(f));
    compare_float_text(c, text);
    std::snprintf(text, sizeof text, "%f", static_cast<double>(f));
    compare_float_text(c, text);
    const float up = std::nextafter(f, INFINITY);
    if (std::isfinite(up)) {
        const double mid = (static_cast<double>(f) + static_cast<double>(up)) / 2;
        std::snprintf(text, sizeof text, "%.160e", mid);  // exact: a halfway case
        compare_float_text(c, text);
    }
}

inline void check_hard_cases(NumCheck &c) {
    const char *texts[] = {
        "0", "-0", "+0", "0.0", "-0.0e5", ".5", "5.", "-.5e-3", "+1", "1e", "1e+", "1e-",
        "3.4028235e38", "3.4028236e38", "3.40282356779733661637539395458142568448e38",
        "3.40282357e38", "1e39", "-1e39", "1e-45", "7e-46", "7.1e-46", "1e-46", "1.17549435e-38",
        "1.1754942e-38", "1e-400", "1e400", "-1e400", "2.2250738585072011e-308",
        "2.2250738585072014e-308", "4.9406564584124654e-324", "2.4703282292062327e-324",
        "2.4703282292062328e-324", "1.7976931348623157e308", "1.7976931348623159e308",
        "0.000000000000000000000000000000000000000000000000000000000000001e60",
        "100000000000000000000000000000000000000000000000000000000000000000e-70",
        "1e99999999999999999999", "1e-99999999999999999999", "9007199254740993",
        "16777217", "16777219", "0.1", "0.2", "0.3", "3.14159265358979323846264338327950288",
        "123456789012345678901234567890123456789012345678901234567890", "1.5.6", "1e5x", "12abc",
        // Decimals whose nearest double lies half-way between two floats.
        "8.77329397201538", "4.277446985244751", "71.96283340454102", "16.12587261199951",
        "2.300317406654358", "0.702033668756485", "34.38070869445801", "32.14626121520996",
        "877329397201538e-14", "0.0877329397201538E+2", "1e", "1e+", "2E-3", "-0e5", "7e0010",
        "3e-0022", "16777216e10", "16777217e10", "9007199254740993e-22", "1.5e00000",
        // Decimals whose product with the nearest double to 10^-d lands one
        // unit away from a float half-way point.
        "3.674317717552185", "63751.22460937500", "128348.550781250", "3761833.125000000",
        "258322.476562500"};
    for (const char *t : texts) compare_float_text(c, t);
    // Every byte after digits, before and after a point: the digit tests
    // take eight bytes at once, and bytes next to the digits' codes (':',
    // '/', 0xFA and up, which carry) must end the number.
    for (int b = 1; b < 256; ++b) {
        for (const char *form : {"1%c5", "12.3%c4", "-7%c", "0.%c5", "123456%c"}) {
            char text[16];
            std::snprintf(text, sizeof text, form, b);
            compare_float_text(c, text);
            compare_int_text(c, text);
        }
    }
    const char *ints[] = {"0", "-0", "+0", "010", "08", "0x", "0x1F", "0XfF", "-0x80000000",
                          "0x80000000", "2147483647", "2147483648", "-2147483648",
                          "-2147483649", "99999999999999999999999999", "-99999999999999999999999",
                          "0xFFFFFF00", "+-1", "-", "+", "0xg", "0777", "12abc", "0x1F.5"};
    for (const char *t : ints) compare_int_text(c, t);
    const double values[] = {0.0, -0.0, 0.5, -0.5, 1e-7, -1e-7, 5e-7, 4.9999999e-7, 0.0078125,
                             -0.0078125, 0.0234375, 1.0000005, 1e15 + 0.0078125, DBL_MAX,
                             -DBL_MAX, DBL_MIN, DBL_TRUE_MIN, FLT_MAX, FLT_MIN, FLT_TRUE_MIN,
                             1e22, 9.5367431640625e-7, INFINITY, -INFINITY, NAN, -NAN};
    for (double v : values) compare_format(c, v);
    // Exact halfway cases of the sixth decimal: odd multiples of 2^-7.
    for (int i = -4096; i <= 4096; ++i) {
        compare_format(c, std::ldexp(2 * i + 1, -7));
        compare_float_writers(c, std::ldexp(static_cast<float>(2 * i + 1), -7));
    }
    // Powers of two (a narrower gap below) and their neighbours.
    for (int e = -149; e <= 127; ++e) {
        const float f = std::ldexp(1.0f, e);
        for (float g : {f, std::nextafter(f, 0.0f), std::nextafter(f, INFINITY), -f}) compare_float_writers(c, g);
    }
    for (int32_t v : {0, -1, 1, INT32_MAX, INT32_MIN, 1000000}) compare_format_int(c, v);
}

// count random cases of each kind.
inline void check_random(NumCheck &c, uint64_t start, long count) {
    std::mt19937_64 rng(start);
    char text[400];
    for (long i = 0; i < count; ++i) {
        const uint64_t bits = rng();
        // Every finite float pattern, subnormals included.
        uint32_t fb = static_cast<uint32_t>(bits);
        float f;
        std::memcpy(&f, &fb, sizeof f);
        if (std::isfinite(f)) check_float_value(c, f);
        // Doubles: every pattern for "%f", and a decimal text of random shape.
        double d;
        std::memcpy(&d, &bits, sizeof d);
        compare_format(c, d);
        const double moderate = std::ldexp(static_cast<double>(bits >> 11), -static_cast<int>(rng() % 80));
        compare_format(c, (bits & 1) ? -moderate : moderate);
        const int digits = 1 + static_cast<int>(rng() % 40);
        const int point = static_cast<int>(rng() % (digits + 1));
        int k = 0;
        if (rng() & 1) text[k++] = (rng() & 1) ? '-' : '+';
        for (int j = 0; j < digits; ++j) {
            if (j == point) text[k++] = '.';
            text[k++] = static_cast<char>('0' + rng() % 10);
        }
        if (rng() & 1) k += std::snprintf(text + k, 16, "e%d", static_cast<int>(rng() % 121) - 60);
        text[k] = '\0';
        compare_float_text(c, text);
        std::snprintf(text, sizeof text, (bits & 2) ? "%d" : "%#x", static_cast<int>(bits >> 32));
        compare_int_text(c, text);
        compare_format_int(c, static_cast<int32_t>(bits >> 32));
        // The short forms of the inline conversions and their borders: up
        // to 21 digits, leading zeros, a sign, a point anywhere, something
        // after them.
        k = 0;
        if (rng() % 3 == 0) text[k++] = "-+"[rng() % 2];
        const int shorts = static_cast<int>(rng() % 22);
        const int short_point = static_cast<int>(rng() % (shorts + 2));
        const bool zeros = rng() % 4 == 0;
        for (int j = 0; j <= shorts; ++j) {
            if (j == short_point) text[k++] = '.';
            if (j < shorts) text[k++] = static_cast<char>('0' + (zeros && j < 3 ? 0 : rng() % 10));
        }
        if (rng() % 4 == 0) text[k++] = " e.x,5"[rng() % 6];
        text[k] = '\0';
        compare_float_text(c, text);
        if (short_point > shorts) compare_int_text(c, text);
    }
}

#endif
