// EXTERNPROTO wiring: forwarding routes and marks on eventIns, the
// instance's values carried in the implementing instance's records, the
// body taken over, and the messages for members that cannot be wired.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parser/parser_internal.h"
#include "support/loaded_scene.h"

namespace {

using Texts = std::vector<std::string>;

// A world with two instances of EXTERNPROTO E, and the implementing PROTO E
// read into a scope of its own, which stays pushed.
struct Wired : testing::Test {
    Wired()
        : s(quiet("EXTERNPROTO E [ exposedField SFColor c eventIn SFBool go field SFFloat f\n"
                  "                eventOut SFTime t exposedField SFBool extra ] \"impl.wrl#E\"\n"
                  "DEF X E { c 1 0 0 f 3 } DEF Y E { }\n")),
          impl("PROTO E [ exposedField SFColor c 0 1 0 eventIn SFBool go field SFFloat f 1\n"
               "          eventIn SFTime t ] { Material { diffuseColor IS c transparency IS f } }\n") {
        ctx = s.ctx;
        ext = static_cast<vrml_externproto *>(ctx->externprotos.first->data);
        x = s.def("X");
        vrml_pushscopeidx(ctx, vrml_newscope(ctx));
        ctx->in = impl.get();
        vrml_mfnode nodes{};
        vrml_get_MFNodeList(ctx, &nodes);
        proto = vrml_findnode(ctx->templates, "E");
        ext->implementation = proto;
    }
    static std::string quiet(std::string text) {
        testing::internal::CaptureStdout();
        return text;
    }
    ~Wired() override { testing::internal::GetCapturedStdout(); }
    // The implementing instance made for pending instance ep.
    vrml_node *implementing(int n) {
        int seen = 0;
        for (vrml_listitem *it = ctx->allnodes.first; it; it = it->next) {
            auto *node = static_cast<vrml_node *>(it->data);
            if (node->type == proto && node->nodetemplate == vrml_gettemplateentry(ctx->templates, proto) &&
                seen++ == n)
                return node;
        }
        return nullptr;
    }
    LoadedScene s;
    StringInput impl;
    vrml_context *ctx;
    vrml_externproto *ext;
    int proto;
    vrml_node *x;
};

TEST_F(Wired, EveryPendingInstanceIsWiredToANewInstance) {
    ASSERT_GE(proto, 81);
    ASSERT_EQ(ext->pending.count, 2);
    LogCapture log(LogCapture::kWithNotices);
    EXPECT_EQ(vrml_wireEPtoP(ctx, ext), nullptr);
    const Texts perinstance = {
        "v_wm: FOUND find field: #baseclass", "v_wm: FOUND find field: #scope",
        "v_wm: FOUND find field: c",          "v_wm: FOUND find field: go",
        "v_wm: FOUND find field: f",          "v_wm: FOUND find field: t",
        "v_wm: types dont match: 0 1",        "v_wm: Did not find field: extra",
    };
    Texts expected = perinstance;
    expected.insert(expected.end(), perinstance.begin(), perinstance.end());
    EXPECT_EQ(log.texts(), expected);
    EXPECT_EQ(ext->pending.count, 2);
    ASSERT_NE(implementing(1), nullptr);
    EXPECT_EQ(implementing(2), nullptr);
}

TEST_F(Wired, EventInsForwardBothWaysAndCarryTheMarks) {
    vrml_wireEPtoP(ctx, ext);
    vrml_node *p = implementing(0);
    const int go = 3;
    EXPECT_EQ(x->members[go].status, -125);
    EXPECT_EQ(p->members[go].status, -126);
    vrml_list &out = static_cast<vrml_eventin *>(x->members[go].content)->routes;
    vrml_list &back = static_cast<vrml_eventin *>(p->members[go].content)->routes;
    ASSERT_EQ(out.count, 1);
    ASSERT_EQ(back.count, 1);
    EXPECT_EQ(route_at(&out, 0)->targetnode, p);
    EXPECT_EQ(route_at(&back, 0)->targetnode, x);
}

TEST_F(Wired, TheInstanceKeepsItsValuesInTheImplementingRecords) {
    vrml_wireEPtoP(ctx, ext);
    vrml_node *p = implementing(0);
    const int c = 2, f = 4, t = 5, extra = 6;
    EXPECT_EQ(p->members[c].content, nullptr);
    EXPECT_EQ(p->members[f].content, nullptr);
    EXPECT_EQ(p->members[0].content, nullptr);
    // X took over p's body, whose Material shares p's former records.
    vrml_node *material = vrml_baseNode(x);
    ASSERT_NE(material, nullptr);
    EXPECT_STREQ(material->nodetemplate->name, "Material");
    const int diffuse = vrml_findnodefieldidx(material, "diffuseColor");
    EXPECT_EQ(material->members[diffuse].content, x->members[c].content);
    EXPECT_EQ(vrml_memberContentPtr(&material->members[diffuse])->sfcolor[0], 1.0f);
    EXPECT_EQ(vrml_memberContentPtr(&x->members[f])->sffloat, 3.0f);
    const int transparency = vrml_findnodefieldidx(material, "transparency");
    EXPECT_EQ(vrml_memberContentPtr(&material->members[transparency])->sffloat, 3.0f);
    // Members that were not wired keep their own content.
    EXPECT_NE(x->members[t].content, nullptr);
    EXPECT_NE(x->members[extra].content, nullptr);
    EXPECT_EQ(x->members[t].status, 0);
}

TEST(CopyMemberContent, PointersByClass) {
    vrml_field *value = vrml_allocfield(VRML_SFFLOAT);
    vrml_field *holder_a[1] = {value};
    vrml_field *holder_b[1] = {nullptr};
    vrml_member a{}, b{};
    a.memberclass = b.memberclass = VRML_FIELD;
    a.content = holder_a;
    b.content = holder_b;
    EXPECT_EQ(vrml_copymembercontent(&a, &b), 0);
    EXPECT_EQ(holder_b[0], value);

    vrml_eventout from{}, to{};
    from.value = value;
    from.routes.count = 3;
    a.memberclass = b.memberclass = VRML_EVENTOUT;
    a.content = &from;
    b.content = &to;
    EXPECT_EQ(vrml_copymembercontent(&a, &b), 0);
    EXPECT_EQ(to.value, value);
    EXPECT_EQ(to.routes.count, 3);

    a.memberclass = 4;
    EXPECT_EQ(vrml_copymembercontent(&a, &b), -1);
    vrml_fieldfree(value);
}

}  // namespace
