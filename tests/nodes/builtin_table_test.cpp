#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "fields/field_internal.h"
#include "nodes/node_internal.h"
#include "scene_fixture.h"

std::string printed(vrml_context *ctx, BufferOutput &out, int type, const vrml_field *value) {
    zeb_resetbuffer(out.get());
    vrml_stream *saved = ctx->out;
    ctx->out = out.get();
    vrml_printfield[type](ctx, value);
    ctx->out = saved;
    return out.text();
}

namespace {

struct ReferenceMember {
    std::string memberclass, type, name, text;  // text "-": no default
};

struct ReferenceNode {
    int id;
    std::string name;
    std::vector<ReferenceMember> members;
};

std::string reference_path() {
    for (std::string p : {std::string(ZEBVRML2_CORPUS_DIR) + "/../vrml97-nodes.md",
                          std::string(ZEBVRML2_SOURCE_DIR) + "/../shared/vrml97-nodes.md"})
        if (std::ifstream(p)) return p;
    return "";
}

// Cells of a table row "| a | b | ... |", trimmed.
std::vector<std::string> cells(const std::string &line) {
    std::vector<std::string> out;
    size_t at = 1;
    for (size_t bar; (bar = line.find(" |", at)) != std::string::npos; at = bar + 2) {
        std::string cell = line.substr(at, bar - at);
        out.push_back(cell.substr(cell.find_first_not_of(' ')));
    }
    return out;
}

// "## 50 Transform (10 members)" headings, each followed by its member rows.
std::vector<ReferenceNode> read_reference(const std::string &path) {
    std::vector<ReferenceNode> nodes;
    std::ifstream f(path);
    for (std::string line; std::getline(f, line);) {
        if (line.rfind("## ", 0) == 0 && line.size() > 3 && std::isdigit(static_cast<unsigned char>(line[3]))) {
            std::istringstream heading(line.substr(3));
            ReferenceNode node{};
            heading >> node.id >> node.name;
            nodes.push_back(node);
        } else if (!nodes.empty() && line.rfind("| ", 0) == 0 && line.size() > 2 &&
                   std::isdigit(static_cast<unsigned char>(line[2]))) {
            std::vector<std::string> c = cells(line);
            if (c.size() != 5) continue;
            std::string text = c[4];
            if (text.size() >= 2 && text.front() == '`') text = text.substr(1, text.size() - 2);
            nodes.back().members.push_back({c[1], c[2], c[3], text});
        }
    }
    return nodes;
}

const char *class_name(int c) { return vrml_fieldnames[kVrmlClassNameBase + c]; }

TEST(BuiltinTable, MatchesTheVrml97Reference) {
    std::string path = reference_path();
    if (path.empty())
        GTEST_SKIP() << "vrml97-nodes.md is absent (looked beside the corpus and in ../shared): "
                        "the VRML97 types cannot be checked against it";
    std::vector<ReferenceNode> reference = read_reference(path);
    ASSERT_EQ(reference.size(), 54u) << path;
    EmptyScene scene;
    BareContext reader;
    BufferOutput a, b;
    vrml_nodetemplate *builtin = vrml_builtintemplates();
    for (const ReferenceNode &node : reference) {
        SCOPED_TRACE(node.name);
        const vrml_nodetemplate &t = builtin[node.id];
        ASSERT_STREQ(t.name, node.name.c_str());
        ASSERT_EQ(t.membercount, static_cast<int>(node.members.size()));
        for (size_t i = 0; i < node.members.size(); ++i) {
            const ReferenceMember &want = node.members[i];
            const vrml_fieldtemplate &m = t.members[i];
            SCOPED_TRACE(want.name);
            EXPECT_STREQ(m.name, want.name.c_str());
            EXPECT_STREQ(class_name(m.memberclass), want.memberclass.c_str());
            EXPECT_STREQ(vrml_fieldnames[m.type], want.type.c_str());
            if (want.text == "-") {
                EXPECT_EQ(m.defaultvalue, nullptr);
                continue;
            }
            ASSERT_NE(m.defaultvalue, nullptr);
            // The reference text, read by the same reader, prints alike.
            StringInput text(want.text);
            reader.ctx.in = text.get();
            vrml_field *expected = vrml_allocfield(m.type);
            vrml_parsefield[m.type](&reader.ctx, expected);
            EXPECT_EQ(printed(scene.ctx, a, m.type, m.defaultvalue),
                      printed(scene.ctx, b, m.type, expected));
            vrml_freefielddata[m.type](expected);
        }
    }
}

TEST(BuiltinTable, ExtensionTypesCountsSamplesAndSpellings) {
    EmptyScene scene;
    vrml_nodetemplate *builtin = vrml_builtintemplates();
    const std::map<std::string, int> counts = {
        {"ZEBSurface", 12},      {"ZEBTree", 9},           {"ZEBFolder", 5},
        {"ZEBDocument", 4},      {"ZEBAvatar", 5},         {"ZEBNetObject", 8},
        {"ZEBNetAudioClip", 3},  {"ZEBPointCollider", 9},  {"ZEBElasticCollider", 6},
        {"ZEBNetSFInt32", 3},    {"ZEBNetSFVec3f", 3},     {"ZEBNetSFBool", 3},
        {"ZEBNetTrigger", 6},    {"ZEBNetHealth", 5},      {"ZEBNetTeleporter", 6},
        {"ZEBNavigator", 11},    {"ZEBKeyInput", 2},       {"ZEBBsp", 7},
        {"ZEBStatic", 3},        {"ZEBMultiTexture", 4},   {"ZEBIndex", 1},
        {"ZEBIndexedFaceSet", 18}, {"IFSLightingMap", 3},  {"ZEBBoolToInt32", 4},
        {"ZEBTextureLight", 6},  {"ZEBBrowserSettings", 7}, {"ZEBSurface2", 12}};
    const char *order[] = {"ZEBSurface", "ZEBTree", "ZEBFolder", "ZEBDocument", "ZEBAvatar",
                           "ZEBNetObject", "ZEBNetAudioClip", "ZEBPointCollider",
                           "ZEBElasticCollider", "ZEBNetSFInt32", "ZEBNetSFVec3f",
                           "ZEBNetSFBool", "ZEBNetTrigger", "ZEBNetHealth", "ZEBNetTeleporter",
                           "ZEBNavigator", "ZEBKeyInput", "ZEBBsp", "ZEBStatic",
                           "ZEBMultiTexture", "ZEBIndex", "ZEBIndexedFaceSet", "IFSLightingMap",
                           "ZEBBoolToInt32", "ZEBTextureLight", "ZEBBrowserSettings",
                           "ZEBSurface2"};
    for (int id = 54; id < 81; ++id) {
        EXPECT_STREQ(builtin[id].name, order[id - 54]);
        EXPECT_EQ(builtin[id].membercount, counts.at(order[id - 54])) << order[id - 54];
        EXPECT_EQ(builtin[id].reserved, 0);
        EXPECT_EQ(builtin[id].external, 0);
        EXPECT_EQ(builtin[id].externrecord, nullptr);
    }
    auto member = [&](int id, int i) -> const vrml_fieldtemplate & { return builtin[id].members[i]; };
    EXPECT_STREQ(member(56, 1).name, "lastModfied");
    EXPECT_STREQ(member(57, 2).name, "lastModified");
    EXPECT_STREQ(member(75, 3).name, "set_texCoordIndicies");
    EXPECT_EQ(member(75, 3).memberclass, VRML_EVENTIN);
    EXPECT_EQ(member(75, 3).type, VRML_MFNODE);
    EXPECT_STREQ(member(75, 17).name, "texCoordIndicies");
    EXPECT_STREQ(member(79, 2).name, "allowKeyBoardNav");
    // A sample of classes, types and parsed defaults.
    EXPECT_EQ(member(54, 2).type, VRML_SFIMAGE);
    EXPECT_EQ(member(54, 2).defaultvalue->sfimage.width, 0);
    EXPECT_EQ(member(58, 1).memberclass, VRML_EXPOSEDFIELD);
    EXPECT_FLOAT_EQ(member(58, 1).defaultvalue->sfvec3f[0], -1.0f);
    EXPECT_EQ(member(59, 4).type, VRML_SFROTATION);
    EXPECT_FLOAT_EQ(member(59, 4).defaultvalue->sfrotation[1], 1.0f);
    EXPECT_EQ(member(60, 0).memberclass, VRML_FIELD);
    EXPECT_EQ(member(60, 0).defaultvalue->sfint32, -1);
    EXPECT_EQ(member(61, 8).memberclass, VRML_EVENTOUT);
    EXPECT_EQ(member(61, 8).type, VRML_SFTIME);
    EXPECT_EQ(member(61, 8).defaultvalue, nullptr);
    EXPECT_EQ(member(65, 0).defaultvalue->sfbool, 1);
    EXPECT_EQ(member(67, 1).defaultvalue->sfint32, 25);
    EXPECT_DOUBLE_EQ(member(66, 3).defaultvalue->sftime, 0.0);
    EXPECT_EQ(member(73, 2).defaultvalue->sfstring, nullptr);  // the empty string
    EXPECT_FLOAT_EQ(member(73, 3).defaultvalue->sffloat, 1.0f);
    EXPECT_EQ(member(77, 1).memberclass, VRML_EVENTIN);
    EXPECT_EQ(member(78, 2).type, VRML_SFCOLOR);
    EXPECT_FLOAT_EQ(member(78, 4).defaultvalue->sfvec3f[0], 1.0f);
    EXPECT_EQ(member(80, 1).type, VRML_SFNODE);
    EXPECT_EQ(member(80, 1).defaultvalue->sfnode.node, nullptr);
    EXPECT_EQ(member(55, 0).defaultvalue->mfnode.count, 0);
}

TEST(BuiltinTable, TableOverridesAndHiddenMembersHaveParsedDefaults) {
    EmptyScene scene;
    vrml_nodetemplate *builtin = vrml_builtintemplates();
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(builtin[10].members[i].name[0], '#');
        EXPECT_EQ(builtin[10].members[i].defaultvalue->sfint32, 0);
    }
    EXPECT_STREQ(builtin[20].members[3].name, "#raw");
    EXPECT_EQ(builtin[20].members[3].defaultvalue->sfint32, -1);
    EXPECT_FLOAT_EQ(builtin[15].members[11].defaultvalue->sffloat, 0.0f);
    EXPECT_FLOAT_EQ(builtin[15].members[13].defaultvalue->sffloat, 0.0f);
    EXPECT_EQ(builtin[38].members[0].memberclass, VRML_FIELD);
    EXPECT_EQ(builtin[38].members[0].type, VRML_MFSTRING);
    EXPECT_EQ(builtin[38].members[0].defaultvalue->mfarray.count, 0);
    // Every exposedField and field member holds a value record, the others none.
    for (int id = 0; id < VRML_BUILTIN_COUNT; ++id)
        for (int i = 0; i < builtin[id].membercount; ++i) {
            const vrml_fieldtemplate &m = builtin[id].members[i];
            bool valued = m.memberclass == VRML_EXPOSEDFIELD || m.memberclass == VRML_FIELD;
            EXPECT_EQ(m.defaultvalue != nullptr, valued) << builtin[id].name << "." << m.name;
        }
}

