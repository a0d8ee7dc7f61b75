// zebvrml stats FILE [--json] and zebvrml tree FILE.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unordered_set>
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
    ctx = tool_load(input, resolve);
    if (!ctx) {
        status = tool_finish(input, nullptr, kExitFatal);
        return false;
    }
    return true;
}

// A PROTO instance: a declared type whose two first members are the hidden
// body and scope words (a Script's template has none).
bool is_instance(const vrml_node *node) {
    const vrml_nodetemplate *t = node->nodetemplate;
    return node->type >= VRML_BUILTIN_COUNT && t && t->membercount >= 2 && t->members[0].name &&
           t->members[0].name[0] == '#';
}

// The values of node's node-valued members, with their member names: the
// scene graph below it (an instance's body copy excluded).
template <typename F>
void for_each_child(vrml_node *node, F visit) {
    vrml_nodetemplate *t = node->nodetemplate;
    for (int m = is_instance(node) ? 2 : 0; t && m < t->membercount; ++m) {
        int cls = t->members[m].memberclass;
        if (cls != VRML_EXPOSEDFIELD && cls != VRML_FIELD) continue;
        const vrml_field *value = vrml_memberContentPtr(&node->members[m]);
        if (!value) continue;
        const char *name = t->members[m].name;
        if (t->members[m].type == VRML_SFNODE) visit(name, value);
        else if (t->members[m].type == VRML_MFNODE)
            for (vrml_listitem *it = value->mfnode.nodes.first; it; it = it->next)
                if (it->data) visit(name, static_cast<const vrml_field *>(it->data));
    }
}

// What stats reports; see the README's key list.
struct Counts {
    std::map<std::string, int> pertype;  // scene-graph nodes by type name
    int nodes = 0, depth = 0, routes = 0;
    int declarationnodes = 0, instancenodes = 0, protos = 0, externprotos = 0;
    std::unordered_set<const vrml_node *> seen;
    std::unordered_set<const vrml_nodetemplate *> declarations;  // a lenient load's aliases repeat them
    std::vector<vrml_node *> instances;  // met in any walk, for their body copies
};

// Visits, once each, the nodes reachable from the list of node fields, at
// depths from 1, without recursion; returns how many were new.
template <typename F>
int walk(Counts &c, const vrml_list &start, F on_node) {
    std::vector<std::pair<vrml_node *, int>> stack;
    for (vrml_listitem *it = start.first; it; it = it->next)
        if (it->data) stack.push_back({static_cast<vrml_field *>(it->data)->sfnode.node, 1});
    int fresh = 0;
    while (!stack.empty()) {
        vrml_node *node = stack.back().first;
        const int depth = stack.back().second;
        stack.pop_back();
        if (!node || !c.seen.insert(node).second) continue;
        ++fresh;
        if (is_instance(node)) c.instances.push_back(node);
        on_node(node, depth);
        for_each_child(node, [&](const char *, const vrml_field *child) {
            stack.push_back({child->sfnode.node, depth + 1});
        });
    }
    return fresh;
}

// Routes leaving node that a ROUTE statement of the world or a host made
// (not the copies a PROTO instance's body carries, not notifiers).
int count_routes(vrml_node *node) {
    int routes = 0;
    vrml_nodetemplate *t = node->nodetemplate;
    for (int m = 0; t && m < t->membercount; ++m) {
        void *content = node->members[m].content;
        vrml_eventout *out = nullptr;
        if (!content) continue;
        if (node->members[m].memberclass == VRML_EVENTOUT) out = static_cast<vrml_eventout *>(content);
        else if (node->members[m].memberclass == VRML_EXPOSEDFIELD)
            out = static_cast<vrml_exposedfield *>(content)->eventout;
        for (vrml_listitem *it = out ? out->routes.first : nullptr; it; it = it->next) {
            auto *route = static_cast<vrml_route *>(it->data);
            if (route && route->targetnode && !(route->scope && route->scope->owner)) ++routes;
        }
    }
    return routes;
}

