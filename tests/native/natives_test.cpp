// The native runtime of a scene as a host and its plug-ins see it: sessions
// of calls in tests/data/native/sessions.txt (see support/transcript.h), each
// run in a scene loaded from empty input.
#include <cctype>
#include <deque>
#include <map>
#include <sstream>

#include "native/native_internal.h"
#include "support/transcript.h"
#include "support/loaded_scene.h"

namespace {

std::string g_out;
int g_objects = 0;         // objects tagged so far
intptr_t g_event[5] = {};  // the event being traversed

// "what param Type #object", then "event" when the call carries the event
// traversed and "words" when its reserved or event words are not zero. A
// construct tags its object with a number that the later calls show.
void log_call(const char *what, int reason, vrnrt_callinfo *info) {
    auto *object = static_cast<int *>(info->object);
    if (object && reason == VRNRT_CONSTRUCT) *object = ++g_objects;
    char line[200];
    std::snprintf(line, sizeof line, "%s %ld %s #%d", what, static_cast<long>(info->param),
                  info->node ? info->node->nodetemplate->name : "-", object ? *object : 0);
    g_out += line;
    if (info->reason != reason) g_out += " reason " + std::to_string(info->reason);
    if (info->event) g_out += info->event == g_event ? " event" : " other event";
    if (info->reserved || info->eventword2 || info->eventword3)
        g_out += " words " + std::to_string(info->reserved) + " " + std::to_string(info->eventword2) + " " +
                 std::to_string(info->eventword3);
    for (int i = 0; reason == VRNRT_DESTRUCT && i < info->node->nodetemplate->membercount; ++i)
        if (!info->node->members[i].content) i = INT32_MAX - 1, g_out += " (members gone)";
    if (!vrnrt_getpc(reinterpret_cast<uintptr_t>(info->node ? info->node->context : nullptr))) g_out += " (no runtime)";
    g_out += "\n";
}
void on_construct(vrnrt_callinfo *info) { log_call("construct", VRNRT_CONSTRUCT, info); }
void on_destruct(vrnrt_callinfo *info) { log_call("destruct", VRNRT_DESTRUCT, info); }
void on_init(vrnrt_callinfo *info) { log_call("init", VRNRT_INITIALUPDATE, info); }
void on_traverse(vrnrt_callinfo *info) { log_call("traverse", VRNRT_TRAVERSE, info); }
void on_unload(intptr_t param) { g_out += "unload " + std::to_string(param) + "\n"; }

// The scene's lists of nodes of types with bookkeeping.
vrml_list vrml_context::*const kNodeLists[] = {
    &vrml_context::timesensors, &vrml_context::proximitysensors, &vrml_context::imagetextures, &vrml_context::netobjects,
    &vrml_context::avatars,     &vrml_context::netvalues,        &vrml_context::nettriggers,   &vrml_context::viewpoints,
    &vrml_context::navigationinfos, &vrml_context::fogs,         &vrml_context::backgrounds};

// One session's scene, plug-in entries and nodes (N1, N2, ... in creation order).
struct Session {
    explicit Session(const std::string & = "") { g_objects = 0; }
    std::deque<std::string> names;  // library names handed over: they outlive the scene
    std::deque<vrnrt_nodeentry> entries;
    LoadedScene scene{""};
    vrml_context *ctx = scene.ctx;
    uintptr_t key = reinterpret_cast<uintptr_t>(ctx);
    std::map<std::string, vrml_node *> nodes;

