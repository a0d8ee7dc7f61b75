// A world loaded from a string, for the parser and writer tests, unloaded
// with the record.
#ifndef ZEBVRML2_TESTS_LOADED_SCENE_H
#define ZEBVRML2_TESTS_LOADED_SCENE_H

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

inline vrml_route *route_at(vrml_list *list, int i) {
    vrml_listitem *it = list ? list->first : nullptr;
    for (; it && i > 0; --i) it = it->next;
    return it ? static_cast<vrml_route *>(it->data) : nullptr;
}

// A member template record made by the library, copied out of its shell.
inline vrml_fieldtemplate member_record(int memberclass, int type, const char *name) {
    vrml_fieldtemplate *made = vrml_createfieldtemplate(memberclass, type, name, nullptr, 0);
    vrml_fieldtemplate copy = *made;
    std::free(made);
    return copy;
}

// An empty world with a prototype P declared in scope 0 (type id 81) whose
// body scope is pushed, as while P's body is read; the context then reads
// from text. P's interface: the hidden members, pos, go, done, translation
// and `extra` SFInt32 fields m6, m7, ...
struct PrototypeBody {
    static constexpr int kPos = 2, kGo = 3, kDone = 4, kTranslation = 5;
    explicit PrototypeBody(const std::string &text, int extra = 0) : scene(""), more(text) {
        vrml_context *ctx = scene.ctx;
        int count = 6 + extra;
        auto *members = static_cast<vrml_fieldtemplate *>(
            vrml_malloc(static_cast<unsigned>(count) * sizeof(vrml_fieldtemplate)));
        members[0] = member_record(VRML_FIELD, VRML_MFNODE, "#baseclass");
        members[1] = member_record(VRML_FIELD, VRML_SFINT32, "#scope");
        members[kPos] = member_record(VRML_EXPOSEDFIELD, VRML_SFVEC3F, "pos");
        members[kGo] = member_record(VRML_EVENTIN, VRML_SFBOOL, "go");
        members[kDone] = member_record(VRML_EVENTOUT, VRML_MFNODE, "done");
        members[kTranslation] = member_record(VRML_FIELD, VRML_SFVEC3F, "translation");
        for (int i = 6; i < count; ++i)
            members[i] = member_record(VRML_FIELD, VRML_SFINT32, ("m" + std::to_string(i)).c_str());
        char *name = static_cast<char *>(vrml_malloc(2));
        name[0] = 'P';
        id = vrml_addtemplate(ctx->templates, vrml_createnodetemplate(name, count, members));
        body = vrml_newscope(ctx);
        vrml_getscopeentry(ctx, body)->protoindex = id;
        vrml_pushscopeidx(ctx, body);
        ctx->protoindex = id;
        ctx->in = more.get();
    }
    vrml_field *parse() { return vrml_parse_node(scene.ctx, nullptr); }
    LoadedScene scene;
    StringInput more;
    int id = -1;
    int body = -1;
};

// Fatal handler for death tests: the message on standard error, so that the
// test can match it.
inline void print_fatal_message(void *, const char *message) {
    std::fprintf(stderr, "FATAL<%s>", message);
}

#endif
