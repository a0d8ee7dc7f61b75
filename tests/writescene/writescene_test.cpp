// vrmlutil_writescene: worlds written, read back and compared with the
// scenes they came from (nodes by type, values bit for bit, sharing, DEF
// names, ROUTEs, declarations); the written text is stable; ordering cases
// against expected outputs in tests/data/writescene.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/loaded_scene.h"

namespace {

namespace fs = std::filesystem;

std::string write_scene(vrml_context *ctx, int *result = nullptr) {
    BufferOutput out;
    int r = vrmlutil_writescene(ctx, out.get(), 0);
    if (result) *result = r;
    return out.text();
}

using RouteSet = std::multiset<std::tuple<vrml_node *, int, vrml_node *, int>>;

bool same_member(const vrml_fieldtemplate &x, const vrml_fieldtemplate &y) {
    return !std::strcmp(x.name, y.name) && x.memberclass == y.memberclass && x.type == y.type;
}

// Walks two scenes side by side; every difference is a test failure naming
// where it was found.
struct SceneComparison {
    vrml_context *ca, *cb;
    std::map<vrml_node *, vrml_node *> pairs;
    std::set<vrml_node *> seen;
    std::string where;

    void fail(const std::string &what) { ADD_FAILURE() << where << ": " << what; }

    // Equal DEF names, or a generated one: the original (or "Shared") and _N.
    void names(std::string x, std::string y) {
        std::string base = (x.empty() ? "Shared" : x) + "_";
        if (x != y && (y.rfind(base, 0) || y.size() == base.size() ||
                       y.find_first_not_of("0123456789", base.size()) != std::string::npos))
            fail("DEF name " + x + " read back as " + y);
    }

    void node(vrml_node *a, vrml_node *b) {
        if (!a || !b) return a == b ? void() : fail("a node is null on one side only");
        if (pairs.count(a)) return pairs[a] == b ? void() : fail("sharing differs");
        if (!seen.insert(b).second) return fail("a node is shared on one side only");
        pairs[a] = b;
        std::string outer = where;
        where += std::string("/") + a->nodetemplate->name;
        names(a->defname ? a->defname : "", b->defname ? b->defname : "");
        vrml_nodetemplate *ta = a->nodetemplate, *tb = b->nodetemplate;
        bool same = !std::strcmp(ta->name, tb->name) && ta->membercount == tb->membercount;
        if (!same) fail("type differs");
        for (int m = a->type >= VRML_BUILTIN_COUNT ? 2 : 0; same && m < ta->membercount; ++m) {
            int sa = a->members[m].status, sb = b->members[m].status;
            if (!same_member(ta->members[m], tb->members[m])) fail(std::string("member differs: ") + ta->members[m].name);
            else if ((sa < 0 || sb < 0) && sa != sb) fail(std::string("IS mapping differs: ") + ta->members[m].name);
            else if (ta->members[m].memberclass >= VRML_EXPOSEDFIELD && sa >= 0)
                value(ta->members[m].type, vrml_memberContentPtr(&a->members[m]), vrml_memberContentPtr(&b->members[m]));
        }
        where = outer;
    }

