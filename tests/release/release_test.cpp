// The unload of scenes holding prototypes, IS members, run-time routes,
// EXTERNPROTO wiring or the leftovers of a jump out of vrml_fatal_err (the
// sanitizer builds see every record released once and none left). The order
// of the native callbacks at the release and what the context keeps after
// vrml_free_scene: the native sessions.
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

// (That vrml_free_sceneshutdown is vrml_free_scene: the export tests.)
TEST(FreeScene, NullDoesNothing) {
    vrml_free_scene(nullptr);
    vrml_free_sceneshutdown(nullptr);
    vrmlutil_unloadscene(nullptr);
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
