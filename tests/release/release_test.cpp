// The scene release: the order of the native callbacks and what the context
// keeps, and the unload of scenes holding prototypes, IS members, run-time
// routes, EXTERNPROTO wiring or the leftovers of a jump out of vrml_fatal_err
// (the sanitizer builds see every record released once and none left).
#include <algorithm>
#include <fstream>
#include <memory>

#include "release/release_internal.h"
#include "support/loaded_scene.h"

namespace {

const std::string kData = std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/release/";

// Reads more node statements from text into the scene's root list, as a host
// does that registers plug-ins before nodes are made; true when the reading
// ended through vrml_fatal_err.
bool read_more(vrml_context *ctx, const std::string &text) {
    StringInput more(text);
    vrml_stream *saved = ctx->in;
    ctx->in = more.get();
    bool fatal = ends_fatally([ctx] { vrml_get_MFNodeList(ctx, ctx->root); });
    ctx->in = saved;
    return fatal;
}

std::string g_calls;
std::vector<vrml_node *> g_nodes;  // the scene's nodes before the release
uintptr_t g_key = 0;

// "d<param>:<node>" per destructor call (its node's place in creation order;
// "!" when a member was already gone or the runtime context was), "u<param>"
// per unload callback.
void on_destruct(vrnrt_callinfo *info) {
    bool intact = info->reason == VRNRT_DESTRUCT && vrnrt_getpc(g_key) != nullptr;
    for (int i = 0; i < info->node->nodetemplate->membercount; ++i)
        intact = intact && info->node->members[i].content != nullptr;
    auto at = std::find(g_nodes.begin(), g_nodes.end(), info->node) - g_nodes.begin();
    g_calls += "d" + std::to_string(info->param) + ":" + std::to_string(at) + (intact ? " " : "! ");
    ++*static_cast<int *>(info->object);  // the object is still ours
}

void on_unload(intptr_t param) { g_calls += "u" + std::to_string(param) + " "; }

// Two libraries on Group and Transform ("high" constructs first); nodes read
// after they are registered; one library unloaded before the release or
// none; then the scene released. Within a node the natives run in array
// order (ascending priority), each node once however often it is used; then
// the libraries' unload callbacks in registration order, each over the types
// in id order. The context keeps its streams, root list and scope stack,
// and its unload then releases only what is left.
TEST(ReleaseOrder, RecordedCallbackSequences) {
    const struct {
        const char *world, *unloaded, *expected;
    } rows[] = {
        {"DEF A Transform { translation 1 2 3 }\n"
         "Group { children [ USE A USE A Transform { } ] } Viewpoint { } TimeSensor { }",
         "", "d4:0 d2:0 d3:1 d1:1 d4:2 d2:2 u1 u2 u3 u4 | kept, 0 listed, no runtime"},
        {"Transform { }", "high", "d2:0 u1 u2 | kept, 0 listed, no runtime"},
        {"PROTO P [ ] { Group { children Transform { } } } P { } Group { }", "",
         "d3:3 d1:3 d4:4 d2:4 d3:5 d1:5 u1 u2 u3 u4 | kept, 0 listed, no runtime"},
    };
    for (const auto &row : rows) {
        LoadedScene scene("");
        vrml_context *ctx = scene.ctx;
        g_key = reinterpret_cast<uintptr_t>(ctx);
        const int group = vrml_findnode(ctx->templates, "Group");
        const int transform = vrml_findnode(ctx->templates, "Transform");
        for (int i = 0; i < 4; ++i) {
            vrnrt_nodeentry e{0, sizeof(int), i < 2 ? 2 : 1, i + 1, nullptr, on_destruct, nullptr, nullptr, on_unload};
            ASSERT_EQ(vrnrt_loadplugin_nodeentry(g_key, i < 2 ? "low" : "high", i % 2 ? transform : group, &e),
                      i < 2 ? 1 : 2);
        }
        read_more(ctx, row.world);
        EXPECT_EQ(*row.unloaded ? vrnrt_unloadplugin(g_key, row.unloaded) : 0, 0);
        g_nodes.clear();
        for (vrml_listitem *it = ctx->allnodes.first; it; it = it->next)
            g_nodes.push_back(static_cast<vrml_node *>(it->data));
        g_calls.clear();
        vrml_mfnode *root = ctx->root;
        vrml_free_scene(ctx);
        vrml_list *lists[] = {&ctx->scopes, &ctx->instancescopes, &ctx->declaredscopes, &ctx->auxlist,
                              &ctx->timesensors, &ctx->proximitysensors, &ctx->imagetextures, &ctx->netobjects,
                              &ctx->avatars, &ctx->netvalues, &ctx->nettriggers, &ctx->allnodes, &ctx->viewpoints,
                              &ctx->navigationinfos, &ctx->fogs, &ctx->backgrounds};
        int listed = 0;
        for (vrml_list *list : lists) listed += list->count + !!list->first + !!list->last;
        bool kept = ctx->in == scene.in.get() && ctx->out == scene.out.get() && ctx->root == root &&
                    ctx->scopedepth == 1;
        g_calls += std::string("| ") + (kept ? "kept, " : "lost, ") + std::to_string(listed) +
                   " listed, " + (vrnrt_getpc(g_key) ? "runtime" : "no runtime");
        EXPECT_EQ(g_calls, row.expected) << row.world;
    }  // the unload after vrml_free_scene releases only what is left
}

TEST(FreeScene, NullDoesNothingAndShutdownIsTheSameOperation) {
    vrml_free_scene(nullptr);
    vrml_free_sceneshutdown(nullptr);
    vrmlutil_unloadscene(nullptr);
#if defined(__GNUC__) && !defined(_WIN32)
    EXPECT_EQ(function_address(vrml_free_sceneshutdown), function_address(vrml_free_scene));
#endif
}

// Nodes, IS members whose content the scene records for the unload (the
// others share their instance's), instance scopes and the scope depth.
std::string summary(vrml_context *ctx) {
    int recorded = 0, shared = 0;
    for (vrml_listitem *it = ctx->allnodes.first; it; it = it->next) {
        auto *node = static_cast<vrml_node *>(it->data);
        for (int i = 0; i < node->nodetemplate->membercount; ++i)
            if (node->members[i].status < 0) ++(vrml_scene_owns(ctx, node->members[i].content) ? recorded : shared);
    }
    std::string text = std::to_string(ctx->allnodes.count) + " nodes, IS " + std::to_string(recorded) +
                       " recorded " + std::to_string(shared) + " shared, " +
                       std::to_string(ctx->instancescopes.count) + " instance scopes, depth " +
                       std::to_string(ctx->scopedepth);
    if (ctx->protoindex >= 0) text += ", inside the body of type " + std::to_string(ctx->protoindex);
    for (vrml_listitem *it = ctx->externprotos.first; it; it = it->next) {
        auto *record = static_cast<vrml_externproto *>(it->data);
        text += ", EXTERNPROTO at '" + std::string(record->location ? record->location : "-") + "' pending " +
                std::to_string(record->pending.count);
    }
    return text;
}

// The steps of tests/data/release/unloads.txt: scenes with prototypes, IS
// members, EXTERNPROTO wiring or the leftovers of a fatal jump.
TEST(Unload, ScenesOfTheDataTable) {
    std::unique_ptr<LoadedScene> scene;
    std::string fatal, step;
    std::ifstream table(kData + "unloads.txt");
    for (std::string line; std::getline(table, line);) {
        const std::string verb = line.substr(0, line.find(' '));
        const std::string arg = line.size() > verb.size() ? line.substr(verb.size() + 1) : "";
        testing::internal::CaptureStdout();  // the notices of EXTERNPROTO declarations
        if (verb == "load") {
            scene = std::make_unique<LoadedScene>(arg.ends_with(".wrl") ? read_file(kData + arg) : arg);
            std::snprintf(scene->ctx->baselocation, sizeof scene->ctx->baselocation, "worlds/");
            fatal.clear();
        } else if (verb == "deep") {
            while (scene->ctx->scopedepth < VRML_SCOPESTACK_LIMIT - std::stoi(arg)) vrml_pushscopeidx(scene->ctx, 0);
        } else if (verb == "more") {
            fatal = read_more(scene->ctx, arg) ? "fatal: " : "";
        } else if (verb == "wire") {
            vrml_context *ctx = scene->ctx;
            vrml_pushscopeidx(ctx, vrml_newscope(ctx));
            read_more(ctx, read_file(kData + arg));
            for (vrml_listitem *it = ctx->externprotos.first; it; it = it->next) {
                auto *record = static_cast<vrml_externproto *>(it->data);
                record->implementation = vrml_findnode(ctx->templates, "E");
                vrml_wireEPtoP(ctx, record);
            }
            vrml_popscope(ctx);
        }
        testing::internal::GetCapturedStdout();
        if (verb == "=") EXPECT_EQ(fatal + summary(scene->ctx), arg) << step;
        else if (!verb.empty() && verb[0] != '#') step = line;
    }
}

// The records a scene keeps of contents: 1 for a whole content, 2 for a
// shell; recorded once; forgotten on request; each scene its own.
TEST(SceneRecord, ContentsAreRecordedOnceAndForgottenOnRequest) {
    LoadedScene scene(""), unrelated("");
    vrml_context *ctx = scene.ctx;
    vrml_fieldtemplate member{};
    member.memberclass = VRML_EVENTIN;
    member.type = VRML_SFBOOL;
    void *whole = vrml_creatememberfromtemplate(ctx, &member), *other = vrml_creatememberfromtemplate(ctx, &member);
    for (auto [content, shell] : {std::pair{whole, false}, {whole, true}, {other, true}, {nullptr, false}})
        vrml_scene_own(ctx, content, VRML_EVENTIN, VRML_SFBOOL, shell);
    const int seen[] = {vrml_scene_owns(ctx, whole), vrml_scene_owns(ctx, other),
                        vrml_scene_disown(ctx, other), vrml_scene_disown(ctx, other),
                        vrml_scene_owns(ctx, other), vrml_scene_owns(unrelated.ctx, whole)};
    EXPECT_EQ(std::vector<int>(seen, seen + 6), (std::vector<int>{1, 2, 2, 0, 0, 0}));
    vrml_freeuclass(VRML_EVENTIN, VRML_SFBOOL, other);
}

}  // namespace
