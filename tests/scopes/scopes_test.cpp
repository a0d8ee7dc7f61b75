#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "nodes/node_internal.h"
#include "scopes/scope_internal.h"
#include "support/test_support.h"

namespace {

struct Scene {
    Scene() : ctx(vrmlutil_loadscene(in.get(), out.get())) {}
    StringInput in{""};
    BufferOutput out;
    vrml_context *ctx;
    SceneUnloader unload{ctx};
};

vrml_deftable *new_table() { return static_cast<vrml_deftable *>(vrml_createnamespace()); }

std::vector<std::string> numbered(const char *prefix, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(prefix + std::to_string(i));
    return names;
}

void free_table(vrml_deftable *table) {
    for (vrml_list *list : {&table->defs, &table->routes})
        while (list->first) std::free(vrml_listdelete(list, list->first->data));
    vrml_deftable_releaseindex(table);
    std::free(table);
}

TEST(Scopes, LoadingMakesAndPushesScopeZero) {
    Scene scene;
    ASSERT_NE(scene.ctx, nullptr);
    vrml_scope *zero = vrml_getscopeentry(scene.ctx, 0);
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(scene.ctx->scopedepth, 1);
    EXPECT_EQ(scene.ctx->scopestack[0], zero);
    EXPECT_EQ(vrml_gettopscope(scene.ctx), zero);
    EXPECT_EQ(vrml_getparentscope(scene.ctx), nullptr);
    EXPECT_EQ(scene.ctx->templates, zero->templates);
    EXPECT_EQ(scene.ctx->deftable, zero->deftable);
    EXPECT_EQ(scene.ctx->scopeowner, nullptr);
    EXPECT_EQ(zero->templates->count, 81);
    EXPECT_EQ(zero->protoindex, 0);
    EXPECT_EQ(scene.ctx->declaredscopes.count, 1);
    EXPECT_EQ(vrml_getscopeentry(scene.ctx, 1), nullptr);
    EXPECT_EQ(vrml_getscopeentry(scene.ctx, -1), nullptr);
}

TEST(Scopes, NewScopesHaveTablesOfTheirOwn) {
    Scene scene;
    int a = vrml_newscope(scene.ctx), b = vrml_newscope(scene.ctx);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    vrml_scope *sa = vrml_getscopeentry(scene.ctx, a), *sb = vrml_getscopeentry(scene.ctx, b);
    ASSERT_NE(sa, nullptr);
    EXPECT_NE(sa->templates, sb->templates);
    EXPECT_NE(sa->deftable, sb->deftable);
    EXPECT_EQ(sa->templates->count, 81);
    EXPECT_EQ(vrml_findnode(sa->templates, "WorldInfo"), 53);
    EXPECT_EQ(scene.ctx->declaredscopes.count, 3);
    EXPECT_EQ(scene.ctx->declaredscopes.last->data, sb);
}

TEST(DefTable, LatestDefWinsAndIndicesArePositions) {
    vrml_deftable *table = new_table();
    EXPECT_EQ(vrml_finddefidx(table, "A"), -1);
    EXPECT_EQ(vrml_adddef(table, strdup("A"), nullptr), 1);
    EXPECT_EQ(vrml_adddef(table, strdup("B"), nullptr), 2);
    EXPECT_EQ(vrml_adddef(table, strdup("A"), nullptr), 3);
    EXPECT_EQ(vrml_finddefidx(table, "A"), 2);
    EXPECT_EQ(vrml_finddefidx(table, "B"), 1);
    EXPECT_EQ(vrml_finddefidx(table, "a"), -1);
    EXPECT_EQ(vrml_finddefidx(table, nullptr), -1);
    EXPECT_EQ(vrml_finddefidx(nullptr, "A"), -1);
    EXPECT_STREQ(vrml_getdefentry(table, 1)->name, "B");
    EXPECT_EQ(vrml_getdefentry(table, -1), nullptr);
    EXPECT_EQ(vrml_getdefentry(table, 3), nullptr);
    EXPECT_EQ(vrml_getdefentry(nullptr, 0), nullptr);
    for (vrml_listitem *it = table->defs.first; it; it = it->next)
        std::free(static_cast<vrml_defentry *>(it->data)->name);
    free_table(table);
}

TEST(DefTable, NewDefBindsTheNode) {
    Scene scene;
    vrml_node *node = vrml_createnode(scene.ctx, 19);
    char name[] = "G";
    vrml_defentry *entry = vrml_newdef(name, node);
    EXPECT_EQ(entry->name, name);
    EXPECT_EQ(entry->node, node);
    EXPECT_EQ(node->defname, name);
    vrml_defentry *unbound = vrml_newdef(name, nullptr);
    EXPECT_EQ(unbound->node, nullptr);
    std::free(entry);
    std::free(unbound);
}

TEST(DefTable, DefNamesAreSeenOnlyInTheirOwnScope) {
    Scene scene;
    int inner = vrml_newscope(scene.ctx);
    vrml_scope *s = vrml_getscopeentry(scene.ctx, inner);
    vrml_adddef(scene.ctx->deftable, strdup("Outer"), nullptr);
    vrml_pushscope(scene.ctx, s);
    vrml_adddef(scene.ctx->deftable, strdup("Inner"), nullptr);
    EXPECT_EQ(vrml_finddefidx(scene.ctx->deftable, "Outer"), -1);
    EXPECT_EQ(vrml_finddefidx(scene.ctx->deftable, "Inner"), 0);
    vrml_popscope(scene.ctx);
    EXPECT_EQ(vrml_finddefidx(scene.ctx->deftable, "Inner"), -1);
    EXPECT_EQ(vrml_finddefidx(scene.ctx->deftable, "Outer"), 0);
}

TEST(DefTable, IndexFollowsChangesMadeThroughTheListOperations) {
    // Random appends and removals through the list operations; every answer
    // equals a walk over the list.
    vrml_deftable *table = new_table();
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) names.push_back("N" + std::to_string(i % 17));
    std::vector<vrml_defentry *> entries;
    std::mt19937 random(7);
    auto check = [&]() {
        int pos = 0;
        for (vrml_listitem *it = table->defs.first; it; it = it->next, ++pos)
            ASSERT_EQ(vrml_getdefentry(table, pos), it->data) << pos;
        ASSERT_EQ(vrml_getdefentry(table, pos), nullptr);
        for (int n = 0; n < 17; ++n) {
            std::string name = "N" + std::to_string(n);
            int want = -1, p = 0;
            for (vrml_listitem *it = table->defs.first; it; it = it->next, ++p)
                if (name == static_cast<vrml_defentry *>(it->data)->name) want = p;
            ASSERT_EQ(vrml_finddefidx(table, name.c_str()), want) << name;
        }
    };
    for (int step = 0; step < 600; ++step) {
        int op = static_cast<int>(random() % 6);
        if (op <= 2 || table->defs.count == 0) {
            vrml_adddef(table, const_cast<char *>(names[random() % names.size()].c_str()), nullptr);
        } else if (op == 3) {
            // Remove one item from anywhere.
            int k = static_cast<int>(random() % static_cast<unsigned>(table->defs.count));
            vrml_listitem *it = table->defs.first;
            while (k--) it = it->next;
            std::free(vrml_listdelete(&table->defs, it->data));
        } else if (op == 4) {
            // Remove the last item and append another in its place.
            std::free(vrml_listdelete(&table->defs, table->defs.last->data));
            vrml_adddef(table, const_cast<char *>(names[random() % names.size()].c_str()), nullptr);
        } else {
            // Unlink the last item and append it again: the same list.
            vrml_listitem *last = table->defs.last;
            vrml_listdeleteitem(&table->defs, last);
            vrml_listappend(&table->defs, last->data);
            std::free(last);
        }
        if (step % 3 == 0) check();
    }
    check();
    free_table(table);
}

