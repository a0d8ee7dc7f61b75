// Naming scopes, the scope stack, DEF tables and the route records kept in
// them.
#include <cstdlib>
#include <initializer_list>

#include "loader/report.h"
#include "nodes/node_internal.h"
#include "scopes/list_index.h"
#include "scopes/scope_internal.h"

namespace {

// Frees a DEF table made here: its entries and routes (the names stay with
// their owner), its index and the record.
void discard_deftable(vrml_deftable *table) {
    if (!table) return;
    for (vrml_list *list : {&table->defs, &table->routes}) {
        for (vrml_listitem *it = list->first, *next; it; it = next) {
            next = it->next;
            std::free(it->data);
            std::free(it);
        }
    }
    vrml_deftable_releaseindex(table);
    std::free(table);
}

void make_current(vrml_context *ctx, vrml_scope *scope) {
    ctx->deftable = scope->deftable;
    ctx->templates = scope->templates;
    ctx->scopeowner = scope->owner;
}

// Appends scope to its kind's list, then to the scope list: the new id or -1.
int register_scope(vrml_context *ctx, vrml_list *kind, vrml_scope *scope) {
    if (vrml_listappend(kind, scope) < 0) return -2;
    if (vrml_listappend(&ctx->scopes, scope) < 0) return -1;
    return ctx->scopes.count - 1;
}

}  // namespace

void vrml_deftable_releaseindex(vrml_deftable *table) {
    if (table) vrml_listindex_release(&table->defs);
}

void vrml_context_releasescopeindex(vrml_context *ctx) {
    if (ctx) vrml_listindex_release(&ctx->scopes);
}

