// Runtime contexts, the registry, libraries and their ids, loading and
// unloading of plug-in entries, and the position table.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/sync.h"
#include "support/test_support.h"

namespace {

// Every call of an unload callback, in order.
std::vector<intptr_t> g_unloaded;
void record_unload(intptr_t param) { g_unloaded.push_back(param); }

vrnrt_nodeentry entry(int32_t priority, intptr_t param) {
    vrnrt_nodeentry e{};
    e.priority = priority;
    e.param = param;
    e.unload = record_unload;
    return e;
}

// The libraries of a type's entry list, head first.
std::vector<int> libids(const vrnrt_list &list) {
    std::vector<int> out;
    for (const vrml_listitem *it = list.head; it; it = it->next)
        out.push_back(static_cast<const vrnrt_pluginentry *>(it->data)->libid);
    return out;
}

std::vector<intptr_t> params(const vrnrt_list &list) {
    std::vector<intptr_t> out;
    for (const vrml_listitem *it = list.head; it; it = it->next)
        out.push_back(static_cast<const vrnrt_pluginentry *>(it->data)->entry->param);
    return out;
}

// A runtime context under a key of its own, deleted at the end of a test.
class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        g_unloaded.clear();
        pc = vrnrt_createpc(key);
        ASSERT_NE(pc, nullptr);
    }
    void TearDown() override {
        vrnrt_deletepc(key);
        EXPECT_EQ(vrnrt_getpc(key), nullptr);
    }
    const uintptr_t key = 0x5eed;
    vrnrt_pc *pc = nullptr;
};

TEST(RegistryContexts, OneContextPerKeyRegisteredOnce) {
    LogCapture log(LogCapture::kWithNotices);
    const uintptr_t key = 0x1001;
    EXPECT_EQ(vrnrt_getpc(key), nullptr);
    vrnrt_pc *pc = vrnrt_createpc(key);
    ASSERT_NE(pc, nullptr);
    EXPECT_EQ(pc->key, key);
    EXPECT_EQ(pc->lastlibid, 0);
    EXPECT_EQ(vrnrt_createpc(key), pc);
    EXPECT_EQ(vrnrt_getpc(key), pc);
    const std::string added =
        "vrnrt_addpc:  Added pc from threadid " + std::to_string(static_cast<int>(vrml_current_threadid()));
    ASSERT_EQ(log.texts(), (std::vector<std::string>{added}));
    EXPECT_EQ(log.messages()[0].severity, VRML_LOG_NOTICE);

    vrnrt_pc *other = vrnrt_createpc(key + 1);
    EXPECT_NE(other, pc);
    vrnrt_deletepc(key);
    EXPECT_EQ(vrnrt_getpc(key), nullptr);
    EXPECT_EQ(vrnrt_getpc(key + 1), other);
    vrnrt_deletepc(key);  // a second delete finds nothing
    vrnrt_deletepc(key + 1);
    EXPECT_EQ(vrnrt_getpc(key + 1), nullptr);
}

TEST(RegistryContexts, KeyWithoutContextRegistersNothing) {
    const uintptr_t none = 0x1002;
    vrnrt_nodeentry e = entry(0, 1);
    EXPECT_EQ(vrnrt_registerlib(none, "a"), -1);
    EXPECT_EQ(vrnrt_findlib(none, "a"), -1);
    EXPECT_EQ(vrnrt_loadplugin(none, "a", 1, &e), -1);
    EXPECT_EQ(vrnrt_loadplugin_nodeentry(none, "a", 0, &e), -1);
    EXPECT_EQ(vrnrt_unloadplugin(none, "a"), 0);
    EXPECT_EQ(vrnrt_unloadallplugins(none), 0);
    EXPECT_EQ(vrnrt_getnativenodeparam(none, 0, 1), 0);
    vrnrt_finalizeplugins(none);
    vrnrt_deletepc(none);
    EXPECT_EQ(vrnrt_getpc(none), nullptr);
    EXPECT_EQ(vrnrt_getnodeentry(nullptr, 0, 1), nullptr);
}