TEST(DefTable, LargeBatchesAreIndexedLikeAWalk) {
    // Appends in batches of many sizes between lookups (each batch is
    // indexed at once), names repeated and some entries without a name;
    // then a removal makes the whole list indexed again.
    vrml_deftable *table = new_table();
    std::vector<std::string> names = numbered("Name_", 700);
    std::vector<int> latest(names.size(), -1);
    auto check = [&]() {
        for (size_t n = 0; n < names.size(); ++n)
            ASSERT_EQ(vrml_finddefidx(table, names[n].c_str()), latest[n]) << names[n];
        int pos = 0;
        for (vrml_listitem *it = table->defs.first; it; it = it->next, ++pos)
            ASSERT_EQ(vrml_getdefentry(table, pos), it->data) << pos;
    };
    std::mt19937 random(11);
    int count = 0;
    for (int batch : {1, 7, 8, 9, 16, 17, 100, 1, 0, 2000, 3}) {
        for (int k = 0; k < batch; ++k, ++count) {
            if (random() % 10 == 0) {
                vrml_adddef(table, nullptr, nullptr);
                continue;
            }
            size_t n = random() % names.size();
            vrml_adddef(table, const_cast<char *>(names[n].c_str()), nullptr);
            latest[n] = count;
        }
        check();
    }
    std::free(vrml_listdelete(&table->defs, table->defs.first->data));
    for (int &pos : latest) pos = pos == 0 ? -1 : pos - (pos > 0);
    check();
    free_table(table);
}

