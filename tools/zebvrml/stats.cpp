// zebvrml stats FILE [--json] and zebvrml tree FILE.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tool.h"

namespace {

bool open_and_load(const char *path, ToolInput &input, vrml_context *&ctx, int &status,
                   bool resolve = false) {
    if (!tool_open(input, path)) {
        status = kExitNoInput;
        return false;
    }
    tool_report_to_stderr(input.name);
    ctx = tool_load(input, true, resolve);
    if (!ctx) {
        status = tool_finish(input, nullptr, kExitFatal);
        return false;
    }
    return true;
}

int count_routes(vrml_node *node) {
    int routes = 0;
    vrml_nodetemplate *t = node->nodetemplate;
    for (int m = 0; t && m < t->membercount; ++m) {
        void *content = node->members[m].content;
        if (!content) continue;
        if (node->members[m].memberclass == VRML_EVENTOUT)
            routes += static_cast<vrml_eventout *>(content)->routes.count;
        else if (node->members[m].memberclass == VRML_EXPOSEDFIELD) {
            vrml_eventout *out = static_cast<vrml_exposedfield *>(content)->eventout;
            if (out) routes += out->routes.count;
        }
    }
    return routes;
}

std::string json_escape(const char *s) {
    std::string out;
    for (; *s; ++s) {
        unsigned char c = static_cast<unsigned char>(*s);
        if (c == '"' || c == '\\') out += '\\', out += static_cast<char>(c);
        else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else out += static_cast<char>(c);
    }
    return out;
}

}  // namespace

int cmd_stats(int argc, char **argv) {
    const char *path = nullptr;
    bool json = false;
    bool resolve = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) json = true;
        else if (std::strcmp(argv[i], kResolveOption) == 0) resolve = true;
        else if (!path) path = argv[i];
        else path = "";
    }
    if (!path || !*path) {
        std::fprintf(stderr, "usage: zebvrml stats FILE [--json] [%s]\n", kResolveOption);
        return kExitNoInput;
    }
    ToolInput input;
    vrml_context *ctx = nullptr;
    int status = 0;
    if (!open_and_load(path, input, ctx, status, resolve)) return status;

    std::map<std::string, int> pertype;
    int routes = 0;
    for (vrml_listitem *it = ctx->allnodes.first; it; it = it->next) {
        auto *node = static_cast<vrml_node *>(it->data);
        ++pertype[node->nodetemplate && node->nodetemplate->name ? node->nodetemplate->name : "?"];
        routes += count_routes(node);
    }
    int defs = 0;
    for (vrml_listitem *it = ctx->scopes.first; it; it = it->next) {
        auto *scope = static_cast<vrml_scope *>(it->data);
        if (scope && scope->deftable) defs += scope->deftable->defs.count;
    }
    vrml_scope *outer = vrml_getscopeentry(ctx, 0);
    int templates = outer && outer->templates ? outer->templates->count : 0;
    const std::pair<const char *, vrml_list *> lists[] = {
        {"timesensors", &ctx->timesensors},   {"proximitysensors", &ctx->proximitysensors},
        {"imagetextures", &ctx->imagetextures}, {"netobjects", &ctx->netobjects},
        {"avatars", &ctx->avatars},           {"netvalues", &ctx->netvalues},
        {"nettriggers", &ctx->nettriggers},   {"viewpoints", &ctx->viewpoints},
        {"navigationinfos", &ctx->navigationinfos}, {"fogs", &ctx->fogs},
        {"backgrounds", &ctx->backgrounds},
    };
    if (json) {
        std::printf("{\"file\": \"%s\", \"roots\": %d, \"nodes\": %d, \"defs\": %d, \"routes\": %d, "
                    "\"scopes\": %d, \"templates\": %d,\n \"types\": {",
                    json_escape(input.name).c_str(), ctx->root->count, ctx->allnodes.count, defs,
                    routes, ctx->scopes.count, templates);
        const char *sep = "";
        for (const auto &[name, n] : pertype) {
            std::printf("%s\"%s\": %d", sep, json_escape(name.c_str()).c_str(), n);
            sep = ", ";
        }
        std::printf("},\n \"lists\": {");
        sep = "";
        for (const auto &[name, list] : lists) {
            std::printf("%s\"%s\": %d", sep, name, list->count);
            sep = ", ";
        }
        std::printf("}}\n");
    } else {
        std::printf("%s\n  root nodes  %d\n  nodes       %d\n  DEF names   %d\n  routes      %d\n"
                    "  scopes      %d\n  templates   %d (%d declared)\nnodes per type:\n",
                    input.name, ctx->root->count, ctx->allnodes.count, defs, routes,
                    ctx->scopes.count, templates, templates > 81 ? templates - 81 : 0);
        for (const auto &[name, n] : pertype) std::printf("  %-28s %d\n", name.c_str(), n);
        std::printf("runtime lists:\n");
        for (const auto &[name, list] : lists)
            if (list->count) std::printf("  %-28s %d\n", name, list->count);
    }
    return tool_finish(input, ctx, tool_status());
}

