// The scene release: its order as native callbacks see it, nodes released
// once, declarations, scopes and routes released with the scene, and the
// unload of scenes holding IS members, EXTERNPROTO wiring or the leftovers
// of a jump out of vrml_fatal_err.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "release/release_internal.h"
#include "support/loaded_scene.h"

namespace {

// Reads more node statements from text into the scene's root list, as a
// host does that registers plug-ins before nodes are made.
void read_more(vrml_context *ctx, const std::string &text) {
    StringInput more(text);
    vrml_stream *saved = ctx->in;
    ctx->in = more.get();
    vrml_get_MFNodeList(ctx, ctx->root);
    ctx->in = saved;
}

vrml_node *node_at(vrml_context *ctx, int i) {
    vrml_listitem *it = ctx->allnodes.first;
    for (; it && i > 0; --i) it = it->next;
    return it ? static_cast<vrml_node *>(it->data) : nullptr;
}

vrml_list *every_list(vrml_context *ctx, int i) {
    vrml_list *lists[] = {&ctx->scopes,        &ctx->instancescopes, &ctx->declaredscopes,
                          &ctx->auxlist,       &ctx->timesensors,    &ctx->proximitysensors,
                          &ctx->imagetextures, &ctx->netobjects,     &ctx->avatars,
                          &ctx->netvalues,     &ctx->nettriggers,    &ctx->allnodes,
                          &ctx->viewpoints,    &ctx->navigationinfos, &ctx->fogs,
                          &ctx->backgrounds};
    return i < 16 ? lists[i] : nullptr;
}

// ---- Order of release, seen through native callbacks ----------------------

struct Call {
    std::string what;
    intptr_t param;
    vrml_node *node;
    bool membersintact;
    bool runtimealive;
};

std::vector<Call> g_calls;
vrml_context *g_ctx = nullptr;

void on_destruct(vrnrt_callinfo *info) {
    // The node's members are still there.
    bool intact = info->reason == VRNRT_DESTRUCT;
    for (int i = 0; i < info->node->nodetemplate->membercount; ++i)
        intact = intact && info->node->members[i].content != nullptr;
    g_calls.push_back({"destruct", info->param, info->node, intact,
                       vrnrt_getpc(reinterpret_cast<uintptr_t>(g_ctx)) != nullptr});
    ++*static_cast<int *>(info->object);  // the object is still ours
}

void on_unload(intptr_t param) { g_calls.push_back({"unload", param, nullptr, false, true}); }

vrnrt_nodeentry entry(int priority, intptr_t param) {
    vrnrt_nodeentry e{};
    e.size = sizeof(int);
    e.priority = priority;
    e.param = param;
    e.destruct = on_destruct;
    e.unload = on_unload;
    return e;
}

class ReleaseOrder : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_ctx = scene.ctx;
        key = reinterpret_cast<uintptr_t>(scene.ctx);
        group = vrml_findnode(scene.ctx->templates, "Group");
        transform = vrml_findnode(scene.ctx->templates, "Transform");
        // Two libraries on Group and Transform; "high" constructs first.
        vrnrt_nodeentry lowgroup = entry(2, 1), lowtransform = entry(2, 2);
        vrnrt_nodeentry highgroup = entry(1, 3), hightransform = entry(1, 4);
        ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "low", group, &lowgroup), 1);
        ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "low", transform, &lowtransform), 1);
        ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "high", group, &highgroup), 2);
        ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "high", transform, &hightransform), 2);
    }
    void TearDown() override { g_ctx = nullptr; }
    LoadedScene scene{""};
    uintptr_t key = 0;
    int group = -1, transform = -1;
};

