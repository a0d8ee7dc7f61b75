// Runtime contexts, the registry, libraries and their ids, loading and
// unloading of plug-in entries, and the position table.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/sync.h"
#include "support/test_support.h"

namespace {

std::string g_unloaded;  // every unload call's parameter, in order
void record_unload(intptr_t param) { g_unloaded += std::to_string(param) + " "; }

vrnrt_nodeentry entry(int32_t priority, intptr_t param) {
    vrnrt_nodeentry e{};
    e.priority = priority;
    e.param = param;
    e.unload = record_unload;
    return e;
}

// "libid:param" of a type's entries, head first.
std::string entries_of(const vrnrt_list &list) {
    std::string out;
    for (const vrml_listitem *it = list.head; it; it = it->next) {
        auto *p = static_cast<const vrnrt_pluginentry *>(it->data);
        out += std::to_string(p->libid) + ":" + std::to_string(p->entry->param) + " ";
    }
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
    void TearDown() override { vrnrt_deletepc(key); }
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
    ASSERT_EQ(log.texts(), (std::vector<std::string>{"vrnrt_addpc:  Added pc from threadid " +
                                                     std::to_string(static_cast<int>(vrml_current_threadid()))}));
    EXPECT_EQ(log.messages()[0].severity, VRML_LOG_NOTICE);
    vrnrt_pc *other = vrnrt_createpc(key + 1);
    EXPECT_NE(other, pc);
    vrnrt_deletepc(key);
    EXPECT_EQ(vrnrt_getpc(key), nullptr);
    EXPECT_EQ(vrnrt_getpc(key + 1), other);
    vrnrt_deletepc(key);  // a second delete finds nothing
    vrnrt_deletepc(key + 1);
    EXPECT_EQ(vrnrt_getpc(key + 1), nullptr);
    // A key without context registers nothing.
    vrnrt_nodeentry e = entry(0, 1);
    EXPECT_EQ((std::vector<int>{vrnrt_registerlib(key, "a"), vrnrt_findlib(key, "a"),
                                vrnrt_loadplugin(key, "a", 1, &e), vrnrt_loadplugin_nodeentry(key, "a", 0, &e),
                                vrnrt_unloadplugin(key, "a"), vrnrt_unloadallplugins(key),
                                static_cast<int>(vrnrt_getnativenodeparam(key, 0, 1))}),
              (std::vector<int>{-1, -1, -1, -1, 0, 0, 0}));
    vrnrt_finalizeplugins(key);
    EXPECT_EQ(vrnrt_getpc(key), nullptr);
    EXPECT_EQ(vrnrt_getnodeentry(nullptr, 0, 1), nullptr);
}

TEST_F(Registry, LibraryIdsFollowFirstRegistrationUpTo254) {
    LogCapture log(LogCapture::kWithNotices);
    EXPECT_EQ(vrnrt_registerlib(key, "a"), 1);
    EXPECT_EQ(vrnrt_registerlib(key, "b"), 2);
    EXPECT_EQ(vrnrt_registerlib(key, "a"), 1);
    EXPECT_EQ(vrnrt_findlib(key, "b"), 2);
    EXPECT_EQ(vrnrt_findlib(key, "c"), -1);
    EXPECT_EQ(vrnrt_findlib(key, "A"), -1);
    EXPECT_EQ(log.texts(), (std::vector<std::string>{"vrnrt_registerlib:  Registering unique library a id 1",
                                                     "vrnrt_registerlib:  Registering unique library b id 2"}));
    const std::string longest(255, 'n'), too_long(256, 'n');
    EXPECT_EQ(vrnrt_registerlib(key, longest.c_str()), 3);
    EXPECT_EQ(vrnrt_findlib(key, longest.c_str()), 3);
    EXPECT_EQ(vrnrt_registerlib(key, too_long.c_str()), -1);
    EXPECT_EQ(vrnrt_registerlib(key, nullptr), -1);
    for (int id = 4; id <= 254; ++id) ASSERT_EQ(vrnrt_registerlib(key, ("lib" + std::to_string(id)).c_str()), id);
    EXPECT_EQ(vrnrt_registerlib(key, "one too many"), -1);
    vrnrt_nodeentry e = entry(0, 0);
    EXPECT_EQ(vrnrt_loadplugin_nodeentry(key, "one too many", 3, &e), -1);
    EXPECT_EQ(pc->lastlibid, 254);
    EXPECT_EQ(pc->libraries.count, 254);
    EXPECT_EQ(pc->entries[3].count, 0);
    EXPECT_EQ(vrnrt_registerlib(key, "lib254"), 254);  // known names still answer
}

TEST_F(Registry, RefusedLoadsRegisterNothing) {
    std::vector<vrnrt_nodeentry> many(82, entry(0, 0));
    EXPECT_EQ(vrnrt_loadplugin(key, "a", 82, many.data()), -1);
    EXPECT_EQ(vrnrt_loadplugin(key, "a", 1, nullptr), -1);
    EXPECT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 81, many.data()), -1);
    EXPECT_EQ(vrnrt_loadplugin_nodeentry(key, "a", -1, many.data()), -1);
    EXPECT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 0, nullptr), -1);
    EXPECT_EQ(vrnrt_findlib(key, "a"), -1);
    EXPECT_EQ(vrnrt_loadplugin(key, "z", 0, nullptr), 1);  // count 0: only registers
    for (const vrnrt_list &list : pc->entries) EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(vrnrt_loadplugin(key, "a", 81, many.data()), 2);
    for (const vrnrt_list &list : pc->entries) EXPECT_EQ(entries_of(list), "2:0 ");
}

