// Native instances on nodes: construction order, queued initial updates,
// traversal, destruction (through the scene release too) and the lookup by
// library. Each test's callbacks and notes make a transcript compared whole
// with its section of tests/data/native/callbacks.txt.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "native/native_internal.h"
#include "support/loaded_scene.h"

namespace {

constexpr int kTransform = 50, kTimeSensor = 48, kNetObject = 59;

std::string g_log;
int g_objects = 0;            // objects tagged so far
intptr_t g_event[5] = {};     // the event being traversed

// "what param Type #object", then what else the call carried. A plug-in's
// construct tags its object with a number that later calls show.
void log_call(const char *what, int reason, vrnrt_callinfo *info) {
    auto *object = static_cast<int *>(info->object);
    if (object && reason == VRNRT_CONSTRUCT) *object = ++g_objects;
    char line[200];
    std::snprintf(line, sizeof line, "%s %ld %s #%d", what, static_cast<long>(info->param),
                  info->node ? info->node->nodetemplate->name : "-", object ? *object : 0);
    g_log += line;
    if (info->reason != reason) g_log += " reason " + std::to_string(info->reason);
    if (info->event) g_log += info->event == g_event ? " event" : " other event";
    if (info->reserved || info->eventword2 || info->eventword3)
        g_log += " words " + std::to_string(info->reserved) + " " + std::to_string(info->eventword2) + " " +
                 std::to_string(info->eventword3);
    g_log += "\n";
}
void on_construct(vrnrt_callinfo *info) { log_call("construct", VRNRT_CONSTRUCT, info); }
void on_destruct(vrnrt_callinfo *info) { log_call("destruct", VRNRT_DESTRUCT, info); }
void on_init(vrnrt_callinfo *info) { log_call("init", VRNRT_INITIALUPDATE, info); }
void on_traverse(vrnrt_callinfo *info) { log_call("traverse", VRNRT_TRAVERSE, info); }

vrnrt_nodeentry full_entry(int32_t priority, intptr_t param, uint32_t size = 8) {
    vrnrt_nodeentry e{};
    e.size = size;
    e.priority = priority;
    e.param = param;
    e.construct = on_construct;
    e.destruct = on_destruct;
    e.initialupdate = on_init;
    e.traverse = on_traverse;
    return e;
}

void note(const std::string &what) { g_log += "-- " + what + "\n"; }

// "libid/priority/param #object" of each native, in array order.
void note_natives(const vrml_node *node) {
    std::string text = "natives";
    for (vrnrt_native **slot = node->natives; slot && *slot; ++slot)
        text += " " + std::to_string((*slot)->libid) + "/" + std::to_string((*slot)->priority) + "/" +
                std::to_string((*slot)->param) + " #" +
                ((*slot)->object ? std::to_string(*static_cast<int *>((*slot)->object)) : "-") +
                ((*slot)->traverse == on_traverse ? "" : " (no traverse)");
    note(node->natives ? text : "no natives");
}

// An event routed to node, as the host's event loop hands it over.
void traverse(vrml_node *node) {
    static vrml_route route;
    route.targetnode = node;
    g_event[0] = reinterpret_cast<intptr_t>(&route);
    g_event[1] = 11;
    g_event[2] = 22;
    g_event[3] = 33;
    vrnrt_native_traverser(g_event);
}

std::string section(const std::string &name) {
    std::string all = read_file(std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/native/callbacks.txt");
    size_t at = all.find("== " + name + "\n");
    if (at == std::string::npos) return "no section " + name;
    at += name.size() + 4;
    size_t end = all.find("\n== ", at);
    return all.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
}

// A scene loaded from empty input with its runtime context. After the test
// body the scene is released and the transcript compared.
class Natives : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        g_objects = 0;
        ASSERT_NE(pc, nullptr);
    }
    void TearDown() override {
        note("scene released");
        scene.reset();
        EXPECT_EQ(g_log, section(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    }
    int load(const char *name, int type, const vrnrt_nodeentry &e) {
        return vrnrt_loadplugin_nodeentry(key, name, type, &e);
    }
    std::unique_ptr<LoadedScene> scene = std::make_unique<LoadedScene>("");
    vrml_context *ctx = scene->ctx;
    uintptr_t key = reinterpret_cast<uintptr_t>(ctx);
    vrnrt_pc *pc = vrnrt_getpc(key);
};

// Construction by priority, traversal in array order, destruction.
TEST_F(Natives, ConstructionFollowsPriorityAndTraversalTheArray) {
    vrnrt_nodeentry two = full_entry(2, 200), one = full_entry(1, 100), silent = full_entry(3, 300);
    silent.traverse = nullptr;
    ASSERT_EQ(load("two", kTransform, two), 1);
    ASSERT_EQ(load("one", kTransform, one), 2);
    ASSERT_EQ(load("silent", kTransform, silent), 3);
    vrml_node *node = vrml_createnode(ctx, kTransform);
    note_natives(node);
    traverse(node);
    note("traversals that reach no native");
    vrnrt_native_traverser(nullptr);
    traverse(vrml_createnode(ctx, 0));
    traverse(nullptr);
    intptr_t no_route[4] = {};
    vrnrt_native_traverser(no_route);
}

TEST_F(Natives, ObjectSizeZeroGivesNoObject) {
    load("none", kTransform, full_entry(0, 7, 0));
    note_natives(vrml_createnode(ctx, kTransform));
}

TEST_F(Natives, InitialUpdatesRunOnceInConstructionOrder) {
    vrnrt_nodeentry plain = full_entry(2, 3);
    plain.initialupdate = nullptr;
    load("a", kTransform, full_entry(0, 1));
    load("b", kTransform, full_entry(1, 2));
    load("plain", kTransform, plain);
    load("c", kTimeSensor, full_entry(0, 4));
    vrml_createnode(ctx, kTransform);
    vrml_createnode(ctx, kTimeSensor);
    note("pending " + std::to_string(pc->pending.count));
    vrnrt_oninitialupdate(ctx);
    note("pending " + std::to_string(pc->pending.count) + (pc->pending.head ? " with a head" : ""));
    vrnrt_oninitialupdate(ctx);  // nothing left to run
}

// Nodes made before the library or inside a PROTO body get no natives
// (nor join the scene's lists); the host may give them afterwards.
TEST_F(Natives, NodesMadeBeforeTheLibraryOrInsideDeclarationsGetNone) {
    vrml_node *early = vrml_createnode(ctx, kTransform);
    vrnrt_nodeentry e = full_entry(0, 1);
    load("lib", kTransform, e);
    load("lib", kTimeSensor, e);
    ctx->protoindex = 81;
    note_natives(vrml_createnode(ctx, kTransform));
    note_natives(vrml_createnode(ctx, kTimeSensor));
    note("time sensors " + std::to_string(ctx->timesensors.count));
    ctx->protoindex = -1;
    note_natives(early);
    vrnrt_newnativenode(ctx, early, kTransform);
    note_natives(early);
    vrml_node *bare = vrml_createnode_nc(ctx, kTransform);
    note_natives(bare);
    vrml_context other{};
    for (int type : {1, 81, -1}) vrnrt_newnativenode(ctx, bare, type);  // nobody serves 1
    vrnrt_newnativenode(&other, bare, kTransform);
    vrnrt_oninitialupdate(&other);
    note_natives(bare);
}

// Script nodes are served by the Script type's entries; other declared types
// have no row.
TEST_F(Natives, ScriptNodesUseTheScriptType) {
    load("scripts", VRML_BUILTIN_SCRIPT, full_entry(0, 38));
    int id = vrml_addtemplate(ctx->templates, vrml_createnodetemplate(strdup("Script"), 0, nullptr));
    vrml_node *script = vrml_createnode(ctx, id);
    note_natives(script);
    vrnrt_finalizeplugins(key);
    EXPECT_EQ(vrnrt_getnativenode(script, 1), script->natives[0]->object);
    int protoid = vrml_addtemplate(ctx->templates, vrml_createnodetemplate(strdup("Proto"), 0, nullptr));
    vrml_node *fake = vrml_createnode_nc(ctx, protoid);
    vrnrt_native native{};
    native.libid = 1;
    vrnrt_native *array[2] = {&native, nullptr};
    fake->natives = array;
    vrnrt_calldestructor(ctx, fake, &native);
    EXPECT_EQ(vrnrt_getnativenode(fake, 1), nullptr);
    fake->natives = nullptr;
}

// The destructor called is the library's current entry's: none after an
// unload, the new one after a reload.
TEST_F(Natives, DestructorsFollowTheCurrentEntryAndStopAfterUnload) {
    load("lib", kTransform, full_entry(0, 5));
    vrml_node *node = vrml_createnode(ctx, kTransform);
    vrnrt_native *native = node->natives[0];
    note("unload");
    vrnrt_unloadplugin(key, "lib");
    vrnrt_calldestructor(ctx, node, native);
    traverse(node);
    note("reload");
    ASSERT_EQ(load("lib", kTransform, full_entry(0, 6)), 1);
    vrnrt_calldestructor(ctx, node, native);
    vrnrt_calldestructor(nullptr, node, native);
    vrnrt_calldestructor(ctx, nullptr, native);
    vrnrt_calldestructor(ctx, node, nullptr);
}

TEST_F(Natives, LookupByLibraryUsesTheFinalizedPositions) {
    load("first", kTransform, full_entry(0, 1));
    load("second", kTransform, full_entry(1, 2));
    vrml_node *node = vrml_createnode(ctx, kTransform);
    void *object1 = node->natives[0]->object, *object2 = node->natives[1]->object;
    EXPECT_EQ(vrnrt_getnativenode(node, 1), object1);  // before finalizing: position 0
    EXPECT_EQ(vrnrt_getnativenode(node, 2), nullptr);
    vrnrt_finalizeplugins(key);
    EXPECT_EQ(vrnrt_getnativenode(node, 1), object1);
    EXPECT_EQ(vrnrt_getnativenode(node, 2), object2);
    for (int libid : {3, -1, 255}) EXPECT_EQ(vrnrt_getnativenode(node, libid), nullptr) << libid;
    EXPECT_EQ(vrnrt_getnativenode(nullptr, 1), nullptr);
    EXPECT_EQ(vrnrt_getnativenode(vrml_createnode(ctx, 0), 1), nullptr);
    pc->positions[kTransform][2] = 5;  // past the array's end
    EXPECT_EQ(vrnrt_getnativenode(node, 2), nullptr);
    vrnrt_finalizenodes(key);
}

TEST_F(Natives, AFailedNativeIsSkippedWithAMessage) {
    load("lib", kTransform, full_entry(0, 1));
    ASSERT_EQ(vrnrt_pc_sortlistappend(&pc->entries[kTransform], nullptr), 0);
    LogCapture log(LogCapture::kWithNotices);
    note_natives(vrml_createnode(ctx, kTransform));
    EXPECT_EQ(log.texts(), (std::vector<std::string>{"v_nnn: could not create native"}));
    EXPECT_EQ(vrnrt_createnativenode(nullptr), nullptr);
    std::free(vrnrt_listpop(&pc->entries[kTransform]));
}

// Network objects are numbered in creation order, their id still unassigned
// for the writer; the table entry alone numbers too.
TEST_F(Natives, NetworkObjectsAreNumberedInCreationOrder) {
    std::vector<void *> objects, listed;
    for (int i = 0; i < 3; ++i) objects.push_back(vrml_createnode(ctx, kNetObject));
    for (vrml_listitem *it = ctx->netobjects.first; it; it = it->next) listed.push_back(it->data);
    EXPECT_EQ(listed, objects);
    for (int i = 0; i < 3; ++i) {
        vrml_member &id = static_cast<vrml_node *>(objects[i])->members[1];
        EXPECT_EQ(vrml_memberContentPtr(&id)->sfint32, i);
        EXPECT_EQ(id.status, 0);
    }
    EXPECT_EQ(ctx->nextnetobjectid, 3);
    auto *first = static_cast<vrml_node *>(objects[0]);
    EXPECT_EQ(vrml_runconstructor(ctx, first, kNetObject), 0);
    EXPECT_EQ(vrml_memberContentPtr(&first->members[1])->sfint32, 3);
    EXPECT_EQ(vrml_runconstructor(ctx, first, 81), 0);
    EXPECT_EQ(ctx->netobjects.count, 4);
}

}  // namespace
