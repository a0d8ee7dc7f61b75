// PROTO, EXTERNPROTO and Script declarations: the templates and scopes they
// leave, protoindex on every exit, the IS resolver and the messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "parser/parser_internal.h"
#include "support/loaded_scene.h"

namespace {

using Texts = std::vector<std::string>;

vrml_nodetemplate *type_named(vrml_context *ctx, const char *name) {
    return vrml_gettemplateentry(ctx->templates, vrml_findnode(ctx->templates, name));
}

// An empty world whose context then reads text, for calling a reader
// directly after its keyword.
struct Reading {
    explicit Reading(std::string text) : scene(""), more(std::move(text)) { scene.ctx->in = more.get(); }
    vrml_context *ctx() { return scene.ctx; }
    LoadedScene scene;
    StringInput more;
};

TEST(Proto, InterfaceDefaultsHiddenMembersAndTheDeclarationScope) {
    LoadedScene s("PROTO P [ field SFVec3f size 1 2 3 eventIn SFBool go ] { Group {} }");
    vrml_context *ctx = s.ctx;
    ASSERT_EQ(ctx->templates->count, 82);
    vrml_nodetemplate *p = ctx->templates->templates[81];
    EXPECT_STREQ(p->name, "P");
    ASSERT_EQ(p->membercount, 4);
    EXPECT_STREQ(p->members[0].name, "#baseclass");
    EXPECT_EQ(p->members[0].type, VRML_MFNODE);
    EXPECT_EQ(p->members[0].defaultvalue->mfnode.count, 1);
    EXPECT_STREQ(p->members[1].name, "#scope");
    const int scope = p->members[1].defaultvalue->sfint32;
    EXPECT_EQ(scope, 1);
    EXPECT_EQ(vrml_getscopeentry(ctx, scope)->protoindex, 81);
    EXPECT_EQ(p->members[2].memberclass, VRML_FIELD);
    EXPECT_EQ(p->members[2].defaultvalue->sfvec3f[0], 1.0f);
    EXPECT_EQ(p->members[2].defaultvalue->sfvec3f[2], 3.0f);
    EXPECT_STREQ(p->members[3].name, "go");
    EXPECT_EQ(p->members[3].defaultvalue, nullptr);
    EXPECT_EQ(p->external, 0);
    EXPECT_EQ(ctx->protoindex, -1);
    EXPECT_EQ(ctx->scopedepth, 1);
    EXPECT_EQ(ctx->templates, vrml_getscopeentry(ctx, 0)->templates);
}

TEST(Proto, ANameThatIsAlreadyATypeIsReadAndWithdrawn) {
    LogCapture log;
    LoadedScene s("PROTO Box [] { } Box { size 1 1 1 }");
    EXPECT_EQ(log.texts(), Texts{"vrml_rp: PROTO Box already exists"});
    EXPECT_EQ(s.ctx->templates->count, 81);
    ASSERT_EQ(s.roots(), 1);
    EXPECT_STREQ(s.root(0)->sfnode.node->nodetemplate->name, "Box");
    EXPECT_LT(s.root(0)->sfnode.node->type, 81);
    EXPECT_EQ(s.ctx->scopes.count, 2);  // the scope stays
}

TEST(Proto, BodiesKnowBuiltInsAndTheirOwnDeclarationsOnly) {
    LoadedScene inner("PROTO Outer [] { PROTO Inner [] { Box {} } Inner {} } Outer {}");
    vrml_nodetemplate *outer = inner.ctx->templates->templates[81];
    vrml_field *body = outer->members[0].defaultvalue;
    ASSERT_EQ(body->mfnode.count, 1);
    vrml_node *first = static_cast<vrml_field *>(body->mfnode.nodes.first->data)->sfnode.node;
    EXPECT_STREQ(first->nodetemplate->name, "Inner");
    EXPECT_EQ(first->type, 81);  // in Outer's own table
    EXPECT_EQ(inner.ctx->templates->count, 82);

    EXPECT_EXIT(
        {
            vrml_setfatalhandler(print_fatal_message, nullptr);
            LoadedScene s("PROTO A [] { Box {} } PROTO B [] { A {} }");
        },
        FatalExit(), "FATAL<Unrecognized node: A>");
}

TEST(Proto, InterfaceErrorsReturnMinusOneAndPutProtoindexBack) {
    struct Case {
        const char *text;
        Texts messages;
    };
    const Case cases[] = {
        {"P Group {}", {"vrml_readproto: No declaration\n"}},
        {"P [ fields SFBool x ] {}", {"vrml_rp: unk class: fields\n"}},
        {"P [ field SFBoo x ] {}", {"vrml_rp: unk ftype: SFBoo\n"}},
        {"P [ { ] {}", {"v_rp: Bad token \"\""}},
        {"P [ field SFBool x TRUE eventIn", {}},
    };
    for (const Case &c : cases) {
        LogCapture log;
        Reading r(c.text);
        EXPECT_EQ(vrml_readproto(r.ctx()), -1) << c.text;
        EXPECT_EQ(log.texts(), c.messages) << c.text;
        EXPECT_EQ(r.ctx()->protoindex, -1) << c.text;
        EXPECT_EQ(r.ctx()->templates->count, 81) << c.text;
        EXPECT_EQ(r.ctx()->scopedepth, 1) << c.text;
    }
    Reading none("{");
    EXPECT_EQ(vrml_readproto(none.ctx()), 0);
    EXPECT_EQ(vrml_readexternproto(none.ctx()), 0);
}

TEST(Proto, MissingBracesLeaveTheStateOfTheirExit) {
    LogCapture log;
    Reading open("P [ ] Group {}");
    EXPECT_EQ(vrml_readproto(open.ctx()), -1);
    EXPECT_EQ(log.texts(), Texts{"v_rp: No brace for definition"});
    EXPECT_EQ(open.ctx()->protoindex, 81);
    EXPECT_EQ(open.ctx()->scopedepth, 2);
    EXPECT_EQ(vrml_gettopscope(open.ctx())->protoindex, 81);

    log.clear();
    Reading unclosed("P [ ] { Group {} ");
    EXPECT_EQ(vrml_readproto(unclosed.ctx()), 1);
    EXPECT_EQ(log.texts(), Texts{"vrml_readproto: NO FUCKING BRACE:"});
    EXPECT_EQ(unclosed.ctx()->protoindex, -1);
    EXPECT_EQ(unclosed.ctx()->scopedepth, 1);
    EXPECT_EQ(type_named(unclosed.ctx(), "P")->members[0].defaultvalue->mfnode.count, 1);
}

std::string interface_of(int declared) {
    std::string text = "P [";
    for (int i = 0; i < declared; ++i) text += " field SFInt32 m" + std::to_string(i) + " " + std::to_string(i);
    return text + " ] { }";
}

TEST(Proto, AtMost512Members) {
    Reading full(interface_of(510));
    EXPECT_EQ(vrml_readproto(full.ctx()), 1);
    vrml_nodetemplate *p = type_named(full.ctx(), "P");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->membercount, 512);
    EXPECT_EQ(p->members[511].defaultvalue->sfint32, 509);

