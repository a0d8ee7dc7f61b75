// Native instances on nodes made through node creation: construction order,
// queued initial updates, traversal, destruction, the lookup by library and
// the constructor table's node lists.
//
// Worlds read from files come with the scene parser; until then these tests
// create their nodes with vrml_createnode in a scene loaded from empty input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "native/native_internal.h"
#include "support/test_support.h"
#include "vrml_nodes.h"
#include "vrml_scopes.h"

namespace {

constexpr int kTransform = 50;
constexpr int kTimeSensor = 48;

// One callback call as a plug-in saw it.
struct Call {
    std::string what;  // "construct", "destruct", "init", "traverse"
    int32_t reason;
    vrml_node *node;
    void *object;
    intptr_t param;
    void *event;
    intptr_t reserved, word2, word3;
};

std::vector<Call> g_calls;

void log_call(const char *what, vrnrt_callinfo *info) {
    g_calls.push_back({what, info->reason, info->node, info->object, info->param, info->event,
                       info->reserved, info->eventword2, info->eventword3});
}
void on_construct(vrnrt_callinfo *info) { log_call("construct", info); }
void on_destruct(vrnrt_callinfo *info) { log_call("destruct", info); }
void on_init(vrnrt_callinfo *info) { log_call("init", info); }
void on_traverse(vrnrt_callinfo *info) { log_call("traverse", info); }

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

std::vector<intptr_t> params_of(const std::string &what) {
    std::vector<intptr_t> out;
    for (const Call &c : g_calls)
        if (c.what == what) out.push_back(c.param);
    return out;
}

// The natives of node, in array order.
std::vector<vrnrt_native *> natives_of(const vrml_node *node) {
    std::vector<vrnrt_native *> out;
    if (node->natives)
        for (vrnrt_native **slot = node->natives; *slot; ++slot) out.push_back(*slot);
    return out;
}

std::vector<vrml_node *> nodes_in(const vrml_list &list) {
    std::vector<vrml_node *> out;
    for (const vrml_listitem *it = list.first; it; it = it->next)
        out.push_back(static_cast<vrml_node *>(it->data));
    return out;
}

// A scene loaded from empty input: scope 0 with the built-in types and the
// scene's runtime context.
class Natives : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        ctx = vrmlutil_loadscene(in.get(), out.get());
        ASSERT_NE(ctx, nullptr);
        pc = vrnrt_getpc(key());
        ASSERT_NE(pc, nullptr);
    }
    void TearDown() override { vrmlutil_unloadscene(ctx); }
    uintptr_t key() const { return reinterpret_cast<uintptr_t>(ctx); }
    // What the scene release does with a node's natives.
    void release_natives(vrml_node *node) {
        if (!node->natives) return;
        for (vrnrt_native **slot = node->natives; *slot; ++slot) {
            vrnrt_calldestructor(ctx, node, *slot);
            std::free((*slot)->object);
            std::free(*slot);
        }
        std::free(node->natives);
        node->natives = nullptr;
    }
    StringInput in{""};
    BufferOutput out;
    vrml_context *ctx = nullptr;
    vrnrt_pc *pc = nullptr;
};

