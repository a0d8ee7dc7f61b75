// The peer comparison: loads and prints one world with this library and reads
// and writes it with Coin3D (SoDB::readAll, SoWriteAction with a VRML 2.0
// header), alternating in one process so that both see the same machine
// state. Built only when Coin3D's development files are installed.
//
//   coin_bench FILE
//
// Prints one line of tab-separated fields: name, MB, load s, Coin read s,
// load/read, print s, Coin write s, print/write. Each time is the best of
// five: the shared machine's slow spells last seconds.
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoOutput.h>
#include <Inventor/actions/SoWriteAction.h>
#include <Inventor/nodes/SoSeparator.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/zebvrml/scene_print.h"
#include "zebvrml2.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void quiet(void *, vrml_context *, int32_t, int, int, const char *) {}

vrml_context *load(const char *path, vrml_stream *in, vrml_stream *out, double *seconds) {
    auto start = Clock::now();
    zeb_initfilename(in, path, "r");
    zeb_initbufferstream(out);
    vrml_context *ctx = vrmlutil_loadscene(in, out);
    *seconds = seconds_since(start);
    return ctx;
}


SoSeparator *coin_read(const char *path, double *seconds) {
    auto start = Clock::now();
    SoInput in;
    SoSeparator *root = nullptr;
    if (in.openFile(path)) root = SoDB::readAll(&in);
    *seconds = seconds_since(start);
    if (root) root->ref();
    return root;
}

void *grow_buffer(void *buffer, size_t size) { return std::realloc(buffer, size); }

double coin_write(SoSeparator *root, size_t *bytes) {
    SoOutput out;
    out.setHeaderString("#VRML V2.0 utf8");
    out.setBuffer(std::malloc(1 << 20), 1 << 20, grow_buffer);
    auto start = Clock::now();
    SoWriteAction write(&out);
    write.apply(root);
    double s = seconds_since(start);
    void *buffer = nullptr;
    out.getBuffer(buffer, *bytes);
    std::free(buffer);
    return s;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: coin_bench FILE\n");
        return 2;
    }
    const char *path = argv[1];
    SoDB::init();
    vrml_setloghandler(quiet, nullptr);
    double load_s = 1e9, read_s = 1e9, print_s = 1e9, write_s = 1e9;
    size_t printed = 0, written = 0;
    for (int round = 0; round < 5; ++round) {
        double s;
        vrml_stream in{}, out{};
        vrml_context *ctx = load(path, &in, &out, &s);
        load_s = std::min(load_s, s);
        zeb_resetbuffer(&out);
        auto start = Clock::now();
        tool_print_scene(ctx);
        print_s = std::min(print_s, seconds_since(start));
        zeb_getbuffer(&out, &printed);
        vrmlutil_unloadscene(ctx);
        in.stream_close(&in);
        out.stream_close(&out);
        SoSeparator *root = coin_read(path, &s);
        if (!root) {
            std::fprintf(stderr, "coin_bench: Coin3D could not read %s\n", path);
            return 1;
        }
        read_s = std::min(read_s, s);
        write_s = std::min(write_s, coin_write(root, &written));
        root->unref();
    }
    FILE *f = std::fopen(path, "rb");
    long size = 0;
    if (f && std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    if (f) std::fclose(f);
    const char *name = std::strrchr(path, '/');
    std::printf("%s\t%.2f\t%.4f\t%.4f\t%.2f\t%.4f\t%.4f\t%.2f\n", name ? name + 1 : path,
                static_cast<double>(size) / 1e6, load_s, read_s, load_s / read_s, print_s, write_s,
                print_s / write_s);
    std::fprintf(stderr, "printed %zu bytes, Coin3D wrote %zu\n", printed, written);
    return 0;
}
