// Stand-ins for the subsystems that are not built yet (see pending_parts.h).
// They report that nothing was done, so a load yields an empty scene.
#include "loader/pending_parts.h"

#include <cstring>

#include "loader/lexer.h"

extern "C" {

int vrml_parsebuiltinfields(vrml_context *) { return 1; }
int vrml_newscope(vrml_context *) { return -1; }
vrml_scope *vrml_getscopeentry(vrml_context *, int) { return nullptr; }
int vrml_pushscope(vrml_context *, vrml_scope *) { return -1; }
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

vrml_defentry *vrml_getdefentry(vrml_deftable *table, int index) {
    if (!table || index < 0) return nullptr;
    // The DEF entries are the table's first member, a list.
    const vrml_listitem *item = reinterpret_cast<const vrml_list *>(table)->first;
    for (; item && index > 0; --index) item = item->next;
    return item ? static_cast<vrml_defentry *>(item->data) : nullptr;
}

}
