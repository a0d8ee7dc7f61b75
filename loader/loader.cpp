// The loader entry points and the top-level statement loop.
#include "loader/loader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "loader/context_private.h"
#include "loader/lexer.h"
#include "native/native_internal.h"
#include "release/release_internal.h"
#include "vrml_parser.h"
#include "vrml_writer.h"
#include "loader/report.h"
#include "vrml_fields.h"
#include "vrml_native.h"

int vrml_get_magic(vrml_stream *in) {
    char line[1024];
    if (!in->stream_gets(in, line, sizeof line)) {
        vrml_problem(nullptr, in, 0, "vrml_get_magic: Can't read file\n");
        return -1;
    }
    if (std::strncmp(line, "#VRML V2.0 utf8", 15) == 0) return 1;
    vrml_problem(nullptr, in, 0, "vrml_get_magic: Unrecognized file type\n");
    return -1;
}

vrml_context *vrml_newcontext(vrml_stream *in, vrml_stream *out) {
    auto *ctx = static_cast<vrml_context *>(vrml_malloc(sizeof(vrml_context)));
    if (!ctx) return nullptr;
    auto *root = static_cast<vrml_mfnode *>(vrml_malloc(sizeof(vrml_mfnode)));
    if (!root) {
        std::free(ctx);
        return nullptr;
    }
    ctx->in = in;
    ctx->out = out;
    ctx->protoindex = -1;
    // The root list belongs to the context from the start, so that a scene
    // left by a jump out of vrml_fatal_err releases it too.
    ctx->root = root;
    if (!vrml_context_newprivate(ctx)) {
        std::free(root);
        std::free(ctx);
        return nullptr;
    }
    return ctx;
}

void vrml_loadcontext(vrml_context *ctx) {
    vrml_parsebuiltinfields(ctx);
    // Without scope 0 no statement can be read.
    if (vrml_newscope(ctx) < 0 || vrml_pushscope(ctx, vrml_getscopeentry(ctx, 0)) < 0) {
        vrml_problem_nomem(ctx, nullptr);
        return;
    }
    vrml_nativeinit(ctx);
    vrml_get_MFNodeList(ctx, ctx->root);
    vrnrt_oninitialupdate(ctx);
    if (ctx->scopes.count > 0) vrml_createroutetree(vrml_getscopeentry(ctx, 0));
}

namespace {

// VRML_LOAD_CHECKS: the first line, looked at and pushed back.
void check_header(vrml_context *ctx) {
    vrml_stream *in = ctx->in;
    char line[1024];
    int n = in->stream_gets(in, line, sizeof line);
    bool header = n && std::strncmp(line, "#VRML V2.0 utf8", 15) == 0;
    for (size_t i = n ? std::strlen(line) : 0; i > 0; --i)
        in->stream_ungetc(in, static_cast<unsigned char>(line[i - 1]));
    if (!header)
        vrml_problem(ctx, nullptr, 0, "not a VRML97 world: the first line is not \"#VRML V2.0 utf8\"");
}

// VRML_LOAD_CHECKS: the first word left unread, if any.
void check_rest(vrml_context *ctx) {
    vrml_stream *in = ctx->in;
    if (!vrml_skipspace(in)) return;
    int c = in->stream_getc(in);
    if (c < 0) return;
    char word[41];
    int n = 0;
    for (; n < 40 && c >= 0 && !vrml_isblank(c); c = in->stream_getc(in)) word[n++] = static_cast<char>(c);
    word[n] = '\0';
    vrml_problem(ctx, nullptr, 0, "reading stopped here, at \"%s\"; the rest of the input was not read", word);
}

}  // namespace

extern "C" {

ZEBVRML2_API vrml_context *vrmlutil_loadscene(vrml_stream *in, vrml_stream *out) {
    vrml_context *ctx = vrml_newcontext(in, out);
    if (ctx) vrml_loadcontext(ctx);
    return ctx;
}

ZEBVRML2_API vrml_context *vrmlutil_loadsceneex(vrml_stream *in, vrml_stream *out, uint32_t options,
                                                vrml_context *volatile *started) {
    vrml_context *ctx = vrml_newcontext(in, out);
    if (!ctx) return nullptr;
    vrml_context_private(ctx, false)->options = options;
    if (started) *started = ctx;
    if (options & VRML_LOAD_CHECKS) check_header(ctx);
    vrml_loadcontext(ctx);
    if (options & VRML_LOAD_CHECKS) check_rest(ctx);
    return ctx;
}

ZEBVRML2_API vrml_context *vrmlutil_loadscenecc(const char *filename, int mode) {
    auto *in = static_cast<vrml_stream *>(vrml_malloc(sizeof(vrml_stream)));
    auto *out = static_cast<vrml_stream *>(vrml_malloc(sizeof(vrml_stream)));
    if (!in || !out || zeb_initfilename(in, filename, "r") < 0) {
        std::free(in);
        std::free(out);
        return nullptr;
    }
    if (mode != 0) zeb_initfilename(out, filename, "w");
    else zeb_initfilestream(out, stderr);
    vrml_context *ctx = vrmlutil_loadscene(in, out);
    if (ctx) vrml_scene_ownstreams(ctx, in, out);
    if (!ctx) {
        in->stream_close(in);
        out->stream_close(out);
        std::free(in);
        std::free(out);
    }
    return ctx;
}

ZEBVRML2_API int vrml_loadFile(vrml_context *ctx, vrml_mfnode *list) {
    if (vrml_get_magic(ctx->in) < 0) return -1;
    return vrml_get_MFNodeList(ctx, list);
}

ZEBVRML2_API int vrml_get_MFNodeList(vrml_context *ctx, vrml_mfnode *list) {
    vrml_stream *in = ctx->in;
    if (in->stream_eof(in)) return list->count;
    for (;;) {
        if (vrml_expect_string(in, "}")) {
            in->stream_ungetc(in, '}');
            return list->count;
        }
        if (vrml_expect_string(in, "]")) {
            in->stream_ungetc(in, ']');
            return list->count;
        }
        vrml_field *value = vrml_allocfield(VRML_SFNODE);
        if (!value) vrml_fatal_err("vrml_get_mfnodelist: No mem\n");
        if (vrml_get_SFNode(ctx, value) < 0) {
            std::free(value);
            return list->count;
        }
        if (vrml_listappend(&list->nodes, value) < 0) vrml_fatal_err("vrml_get_mfnode: No mem\n");
        ++list->count;
        if (in->stream_eof(in)) return list->count;
    }
}

}  // extern "C"
