// Runtime contexts and the registry, by key and by thread. (Libraries,
// entries and positions: the sessions of natives_test.cpp.)
#include <thread>

#include "platform/sync.h"
#include "support/test_support.h"

namespace {

std::string g_unloaded;  // every unload call's parameter, in order
void record_unload(intptr_t param) { g_unloaded += std::to_string(param) + " "; }

vrnrt_nodeentry entry(int32_t priority, intptr_t param) {
    return {0, 0, priority, param, nullptr, nullptr, nullptr, nullptr, record_unload};
}

TEST(RegistryContexts, OneContextPerKeyRegisteredOnce) {
    LogCapture log(LogCapture::kWithNotices);
    const uintptr_t key = 0x1001;
    EXPECT_EQ(vrnrt_getpc(key), nullptr);
    vrnrt_pc *pc = vrnrt_createpc(key);
    ASSERT_NE(pc, nullptr);
    EXPECT_TRUE(pc->key == key && pc->lastlibid == 0 && vrnrt_createpc(key) == pc && vrnrt_getpc(key) == pc);
    ASSERT_EQ(log.texts(), (std::vector<std::string>{"vrnrt_addpc:  Added pc from threadid " +
                                                     std::to_string(static_cast<int>(vrml_current_threadid()))}));
    EXPECT_EQ(log.messages()[0].severity, VRML_LOG_NOTICE);
    vrnrt_pc *other = vrnrt_createpc(key + 1);
    EXPECT_NE(other, pc);
    vrnrt_deletepc(key);
    EXPECT_TRUE(vrnrt_getpc(key) == nullptr && vrnrt_getpc(key + 1) == other);
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
    vrnrt_finalizeplugins(0);
    EXPECT_EQ(vrnrt_getpc(key), nullptr);
    EXPECT_EQ(vrnrt_getnodeentry(nullptr, 0, 1), nullptr);
}

// At most 254 libraries; the entries of several types loaded at once share
// one copy of the name, a single entry keeps the caller's.
TEST(RegistryContexts, LibraryLimitAndNameCopies) {
    const uintptr_t key = 0x1003;
    vrnrt_pc *pc = vrnrt_createpc(key);
    char name[] = "plug";
    vrnrt_nodeentry entries[2] = {entry(1, 10), entry(2, 20)};
    ASSERT_EQ(vrnrt_loadplugin(key, name, 2, entries), 1);
    ASSERT_EQ(vrnrt_loadplugin_nodeentry(key, name, 40, &entries[0]), 1);
    auto name_of = [&](int type) { return static_cast<vrnrt_pluginentry *>(pc->entries[type].head->data)->name; };
    EXPECT_TRUE(name_of(0) != name && name_of(1) == name_of(0) && name_of(40) == name);
    for (int id = 2; id <= 254; ++id) ASSERT_EQ(vrnrt_registerlib(key, ("lib" + std::to_string(id)).c_str()), id);
    EXPECT_EQ(vrnrt_registerlib(key, "one too many"), -1);
    EXPECT_EQ(vrnrt_loadplugin_nodeentry(key, "one too many", 3, &entries[0]), -1);
    EXPECT_EQ(std::vector<int>({pc->lastlibid, pc->libraries.count, pc->entries[3].count}),
              std::vector<int>({254, 254, 0}));
    EXPECT_EQ(vrnrt_registerlib(key, "lib254"), 254);  // known names still answer
    g_unloaded.clear();
    vrnrt_deletepc(key);  // before name goes away
    EXPECT_EQ(g_unloaded, "10 20 10 ");
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