TEST_F(Registry, LibraryIdsFollowFirstRegistration) {
    LogCapture log(LogCapture::kWithNotices);
    EXPECT_EQ(vrnrt_registerlib(key, "a"), 1);
    EXPECT_EQ(vrnrt_registerlib(key, "b"), 2);
    EXPECT_EQ(vrnrt_registerlib(key, "a"), 1);
    EXPECT_EQ(vrnrt_findlib(key, "b"), 2);
    EXPECT_EQ(vrnrt_findlib(key, "c"), -1);
    EXPECT_EQ(vrnrt_findlib(key, "A"), -1);
    EXPECT_EQ(pc->lastlibid, 2);
    EXPECT_EQ(pc->libraries.count, 2);
    EXPECT_EQ(log.texts(), (std::vector<std::string>{
                               "vrnrt_registerlib:  Registering unique library a id 1",
                               "vrnrt_registerlib:  Registering unique library b id 2"}));
}

TEST_F(Registry, OverlongNamesAndTheLibraryLimitAreRefused) {
    const std::string longest(255, 'n');
    EXPECT_EQ(vrnrt_registerlib(key, longest.c_str()), 1);
    EXPECT_EQ(vrnrt_findlib(key, longest.c_str()), 1);
    const std::string too_long(256, 'n');
    EXPECT_EQ(vrnrt_registerlib(key, too_long.c_str()), -1);
    EXPECT_EQ(vrnrt_registerlib(key, nullptr), -1);
    for (int id = 2; id <= 254; ++id)
        ASSERT_EQ(vrnrt_registerlib(key, ("lib" + std::to_string(id)).c_str()), id);
    EXPECT_EQ(vrnrt_registerlib(key, "one too many"), -1);
    vrnrt_nodeentry e = entry(0, 0);
    EXPECT_EQ(vrnrt_loadplugin_nodeentry(key, "one too many", 3, &e), -1);
    EXPECT_EQ(pc->lastlibid, 254);
    EXPECT_EQ(pc->libraries.count, 254);
    EXPECT_EQ(pc->entries[3].count, 0);
    EXPECT_EQ(vrnrt_registerlib(key, "lib254"), 254);  // known names still answer
}

TEST_F(Registry, OutOfRangeLoadsAreRefusedBeforeRegistering) {
    std::vector<vrnrt_nodeentry> many(82, entry(0, 0));
    EXPECT_EQ(vrnrt_loadplugin(key, "a", 82, many.data()), -1);
    EXPECT_EQ(vrnrt_loadplugin(key, "a", 1, nullptr), -1);
    EXPECT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 81, many.data()), -1);
    EXPECT_EQ(vrnrt_loadplugin_nodeentry(key, "a", -1, many.data()), -1);
    EXPECT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 0, nullptr), -1);
    EXPECT_EQ(vrnrt_findlib(key, "a"), -1);
    for (const vrnrt_list &list : pc->entries) EXPECT_EQ(list.head, nullptr);

    EXPECT_EQ(vrnrt_loadplugin(key, "a", 81, many.data()), 1);
    for (const vrnrt_list &list : pc->entries) EXPECT_EQ(list.count, 1);
}

TEST_F(Registry, LoadWithCountZeroOnlyRegisters) {
    EXPECT_EQ(vrnrt_loadplugin(key, "a", 0, nullptr), 1);
    EXPECT_EQ(vrnrt_findlib(key, "a"), 1);
    for (const vrnrt_list &list : pc->entries) EXPECT_EQ(list.head, nullptr);
}

