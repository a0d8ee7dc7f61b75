// Templates, lookups by name, node creation and member access as a host
// sees them: sessions of calls in tests/data/nodes/sessions.txt (see
// support/transcript.h), each in a scene loaded from the text after " | " in its
// title (empty without).
#include <cctype>
#include <deque>
#include <regex>
#include <utility>

#include "fields/field_internal.h"
#include "nodes/node_internal.h"
#include "support/transcript.h"
#include "support/loaded_scene.h"

namespace {

std::string g_out;

int position(int from, int count, const std::string &name) {
    for (int i = 0; i < count; ++i)
        if (name == vrml_fieldnames[from + i]) return i;
    return -1;
}

struct Session {
    explicit Session(const std::string &title)
        : scene(title.find(" | ") == std::string::npos ? "" : title.substr(title.find(" | ") + 3)) {}
    LoadedScene scene;
    vrml_context *ctx = scene.ctx;
    std::vector<vrml_node *> nodes;
    std::deque<std::string> defnames;
    vrml_externproto record{};  // of the type made external by "extern"
    vrml_nodetemplate *external = nullptr;
    ~Session() {
        while (record.pending.first) vrml_listdelete(&record.pending, record.pending.first->data);
        if (external) external->external = 0, external->externrecord = nullptr;
    }

    int type(const std::string &word) {
        return word[0] == '-' || std::isdigit(static_cast<unsigned char>(word[0]))
                   ? std::stoi(word)
                   : vrml_findnode(ctx->templates, word.c_str());
    }
    vrml_fieldtemplate *member(int id, int i) {
        vrml_nodetemplate *t = vrml_gettemplateentry(ctx->templates, id);
        return t && i >= 0 && i < t->membercount ? &t->members[i] : nullptr;
    }
    std::string id(const vrml_node *node) {
        for (size_t k = 0; k < nodes.size(); ++k)
            if (nodes[k] == node) return "N" + std::to_string(k + 1);
        return node ? node->nodetemplate->name : "null";
    }
    std::string named(vrml_node *node) {  // the new node's name
        return node ? (nodes.push_back(node), "N" + std::to_string(nodes.size())) : "null";
    }
    std::string text(int type, const vrml_field *value) {
        if (!value) return "null";
        scene.take_output();
        vrml_printfield[type](ctx, value);
        return std::regex_replace(scene.take_output(), std::regex("\n *"), " ");
    }
    // A new value read from text; null for "-" or a member that is not there.
    vrml_field *value(const vrml_fieldtemplate *m, const std::string &text) {
        if (!m || text == "-") return nullptr;
        StringInput in(text);
        vrml_stream *saved = ctx->in;
        ctx->in = in.get();
        vrml_field *v = vrml_allocfield(m->type);
        vrml_parsefield[m->type](ctx, v);
        ctx->in = saved;
        return v;
    }

