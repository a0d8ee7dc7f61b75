// Golden worlds: each tests/data/golden/NAME.wrl is loaded and compared with
// NAME.out (the world as `zebvrml print` writes it, then a description of
// every node's assigned members, shared records and attached routes, what
// was left unread and the counts of the context) and NAME.diag (every
// diagnostic the log handler received, with its line, severity and code).
// Worlds named fatal_* end the process through the fatal exit: their .diag
// ends with the fatal message. ZEBVRML2_UPDATE_GOLDEN=1 rewrites the
// expected files from the results instead of comparing.
#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <cctype>
#include <map>
#include <memory>
#include <sstream>

#include "fields/field_internal.h"
#include "loader/memory.h"
#include "support/loaded_scene.h"

namespace {

namespace fs = std::filesystem;

const fs::path kFolder = fs::path(ZEBVRML2_SOURCE_DIR) / "tests/data/golden";

std::string escaped(const std::string &text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

std::string diagnostics(const std::vector<LoggedMessage> &messages) {
    std::string out;
    for (const LoggedMessage &m : messages)
        out += "line " + std::to_string(m.line) + (m.severity == VRML_LOG_NOTICE ? " notice" : " problem") +
               " code " + std::to_string(m.code) + (m.ctx ? "" : " (no context)") + ": " + escaped(m.text) + "\n";
    return out;
}

// Names of the host's notifier records in the descriptions.
std::map<const void *, std::string> g_labels;

template <typename T>
T *item(vrml_listitem *it) { return static_cast<T *>(it->data); }

// Nodes are named by their place in the context's list of all nodes.
struct Describer {
    explicit Describer(vrml_context *ctx) {
        for (vrml_listitem *it = ctx->allnodes.first; it; it = it->next) index[item<vrml_node>(it)] = index.size();
    }
    std::string name(vrml_node *node, int m) {
        if (!node) return "(none)";
        auto at = index.find(node);
        return (at == index.end() ? std::string("?") : std::to_string(at->second)) + "." +
               (m >= 0 && m < node->nodetemplate->membercount ? node->nodetemplate->members[m].name : "?");
    }
    void routes(const char *kind, vrml_list *list, std::string &out) {
        for (vrml_listitem *it = list ? list->first : nullptr; it; it = it->next) {
            vrml_route *r = item<vrml_route>(it);
            out += std::string("# ") + kind + " " + name(r->sourcenode, r->sourcemember) + " -> " +
                    name(r->targetnode, r->targetmember) +
                    (r->key || r->notifier ? " key " + std::to_string(r->key) : "") +
                    (r->notifier ? " notifier " + g_labels[r->notifier] : "") + "\n";
        }
    }
    // A record seen before is shown as shared with its first holder.
    void shared(const void *record, const std::string &owner, std::string &line) {
        if (!record) return;
        auto seen = holders.emplace(record, owner);
        if (!seen.second) line += " ~" + seen.first->second;
    }
    // The value an assigned field holds, for types printed without a scope.
    static std::string value(vrml_member &slot) {
        vrml_field *v = slot.status > 0 && slot.type != VRML_SFNODE && slot.type != VRML_MFNODE &&
                                (slot.memberclass == VRML_FIELD || slot.memberclass == VRML_EXPOSEDFIELD)
                            ? vrml_memberContentPtr(&slot)
                            : nullptr;
        if (!v) return "";
        BareContext c;
        vrml_printfield[slot.type](c.get(), v);
        return " (" + escaped(c.out.text()) + ")";
    }
    void node(vrml_node *node) {
        std::string line = "# node " + std::to_string(index[node]) + " " + node->nodetemplate->name;
        if (node->defname) line += std::string(" DEF ") + node->defname;
        line += ":";
        std::string edges;
        for (int m = 0; m < node->nodetemplate->membercount; ++m) {
            vrml_member &slot = node->members[m];
            std::string member = name(node, m), marks;
            shared(slot.content, member, marks);
            if (slot.memberclass == VRML_EXPOSEDFIELD && slot.content) {
                auto *e = static_cast<vrml_exposedfield *>(slot.content);
                shared(e->eventin, member + "/in", marks);
                shared(e->holder, member + "/value", marks);
                shared(e->eventout, member + "/out", marks);
                routes("route", e->eventout ? &e->eventout->routes : nullptr, edges);
                routes("forward", e->eventin ? &e->eventin->routes : nullptr, edges);
            }
            if (slot.memberclass == VRML_EVENTOUT && slot.content)
                routes("route", &static_cast<vrml_eventout *>(slot.content)->routes, edges);
            if (slot.memberclass == VRML_EVENTIN && slot.content)
                routes("forward", &static_cast<vrml_eventin *>(slot.content)->routes, edges);
            if (slot.status || slot.sharedpart || !marks.empty())
                line += " " + std::string(node->nodetemplate->members[m].name) + "=" +
                        std::to_string(slot.status) + (slot.sharedpart ? "/" + std::to_string(slot.sharedpart) : "") +
                        marks + value(slot);
        }
        vrml_node *base = node->type >= VRML_BUILTIN_COUNT ? vrml_baseNode(node) : node;
        if (base != node) line += " base " + (base ? std::to_string(index[base]) : std::string("none"));
        text += line + "\n" + edges;
    }
    std::map<vrml_node *, size_t> index;
    std::map<const void *, std::string> holders;
    std::string text;
};

std::string description(LoadedScene &s, const std::string &printed) {
    vrml_context *ctx = s.ctx;
    Describer d(ctx);
    for (vrml_listitem *it = ctx->allnodes.first; it; it = it->next) d.node(item<vrml_node>(it));
    d.text += "# top DEFs:";
    for (vrml_listitem *it = vrml_getscopeentry(ctx, 0)->deftable->defs.first; it; it = it->next) {
        vrml_defentry *entry = item<vrml_defentry>(it);
        d.text += std::string(" ") + entry->name + "=" + (entry->node ? std::to_string(d.index[entry->node]) : "none");
    }
    d.text += "\n";
    return printed + d.text + "# unread: \"" + escaped(s.in.rest()) + "\"\n# " + std::to_string(s.roots()) +
           " roots, " + std::to_string(ctx->allnodes.count) + " nodes, " + std::to_string(ctx->scopes.count) +
           " scopes, depth " + std::to_string(ctx->scopedepth) + ", " + std::to_string(ctx->templates->count) +
           " templates, " + std::to_string(ctx->externprotos.count) + " externprotos, " +
           std::to_string(vrml_getscopeentry(ctx, 0)->deftable->routes.count) + " routes pending\n";
}

// What a run wrote so far; a fatal exit writes it, with what was logged
// since and the fatal message, to the file the parent process compares.
std::string g_text, g_file;
LogCapture *g_log = nullptr;
void record_fatal(void *, const char *message) {
    std::ofstream(g_file, std::ios::binary)
        << g_text << diagnostics(g_log->messages()) << "fatal: " << escaped(message) << "\n";
}

void compare(const fs::path &file, const std::string &actual) {
    if (std::getenv("ZEBVRML2_UPDATE_GOLDEN")) {
        std::ofstream(file, std::ios::binary) << actual;
        return;
    }
    EXPECT_EQ(read_file(file.string()), actual) << file;
}

// Runs run(log) in a child process that must end through the fatal exit,
// and compares what it wrote with the expected file.
template <typename Run>
void expect_fatal(const std::string &name, const fs::path &expected, Run run) {
    g_file = (fs::path(testing::TempDir()) / (name + ".fatal")).string();
    std::remove(g_file.c_str());
    EXPECT_EXIT(
        {
            LogCapture log;
            g_log = &log;
            vrml_setfatalhandler(record_fatal, nullptr);
            run(log);
        },
        FatalExit(), "");
    compare(expected, read_file(g_file));
}

bool is_fatal(const std::string &name) { return name.rfind("fatal_", 0) == 0; }

std::vector<std::string> names_in(const fs::path &folder, const char *extension) {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        if (entry.path().extension() == extension) names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string param_name(const testing::TestParamInfo<std::string> &info) { return info.param; }

class Golden : public testing::TestWithParam<std::string> {};

TEST_P(Golden, LoadsAsRecorded) {
    const std::string base = (kFolder / GetParam()).string();
    const std::string world = read_file(base + ".wrl");
    if (is_fatal(GetParam())) return expect_fatal(GetParam(), base + ".diag", [&](LogCapture &) {
        g_text.clear();
        LoadedScene s(world);
    });
    LogCapture log;
    testing::internal::CaptureStdout();
    LoadedScene s(world);
    std::string printed = s.print_world();
    std::string out = testing::internal::GetCapturedStdout();
    compare(base + ".out", description(s, printed));
    compare(base + ".diag", diagnostics(log.messages()) + (out.empty() ? "" : "stdout: " + escaped(out) + "\n"));
}

INSTANTIATE_TEST_SUITE_P(World, Golden, testing::ValuesIn(names_in(kFolder, ".wrl")), param_name);

// Host scripts: tests/data/golden/host/NAME.ops is a list of calls a host
// makes on a loaded world, one a line; NAME.out is what each call gave (its
// return value, what it wrote, what it logged). For what a world cannot
// express: run-time routes and notifiers, the writer's entry points, single
// statements read straight from a stream, the EXTERNPROTO wiring, the scope
// stack.
const fs::path kHostFolder = kFolder / "host";

std::string unescaped(const std::string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        out += text[i] == '\\' && i + 1 < text.size() ? (text[++i] == 'n' ? '\n' : text[i]) : text[i];
    return out;
}

struct HostScript {
    std::deque<std::string> held;  // DEF names of scopes with an owner: the host's
    std::unique_ptr<LoadedScene> scene;
    std::vector<std::unique_ptr<StringInput>> inputs;
    int a = 0, b = 0;
    vrml_context *ctx() { return scene->ctx; }
    // Names are looked up in the top scope.
    vrml_node *node(const std::string &name) {
        vrml_deftable *table = vrml_getscopeentry(ctx(), 0)->deftable;
        int k = name == "-" ? -1 : vrml_finddefidx(table, name.c_str());
        vrml_defentry *entry = k >= 0 ? vrml_getdefentry(table, k) : nullptr;
        return entry ? entry->node : nullptr;
    }
    int member(vrml_node *n, const std::string &name) {
        return std::isdigit(static_cast<unsigned char>(name[0])) ? std::stoi(name) : vrml_findnodefieldidx(n, name.c_str());
    }
    void read_from(const std::string &text) {
        inputs.push_back(std::make_unique<StringInput>(unescaped(text)));
        ctx()->in = inputs.back()->get();
    }
    std::string unread() { return "unread: \"" + escaped(inputs.back()->rest()) + "\"\n"; }
    std::string written(std::string text) { return text.empty() ? "" : "wrote: " + escaped(text) + "\n"; }
    std::string rc(int value) { return "rc " + std::to_string(value) + "\n"; }
    std::string scope_name(vrml_scope *scope) {  // by its place in the scope list
        for (int i = 0; scope && vrml_getscopeentry(ctx(), i); ++i)
            if (vrml_getscopeentry(ctx(), i) == scope) return "S" + std::to_string(i);
        return scope ? "unlisted" : "none";
    }
    std::string statement(const std::string &text, char *defname) {
        read_from(text);
        vrml_field *r = vrml_parse_node(ctx(), defname);
        std::string out = r ? "record defref " + std::to_string(r->sfnode.defref) + ": " : "no record\n";
        if (r) {
            scene->take_output();
            vrml_print_SFNode(ctx(), r);
            out += escaped(scene->take_output()) + "\n";
        }
        std::free(r);
        return out + unread();
    }
    std::string wire(const std::string &text) {
        auto *ext = static_cast<vrml_externproto *>(ctx()->externprotos.first->data);
        vrml_pushscopeidx(ctx(), vrml_newscope(ctx()));
        read_from(text);
        vrml_mfnode nodes{};
        vrml_get_MFNodeList(ctx(), &nodes);
        ext->implementation = vrml_findnode(ctx()->templates, "E");
        LogCapture notices(LogCapture::kWithNotices);
        std::string out = vrml_wireEPtoP(ctx(), ext) ? "wired: not null\n" : "wired: null\n";
        return out + diagnostics(notices.messages());
    }
    // What a print call returned and wrote (value is taken before the output).
    std::string printed(int value) { return rc(value) + written(scene->take_output()); }
    // rest: the call's arguments; x, y, z, w: its first four words.
    std::string run(const std::string &op, const std::string &rest) {
        std::string x, y, z, w;
        std::istringstream(rest) >> x >> y >> z >> w;
        if (op == "load") {
            testing::internal::CaptureStdout();
            scene = std::make_unique<LoadedScene>(unescaped(rest));
            testing::internal::GetCapturedStdout();
            return "";
        }
        if (op == "describe") return description(*scene, "");
        if (op == "add") return rc(vrml_addruntimeroute(node(x), y.c_str(), node(z), w.c_str()));
        if (op == "del") return rc(vrml_deleteroute(node(x), y.c_str(), node(z), w.c_str()));
        if (op == "notify" || op == "unnotify") {
            void *notifier = z == "a" ? static_cast<void *>(&a) : z == "b" ? static_cast<void *>(&b) : nullptr;
            g_labels[&a] = "a";
            g_labels[&b] = "b";
            vrml_node *n = node(x);
            return rc(op == "notify" ? vrml_addruntimenotifier(n, member(n, y), notifier, std::stoi(w))
                                     : vrml_deleteruntimenotifier(n, member(n, y), notifier, std::stoi(w)));
        }
        scene->take_output();
        if (op == "print") return printed(vrml_print_node(ctx(), node(x)));
        if (op == "printroutes")
            return vrml_printroutelist(ctx(), routes_leaving(node(x), member(node(x), y))), written(scene->take_output());
        if (op == "printpending") return printed(vrml_print_ROUTE(ctx(), vrml_getscopeentry(ctx(), 0)));
        if (op == "printprotos") return printed(vrml_print_PROTOS(ctx()));
        if (op == "printref") {
            vrml_field record{};
            record.sfnode = {std::stoi(x), node(y)};
            return vrml_print_SFNode(ctx(), &record), written(scene->take_output());
        }
        if (op == "getroute") {
            read_from(rest);
            std::string r = rc(vrml_getroute(ctx()));
            return r + unread();
        }
        if (op == "tree") return rc(vrml_createroutetree(vrml_getscopeentry(ctx(), 0)));
        if (op == "entry") {
            vrml_route *r = vrml_addrouteentry(ctx(), x.c_str(), y.c_str(), z.c_str(), w.c_str());
            if (!r) return "no route\n";
            return "route defs " + std::to_string(r->sourcedef) + " " + std::to_string(r->targetdef) + " members " +
                   std::to_string(r->sourcemember) + " " + std::to_string(r->targetmember) + "\n";
        }
        if (op == "parse") return statement(rest, nullptr);
        if (op == "parsedef") {
            char *name = nullptr;
            vrml_savestring(&name, x.c_str());
            return statement(rest.substr(rest.find(' ') + 1), name);
        }
        if (op == "pushscope") return rc(vrml_pushscopeidx(ctx(), vrml_newscope(ctx())));
        if (op == "protofield") {
            const char *name = vrml_getprotofieldname(vrml_getscopeentry(ctx(), 0), std::stoi(x), std::stoi(y));
            return std::string("name ") + (name ? name : "(null)") + "\n";
        }
        if (op == "status") return node(x)->members[member(node(x), y)].status = static_cast<int8_t>(std::stoi(z)), "";
        if (op == "class") return node(x)->nodetemplate->members[member(node(x), y)].memberclass = std::stoi(z), "";
        if (op == "protoindex") return ctx()->protoindex = std::stoi(x), "";
        if (op == "limit") return rc(vrml_setnodelimit(ctx(), std::stoi(x)));
        if (op == "dupscope") return rc(vrml_pushscopeidx(ctx(), vrml_dupscope(ctx(), vrml_getscopeentry(ctx(), x.empty() ? 0 : std::stoi(x)))));
        if (op == "newscope") return rc(vrml_newscope(ctx()));
        if (op == "push") return rc(x == "-" ? vrml_pushscope(ctx(), nullptr) : vrml_pushscopeidx(ctx(), std::stoi(x)));
        if (op == "pop") return "popped " + scope_name(vrml_popscope(ctx())) + "\n";
        if (op == "set") return rc(vrml_setscope(ctx(), std::stoi(x)));
        if (op == "owner") return vrml_getscopeentry(ctx(), std::stoi(x))->owner = node(y), "";
        if (op == "def") {
            vrml_scope *scope = vrml_getscopeentry(ctx(), std::stoi(x));
            char *name = scope->owner ? held.emplace_back(y).data() : nullptr;
            if (!name) vrml_savestring(&name, y.c_str());
            vrml_node *bound = z.empty() ? nullptr : node(z);
            std::string out = rc(vrml_adddef(scope->deftable, name, bound));
            return out + (bound ? "node DEF " + std::string(bound->defname) + "\n" : "");
        }
        if (op == "find") return rc(vrml_finddefidx(ctx()->deftable, x.c_str()));
        if (op == "scopes") {
            vrml_context *c = ctx();
            std::string templates = "?", defs = "?";
            for (int i = 0; vrml_getscopeentry(c, i); ++i) {
                if (templates == "?" && vrml_getscopeentry(c, i)->templates == c->templates) templates = scope_name(vrml_getscopeentry(c, i));
                if (defs == "?" && vrml_getscopeentry(c, i)->deftable == c->deftable) defs = scope_name(vrml_getscopeentry(c, i));
            }
            return "depth " + std::to_string(c->scopedepth) + ", index " + std::to_string(c->scopeindex) + ", top " +
                   scope_name(vrml_gettopscope(c)) + ", parent " + scope_name(vrml_getparentscope(c)) + ", templates of " +
                   templates + ", DEFs of " + defs + ", owner " + (!c->scopeowner ? "none" : c->scopeowner->defname ? c->scopeowner->defname : "unnamed") +
                   ", declared " + std::to_string(c->declaredscopes.count) + ", instances " +
                   std::to_string(c->instancescopes.count) + "\n";
        }
        if (op == "dup") {
            vrml_field record{};
            if (x != "none") record.sfnode = {std::stoi(x), node(y)};
            vrml_field *copy = vrml_dup_SFNode(ctx(), x == "none" ? nullptr : &record);
            std::string out = copy ? "copy defref " + std::to_string(copy->sfnode.defref) + " node " +
                                         (copy->sfnode.node ? std::to_string(Describer(ctx()).index[copy->sfnode.node]) : "none") + "\n"
                                   : "no copy\n";
            std::free(copy);
            return out;
        }
        if (op == "wire") return wire(rest);
        ADD_FAILURE() << "unknown call " << op;
        return "";
    }
};

class Host : public testing::TestWithParam<std::string> {};

TEST_P(Host, CallsGiveAsRecorded) {
    const std::string base = (kHostFolder / GetParam()).string();
    std::istringstream lines(read_file(base + ".ops"));
    auto run = [&](LogCapture &log) {
        HostScript host;
        g_text.clear();
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || line[0] == '#') continue;
            const size_t blank = line.find(' ');
            g_text += "> " + line + "\n";
            g_text += host.run(line.substr(0, blank), blank == std::string::npos ? "" : line.substr(blank + 1));
            g_text += diagnostics(log.messages());
            log.clear();
        }
    };
    if (is_fatal(GetParam())) return expect_fatal(GetParam(), base + ".out", run);
    LogCapture log;
    run(log);
    compare(base + ".out", g_text);
}

INSTANTIATE_TEST_SUITE_P(Script, Host, testing::ValuesIn(names_in(kHostFolder, ".ops")), param_name);

}  // namespace
