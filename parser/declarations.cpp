// PROTO, EXTERNPROTO and Script declarations and the IS resolver of Script
// members.
//
// A declaration collects its member templates in a fixed array on the stack
// and gathers them into one contiguous member array when its interface is
// complete. Every frame here may be left by a jump out of vrml_fatal_err
// (an unknown node type in a body, a name that fills its buffer): nothing on
// the stack has a destructor; what is collected at that moment stays
// unreleased, as the loader's header describes for such jumps.
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "fields/field_internal.h"
#include "loader/context_private.h"
#include "loader/lexer.h"
#include "loader/memory.h"
#include "loader/report.h"
#include "nodes/node_internal.h"
#include "parser/parser_internal.h"
#include "vrml_release.h"

namespace {

constexpr int kScriptTokenSize = 256;

// The members of a declaration being read.
struct member_set {
    vrml_fieldtemplate *items[kVrmlDeclarationLimit];
    int count;
};

int find_name(const char *word, int base, int count) {
    for (int i = 0; i < count; ++i)
        if (std::strcmp(word, vrml_fieldnames[base + i]) == 0) return i;
    return -1;
}

int class_index(const char *word) { return find_name(word, kVrmlClassNameBase, 4); }
int type_index(const char *word) { return find_name(word, 0, VRML_FIELDTYPE_COUNT); }

bool is_valued(int memberclass) {
    return memberclass == VRML_EXPOSEDFIELD || memberclass == VRML_FIELD;
}

void release_value(int type, vrml_field *value) {
    if (value && type >= 0 && type < VRML_FIELDTYPE_COUNT) vrml_freefielddata[type](value);
}

// Frees what a member template owns (its name and default), not the record.
void release_member_parts(vrml_fieldtemplate *m) {
    std::free(m->name);
    release_value(m->type, m->defaultvalue);
}

void release_members(member_set &set) {
    for (int i = 0; i < set.count; ++i) {
        release_member_parts(set.items[i]);
        std::free(set.items[i]);
    }
    set.count = 0;
}

// A declared template that no table holds: members, names, defaults (the
// body's node list record among them; the nodes stay with the scene).
void release_template(vrml_nodetemplate *t) {
    if (!t) return;
    for (int i = 0; i < t->membercount; ++i) release_member_parts(&t->members[i]);
    std::free(t->members);
    std::free(t->name);
    std::free(t);
}

// Appends m; false (m released) when the declaration is full or m is null.
bool append_member(vrml_context *ctx, member_set &set, vrml_fieldtemplate *m) {
    if (!m) return false;
    if (set.count >= kVrmlDeclarationLimit) {
        vrml_problem(ctx, nullptr, 0, "declaration has more than %d members: %s",
                     kVrmlDeclarationLimit, m->name ? m->name : "");
        release_member_parts(m);
        std::free(m);
        return false;
    }
    set.items[set.count++] = m;
    return true;
}

// The member records gathered into one array (set emptied), or null when it
// cannot be allocated (set untouched).
vrml_fieldtemplate *gather(member_set &set) {
    auto *members = static_cast<vrml_fieldtemplate *>(
        vrml_malloc_array(static_cast<size_t>(set.count), sizeof(vrml_fieldtemplate)));
    if (!members) return nullptr;
    for (int i = 0; i < set.count; ++i) {
        members[i] = *set.items[i];
        std::free(set.items[i]);
    }
    set.count = 0;
    return members;
}

// A template named name (taken over) from the collected members, or null
// (name and members released).
vrml_nodetemplate *make_template(char *name, member_set &set) {
    int count = set.count;
    vrml_fieldtemplate *members = gather(set);
    vrml_nodetemplate *t = members ? vrml_createnodetemplate(name, count, members) : nullptr;
    if (t) return t;
    if (members) {
        for (int i = 0; i < count; ++i) release_member_parts(&members[i]);
        std::free(members);
    }
    release_members(set);
    std::free(name);
    return nullptr;
}

// "#baseclass" (a blank body) and "#scope" holding scope id: false when
// either cannot be made (nothing appended then).
bool add_hidden_members(member_set &set, int scopeid) {
    vrml_fieldtemplate *body = vrml_createfieldtemplate(VRML_FIELD, VRML_MFNODE, "#baseclass", nullptr, 0);
    vrml_field *id = vrml_allocfield(VRML_SFINT32);
    vrml_fieldtemplate *scope = nullptr;
    if (id) {
        id->sfint32 = scopeid;
        scope = vrml_createfieldtemplate(VRML_FIELD, VRML_SFINT32, "#scope", id, 0);
        if (!scope) vrml_fieldfree(id);
    }
    if (!body || !scope) {
        for (vrml_fieldtemplate *m : {body, scope}) {
            if (!m) continue;
            release_member_parts(m);
            std::free(m);
        }
        return false;
    }
    set.items[set.count++] = body;
    set.items[set.count++] = scope;
    return true;
}

// Reads interface declarations up to the closing bracket; a PROTO's
// exposedFields and fields read their default values. 1, or -1 (with a
// diagnostic for each malformed declaration).
int read_interface(vrml_context *ctx, member_set &set, bool proto) {
    vrml_stream *in = ctx->in;
    char token[kVrmlNameSize];
    token[0] = '\0';
    while (vrml_get_bracket(in) != 2) {
        if (!vrml_get_tokenstring(in, token, sizeof token)) {
            if (proto) vrml_problem(nullptr, in, 0, "v_rp: Bad token \"%s\"", token);
            else vrml_problem(nullptr, in, 0, "v_rp: no mem\n");
            return -1;
        }
        int memberclass = class_index(token);
        if (memberclass < 0) {
            vrml_problem(nullptr, in, 0, "vrml_rp: unk class: %s\n", token);
            return -1;
        }
        if (!vrml_get_tokenstring(in, token, sizeof token)) return -1;
        int type = type_index(token);
        if (type < 0) {
            vrml_problem(nullptr, in, 0, "vrml_rp: unk ftype: %s\n", token);
            return -1;
        }
        if (!vrml_get_tokenstring(in, token, sizeof token)) return -1;
        if (set.count >= kVrmlDeclarationLimit) {
            vrml_problem(nullptr, in, 0, "declaration has more than %d members: %s",
                         kVrmlDeclarationLimit, token);
            return -1;
        }
        vrml_field *value = nullptr;
        if (proto && is_valued(memberclass)) {
            value = vrml_allocfield(type);
            if (!value) {
                vrml_problem_nomem(nullptr, in);
                return -1;
            }
            vrml_parsefield[type](ctx, value);
        }
        vrml_fieldtemplate *m = vrml_createfieldtemplate(memberclass, type, token, value, 0);
        if (!m) {
            release_value(type, value);
            vrml_problem_nomem(nullptr, in);
            return -1;
        }
        set.items[set.count++] = m;
    }
    return 1;
}

// Starts a PROTO or EXTERNPROTO after its name: the hidden members, the
// declaration scope (its id in *scopeid) and the interface, read with
// protoindex -2. The members, or false (protoindex put back, members
// released).
bool read_declaration(vrml_context *ctx, member_set &set, bool proto, int *scopeid) {
    set.count = 0;
    *scopeid = vrml_newscope(ctx);
    if (proto && *scopeid < 0) vrml_problem(nullptr, ctx->in, 0, "INTERNAL ERR: Invalid scope id: %d", *scopeid);
    if (!add_hidden_members(set, *scopeid)) {
        vrml_problem_nomem(nullptr, ctx->in);
        return false;
    }
    int32_t saved = ctx->protoindex;
    ctx->protoindex = -2;
    if (read_interface(ctx, set, proto) < 0) {
        ctx->protoindex = saved;
        release_members(set);
        return false;
    }
    ctx->protoindex = saved;
    return true;
}

// The Script reader's state, released together on every error.
struct script_state {
    member_set set;
    int iscodes[kVrmlDeclarationLimit]; // per member: k+1 for IS member k, else 0
    vrml_field *given[3];               // values read for url, directOutput, mustEvaluate
    int giventype[3];
};

int script_fail(script_state &s, int result) {
    release_members(s.set);
    for (int i = 0; i < 3; ++i) release_value(s.giventype[i], s.given[i]);
    return result;
}

// Reads a value of type; the reader's negative result is reported and
// returned with no value kept.
int read_value(vrml_context *ctx, int type, vrml_field **value) {
    *value = vrml_allocfield(type);
    if (!*value) return -1;
    int r = vrml_parsefield[type](ctx, *value);
    if (r < 0) {
        release_value(type, *value);
        *value = nullptr;
    }
    return r;
}

}  // namespace