    LogCapture log;
    Reading over(interface_of(511));
    EXPECT_EQ(vrml_readproto(over.ctx()), -1);
    EXPECT_EQ(log.texts(), Texts{"declaration has more than 512 members: m510"});
    EXPECT_EQ(over.ctx()->templates->count, 81);
    EXPECT_EQ(over.ctx()->protoindex, -1);
}

TEST(Proto, ARefusedTemplateStillHasItsBodyRead) {
    LogCapture log;
    Reading r("P [ field SFInt32 n 1 ] { DEF G Group {} } Box {}");
    vrml_templatetable *table = r.ctx()->templates;
    table->count = VRML_TEMPLATE_SLOTS;  // slots beyond 81 stay empty
    const int nodes = r.ctx()->allnodes.count;
    EXPECT_EQ(vrml_readproto(r.ctx()), 1);
    table->count = 81;
    EXPECT_EQ(log.texts(), Texts{"v_rp: Could not add proto"});
    EXPECT_EQ(r.ctx()->allnodes.count, nodes + 1);
    EXPECT_EQ(r.ctx()->protoindex, -1);
    EXPECT_EQ(vrml_getscopeentry(r.ctx(), 1)->protoindex, -1);
    EXPECT_EQ(r.more.rest(), " Box {}");
}

