// ROUTE statements, the route lists of events and run-time routes.
#include <cstdlib>
#include <cstring>

#include "loader/lexer.h"
#include "loader/report.h"
#include "parser/parser_internal.h"

namespace {

vrml_fieldtemplate *member_template(vrml_nodetemplate *nodetemplate, int m) {
    if (!nodetemplate || m < 0 || m >= nodetemplate->membercount) return nullptr;
    return &nodetemplate->members[m];
}

// The content record of member m, with its class.
void *member_content(vrml_nodetemplate *nodetemplate, vrml_node *node, int m, int *memberclass) {
    vrml_fieldtemplate *member = member_template(nodetemplate, m);
    if (!member || !node) return nullptr;
    *memberclass = member->memberclass;
    return node->members[m].content;
}

// The list of routes leaving member m, or null when the member has no
// eventOut half (reported).
vrml_list *outgoing_routes(vrml_nodetemplate *nodetemplate, vrml_node *node, int m) {
    vrml_eventout *event = vrml_member_eventout(nodetemplate, node, m);
    return event ? &event->routes : nullptr;
}

bool is_outgoing_class(int memberclass) {
    return memberclass == VRML_EVENTOUT || memberclass == VRML_EXPOSEDFIELD;
}

// Unlinks and releases the first route of list that matches.
template <typename Match>
int delete_first(vrml_list *list, Match match) {
    for (vrml_listitem *item = list->first; item; item = item->next) {
        auto *route = static_cast<vrml_route *>(item->data);
        if (route && match(route)) {
            vrml_listdeleteitem(list, item);
            std::free(item);
            std::free(route);
            return 0;
        }
    }
    return -4;
}

// The eventOut list of source's member, checking its class; -2 otherwise.
int checked_outgoing(vrml_node *source, int m, vrml_list **list) {
    int memberclass = -1;
    if (!member_content(source->nodetemplate, source, m, &memberclass) ||
        !is_outgoing_class(memberclass)) {
        vrml_problem(source->context, nullptr, 0, "Route points to Field/EventIn");
        return -2;
    }
    *list = outgoing_routes(source->nodetemplate, source, m);
    return *list ? 0 : -2;
}

}  // namespace

vrml_route *vrml_allocroute() {
    return static_cast<vrml_route *>(vrml_malloc(sizeof(vrml_route)));
}

vrml_eventout *vrml_member_eventout(vrml_nodetemplate *nodetemplate, vrml_node *node, int m) {
    int memberclass = -1;
    void *content = member_content(nodetemplate, node, m, &memberclass);
    if (!content) return nullptr;
    if (memberclass == VRML_EVENTOUT) return static_cast<vrml_eventout *>(content);
    if (memberclass == VRML_EXPOSEDFIELD) return static_cast<vrml_exposedfield *>(content)->eventout;
    return nullptr;
}

int vrml_attachroute(vrml_nodetemplate *nodetemplate, vrml_node *node, vrml_route *route) {
    int memberclass = -1;
    if (!member_content(nodetemplate, node, route->sourcemember, &memberclass) ||
        !is_outgoing_class(memberclass)) {
        vrml_problem(node ? node->context : nullptr, nullptr, 0, "Route points to Field/EventIn");
        return 0;
    }
    vrml_list *list = outgoing_routes(nodetemplate, node, route->sourcemember);
    if (!list) return 0;
    return vrml_listappend(list, route) < 0 ? -1 : 1;
}

int vrml_addeventinroute(vrml_context *, vrml_node *node, int member, vrml_node *target,
                         int targetmember) {
    int memberclass = -1;
    void *content = member_content(node ? node->nodetemplate : nullptr, node, member, &memberclass);
    vrml_eventin *event = nullptr;
    if (content && memberclass == VRML_EVENTIN) event = static_cast<vrml_eventin *>(content);
    else if (content && memberclass == VRML_EXPOSEDFIELD)
        event = static_cast<vrml_exposedfield *>(content)->eventin;
    if (!event) return -4;
    vrml_route *route = vrml_allocroute();
    if (!route) return -1;
    route->sourcenode = node;
    route->sourcemember = member;
    route->targetnode = target;
    route->targetmember = targetmember;
    if (vrml_listappend(&event->routes, route) < 0) {
        std::free(route);
        return -1;
    }
    return 0;
}

