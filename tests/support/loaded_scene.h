// A world loaded from a string, for the parser and writer tests, unloaded
// with the record.
#ifndef ZEBVRML2_TESTS_LOADED_SCENE_H
#define ZEBVRML2_TESTS_LOADED_SCENE_H

#include <cstdlib>
#include <string>

#include "support/test_support.h"
#include "zebvrml2.h"

struct LoadedScene {
    explicit LoadedScene(std::string text) : in(std::move(text)) {
        ctx = vrmlutil_loadscene(in.get(), out.get());
    }
    StringInput in;
    BufferOutput out;
    vrml_context *ctx = nullptr;
    SceneUnloader unload{ctx};

    int roots() const { return ctx->root->count; }
    // The node reference record of root i.
    vrml_field *root(int i) const {
        vrml_listitem *it = ctx->root->nodes.first;
        for (; it && i > 0; --i) it = it->next;
        return it ? static_cast<vrml_field *>(it->data) : nullptr;
    }
    // The node bound to the latest DEF of name in scope 0.
    vrml_node *def(const char *name) const {
        int k = vrml_finddefidx(ctx->deftable, name);
        vrml_defentry *entry = k >= 0 ? vrml_getdefentry(ctx->deftable, k) : nullptr;
        return entry ? entry->node : nullptr;
    }
    // Everything written to the output stream since the last call.
    std::string take_output() {
        std::string all = out.text();
        std::string fresh = all.substr(taken_);
        taken_ = all.size();
        return fresh;
    }
    // Writes the whole world as `zebvrml print` does and returns it.
    std::string print_world() {
        take_output();
        vrml_stream *o = ctx->out;
        o->stream_printf(o, "#VRML V2.0 utf8\n");
        vrml_print_PROTOS(ctx);
        for (vrml_listitem *it = ctx->root->nodes.first; it; it = it->next) {
            o->stream_iprintf(o, "");
            vrml_print_SFNode(ctx, static_cast<vrml_field *>(it->data));
        }
        vrml_print_ROUTE(ctx, vrml_getscopeentry(ctx, 0));
        o->stream_printf(o, "\n");
        return take_output();
    }

private:
    size_t taken_ = 0;
};

// The list of routes leaving member m of node (an eventOut, or the eventOut
// record of an exposedField); null for other classes.
inline vrml_list *routes_leaving(vrml_node *node, int m) {
    vrml_member &slot = node->members[m];
    if (slot.memberclass == VRML_EVENTOUT)
        return &static_cast<vrml_eventout *>(slot.content)->routes;
    if (slot.memberclass == VRML_EXPOSEDFIELD)
        return &static_cast<vrml_exposedfield *>(slot.content)->eventout->routes;
    return nullptr;
}

// A member template record made by the library, copied out of its shell.
inline vrml_fieldtemplate member_record(int memberclass, int type, const char *name) {
    vrml_fieldtemplate *made = vrml_createfieldtemplate(memberclass, type, name, nullptr, 0);
    vrml_fieldtemplate copy = *made;
    std::free(made);
    return copy;
}

#endif
