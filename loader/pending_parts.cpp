// Stand-ins for the subsystems that are not built yet (see pending_parts.h).
// They report that nothing was done, so a load yields an empty scene.
#include "loader/pending_parts.h"

#include <cstring>

#include "loader/lexer.h"

extern "C" {

vrnrt_pc *vrml_nativeinit(vrml_context *) { return nullptr; }
void vrnrt_oninitialupdate(vrml_context *) {}
int vrml_createroutetree(vrml_scope *) { return 1; }

vrml_field *vrml_parse_node(vrml_context *ctx, char *) {
    vrml_stream *in = ctx->in;
    if (in->stream_eof(in)) return nullptr;
    char word[kVrmlNameSize];
    if (!vrml_get_nodename(in, word, sizeof word)) return nullptr;
    if (std::strcmp(word, "NULL") == 0) return vrml_allocfield(VRML_SFNODE);
    vrml_ungetstring(in, word);
    return nullptr;
}

int vrml_print_node(vrml_context *ctx, vrml_node *node) {
    if (!node) return ctx->out->stream_printf(ctx->out, "NULL");
    return 0;
}

vrml_node *vrml_dupnode(vrml_context *, vrml_node *source) { return source; }

void vrml_nativeconstruct(vrml_context *, vrml_node *, int) {}

}
