// Templates, lookups by name, node creation and member access as a host
// sees them: sessions of calls in tests/data/nodes/sessions.txt (see
// transcript.h), each in a scene loaded from the text after " | " in its
// title (empty without).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "fields/field_internal.h"
#include "nodes/node_internal.h"
#include "nodes/transcript.h"
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

    int type(const std::string &word) {
        return word[0] == '-' || std::isdigit(static_cast<unsigned char>(word[0]))
                   ? std::stoi(word)
                   : vrml_findnode(ctx->templates, word.c_str());
    }
    vrml_fieldtemplate *member(int id, int i) {
        vrml_nodetemplate *t = vrml_gettemplateentry(ctx->templates, id);
        return t && i >= 0 && i < t->membercount ? &t->members[i] : nullptr;
    }
    std::string named(vrml_node *node) {
        if (!node) return "null";
        nodes.push_back(node);
        return "N" + std::to_string(nodes.size());
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
        vrml_fieldtemplate *m = node ? member(node->type, i) : member(type(a), i);
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
        if (call == "base") {
            vrml_node *base = vrml_baseNode(node);
            return base ? base->nodetemplate->name : "null";
        }
        return "?";
    }
};

TEST(Nodes, SessionsMatchTheirTranscripts) {
    check_transcript<Session>("nodes/sessions.txt", g_out, LogCapture::kProblems);
}

}  // namespace
