// Node statements: NULL, DEF, USE, Script, and a node type with its body.
//
// Every frame here may be left by a jump out of vrml_fatal_err: nothing on
// the stack owns memory, and a DEF name is handed to its DEF entry (or
// released) before anything that can end the process.
#include <cstdlib>
#include <cstring>

#include "fields/field_internal.h"
#include "loader/lexer.h"
#include "loader/memory.h"
#include "loader/report.h"
#include "loader/stack_guard.h"
#include "nodes/node_internal.h"
#include "parser/parser_internal.h"
#include "release/release_internal.h"

namespace {

// The name buffers of the two recursive frames live beside the thread, not
// on the stack, so that a nesting level costs little stack. Neither is read
// after the recursion below it: vrml_parse_node hands its word to
// vrml_do_node, which uses it before it reads any member, and vrml_do_node
// reads its next member name after the member value.
thread_local char t_word[kVrmlNameSize];
thread_local char t_member[kVrmlNameSize];

vrml_field *node_reference(int32_t defref, vrml_node *node) {
    vrml_field *record = vrml_allocfield(VRML_SFNODE);
    if (!record) vrml_fatal_err("v_pn: No mem\n");
    record->sfnode.defref = defref;
    record->sfnode.node = node;
    return record;
}

// Reads the IS mapping of member i after the word IS. False when the mapping
// was recorded between incompatible classes.
bool read_is_mapping(vrml_context *ctx, vrml_node *node, int i, char *name) {
    if (!vrml_get_fieldname(ctx->in, name, kVrmlNameSize))
        vrml_problem(nullptr, ctx->in, 0, "v_d_n: IS field bad token");
    vrml_is_target target = vrml_findistarget(ctx, name, node->nodetemplate->members[i].memberclass);
    switch (target.outcome) {
    case vrml_is_outcome::kNoParentScope: vrml_fatal_err("v_d_n: no parent scope");
    case vrml_is_outcome::kNoSuchMember:
        vrml_problem(ctx, nullptr, 0, "Could not match field to parent prototype");
        vrml_problem(nullptr, ctx->in, 0, "Invalid IS source");
        return true;
    case vrml_is_outcome::kIndexOutOfRange:
        vrml_problem(ctx, nullptr, 0, "v_d_n: IS field index out of range");
        return true;
    case vrml_is_outcome::kFound: break;
    }
    int j = target.index;
    bool ok = target.classmatch;
    if (!ok) {
        vrml_problem(ctx, nullptr, 0, "Invalid IS relationship");
        vrml_problem(nullptr, ctx->in, 0, "Invalid IS relationship");
    }
    vrml_member &slot = node->members[i];
    // The body node keeps its own content under the IS status; the scene
    // releases it (the status alone does not tell it from a shared one).
    // Unrecorded, the member stays the node's own: the mapping is dropped.
    if (slot.status >= 0 &&
        !vrml_scene_own(ctx, slot.content, slot.memberclass, slot.type, false)) {
        vrml_problem_nomem(ctx, nullptr);
        return true;
    }
    slot.status = static_cast<int8_t>(-(j + 1));
    return ok;
}

}  // namespace

int32_t vrml_binddef(vrml_context *ctx, char *defname, vrml_node *node) {
    if (!defname) return 0;
    int n = vrml_adddef(ctx->deftable, defname, node);
    if (n >= 0) return -n;
    std::free(defname);
    vrml_problem_nomem(ctx, nullptr);
    return 0;
}

namespace {

// Reads a value of member i's type and assigns it.
void read_member_value(vrml_context *ctx, vrml_node *node, int i) {
    const vrml_fieldtemplate &member = node->nodetemplate->members[i];
    vrml_field *value = vrml_allocfield(member.type);
    if (!value) vrml_fatal_err("v_d_n: No mem\n");
    vrml_parsefield[member.type](ctx, value);
    bool taken = vrml_setnodefield(ctx->templates, node, value, i) >= 0;
    if (!taken) vrml_problem_nomem(ctx, nullptr);  // no holder for the value
    // Events hold no assigned value: the node does not take it.
    if (!taken || member.memberclass == VRML_EVENTIN || member.memberclass == VRML_EVENTOUT)
        vrml_freefielddata[member.type](value);
}

}  // namespace

