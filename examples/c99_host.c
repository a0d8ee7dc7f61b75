/* A small C99 host: loads a world given on the command line and reports how
 * many root nodes it holds. Built against the public headers only. */
#include <stdio.h>
#include <stdlib.h>

#include "zebvrml2.h"

static void on_log(void *user, vrml_context *ctx, int32_t code, int line, int severity,
                   const char *message) {
    (void)user;
    (void)ctx;
    fprintf(stderr, "line %d (code 0x%x, %s): %s", line, (unsigned)code,
            severity == VRML_LOG_PROBLEM ? "problem" : "notice", message);
}

int main(int argc, char **argv) {
    vrml_stream *in, *out;
    vrml_context *ctx;
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    vrml_setloghandler(on_log, NULL);
    in = (vrml_stream *)vrml_malloc(sizeof *in);
    out = (vrml_stream *)vrml_malloc(sizeof *out);
    if (!in || !out || zeb_initfilename(in, argv[1], "r") < 0) {
        fprintf(stderr, "cannot open %s\n", argv[1]);
        free(in);
        free(out);
        return 2;
    }
    zeb_initfilestream(out, stdout);
    ctx = vrmlutil_loadscene(in, out);
    if (!ctx) return 3;
    printf("%s: %d root nodes\n", argv[1], ctx->root ? (int)ctx->root->count : 0);
    vrml_deletebuiltinfields(ctx); /* the process's last scene */
    vrmlutil_unloadscene(ctx);
    in->stream_close(in);
    out->stream_close(out);
    free(in);
    free(out);
    return 0;
}
