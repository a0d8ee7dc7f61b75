// libFuzzer target: loads arbitrary bytes as a world from a string stream,
// prints the scene into a memory stream and releases it. A fatal condition
// jumps back here through the fatal handler, and the half-read scene is
// released all the same, so fuzzing goes on.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "loader/loader.h"
#include "zebvrml2.h"

namespace {

std::jmp_buf g_fatal;

[[noreturn]] void on_fatal(void *, const char *) { std::longjmp(g_fatal, 1); }

// The whole scene as zebvrml print writes it.
void print_scene(vrml_context *ctx) {
    vrml_stream *out = ctx->out;
    out->stream_printf(out, "#VRML V2.0 utf8\n");
    vrml_print_PROTOS(ctx);
    for (vrml_listitem *it = ctx->root->nodes.first; it; it = it->next) {
        out->stream_iprintf(out, "");
        vrml_print_SFNode(ctx, static_cast<vrml_field *>(it->data));
    }
    vrml_print_ROUTE(ctx, vrml_getscopeentry(ctx, 0));
}

void release_scene(vrml_context *ctx) {
    vrnrt_deletepc(reinterpret_cast<uintptr_t>(ctx));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    vrml_setfatalhandler(on_fatal, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 1 << 20) return 0;
    vrml_stream in, out;
    std::memset(&in, 0, sizeof in);
    std::memset(&out, 0, sizeof out);
    zeb_initstringstream(&in, reinterpret_cast<const char *>(data), static_cast<int>(size));
    zeb_initbufferstream(&out);
    vrml_context *volatile ctx = vrml_newcontext(&in, &out);
    if (ctx) {
        if (setjmp(g_fatal) == 0) {
            vrml_loadcontext(ctx);
            print_scene(ctx);
        }
        release_scene(ctx);
    }
    out.stream_close(&out);
    in.stream_close(&in);
    return 0;
}