TEST_F(Natives, ConstructionFollowsPriorityAndTraversalTheArray) {
    vrnrt_nodeentry two = full_entry(2, 200), one = full_entry(1, 100);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key(), "two", kTransform, &two), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key(), "one", kTransform, &one), 2);
    vrml_node *node = vrml_createnode(ctx, kTransform);
    ASSERT_NE(node, nullptr);

    std::vector<vrnrt_native *> natives = natives_of(node);
    ASSERT_EQ(natives.size(), 2u);
    EXPECT_EQ(natives[0]->libid, 2);
    EXPECT_EQ(natives[0]->priority, 1);
    EXPECT_EQ(natives[0]->param, 100);
    EXPECT_EQ(natives[0]->traverse, &on_traverse);
    EXPECT_EQ(natives[1]->libid, 1);
    EXPECT_EQ(natives[1]->priority, 2);
    for (vrnrt_native *n : natives) {
        ASSERT_NE(n->object, nullptr);
        EXPECT_EQ(std::memcmp(n->object, "\0\0\0\0\0\0\0\0", 8), 0);
    }

    ASSERT_EQ(g_calls.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(g_calls[i].what, "construct");
        EXPECT_EQ(g_calls[i].reason, VRNRT_CONSTRUCT);
        EXPECT_EQ(g_calls[i].node, node);
        EXPECT_EQ(g_calls[i].object, natives[i]->object);
        EXPECT_EQ(g_calls[i].event, nullptr);
        EXPECT_EQ(g_calls[i].word2, 0);
    }
    EXPECT_EQ(params_of("construct"), (std::vector<intptr_t>{100, 200}));

    // Traversal of an event routed to the node.
    vrml_route route{};
    route.targetnode = node;
    intptr_t event[5] = {reinterpret_cast<intptr_t>(&route), 11, 22, 33, 44};
    g_calls.clear();
    vrnrt_native_traverser(event);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(params_of("traverse"), (std::vector<intptr_t>{100, 200}));
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(g_calls[i].reason, VRNRT_TRAVERSE);
        EXPECT_EQ(g_calls[i].node, node);
        EXPECT_EQ(g_calls[i].object, natives[i]->object);
        EXPECT_EQ(g_calls[i].event, static_cast<void *>(event));
        EXPECT_EQ(g_calls[i].reserved, 0);
        EXPECT_EQ(g_calls[i].word2, 22);
        EXPECT_EQ(g_calls[i].word3, 33);
    }

    // Destruction with the current entry's parameter, in array order.
    g_calls.clear();
    release_natives(node);
    EXPECT_EQ(params_of("destruct"), (std::vector<intptr_t>{100, 200}));
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].reason, VRNRT_DESTRUCT);
    EXPECT_EQ(g_calls[0].node, node);
}

TEST_F(Natives, TraversalSkipsMissingCallbacksAndEmptyNodes) {
    vrnrt_nodeentry silent = full_entry(0, 1);
    silent.traverse = nullptr;
    vrnrt_nodeentry loud = full_entry(1, 2);
    vrnrt_loadplugin_nodeentry(key(), "silent", kTransform, &silent);
    vrnrt_loadplugin_nodeentry(key(), "loud", kTransform, &loud);
    vrml_node *node = vrml_createnode(ctx, kTransform);
    vrml_node *bare = vrml_createnode(ctx, 0);
    g_calls.clear();
    vrml_route route{};
    route.targetnode = node;
    intptr_t event[4] = {reinterpret_cast<intptr_t>(&route), 0, 5, 6};
    vrnrt_native_traverser(event);
    EXPECT_EQ(params_of("traverse"), (std::vector<intptr_t>{2}));

    g_calls.clear();
    vrnrt_native_traverser(nullptr);
    route.targetnode = bare;
    vrnrt_native_traverser(event);
    route.targetnode = nullptr;
    vrnrt_native_traverser(event);
    intptr_t no_route[4] = {};
    vrnrt_native_traverser(no_route);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(Natives, ObjectSizeZeroGivesNoObject) {
    vrnrt_nodeentry none = full_entry(0, 7, 0);
    vrnrt_loadplugin_nodeentry(key(), "none", kTransform, &none);
    vrml_node *node = vrml_createnode(ctx, kTransform);
    std::vector<vrnrt_native *> natives = natives_of(node);
    ASSERT_EQ(natives.size(), 1u);
    EXPECT_EQ(natives[0]->object, nullptr);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].what, "construct");
    EXPECT_EQ(g_calls[0].object, nullptr);
    EXPECT_EQ(g_calls[0].param, 7);
}

