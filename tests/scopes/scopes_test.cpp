#include "nodes/node_internal.h"
#include "scopes/scope_internal.h"
#include "support/loaded_scene.h"
#include "support/transcript.h"

namespace {

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
