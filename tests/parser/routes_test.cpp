// ROUTE statements: reading and checking, the scope's route list, the route
// tree; run-time routes and notifiers and their deletion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "loader/memory.h"
#include "parser/parser_internal.h"
#include "support/loaded_scene.h"

namespace {

using Texts = std::vector<std::string>;

constexpr int kTransformCenter = 2, kTransformTranslation = 7, kTransformBboxCenter = 8;
constexpr int kTimeFraction = 6;
constexpr int kInterpolatorFraction = 0, kInterpolatorValue = 3;

const char *const kTwoTransforms = "DEF T Transform { translation 1 0 0 } DEF U Transform {}\n";

vrml_list *scope0_routes(vrml_context *ctx) {
    return &vrml_getscopeentry(ctx, 0)->deftable->routes;
}

std::vector<vrml_route *> routes_of(vrml_list *list) {
    std::vector<vrml_route *> out;
    for (vrml_listitem *it = list->first; it; it = it->next)
        out.push_back(static_cast<vrml_route *>(it->data));
    return out;
}

TEST(RouteStatement, AcceptedFormsAreAttachedToTheSourceEvent) {
    LogCapture log;
    LoadedScene s(std::string(kTwoTransforms) +
                  "ROUTE T.translation_changed TO U.set_translation\n"
                  "ROUTE T.translation TO U.translation\n"
                  "DEF TS TimeSensor {} DEF PI PositionInterpolator {}\n"
                  "ROUTE TS.fraction_changed TO PI.set_fraction\n"
                  "ROUTE PI.value_changed TO T.set_center\n");
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(s.roots(), 4);
    vrml_node *t = s.def("T"), *u = s.def("U"), *ts = s.def("TS"), *pi = s.def("PI");
    std::vector<vrml_route *> fromT = routes_of(routes_leaving(t, kTransformTranslation));
    ASSERT_EQ(fromT.size(), 2u);
    for (vrml_route *r : fromT) {
        EXPECT_EQ(r->scope, vrml_getscopeentry(s.ctx, 0));
        EXPECT_EQ(r->sourcedef, 0);
        EXPECT_EQ(r->sourcemember, kTransformTranslation);
        EXPECT_EQ(r->targetdef, 1);
        EXPECT_EQ(r->targetmember, kTransformTranslation);
        EXPECT_EQ(r->sourcenode, t);
        EXPECT_EQ(r->targetnode, u);
        EXPECT_EQ(r->notifier, nullptr);
        EXPECT_EQ(r->key, 0);
    }
    vrml_route *tick = route_at(routes_leaving(ts, kTimeFraction), 0);
    ASSERT_NE(tick, nullptr);
    EXPECT_EQ(tick->targetnode, pi);
    EXPECT_EQ(tick->targetmember, kInterpolatorFraction);
    vrml_route *move = route_at(routes_leaving(pi, kInterpolatorValue), 0);
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(move->targetnode, t);
    EXPECT_EQ(move->targetmember, kTransformCenter);
    // Nothing stays in the scope after the route tree was built.
    EXPECT_EQ(scope0_routes(s.ctx)->count, 0);
    EXPECT_EQ(scope0_routes(s.ctx)->first, nullptr);
}

TEST(RouteStatement, RoutesAreAttachedInFileOrderWithoutDuplicateCheck) {
    LoadedScene s(
        "DEF TS TimeSensor {} DEF A ScalarInterpolator {} DEF B ScalarInterpolator {}\n"
        "ROUTE TS.fraction_changed TO B.set_fraction\n"
        "ROUTE TS.fraction_changed TO A.set_fraction\n"
        "ROUTE TS.fraction_changed TO B.set_fraction\n");
    std::vector<vrml_route *> out = routes_of(routes_leaving(s.def("TS"), kTimeFraction));
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0]->targetnode, s.def("B"));
    EXPECT_EQ(out[1]->targetnode, s.def("A"));
    EXPECT_EQ(out[2]->targetnode, s.def("B"));
    EXPECT_NE(out[0], out[2]);
}

