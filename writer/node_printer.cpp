// Writing nodes, ROUTEs and PROTO declarations as VRML text.
#include <cstring>

#include "fields/field_internal.h"
#include "loader/report.h"
#include "loader/stack_guard.h"
#include "parser/parser_internal.h"
#include "writer/writer_internal.h"
#include "nodes/node_internal.h"

namespace {

constexpr int kBuiltins = VRML_BUILTIN_COUNT;

const char *class_name(int memberclass) {
    return memberclass >= 0 && memberclass < 4 ? vrml_fieldnames[kVrmlClassNameBase + memberclass]
                                               : "?";
}

const char *type_name(int type) {
    return type >= 0 && type < VRML_FIELDTYPE_COUNT ? vrml_fieldnames[type] : "?";
}

// The interface name an IS status refers to, resolved in the PROTO whose
// scope is on top of the stack; null when that is not the situation.
const char *is_source_name(vrml_context *ctx, int status) {
    vrml_scope *top = vrml_gettopscope(ctx);
    vrml_scope *parent = vrml_getparentscope(ctx);
    if (!top || !parent || top->protoindex < kBuiltins) return nullptr;
    return vrml_getprotofieldname(parent, top->protoindex, -status - 1);
}

bool is_wiring_mark(int status) {
    return status == kVrmlWiredInstanceStatus || status == kVrmlWiredProtoStatus;
}

// A value that is missing (a member whose content was given up to an IS
// mapping, or a template without a default) is written as the type's blank.
void print_field(vrml_context *ctx, const vrml_field *value, int type) {
    static const vrml_field blank{};
    if (type < 0 || type >= VRML_FIELDTYPE_COUNT) return;
    vrml_printfield[type](ctx, value ? value : &blank);
}

void print_value(vrml_context *ctx, vrml_member *slot, int type) {
    print_field(ctx, vrml_memberContentPtr(slot), type);
}

// Writes the routes leaving member m, those of prototype-instance scopes
// included.
void print_routes_of(vrml_context *ctx, vrml_nodetemplate *nodetemplate, vrml_node *node, int m) {
    vrml_eventout *event = vrml_member_eventout(nodetemplate, node, m);
    if (event) vrml_printroutelist(ctx, &event->routes);
}

// Writes one ROUTE line with DEF names and templates taken from scope; a
// route that cannot be resolved there (run-time routes and notifiers have
// no scope) is not written.
void print_route_in(vrml_context *ctx, vrml_scope *scope, vrml_route *route) {
    if (!scope || !route) return;
    vrml_defentry *from = vrml_getdefentry(scope->deftable, route->sourcedef);
    vrml_defentry *to = vrml_getdefentry(scope->deftable, route->targetdef);
    if (!from || !to || !from->node || !to->node) return;
    vrml_nodetemplate *ft = vrml_gettemplateentry(scope->templates, from->node->type);
    vrml_nodetemplate *tt = vrml_gettemplateentry(scope->templates, to->node->type);
    if (!ft || !tt || route->sourcemember < 0 || route->sourcemember >= ft->membercount ||
        route->targetmember < 0 || route->targetmember >= tt->membercount)
        return;
    ctx->out->stream_iprintf(ctx->out, "ROUTE %s.%s TO %s.%s\n", from->name,
                             ft->members[route->sourcemember].name, to->name,
                             tt->members[route->targetmember].name);
}

}  // namespace

int vrml_print_Script(vrml_context *ctx, vrml_node *node) {
    vrml_stream *out = ctx->out;
    vrml_nodetemplate *nodetemplate = node->nodetemplate;
    int r = out->stream_printf(out, "%s {", nodetemplate->name);
    for (int m = 2; m < nodetemplate->membercount; ++m) {
        const vrml_fieldtemplate &member = nodetemplate->members[m];
        vrml_member *slot = &node->members[m];
        bool shortform = m < 5;
        // An IS member that cannot be resolved here is written like the
        // others, so that the Script keeps its interface.
        const char *source =
            slot->status < 0 && !is_wiring_mark(slot->status) ? is_source_name(ctx, slot->status) : nullptr;
        if (source) {
            if (shortform) out->stream_iprintf(out, "%s IS %s\n", member.name, source);
            else
                out->stream_iprintf(out, "%s %s %s IS %s\n", class_name(member.memberclass),
                                    type_name(member.type), member.name, source);
            continue;
        }
        switch (member.memberclass) {
            case VRML_EVENTIN:
                if (!shortform) out->stream_iprintf(out, "eventIn %s %s\n", type_name(member.type), member.name);
                break;
            case VRML_EVENTOUT:
                if (!shortform) out->stream_iprintf(out, "eventOut %s %s\n", type_name(member.type), member.name);
                print_routes_of(ctx, nodetemplate, node, m);
                break;
            case VRML_FIELD:
                if (shortform) out->stream_iprintf(out, "%s ", member.name);
                else out->stream_iprintf(out, "field %s %s ", type_name(member.type), member.name);
                print_value(ctx, slot, member.type);
                break;
            default:
                vrml_fatal_err("v_print_n: Fatal err: invalid class");
        }
    }
    r = out->stream_printf(out, "}");
    return r;
}