TEST(BuiltinTable, ParsedOncePerProcessAndSharedByEveryScene) {
    EmptyScene first, second;
    ASSERT_NE(first.ctx->templates, second.ctx->templates);
    vrml_nodetemplate *t = vrml_gettemplateentry(first.ctx->templates, 50);
    EXPECT_EQ(t, vrml_gettemplateentry(second.ctx->templates, 50));
    vrml_field *scale = t->members[5].defaultvalue;
    EXPECT_EQ(vrml_parsebuiltinfields(first.ctx), 1);
    EXPECT_EQ(t->members[5].defaultvalue, scale);
    EXPECT_FLOAT_EQ(scale->sfvec3f[2], 1.0f);
    EXPECT_EQ(vrml_deletebuiltinfields(nullptr), 1);
    EXPECT_EQ(t->members[5].defaultvalue, scale);
    EXPECT_FLOAT_EQ(scale->sfvec3f[2], 1.0f);
}

TEST(BuiltinTable, AddBuiltinNodesAppendsAllOrStopsAtTheFirstRefusal) {
    vrml_templatetable *table = vrml_createtemplate();
    ASSERT_EQ(vrml_addbuiltinnodes(table), 1);
    EXPECT_EQ(table->count, 81);
    EXPECT_EQ(table->templates[0], &vrml_builtintemplates()[0]);
    EXPECT_EQ(table->templates[80], &vrml_builtintemplates()[80]);
    table->count = 1000;
    EXPECT_EQ(vrml_addbuiltinnodes(table), 0);
    EXPECT_EQ(table->count, 1024);
    EXPECT_EQ(table->templates[1023], &vrml_builtintemplates()[23]);
    vrml_templatetable_releaseindex(table);
    std::free(table);
}

TEST(BuiltinTable, NodeIdToString) {
    char buffer[24];
    EXPECT_STREQ(vrml_nodeidtostring(0, buffer), "Anchor");
    EXPECT_STREQ(buffer, "Anchor");
    EXPECT_STREQ(vrml_nodeidtostring(30, buffer), "OrientationInterpolator");
    EXPECT_EQ(std::strlen(buffer), 23u);
    EXPECT_STREQ(vrml_nodeidtostring(80, buffer), "ZEBSurface2");
    EXPECT_EQ(vrml_nodeidtostring(81, buffer), nullptr);
    EXPECT_STREQ(buffer, "Invalid");
    EXPECT_EQ(vrml_nodeidtostring(-1, buffer), nullptr);
    EXPECT_STREQ(buffer, "Invalid");
}

}  // namespace