TEST(DefTable, AWrongCountSetByTheHostChangesNoAnswer) {
    vrml_deftable *table = new_table();
    std::vector<std::string> names = numbered("D", 3000);
    for (const std::string &name : names) vrml_adddef(table, const_cast<char *>(name.c_str()), nullptr);
    for (int32_t count : {INT32_MAX, 1, 0, -5, 3000}) {
        table->defs.count = count;
        for (int i : {0, 1, 1499, 2999})
            ASSERT_EQ(vrml_finddefidx(table, names[static_cast<size_t>(i)].c_str()), i) << count;
        ASSERT_EQ(vrml_getdefentry(table, 2999), table->defs.last->data) << count;
        ASSERT_EQ(vrml_getdefentry(table, 3000), nullptr) << count;
    }
    free_table(table);
}

TEST(DefTable, ScopeListIndexFollowsTheHost) {
    Scene scene;
    for (int i = 0; i < 5; ++i) vrml_newscope(scene.ctx);
    vrml_scope *third = vrml_getscopeentry(scene.ctx, 3);
    vrml_scope *fourth = vrml_getscopeentry(scene.ctx, 4);
    vrml_listdelete(&scene.ctx->scopes, third);
    EXPECT_EQ(vrml_getscopeentry(scene.ctx, 3), fourth);
    vrml_listappend(&scene.ctx->scopes, third);
    EXPECT_EQ(vrml_getscopeentry(scene.ctx, 5), third);
    EXPECT_EQ(vrml_getscopeentry(scene.ctx, 6), nullptr);
}

TEST(DupScope, CopiesNamesWithoutNodesAndRoutesIntoTheNewScope) {
    Scene scene;
    int s = vrml_newscope(scene.ctx);
    vrml_scope *source = vrml_getscopeentry(scene.ctx, s);
    vrml_node *node = vrml_createnode(scene.ctx, 5);
    char n0[] = "A", n1[] = "B", n2[] = "A";
    vrml_adddef(source->deftable, n0, node);
    vrml_adddef(source->deftable, n1, node);
    vrml_adddef(source->deftable, n2, node);
    vrml_route *r0 = vrml_addroute(source->deftable, 0, 1, 2, 3);
    vrml_route *r1 = vrml_addroute(source->deftable, 1, 4, 0, 5);
    r0->scope = r1->scope = source;
    r1->sourcenode = node;
    source->owner = node;
    int n = vrml_dupscope(scene.ctx, source);
    ASSERT_EQ(n, s + 1);
    vrml_scope *copy = vrml_getscopeentry(scene.ctx, n);
    EXPECT_EQ(copy->templates, source->templates);
    EXPECT_EQ(copy->owner, node);
    EXPECT_EQ(copy->protoindex, 0);
    EXPECT_NE(copy->deftable, source->deftable);
    ASSERT_EQ(copy->deftable->defs.count, 3);
    char *names[] = {n0, n1, n2};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(vrml_getdefentry(copy->deftable, i)->name, names[i]);
        EXPECT_EQ(vrml_getdefentry(copy->deftable, i)->node, nullptr);
    }
    EXPECT_EQ(vrml_finddefidx(copy->deftable, "A"), 2);
    ASSERT_EQ(copy->deftable->routes.count, 2);
    auto *c0 = static_cast<vrml_route *>(copy->deftable->routes.first->data);
    auto *c1 = static_cast<vrml_route *>(copy->deftable->routes.last->data);
    EXPECT_NE(c0, r0);
    EXPECT_EQ(c0->scope, copy);
    EXPECT_EQ(c1->scope, copy);
    EXPECT_EQ(c0->sourcedef, 0);
    EXPECT_EQ(c0->sourcemember, 1);
    EXPECT_EQ(c0->targetdef, 2);
    EXPECT_EQ(c0->targetmember, 3);
    EXPECT_EQ(c1->sourcenode, nullptr);
    EXPECT_EQ(scene.ctx->instancescopes.last->data, copy);
    EXPECT_EQ(vrml_dupscope(scene.ctx, nullptr), -1);
}

TEST(Routes, NewAddAndDuplicate) {
    vrml_route *route = vrml_newroute(1, 2, 3, 4);
    ASSERT_NE(route, nullptr);
    EXPECT_EQ(route->scope, nullptr);
    EXPECT_EQ(route->sourcedef, 1);
    EXPECT_EQ(route->sourcemember, 2);
    EXPECT_EQ(route->targetdef, 3);
    EXPECT_EQ(route->targetmember, 4);
    EXPECT_EQ(route->notifier, nullptr);
    EXPECT_EQ(route->key, 0);
    vrml_scope scope{};
    route->scope = &scope;
    route->sourcenode = reinterpret_cast<vrml_node *>(route);
    route->key = 9;
    vrml_route *copy = vrml_duproute(route);
    EXPECT_EQ(copy->scope, &scope);
    EXPECT_EQ(copy->targetmember, 4);
    EXPECT_EQ(copy->sourcenode, nullptr);
    EXPECT_EQ(copy->key, 0);
    EXPECT_EQ(vrml_duproute(nullptr), nullptr);
    vrml_deftable *table = new_table();
    vrml_route *added = vrml_addroute(table, 5, 6, 7, 8);
    ASSERT_EQ(table->routes.count, 1);
    EXPECT_EQ(table->routes.first->data, added);
    EXPECT_EQ(added->targetdef, 7);
    std::free(route);
    std::free(copy);
    free_table(table);
}