TEST_F(Registry, EntriesAreCopiedAndShareOneNameCopy) {
    char name[] = "plug";
    vrnrt_nodeentry entries[3] = {entry(1, 10), entry(2, 20), entry(3, 30)};
    ASSERT_EQ(vrnrt_loadplugin(key, name, 3, entries), 1);
    entries[1].param = 99;  // the runtime holds its own copies
    const char *shared = nullptr;
    for (int type = 0; type < 3; ++type) {
        ASSERT_EQ(pc->entries[type].count, 1);
        auto *p = static_cast<vrnrt_pluginentry *>(pc->entries[type].head->data);
        EXPECT_EQ(p->libid, 1);
        EXPECT_NE(p->entry, &entries[type]);
        EXPECT_EQ(p->entry->param, 10 * (type + 1));
        EXPECT_NE(p->name, name);
        EXPECT_STREQ(p->name, "plug");
        if (shared) {
            EXPECT_EQ(p->name, shared);
        }
        shared = p->name;
    }
    EXPECT_EQ(pc->entries[3].head, nullptr);

    // A single entry keeps the caller's name itself.
    vrnrt_nodeentry one = entry(0, 5);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, name, 40, &one), 1);
    EXPECT_EQ(static_cast<vrnrt_pluginentry *>(pc->entries[40].head->data)->name, name);
    EXPECT_EQ(vrnrt_getnativenodeparam(key, 1, 1), 20);
    EXPECT_EQ(vrnrt_getnativenodeparam(key, 40, 1), 5);
    EXPECT_EQ(vrnrt_getnativenodeparam(key, 40, -1), 0);
    EXPECT_EQ(vrnrt_getnativenodeparam(key, 41, 1), 0);
    EXPECT_EQ(vrnrt_getnativenodeparam(key, 81, 1), 0);
    EXPECT_EQ(vrnrt_getnodeentry(pc, 81, 1), nullptr);
    EXPECT_EQ(vrnrt_getnodeentry(pc, -1, 1), nullptr);
    EXPECT_EQ(vrnrt_getnodeentry(pc, 40, 2), nullptr);
    vrnrt_unloadplugin(key, name);  // before name goes away
}

TEST_F(Registry, EntriesOfOneTypeAreHeldByPriorityThenLoadOrder) {
    vrnrt_nodeentry e10 = entry(10, 1), e5 = entry(5, 2), e5b = entry(5, 3);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 50, &e10), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "b", 50, &e5), 2);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "c", 50, &e5b), 3);
    EXPECT_EQ(libids(pc->entries[50]), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(pc->entries[50].count, 3);
}

TEST_F(Registry, UnloadRemovesEveryEntryOfTheLibraryOnly) {
    vrnrt_nodeentry a5 = entry(5, 51), b5 = entry(5, 52), a7 = entry(7, 71), a0 = entry(0, 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 20, &a5), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "b", 20, &b5), 2);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 20, &a7), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 3, &a0), 1);
    EXPECT_EQ(params(pc->entries[20]), (std::vector<intptr_t>{51, 52, 71}));

    EXPECT_EQ(vrnrt_unloadplugin(key, "a"), 0);
    // Types in ascending order, each list in its order.
    EXPECT_EQ(g_unloaded, (std::vector<intptr_t>{1, 51, 71}));
    EXPECT_EQ(params(pc->entries[20]), (std::vector<intptr_t>{52}));
    EXPECT_EQ(pc->entries[20].count, 1);
    EXPECT_EQ(pc->entries[20].head, pc->entries[20].tail);
    EXPECT_EQ(pc->entries[3].head, nullptr);
    EXPECT_EQ(vrnrt_findlib(key, "a"), 1);  // still registered

    g_unloaded.clear();
    EXPECT_EQ(vrnrt_unloadplugin(key, "a"), 0);  // nothing left of a
    EXPECT_EQ(vrnrt_unloadplugin(key, "unknown"), 0);
    EXPECT_TRUE(g_unloaded.empty());

    EXPECT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 20, &a7), 1);
    EXPECT_EQ(params(pc->entries[20]), (std::vector<intptr_t>{52, 71}));
    EXPECT_EQ(pc->entries[20].count, 2);
}

TEST_F(Registry, EntriesWithoutUnloadCallbackAreRemovedQuietly) {
    vrnrt_nodeentry quiet{};
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "q", 7, &quiet), 1);
    vrnrt_unloadplugin(key, "q");
    EXPECT_EQ(pc->entries[7].head, nullptr);
    EXPECT_TRUE(g_unloaded.empty());
}