extern "C" {

ZEBVRML2_API int vrml_readproto(vrml_context *ctx) {
    vrml_stream *in = ctx->in;
    char word[kVrmlNameSize];
    if (!vrml_get_nodename_of(ctx, in, word, sizeof word)) return 0;
    bool clash = vrml_findnode(ctx->templates, word) >= 0;
    if (clash) vrml_problem(nullptr, in, 0, "vrml_rp: PROTO %s already exists", word);
    char *name = nullptr;
    vrml_savestring(&name, word);
    if (!name) {
        vrml_problem_nomem(nullptr, in);
        return -1;
    }
    if (vrml_get_bracket(in) != 1) {
        vrml_problem(nullptr, in, 0, "vrml_readproto: No declaration\n");
        std::free(name);
        return -1;
    }
    member_set set;
    int scopeid = -1;
    if (!read_declaration(ctx, set, true, &scopeid)) {
        std::free(name);
        return -1;
    }
    int32_t saved = ctx->protoindex;
    vrml_templatetable *table = ctx->templates;
    vrml_nodetemplate *t = make_template(name, set);
    int id = t ? vrml_addtemplate(table, t) : -1;
    ctx->protoindex = id;
    if (id < 0) vrml_problem(nullptr, in, 0, "v_rp: Could not add proto");
    vrml_scope *scope = vrml_getscopeentry(ctx, scopeid);
    if (scope) scope->protoindex = id;
    bool pushed = scope && vrml_pushscope(ctx, scope) >= 0;
    if (vrml_get_brace(in) != 1) {
        // The scope stays pushed and protoindex keeps the new id.
        vrml_problem(nullptr, in, 0, "v_rp: No brace for definition");
        if (id < 0) release_template(t);
        return -1;
    }
    vrml_field *body = vrml_allocfield(VRML_MFNODE);
    if (!body) vrml_fatal_err("v_rp: no mem\n");
    vrml_get_MFNodeList(ctx, &body->mfnode);
    if (pushed) vrml_popscope(ctx);
    if (id >= 0 && vrml_gettemplateentry(ctx->templates, id) == t) {
        vrml_settemplatedefault(ctx, id, 0, body);
    } else if (id >= 0) {
        // A scope left pushed inside the body hides the table of the
        // template: store the body in the template itself.
        release_value(VRML_MFNODE, t->members[0].defaultvalue);
        t->members[0].defaultvalue = body;
    } else {
        vrml_free_MFNode(body);
        release_template(t);
    }
    ctx->protoindex = saved;
    if (clash && id >= 0 && table->count == id + 1 && table->templates[id] == t) {
        table->templates[id] = nullptr;
        --table->count;
        release_template(t);
    }
    if (!vrml_expect_string(in, "}")) vrml_problem(nullptr, in, 0, "vrml_readproto: NO FUCKING BRACE:");
    return 1;
}

ZEBVRML2_API int vrml_readexternproto(vrml_context *ctx) {
    vrml_stream *in = ctx->in;
    char word[kVrmlNameSize];
    if (!vrml_get_nodename_of(ctx, in, word, sizeof word)) return 0;
    char *name = nullptr;
    vrml_savestring(&name, word);
    if (!name) {
        vrml_problem_nomem(nullptr, in);
        return -1;
    }
    if (vrml_get_bracket(in) != 1) vrml_problem(nullptr, in, 0, "vrml_readproto: No declaration\n");
    member_set set;
    int scopeid = -1;
    if (!read_declaration(ctx, set, false, &scopeid)) {
        std::free(name);
        return -1;
    }
    int32_t saved = ctx->protoindex;
    ctx->protoindex = -2;
    vrml_context *noticectx = vrml_context_options(ctx) & VRML_LOAD_NOTICES ? ctx : nullptr;
    for (int i = 0; i < set.count; ++i) vrml_display_fieldline(noticectx, set.items[i]);
    vrml_nodetemplate *t = make_template(name, set);
    if (!t) {
        vrml_problem_nomem(nullptr, in);
        ctx->protoindex = saved;
        return -1;
    }
    int id = vrml_addtemplate(ctx->templates, t);
    vrml_field *url = vrml_allocfield(VRML_MFSTRING);
    auto *record = static_cast<vrml_externproto *>(vrml_malloc(sizeof(vrml_externproto)));
    if (!url || !record) {
        // protoindex stays -2 and the template stays in its table.
        vrml_freefielddata[VRML_MFSTRING](url);
        std::free(record);
        if (id < 0) release_template(t);
        vrml_problem_nomem(nullptr, in);
        return -1;
    }
    record->url = url;
    record->nodetemplate = t;
    t->external = 1;
    t->externrecord = record;
    vrml_parsefield[VRML_MFSTRING](ctx, url);
    if (vrml_listappend(&ctx->externprotos, record) < 0) {
        // Only the list releases records: the template goes on without one.
        t->external = 0;
        t->externrecord = nullptr;
        vrml_freefielddata[VRML_MFSTRING](url);
        std::free(record);
        vrml_problem_nomem(nullptr, in);
        ctx->protoindex = saved;
        return -1;
    }
    const void *end = std::memchr(ctx->baselocation, '\0', sizeof ctx->baselocation);
    size_t length = end ? static_cast<size_t>(static_cast<const char *>(end) - ctx->baselocation)
                        : sizeof ctx->baselocation;
    if (length > 0) {
        record->location = static_cast<char *>(vrml_malloc_array(length + 1, 1));
        if (record->location) std::memcpy(record->location, ctx->baselocation, length);
        else vrml_problem_nomem(nullptr, in);
    }
    ctx->protoindex = saved;
    return 1;
}

}  // extern "C"