    void value(int type, const vrml_field *a, const vrml_field *b) {
        static const vrml_field blank{};
        static const size_t sizes[] = {4, 12, 4, 0, 4, 0, 16, 0, 8, 8, 12, 12, 4, 4, 0, 16, 0, 8, 12};
        a = a ? a : &blank, b = b ? b : &blank;
        auto text = [&](const char *x, const char *y) {
            if (std::string(x ? x : "") != (y ? y : "")) fail("text differs");
        };
        // Records are only as large as their type's layout: each case reads its own.
        const vrml_sfimage &p = a->sfimage, &q = b->sfimage;
        const vrml_mfarray &x = a->mfarray, &y = b->mfarray;
        switch (type) {
            case VRML_SFNODE: return node(a->sfnode.node, b->sfnode.node);
            case VRML_SFSTRING: return text(a->sfstring, b->sfstring);
            case VRML_MFNODE:
                for (auto *i = a->mfnode.nodes.first, *j = b->mfnode.nodes.first;; i = i->next, j = j->next) {
                    if (!i || !j) return i || j ? fail("node count differs") : void();
                    node(static_cast<vrml_field *>(i->data)->sfnode.node, static_cast<vrml_field *>(j->data)->sfnode.node);
                }
            case VRML_SFIMAGE:
                if (std::tie(p.width, p.height, p.components) != std::tie(q.width, q.height, q.components) ||
                    (p.pixels && std::memcmp(p.pixels, q.pixels, size_t(p.width) * p.height * p.components)))
                    fail("image differs");
                return;
            case VRML_MFSTRING:
                if (x.count != y.count) return fail("string count differs");
                for (int32_t k = 0; k < x.count; ++k) text(static_cast<char **>(x.values)[k], static_cast<char **>(y.values)[k]);
                return;
            default:
                if (type < VRML_MFCOLOR ? std::memcmp(a, b, sizes[type]) != 0
                                        : x.count != y.count || (x.count && std::memcmp(x.values, y.values, x.count * sizes[type])))
                    fail("value differs");
        }
    }

    // Routes as (source, member, target, member), mapped to the second scene.
    RouteSet routes(bool first, vrml_scope *scope) {
        RouteSet all;
        auto map = [&](vrml_node *n) { return first && pairs.count(n) ? pairs[n] : n; };
        auto add = [&](vrml_node *from, int out, vrml_node *to, int in) { all.insert({map(from), out, map(to), in}); };
        for (auto [a, b] : pairs) {
            vrml_node *n = first ? a : b;
            for (int m = 0; m < n->nodetemplate->membercount; ++m) {
                vrml_list *out = n->members[m].status >= 0 ? routes_leaving(n, m) : nullptr;
                for (vrml_listitem *it = out ? out->first : nullptr; it; it = it->next) {
                    auto *r = static_cast<vrml_route *>(it->data);
                    if (!r->scope || !r->scope->owner) add(r->sourcenode, r->sourcemember, r->targetnode, r->targetmember);
                }
            }
        }
        for (vrml_listitem *it = scope->deftable->routes.first; it; it = it->next) {
            auto *r = static_cast<vrml_route *>(it->data);
            add(vrml_getdefentry(scope->deftable, r->sourcedef)->node, r->sourcemember,
                vrml_getdefentry(scope->deftable, r->targetdef)->node, r->targetmember);
        }
        return all;
    }

    // A naming scope: its declarations (PROTO, EXTERNPROTO), nodes, routes.
    void scope(vrml_scope *a, vrml_scope *b, const vrml_field *na, const vrml_field *nb) {
        std::vector<vrml_nodetemplate *> pa = protos(a), pb = protos(b);
        if (pa.size() != pb.size()) return fail("declaration count differs");
        for (size_t i = 0; i < pa.size(); ++i) declaration(pa[i], pb[i]);
        value(VRML_MFNODE, na, nb);
        if (routes(true, a) != routes(false, b)) fail("routes differ");
    }

    static std::vector<vrml_nodetemplate *> protos(vrml_scope *s) {
        std::vector<vrml_nodetemplate *> found;
        for (int id = VRML_BUILTIN_COUNT; id < s->templates->count; ++id)
            if (s->templates->templates[id] && std::strcmp(s->templates->templates[id]->name, "Script"))
                found.push_back(s->templates->templates[id]);
        return found;
    }