TEST_F(ReleaseOrder, DestructorsRunNodeByNodeInCreationOrderThenTheUnloadCallbacks) {
    read_more(scene.ctx, "DEF A Transform { translation 1 2 3 }\n"
                         "Group { children [ USE A USE A Transform { } ] }\n");
    vrml_context *ctx = scene.ctx;
    ASSERT_EQ(ctx->allnodes.count, 3);
    vrml_node *a = node_at(ctx, 0), *g = node_at(ctx, 1), *t = node_at(ctx, 2);
    ASSERT_EQ(a->type, transform);
    ASSERT_EQ(g->type, group);

    vrml_free_scene(ctx);

    // Within a node, natives in array order (ascending priority); each with
    // the entry's current parameter, reason 2, members intact and the runtime
    // context alive. The node used by one DEF and two USEs is released once.
    const std::vector<std::pair<std::string, intptr_t>> expected = {
        {"destruct", 4}, {"destruct", 2}, {"destruct", 3}, {"destruct", 1},
        {"destruct", 4}, {"destruct", 2},
        // Libraries in registration order, each over the types in id order.
        {"unload", 1},   {"unload", 2},   {"unload", 3},   {"unload", 4}};
    ASSERT_EQ(g_calls.size(), expected.size());
    const vrml_node *nodes[] = {a, a, g, g, t, t};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(g_calls[i].what, expected[i].first) << i;
        EXPECT_EQ(g_calls[i].param, expected[i].second) << i;
        if (i < 6) {
            EXPECT_EQ(g_calls[i].node, nodes[i]) << i;
            EXPECT_TRUE(g_calls[i].membersintact) << i;
            EXPECT_TRUE(g_calls[i].runtimealive) << i;
        }
    }
    EXPECT_EQ(vrnrt_getpc(key), nullptr);
    for (int i = 0; every_list(ctx, i); ++i) {
        EXPECT_EQ(every_list(ctx, i)->count, 0) << i;
        EXPECT_EQ(every_list(ctx, i)->first, nullptr) << i;
        EXPECT_EQ(every_list(ctx, i)->last, nullptr) << i;
    }
    vrml_free_sceneremains(ctx);
    scene.ctx = nullptr;
}

TEST_F(ReleaseOrder, ANativeWhoseLibraryWasUnloadedGetsNoCallback) {
    read_more(scene.ctx, "Transform { }");
    ASSERT_EQ(vrnrt_unloadplugin(key, "high"), 0);
    g_calls.clear();
    vrmlutil_unloadscene(scene.ctx);  // the object of "high" is still released
    scene.ctx = nullptr;
    ASSERT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(g_calls[0].what, "destruct");
    EXPECT_EQ(g_calls[0].param, 2);
    EXPECT_EQ(g_calls[1].param, 1);  // then the unload callbacks of "low"
    EXPECT_EQ(g_calls[2].param, 2);
    EXPECT_EQ(g_calls[2].what, "unload");
}

TEST(FreeScene, NullDoesNothingAndShutdownIsTheSameOperation) {
    vrml_free_scene(nullptr);
    vrml_free_sceneshutdown(nullptr);
    vrmlutil_unloadscene(nullptr);
    EXPECT_EQ(function_address(vrml_free_sceneshutdown), function_address(vrml_free_scene));
}

TEST(FreeScene, TheContextKeepsItsStreamsRootPointerAndScopeStack) {
    LoadedScene scene("Group { children [ Shape { } ] } Viewpoint { } TimeSensor { }");
    vrml_context *ctx = scene.ctx;
    vrml_mfnode *root = ctx->root;
    ASSERT_EQ(ctx->viewpoints.count, 1);
    ASSERT_EQ(ctx->timesensors.count, 1);
    vrml_free_scene(ctx);
    EXPECT_EQ(ctx->in, scene.in.get());
    EXPECT_EQ(ctx->out, scene.out.get());
    EXPECT_EQ(ctx->root, root);
    EXPECT_EQ(ctx->scopedepth, 1);
    for (int i = 0; every_list(ctx, i); ++i) EXPECT_EQ(every_list(ctx, i)->count, 0) << i;
    EXPECT_EQ(vrnrt_getpc(reinterpret_cast<uintptr_t>(ctx)), nullptr);
    vrml_free_sceneremains(ctx);
    scene.ctx = nullptr;
}

// ---- Declarations, scopes and routes ---------------------------------------

