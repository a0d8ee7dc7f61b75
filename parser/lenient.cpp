// Lenient loads (VRML_LOAD_LENIENT): nodes of unknown type kept with a
// template made after their body, PROTOs of other scopes seen in PROTO
// bodies, unknown members and foreign statements stepped over.
//
// Every frame here may be left by a jump out of vrml_fatal_err (a name that
// fills its buffer, the node limit, no memory): what a body reader has
// collected at that moment stays unreleased, as for a Script body.
#include <cerrno>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fields/field_internal.h"
#include "fields/field_numbers.h"
#include "loader/context_private.h"
#include "loader/lexer.h"
#include "loader/memory.h"
#include "loader/report.h"
#include "nodes/node_internal.h"
#include "parser/parser_internal.h"
#include "zebio/heap.h"

namespace {

// A ROUTE inside the body of a node of unknown type: read into routes
// (vrml_routenames records) until the node exists and its DEF name is
// bound. Flushing adds them (add: false drops them) and releases the
// records.
void flush_body_routes(vrml_context *ctx, vrml_list *routes, bool add) {
    for (vrml_listitem *it = routes->first, *next; it; it = next) {
        next = it->next;
        auto *names = static_cast<vrml_routenames *>(it->data);
        if (add) vrml_addroutenames(ctx, names);
        std::free(names);
        std::free(it);
    }
    *routes = vrml_list{};
}

void read_body_route(vrml_context *ctx, vrml_list *routes) {
    auto *names = static_cast<vrml_routenames *>(vrml_malloc(sizeof(vrml_routenames)));
    if (!names) {
        vrml_problem_nomem(ctx, nullptr);
        return;
    }
    if (vrml_readroutenames(ctx, names) < 0) {
        std::free(names);
    } else if (vrml_listappend(routes, names) < 0) {
        std::free(names);
        vrml_problem_nomem(ctx, nullptr);
    }
}


// The token being looked at; never read after a recursion below it.
thread_local char t_token[kVrmlNameSize];

[[noreturn]] void no_memory() { vrml_fatal_err("lenient: No mem\n"); }

// A growable text.
struct text_buf {
    char *p;
    size_t n, room;
};

void append(text_buf &b, int c) {
    if (b.n + 2 > b.room) {
        size_t room = b.room ? b.room * 2 : 256;
        void *p = vrml_heap_realloc(b.p, room);
        if (!p) {
            std::free(b.p);
            no_memory();
        }
        b.p = static_cast<char *>(p);
        b.room = room;
    }
    b.p[b.n++] = static_cast<char>(c);
    b.p[b.n] = '\0';
}

bool number_start(int c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }

// Reads the rest of a plain token (up to a blank, comment, quote, bracket or
// brace) into b, or skips it when b is null.
void read_plain(vrml_stream *in, text_buf *b) {
    for (;;) {
        int c = in->stream_getc(in);
        if (c < 0 || vrml_isblank(c) || std::strchr("#\"[]{}", c)) {
            if (c >= 0) in->stream_ungetc(in, c);
            return;
        }
        if (b) append(*b, c);
    }
}

// Skips a string after its opening quote.
void skip_string(vrml_stream *in) {
    for (int c; (c = in->stream_getc(in)) >= 0 && c != '"';)
        if (c == '\\') in->stream_getc(in);
}

// Skips up to the bracket or brace that closes the one just read.
void skip_nested(vrml_stream *in) {
    for (int depth = 1; depth > 0;) {
        int c = in->stream_getc(in);
        if (c < 0) return;
        if (c == '"') skip_string(in);
        else if (c == '#') vrml_skipline(in);
        else if (c == '[' || c == '{') ++depth;
        else if (c == ']' || c == '}') --depth;
    }
}

// Skips the plain tokens that begin like numbers.
void skip_numbers(vrml_stream *in) {
    while (number_start(vrml_peekchar(in))) read_plain(in, nullptr);
}

enum class number { kNone, kInt, kFloat, kDouble, kInexact };

// What a token is as a number. Integers take the 32-bit reader's forms
// (decimal, octal, hexadecimal); a token with a point or exponent is a
// float, or a double when a float cannot hold the value as written (the
// float's shortest text reads back to another double).
number classify(const char *t, size_t n) {
    if (n == 0 || !number_start(static_cast<unsigned char>(t[0]))) return number::kNone;
    const char *digits = t + (t[0] == '+' || t[0] == '-');
    bool hex = digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    if (hex || !std::strpbrk(t, ".eE")) {
        errno = 0;
        char *end = nullptr;
        long long v = std::strtoll(t, &end, 0);
        if (end == t + n && end != t)
            return errno == ERANGE || v < INT32_MIN || v > INT32_MAX ? number::kInexact : number::kInt;
        if (hex) return number::kNone;
    }
    double d = 0;
    if (vrml_scandouble(t, n, &d) != n) return number::kNone;
    if (!std::isfinite(d) || std::fabs(d) > FLT_MAX) return number::kInexact;
    char shortest[64];
    double back = 0;
    auto r = std::to_chars(shortest, shortest + sizeof shortest, static_cast<float>(d));
    vrml_scandouble(shortest, static_cast<size_t>(r.ptr - shortest), &back);
    return back == d ? number::kFloat : number::kDouble;
}

void not_kept(vrml_context *ctx, const char *type, const char *member, const char *why) {
    vrml_problem(ctx, nullptr, 0, "%s.%s: value not kept: %s", type, member, why);
}

// Reads a run of numbers (up to the closing bracket when list) and puts it
// back as text its type's reader takes: the type, or -1 (reported).
int reread_numbers(vrml_context *ctx, bool list, const char *type, const char *member) {
    vrml_stream *in = ctx->in;
    text_buf text{};
    append(text, '[');
    int count = 0;
    bool floats = false, doubles = false;
    const char *why = nullptr;
    for (;;) {
        int c = vrml_peekchar(in);
        if (list && c == ']') {
            in->stream_getc(in);
            break;
        }
        if (!number_start(c)) {
            if (list) why = "a list of mixed values", skip_nested(in);
            break;
        }
        append(text, ' ');
        size_t at = text.n;
        read_plain(in, &text);
        number k = classify(text.p + at, text.n - at);
        if (k == number::kNone) why = "a value of no VRML97 type";
        if (k == number::kInexact) why = "a number no VRML97 type holds exactly";
        floats = floats || k == number::kFloat || k == number::kDouble;
        doubles = doubles || k == number::kDouble;
        ++count;
    }
    int t = -1;
    if (!why) {
        // A bare run of two to four numbers is a vector or a rotation.
        static const int kBare[] = {-1, VRML_SFINT32, VRML_SFVEC2F, VRML_SFVEC3F, VRML_SFROTATION};
        t = list || count > 4 ? (floats ? VRML_MFFLOAT : VRML_MFINT32) : kBare[count];
        if (t == VRML_SFINT32 && floats) t = doubles ? VRML_SFTIME : VRML_SFFLOAT;
        else if (doubles)
            vrml_problem(ctx, nullptr, 0, "%s.%s: numbers rounded to float precision", type, member);
        bool many = t == VRML_MFFLOAT || t == VRML_MFINT32;
        if (many) append(text, ']');
        vrml_ungetstring(in, text.p + (many ? 0 : 2));
    }
    std::free(text.p);
    if (why) not_kept(ctx, type, member, why);
    return t;
}

// The value's type when it begins with a name: -1 when none is kept
// (reported, the value skipped).
int word_value_type(vrml_context *ctx, const char *type, const char *member, bool list) {
    vrml_stream *in = ctx->in;
    vrml_get_tokenstring(in, t_token, kVrmlNameSize);
    bool boolean = std::strcmp(t_token, "TRUE") == 0 || std::strcmp(t_token, "FALSE") == 0;
    if (!list && boolean) {
        vrml_ungetstring(in, t_token);
        return VRML_SFBOOL;
    }
    if (!boolean && (std::strcmp(t_token, "NULL") == 0 || std::strcmp(t_token, "USE") == 0 ||
                     std::strcmp(t_token, "DEF") == 0 || vrml_peekchar(in) == '{')) {
        vrml_ungetstring(in, t_token);
        if (list) in->stream_ungetc(in, '[');
        return list ? VRML_MFNODE : VRML_SFNODE;
    }
    if (list) {
        skip_nested(in);
    } else if (std::strcmp(t_token, "IS") == 0) {
        vrml_get_tokenstring(in, t_token, kVrmlNameSize);
        if (ctx->protoindex < 0) {
            vrml_problem(ctx, nullptr, 0, "IS outside a PROTO body: %s IS %s", member, t_token);
            return -1;
        }
        not_kept(ctx, type, member, "an IS mapping");
        return -1;
    } else {
        skip_numbers(in);
    }
    not_kept(ctx, type, member, boolean ? "a list of TRUE and FALSE" : "a value of no VRML97 type");
    return -1;
}

// The type of the value that follows, left to be read by that type's
// reader; -1 when none is kept (skipped, reported).
int value_type(vrml_context *ctx, const char *type, const char *member) {
    vrml_stream *in = ctx->in;
    int c = vrml_peekchar(in);
    if (c == '"') return VRML_SFSTRING;
    if (number_start(c)) return reread_numbers(ctx, false, type, member);
    if (c == '{' || c == '}' || c == ']' || c < 0) {
        if (c == '{') in->stream_getc(in), skip_nested(in);
        not_kept(ctx, type, member, c == '{' ? "a value of no VRML97 type" : "no value");
        return -1;
    }
    if (c != '[') return word_value_type(ctx, type, member, false);
    in->stream_getc(in);
    c = vrml_peekchar(in);
    if (c == ']' || c == '"') {
        // An empty list is kept as an MFNode.
        in->stream_ungetc(in, '[');
        return c == ']' ? VRML_MFNODE : VRML_MFSTRING;
    }
    if (number_start(c)) return reread_numbers(ctx, true, type, member);
    if (c == '[' || c == '{' || c < 0) {
        skip_nested(in);
        not_kept(ctx, type, member, "a value of no VRML97 type");
        return -1;
    }
    return word_value_type(ctx, type, member, true);
}

// The members read in the body of a node of unknown type.
struct body_member {
    char *name;
    int type;
    vrml_field *value;
};

struct body_state {
    body_member *items;
    int count, room;
    vrml_list routes;
};

// Keeps a member value (name taken over); a member given again replaces
// the value given before.
void keep(body_state &s, char *name, int type, vrml_field *value) {
    for (int i = 0; i < s.count; ++i) {
        if (std::strcmp(s.items[i].name, name) != 0) continue;
        vrml_freefielddata[s.items[i].type](s.items[i].value);
        std::free(name);
        s.items[i].type = type;
        s.items[i].value = value;
        return;
    }
    if (s.count == s.room) {
        int room = s.room ? s.room * 2 : 8;
        void *p = vrml_heap_realloc(s.items, static_cast<size_t>(room) * sizeof(body_member));
        if (!p) no_memory();
        s.items = static_cast<body_member *>(p);
        s.room = room;
    }
    s.items[s.count++] = {name, type, value};
}

// The unknown-type template of table named name whose members are exactly
// those of s, or -1.
int find_template(vrml_templatetable *table, const char *name, const body_state &s) {
    for (int id = VRML_BUILTIN_COUNT; id < table->count && id < VRML_TEMPLATE_SLOTS; ++id) {
        vrml_nodetemplate *t = table->templates[id];
        if (!vrml_isunknowntype(t) || std::strcmp(t->name, name) != 0 || t->membercount != s.count) continue;
        bool same = true;
        for (int i = 0; i < s.count && same; ++i) {
            int k = vrml_findnodetemplatefieldidx(t, s.items[i].name);
            same = k >= 0 && t->members[k].type == s.items[i].type;
        }
        if (same) return id;
    }
    return -1;
}

// A new unknown-type template named name (taken over) with the members of
// s, all exposedFields with blank defaults.
vrml_nodetemplate *make_template(char *name, const body_state &s) {
    vrml_fieldtemplate *members = nullptr;
    if (s.count > 0) {
        members = static_cast<vrml_fieldtemplate *>(
            vrml_malloc_array(static_cast<size_t>(s.count), sizeof(vrml_fieldtemplate)));
        if (!members) no_memory();
    }
    for (int i = 0; i < s.count; ++i) {
        vrml_fieldtemplate &m = members[i];
        m.memberclass = VRML_EXPOSEDFIELD;
        m.type = s.items[i].type;
        vrml_savestring(&m.name, s.items[i].name);
        m.defaultvalue = vrml_allocfield(m.type);
        if (!m.name || !m.defaultvalue) no_memory();
    }
    vrml_nodetemplate *t = vrml_createnodetemplate(name, s.count, members);
    if (!t) no_memory();
    t->reserved = VRML_TEMPLATE_UNKNOWNTYPE;
    return t;
}

void release_template(vrml_nodetemplate *t) {
    for (int i = 0; i < t->membercount; ++i) {
        vrml_freefielddata[t->members[i].type](t->members[i].defaultvalue);
        std::free(t->members[i].name);
    }
    std::free(t->members);
    std::free(t->name);
    std::free(t);
}

// Reports an unknown type the first time the world uses it.
void report_type(vrml_context *ctx, const char *name) {
    vrml_contextprivate *record = vrml_context_private(ctx, true);
    for (vrml_listitem *it = record ? record->unknowntypes.first : nullptr; it; it = it->next)
        if (std::strcmp(static_cast<const char *>(it->data), name) == 0) return;
    char *copy = nullptr;
    vrml_savestring(&copy, name);
    if (record && copy && vrml_listappend(&record->unknowntypes, copy) < 0) std::free(copy), copy = nullptr;
    if (record && !copy) vrml_problem_nomem(ctx, nullptr);
    vrml_problem(ctx, nullptr, 0, "Unknown node type kept: %s", name);
}

// The node of the members read (null when the type table is full); the
// member names and values are taken over.
vrml_node *make_unknown_node(vrml_context *ctx, char *name, body_state &s, int32_t defref) {
    vrml_templatetable *table = ctx->templates;
    int id = find_template(table, name, s);
    if (id < 0) {
        vrml_nodetemplate *t = make_template(name, s);
        name = nullptr;
        id = vrml_addtemplate(table, t);
        if (id < 0) {
            vrml_problem(ctx, nullptr, 0, "Unknown node type skipped, the type table is full: %s", t->name);
            release_template(t);
        }
    }
    vrml_node *node = nullptr;
    if (id >= 0) {
        vrml_defentry *entry = defref ? vrml_getdefentry(ctx->deftable, -defref - 1) : nullptr;
        node = entry ? vrml_createdefnode(ctx, id, entry) : vrml_createnode(ctx, id);
        if (!node) vrml_nodefailed(ctx, table->templates[id]->name);
    }
    for (int i = 0; i < s.count; ++i) {
        body_member &m = s.items[i];
        int k = node ? vrml_findnodefieldidx(node, m.name) : -1;
        if (k < 0 || vrml_setnodefield(table, node, m.value, k) < 0) vrml_freefielddata[m.type](m.value);
        std::free(m.name);
    }
    std::free(s.items);
    std::free(name);
    return node;
}

// True when t's body is being read (its declaration scope is open).
bool being_declared(vrml_context *ctx, const vrml_nodetemplate *t) {
    const vrml_field *id = t->membercount > 1 ? t->members[1].defaultvalue : nullptr;
    vrml_scope *body = id ? vrml_getscopeentry(ctx, id->sfint32) : nullptr;
    for (int d = 0; body && d < ctx->scopedepth && d < VRML_SCOPESTACK_SLOTS; ++d)
        if (ctx->scopestack[d] == body) return true;
    return false;
}

// The PROTO or EXTERNPROTO named name in table (not the current one).
vrml_nodetemplate *declared_in(vrml_context *ctx, vrml_templatetable *table, const char *name) {
    if (!table || table == ctx->templates) return nullptr;
    int k = vrml_findnode(table, name);
    vrml_nodetemplate *t = vrml_gettemplateentry(table, k);
    return t && vrml_isprototype(t, k) && !being_declared(ctx, t) ? t : nullptr;
}

}  // namespace