TEST(RouteStatement, RouteInsideABodyBelongsToTheEnclosingScope) {
    LogCapture log;
    LoadedScene s(
        "DEF G Group { children [ DEF T Transform {} DEF U Transform {} ]\n"
        "  ROUTE T.translation TO U.translation }");
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(routes_leaving(s.def("T"), kTransformTranslation)->count, 1);
}

TEST(RouteStatement, FinalRouteWithoutLineEndAtTheEndOfInput) {
    LogCapture log;
    LoadedScene s(std::string(kTwoTransforms) + "ROUTE T.translation TO U.set_translation");
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(s.roots(), 2);
    vrml_route *r = route_at(routes_leaving(s.def("T"), kTransformTranslation), 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->targetnode, s.def("U"));
}

TEST(RouteStatement, BlanksAfterTheDotAreAllowed) {
    LogCapture log;
    LoadedScene s(std::string(kTwoTransforms) + "ROUTE T. translation TO U.\ttranslation");
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(routes_leaving(s.def("T"), kTransformTranslation)->count, 1);
}

struct Rejected {
    const char *route;
    Texts messages;
};

TEST(RouteStatement, RejectedRoutesLeaveOnlyTheirReportAndParsingGoesOn) {
    const Rejected cases[] = {
        {"ROUTE TS.fraction_changed TO T.set_translation",
         {"v_are: Field types: do not match",
          "Could NOT add route: TS.fraction_changed TO T.set_translation"}},
        {"ROUTE T.translation TO TS.isActive",
         {"v_are: Bad eventIn field: isActive\n",
          "Could NOT add route: T.translation TO TS.isActive"}},
        {"ROUTE T.translation TO U.translation_changed",
         {"v_are: Bad eventIn field: translation_changed\n",
          "Could NOT add route: T.translation TO U.translation_changed"}},
        {"ROUTE T.bboxCenter TO U.translation",
         {"vrml_addrouteentry:  could not find source node eventoutidx\n",
          "Could NOT add route: T.bboxCenter TO U.translation"}},
        {"ROUTE T.set_translation TO U.translation",
         {"vrml_addrouteentry:  could not find source node eventoutidx\n",
          "Could NOT add route: T.set_translation TO U.translation"}},
        {"ROUTE X.translation TO U.translation",
         {"vrml_addrouteentry:  could not find source node def idx for X\n", "def: T:", "def: U:",
          "def: TS:", "Could NOT add route: X.translation TO U.translation"}},
        {"ROUTE T.translation TO X.translation", {"Could NOT add route: T.translation TO X.translation"}},
        {"ROUTE t.translation TO U.translation",
         {"vrml_addrouteentry:  could not find source node def idx for t\n", "def: T:", "def: U:",
          "def: TS:", "Could NOT add route: t.translation TO U.translation"}},
    };
    for (const Rejected &c : cases) {
        LogCapture log;
        LoadedScene s(std::string(kTwoTransforms) + "DEF TS TimeSensor {}\n" + c.route +
                      "\nGroup {}");
        EXPECT_EQ(log.texts(), c.messages) << c.route;
        for (const LoggedMessage &m : log.messages()) {
            EXPECT_EQ(m.ctx, s.ctx);
            EXPECT_EQ(m.code, 0);
        }
        EXPECT_EQ(s.roots(), 4) << c.route;
        EXPECT_EQ(routes_leaving(s.def("T"), kTransformTranslation)->count, 0);
        EXPECT_EQ(routes_leaving(s.def("TS"), kTimeFraction)->count, 0);
        EXPECT_EQ(scope0_routes(s.ctx)->count, 0);
    }
}