namespace {

// Depth-first over the SFNode and MFNode members, without recursion so that
// deeply nested worlds cannot exhaust the stack.
void print_tree(vrml_context *ctx) {
    struct Item {
        const vrml_field *ref;
        const char *member;
        int depth;
    };
    std::vector<Item> stack;
    std::vector<const vrml_field *> roots;
    for (vrml_listitem *it = ctx->root->nodes.first; it; it = it->next)
        roots.push_back(static_cast<const vrml_field *>(it->data));
    for (auto r = roots.rbegin(); r != roots.rend(); ++r) stack.push_back({*r, nullptr, 0});
    vrml_deftable *defs = ctx->deftable;
    while (!stack.empty()) {
        Item item = stack.back();
        stack.pop_back();
        std::printf("%*s", item.depth * 2, "");
        if (item.member) std::printf("%s: ", item.member);
        const vrml_sfnode &ref = item.ref->sfnode;
        if (!ref.node) {
            std::printf("NULL\n");
            continue;
        }
        if (ref.defref > 0) {
            vrml_defentry *e = vrml_getdefentry(defs, ref.defref - 1);
            std::printf("USE %s\n", e && e->name ? e->name : "?");
            continue;
        }
        vrml_node *node = ref.node;
        if (node->defname) std::printf("DEF %s ", node->defname);
        std::printf("%s\n", node->nodetemplate ? node->nodetemplate->name : "?");
        vrml_nodetemplate *t = node->nodetemplate;
        std::vector<Item> children;
        for (int m = node->type >= VRML_BUILTIN_COUNT ? 2 : 0; t && m < t->membercount; ++m) {
            int cls = t->members[m].memberclass;
            if (cls != VRML_EXPOSEDFIELD && cls != VRML_FIELD) continue;
            vrml_field *value = vrml_memberContentPtr(&node->members[m]);
            if (!value) continue;
            if (t->members[m].type == VRML_SFNODE) {
                if (value->sfnode.node) children.push_back({value, t->members[m].name, item.depth + 1});
            } else if (t->members[m].type == VRML_MFNODE) {
                for (vrml_listitem *it = value->mfnode.nodes.first; it; it = it->next)
                    children.push_back({static_cast<vrml_field *>(it->data), t->members[m].name,
                                        item.depth + 1});
            }
        }
        for (auto c = children.rbegin(); c != children.rend(); ++c) stack.push_back(*c);
    }
}

}  // namespace

int cmd_tree(int argc, char **argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: zebvrml tree FILE\n");
        return kExitNoInput;
    }
    ToolInput input;
    vrml_context *ctx = nullptr;
    int status = 0;
    if (!open_and_load(argv[0], input, ctx, status)) return status;
    print_tree(ctx);
    return tool_finish(input, ctx, tool_status());
}