TEST(FreeScene, APrototypeNeverInstancedGoesWithItsTemplateBodyNamesAndRoutes) {
    LoadedScene scene(
        "PROTO P [ exposedField SFVec3f t 0 0 0 eventIn SFBool go ] {\n"
        "  DEF B Transform { translation IS t children [ DEF C Shape { } ] }\n"
        "  ROUTE B.translation_changed TO B.set_translation\n"
        "}\n");
    vrml_context *ctx = scene.ctx;
    int id = vrml_findnode(ctx->templates, "P");
    ASSERT_EQ(id, VRML_BUILTIN_COUNT);
    vrml_nodetemplate *p = vrml_gettemplateentry(ctx->templates, id);
    vrml_scope *body = vrml_getscopeentry(ctx, p->members[1].defaultvalue->sfint32);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->deftable->defs.count, 2);
    EXPECT_EQ(body->deftable->routes.count, 1);
    EXPECT_EQ(p->members[0].defaultvalue->mfnode.count, 1);
    ASSERT_EQ(ctx->allnodes.count, 2);
    // The body node's IS member keeps its own record, which the scene
    // records for the unload.
    vrml_node *b = node_at(ctx, 0);
    int translation = vrml_findnodefieldidx(b, "translation");
    EXPECT_LT(b->members[translation].status, 0);
    EXPECT_EQ(vrml_scene_owns(ctx, b->members[translation].content), 1);
    vrml_free_scene(ctx);
    EXPECT_EQ(ctx->declaredscopes.count, 0);
    EXPECT_EQ(ctx->allnodes.count, 0);
    vrml_free_sceneremains(ctx);  // the leak checker sees the rest go
    scene.ctx = nullptr;
}

const char kPrototypeUsedTwice[] =
    "PROTO P [ exposedField SFVec3f t 0 0 0 eventIn SFBool go eventOut SFTime done\n"
    "          eventIn MFNode add ] {\n"
    "  DEF B Transform { translation IS t addChildren IS add\n"
    "                    children [ DEF T TimeSensor { enabled IS go cycleTime IS done } ] }\n"
    "  ROUTE B.translation_changed TO B.set_center\n"
    "}\n"
    "DEF X P { t 1 2 3 } P { }\n";

TEST(FreeScene, InstanceScopesShareTheDeclarationsDefNames) {
    LoadedScene scene(kPrototypeUsedTwice);
    vrml_context *ctx = scene.ctx;
    ASSERT_EQ(ctx->instancescopes.count, 2);
    vrml_scope *declared = vrml_getscopeentry(ctx, 1);
    ASSERT_EQ(declared->owner, nullptr);
    for (vrml_listitem *it = ctx->instancescopes.first; it; it = it->next) {
        auto *scope = static_cast<vrml_scope *>(it->data);
        ASSERT_NE(scope->owner, nullptr);
        EXPECT_EQ(scope->templates, declared->templates);
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(vrml_getdefentry(scope->deftable, i)->name,
                      vrml_getdefentry(declared->deftable, i)->name);
    }
    // Each name is released once, with the declaration scope.
    vrmlutil_unloadscene(ctx);
    scene.ctx = nullptr;
}

TEST(FreeDefTable, AScopeWithOwnerLeavesTheNamesToTheirOwner) {
    static char shared[] = "B";
    vrml_node owner{};
    vrml_scope *scope = vrml_createscope();
    scope->owner = &owner;
    auto *table = static_cast<vrml_deftable *>(vrml_createnamespace());
    ASSERT_GT(vrml_adddef(table, shared, nullptr), 0);
    ASSERT_NE(vrml_addroute(table, 0, 1, 0, 2), nullptr);
    EXPECT_EQ(vrml_finddefidx(table, "B"), 0);  // makes the table's index
    vrml_free_deftable(scope, table);
    EXPECT_STREQ(shared, "B");
    std::free(scope);
}