TEST(ExternProto, TemplateRecordAndDiagnosticLines) {
    testing::internal::CaptureStdout();
    LoadedScene s("EXTERNPROTO E [ exposedField SFColor c eventIn SFBool go ] [ \"a.wrl#E\" \"b.wrl\" ]\n"
                  "E { c 1 0 0 } E {}");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "df: field MFNode #baseclass\ndf: field SFInt32 #scope\n"
              "df: exposedField SFColor c\ndf: eventIn SFBool go\n");
    vrml_context *ctx = s.ctx;
    ASSERT_EQ(ctx->externprotos.count, 1);
    auto *ext = static_cast<vrml_externproto *>(ctx->externprotos.first->data);
    vrml_nodetemplate *e = type_named(ctx, "E");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->external, 1);
    EXPECT_EQ(e->externrecord, ext);
    EXPECT_EQ(ext->nodetemplate, e);
    EXPECT_EQ(ext->location, nullptr);
    ASSERT_EQ(ext->url->mfarray.count, 2);
    EXPECT_STREQ(static_cast<char **>(ext->url->mfarray.values)[0], "a.wrl#E");
    EXPECT_EQ(e->members[2].defaultvalue->sfcolor[0], 0.0f);  // blank
    EXPECT_EQ(vrml_getscopeentry(ctx, e->members[1].defaultvalue->sfint32)->protoindex, 0);
    ASSERT_EQ(ext->pending.count, 2);
    EXPECT_EQ(ext->pending.first->data, s.root(0)->sfnode.node);
    EXPECT_EQ(ctx->protoindex, -1);
}

TEST(ExternProto, MessagesOfItsInterface) {
    LogCapture log;
    testing::internal::CaptureStdout();
    Reading nobracket("E field SFBool b ] \"x.wrl\"");
    EXPECT_EQ(vrml_readexternproto(nobracket.ctx()), 1);
    Reading noclass("E [ { ] \"x.wrl\"");
    EXPECT_EQ(vrml_readexternproto(noclass.ctx()), -1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.texts(), (Texts{"vrml_readproto: No declaration\n", "v_rp: no mem\n"}));
    EXPECT_EQ(noclass.ctx()->protoindex, -1);
}

constexpr int kScriptDirectOutput = 3;

TEST(Script, TheSevenMemberExample) {
    LoadedScene s("DEF S Script { directOutput TRUE field SFInt32 n 4 eventIn SFBool go }");
    vrml_node *node = s.def("S");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(s.root(0)->sfnode.defref, -1);
    EXPECT_EQ(s.root(0)->sfnode.node, node);
    vrml_nodetemplate *t = node->nodetemplate;
    EXPECT_STREQ(t->name, "Script");
    EXPECT_EQ(node->type, 81);
    const char *names[] = {"#baseclass", "#scope", "url", "directOutput", "mustEvaluate", "n", "go"};
    ASSERT_EQ(t->membercount, 7);
    for (int i = 0; i < 7; ++i) EXPECT_STREQ(t->members[i].name, names[i]);
    const int expected[] = {0, 0, 1, 1, 1, 1, 0};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(node->members[i].status, expected[i]) << i;
    EXPECT_EQ(vrml_memberContentPtr(&node->members[kScriptDirectOutput])->sfbool, 1);
    EXPECT_EQ(t->members[kScriptDirectOutput].defaultvalue->sfbool, 0);
    EXPECT_EQ(vrml_memberContentPtr(&node->members[5])->sfint32, 4);
    EXPECT_EQ(t->members[5].defaultvalue->sfint32, 4);
    EXPECT_STREQ(node->defname, "S");
    EXPECT_EQ(s.ctx->scopedepth, 1);  // the Script's scope is made, not pushed
    EXPECT_EQ(s.ctx->scopes.count, 2);
}