int vrml_readroutenames(vrml_context *ctx, vrml_routenames *names) {
    vrml_stream *in = ctx->in;
    char *source = names->source, *eventout = names->eventout;
    char *target = names->target, *eventin = names->eventin;
    if (!vrml_get_nodename_of(ctx, in, source, kVrmlRouteNameSize)) return -1;
    if (!vrml_expect_char(in, '.')) {
        vrml_problem(ctx, nullptr, 0, "expected '.' (%s)\n", source);
        return -1;
    }
    if (!vrml_get_fieldname(in, eventout, kVrmlRouteNameSize)) return -1;
    if (!vrml_expect_string(in, "TO")) {
        vrml_problem(ctx, nullptr, 0, "expected 'TO' (%s:%s)\n", source, eventout);
        return -1;
    }
    if (!vrml_get_nodename_of(ctx, in, target, kVrmlRouteNameSize)) return -1;
    if (!vrml_expect_char(in, '.')) {
        vrml_problem(ctx, nullptr, 0, "expected '.' (%s:%s to %s)", source, eventout, target);
        return -1;
    }
    if (!vrml_get_fieldname(in, eventin, kVrmlRouteNameSize)) return -1;
    return 0;
}

int vrml_addroutenames(vrml_context *ctx, const vrml_routenames *names) {
    if (vrml_addrouteentry(ctx, names->source, names->eventout, names->target, names->eventin))
        return 0;
    vrml_problem(ctx, nullptr, 0, "Could NOT add route: %s.%s TO %s.%s", names->source,
                 names->eventout, names->target, names->eventin);
    return -1;
}

extern "C" {

ZEBVRML2_API int vrml_getroute(vrml_context *ctx) {
    vrml_routenames names;
    if (vrml_readroutenames(ctx, &names) < 0) return -1;
    return vrml_addroutenames(ctx, &names);
}

ZEBVRML2_API vrml_route *vrml_addrouteentry(vrml_context *ctx, const char *source,
                                            const char *eventout, const char *target,
                                            const char *eventin) {
    vrml_deftable *defs = ctx->deftable;
    int sourcedef = vrml_finddefidx(defs, source);
    vrml_defentry *sourceentry = sourcedef >= 0 ? vrml_getdefentry(defs, sourcedef) : nullptr;
    if (!sourceentry) {
        vrml_problem(ctx, nullptr, 0,
                     "vrml_addrouteentry:  could not find source node def idx for %s\n", source);
        if (defs && g_vrml_loghandler) {
            for (vrml_listitem *it = defs->defs.first; it; it = it->next) {
                auto *entry = static_cast<vrml_defentry *>(it->data);
                vrml_problem(ctx, nullptr, 0, "def: %s:", entry && entry->name ? entry->name : "");
            }
        }
        return nullptr;
    }
    vrml_node *from = sourceentry->node;
    int out = from ? vrml_findeventoutidx(ctx->templates, from->type, eventout) : -1;
    if (out < 0) {
        vrml_problem(ctx, nullptr, 0, "vrml_addrouteentry:  could not find source node eventoutidx\n");
        return nullptr;
    }
    int targetdef = vrml_finddefidx(defs, target);
    vrml_defentry *targetentry = targetdef >= 0 ? vrml_getdefentry(defs, targetdef) : nullptr;
    if (!targetentry) return nullptr;
    vrml_node *to = targetentry->node;
    int into = to ? vrml_findeventinidx(ctx->templates, to->type, eventin) : -1;
    if (into < 0) {
        vrml_problem(ctx, nullptr, 0, "v_are: Bad eventIn field: %s\n", eventin);
        return nullptr;
    }
    vrml_nodetemplate *fromtemplate = vrml_gettemplateentry(ctx->templates, from->type);
    vrml_nodetemplate *totemplate = vrml_gettemplateentry(ctx->templates, to->type);
    if (fromtemplate->members[out].type != totemplate->members[into].type) {
        vrml_problem(ctx, nullptr, 0, "v_are: Field types: do not match");
        return nullptr;
    }
    vrml_route *route = vrml_addroute(defs, sourcedef, out, targetdef, into);
    if (route) route->scope = vrml_gettopscope(ctx);
    return route;
}

}  // extern "C"