TEST(RouteStatement, NamesAreResolvedWhenTheRouteIsRead) {
    LogCapture log;
    LoadedScene s(
        "DEF T Transform {} ROUTE T.translation TO U.translation DEF U Transform {}\n"
        "ROUTE U.translation TO T.translation");
    EXPECT_EQ(log.texts(), Texts{"Could NOT add route: T.translation TO U.translation"});
    EXPECT_EQ(s.roots(), 2);
    EXPECT_EQ(routes_leaving(s.def("T"), kTransformTranslation)->count, 0);
    EXPECT_EQ(routes_leaving(s.def("U"), kTransformTranslation)->count, 1);
}

TEST(RouteStatement, MalformedRouteLeavesItsRestForTheStatementReader) {
    struct Case {
        const char *route;
        Texts messages;
    } cases[] = {
        // The dot left in the input ends the top-level list.
        {"ROUTE T .translation TO U.translation", {"expected '.' (T)\n", "Near line 2\n"}},
        {"ROUTE T.translation TO U .translation",
         {"expected '.' (T:translation to U)", "Near line 2\n"}},
        // "FROM" is taken for a type name without a brace.
        {"ROUTE T.translation FROM U.translation", {"expected 'TO' (T:translation)\n"}},
    };
    for (const Case &c : cases) {
        LogCapture log;
        LoadedScene s(std::string(kTwoTransforms) + c.route + " Group {}");
        EXPECT_EQ(log.texts(), c.messages) << c.route;
        EXPECT_EQ(s.roots(), 2) << c.route;
        EXPECT_EQ(routes_leaving(s.def("T"), kTransformTranslation)->count, 0);
    }
}

TEST(RouteStatementDeathTest, NodeNameStartingWithADigitEndsTheProcess) {
    EXPECT_EXIT(
        {
            vrml_setfatalhandler(print_fatal_message, nullptr);
            LoadedScene s("DEF T Transform {} ROUTE T.translation TO 2T.translation");
        },
        testing::ExitedWithCode(255), "FATAL<v_g_nn: Invalid name: is digit!!! 50\n>");
}

TEST(RouteStatementDeathTest, RouteNamesFitTwoHundredFiftyFiveCharacters) {
    // DEF names may be longer than a ROUTE can name.
    const std::string fits(255, 'n'), longer(256, 'n');
    {
        LogCapture log;
        LoadedScene s("DEF " + fits + " Transform {} ROUTE " + fits + ".translation TO " + fits +
                      ".center");
        EXPECT_TRUE(log.messages().empty());
        EXPECT_EQ(routes_leaving(s.def(fits.c_str()), kTransformTranslation)->count, 1);
    }
    EXPECT_EXIT(
        {
            vrml_setfatalhandler(print_fatal_message, nullptr);
            LoadedScene s("DEF " + longer + " Transform {} ROUTE " + longer + ".translation TO " +
                          longer + ".center");
        },
        testing::ExitedWithCode(255),
        "FATAL<vrml_get_nodename: Node name too long: \\(" + fits + "\\)>");
    EXPECT_EXIT(
        {
            vrml_setfatalhandler(print_fatal_message, nullptr);
            LoadedScene s("DEF T Transform {} ROUTE T." + longer + " TO T.center");
        },
        testing::ExitedWithCode(255), "FATAL<vrml_get_fieldname: Node name too long\n>");
}

// ---- The operations one by one --------------------------------------------

// An empty world whose context then reads from text.
struct Reading {
    explicit Reading(const std::string &world, const std::string &text)
        : scene(world), more(text) {
        scene.ctx->in = more.get();
    }
    LoadedScene scene;
    StringInput more;
};