    void declaration(vrml_nodetemplate *a, vrml_nodetemplate *b) {
        std::string outer = where;
        where += std::string("/PROTO ") + a->name;
        if (std::strcmp(a->name, b->name) || a->external != b->external || a->membercount != b->membercount)
            return fail("declaration differs"), void(where = outer);
        for (int m = 2; m < a->membercount; ++m) {
            if (!same_member(a->members[m], b->members[m])) fail("interface differs");
            else if (a->members[m].memberclass >= VRML_EXPOSEDFIELD)
                value(a->members[m].type, a->members[m].defaultvalue, b->members[m].defaultvalue);
        }
        if (a->external) value(VRML_MFSTRING, a->externrecord->url, b->externrecord->url);
        else
            scope(vrml_getscopeentry(ca, a->members[1].defaultvalue->sfint32),
                  vrml_getscopeentry(cb, b->members[1].defaultvalue->sfint32), a->members[0].defaultvalue,
                  b->members[0].defaultvalue);
        where = outer;
    }
};

void compare_scenes(vrml_context *a, vrml_context *b) {
    SceneComparison c{a, b, {}, {}, ""};
    vrml_field ra{}, rb{};
    ra.mfnode = *a->root, rb.mfnode = *b->root;
    c.scope(vrml_getscopeentry(a, 0), vrml_getscopeentry(b, 0), &ra, &rb);
}

// Writes the scene, reads the text back, compares and writes again: the
// second text equals the first. Reading it back reports no problem but
// those the first reading reported (given in known).
void round_trip(vrml_context *ctx, const std::vector<std::string> &known = {}) {
    std::string first = write_scene(ctx);
    LogCapture log;
    LoadedScene again(first);
    for (const std::string &problem : log.texts())
        EXPECT_NE(std::find(known.begin(), known.end(), problem), known.end()) << problem << "\n" << first;
    compare_scenes(ctx, again.ctx);
    EXPECT_EQ(first, write_scene(again.ctx));
}

// The examples, the golden worlds and the corpus, where present: every world
// that loads without a fatal exit.
TEST(WriteScene, WorldsReadBackAsTheSameScene) {
    std::vector<std::string> worlds;
    for (const char *dir : {ZEBVRML2_SOURCE_DIR "/examples", ZEBVRML2_SOURCE_DIR "/tests/data/golden", ZEBVRML2_CORPUS_DIR})
        for (auto &e : fs::recursive_directory_iterator(fs::is_directory(dir) ? dir : ZEBVRML2_SOURCE_DIR "/examples"))
            if (e.path().extension() == ".wrl") worlds.push_back(e.path().string());
    std::sort(worlds.begin(), worlds.end());
    worlds.erase(std::unique(worlds.begin(), worlds.end()), worlds.end());
    int tried = 0;
    for (const std::string &path : worlds) {
        SCOPED_TRACE(path);
        StringInput in(read_file(path));
        BufferOutput out;
        vrml_context *ctx = nullptr;
        LogCapture quiet;
        if (ends_fatally([&] { ctx = vrmlutil_loadscene(in.get(), out.get()); })) continue;
        SceneUnloader unload(ctx);
        round_trip(ctx, quiet.texts());
        ++tried;
    }
    EXPECT_GT(tried, 80);
}

// Random bit patterns over the whole float and double ranges (NaN aside),
// stored by a host in place, and the edge values.
TEST(WriteScene, RandomValuesReadBackBitForBit) {
    LoadedScene scene(
        "#VRML V2.0 utf8\n"
        "DEF T Transform { children [ DEF S ScalarInterpolator { key [0 0 0 0 0 0 0 0 0 0] }\n"
        "  DEF C TimeSensor {} Shape { geometry DEF F IndexedFaceSet { coordIndex [0 0 0 0 0 0] } }\n"
        "  Shape { geometry DEF X Text { string [\"a\" \"b\"] } appearance Appearance {\n"
        "    texture DEF P PixelTexture { image 3 1 4 0 0 0 } } } ] }\n");
    std::mt19937_64 random(20240611);
    const float edges[] = {-0.0f, 1e-9f, 3.4e38f, 1e-45f, 1.17549e-38f, INFINITY, -INFINITY};
    const double far[] = {1e300, -0.0, -INFINITY, 5e-324};
    auto value = [&](const char *def, const char *name) {
        vrml_node *n = scene.def(def);
        return vrml_memberContentPtr(&n->members[vrml_findnodefieldidx(n, name)]);
    };
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        float *floats[] = {value("T", "translation")->sfvec3f, value("T", "rotation")->sfrotation,
                           static_cast<float *>(value("S", "key")->mfarray.values)};
        for (int k = 0; k < 17; ++k) {
            float &f = k < 3 ? floats[0][k] : k < 7 ? floats[1][k - 3] : floats[2][k - 7];
            for (uint32_t bits = 0xFFFFFFFF; f != f || bits == 0xFFFFFFFF;)  // NaN drawn again
                bits = static_cast<uint32_t>(random()), std::memcpy(&f, &bits, 4);
            if (round < 8 || (round + k) % 5 == 0) f = edges[(round + k) % 7];
        }
        double &d = value("C", "cycleInterval")->sftime;
        for (uint64_t bits = ~0ull; d != d || bits == ~0ull;) bits = random(), std::memcpy(&d, &bits, 8);
        if (round < 4) d = far[round];
        for (int k = 0; k < 6; ++k)
            static_cast<int32_t *>(value("F", "coordIndex")->mfarray.values)[k] = static_cast<int32_t>(random());
        for (int k = 0; k < 12; ++k) value("P", "image")->sfimage.pixels[k] = static_cast<unsigned char>(random());
        char *&text = static_cast<char **>(value("X", "string")->mfarray.values)[round % 2];
        std::free(text);
        text = static_cast<char *>(vrml_malloc(9));
        for (int k = 0; k < 8; ++k) text[k] = "ab\\\" \n{#"[random() % 8];
        round_trip(scene.ctx);
    }
}