TEST(FreeDefTable, AScopeWithoutOwnerReleasesTheNames) {
    vrml_scope *scope = vrml_createscope();
    auto *table = static_cast<vrml_deftable *>(vrml_createnamespace());
    char *name = static_cast<char *>(vrml_malloc(2));
    name[0] = 'B';
    ASSERT_GT(vrml_adddef(table, name, nullptr), 0);
    ASSERT_GT(vrml_adddef(table, nullptr, nullptr), 0);
    vrml_free_deftable(scope, table);  // the leak checker sees the name go
    std::free(scope);
}

TEST(FreeScene, RunTimeRoutesAndNotifiersGoWithTheirEventOuts) {
    LoadedScene scene("DEF A Transform { } DEF B Transform { } DEF T TimeSensor { }");
    vrml_node *a = scene.def("A"), *b = scene.def("B"), *t = scene.def("T");
    ASSERT_EQ(vrml_addruntimeroute(a, "translation_changed", b, "set_translation"), 0);
    ASSERT_EQ(vrml_addruntimeroute(t, "fraction_changed", a, "set_scale"), 0);
    int translation = vrml_findnodefieldidx(a, "translation");
    int fraction = vrml_findnodeeventoutidx(t, "fraction_changed");
    static int notifier;
    ASSERT_EQ(vrml_addruntimenotifier(a, translation, &notifier, 7), 0);
    ASSERT_EQ(vrml_addruntimenotifier(t, fraction, &notifier, 8), 0);
    EXPECT_EQ(routes_leaving(a, translation)->count, 2);
    EXPECT_EQ(routes_leaving(t, fraction)->count, 2);
    vrmlutil_unloadscene(scene.ctx);  // the leak checker sees the four go
    scene.ctx = nullptr;
}

// ---- What only slots with a negative status hold ---------------------------

TEST(SceneRecord, ContentsAreRecordedOnceAndForgottenOnRequest) {
    LoadedScene scene("");
    vrml_context *ctx = scene.ctx;
    vrml_fieldtemplate member{};
    member.memberclass = VRML_EVENTIN;
    member.type = VRML_SFBOOL;
    void *whole = vrml_creatememberfromtemplate(ctx, &member);
    void *other = vrml_creatememberfromtemplate(ctx, &member);
    vrml_scene_own(ctx, whole, VRML_EVENTIN, VRML_SFBOOL, false);
    vrml_scene_own(ctx, whole, VRML_EVENTIN, VRML_SFBOOL, true);  // already recorded
    vrml_scene_own(ctx, other, VRML_EVENTIN, VRML_SFBOOL, true);
    vrml_scene_own(ctx, nullptr, VRML_EVENTIN, VRML_SFBOOL, false);
    EXPECT_EQ(vrml_scene_owns(ctx, whole), 1);
    EXPECT_EQ(vrml_scene_owns(ctx, other), 2);
    EXPECT_EQ(vrml_scene_disown(ctx, other), 2);
    EXPECT_EQ(vrml_scene_disown(ctx, other), 0);
    EXPECT_EQ(vrml_scene_owns(ctx, other), 0);
    vrml_freeuclass(VRML_EVENTIN, VRML_SFBOOL, other);
    LoadedScene unrelated("");
    EXPECT_EQ(vrml_scene_owns(unrelated.ctx, whole), 0);
    // whole goes with the scene.
}

TEST(SceneRecord, IsMembersOfInstanceCopiesThatKeepTheirContentAreRecorded) {
    LoadedScene scene(kPrototypeUsedTwice);
    vrml_context *ctx = scene.ctx;
    int recorded = 0, shared = 0;
    for (vrml_listitem *it = ctx->allnodes.first; it; it = it->next) {
        auto *node = static_cast<vrml_node *>(it->data);
        for (int i = 0; i < node->nodetemplate->membercount; ++i) {
            const vrml_member &slot = node->members[i];
            if (slot.status >= 0) continue;
            if (vrml_scene_owns(ctx, slot.content)) ++recorded;
            else ++shared;
        }
    }
    // The declaration body's four IS members keep their records. In each of
    // the two copies B.addChildren (an eventIn) keeps its own; translation,
    // enabled and cycleTime share the instance's records or a part of them.
    EXPECT_EQ(recorded, 4 + 2);
    EXPECT_EQ(shared, 3 * 2);
}

