// Loads one world from memory and unloads it again, many times in one
// process, and prints the resident memory as it goes: a scene that leaves
// anything behind makes it climb.
//
// unload_bench FILE [COUNT [MAX_GROWTH_KB]]
// COUNT loads (default 10000). With MAX_GROWTH_KB, exits 1 when the
// resident memory after the last load exceeds the one after the first tenth
// by more than that.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "zebvrml2.h"

namespace {

long resident_kb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    if (!(statm >> size >> resident)) return -1;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void quiet(void *, vrml_context *, int32_t, int, int, const char *) {}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: unload_bench FILE [COUNT [MAX_GROWTH_KB]]\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    std::stringstream buffer;
    buffer << file.rdbuf();
    const std::string text = buffer.str();
    if (!file || text.empty()) {
        std::fprintf(stderr, "%s: cannot read\n", argv[1]);
        return 2;
    }
    const long count = argc > 2 ? std::atol(argv[2]) : 10000;
    const long limit = argc > 3 ? std::atol(argv[3]) : -1;
    vrml_setloghandler(quiet, nullptr);
    // EXTERNPROTO members are listed on standard output while loading.
    if (!std::freopen("/dev/null", "w", stdout)) return 2;

    long base = -1, first = -1, nodes = 0;
    for (long i = 1; i <= count; ++i) {
        vrml_stream in{}, out{};
        zeb_initstringstream(&in, text.data(), static_cast<int>(text.size()));
        zeb_initstringstream(&out, nullptr, 0);
        vrml_context *ctx = vrmlutil_loadscene(&in, &out);
        if (!ctx) {
            std::fprintf(stderr, "load %ld failed\n", i);
            return 2;
        }
        nodes = ctx->allnodes.count;
        vrmlutil_unloadscene(ctx);
        in.stream_close(&in);
        out.stream_close(&out);
        if (i == 1) first = resident_kb();
        if (i == count / 10 || (count < 10 && i == 1)) base = resident_kb();
        if (i == 1 || i % (count / 10 > 0 ? count / 10 : 1) == 0)
            std::fprintf(stderr, "%8ld loads: resident %ld kB\n", i, resident_kb());
    }
    long last = resident_kb();
    std::fprintf(stderr, "%s: %ld nodes a load, %ld loads; resident after the first %ld kB, "
                         "after a tenth %ld kB, at the end %ld kB (%+ld kB)\n",
                 argv[1], nodes, count, first, base, last, last - base);
    return limit >= 0 && last - base > limit ? 1 : 0;
}
