// libFuzzer target: loads arbitrary bytes as a world from a string stream
// (leniently when their count is odd),
// prints the scene into a memory stream and releases it. A fatal condition
// jumps back here through the fatal handler, and the half-read scene is
// released all the same, so fuzzing goes on.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "loader/context_private.h"
#include "loader/loader.h"
#include "tools/zebvrml/scene_print.h"
#include "zebvrml2.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define ZEBVRML2_FUZZ_LEAKS 1
#endif
#endif
#ifndef ZEBVRML2_FUZZ_LEAKS
#define ZEBVRML2_FUZZ_LEAKS 0
#endif

namespace {

constexpr int32_t kNodeLimit = 20000;

std::jmp_buf g_fatal;

[[noreturn]] void on_fatal(void *, const char *) { std::longjmp(g_fatal, 1); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    vrml_setfatalhandler(on_fatal, nullptr);
    // Small inputs can ask for exponentially many nodes (nested Scripts,
    // prototypes instancing prototypes); the limit keeps each run short and
    // puts the paths past the limit under the fuzzer too.
    vrml_setnodelimit(nullptr, kNodeLimit);
    return 0;
}

namespace {

// Loads, prints and unloads one input; true when it ended through the fatal
// exit.
bool run_one(const uint8_t *data, size_t size) {
    vrml_stream in, out;
    std::memset(&in, 0, sizeof in);
    std::memset(&out, 0, sizeof out);
    zeb_initstringstream(&in, reinterpret_cast<const char *>(data), static_cast<int>(size));
    zeb_initbufferstream(&out);
    volatile bool fatal = false;
    vrml_context *volatile ctx = vrml_newcontext(&in, &out);
    // An odd-sized input is loaded leniently.
    if (ctx && (size & 1)) vrml_context_private(ctx, false)->options = VRML_LOAD_LENIENT;
    if (ctx) {
        if (setjmp(g_fatal) == 0) {
            vrml_loadcontext(ctx);
            tool_print_scene(ctx);
        } else {
            fatal = true;
        }
        vrmlutil_unloadscene(ctx);
    }
    out.stream_close(&out);
    in.stream_close(&in);
    return fatal;
}

}  // namespace

// Leak detection: a jump out of vrml_fatal_err leaves behind what the frames
// it skipped held (a record being read, a declaration's members), which no
// release can find. So each input first runs with the leak checker blind to
// its blocks, and only an input that ends without a fatal condition runs
// again with every block watched: the whole scene must go with the unload.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 1 << 20) return 0;
#if ZEBVRML2_FUZZ_LEAKS
    __lsan_disable();
    bool fatal = run_one(data, size);
    __lsan_enable();
    if (!fatal) run_one(data, size);
#else
    run_one(data, size);
#endif
    return 0;
}