namespace {
int read_script_body(vrml_context *ctx, vrml_field *result, char *defname, script_state &s);
}  // namespace

extern "C" {


int vrml_resolveisalias(vrml_context *ctx, int memberclass) {
    if (ctx->protoindex < 0) return 0;
    vrml_stream *in = ctx->in;
    if (!vrml_expect_keyword(in, "IS")) return 0;
    char name[kScriptTokenSize];
    if (!vrml_get_fieldname(in, name, sizeof name)) {
        vrml_problem(ctx, nullptr, 0, "Bad IS right side token");
        return -1;
    }
    vrml_is_target target = vrml_findistarget(ctx, name, memberclass);
    switch (target.outcome) {
    case vrml_is_outcome::kNoParentScope:
        vrml_problem(ctx, nullptr, 0, "Could not find parent scope while resolving IS alias");
        return -1;
    case vrml_is_outcome::kNoSuchMember:
        vrml_problem(ctx, nullptr, 0, "Could not match field to parent prototype");
        return -1;
    case vrml_is_outcome::kIndexOutOfRange:
        vrml_problem(ctx, nullptr, 0, "IS field index out of range: %s", name);
        return -1;
    case vrml_is_outcome::kFound: break;
    }
    if (!target.classmatch) {
        vrml_problem(ctx, nullptr, 0, "Invalid IS relationship");
        vrml_problem(nullptr, in, 0, "Invalid IS relationship");
    }
    return target.index + 1;
}

vrml_is_target vrml_findistarget(vrml_context *ctx, const char *name, int memberclass) {
    vrml_scope *parent = vrml_getparentscope(ctx);
    if (!parent) return {vrml_is_outcome::kNoParentScope, -1, false};
    int k = vrml_findfieldidx(parent->templates, ctx->protoindex, name);
    if (k < 0) return {vrml_is_outcome::kNoSuchMember, -1, false};
    // An index beyond what a member status can carry cannot be recorded.
    if (k > kVrmlIsIndexCeiling) return {vrml_is_outcome::kIndexOutOfRange, k, false};
    vrml_nodetemplate *proto = vrml_gettemplateentry(parent->templates, ctx->protoindex);
    bool match = memberclass == VRML_EXPOSEDFIELD || memberclass == proto->members[k].memberclass;
    return {vrml_is_outcome::kFound, k, match};
}

int vrml_readscriptbody(vrml_context *ctx, vrml_field *result, char *defname) {
    // The state (several KiB) lives on the heap: Scripts nest through their
    // SFNode and MFNode fields, and each level would hold one on the stack.
    auto *state = static_cast<script_state *>(vrml_malloc(sizeof(script_state)));
    if (!state) {
        std::free(defname);
        vrml_problem(ctx, nullptr, VRML_ERR_NOMEM, "%s", vrml_fielderrortext(VRML_ERR_NOMEM));
        return -1;
    }
    int r = read_script_body(ctx, result, defname, *state);
    std::free(state);
    return r;
}

}  // extern "C"