    int type(const std::string &word) {
        return word[0] == '-' || std::isdigit(static_cast<unsigned char>(word[0])) ? std::stoi(word)
                                                                      : vrml_findnode(ctx->templates, word.c_str());
    }
    const char *name(const std::string &word) {  // "-": null; "n*255": 255 n's
        if (word == "-") return nullptr;
        size_t star = word.find('*');
        names.push_back(star == std::string::npos ? word : std::string(std::stoul(word.substr(star + 1)), word[0]));
        return names.back().c_str();
    }
    // "PRIORITY PARAM [size=N] [-construct] [-destruct] [-init] [-traverse] [-unload] [null]"
    vrnrt_nodeentry entry(std::istringstream &words) {
        vrnrt_nodeentry e{0, 8, 0, 0, on_construct, on_destruct, on_init, on_traverse, on_unload};
        long priority = 0, param = 0;
        words >> priority >> param;
        e.priority = static_cast<int32_t>(priority);
        e.param = param;
        for (std::string flag; words >> flag;) {
            if (flag.rfind("size=", 0) == 0) e.size = static_cast<uint32_t>(std::stoul(flag.substr(5)));
            if (flag == "-unload") e.unload = nullptr;
            for (auto [name, callback] : {std::pair{"-construct", &e.construct}, {"-destruct", &e.destruct},
                                          {"-init", &e.initialupdate}, {"-traverse", &e.traverse}})
                if (flag == name) *callback = nullptr;
        }
        return e;
    }
    std::string natives(vrml_node *node) {
        if (!node->natives) return "none";
        if (!*node->natives) return "empty";
        std::string text;
        for (vrnrt_native **slot = node->natives; *slot; ++slot)
            text += std::to_string((*slot)->libid) + "/" + std::to_string((*slot)->priority) + "/" +
                    std::to_string((*slot)->param) + " " + object((*slot)->object) +
                    ((*slot)->traverse == on_traverse ? "" : " (no traverse)") + (slot[1] ? ", " : "");
        return text;
    }
    std::string id(void *node) {
        for (const auto &[name, n] : nodes)
            if (n == node) return name;
        return "-";
    }
    static std::string object(void *o) { return o ? "#" + std::to_string(*static_cast<int *>(o)) : "null"; }