// The declarations of a scope's template table and, within their bodies,
// nested declarations and the body nodes.
void count_declarations(vrml_context *ctx, Counts &c, vrml_scope *scope) {
    vrml_templatetable *table = scope ? scope->templates : nullptr;
    for (int id = VRML_BUILTIN_COUNT; table && id < table->count; ++id) {
        vrml_nodetemplate *t = table->templates[id];
        if (!t || !t->name || std::strcmp(t->name, "Script") == 0 || t->membercount < 2 ||
            !t->members[0].name || t->members[0].name[0] != '#' || !c.declarations.insert(t).second)
            continue;
        if (t->external) {
            ++c.externprotos;
            continue;
        }
        ++c.protos;
        const vrml_field *body = t->members[0].defaultvalue;
        const vrml_field *bodyscope = t->members[1].defaultvalue;
        vrml_scope *inner = bodyscope ? vrml_getscopeentry(ctx, bodyscope->sfint32) : nullptr;
        if (inner && inner != scope) count_declarations(ctx, c, inner);
        if (body) c.declarationnodes += walk(c, body->mfnode.nodes, [](vrml_node *, int) {});
    }
}

Counts count_scene(vrml_context *ctx) {
    Counts c;
    c.nodes = walk(c, ctx->root->nodes, [&](vrml_node *node, int depth) {
        vrml_nodetemplate *t = node->nodetemplate;
        ++c.pertype[t && t->name ? t->name : "?"];
        c.depth = std::max(c.depth, depth);
        c.routes += count_routes(node);
    });
    count_declarations(ctx, c, vrml_getscopeentry(ctx, 0));
    // Body copies may hold instances of their own: the list grows while read.
    for (size_t i = 0; i < c.instances.size(); ++i) {
        const vrml_field *copy = vrml_memberContentPtr(&c.instances[i]->members[0]);
        if (copy) c.instancenodes += walk(c, copy->mfnode.nodes, [](vrml_node *, int) {});
    }
    return c;
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
        else if (!path && !tool_is_option(argv[i])) path = argv[i];
        else path = "";
    }
    if (!path || !*path) return tool_usage_error("stats");
    ToolInput input;
    vrml_context *ctx = nullptr;
    int status = 0;
    if (!open_and_load(path, input, ctx, status, resolve)) return status;

    Counts c = count_scene(ctx);
    vrml_scope *world = vrml_getscopeentry(ctx, 0);
    int defs = world && world->deftable ? world->deftable->defs.count : 0;
    const std::pair<const char *, int> totals[] = {
        {"roots", ctx->root->count},  {"nodes", c.nodes},
        {"defs", defs},               {"routes", c.routes},
        {"protos", c.protos},         {"externprotos", c.externprotos},
        {"depth", c.depth},           {"declaration_nodes", c.declarationnodes},
        {"instance_nodes", c.instancenodes},
    };
    if (json) {
        std::printf("{\"file\": \"%s\"", json_escape(input.name).c_str());
        for (const auto &[key, n] : totals) std::printf(", \"%s\": %d", key, n);
        std::printf(",\n \"types\": {");
        const char *sep = "";
        for (const auto &[name, n] : c.pertype) {
            std::printf("%s\"%s\": %d", sep, json_escape(name.c_str()).c_str(), n);
            sep = ", ";
        }
        std::printf("}}\n");
    } else {
        std::printf("%s\n", input.name);
        for (const auto &[key, n] : totals) std::printf("  %-28s %d\n", key, n);
        std::printf("nodes per type:\n");
        for (const auto &[name, n] : c.pertype) std::printf("  %-28s %d\n", name.c_str(), n);
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
        std::vector<Item> children;
        for_each_child(node, [&](const char *member, const vrml_field *child) {
            if (child->sfnode.node) children.push_back({child, member, item.depth + 1});
        });
        for (auto c = children.rbegin(); c != children.rend(); ++c) stack.push_back(*c);
    }
}

}  // namespace

int cmd_tree(int argc, char **argv) {
    if (argc != 1 || tool_is_option(argv[0])) return tool_usage_error("tree");
    ToolInput input;
    vrml_context *ctx = nullptr;
    int status = 0;
    if (!open_and_load(argv[0], input, ctx, status)) return status;
    print_tree(ctx);
    return tool_finish(input, ctx, tool_status());
}