TEST_F(Registry, EntriesAreCopiesHeldByPriorityThenLoadOrder) {
    char name[] = "plug";
    vrnrt_nodeentry entries[3] = {entry(1, 10), entry(2, 20), entry(3, 30)};
    ASSERT_EQ(vrnrt_loadplugin(key, name, 3, entries), 1);
    entries[1].param = 99;  // the runtime holds its own copies, under one copy of the name
    const char *shared = static_cast<vrnrt_pluginentry *>(pc->entries[0].head->data)->name;
    EXPECT_NE(shared, name);
    EXPECT_STREQ(shared, "plug");
    for (int type = 0; type < 3; ++type) {
        EXPECT_EQ(entries_of(pc->entries[type]), "1:" + std::to_string(10 * (type + 1)) + " ");
        EXPECT_EQ(static_cast<vrnrt_pluginentry *>(pc->entries[type].head->data)->name, shared);
    }
    vrnrt_nodeentry e10 = entry(10, 1), e5 = entry(5, 2), e5b = entry(5, 3);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, name, 40, &e10), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "b", 40, &e5), 2);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "c", 40, &e5b), 3);
    EXPECT_EQ(entries_of(pc->entries[40]), "2:2 3:3 1:1 ");
    EXPECT_EQ(pc->entries[40].count, 3);
    auto *own = static_cast<vrnrt_pluginentry *>(pc->entries[40].head->next->next->data);
    EXPECT_EQ(own->name, name);  // a single entry keeps the caller's name itself
    EXPECT_EQ(vrnrt_getnativenodeparam(key, 1, 1), 20);
    EXPECT_EQ(vrnrt_getnativenodeparam(key, 40, 3), 3);
    for (int type : {40, 41, 81}) EXPECT_EQ(vrnrt_getnativenodeparam(key, type, type == 40 ? -1 : 1), 0);
    EXPECT_EQ(vrnrt_getnodeentry(pc, 81, 1), nullptr);
    EXPECT_EQ(vrnrt_getnodeentry(pc, -1, 1), nullptr);
    EXPECT_EQ(vrnrt_getnodeentry(pc, 1, 2), nullptr);
    vrnrt_unloadplugin(key, name);  // before name goes away
}

// Unloading runs the unload callbacks by ascending type, each list in its
// order, and removes only that library's entries; it stays registered.
TEST_F(Registry, UnloadRemovesEveryEntryOfTheLibraryOnly) {
    vrnrt_nodeentry a5 = entry(5, 51), b5 = entry(5, 52), a7 = entry(7, 71), a0 = entry(0, 1), quiet{};
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 20, &a5), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "b", 20, &b5), 2);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 20, &a7), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 3, &a0), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 4, &quiet), 1);  // no unload callback
    EXPECT_EQ(vrnrt_unloadplugin(key, "a"), 0);
    EXPECT_EQ(g_unloaded, "1 51 71 ");
    EXPECT_EQ(entries_of(pc->entries[20]), "2:52 ");
    EXPECT_EQ(pc->entries[20].count, 1);
    EXPECT_EQ(pc->entries[20].head, pc->entries[20].tail);
    EXPECT_EQ(pc->entries[3].head, nullptr);
    EXPECT_EQ(pc->entries[4].head, nullptr);
    EXPECT_EQ(vrnrt_findlib(key, "a"), 1);
    EXPECT_EQ(vrnrt_unloadplugin(key, "a"), 0);  // nothing left of a
    EXPECT_EQ(vrnrt_unloadplugin(key, "unknown"), 0);
    EXPECT_EQ(g_unloaded, "1 51 71 ");
    EXPECT_EQ(vrnrt_loadplugin_nodeentry(key, "a", 20, &a7), 1);
    EXPECT_EQ(entries_of(pc->entries[20]), "2:52 1:71 ");
    EXPECT_EQ(pc->entries[20].count, 2);
}

// Positions of each library's entry per type, as of the last finalize.
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
    vrnrt_unloadplugin(key, "b");
    pc->positions[12][1] = 77;  // cells of libraries without an entry keep their value
    vrnrt_finalizeplugins(key);
    EXPECT_EQ(pc->positions[10][1], 0);
    EXPECT_EQ(pc->positions[10][2], 0);
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
    EXPECT_EQ(g_unloaded, "11 22 ");
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
    EXPECT_EQ(g_unloaded, "1 ");
    EXPECT_EQ(vrnrt_getpc(first)->entries[5].head, nullptr);
    EXPECT_NE(vrnrt_getpc(second)->entries[5].head, nullptr);
    EXPECT_EQ(vrnrt_unloadpluginbyid(vrml_current_threadid(), "a"), 0);  // no context of ours
    vrnrt_deletepc(first);
    vrnrt_deletepc(second);
    EXPECT_EQ(g_unloaded, "1 2 ");
}

// Several threads make, use and delete contexts under keys of their own at
// the same time; only the registry is shared.
TEST(RegistryContexts, ThreadsWithDistinctKeysDoNotDisturbEachOther) {
    constexpr int kThreads = 8, kRounds = 300;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            vrnrt_nodeentry e{};
            for (int round = 0; round < kRounds; ++round) {
                const uintptr_t key = 0x10000u + static_cast<uintptr_t>(t) * 0x1000u + static_cast<uintptr_t>(round);
                e.param = static_cast<intptr_t>(key);
                vrnrt_pc *pc = vrnrt_createpc(key);
                bool ok = pc && pc->key == key && vrnrt_getpc(key) == pc &&
                          vrnrt_loadplugin_nodeentry(key, "lib", round % 81, &e) == 1 &&
                          vrnrt_getnativenodeparam(key, round % 81, 1) == e.param;
                vrnrt_finalizeplugins(key);
                vrnrt_deletepc(key);
                if (!ok || vrnrt_getpc(key) != nullptr) ++failures[t];
            }
        });
    }
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
}

}  // namespace