TEST(GetRoute, KeepsTheRouteInTheScopeUntilTheTreeIsBuilt) {
    LogCapture log;
    Reading r(kTwoTransforms, "T.translation TO U.set_translation rest");
    vrml_context *ctx = r.scene.ctx;
    EXPECT_EQ(vrml_getroute(ctx), 0);
    EXPECT_EQ(r.more.rest(), " rest");
    vrml_list *pending = scope0_routes(ctx);
    ASSERT_EQ(pending->count, 1);
    vrml_route *route = route_at(pending, 0);
    EXPECT_EQ(route->scope, vrml_gettopscope(ctx));
    EXPECT_EQ(route->sourcedef, 0);
    EXPECT_EQ(route->targetdef, 1);
    EXPECT_EQ(route->sourcenode, nullptr);
    vrml_list *fromT = routes_leaving(r.scene.def("T"), kTransformTranslation);
    EXPECT_EQ(fromT->count, 0);

    EXPECT_EQ(vrml_createroutetree(vrml_getscopeentry(ctx, 0)), 1);
    EXPECT_EQ(pending->count, 0);
    EXPECT_EQ(pending->first, nullptr);
    EXPECT_EQ(pending->last, nullptr);
    EXPECT_EQ(route_at(fromT, 0), route);
    EXPECT_EQ(route->sourcenode, r.scene.def("T"));
    EXPECT_EQ(route->targetnode, r.scene.def("U"));
    EXPECT_TRUE(log.messages().empty());
}

TEST(GetRoute, NothingReadableGivesMinusOneSilently) {
    for (const char *text : {"", "{ }", "T.", "T.translation TO", "T.translation TO U."}) {
        LogCapture log;
        Reading r(kTwoTransforms, text);
        EXPECT_EQ(vrml_getroute(r.scene.ctx), -1) << text;
        EXPECT_TRUE(log.messages().empty()) << text;
    }
}

TEST(GetRoute, RejectedRouteGivesMinusOne) {
    LogCapture log;
    Reading r(kTwoTransforms, "T.translation TO U.rotation");
    EXPECT_EQ(vrml_getroute(r.scene.ctx), -1);
    EXPECT_EQ(log.texts(), (Texts{"v_are: Field types: do not match",
                                  "Could NOT add route: T.translation TO U.rotation"}));
}

TEST(AddRouteEntry, UsesTheLatestDefOfEachName) {
    LoadedScene s("DEF A Transform {} DEF B Transform {} DEF A Transform {}");
    vrml_route *route = vrml_addrouteentry(s.ctx, "A", "translation_changed", "B", "set_center");
    ASSERT_NE(route, nullptr);
    EXPECT_EQ(route->sourcedef, 2);
    EXPECT_EQ(route->sourcemember, kTransformTranslation);
    EXPECT_EQ(route->targetdef, 1);
    EXPECT_EQ(route->targetmember, kTransformCenter);
    EXPECT_EQ(route_at(scope0_routes(s.ctx), 0), route);
}

TEST(AddRouteToEvent, RouteWhoseSourceEntryHasNoNodeStaysUnattached) {
    LoadedScene s("DEF T Transform {}");
    char *name = nullptr;
    vrml_savestring(&name, "Empty");
    ASSERT_EQ(vrml_adddef(s.ctx->deftable, name, nullptr), 2);
    vrml_route *route = vrml_newroute(1, kTransformTranslation, 0, kTransformTranslation);
    route->scope = vrml_getscopeentry(s.ctx, 0);
    EXPECT_EQ(vrml_addroutetoevent(route), 1);
    EXPECT_EQ(route->sourcenode, nullptr);
    EXPECT_EQ(route->targetnode, s.def("T"));
    EXPECT_EQ(routes_leaving(s.def("T"), kTransformTranslation)->count, 0);
    std::free(route);
}

TEST(AttachRoute, OnlyEventOutsAndExposedFieldsCarryRoutes) {
    LogCapture log;
    LoadedScene s("DEF T Transform {}");
    vrml_node *t = s.def("T");
    vrml_route *route = vrml_allocroute();
    route->sourcemember = kTransformBboxCenter;
    EXPECT_EQ(vrml_attachroute(t->nodetemplate, t, route), 0);
    route->sourcemember = 0;  // addChildren, an eventIn
    EXPECT_EQ(vrml_attachroute(t->nodetemplate, t, route), 0);
    EXPECT_EQ(log.texts(), (Texts{"Route points to Field/EventIn", "Route points to Field/EventIn"}));
    route->sourcemember = kTransformTranslation;
    EXPECT_EQ(vrml_attachroute(t->nodetemplate, t, route), 1);
    EXPECT_EQ(route_at(routes_leaving(t, kTransformTranslation), 0), route);
}