void vrml_print_interfacedecl(vrml_context *ctx, vrml_fieldtemplate *member) {
    if (!member->name || member->name[0] == '#') return;
    vrml_stream *out = ctx->out;
    out->stream_iprintf(out, "%s %s %s ", class_name(member->memberclass), type_name(member->type),
                        member->name);
    if (member->memberclass == VRML_EXPOSEDFIELD || member->memberclass == VRML_FIELD) {
        print_field(ctx, member->defaultvalue, member->type);
    } else {
        out->stream_iprintf(out, "\n");
    }
}

int vrml_print_scopeprotos(vrml_context *ctx, vrml_scope *scope) {
    if (!scope) return 0;
    vrml_templatetable *table = scope->templates;
    if (!table || table->count <= kBuiltins) return 1;
    vrml_stream *out = ctx->out;
    for (int id = kBuiltins; id < table->count; ++id) {
        vrml_nodetemplate *proto = table->templates[id];
        if (!proto || !vrml_isprototype(proto, id) || vrml_istemplatealias(table, id)) continue;
        out->stream_iprintf(out, "PROTO %s [\n", proto->name);
        for (int m = 0; m < proto->membercount; ++m) vrml_print_interfacedecl(ctx, &proto->members[m]);
        out->stream_iprintf(out, "]\n{\n");
        vrml_field *scopeid = proto->membercount > 1 ? proto->members[1].defaultvalue : nullptr;
        int s = scopeid ? scopeid->sfint32 : -1;
        vrml_scope *body = vrml_getscopeentry(ctx, s);
        // A body scope that is already on the stack would recurse forever.
        bool open = body && body != scope && ctx->scopedepth < VRML_SCOPESTACK_LIMIT &&
                    vrml_pushscopeidx(ctx, s) >= 0;
        if (open) {
            vrml_print_scopeprotos(ctx, body);
            if (proto->members[0].defaultvalue) vrml_print_nodelist(ctx, proto->members[0].defaultvalue);
            vrml_popscope(ctx);
            vrml_print_ROUTE(ctx, body);
        }
        out->stream_iprintf(out, "}\n");
    }
    return 1;
}

extern "C" {

ZEBVRML2_API int vrml_print_node(vrml_context *ctx, vrml_node *node) {
    vrml_stackguard(ctx, "vrml_print_node");
    vrml_stream *out = ctx->out;
    if (!node) return out->stream_printf(out, "NULL");
    // The node's own template describes its slots; the current table's
    // entry of the same id may be another type (a Script or PROTO declared
    // in a scope that is not the current one).
    vrml_nodetemplate *nodetemplate = node->nodetemplate;
    if (!nodetemplate) nodetemplate = vrml_gettemplateentry(ctx->templates, node->type);
    if (!nodetemplate) return out->stream_printf(out, "NULL");
    int first = vrml_hiddenmembers(node);
    if (node->type >= kBuiltins && std::strcmp(nodetemplate->name, "Script") == 0)
        return vrml_print_Script(ctx, node);
    out->stream_printf(out, "%s {", nodetemplate->name);
    for (int m = first; m < nodetemplate->membercount; ++m) {
        const vrml_fieldtemplate &member = nodetemplate->members[m];
        vrml_member *slot = &node->members[m];
        int status = slot->status;
        if (status == 0) continue;
        if (status < 0 && !is_wiring_mark(status)) {
            const char *source = is_source_name(ctx, status);
            if (source) out->stream_iprintf(out, "%s IS %s\n", member.name, source);
            continue;
        }
        switch (member.memberclass) {
            case VRML_EVENTIN:
                break;
            case VRML_EVENTOUT:
                print_routes_of(ctx, nodetemplate, node, m);
                break;
            case VRML_EXPOSEDFIELD:
                print_routes_of(ctx, nodetemplate, node, m);
                out->stream_iprintf(out, "%s ", member.name);
                print_value(ctx, slot, member.type);
                break;
            case VRML_FIELD:
                out->stream_iprintf(out, "%s ", member.name);
                print_value(ctx, slot, member.type);
                break;
            default:
                vrml_fatal_err("v_print_n: Fatal err: invalid class");
        }
    }
    return out->stream_printf(out, "}");
}

ZEBVRML2_API void vrml_printroute(vrml_context *ctx, vrml_route *route) {
    if (route) print_route_in(ctx, route->scope, route);
}

ZEBVRML2_API void vrml_printroutelist(vrml_context *ctx, vrml_list *list) {
    if (!list) return;
    for (vrml_listitem *it = list->first; it; it = it->next)
        vrml_printroute(ctx, static_cast<vrml_route *>(it->data));
}

ZEBVRML2_API int vrml_print_ROUTE(vrml_context *ctx, vrml_scope *scope) {
    if (!scope || !scope->deftable) return 1;
    for (vrml_listitem *it = scope->deftable->routes.first; it; it = it->next)
        print_route_in(ctx, scope, static_cast<vrml_route *>(it->data));
    return 1;
}

ZEBVRML2_API int vrml_print_PROTOS(vrml_context *ctx) {
    vrml_print_scopeprotos(ctx, vrml_getscopeentry(ctx, 0));
    return 0;
}

}  // extern "C"