extern "C" {

ZEBVRML2_API vrml_field *vrml_parse_node(vrml_context *ctx, char *defname) {
    vrml_stackguard(ctx, "vrml_parse_node");
    char *word = t_word;
    vrml_stream *in = ctx->in;
    for (;;) {
        if (in->stream_eof(in) || !vrml_get_nodename_of(ctx, in, word, kVrmlNameSize)) break;
        if (std::strcmp(word, "NULL") == 0) {
            std::free(defname);
            return node_reference(0, nullptr);
        }
        if (std::strcmp(word, "DEF") == 0) {
            if (!vrml_get_tokenstring(in, word, kVrmlNameSize)) break;
            std::free(defname);
            vrml_savestring(&defname, word);
            if (!defname) vrml_fatal_err("v_pn: No mem\n");
            continue;
        }
        if (std::strcmp(word, "USE") == 0) {
            std::free(defname);
            if (!vrml_get_tokenstring(in, word, kVrmlNameSize)) return nullptr;
            int k = vrml_finddefidx(ctx->deftable, word);
            vrml_defentry *entry = k >= 0 ? vrml_getdefentry(ctx->deftable, k) : nullptr;
            if (!entry) {
                vrml_problem(nullptr, in, 0, "v_pn: Couldn't use %s\n", word);
                return nullptr;
            }
            return node_reference(k + 1, entry->node);
        }
        if (std::strcmp(word, "Script") == 0) {
            vrml_field *record = vrml_allocfield(VRML_SFNODE);
            if (!record) {
                std::free(defname);
                vrml_fatal_err("v_pn: No mem\n");
            }
            if (vrml_readscriptbody(ctx, record, defname) < 0)
                vrml_problem(ctx, nullptr, 0, "vpn.rsb failed");
            return record;
        }
        if (std::strcmp(word, "PROTO") == 0) {
            vrml_readproto(ctx);
            continue;
        }
        if (std::strcmp(word, "EXTERNPROTO") == 0) {
            vrml_readexternproto(ctx);
            continue;
        }
        if (std::strcmp(word, "ROUTE") == 0) {
            vrml_getroute(ctx);
            continue;
        }
        if (!vrml_expect_string(in, "{")) {
            if (vrml_lenient(ctx) && vrml_lenient_statement(ctx, word)) continue;
            break;
        }
        return vrml_do_node(ctx, word, defname);
    }
    std::free(defname);
    return nullptr;
}

void vrml_nodefailed(vrml_context *ctx, const char *name) {
    if (vrml_atnodelimit(ctx))
        vrml_fatal_err("v_d_n: node limit of %d reached: %s", static_cast<int>(vrml_nodelimit(ctx)), name);
    vrml_fatal_err("v_d_n: Could not create node: %s", name);
}

ZEBVRML2_API vrml_field *vrml_do_node(vrml_context *ctx, const char *name, char *defname) {
    int id = vrml_findnode(ctx->templates, name);
    bool lenient = id < 0 && vrml_lenient(ctx);
    if (lenient) id = vrml_lenient_alias(ctx, name);
    // Only a lenient load makes templates of unknown types.
    if ((lenient && id < 0) || (id >= VRML_BUILTIN_COUNT &&
                                vrml_isunknowntype(vrml_gettemplateentry(ctx->templates, id))))
        return vrml_lenient_node(ctx, name, defname);
    if (id < 0) {
        std::free(defname);
        vrml_fatal_err("Unrecognized node: %s", name);
    }
    vrml_node *node = vrml_createnode(ctx, id);
    if (!node) {
        std::free(defname);
        vrml_nodefailed(ctx, name);
    }
    int32_t defref = vrml_binddef(ctx, defname, node);

    vrml_stream *in = ctx->in;
    char *member = t_member;
    bool failed = false;
    for (;;) {
        if (in->stream_eof(in) || vrml_expect_string(in, "}")) break;
        if (!vrml_get_fieldname(in, member, kVrmlNameSize)) {
            vrml_problem(nullptr, in, 0, "v_d_n: Bad field token");
            break;
        }
        if (std::strcmp(member, "ROUTE") == 0) {
            vrml_getroute(ctx);
            continue;
        }
        // VRML97 also allows declarations among the members; the default
        // load reads their words as member names.
        const bool proto = std::strcmp(member, "PROTO") == 0;
        if ((proto || std::strcmp(member, "EXTERNPROTO") == 0) && vrml_lenient(ctx)) {
            if (proto) vrml_readproto(ctx);
            else vrml_readexternproto(ctx);
            continue;
        }
        int i = vrml_findfieldidx(ctx->templates, id, member);
        if (i < 0) {
            vrml_problem(nullptr, in, 0, "v_d_n:unk field:%s\n", member);
            if (vrml_lenient(ctx)) vrml_lenient_skipvalue(ctx);
            continue;
        }
        if (ctx->protoindex >= 0 && vrml_expect_keyword(in, "IS")) {
            if (!read_is_mapping(ctx, node, i, member)) failed = true;
            continue;
        }
        if (ctx->protoindex == -1 && vrml_lenient_strayis(ctx, member)) continue;
        read_member_value(ctx, node, i);
    }
    if (failed) return nullptr;
    return node_reference(defref, node);
}

}  // extern "C"