// Number lists of random lengths (both sides of the 40 tried on one line)
// and values of every size, infinities included: each is written as a model
// of the layout says. On one line "[ a, b ]" when that line fits in 78
// columns; else one element after another on lines indented one level
// deeper, ", " between them, a line break instead of the blank where an
// element would end past column 77; the closing bracket on a line of its own.
TEST(WriteScene, NumberListsWrapAsTheLayoutModelSays) {
    std::mt19937 random(17);
    auto number = [&](bool integer) {
        if (integer) return std::to_string(static_cast<int32_t>(random()) >> (random() % 32));
        const unsigned kind = random() % 8;
        if (kind == 0) return std::string(random() % 2 ? "1e39" : "-1e39");
        uint32_t bits = static_cast<uint32_t>(random());
        float f;
        std::memcpy(&f, &bits, 4);
        if (kind < 4 || !std::isfinite(f)) f = static_cast<float>(static_cast<int>(random() % 200001) - 100000) / 1000;
        char text[40];
        *std::to_chars(text, text + sizeof text, f).ptr = '\0';
        return std::string(text);
    };
    const struct {
        const char *name;
        int components;  // 0: integers
    } kLists[] = {{"point", 3}, {"coordIndex", 0}, {"key", 1}, {"keyValue", 4}, {"color", 3}};
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::vector<std::string>> elements(std::size(kLists));
        std::string lists[std::size(kLists)];
        for (size_t l = 0; l < std::size(kLists); ++l) {
            const size_t count = random() % 3 ? random() % 60 : random() % 400;
            for (size_t i = 0; i < count; ++i) {
                std::string e;
                for (int k = 0; k < std::max(kLists[l].components, 1); ++k)
                    e += (k ? " " : "") + number(kLists[l].components == 0);
                elements[l].push_back(e);
                lists[l] += e + ",\n";
            }
        }
        LoadedScene scene("#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coord Coordinate { point [ " +
                          lists[0] + "] } coordIndex [ " + lists[1] + "] color Color { color [ " + lists[4] +
                          "] } } }\nOrientationInterpolator { key [ " + lists[2] + "] keyValue [ " + lists[3] +
                          "] }\n");
        const std::string text = write_scene(scene.ctx);
        for (size_t l = 0; l < std::size(kLists); ++l) {
            if (elements[l].empty()) continue;  // a default value is not written
            const std::string opening = std::string(" ") + kLists[l].name + " [";
            const size_t at = text.find(opening);
            ASSERT_NE(at, std::string::npos) << kLists[l].name << "\n" << text;
            const size_t line = text.rfind('\n', at) + 1;
            const size_t level = (text.find_first_not_of(' ', line) - line) / 2;
            const std::string prefix = text.substr(line, at + opening.size() - line);
            std::string want = prefix + " ";
            for (size_t i = 0; i < elements[l].size(); ++i) want += (i ? ", " : "") + elements[l][i];
            want += " ]";
            if (elements[l].size() > 40 || want.size() > 78) {
                const std::string indent(2 * level + 2, ' ');
                want = prefix + "\n" + indent;
                size_t column = indent.size();
                for (size_t i = 0; i < elements[l].size(); ++i) {
                    const std::string &e = elements[l][i];
                    if (i && column + 2 + e.size() + 1 > 78) want += ",\n" + indent, column = indent.size();
                    else if (i) want += ", ", column += 2;
                    want += e, column += e.size();
                }
                want += "\n" + std::string(2 * level, ' ') + "]";
            }
            EXPECT_EQ(text.substr(line, want.size()), want) << kLists[l].name;
        }
    }
}