namespace {

// vrml_addroutetoevent: true when the route is now on an eventOut's list.
bool add_to_event(vrml_route *route) {
    vrml_scope *scope = route ? route->scope : nullptr;
    if (!scope) return false;
    vrml_defentry *from = vrml_getdefentry(scope->deftable, route->sourcedef);
    vrml_defentry *to = vrml_getdefentry(scope->deftable, route->targetdef);
    route->sourcenode = from ? from->node : nullptr;
    route->targetnode = to ? to->node : nullptr;
    if (!route->sourcenode) return false;
    vrml_nodetemplate *nodetemplate =
        vrml_gettemplateentry(scope->templates, route->sourcenode->type);
    int attached = vrml_attachroute(nodetemplate, route->sourcenode, route);
    if (attached < 0) vrml_problem_nomem(route->sourcenode->context, nullptr);
    return attached == 1;
}

}  // namespace

extern "C" {

ZEBVRML2_API int vrml_addroutetoevent(vrml_route *route) {
    add_to_event(route);
    return 1;
}

ZEBVRML2_API int vrml_createroutetree(vrml_scope *scope) {
    if (!scope || !scope->deftable) return 1;
    vrml_list *routes = &scope->deftable->routes;
    for (vrml_listitem *item = routes->first; item;) {
        vrml_listitem *next = item->next;
        // A route left unattached (its source DEF entry holds no node, or
        // its source member carries no routes) is no longer on any list:
        // nothing could release it later.
        auto *route = static_cast<vrml_route *>(item->data);
        if (!add_to_event(route)) std::free(route);
        std::free(item);
        item = next;
    }
    routes->first = routes->last = nullptr;
    routes->count = 0;
    return 1;
}

ZEBVRML2_API int vrml_addruntimeroute(vrml_node *source, const char *eventout, vrml_node *target,
                                      const char *eventin) {
    int out = source ? vrml_findnodeeventoutidx(source, eventout) : -1;
    if (out < 0) return -2;
    int into = target ? vrml_findnodeeventinidx(target, eventin) : -1;
    if (into < 0) return -3;
    vrml_route *route = vrml_allocroute();
    if (!route) return -1;
    route->sourcedef = route->targetdef = -1;
    route->sourcemember = out;
    route->targetmember = into;
    route->sourcenode = source;
    route->targetnode = target;
    if (vrml_attachroute(source->nodetemplate, source, route) != 1) {
        std::free(route);
        return -1;
    }
    return 0;
}

ZEBVRML2_API int vrml_addruntimenotifier(vrml_node *node, int member, void *notifier, int32_t key) {
    if (!node) return 0;
    vrml_route *route = vrml_allocroute();
    if (!route) return -1;
    route->sourcedef = route->targetdef = -1;
    route->sourcemember = route->targetmember = member;
    route->sourcenode = route->targetnode = node;
    route->notifier = notifier;
    route->key = key;
    int attached = vrml_attachroute(node->nodetemplate, node, route);
    if (attached != 1) std::free(route);
    return attached < 0 ? -1 : 0;
}

ZEBVRML2_API int vrml_deleteruntimenotifier(vrml_node *node, int member, void *, int32_t key) {
    vrml_list *list = nullptr;
    if (!node) return -2;
    if (int r = checked_outgoing(node, member, &list); r < 0) return r;
    return delete_first(list, [key](vrml_route *route) { return route->key == key; });
}

ZEBVRML2_API int vrml_deleteroute(vrml_node *source, const char *eventout, vrml_node *target,
                                  const char *eventin) {
    int out = source ? vrml_findnodeeventoutidx(source, eventout) : -1;
    if (out < 0) return -2;
    int into = target ? vrml_findnodeeventinidx(target, eventin) : -1;
    if (into < 0) return -3;
    vrml_list *list = nullptr;
    if (int r = checked_outgoing(source, out, &list); r < 0) return r;
    return delete_first(list, [target, into](vrml_route *route) {
        return route->targetnode == target && route->targetmember == into;
    });
}

ZEBVRML2_API const char *vrml_getprotofieldname(vrml_scope *scope, int id, int member) {
    vrml_nodetemplate *nodetemplate = scope ? vrml_gettemplateentry(scope->templates, id) : nullptr;
    if (!nodetemplate) {
        vrml_problem(nullptr, nullptr, 0, "v_gpfn: could not find protonode template");
        return nullptr;
    }
    vrml_fieldtemplate *m = member_template(nodetemplate, member);
    return m ? m->name : nullptr;
}

}  // extern "C"
