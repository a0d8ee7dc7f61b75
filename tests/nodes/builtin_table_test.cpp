// The built-in node table as a host sees it.
#include <regex>

#include "fields/field_internal.h"
#include "nodes/node_internal.h"
#include "support/loaded_scene.h"

namespace {

// Every built-in type as "id name", then one line per member: class, type,
// name and (for fields and exposedFields) the value printed on one line.
// From the templates' defaults, or from the members of a node made of each type.
std::string interfaces(LoadedScene &scene, bool from_nodes) {
    std::string text;
    char name[24];
    for (int id = 0; id < VRML_BUILTIN_COUNT; ++id) {
        const vrml_nodetemplate *t = vrml_gettemplateentry(scene.ctx->templates, id);
        EXPECT_STREQ(vrml_nodeidtostring(id, name), t->name);
        vrml_node *node = from_nodes ? vrml_createnode_nc(scene.ctx, id) : nullptr;
        text += std::to_string(id) + " " + name + "\n";
        for (int i = 0; i < t->membercount; ++i) {
            const vrml_fieldtemplate &m = t->members[i];
            text += std::string("  ") + vrml_fieldnames[kVrmlClassNameBase + m.memberclass] + " " +
                    vrml_fieldnames[m.type] + " " + m.name;
            const vrml_field *value = m.defaultvalue;
            if (node) {
                const vrml_member &slot = node->members[i];
                EXPECT_TRUE(slot.memberclass == m.memberclass && slot.type == m.type && slot.status == 0 &&
                            slot.sharedpart == 0)
                    << "the slot does not follow its template: " << name << "." << m.name;
                value = vrml_getnodefield(scene.ctx->templates, node, i);
                EXPECT_TRUE(!value || value != m.defaultvalue) << "shares the default: " << m.name;
            }
            if (value) {
                scene.take_output();
                vrml_printfield[m.type](scene.ctx, value);
                text += " " + std::regex_replace(scene.take_output(), std::regex("\n *"), " ");
            }
            text += "\n";
        }
    }
    return text;
}

// The whole table, and what each node starts with, match the reference file
// (reviewed by hand: the VRML97 interfaces with the table's own additions and
// spellings, such as ZEBDocument's lastModfied, that hosts rely on).
TEST(BuiltinTable, InterfacesAndNodeDefaultsMatchTheReferenceFile) {
    LoadedScene scene("");
    const std::string want = read_file(std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/nodes/builtin_types.txt");
    EXPECT_EQ(interfaces(scene, false), want);
    EXPECT_EQ(interfaces(scene, true), want) << "a node's values differ from its type's defaults";
    char name[24];
    for (int id : {-1, VRML_BUILTIN_COUNT}) {
        EXPECT_EQ(vrml_nodeidtostring(id, name), nullptr);
        EXPECT_STREQ(name, "Invalid");
    }
}

// The defaults are parsed once per process and shared by every scene; the
// release of one scene leaves them.
TEST(BuiltinTable, DefaultsParsedOnceAndShared) {
    LoadedScene first(""), second("");
    ASSERT_NE(first.ctx->templates, second.ctx->templates);
    vrml_nodetemplate *t = vrml_gettemplateentry(first.ctx->templates, 50);
    EXPECT_EQ(t, vrml_gettemplateentry(second.ctx->templates, 50));
    vrml_field *scale = t->members[5].defaultvalue;
    EXPECT_EQ(vrml_parsebuiltinfields(first.ctx), 1);
    EXPECT_EQ(vrml_deletebuiltinfields(nullptr), 1);
    EXPECT_EQ(t->members[5].defaultvalue, scale);
    EXPECT_FLOAT_EQ(scale->sfvec3f[2], 1.0f);
}

}  // namespace