TEST(Script, BodyErrors) {
    struct Case {
        const char *text;
        Texts messages;
    };
    const Case cases[] = {
        {"Script { exposedField SFBool x TRUE }",
         {"v_rSB: exposedField declarations not allowed in Script", "vpn.rsb failed"}},
        {"Script { foo 1 }", {"Unrecognized Script field: foo", "vpn.rsb failed"}},
        {"Script { field SFBoo x }", {"v_rSB: Unrecognized fieldType", "vpn.rsb failed"}},
        {"Script { field }", {"v_rSB: expected fieldType", "vpn.rsb failed"}},
        {"Script { field SFBool }", {"v_rSB: Expected memberName", "vpn.rsb failed"}},
        {"Script { url { }", {"v_rSB: Expected token", "vpn.rsb failed"}},
        {"Script url", {"v_rSB: Expected '{'", "vpn.rsb failed"}},
    };
    for (const Case &c : cases) {
        LogCapture log;
        Reading r(c.text);
        vrml_field *record = vrml_parse_node(r.ctx(), nullptr);
        ASSERT_NE(record, nullptr) << c.text;
        EXPECT_EQ(record->sfnode.node, nullptr) << c.text;
        Texts texts = log.texts();
        // Lexer messages may come first; the reader's own close the list.
        ASSERT_GE(texts.size(), c.messages.size()) << c.text;
        EXPECT_EQ(Texts(texts.end() - static_cast<long>(c.messages.size()), texts.end()), c.messages)
            << c.text;
        std::free(record);
    }
}

TEST(Script, IsOutsideAPrototypeBodyIsNotRead) {
    Reading r("IS foo");
    EXPECT_EQ(vrml_resolveisalias(r.ctx(), VRML_FIELD), 0);
    EXPECT_EQ(r.more.rest(), "IS foo");
}

TEST(Script, MembersMappedByIs) {
    LogCapture log;
    PrototypeBody b(
        "Script { eventIn SFBool g IS go field SFVec3f t IS translation eventOut MFNode d IS done "
        "url IS pos mustEvaluate TRUE }");
    vrml_field *record = b.parse();
    ASSERT_NE(record, nullptr);
    vrml_node *node = record->sfnode.node;
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(log.texts(), (Texts{"Invalid IS relationship", "Invalid IS relationship"}));
    const int status[] = {0, 0, -(PrototypeBody::kPos + 1), 1, 1, -(PrototypeBody::kGo + 1),
                          -(PrototypeBody::kTranslation + 1), -(PrototypeBody::kDone + 1)};
    ASSERT_EQ(node->nodetemplate->membercount, 8);
    for (int i = 2; i < 8; ++i) EXPECT_EQ(node->members[i].status, status[i]) << i;
    for (int i : {2, 5, 6, 7}) EXPECT_EQ(node->members[i].content, nullptr) << i;
    EXPECT_NE(node->members[3].content, nullptr);
    EXPECT_EQ(vrml_memberContentPtr(&node->members[4])->sfbool, 1);
    EXPECT_EQ(node->natives, nullptr);
    std::free(record);
}

TEST(Script, IsResolverErrors) {
    struct Case {
        const char *text;
        Texts messages;
    };
    const Case cases[] = {
        {"IS nothere", {"Could not match field to parent prototype"}},
        {"IS {", {"vrml_get_fieldname: Invalid name: {\n", "Bad IS right side token"}},
    };
    for (const Case &c : cases) {
        LogCapture log;
        PrototypeBody b(c.text);
        EXPECT_EQ(vrml_resolveisalias(b.scene.ctx, VRML_FIELD), -1) << c.text;
        EXPECT_EQ(log.texts(), c.messages) << c.text;
    }
    LogCapture log;
    PrototypeBody b("IS pos");
    EXPECT_EQ(vrml_resolveisalias(b.scene.ctx, VRML_EVENTOUT), PrototypeBody::kPos + 1);
    vrml_popscope(b.scene.ctx);  // no parent scope any more
    StringInput again("IS pos");
    b.scene.ctx->in = again.get();
    EXPECT_EQ(vrml_resolveisalias(b.scene.ctx, VRML_FIELD), -1);
    EXPECT_EQ(log.texts(), (Texts{"Invalid IS relationship", "Invalid IS relationship",
                                  "Could not find parent scope while resolving IS alias"}));
}

TEST(Script, RoutesInItsBodyAreAddedOnceTheNodeExists) {
    LoadedScene s("DEF T TimeSensor {} DEF S Script { eventOut SFTime t ROUTE S.t TO T.set_startTime }");
    vrml_node *script = s.def("S");
    ASSERT_NE(script, nullptr);
    vrml_list *routes = routes_leaving(script, 5);
    ASSERT_EQ(routes->count, 1);
    EXPECT_EQ(route_at(routes, 0)->targetnode, s.def("T"));
}

}  // namespace