namespace {

// Starts a Script's member set: the hidden members of a new scope, then
// url, directOutput and mustEvaluate with the built-in defaults. False
// (the set released) when that fails.
bool start_script_members(vrml_context *ctx, script_state &s, const vrml_nodetemplate *builtin) {
    s.set.count = 0;
    for (int i = 0; i < 3; ++i) s.given[i] = nullptr, s.giventype[i] = -1;
    for (int i = 0; i < kVrmlDeclarationLimit; ++i) s.iscodes[i] = 0;
    if (!add_hidden_members(s.set, vrml_newscope(ctx))) return false;
    for (int i = 0; builtin && i < builtin->membercount && i < 3; ++i) {
        const vrml_fieldtemplate &b = builtin->members[i];
        vrml_field *value =
            b.defaultvalue ? vrml_dupfield[b.type](ctx, b.defaultvalue) : nullptr;
        vrml_fieldtemplate *m = vrml_createfieldtemplate(b.memberclass, b.type, b.name, value, b.reserved);
        if (!m) release_value(b.type, value);
        if (!append_member(ctx, s.set, m)) {
            script_fail(s, -1);
            return false;
        }
    }
    return true;
}

// Reads the value or IS mapping of url, directOutput or mustEvaluate after
// its name: 0, or a negative result when the body fails.
int read_script_given(vrml_context *ctx, script_state &s, const vrml_nodetemplate *builtin,
                      const char *token) {
    int b = vrml_findfieldidx(ctx->templates, VRML_BUILTIN_SCRIPT, token);
    if (b < 0 || b >= 3) {
        vrml_problem(ctx, nullptr, 0, "Unrecognized Script field: %s", token);
        return -1;
    }
    int code = vrml_resolveisalias(ctx, builtin->members[b].memberclass);
    if (code < 0) return -1;
    if (code > 0) {
        s.iscodes[b + 2] = code;
        return 0;
    }
    int type = builtin->members[b].type;
    vrml_field *value = nullptr;
    int r = read_value(ctx, type, &value);
    if (r < 0) {
        vrml_problem(ctx, nullptr, 0, "field parse err");
        return r;
    }
    release_value(s.giventype[b], s.given[b]);
    s.given[b] = value;
    s.giventype[b] = type;
    return 0;
}

// Reads an eventIn, eventOut or field declaration after its class word: 0,
// or a negative result when the body fails.
int read_script_declaration(vrml_context *ctx, script_state &s, int memberclass, char *token) {
    vrml_stream *in = ctx->in;
    if (memberclass == VRML_EXPOSEDFIELD) {
        if (!vrml_lenient(ctx)) {
            vrml_problem(ctx, nullptr, 0, "v_rSB: exposedField declarations not allowed in Script");
            return -1;
        }
        vrml_problem(ctx, nullptr, 0, "Script exposedField kept as a field");
        memberclass = VRML_FIELD;
    }
    if (!vrml_get_tokenstring(in, token, kScriptTokenSize)) {
        vrml_problem(ctx, nullptr, 0, "v_rSB: expected fieldType");
        return -1;
    }
    int type = type_index(token);
    if (type < 0) {
        vrml_problem(ctx, nullptr, 0, "v_rSB: Unrecognized fieldType");
        return -1;
    }
    if (!vrml_get_tokenstring(in, token, kScriptTokenSize)) {
        vrml_problem(ctx, nullptr, 0, "v_rSB: Expected memberName");
        return -1;
    }
    int code = vrml_resolveisalias(ctx, memberclass);
    if (code < 0) return code;
    vrml_field *value = nullptr;
    if (code == 0 && memberclass == VRML_FIELD && read_value(ctx, type, &value) < 0) return -1;
    vrml_fieldtemplate *m = vrml_createfieldtemplate(memberclass, type, token, value, 0);
    if (!m) release_value(type, value);
    int index = s.set.count;
    if (!append_member(ctx, s.set, m)) return -1;
    s.iscodes[index] = code;
    return 0;
}

// Makes the Script's template and node, bound to entry when given, and hands
// it the values and IS mappings read; null (the state released) on failure.
vrml_node *make_script_node(vrml_context *ctx, script_state &s, vrml_defentry *entry) {
    char *name = nullptr;
    vrml_savestring(&name, "Script");
    if (!name) return script_fail(s, -1), nullptr;
    const int count = s.set.count;
    vrml_nodetemplate *t = make_template(name, s.set);
    if (!t) return script_fail(s, -1), nullptr;
    int id = vrml_addtemplate(ctx->templates, t);
    if (id < 0) {
        release_template(t);
        return script_fail(s, -1), nullptr;
    }
    vrml_node *node = entry ? vrml_createdefnode(ctx, id, entry) : vrml_createnode(ctx, id);
    if (!node) return script_fail(s, -1), nullptr;
    for (int b = 0; b < 3; ++b) {
        if (!s.given[b]) continue;
        vrml_member &slot = node->members[b + 2];
        vrml_field **handle = vrml_memberContentHandle(&slot);
        if (handle) {
            release_value(slot.type, *handle);
            *handle = s.given[b];
        } else {
            release_value(s.giventype[b], s.given[b]);
        }
        s.given[b] = nullptr;
    }
    for (int i = 2; i < count; ++i) {
        vrml_member &slot = node->members[i];
        if (s.iscodes[i] > 0) {
            slot.status = static_cast<int8_t>(-s.iscodes[i]);
            vrml_freeuclass(slot.memberclass, slot.type, slot.content);
            slot.content = nullptr;
        } else if (slot.memberclass == VRML_FIELD) {
            slot.status = 1;
        }
    }
    return node;
}

int read_script_body(vrml_context *ctx, vrml_field *result, char *defname, script_state &s) {
    vrml_stream *in = ctx->in;
    vrml_nodetemplate *builtin = vrml_gettemplateentry(ctx->templates, VRML_BUILTIN_SCRIPT);
    if (!start_script_members(ctx, s, builtin)) {
        std::free(defname);
        return -1;
    }
    if (!vrml_expect_string(in, "{")) {
        vrml_problem(ctx, nullptr, 0, "v_rSB: Expected '{'");
        std::free(defname);
        return script_fail(s, -1);
    }
    int32_t defref = vrml_binddef(ctx, defname, nullptr);
    vrml_defentry *entry = defref ? vrml_getdefentry(ctx->deftable, -defref - 1) : nullptr;
    char token[kScriptTokenSize];
    while (!vrml_expect_string(in, "}")) {
        if (!vrml_get_tokenstring(in, token, sizeof token)) {
            vrml_problem(ctx, nullptr, 0, "v_rSB: Expected token");
            return script_fail(s, -1);
        }
        int memberclass = class_index(token);
        int r = 0;
        if (memberclass < 0) r = read_script_given(ctx, s, builtin, token);
        else r = read_script_declaration(ctx, s, memberclass, token);
        if (r < 0) return script_fail(s, r);
    }
    vrml_node *node = make_script_node(ctx, s, entry);
    if (!node) return -1;
    result->sfnode.defref = defref;
    result->sfnode.node = node;
    return 1;
}

}  // namespace
