// Deep nesting: reading, instancing and printing stay within the stack, and
// input deeper than the thread's stack allows ends through vrml_fatal_err.
#include <cstdio>
#include <cstring>

#include "hostile/hostile_support.h"
#include "loader/stack_guard.h"

namespace {

constexpr size_t kOneMiB = 1024 * 1024;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// A PROTO whose body is n Groups deep, and one instance of it inside m
// Groups: the copy of the body starts m levels down.
std::string deep_body_instance(int n, int m) {
    return "PROTO Deep [ ] { " + nested_groups(n) + " } " + nested_groups(m, "Deep { }");
}

// Loads text on a thread with a 1 MiB stack (the Windows default) with the
// fatal exit turned into a jump: true when the load and the printing ended
// normally, else message holds the fatal message.
bool loads_on_one_mib(const std::string &text, std::string *message) {
    // The streams are made outside the part that the fatal exit jumps out of.
    struct Job {
        StringInput *in;
        BufferOutput *out;
    };
    bool fatal = false;
    bool ran = run_on_stack(kOneMiB, [&] {
        StringInput in(text);
        BufferOutput out;
        Job job{&in, &out};
        fatal = ends_fatally(
            [](void *arg) {
                auto *j = static_cast<Job *>(arg);
                vrml_context *ctx = vrmlutil_loadscene(j->in->get(), j->out->get());
                vrml_print_PROTOS(ctx);
                for (vrml_listitem *it = ctx->root->nodes.first; it; it = it->next)
                    vrml_print_SFNode(ctx, static_cast<vrml_field *>(it->data));
                vrmlutil_unloadscene(ctx);
            },
            &job, message);
    });
    EXPECT_TRUE(ran);
    return ran && !fatal;
}

TEST(Nesting, StackPerLevelIsSmall) {
    // Reading, printing and the copy of a prototype body, each measured on
    // its own: the difference between two depths, per level.
    auto read = [](const std::string &text) {
        vrml_stackguard_resetlowest();
        LoadedScene scene(text);
        return vrml_stackguard_lowest();
    };
    auto print = [](int n) {
        LoadedScene scene(nested_groups(n));
        vrml_stackguard_resetlowest();
        scene.print_world();
        return vrml_stackguard_lowest();
    };
    auto copy = [](int n) {
        // The body's reading is 5 levels shallower than the copy.
        LoadedScene scene("PROTO Deep [ ] { " + nested_groups(n) + " }");
        vrml_stackguard_resetlowest();
        vrml_createnode(scene.ctx, vrml_findnode(scene.ctx->templates, "Deep"));
        return vrml_stackguard_lowest();
    };
    double r = stack_per_level([&](int n) { return read(nested_groups(n)); }, 100, 600);
    double p = stack_per_level(print, 100, 600);
    double t = stack_per_level([&](int n) { return read(nested_transforms(n)); }, 100, 600);
    double c = stack_per_level(copy, 100, 600);
    double s = stack_per_level([&](int n) { return read(nested_scripts(n)); }, 4, 12);
    std::printf("stack per level (bytes): read %.0f, print %.0f, SFNode-style %.0f, "
                "body copy %.0f, Scripts %.0f\n", r, p, t, c, s);
    // 1000 levels and the reserve fit in 1 MiB.
    const double budget = static_cast<double>(kOneMiB - kVrmlStackReserve) / 1000;
    if (!kSanitized) {
        for (double v : {r, p, t, c, s}) EXPECT_LT(v, budget);
    }
}

TEST(Nesting, ThousandLevelsFitInOneMiB) {
    std::string message;
    EXPECT_TRUE(loads_on_one_mib(nested_groups(1000), &message)) << message;
    EXPECT_TRUE(loads_on_one_mib(nested_transforms(1000), &message)) << message;
    // The body is read 1000 deep, then copied 1000 deep for the instance.
    EXPECT_TRUE(loads_on_one_mib(deep_body_instance(1000, 0), &message)) << message;
}

TEST(Nesting, MillionLevelsEndThroughTheFatalExit) {
    const std::string groups = nested_groups(1000000);
    std::string message;
    EXPECT_FALSE(loads_on_one_mib(groups, &message));
    EXPECT_EQ(message.rfind("vrml_parse_node: nesting too deep for the stack (line 1)", 0), 0u)
        << message;
    // The main thread's larger stack reaches deeper, and ends the same way.
    StringInput in(groups);
    BufferOutput out;
    vrml_stream *streams[2] = {in.get(), out.get()};
    message.clear();
    EXPECT_TRUE(ends_fatally(
        [](void *arg) {
            auto *s = static_cast<vrml_stream **>(arg);
            vrmlutil_loadscene(s[0], s[1]);
        },
        streams, &message));
    EXPECT_NE(message.find("nesting too deep"), std::string::npos) << message;

    message.clear();
    EXPECT_FALSE(loads_on_one_mib(nested_transforms(1000000), &message));
    EXPECT_NE(message.find("vrml_parse_node: nesting too deep"), std::string::npos) << message;
}

// Levels of Group nesting that reading fits in 1 MiB, as measured here.
int levels_read_in_one_mib() {
    double per_level = stack_per_level(
        [](int n) {
            vrml_stackguard_resetlowest();
            LoadedScene scene(nested_groups(n));
            return vrml_stackguard_lowest();
        },
        100, 600);
    return static_cast<int>(static_cast<double>(kOneMiB - kVrmlStackReserve) / per_level);
}

TEST(Nesting, DeepCopyOfAPrototypeBodyEndsThroughTheFatalExit) {
    // A body that reads within the stack, copied where the reading already
    // went deep: the copy meets the guard.
    const int fit = levels_read_in_one_mib();
    std::string message;
    EXPECT_FALSE(loads_on_one_mib(deep_body_instance(fit * 7 / 10, fit * 8 / 10), &message));
    EXPECT_EQ(message.rfind("vrml_dupnode: nesting too deep for the stack", 0), 0u) << message;
}

TEST(Nesting, DeepGraphsMadeByTheHostEndPrintingThroughTheFatalExit) {
    // A chain of 200000 Groups built through the interface: printing it
    // meets the guard; nothing overflows.
    std::string message;
    bool fatal = false;
    bool ran = run_on_stack(kOneMiB, [&] {
        LoadedScene scene("");
        vrml_context *ctx = scene.ctx;
        const int group = vrml_findnode(ctx->templates, "Group");
        const int children = vrml_findfieldidx(ctx->templates, group, "children");
        vrml_node *top = vrml_createnode(ctx, group);
        vrml_node *node = top;
        for (int i = 0; i < 200000; ++i) {
            vrml_node *child = vrml_createnode(ctx, group);
            vrml_field *list = vrml_allocfield(VRML_MFNODE);
            vrml_field *ref = vrml_allocfield(VRML_SFNODE);
            ref->sfnode.node = child;
            vrml_listappend(&list->mfnode.nodes, ref);
            list->mfnode.count = 1;
            vrml_setnodefield(ctx->templates, node, list, children);
            node = child;
        }
        vrml_node *args[2] = {reinterpret_cast<vrml_node *>(ctx), top};
        fatal = ends_fatally(
            [](void *arg) {
                auto *a = static_cast<vrml_node **>(arg);
                vrml_print_node(reinterpret_cast<vrml_context *>(a[0]), a[1]);
            },
            args, &message);
    });
    ASSERT_TRUE(ran);
    EXPECT_TRUE(fatal);
    EXPECT_EQ(message.rfind("vrml_print_node: nesting too deep for the stack", 0), 0u) << message;
}

}  // namespace
