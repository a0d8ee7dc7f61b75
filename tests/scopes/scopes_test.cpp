#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "nodes/node_internal.h"
#include "scopes/scope_internal.h"
#include "support/loaded_scene.h"
#include "support/transcript.h"

namespace {

// Random DEF tables changed through the table and the list operations:
// appends in batches of many sizes (each batch is indexed at once; some
// entries without a name), removals anywhere, the last item unlinked and
// appended again, and counts the host set wrong. Every lookup must equal a
// walk over the list.
TEST(DefTable, LookupsMatchAListWalkWhateverChangesTheList) {
    auto *table = static_cast<vrml_deftable *>(vrml_createnamespace());
    std::vector<std::string> names;
    for (int i = 0; i < 700; ++i) names.push_back("N" + std::to_string(i));
    std::mt19937 random(7);
    auto check = [&] {
        std::vector<int> latest(names.size(), -1);
        int pos = 0;
        for (vrml_listitem *it = table->defs.first; it; it = it->next, ++pos) {
            ASSERT_EQ(vrml_getdefentry(table, pos), it->data) << pos;
            const char *name = static_cast<vrml_defentry *>(it->data)->name;
            if (name) latest[static_cast<size_t>(std::atoi(name + 1))] = pos;
        }
        ASSERT_EQ(vrml_getdefentry(table, pos), nullptr);
        for (size_t n = 0; n < names.size(); n += 1 + random() % 20)
            ASSERT_EQ(vrml_finddefidx(table, names[n].c_str()), latest[n]) << names[n];
    };
    for (int batch : {1, 7, 8, 9, 16, 17, 100, 1, 0, 2000, 3, 1, 2, 1, 1, 5, 1, 1, 3, 1, 1, 1}) {
        for (int k = 0; k < batch; ++k) {
            char *name = random() % 10 ? names[random() % (batch > 50 ? 700 : 20)].data() : nullptr;
            ASSERT_EQ(vrml_adddef(table, name, nullptr), table->defs.count);
        }
        check();
        for (int k = 0; k < 3 && table->defs.count > 0; ++k) {
            vrml_listitem *it = table->defs.first;
            for (unsigned n = random() % static_cast<unsigned>(table->defs.count); n > 0; --n) it = it->next;
            if (k < 2) std::free(vrml_listdelete(&table->defs, k ? table->defs.last->data : it->data));
            if (k == 1) vrml_adddef(table, names[random() % 20].data(), nullptr);  // the last replaced
            if (k == 2) {  // the same list again
                vrml_listdeleteitem(&table->defs, it = table->defs.last);
                vrml_listappend(&table->defs, it->data);
                std::free(it);
            }
            check();
        }
        int32_t count = table->defs.count;
        for (int32_t wrong : {INT32_MAX, 1, 0, -5}) table->defs.count = wrong, check();
        table->defs.count = count;
    }
    EXPECT_EQ(vrml_finddefidx(table, nullptr), -1);
    EXPECT_EQ(vrml_finddefidx(nullptr, "N1"), -1);
    EXPECT_EQ(vrml_getdefentry(table, -1), nullptr);
    EXPECT_EQ(vrml_getdefentry(nullptr, 0), nullptr);
    while (table->defs.first) std::free(vrml_listdelete(&table->defs, table->defs.first->data));
    vrml_deftable_releaseindex(table);
    std::free(table);
}

// Scopes have tables of their own, seen while pushed or set; DEF entries
// bind their node; the stack holds 21 scopes.
TEST(Scopes, EachScopeHasItsOwnTablesAndTheStackTracksThem) {
    LoadedScene scene("");
    vrml_context *ctx = scene.ctx;
    vrml_scope *zero = vrml_getscopeentry(ctx, 0);
    int a = vrml_newscope(ctx), b = vrml_newscope(ctx);
    vrml_scope *sa = vrml_getscopeentry(ctx, a), *sb = vrml_getscopeentry(ctx, b);
    EXPECT_EQ(std::vector<int>({a, b, vrml_findnode(sa->templates, "WorldInfo"), ctx->declaredscopes.count}),
              std::vector<int>({1, 2, 53, 3}));
    EXPECT_TRUE(sa->templates != sb->templates && sa->deftable != sb->deftable);
    vrml_node *owner = vrml_createnode(ctx, 19);
    static char inner[] = "Inner";  // names in other scopes than 0 stay the host's
    sa->owner = owner;
    vrml_adddef(ctx->deftable, strdup("Outer"), nullptr);
    EXPECT_EQ(vrml_pushscope(ctx, sa), 1);
    EXPECT_EQ(std::vector<void *>(
                  {ctx->templates, ctx->deftable, ctx->scopeowner, vrml_getparentscope(ctx), vrml_gettopscope(ctx)}),
              std::vector<void *>({sa->templates, sa->deftable, owner, zero, sa}));
    vrml_defentry *entry = vrml_getdefentry(ctx->deftable, vrml_adddef(ctx->deftable, inner, owner) - 1);
    EXPECT_TRUE(entry->node == owner && owner->defname == entry->name);
    EXPECT_EQ(std::vector<int>({vrml_finddefidx(ctx->deftable, "Outer"), vrml_pushscopeidx(ctx, 77), vrml_pushscopeidx(ctx, 0)}),
              std::vector<int>({-1, -1, 2}));
    EXPECT_EQ(std::vector<void *>({vrml_popscope(ctx), vrml_popscope(ctx)}), std::vector<void *>({zero, sa}));
    EXPECT_EQ(std::vector<void *>({ctx->templates, ctx->deftable, ctx->scopeowner}),
              std::vector<void *>({zero->templates, zero->deftable, nullptr}));
    EXPECT_EQ(vrml_finddefidx(ctx->deftable, "Inner"), -1);
    LogCapture log;
    EXPECT_EQ(vrml_setscope(ctx, b), 1);
    EXPECT_EQ(std::vector<void *>({ctx->templates, ctx->deftable}), std::vector<void *>({sb->templates, sb->deftable}));
    EXPECT_EQ(std::vector<int>({vrml_setscope(ctx, 99), ctx->scopeindex, ctx->scopedepth}), std::vector<int>({-1, b, 1}));
    EXPECT_EQ(std::vector<void *>({vrml_popscope(ctx), vrml_popscope(ctx), vrml_gettopscope(ctx)}),
              std::vector<void *>({zero, nullptr, nullptr}));  // the first reported: the stack is now empty
    EXPECT_EQ(vrml_pushscope(ctx, nullptr), -1);
    for (int i = 0; i < 21; ++i) ASSERT_EQ(vrml_pushscope(ctx, zero), i);
    EXPECT_EQ(fatal_or([&] { vrml_pushscope(ctx, zero); }), "fatal \"Scope stack is too deep: 21\"");
    EXPECT_EQ(log.texts(), std::vector<std::string>({"Could not set scopeid 99", "v_pops: stack is empty"}));
}

// A scope's copy for a prototype instance: the names without their nodes,
// the routes as new records of the copy; the scope list follows the host.
TEST(Scopes, CopiesAndTheScopeListAsTheHostChangesIt) {
    LoadedScene scene("");
    vrml_context *ctx = scene.ctx;
    vrml_scope *source = vrml_getscopeentry(ctx, vrml_newscope(ctx));
    vrml_node *node = vrml_createnode(ctx, 5);
    static char names[] = "A\0B\0A";  // the host's, as in every scope but 0
    for (int i : {0, 2, 4}) vrml_adddef(source->deftable, names + i, node);
    vrml_route *r0 = vrml_addroute(source->deftable, 0, 1, 2, 3), *r1 = vrml_addroute(source->deftable, 1, 4, 0, 5);
    r0->scope = r1->scope = source;
    r1->sourcenode = node;
    r1->key = 9;
    source->owner = node;
    vrml_scope *copy = vrml_getscopeentry(ctx, vrml_dupscope(ctx, source));
    ASSERT_EQ(copy, vrml_getscopeentry(ctx, 2));
    EXPECT_EQ(std::vector<void *>({copy->templates, copy->owner, ctx->instancescopes.last->data}),
              std::vector<void *>({source->templates, node, copy}));
    EXPECT_NE(copy->deftable, source->deftable);
    std::string defs, routes;
    for (int i = 0; vrml_getdefentry(copy->deftable, i); ++i)
        defs += vrml_getdefentry(copy->deftable, i)->name + std::string(vrml_getdefentry(copy->deftable, i)->node ? "+ " : " ");
    for (vrml_listitem *it = copy->deftable->routes.first; it; it = it->next) {
        auto *r = static_cast<vrml_route *>(it->data);
        for (int n : {r->sourcedef, r->sourcemember, r->targetdef, r->targetmember}) routes += std::to_string(n);
        routes += std::string(r->scope == copy ? "" : "?") + (r->sourcenode || r->key || r == r0 || r == r1 ? "! " : " ");
    }
    EXPECT_EQ(defs + "| " + routes, "A B A | 0123 1405 ");
    EXPECT_EQ(vrml_finddefidx(copy->deftable, "A"), 2);
    EXPECT_TRUE(vrml_dupscope(ctx, nullptr) == -1 && vrml_duproute(nullptr) == nullptr);
    vrml_listdelete(&ctx->scopes, source);
    EXPECT_EQ(vrml_getscopeentry(ctx, 1), copy);
    vrml_listappend(&ctx->scopes, source);
    EXPECT_EQ(std::vector<void *>({vrml_getscopeentry(ctx, 2), vrml_getscopeentry(ctx, 3), vrml_getscopeentry(ctx, -1)}),
              std::vector<void *>({source, nullptr, nullptr}));
}

}  // namespace