extern "C" {

ZEBVRML2_API vrml_scope *vrml_createscope(void) {
    return static_cast<vrml_scope *>(vrml_malloc(sizeof(vrml_scope)));
}

ZEBVRML2_API int vrml_newscope(vrml_context *ctx) {
    vrml_scope *scope = vrml_createscope();
    auto *defs = static_cast<vrml_deftable *>(vrml_createnamespace());
    vrml_templatetable *table = vrml_createtemplate();
    bool made = scope && defs && table;
    if (made && !vrml_addbuiltinnodes(table)) {
        vrml_problem(ctx, nullptr, 0, "v_ns: Unsuccessfully added new scope");
        made = false;
    }
    if (made) {
        scope->deftable = defs;
        scope->templates = table;
        int id = register_scope(ctx, &ctx->declaredscopes, scope);
        if (id != -2) return id;
    }
    std::free(scope);
    std::free(defs);
    vrml_templatetable_releaseindex(table);
    std::free(table);
    return -1;
}

ZEBVRML2_API int vrml_dupscope(vrml_context *ctx, vrml_scope *source) {
    if (!source) return -1;
    vrml_scope *scope = vrml_createscope();
    auto *defs = static_cast<vrml_deftable *>(vrml_createnamespace());
    bool ok = scope && defs;
    if (ok && source->deftable) {
        for (vrml_listitem *it = source->deftable->defs.first; it && ok; it = it->next) {
            auto *entry = static_cast<vrml_defentry *>(it->data);
            ok = vrml_adddef(defs, entry ? entry->name : nullptr, nullptr) >= 0;
        }
        for (vrml_listitem *it = source->deftable->routes.first; it && ok; it = it->next) {
            if (!it->data) continue;  // a list item without a route
            vrml_route *copy = vrml_duproute(static_cast<vrml_route *>(it->data));
            ok = copy && vrml_listappend(&defs->routes, copy) >= 0;
            if (copy) copy->scope = scope;
            if (!ok) std::free(copy);
        }
    }
    if (ok) {
        scope->deftable = defs;
        scope->templates = source->templates;
        scope->owner = source->owner;
        int id = register_scope(ctx, &ctx->instancescopes, scope);
        if (id != -2) return id;
    }
    std::free(scope);
    discard_deftable(defs);
    return -1;
}

ZEBVRML2_API vrml_scope *vrml_getscopeentry(vrml_context *ctx, int id) {
    if (!ctx) return nullptr;
    vrml_listitem *item = vrml_listindex_item(&ctx->scopes, id, false);
    return item ? static_cast<vrml_scope *>(item->data) : nullptr;
}

ZEBVRML2_API int vrml_setscope(vrml_context *ctx, int id) {
    vrml_scope *scope = vrml_getscopeentry(ctx, id);
    if (!scope) {
        vrml_problem(ctx, nullptr, 0, "Could not set scopeid %d", id);
        return -1;
    }
    make_current(ctx, scope);
    ctx->scopeindex = id;
    return 1;
}

ZEBVRML2_API int vrml_pushscope(vrml_context *ctx, vrml_scope *scope) {
    if (ctx->scopedepth > VRML_SCOPESTACK_LIMIT - 1)
        vrml_fatal_err("Scope stack is too deep: %d", ctx->scopedepth);
    if (!scope) return -1;
    make_current(ctx, scope);
    ctx->scopestack[ctx->scopedepth] = scope;
    return ctx->scopedepth++;
}

ZEBVRML2_API int vrml_pushscopeidx(vrml_context *ctx, int id) {
    vrml_scope *scope = vrml_getscopeentry(ctx, id);
    return scope ? vrml_pushscope(ctx, scope) : -1;
}

ZEBVRML2_API vrml_scope *vrml_popscope(vrml_context *ctx) {
    if (ctx->scopedepth <= 0) return nullptr;
    vrml_scope *removed = ctx->scopestack[--ctx->scopedepth];
    if (ctx->scopedepth > 0) make_current(ctx, ctx->scopestack[ctx->scopedepth - 1]);
    else vrml_problem(ctx, nullptr, 0, "v_pops: stack is empty");
    return removed;
}

ZEBVRML2_API vrml_scope *vrml_gettopscope(vrml_context *ctx) {
    return ctx->scopedepth > 0 ? ctx->scopestack[ctx->scopedepth - 1] : nullptr;
}

ZEBVRML2_API vrml_scope *vrml_getparentscope(vrml_context *ctx) {
    return ctx->scopedepth > 1 ? ctx->scopestack[ctx->scopedepth - 2] : nullptr;
}

ZEBVRML2_API vrml_defentry *vrml_newdef(char *name, vrml_node *node) {
    auto *entry = static_cast<vrml_defentry *>(vrml_malloc(sizeof(vrml_defentry)));
    if (!entry) return nullptr;
    entry->name = name;
    entry->node = node;
    if (node) node->defname = name;
    return entry;
}

ZEBVRML2_API int vrml_adddef(vrml_deftable *table, char *name, vrml_node *node) {
    vrml_defentry *entry = vrml_newdef(name, node);
    if (!entry) return -1;
    if (vrml_listappend(&table->defs, entry) < 0) {
        if (node) node->defname = nullptr;
        std::free(entry);
        return -1;
    }
    return table->defs.count;
}

ZEBVRML2_API int vrml_finddefidx(vrml_deftable *table, const char *name) {
    if (!table || !name) return -1;
    return vrml_listindex_findname(&table->defs, name);
}

ZEBVRML2_API vrml_defentry *vrml_getdefentry(vrml_deftable *table, int index) {
    if (!table) return nullptr;
    vrml_listitem *item = vrml_listindex_item(&table->defs, index, true);
    return item ? static_cast<vrml_defentry *>(item->data) : nullptr;
}

ZEBVRML2_API vrml_route *vrml_newroute(int sourcedef, int sourcemember, int targetdef,
                                       int targetmember) {
    auto *route = static_cast<vrml_route *>(vrml_malloc(sizeof(vrml_route)));
    if (!route) return nullptr;
    route->sourcedef = sourcedef;
    route->sourcemember = sourcemember;
    route->targetdef = targetdef;
    route->targetmember = targetmember;
    return route;
}

ZEBVRML2_API vrml_route *vrml_addroute(vrml_deftable *table, int sourcedef, int sourcemember,
                                       int targetdef, int targetmember) {
    vrml_route *route = vrml_newroute(sourcedef, sourcemember, targetdef, targetmember);
    if (!route) return nullptr;
    if (vrml_listappend(&table->routes, route) < 0) {
        std::free(route);
        return nullptr;
    }
    return route;
}

ZEBVRML2_API vrml_route *vrml_duproute(vrml_route *route) {
    if (!route) return nullptr;
    vrml_route *copy =
        vrml_newroute(route->sourcedef, route->sourcemember, route->targetdef, route->targetmember);
    if (copy) copy->scope = route->scope;
    return copy;
}

}  // extern "C"
