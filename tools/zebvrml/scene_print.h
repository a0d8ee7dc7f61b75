// Writes a loaded scene to its context's output stream as a world: the
// header, the prototypes, the root nodes and the ROUTEs of the top scope.
// `zebvrml print` and the benchmarks write worlds this way.
#ifndef ZEBVRML2_TOOLS_SCENE_PRINT_H
#define ZEBVRML2_TOOLS_SCENE_PRINT_H

#include <cstring>

#include "zebvrml2.h"

inline void tool_print_scene(vrml_context *ctx) {
    vrml_stream *out = ctx->out;
    out->stream_printf(out, "#VRML V2.0 utf8\n");
    vrml_print_PROTOS(ctx);
    vrml_field root;
    std::memset(&root, 0, sizeof root);
    root.mfnode = *ctx->root;
    for (vrml_listitem *it = root.mfnode.nodes.first; it; it = it->next) {
        out->stream_iprintf(out, "");
        vrml_print_SFNode(ctx, static_cast<vrml_field *>(it->data));
    }
    vrml_print_ROUTE(ctx, vrml_getscopeentry(ctx, 0));
    out->stream_printf(out, "\n");
}

#endif