// Ordering cases: NAME.wrl written is NAME.out, followed by the result and
// the problems reported. Host edits before writing: a line "# share" makes
// the first root's first child a child of the second root too; a line
// "# route A out B in" adds a run-time route; "# body A member V" stores the
// SFFloat V in the member of the first node of A's own body copy.
// ZEBVRML2_UPDATE_GOLDEN=1
// rewrites the .out files instead of comparing.
TEST(WriteScene, OrderingCases) {
    fs::path dir = fs::path(ZEBVRML2_SOURCE_DIR) / "tests/data/writescene";
    int cases = 0;
    for (auto &e : fs::directory_iterator(dir)) {
        if (e.path().extension() != ".wrl") continue;
        SCOPED_TRACE(e.path().string());
        std::string input = read_file(e.path().string());
        LoadedScene scene(input);
        if (input.find("\n# share") != std::string::npos) {
            auto children = [&](int i) {
                vrml_node *n = scene.root(i)->sfnode.node;
                return &vrml_memberContentPtr(&n->members[vrml_findnodefieldidx(n, "children")])->mfnode;
            };
            auto *ref = static_cast<vrml_field *>(vrml_malloc(sizeof(vrml_field)));
            ref->sfnode.node = static_cast<vrml_field *>(children(0)->nodes.first->data)->sfnode.node;
            vrml_listappend(&children(1)->nodes, ref);
            children(1)->count++;
        }
        char a[64], out[64], b[64], in[64];
        for (size_t at = input.find("\n# route "); at != std::string::npos; at = input.find("\n# route ", at + 1)) {
            ASSERT_EQ(4, std::sscanf(input.c_str() + at, "\n# route %63s %63s %63s %63s", a, out, b, in));
            EXPECT_EQ(0, vrml_addruntimeroute(scene.def(a), out, scene.def(b), in));
        }
        float v = 0;
        if (size_t at = input.find("\n# body "); at != std::string::npos) {
            ASSERT_EQ(3, std::sscanf(input.c_str() + at, "\n# body %63s %63s %f", a, out, &v));
            vrml_field *copy = static_cast<vrml_field *>(vrml_memberContentPtr(&scene.def(a)->members[0])->mfnode.nodes.first->data);
            vrml_memberContentPtr(&copy->sfnode.node->members[vrml_findnodefieldidx(copy->sfnode.node, out)])->sffloat = v;
        }
        LogCapture log;
        int result = 0;
        std::string text = write_scene(scene.ctx, &result);
        text += "-- result " + std::to_string(result) + "\n";
        for (const std::string &m : log.texts()) text += m + "\n";
        fs::path expected = fs::path(e.path()).replace_extension(".out");
        if (std::getenv("ZEBVRML2_UPDATE_GOLDEN")) std::ofstream(expected, std::ios::binary) << text;
        else EXPECT_EQ(read_file(expected.string()), text);
        if (result == 0) round_trip(scene.ctx);
        ++cases;
    }
    EXPECT_GE(cases, 6);
}

}  // namespace