    // One call: what it answers, or "?" for an unknown call.
    std::string run(const std::string &line) {
        std::istringstream words(line);
        std::string call, a, b;
        words >> call;
        vrnrt_pc *pc = vrnrt_getpc(key);
        if (call == "register") return words >> a, std::to_string(vrnrt_registerlib(key, name(a)));
        if (call == "find") return words >> a, std::to_string(vrnrt_findlib(key, name(a)));
        if (call == "load") {  // LIB TYPE entry
            words >> a >> b;
            entries.push_back(entry(words));
            bool null = line.find(" null") != std::string::npos;
            return std::to_string(vrnrt_loadplugin_nodeentry(key, name(a), type(b), null ? nullptr : &entries.back()));
        }
        if (call == "loadall") {  // LIB COUNT entry: one per type, the parameter counting up
            int count = 0;
            words >> a >> count;
            vrnrt_nodeentry e = entry(words);
            std::vector<vrnrt_nodeentry> all(static_cast<size_t>(count > 0 ? count : 0), e);
            for (size_t i = 0; i < all.size(); ++i) all[i].param += static_cast<intptr_t>(i);
            bool null = all.empty() || line.find(" null") != std::string::npos;
            return std::to_string(vrnrt_loadplugin(key, name(a), count, null ? nullptr : all.data()));
        }
        if (call == "unload") return words >> a, std::to_string(vrnrt_unloadplugin(key, name(a)));
        if (call == "unloadall") return std::to_string(vrnrt_unloadallplugins(key));
        if (call == "libraries") return std::to_string(pc->lastlibid) + " " + std::to_string(pc->libraries.count);
        if (call == "entries") {  // TYPE: libid/priority/param of each entry, the count
            words >> a;
            std::string text;
            for (vrml_listitem *it = pc->entries[type(a)].head; it; it = it->next) {
                auto *p = static_cast<vrnrt_pluginentry *>(it->data);
                text += std::to_string(p->libid) + "/" + std::to_string(p->entry->priority) + "/" +
                        std::to_string(p->entry->param) + " " + p->name + ", ";
            }
            return text + "count " + std::to_string(pc->entries[type(a)].count);
        }
        if (call == "param") return words >> a >> b, std::to_string(vrnrt_getnativenodeparam(key, type(a), std::stoi(b)));
        if (call == "finalize") return vrnrt_finalizeplugins(key), "";
        if (call == "position") return words >> a >> b, std::to_string(pc->positions[type(a)][std::stoi(b)]);
        if (call == "setposition") return words >> a >> b, pc->positions[type(a)][std::stoi(b)] = 5, "";
        if (call == "node" || call == "bare") {
            words >> a;
            vrml_node *node = call == "node" ? vrml_createnode(ctx, type(a)) : vrml_createnode_nc(ctx, type(a));
            if (!node) return "null";
            std::string id = "N" + std::to_string(nodes.size() + 1);
            nodes[id] = node;
            return id;
        }
        if (call == "natives") return words >> a, natives(nodes[a]);
        if (call == "newnative") return words >> a >> b, vrnrt_newnativenode(ctx, nodes[a], type(b)), "";
        if (call == "object") return words >> a >> b, object(vrnrt_getnativenode(nodes[a], std::stoi(b)));
        if (call == "traverse") {  // NODE, or "-" for a route without target
            words >> a;
            static vrml_route route;
            route.targetnode = a == "-" ? nullptr : nodes[a];
            intptr_t event[5] = {reinterpret_cast<intptr_t>(&route), 11, 22, 33, 44};
            std::copy(event, event + 5, g_event);
            return vrnrt_native_traverser(g_event), "";
        }
        if (call == "destruct") {  // NODE I [OF]: the destructor for native I (of node OF)
            std::string of;
            words >> a >> b >> of;
            return vrnrt_calldestructor(ctx, nodes[a], nodes[of.empty() ? a : of]->natives[std::stoi(b)]), "";
        }
        if (call == "nulls") {  // NODE: calls without what they need, which do nothing
            vrml_context none{};
            intptr_t no_route[4] = {};
            words >> a;
            vrnrt_calldestructor(nullptr, nodes[a], nodes[a]->natives[0]), vrnrt_calldestructor(ctx, nodes[a], nullptr);
            vrnrt_native_traverser(nullptr), vrnrt_native_traverser(no_route);
            vrnrt_newnativenode(&none, nodes[a], 50), vrnrt_oninitialupdate(&none);
            return vrnrt_createnativenode(nullptr) ? "made" : "";
        }
        if (call == "template") return words >> a, std::to_string(vrml_addtemplate(ctx->templates,
                                                      vrml_createnodetemplate(strdup(a.c_str()), 0, nullptr)));
        if (call == "nullentry") return words >> a, std::to_string(vrnrt_pc_sortlistappend(&pc->entries[type(a)], nullptr));
        if (call == "pop") return words >> a, std::free(vrnrt_listpop(&pc->entries[type(a)])), "";
        if (call == "netid") {  // NODE: member 1 (id) and its status
            words >> a;
            vrml_member &id = nodes[a]->members[1];
            return std::to_string(vrml_memberContentPtr(&id)->sfint32) + " status " + std::to_string(id.status);
        }
        if (call == "constructor") return words >> a >> b, std::to_string(vrml_runconstructor(ctx, nodes[a], type(b)));
        if (call == "nextid") return std::to_string(ctx->nextnetobjectid);
        if (call == "init") return vrnrt_oninitialupdate(ctx), "";
        if (call == "pending") return std::to_string(pc->pending.count) + (pc->pending.head ? "" : " (no head)");
        if (call == "proto") return words >> a, ctx->protoindex = std::stoi(a), "";
        if (call == "lists") {  // the nodes of each of the scene's lists, and its avatar
            std::string text;
            for (vrml_list vrml_context::*list : kNodeLists) {
                for (vrml_listitem *it = (ctx->*list).first; it; it = it->next) text += id(it->data) + " ";
                text += "| ";
            }
            return text + "avatar " + id(ctx->avatar);
        }
        if (call == "read") {  // TEXT: node statements read into the scene's root list
            StringInput more(line.substr(5));
            vrml_stream *saved = ctx->in;
            ctx->in = more.get();
            vrml_get_MFNodeList(ctx, ctx->root);
            return ctx->in = saved, "";
        }
        if (call == "free") {  // vrml_free_scene: whether the context kept its streams, root list and scope
            vrml_stream *in = ctx->in, *out = ctx->out;  // stack, the items left in its lists, its runtime
            vrml_mfnode *root = ctx->root;
            vrml_free_scene(ctx);
            int listed = 0;
            for (vrml_list *list : {&ctx->scopes, &ctx->instancescopes, &ctx->declaredscopes, &ctx->auxlist, &ctx->allnodes})
                listed += list->count + !!list->first + !!list->last;
            for (vrml_list vrml_context::*list : kNodeLists)
                listed += (ctx->*list).count + !!(ctx->*list).first + !!(ctx->*list).last;
            bool kept = ctx->in == in && ctx->out == out && ctx->root == root && ctx->scopedepth == 1;
            return (kept ? "kept, " : "lost, ") + std::to_string(listed) + " listed, " + (vrnrt_getpc(key) ? "runtime" : "no runtime");
        }
        return "?";
    }
};

TEST(Natives, SessionsMatchTheirTranscripts) {
    check_sessions<Session>("native/sessions.txt", g_out, LogCapture::kWithNotices);
}

}  // namespace
