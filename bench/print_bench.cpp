// Loads one world once and prints it again and again into a buffer stream,
// for a profiler to see the print path alone:
//
//   print_bench FILE [printers|writer] [TIMES]
//
// printers: the node printers ("%f" numbers); writer: vrmlutil_writescene
// (the shortest form). Prints the best time and the output MB/s.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/zebvrml/scene_print.h"
#include "zebvrml2.h"

namespace {

void quiet(void *, vrml_context *, int32_t, int, int, const char *) {}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: print_bench FILE [printers|writer] [TIMES]\n");
        return 2;
    }
    const bool writer = argc > 2 && std::strcmp(argv[2], "writer") == 0;
    const int times = argc > 3 ? std::atoi(argv[3]) : 20;
    vrml_setloghandler(quiet, nullptr);
    auto *in = static_cast<vrml_stream *>(std::calloc(1, sizeof(vrml_stream)));
    auto *out = static_cast<vrml_stream *>(std::calloc(1, sizeof(vrml_stream)));
    if (zeb_initfilename(in, argv[1], "r") != 0) {
        std::fprintf(stderr, "print_bench: cannot open %s\n", argv[1]);
        return 1;
    }
    zeb_initbufferstream(out);
    vrml_context *ctx = vrmlutil_loadscene(in, out);
    double best = 1e9;
    size_t bytes = 0;
    for (int i = 0; i < times; ++i) {
        zeb_resetbuffer(out);
        auto start = std::chrono::steady_clock::now();
        if (writer) vrmlutil_writescene(ctx, nullptr, 0);
        else tool_print_scene(ctx);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        zeb_getbuffer(out, &bytes);
    }
    std::printf("%s\t%.2f MB\t%.4f s\t%.1f MB/s\n", writer ? "writer" : "printers",
                static_cast<double>(bytes) / 1e6, best, static_cast<double>(bytes) / 1e6 / best);
    return 0;
}