TEST_F(Registry, FinalizeRecordsPositionsPerTypeAndLibrary) {
    vrnrt_nodeentry e2 = entry(2, 0), e1 = entry(1, 0);
    ASSERT_EQ(vrnrt_registerlib(key, "a"), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "b", 10, &e1), 2);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 10, &e2), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 11, &e2), 1);
    EXPECT_EQ(pc->positions[10][1], 0);  // nothing before finalizing
    vrnrt_finalizeplugins(key);
    EXPECT_EQ(pc->positions[10][2], 0);
    EXPECT_EQ(pc->positions[10][1], 1);
    EXPECT_EQ(pc->positions[11][1], 0);

    // Cells of libraries without an entry keep their value.
    vrnrt_unloadplugin(key, "b");
    vrnrt_finalizeplugins(key);
    EXPECT_EQ(pc->positions[10][1], 0);
    EXPECT_EQ(pc->positions[10][2], 0);
    pc->positions[12][1] = 77;
    vrnrt_finalizeplugins(key);
    EXPECT_EQ(pc->positions[12][1], 77);
    vrnrt_finalizeplugins(0);  // the zero key has no context
}

void never_called(vrnrt_callinfo *) { ADD_FAILURE() << "pending update ran"; }

TEST_F(Registry, DeleteRunsUnloadsAndDropsPendingUpdates) {
    vrnrt_nodeentry a = entry(0, 11), b = entry(0, 22);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 1, &a), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "b", 2, &b), 2);
    ASSERT_EQ(vrnrt_listappend(&pc->pending, vrnrt_createinit(nullptr, nullptr, 0, never_called)), 0);
    vrnrt_deletepc(key);
    EXPECT_EQ(g_unloaded, (std::vector<intptr_t>{11, 22}));
    EXPECT_EQ(vrnrt_getpc(key), nullptr);
}

TEST(RegistryContexts, UnloadByThreadAffectsTheFirstContextOfThatThread) {
    g_unloaded.clear();
    const uintptr_t first = 0x2001, second = 0x2002;
    uint32_t creator = 0;
    vrnrt_nodeentry e1 = entry(0, 1), e2 = entry(0, 2);
    std::thread([&] {
        creator = vrml_current_threadid();
        vrnrt_createpc(first);
        vrnrt_createpc(second);
        vrnrt_loadplugin_nodeentry(first, "a", 5, &e1);
        vrnrt_loadplugin_nodeentry(second, "a", 5, &e2);
    }).join();
    EXPECT_NE(creator, vrml_current_threadid());
    EXPECT_EQ(vrnrt_unloadpluginbyid(creator, "a"), 0);
    EXPECT_EQ(g_unloaded, (std::vector<intptr_t>{1}));
    EXPECT_EQ(vrnrt_getpc(first)->entries[5].head, nullptr);
    EXPECT_NE(vrnrt_getpc(second)->entries[5].head, nullptr);
    EXPECT_EQ(vrnrt_unloadpluginbyid(vrml_current_threadid(), "a"), 0);  // no context of ours
    EXPECT_EQ(g_unloaded.size(), 1u);
    vrnrt_deletepc(first);
    vrnrt_deletepc(second);
    EXPECT_EQ(g_unloaded, (std::vector<intptr_t>{1, 2}));
}

// Several threads make, use and delete contexts under keys of their own at
// the same time; only the registry is shared.
TEST(RegistryContexts, ThreadsWithDistinctKeysDoNotDisturbEachOther) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 300;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            vrnrt_nodeentry e{};
            for (int round = 0; round < kRounds; ++round) {
                const uintptr_t key = 0x10000u + static_cast<uintptr_t>(t) * 0x1000u +
                                      static_cast<uintptr_t>(round);
                e.param = static_cast<intptr_t>(key);
                vrnrt_pc *pc = vrnrt_createpc(key);
                bool ok = pc && pc->key == key && vrnrt_getpc(key) == pc &&
                          vrnrt_loadplugin_nodeentry(key, "lib", round % 81, &e) == 1 &&
                          vrnrt_getnativenodeparam(key, round % 81, 1) == e.param;
                vrnrt_finalizeplugins(key);
                vrnrt_deletepc(key);
                ok = ok && vrnrt_getpc(key) == nullptr;
                if (!ok) ++failures[t];
            }
        });
    }
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
}

}  // namespace