TEST_F(Natives, InitialUpdatesRunOnceInConstructionOrder) {
    vrnrt_nodeentry a = full_entry(0, 1), b = full_entry(1, 2), plain = full_entry(2, 3);
    plain.initialupdate = nullptr;
    vrnrt_nodeentry c = full_entry(0, 4);
    vrnrt_loadplugin_nodeentry(key(), "a", kTransform, &a);
    vrnrt_loadplugin_nodeentry(key(), "b", kTransform, &b);
    vrnrt_loadplugin_nodeentry(key(), "plain", kTransform, &plain);
    vrnrt_loadplugin_nodeentry(key(), "c", kTimeSensor, &c);
    vrml_node *first = vrml_createnode(ctx, kTransform);
    vrml_node *second = vrml_createnode(ctx, kTimeSensor);
    EXPECT_EQ(pc->pending.count, 3);
    g_calls.clear();

    vrnrt_oninitialupdate(ctx);
    ASSERT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(params_of("init"), (std::vector<intptr_t>{1, 2, 4}));
    EXPECT_EQ(g_calls[0].node, first);
    EXPECT_EQ(g_calls[0].object, first->natives[0]->object);
    EXPECT_EQ(g_calls[2].node, second);
    EXPECT_EQ(g_calls[2].object, second->natives[0]->object);
    for (const Call &call : g_calls) {
        EXPECT_EQ(call.reason, VRNRT_INITIALUPDATE);
        EXPECT_EQ(call.event, nullptr);
        EXPECT_EQ(call.reserved, 0);
        EXPECT_EQ(call.word2, 0);
        EXPECT_EQ(call.word3, 0);
    }
    EXPECT_EQ(pc->pending.head, nullptr);
    EXPECT_EQ(pc->pending.count, 0);

    g_calls.clear();
    vrnrt_oninitialupdate(ctx);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(Natives, NodesMadeBeforeTheLibraryOrInsideDeclarationsGetNone) {
    vrml_node *early = vrml_createnode(ctx, kTransform);
    EXPECT_EQ(early->natives, nullptr);
    vrnrt_nodeentry e = full_entry(0, 1);
    vrnrt_loadplugin_nodeentry(key(), "lib", kTransform, &e);
    vrnrt_loadplugin_nodeentry(key(), "lib", kTimeSensor, &e);

    ctx->protoindex = 81;  // a PROTO body is being read
    vrml_node *body = vrml_createnode(ctx, kTransform);
    vrml_node *sensor = vrml_createnode(ctx, kTimeSensor);
    EXPECT_EQ(body->natives, nullptr);
    EXPECT_EQ(sensor->natives, nullptr);
    EXPECT_EQ(ctx->timesensors.count, 0);
    ctx->protoindex = -1;
    EXPECT_TRUE(g_calls.empty());

    // The host gives an existing node its natives itself.
    vrnrt_newnativenode(ctx, early, kTransform);
    EXPECT_EQ(natives_of(early).size(), 1u);
    EXPECT_EQ(params_of("construct"), (std::vector<intptr_t>{1}));
}

TEST_F(Natives, ScriptNodesUseTheScriptType) {
    vrnrt_nodeentry e = full_entry(0, 38);
    vrnrt_loadplugin_nodeentry(key(), "scripts", VRML_BUILTIN_SCRIPT, &e);
    char *name = static_cast<char *>(vrml_malloc(7));
    std::memcpy(name, "Script", 7);
    vrml_nodetemplate *declared = vrml_createnodetemplate(name, 0, nullptr);
    ASSERT_NE(declared, nullptr);
    int id = vrml_addtemplate(ctx->templates, declared);
    ASSERT_GE(id, VRML_BUILTIN_COUNT);
    vrml_node *script = vrml_createnode(ctx, id);
    ASSERT_NE(script, nullptr);
    ASSERT_EQ(natives_of(script).size(), 1u);
    EXPECT_EQ(params_of("construct"), (std::vector<intptr_t>{38}));

    vrnrt_finalizeplugins(key());
    EXPECT_EQ(vrnrt_getnativenode(script, 1), script->natives[0]->object);
    g_calls.clear();
    release_natives(script);
    EXPECT_EQ(params_of("destruct"), (std::vector<intptr_t>{38}));

    // Another declared type has no row of its own.
    char *other = static_cast<char *>(vrml_malloc(6));
    std::memcpy(other, "Proto", 6);
    vrml_nodetemplate *proto = vrml_createnodetemplate(other, 0, nullptr);
    int protoid = vrml_addtemplate(ctx->templates, proto);
    vrml_node *fake = vrml_createnode_nc(ctx, protoid);
    ASSERT_NE(fake, nullptr);
    vrnrt_native native{};
    native.libid = 1;
    vrnrt_native *array[2] = {&native, nullptr};
    fake->natives = array;
    g_calls.clear();
    vrnrt_calldestructor(ctx, fake, &native);
    EXPECT_EQ(vrnrt_getnativenode(fake, 1), nullptr);
    EXPECT_TRUE(g_calls.empty());
    fake->natives = nullptr;
}

TEST_F(Natives, DestructorsFollowTheCurrentEntryAndStopAfterUnload) {
    vrnrt_nodeentry e = full_entry(0, 5);
    vrnrt_loadplugin_nodeentry(key(), "lib", kTransform, &e);
    vrml_node *node = vrml_createnode(ctx, kTransform);
    vrnrt_native *native = node->natives[0];

    g_calls.clear();
    vrnrt_unloadplugin(key(), "lib");
    vrnrt_calldestructor(ctx, node, native);
    EXPECT_TRUE(g_calls.empty());
    // The native stays and still traverses.
    vrml_route route{};
    route.targetnode = node;
    intptr_t event[4] = {reinterpret_cast<intptr_t>(&route), 0, 0, 0};
    vrnrt_native_traverser(event);
    EXPECT_EQ(params_of("traverse"), (std::vector<intptr_t>{5}));

    // A reload answers for the same library id, with its new parameter.
    vrnrt_nodeentry reloaded = full_entry(0, 6);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key(), "lib", kTransform, &reloaded), 1);
    g_calls.clear();
    vrnrt_calldestructor(ctx, node, native);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].reason, VRNRT_DESTRUCT);
    EXPECT_EQ(g_calls[0].object, native->object);
    EXPECT_EQ(g_calls[0].param, 6);

    g_calls.clear();
    vrnrt_calldestructor(nullptr, node, native);
    vrnrt_calldestructor(ctx, nullptr, native);
    vrnrt_calldestructor(ctx, node, nullptr);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(Natives, LookupByLibraryUsesTheFinalizedPositions) {
    vrnrt_nodeentry first = full_entry(0, 1), second = full_entry(1, 2);
    vrnrt_loadplugin_nodeentry(key(), "first", kTransform, &first);
    vrnrt_loadplugin_nodeentry(key(), "second", kTransform, &second);
    vrml_node *node = vrml_createnode(ctx, kTransform);
    void *object1 = node->natives[0]->object;
    void *object2 = node->natives[1]->object;

    // Before finalizing every library reads position 0.
    EXPECT_EQ(vrnrt_getnativenode(node, 1), object1);
    EXPECT_EQ(vrnrt_getnativenode(node, 2), nullptr);
    vrnrt_finalizeplugins(key());
    EXPECT_EQ(vrnrt_getnativenode(node, 1), object1);
    EXPECT_EQ(vrnrt_getnativenode(node, 2), object2);
    EXPECT_EQ(vrnrt_getnativenode(node, 3), nullptr);
    EXPECT_EQ(vrnrt_getnativenode(node, -1), nullptr);
    EXPECT_EQ(vrnrt_getnativenode(node, 255), nullptr);
    EXPECT_EQ(vrnrt_getnativenode(nullptr, 1), nullptr);

    // A position past the array's end finds nothing.
    pc->positions[kTransform][2] = 5;
    EXPECT_EQ(vrnrt_getnativenode(node, 2), nullptr);
    vrnrt_finalizenodes(key());

    vrml_node *plain = vrml_createnode(ctx, 0);
    EXPECT_EQ(vrnrt_getnativenode(plain, 1), nullptr);
}