TEST(AddEventInRoute, GoesToTheForwardingListOfTheEventIn) {
    LoadedScene s("DEF T Transform {} DEF U Transform {}");
    vrml_node *t = s.def("T"), *u = s.def("U");
    EXPECT_EQ(vrml_addeventinroute(s.ctx, t, 0, u, 0), 0);
    EXPECT_EQ(vrml_addeventinroute(s.ctx, t, kTransformTranslation, u, kTransformCenter), 0);
    EXPECT_EQ(vrml_addeventinroute(s.ctx, t, kTransformBboxCenter, u, 0), -4);
    vrml_list &in = static_cast<vrml_eventin *>(t->members[0].content)->routes;
    ASSERT_EQ(in.count, 1);
    vrml_list &exposed =
        static_cast<vrml_exposedfield *>(t->members[kTransformTranslation].content)->eventin->routes;
    ASSERT_EQ(exposed.count, 1);
    vrml_route *r = route_at(&exposed, 0);
    EXPECT_EQ(r->sourcenode, t);
    EXPECT_EQ(r->sourcemember, kTransformTranslation);
    EXPECT_EQ(r->targetnode, u);
    EXPECT_EQ(r->targetmember, kTransformCenter);
    EXPECT_EQ(r->scope, nullptr);
    EXPECT_EQ(r->sourcedef, 0);
    // The eventOut half is untouched.
    EXPECT_EQ(routes_leaving(t, kTransformTranslation)->count, 0);
}

TEST(GetProtoFieldName, NamesAMemberOfATemplateOfTheScope) {
    LogCapture log;
    LoadedScene s("");
    vrml_scope *scope0 = vrml_getscopeentry(s.ctx, 0);
    EXPECT_STREQ(vrml_getprotofieldname(scope0, 50, kTransformTranslation), "translation");
    EXPECT_EQ(vrml_getprotofieldname(scope0, 50, 10), nullptr);
    EXPECT_TRUE(log.messages().empty());
    EXPECT_EQ(vrml_getprotofieldname(scope0, VRML_BUILTIN_COUNT, 0), nullptr);
    EXPECT_EQ(log.texts(), Texts{"v_gpfn: could not find protonode template"});
}

// ---- Run-time routes and notifiers ---------------------------------------

struct Running : testing::Test {
    Running()
        : scene(std::string(kTwoTransforms) +
                "DEF TS TimeSensor {} ROUTE T.translation TO U.set_translation") {
        t = scene.def("T");
        u = scene.def("U");
        ts = scene.def("TS");
        fromT = routes_leaving(t, kTransformTranslation);
        fileroute = route_at(fromT, 0);
    }
    LoadedScene scene;
    vrml_node *t, *u, *ts;
    vrml_list *fromT;
    vrml_route *fileroute;
};

TEST_F(Running, RuntimeRouteIsAttachedAtOnceBehindTheFileRoutes) {
    EXPECT_EQ(vrml_addruntimeroute(t, "translation_changed", u, "set_center"), 0);
    ASSERT_EQ(fromT->count, 2);
    EXPECT_EQ(route_at(fromT, 0), fileroute);
    vrml_route *r = route_at(fromT, 1);
    EXPECT_EQ(r->scope, nullptr);
    EXPECT_EQ(r->sourcedef, -1);
    EXPECT_EQ(r->targetdef, -1);
    EXPECT_EQ(r->sourcemember, kTransformTranslation);
    EXPECT_EQ(r->targetmember, kTransformCenter);
    EXPECT_EQ(r->sourcenode, t);
    EXPECT_EQ(r->targetnode, u);
}