TEST(ScopeStack, PushPopAndTheCachedTables) {
    Scene scene;
    vrml_scope *zero = vrml_getscopeentry(scene.ctx, 0);
    int a = vrml_newscope(scene.ctx);
    vrml_scope *sa = vrml_getscopeentry(scene.ctx, a);
    vrml_node *owner = vrml_createnode(scene.ctx, 19);
    sa->owner = owner;
    EXPECT_EQ(vrml_pushscope(scene.ctx, sa), 1);
    EXPECT_EQ(scene.ctx->templates, sa->templates);
    EXPECT_EQ(scene.ctx->deftable, sa->deftable);
    EXPECT_EQ(scene.ctx->scopeowner, owner);
    EXPECT_EQ(vrml_getparentscope(scene.ctx), zero);
    EXPECT_EQ(vrml_pushscopeidx(scene.ctx, 77), -1);
    EXPECT_EQ(vrml_pushscopeidx(scene.ctx, 0), 2);
    EXPECT_EQ(vrml_popscope(scene.ctx), zero);
    EXPECT_EQ(vrml_popscope(scene.ctx), sa);
    EXPECT_EQ(scene.ctx->scopeowner, nullptr);
    EXPECT_EQ(scene.ctx->templates, zero->templates);
    LogCapture log;
    EXPECT_EQ(vrml_popscope(scene.ctx), zero);
    EXPECT_EQ(log.texts(), std::vector<std::string>({"v_pops: stack is empty"}));
    EXPECT_EQ(scene.ctx->scopedepth, 0);
    EXPECT_EQ(scene.ctx->templates, zero->templates);  // still cached
    EXPECT_EQ(vrml_popscope(scene.ctx), nullptr);
    EXPECT_EQ(vrml_gettopscope(scene.ctx), nullptr);
    EXPECT_EQ(vrml_pushscope(scene.ctx, nullptr), -1);
}

TEST(ScopeStack, TwentyOnePushesAreAllowed) {
    Scene scene;
    vrml_scope *zero = vrml_getscopeentry(scene.ctx, 0);
    for (int i = 1; i < 21; ++i) EXPECT_EQ(vrml_pushscope(scene.ctx, zero), i);
    EXPECT_EQ(scene.ctx->scopedepth, 21);
}

TEST(ScopeStackDeathTest, TheTwentySecondPushEndsTheProcess) {
    Scene scene;
    vrml_scope *zero = vrml_getscopeentry(scene.ctx, 0);
    for (int i = 1; i < 21; ++i) vrml_pushscope(scene.ctx, zero);
    EXPECT_EXIT(vrml_pushscope(scene.ctx, zero), FatalExit(), "");
}

TEST(ScopeStackDeathTest, TheFatalMessageNamesTheDepth) {
    Scene scene;
    vrml_scope *zero = vrml_getscopeentry(scene.ctx, 0);
    scene.ctx->scopedepth = 21;
    EXPECT_EXIT(
        {
            vrml_setfatalhandler([](void *, const char *message) { std::fprintf(stderr, "[%s]", message); },
                                 nullptr);
            vrml_pushscope(scene.ctx, zero);
        },
        FatalExit(), "\\[Scope stack is too deep: 21\\]");
}

TEST(SetScope, MakesAScopeCurrentWithoutPushing) {
    Scene scene;
    int a = vrml_newscope(scene.ctx);
    vrml_scope *sa = vrml_getscopeentry(scene.ctx, a);
    EXPECT_EQ(vrml_setscope(scene.ctx, a), 1);
    EXPECT_EQ(scene.ctx->scopeindex, a);
    EXPECT_EQ(scene.ctx->templates, sa->templates);
    EXPECT_EQ(scene.ctx->deftable, sa->deftable);
    EXPECT_EQ(scene.ctx->scopedepth, 1);
    LogCapture log;
    EXPECT_EQ(vrml_setscope(scene.ctx, 99), -1);
    EXPECT_EQ(log.texts(), std::vector<std::string>({"Could not set scopeid 99"}));
    EXPECT_EQ(scene.ctx->scopeindex, a);
}

}  // namespace