// EXTERNPROTO E is used at the top level and inside PROTO Outer's body,
// where its members map through IS onto Outer's: whole (exposedField onto
// exposedField, field onto field), as a part (exposedField onto eventIn,
// eventOut or field), or keeping their own (eventIn). The implementing PROTO
// E is read into a scope of its own and every pending instance wired.
#define EXTERNPROTO_E                                                                  \
    "EXTERNPROTO E [ exposedField SFColor c eventIn SFBool go field SFFloat f\n"          \
    "                eventOut SFTime t exposedField SFColor d exposedField SFColor e\n"  \
    "                exposedField SFColor g ] [ \"impl.wrl#E\" \"other.wrl\" ]\n"
const char kWiredWorld[] =
    EXTERNPROTO_E
    "PROTO Outer [ exposedField SFColor oc 1 1 1 eventIn SFBool ogo field SFFloat of 2\n"
    "              eventIn SFColor oset eventOut SFColor oout field SFColor ofield 0 0 1\n"
    "              eventOut SFTime ot ] {\n"
    EXTERNPROTO_E
    "  Group { children [ E { c IS oc go IS ogo f IS of t IS ot d IS oset e IS oout\n"
    "                         g IS ofield } E { } ] }\n"
    "}\n"
    "DEF X E { c 1 0 0 f 3 } Outer { } Outer { oc 0 0 0 }\n";

const char kImplementation[] =
    "PROTO E [ exposedField SFColor c 0 1 0 eventIn SFBool go field SFFloat f 1\n"
    "          eventOut SFTime t exposedField SFColor d 0 0 0 exposedField SFColor e 0 0 0\n"
    "          exposedField SFColor g 1 0 0 ] {\n"
    "  Material { diffuseColor IS c transparency IS f emissiveColor IS d specularColor IS e }\n"
    "}\n";

struct WiredWorld {
    WiredWorld() : quiet((testing::internal::CaptureStdout(), 0)), scene(kWiredWorld) {
        testing::internal::GetCapturedStdout();
        ctx = scene.ctx;
        ext = static_cast<vrml_externproto *>(ctx->externprotos.first->data);
    }
    void wire() {
        vrml_pushscopeidx(ctx, vrml_newscope(ctx));
        StringInput impl(kImplementation);
        vrml_stream *saved = ctx->in;
        ctx->in = impl.get();
        vrml_mfnode nodes{};
        vrml_get_MFNodeList(ctx, &nodes);
        ctx->in = saved;
        for (vrml_listitem *it = ctx->externprotos.first; it; it = it->next) {
            auto *record = static_cast<vrml_externproto *>(it->data);
            record->implementation = vrml_findnode(ctx->templates, "E");
            vrml_wireEPtoP(ctx, record);
        }
        vrml_popscope(ctx);
    }
    int quiet;
    LoadedScene scene;
    vrml_context *ctx;
    vrml_externproto *ext;
};

TEST(Unload, EveryIsMappingAndEveryWiredMemberIsReleasedOnce) {
    WiredWorld world;
    // X; the two in Outer's body and two in each of the two Outer instances
    // are instances of the body's own EXTERNPROTO E.
    ASSERT_EQ(world.ctx->externprotos.count, 2);
    auto *inner = static_cast<vrml_externproto *>(world.ctx->externprotos.last->data);
    ASSERT_EQ(world.ext->pending.count, 1);
    ASSERT_EQ(inner->pending.count, 6);
    ASSERT_EQ(world.ext->url->mfarray.count, 2);
    world.wire();
    // The sanitizers see every record released once and none left.
}

TEST(Unload, WiringAgainHandsOnWhatTheFirstWiringRecorded) {
    WiredWorld world;
    world.wire();
    world.wire();
}

