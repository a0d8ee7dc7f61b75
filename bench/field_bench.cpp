// Reads and prints large MFVec3f, MFInt32 and MFFloat values and reports the
// text throughput (MB/s) next to the C library's own strtof/strtol and
// printf on the same numbers. field_bench [elements, default 1000000]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fields/field_internal.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double mbps(size_t bytes, double seconds) { return static_cast<double>(bytes) / 1e6 / seconds; }

struct Streams {
    vrml_stream in{};
    vrml_stream out{};
    vrml_context ctx{};
    explicit Streams(const std::string &text) {
        zeb_initstringstream(&in, text.data(), static_cast<int>(text.size()));
        zeb_initbufferstream(&out);
        ctx.in = &in;
        ctx.out = &out;
    }
    ~Streams() {
        in.stream_close(&in);
        out.stream_close(&out);
    }
};

void run(const char *name, int type, const std::string &text, bool integers) {
    // The library: read the value, then print it.
    Streams s(text);
    vrml_field *value = vrml_allocfield(type);
    auto t0 = Clock::now();
    int r = vrml_parsefield[type](&s.ctx, value);
    const double read_s = seconds_since(t0);
    t0 = Clock::now();
    vrml_printfield[type](&s.ctx, value);
    const double print_s = seconds_since(t0);
    size_t printed = 0;
    zeb_getbuffer(&s.out, &printed);

    // The C library on the same numbers: strtof/strtol over the text, then
    // "%f"/"%d" into a buffer.
    t0 = Clock::now();
    std::vector<float> floats;
    std::vector<long> ints;
    const char *p = text.c_str();
    while (*p) {
        if (*p == '[' || *p == ']' || *p == ',' || *p == ' ' || *p == '\n') {
            ++p;
            continue;
        }
        char *end = nullptr;
        if (integers) ints.push_back(std::strtol(p, &end, 0));
        else floats.push_back(std::strtof(p, &end));
        p = end;
    }
    const double cread_s = seconds_since(t0);
    t0 = Clock::now();
    std::string out;
    out.reserve(printed + 64);
    char buf[400];
    for (float f : floats) out.append(buf, static_cast<size_t>(std::snprintf(buf, sizeof buf, "%f ", static_cast<double>(f))));
    for (long i : ints) out.append(buf, static_cast<size_t>(std::snprintf(buf, sizeof buf, "%ld ", i)));
    const double cprint_s = seconds_since(t0);

    std::printf("%-8s %9d elements  read %7.1f MB/s (strtof/strtol %7.1f)  print %7.1f MB/s (printf %7.1f)\n",
                name, r, mbps(text.size(), read_s), mbps(text.size(), cread_s),
                mbps(printed, print_s), mbps(out.size(), cprint_s));
    vrml_freefielddata[type](value);
}

}  // namespace

int main(int argc, char **argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 1000000;
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> coord(-1000.0f, 1000.0f);
    std::string vec3 = "[", floats = "[", ints = "[";
    char buf[128];
    for (long i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%g %g %g,\n", static_cast<double>(coord(rng)),
                      static_cast<double>(coord(rng)), static_cast<double>(coord(rng)));
        vec3 += buf;
        std::snprintf(buf, sizeof buf, "%f ", static_cast<double>(coord(rng)));
        floats += buf;
        std::snprintf(buf, sizeof buf, "%d, ", static_cast<int>(rng() % 100000) - 1);
        ints += buf;
    }
    vec3 += "]";
    floats += "]";
    ints += "]";
    run("MFVec3f", VRML_MFVEC3F, vec3, false);
    run("MFFloat", VRML_MFFLOAT, floats, false);
    run("MFInt32", VRML_MFINT32, ints, true);
    return 0;
}