extern "C" {

bool vrml_lenient(const vrml_context *ctx) { return (vrml_context_options(ctx) & VRML_LOAD_LENIENT) != 0; }

vrml_field *vrml_lenient_node(vrml_context *ctx, const char *name, char *defname) {
    report_type(ctx, name);
    char *type = nullptr;
    vrml_savestring(&type, name);
    if (!type) {
        std::free(defname);
        no_memory();
    }
    int32_t defref = vrml_binddef(ctx, defname, nullptr);
    body_state s{};
    vrml_stream *in = ctx->in;
    for (;;) {
        if (in->stream_eof(in) || vrml_expect_string(in, "}")) break;
        if (!vrml_get_fieldname(in, t_token, kVrmlNameSize)) {
            vrml_problem(nullptr, in, 0, "v_d_n: Bad field token");
            break;
        }
        if (std::strcmp(t_token, "ROUTE") == 0) {
            read_body_route(ctx, &s.routes);
            continue;
        }
        char *member = nullptr;
        vrml_savestring(&member, t_token);
        if (!member) no_memory();
        int t = value_type(ctx, type, member);
        vrml_field *value = t >= 0 ? vrml_allocfield(t) : nullptr;
        if (t >= 0 && !value) no_memory();
        if (value && vrml_parsefield[t](ctx, value) >= 0) {
            keep(s, member, t, value);
            continue;
        }
        if (value) vrml_freefielddata[t](value);
        std::free(member);
    }
    vrml_node *node = make_unknown_node(ctx, type, s, defref);
    flush_body_routes(ctx, &s.routes, node != nullptr);
    vrml_field *record = vrml_allocfield(VRML_SFNODE);
    if (!record) no_memory();
    record->sfnode.defref = defref;
    record->sfnode.node = node;
    return record;
}

int vrml_lenient_alias(vrml_context *ctx, const char *name) {
    if (ctx->scopedepth < 2) return -1;
    vrml_nodetemplate *t = nullptr;
    for (int d = ctx->scopedepth - 1; d >= 0 && !t; --d)
        if (d < VRML_SCOPESTACK_SLOTS && ctx->scopestack[d])
            t = declared_in(ctx, ctx->scopestack[d]->templates, name);
    for (vrml_listitem *it = ctx->declaredscopes.first; it && !t; it = it->next)
        if (it->data) t = declared_in(ctx, static_cast<vrml_scope *>(it->data)->templates, name);
    return t ? vrml_addtemplatealias(ctx->templates, t) : -1;
}

void vrml_lenient_skipvalue(vrml_context *ctx) {
    vrml_stream *in = ctx->in;
    int c = vrml_peekchar(in);
    if (c == '"') {
        in->stream_getc(in);
        return skip_string(in);
    }
    if (c == '[' || c == '{') {
        in->stream_getc(in);
        return skip_nested(in);
    }
    if (c < 0 || c == '}' || c == ']') return;
    if (number_start(c)) return skip_numbers(in);
    vrml_get_tokenstring(in, t_token, kVrmlNameSize);
    if (std::strcmp(t_token, "DEF") == 0) {
        for (int i = 0; i < 2; ++i) vrml_skipspace(in), read_plain(in, nullptr);
    } else if (std::strcmp(t_token, "USE") == 0 || std::strcmp(t_token, "IS") == 0)
        return vrml_skipspace(in), read_plain(in, nullptr);
    if (vrml_peekchar(in) == '{') {
        in->stream_getc(in);
        return skip_nested(in);
    }
    skip_numbers(in);
}

bool vrml_lenient_statement(vrml_context *ctx, const char *word) {
    static const char *const kWords[] = {"PROFILE", "COMPONENT", "META", "IMPORT", "EXPORT"};
    int k = 0;
    while (k < 5 && std::strcmp(word, kWords[k]) != 0) ++k;
    if (k == 5) return false;
    vrml_problem(ctx, nullptr, 0, "Statement skipped: %s", word);
    vrml_stream *in = ctx->in;
    for (int i = 0; i < (k == 2 ? 2 : 1); ++i) {
        if (vrml_peekchar(in) == '"') in->stream_getc(in), skip_string(in);
        else read_plain(in, nullptr);
    }
    if (k >= 3 && vrml_expect_keyword(in, "AS")) vrml_skipspace(in), read_plain(in, nullptr);
    return true;
}

bool vrml_lenient_strayis(vrml_context *ctx, const char *member) {
    vrml_stream *in = ctx->in;
    if (vrml_peekchar(in) != 'I' || !vrml_lenient(ctx) || !vrml_expect_keyword(in, "IS")) return false;
    vrml_get_tokenstring(in, t_token, kVrmlNameSize);
    vrml_problem(ctx, nullptr, 0, "IS outside a PROTO body: %s IS %s", member, t_token);
    return true;
}

}  // extern "C"