    std::string run(const std::string &line) {
        std::istringstream words(line);
        std::string call, a, b, rest;
        int i = 0;
        words >> call >> a;
        if (call == "template") {  // NAME CLASS:TYPE:MEMBER[=-]...: blank defaults, "=-" none
            std::vector<vrml_fieldtemplate> members;
            for (std::string w; words >> w;) {
                size_t c = w.find(':'), t = w.find(':', c + 1), none = w.find("=-");
                std::string name = w.substr(t + 1, none - t - 1);
                members.push_back(member_record(position(kVrmlClassNameBase, 4, w.substr(0, c)),
                                                position(0, VRML_FIELDTYPE_COUNT, w.substr(c + 1, t - c - 1)),
                                                name == "\"\"" ? "" : name.c_str()));
                if (none != std::string::npos) std::free(std::exchange(members.back().defaultvalue, nullptr));
            }
            auto *copy = static_cast<vrml_fieldtemplate *>(vrml_malloc(members.size() * sizeof members[0] + 1));
            std::copy(members.begin(), members.end(), copy);
            return std::to_string(vrml_addtemplate(
                ctx->templates, vrml_createnodetemplate(strdup(a.c_str()), static_cast<int>(members.size()), copy)));
        }
        if (call == "findnode") return std::to_string(vrml_findnode(ctx->templates, a.c_str()));
        if (call == "any" || call == "eventin" || call == "eventout") {
            // TYPE NAME: the index by type id; where the template differs, its answer and a node's
            words >> b;
            if (b == "\"\"") b.clear();
            int k = call == "any" ? 0 : call == "eventin" ? 1 : 2, id = type(a);
            int (*by_id[])(vrml_templatetable *, int, const char *) = {vrml_findfieldidx, vrml_findeventinidx,
                                                                      vrml_findeventoutidx};
            int (*by_template[])(vrml_nodetemplate *, const char *) = {
                vrml_findnodetemplatefieldidx, vrml_findnodetemplateeventinidx, vrml_findnodetemplateeventoutidx};
            int (*by_node[])(vrml_node *, const char *) = {vrml_findnodefieldidx, vrml_findnodeeventinidx,
                                                           vrml_findnodeeventoutidx};
            std::string answer = std::to_string(by_id[k](ctx->templates, id, b.c_str()));
            vrml_nodetemplate *t = vrml_gettemplateentry(ctx->templates, id);
            vrml_node *node = t ? vrml_createnode_nc(ctx, id) : nullptr;
            std::string other = t ? std::to_string(by_template[k](t, b.c_str())) + " " +
                                        std::to_string(by_node[k](node, b.c_str()))
                                  : "";
            return t && other != answer + " " + answer ? answer + " but " + other : answer;
        }
        if (call == "node") return named(vrml_createnode(ctx, type(a)));
        if (call == "bare") return named(vrml_createnode_nc(ctx, type(a)));
        if (call == "def") {  // NAME TYPE: the node, the entry's node and the node's DEF name
            words >> b;
            defnames.push_back(a);
            vrml_defentry entry{defnames.back().data(), nullptr};
            std::string made = named(vrml_createdefnode(ctx, type(b), &entry));
            if (!entry.node) return made + ", entry empty";
            return made + ", entry " + (entry.node == nodes.back() ? made : "?") + ", DEF " + nodes.back()->defname;
        }
        if (call == "count") return std::to_string(ctx->allnodes.count);
        if (call == "limit") return std::to_string(vrml_setnodelimit(ctx, std::stoi(a)));
        bool is_node = a.size() > 1 && a[0] == 'N' && std::isdigit(static_cast<unsigned char>(a[1]));
        vrml_node *node = is_node ? nodes.at(std::stoul(a.substr(1)) - 1) : nullptr;
        words >> i >> std::ws;
        std::getline(words, rest);
        vrml_fieldtemplate *m = node ? member(node->type, i) : a == "-" || a == "none" ? nullptr : member(type(a), i);
        if (call == "set" || call == "setmany") {  // NODE I TEXT|-|same, or NODE I COUNT: 0, 1, ...
            int result = 0, times = call == "set" ? 1 : std::stoi(rest);
            for (int n = 0; n < times; ++n) {
                vrml_field *v = rest == "same" ? vrml_getnodefield(ctx->templates, node, i)
                                               : value(m, call == "set" ? rest : std::to_string(n));
                result = vrml_setnodefield(ctx->templates, node, v, i);
                bool taken = result == 1 && (m->memberclass == VRML_FIELD || m->memberclass == VRML_EXPOSEDFIELD);
                if (!taken && v) vrml_freefielddata[m->type](v);
            }
            return std::to_string(result);
        }
        if (call == "get") return text(m ? m->type : 0, vrml_getnodefield(ctx->templates, node, i));
        if (call == "status") return std::to_string(node->members[i].status);
        if (call == "setstatus") return node->members[i].status = static_cast<int8_t>(std::stoi(rest)), "";
        if (call == "setdefault") return std::to_string(vrml_settemplatedefault(ctx, type(a), i, value(m, rest)));
        if (call == "default") return m ? text(m->type, m->defaultvalue) : "no member";
        if (call == "display") {  // TYPE I [-]: the line written, then the value printed ("-": no context)
            testing::internal::CaptureStdout();
            scene.take_output();
            vrml_display_field(rest == "-" ? nullptr : ctx, m);
            std::string shown = testing::internal::GetCapturedStdout();
            return shown.substr(0, shown.size() - 1) + " | " + scene.take_output();
        }
        if (call == "base") return id(vrml_baseNode(node));  // NODE|-
        if (call == "basefield") {  // NODE|-|none: the record found from a reference to NODE (none: no record)
            vrml_field ref{};
            ref.sfnode.node = node;
            vrml_field *found = vrml_baseSFNode(a == "none" ? nullptr : &ref);
            return found == &ref ? "the reference itself" : found ? id(found->sfnode.node) : "null";
        }
        if (call == "instance") {  // NODE: its scope (and the declaration's), the scope's owner, DEFs and
            int own = vrml_getnodefield(ctx->templates, node, 1)->sfint32;  // listing, its body
            vrml_scope *scope = vrml_getscopeentry(ctx, own);
            std::string text = "scope " + std::to_string(own) + " of " +
                               std::to_string(node->nodetemplate->members[1].defaultvalue->sfint32) + ", owner " +
                               id(scope->owner) + ", DEFs";
            for (int k = 0; k < scope->deftable->defs.count; ++k)
                text += std::string(" ") + vrml_getdefentry(scope->deftable, k)->name;
            vrml_field *body = vrml_getnodefield(ctx->templates, node, 0);
            return text + (vrml_findlistdata(&ctx->instancescopes, scope) ? ", listed" : "") + "; body of " +
                   std::to_string(body->mfnode.count) +
                   (body == node->nodetemplate->members[0].defaultvalue ? " (the template's)" : "") +
                   "; depth " + std::to_string(ctx->scopedepth) +
                   (ctx->templates == vrml_getscopeentry(ctx, 0)->templates ? ", scene types" : "");
        }
        if (call == "extern") {  // TYPE: made external, its instances listed as pending
            external = vrml_gettemplateentry(ctx->templates, type(a));
            return external->external = 1, external->externrecord = &record, "";
        }
        if (call == "pending") {
            std::string text;
            for (vrml_listitem *it = record.pending.first; it; it = it->next)
                text += id(static_cast<vrml_node *>(it->data)) + " ";
            return text + "(" + std::to_string(record.pending.count) + ")";
        }
        return "?";
    }
};

TEST(Nodes, SessionsMatchTheirTranscripts) {
    check_sessions<Session>("nodes/sessions.txt", g_out, LogCapture::kProblems);
}

}  // namespace