TEST_F(Natives, AFailedNativeIsSkippedWithAMessage) {
    vrnrt_nodeentry e = full_entry(0, 1);
    vrnrt_loadplugin_nodeentry(key(), "lib", kTransform, &e);
    ASSERT_EQ(vrnrt_pc_sortlistappend(&pc->entries[kTransform], nullptr), 0);
    LogCapture log(LogCapture::kWithNotices);
    vrml_node *node = vrml_createnode(ctx, kTransform);
    EXPECT_EQ(log.texts(), (std::vector<std::string>{"v_nnn: could not create native"}));
    EXPECT_EQ(natives_of(node).size(), 1u);
    EXPECT_EQ(node->natives[1], nullptr);
    EXPECT_EQ(vrnrt_createnativenode(nullptr), nullptr);
    vrml_listitem *item = vrnrt_listpop(&pc->entries[kTransform]);
    EXPECT_EQ(item->data, nullptr);
    std::free(item);
}

TEST_F(Natives, NodesWithoutRuntimeContextKeepTheirField) {
    vrnrt_nodeentry e = full_entry(0, 1);
    vrnrt_loadplugin_nodeentry(key(), "lib", kTransform, &e);
    vrml_node *node = vrml_createnode_nc(ctx, kTransform);
    EXPECT_EQ(node->natives, nullptr);
    vrnrt_newnativenode(ctx, node, 1);  // a type nobody serves
    EXPECT_EQ(node->natives, nullptr);
    vrnrt_newnativenode(ctx, node, 81);
    vrnrt_newnativenode(ctx, node, -1);
    EXPECT_EQ(node->natives, nullptr);
    vrml_context other{};
    vrnrt_newnativenode(&other, node, kTransform);
    vrnrt_oninitialupdate(&other);
    EXPECT_EQ(node->natives, nullptr);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(Natives, ConstructorTableKeepsTheSceneLists) {
    const struct {
        int type;
        vrml_list vrml_context::*list;
    } cases[] = {
        {3, &vrml_context::backgrounds},      {17, &vrml_context::fogs},
        {20, &vrml_context::imagetextures},   {27, &vrml_context::navigationinfos},
        {36, &vrml_context::proximitysensors}, {48, &vrml_context::timesensors},
        {51, &vrml_context::viewpoints},      {58, &vrml_context::avatars},
        {66, &vrml_context::nettriggers},
    };
    for (const auto &c : cases) {
        vrml_node *a = vrml_createnode(ctx, c.type);
        vrml_node *b = vrml_createnode(ctx, c.type);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(nodes_in(ctx->*c.list), (std::vector<vrml_node *>{a, b})) << "type " << c.type;
        if (c.type == 58) {
            EXPECT_EQ(ctx->avatar, b);
        }
    }
    vrml_node *i32 = vrml_createnode(ctx, 63);
    vrml_node *v3 = vrml_createnode(ctx, 64);
    vrml_node *bl = vrml_createnode(ctx, 65);
    EXPECT_EQ(nodes_in(ctx->netvalues), (std::vector<vrml_node *>{i32, v3, bl}));

    // Types without bookkeeping join no list.
    const int before = ctx->allnodes.count;
    vrml_node *transform = vrml_createnode(ctx, kTransform);
    EXPECT_EQ(ctx->allnodes.count, before + 1);
    for (const auto &c : cases)
        for (vrml_node *n : nodes_in(ctx->*c.list)) EXPECT_NE(n, transform);
}

TEST_F(Natives, NetworkObjectsAreNumberedInCreationOrder) {
    std::vector<vrml_node *> objects;
    for (int i = 0; i < 3; ++i) objects.push_back(vrml_createnode(ctx, 59));
    EXPECT_EQ(nodes_in(ctx->netobjects), objects);
    for (int i = 0; i < 3; ++i) {
        vrml_member &id = objects[i]->members[1];
        EXPECT_EQ(vrml_memberContentPtr(&id)->sfint32, i);
        EXPECT_EQ(id.status, 0);  // still unassigned for the writer
    }
    EXPECT_EQ(ctx->nextnetobjectid, 3);
    // The table entry alone numbers too, and runs nothing for other types.
    EXPECT_EQ(vrml_runconstructor(ctx, objects[0], 59), 0);
    EXPECT_EQ(vrml_memberContentPtr(&objects[0]->members[1])->sfint32, 3);
    EXPECT_EQ(vrml_runconstructor(ctx, objects[0], 81), 0);
    EXPECT_EQ(ctx->netobjects.count, 4);
}

}  // namespace