TEST(Unload, AnExternprotoNeverWiredGoesWithItsUrlsLocationAndPendingList) {
    LoadedScene scene("");
    std::snprintf(scene.ctx->baselocation, sizeof scene.ctx->baselocation, "worlds/");
    testing::internal::CaptureStdout();
    read_more(scene.ctx, "EXTERNPROTO E [ field SFInt32 a ] \"e.wrl\" E { } E { }");
    testing::internal::GetCapturedStdout();
    auto *ext = static_cast<vrml_externproto *>(scene.ctx->externprotos.first->data);
    EXPECT_STREQ(ext->location, "worlds/");
    EXPECT_EQ(ext->pending.count, 2);
}

// ---- After a jump out of vrml_fatal_err -------------------------------------

std::jmp_buf g_jump;
void jump_out(void *, const char *) { std::longjmp(g_jump, 1); }

// Runs work with a fatal handler that jumps back here: true when it ended
// through the jump.
template <typename Work>
bool ends_in_fatal(Work work) {
    vrml_fatalhandler old = vrml_setfatalhandler(jump_out, nullptr);
    volatile bool jumped = false;
    {
        LeaksIgnored lost;
        if (setjmp(g_jump) == 0) work();
        else jumped = true;
    }
    vrml_setfatalhandler(old, nullptr);
    return jumped;
}

// Reads text into the scene: true when the read ended through the jump.
bool read_until_fatal(vrml_context *ctx, const std::string &text) {
    StringInput more(text);
    vrml_stream *saved = ctx->in;
    ctx->in = more.get();
    bool jumped = ends_in_fatal([ctx] { vrml_get_MFNodeList(ctx, ctx->root); });
    ctx->in = saved;
    return jumped;
}

TEST(UnloadAfterFatal, InsideAPrototypeBodyWithItsScopePushed) {
    LogCapture log;
    LoadedScene scene("Transform { }");
    ASSERT_TRUE(read_until_fatal(scene.ctx,
                                 "PROTO P [ exposedField SFVec3f t 0 0 0 ] {\n"
                                 "  Transform { translation IS t\n"
                                 "              children [ Shape { geometry 3D { } } ] } }\n"));
    EXPECT_EQ(scene.ctx->scopedepth, 2);
    EXPECT_EQ(scene.ctx->protoindex, VRML_BUILTIN_COUNT);
    EXPECT_EQ(scene.ctx->allnodes.count, 3);
}

TEST(UnloadAfterFatal, InTheMiddleOfInstancingWithAHalfMadeInstance) {
    // P5's body declares P4 and holds an instance of it, and so on down to
    // P0: an instance of P5 pushes six instance scopes, one within the other.
    std::string text = "PROTO P0 [ field SFInt32 a 0 ] { Group { } }";
    for (int i = 1; i <= 5; ++i)
        text = "PROTO P" + std::to_string(i) + " [ field SFInt32 a 0 ] { " + text + " P" +
               std::to_string(i - 1) + " { a IS a } }";
    LoadedScene scene(text);
    vrml_context *ctx = scene.ctx;
    int p5 = vrml_findnode(ctx->templates, "P5");
    ASSERT_EQ(p5, VRML_BUILTIN_COUNT);
    // A host deep in scopes of its own: the sixth instance scope is one too many.
    while (ctx->scopedepth < VRML_SCOPESTACK_LIMIT - 5) vrml_pushscopeidx(ctx, 0);
    int nodes = ctx->allnodes.count;
    ASSERT_TRUE(ends_in_fatal([ctx, p5] { vrml_createnode(ctx, p5); }));
    EXPECT_EQ(ctx->scopedepth, VRML_SCOPESTACK_LIMIT);
    EXPECT_EQ(ctx->allnodes.count, nodes + 6);  // P5 .. P0, the last one half made
    vrml_node *last = static_cast<vrml_node *>(ctx->allnodes.last->data);
    EXPECT_EQ(last->members[0].content, nullptr);
}

TEST(UnloadAfterFatal, AtTheTopLevelInsideAListValue) {
    LoadedScene scene("DEF A Transform { }");
    ASSERT_TRUE(read_until_fatal(scene.ctx, "Group { children [ USE A Shape { } 9Box { } ] }"));
    EXPECT_EQ(scene.ctx->scopedepth, 1);
}

}  // namespace