TEST_F(Running, RuntimeRouteIsNotTypeChecked) {
    EXPECT_EQ(vrml_addruntimeroute(ts, "fraction_changed", t, "set_translation"), 0);
    EXPECT_EQ(routes_leaving(ts, kTimeFraction)->count, 1);
}

TEST_F(Running, RuntimeRouteNeedsAnEventOutAndAnEventIn) {
    LogCapture log;
    EXPECT_EQ(vrml_addruntimeroute(t, "nothing", u, "set_translation"), -2);
    EXPECT_EQ(vrml_addruntimeroute(t, "set_translation", u, "set_translation"), -2);
    EXPECT_EQ(vrml_addruntimeroute(t, "bboxCenter", u, "set_translation"), -2);
    EXPECT_EQ(vrml_addruntimeroute(t, "translation", u, "nothing"), -3);
    EXPECT_EQ(vrml_addruntimeroute(ts, "fraction_changed", ts, "isActive"), -3);
    EXPECT_EQ(vrml_addruntimeroute(nullptr, "translation", u, "translation"), -2);
    EXPECT_EQ(vrml_addruntimeroute(t, "translation", nullptr, "translation"), -3);
    EXPECT_EQ(fromT->count, 1);
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(Running, NotifierHangsOnTheEventWithItsValueAndKey) {
    int host = 0;
    EXPECT_EQ(vrml_addruntimenotifier(t, kTransformTranslation, &host, 42), 0);
    ASSERT_EQ(fromT->count, 2);
    vrml_route *n = route_at(fromT, 1);
    EXPECT_EQ(n->notifier, &host);
    EXPECT_EQ(n->key, 42);
    EXPECT_EQ(n->sourcenode, t);
    EXPECT_EQ(n->targetnode, t);
    EXPECT_EQ(n->sourcemember, kTransformTranslation);
    EXPECT_EQ(n->targetmember, kTransformTranslation);
    EXPECT_EQ(n->sourcedef, -1);
    EXPECT_EQ(n->targetdef, -1);
    EXPECT_EQ(n->scope, nullptr);
    EXPECT_EQ(vrml_addruntimenotifier(ts, kTimeFraction, nullptr, 7), 0);
    EXPECT_EQ(route_at(routes_leaving(ts, kTimeFraction), 0)->key, 7);
}

TEST_F(Running, NotifierOnAFieldOrEventInIsReportedNotAttachedAndStillZero) {
    LogCapture log;
    EXPECT_EQ(vrml_addruntimenotifier(t, kTransformBboxCenter, nullptr, 1), 0);
    EXPECT_EQ(vrml_addruntimenotifier(t, 0, nullptr, 1), 0);
    EXPECT_EQ(log.texts(), (Texts{"Route points to Field/EventIn", "Route points to Field/EventIn"}));
    EXPECT_EQ(static_cast<vrml_eventin *>(t->members[0].content)->routes.count, 0);
    EXPECT_EQ(vrml_deleteruntimenotifier(t, kTransformBboxCenter, nullptr, 1), -2);
}

TEST_F(Running, DeletingANotifierUnlinksTheFirstWithItsKey) {
    LogCapture log;
    int a = 0, b = 0;
    vrml_addruntimenotifier(t, kTransformTranslation, &a, 5);
    vrml_addruntimenotifier(t, kTransformTranslation, &b, 6);
    vrml_addruntimenotifier(t, kTransformTranslation, &b, 5);
    ASSERT_EQ(fromT->count, 4);
    EXPECT_EQ(vrml_deleteruntimenotifier(t, kTransformTranslation, &b, 5), 0);
    std::vector<vrml_route *> left = routes_of(fromT);
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[0], fileroute);
    EXPECT_EQ(left[1]->key, 6);
    EXPECT_EQ(left[2]->key, 5);
    EXPECT_EQ(left[2]->notifier, &b);
    EXPECT_EQ(fromT->last->data, left[2]);
    EXPECT_EQ(vrml_deleteruntimenotifier(t, kTransformTranslation, nullptr, 5), 0);
    EXPECT_EQ(vrml_deleteruntimenotifier(t, kTransformTranslation, nullptr, 5), -4);
    EXPECT_EQ(fromT->count, 2);
    EXPECT_EQ(fromT->last->data, left[1]);
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(Running, KeyZeroFindsAnOrdinaryRoute) {
    vrml_addruntimenotifier(t, kTransformTranslation, nullptr, 9);
    EXPECT_EQ(vrml_deleteruntimenotifier(t, kTransformTranslation, nullptr, 0), 0);
    ASSERT_EQ(fromT->count, 1);
    EXPECT_EQ(route_at(fromT, 0)->key, 9);
    EXPECT_EQ(fromT->first, fromT->last);
}

TEST_F(Running, DeleteNotifierOnAnEventInIsReported) {
    LogCapture log;
    EXPECT_EQ(vrml_deleteruntimenotifier(t, 0, nullptr, 0), -2);
    EXPECT_EQ(vrml_deleteruntimenotifier(t, 99, nullptr, 0), -2);
    EXPECT_EQ(log.texts(), (Texts{"Route points to Field/EventIn", "Route points to Field/EventIn"}));
}

TEST_F(Running, DeleteRouteUnlinksTheFirstToThatTarget) {
    vrml_addruntimeroute(t, "translation", ts, "set_enabled");  // no type check
    vrml_addruntimeroute(t, "translation", u, "translation");
    vrml_addruntimeroute(t, "translation", u, "center");
    ASSERT_EQ(fromT->count, 4);
    vrml_route *second = route_at(fromT, 1), *third = route_at(fromT, 2), *fourth = route_at(fromT, 3);
    EXPECT_EQ(vrml_deleteroute(t, "translation_changed", u, "set_translation"), 0);
    EXPECT_EQ(routes_of(fromT), (std::vector<vrml_route *>{second, third, fourth}));
    EXPECT_EQ(vrml_deleteroute(t, "translation", u, "translation"), 0);
    EXPECT_EQ(routes_of(fromT), (std::vector<vrml_route *>{second, fourth}));
    EXPECT_EQ(vrml_deleteroute(t, "translation", u, "translation"), -4);
    EXPECT_EQ(vrml_deleteroute(t, "translation", u, "center"), 0);
    EXPECT_EQ(vrml_deleteroute(t, "translation", ts, "enabled"), 0);
    EXPECT_EQ(fromT->count, 0);
    EXPECT_EQ(fromT->first, nullptr);
    EXPECT_EQ(fromT->last, nullptr);
}

TEST_F(Running, DeleteRouteOfARouteNeverAddedChangesNothing) {
    LogCapture log;
    EXPECT_EQ(vrml_deleteroute(u, "translation", t, "translation"), -4);
    EXPECT_EQ(vrml_deleteroute(t, "translation", t, "translation"), -4);
    EXPECT_EQ(vrml_deleteroute(t, "nothing", u, "translation"), -2);
    EXPECT_EQ(vrml_deleteroute(t, "set_translation", u, "translation"), -2);
    EXPECT_EQ(vrml_deleteroute(t, "translation", u, "translation_changed"), -3);
    EXPECT_EQ(vrml_deleteroute(nullptr, "translation", u, "translation"), -2);
    EXPECT_EQ(routes_of(fromT), std::vector<vrml_route *>{fileroute});
    EXPECT_TRUE(log.messages().empty());
}

TEST_F(Running, DeleteRouteAlsoFindsANotifierOfTheTargetMember) {
    // A notifier's target is its own node and member.
    vrml_addruntimenotifier(t, kTransformTranslation, nullptr, 3);
    EXPECT_EQ(vrml_deleteroute(t, "translation", t, "set_translation"), 0);
    EXPECT_EQ(routes_of(fromT), std::vector<vrml_route *>{fileroute});
}

}  // namespace
