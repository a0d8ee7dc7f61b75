// Resource bombs: prototypes that multiply nodes, image headers and counts
// that would overflow a size, strings at the length limit, a million-element
// list, and the node limit with every caller of node creation past it.
#include <chrono>
#include <cstdlib>

#include "hostile/hostile_support.h"

namespace {

// Sets the process-wide node limit for a scope.
struct ProcessNodeLimit {
    explicit ProcessNodeLimit(int32_t n) { previous = vrml_setnodelimit(nullptr, n); }
    ~ProcessNodeLimit() { vrml_setnodelimit(nullptr, previous); }
    int32_t previous;
};

// A world loaded with the fatal exit turned into a jump: message holds the
// fatal message, or is empty when the load ended normally (ctx then holds
// the scene, unloaded with the record).
struct FatalLoad {
    explicit FatalLoad(const std::string &text) : in(text) {
        vrml_stream *streams[2] = {in.get(), out.get()};
        vrml_context *loaded = nullptr;
        struct Job {
            vrml_stream **streams;
            vrml_context **loaded;
        } job{streams, &loaded};
        bool fatal = ends_fatally(
            [](void *arg) {
                auto *j = static_cast<Job *>(arg);
                *j->loaded = vrmlutil_loadscene(j->streams[0], j->streams[1]);
            },
            &job, &message);
        if (!fatal) ctx = loaded;
    }
    StringInput in;
    BufferOutput out;
    std::string message;
    vrml_context *ctx = nullptr;
    SceneUnloader unload{ctx};
};

std::string load_fatal_message(const std::string &text) { return FatalLoad(text).message; }

// PROTO P(d) declares P(d-1) in its body and holds k instances of it; P0
// holds one Group. One instance of P(d) stands at the top.
std::string prototype_declaration(int k, int i) {
    std::string text = "PROTO P" + std::to_string(i) + " [ ] { ";
    if (i == 0) return text + "Group { } }";
    text += prototype_declaration(k, i - 1) + " Group { children [";
    for (int j = 0; j < k; ++j) text += " P" + std::to_string(i - 1) + " { }";
    return text + " ] } }";
}
std::string prototype_bomb(int k, int d) {
    return prototype_declaration(k, d) + "\nP" + std::to_string(d) + " { }\n";
}

TEST(PrototypeBomb, SmallOneLoadsAndTheLimitStopsALargeOne) {
    FatalLoad small(prototype_bomb(3, 3));
    EXPECT_EQ(small.message, "");
    ASSERT_NE(small.ctx, nullptr);
    EXPECT_GT(small.ctx->allnodes.count, 27);

    // 10 instances 7 levels deep would be tens of millions of nodes.
    ProcessNodeLimit limit(20000);
    const auto start = std::chrono::steady_clock::now();
    std::string message = load_fatal_message(prototype_bomb(10, 7));
    EXPECT_EQ(message.rfind("v_d_n: node limit of 20000 reached: ", 0), 0u) << message;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST(PrototypeBomb, NestedScriptFieldsDoubleAndTheLimitStopsThem) {
    // Each Script level copies its SFNode default once more: 2^n - 1 nodes.
    FatalLoad five(nested_scripts(5));
    EXPECT_EQ(five.message, "");
    ASSERT_NE(five.ctx, nullptr);
    EXPECT_EQ(five.ctx->allnodes.count, 31);
    ProcessNodeLimit limit(1000);
    LogCapture log;
    FatalLoad forty(nested_scripts(40));
    // Scripts that cannot be made are reported and left null; the load
    // goes on and ends normally.
    EXPECT_EQ(forty.message, "");
    ASSERT_NE(forty.ctx, nullptr);
    EXPECT_LE(forty.ctx->allnodes.count, 1000);
    bool reported = false;
    for (const std::string &t : log.texts()) reported |= t == "vpn.rsb failed";
    EXPECT_TRUE(reported);
}

TEST(NodeLimit, HostCreationFailsPastTheLimitOfTheContext) {
    LoadedScene scene("Group { }");
    vrml_context *ctx = scene.ctx;
    const int group = vrml_findnode(ctx->templates, "Group");
    EXPECT_EQ(vrml_setnodelimit(ctx, 3), 0);
    EXPECT_NE(vrml_createnode(ctx, group), nullptr);
    EXPECT_NE(vrml_createnode_nc(ctx, group), nullptr);
    EXPECT_EQ(vrml_createnode(ctx, group), nullptr);
    EXPECT_EQ(vrml_createnode_nc(ctx, group), nullptr);
    EXPECT_EQ(ctx->allnodes.count, 3);
    // The context's own limit wins over the process-wide one.
    {
        ProcessNodeLimit wide(100);
        EXPECT_EQ(vrml_createnode(ctx, group), nullptr);
    }
    EXPECT_EQ(vrml_setnodelimit(ctx, 4), 3);
    EXPECT_NE(vrml_createnode(ctx, group), nullptr);
    EXPECT_EQ(vrml_setnodelimit(ctx, 0), 4);
    EXPECT_NE(vrml_createnode(ctx, group), nullptr);
    EXPECT_EQ(ctx->allnodes.count, 5);
}

TEST(NodeLimit, ReadingANodePastTheLimitEndsThroughTheFatalExit) {
    ProcessNodeLimit limit(3);
    EXPECT_EQ(load_fatal_message("Group { children [ Group { } Group { } ] }"), "");
    EXPECT_EQ(load_fatal_message("Group { children [ Group { } Group { } Shape { } ] }"),
              "v_d_n: node limit of 3 reached: Shape");
}

TEST(NodeLimit, PrototypeBodiesPastTheLimitLoseTheNodesThatDoNotFit) {
    // The body holds 3 nodes; the instance shell is the 4th, its copy of the
    // body's top Group the 5th; the two inner copies do not fit and are
    // dropped from the copied list.
    ProcessNodeLimit limit(5);
    FatalLoad partial("PROTO P [ ] { Group { children [ Group { } Group { } ] } } P { }");
    EXPECT_EQ(partial.message, "");
    ASSERT_NE(partial.ctx, nullptr);
    EXPECT_EQ(partial.ctx->allnodes.count, 5);
    EXPECT_EQ(partial.ctx->root->count, 1);
    // Past the limit the instance itself cannot be made.
    EXPECT_EQ(load_fatal_message("PROTO P [ ] { Group { children [ Group { } Group { } ] } } "
                                 "Group { } Group { } P { }"),
              "v_d_n: node limit of 5 reached: P");
}

TEST(NodeLimit, ExternprotoWiringSkipsInstancesItCannotMake) {
    LoadedScene scene("EXTERNPROTO E [ ] \"e.wrl\" E { }");
    vrml_context *ctx = scene.ctx;
    ASSERT_EQ(ctx->externprotos.count, 1);
    auto *ext = static_cast<vrml_externproto *>(ctx->externprotos.first->data);
    ext->implementation = vrml_findnode(ctx->templates, "Group");
    ASSERT_EQ(ext->pending.count, 1);
    vrml_setnodelimit(ctx, ctx->allnodes.count);
    const int before = ctx->allnodes.count;
    EXPECT_EQ(vrml_wireEPtoP(ctx, ext), nullptr);
    EXPECT_EQ(ctx->allnodes.count, before);
    vrml_setnodelimit(ctx, 0);
}

TEST(ImageBomb, HeadersThatWouldOverflowASizeAreRefused) {
    for (const char *header : {"2147483647 2147483647 4", "65536 65536 1", "46341 46341 1",
                               "1 1 5", "-1 2 1", "16384 16384 16"}) {
        BareContext bare(header);
        LogCapture log;
        vrml_field value{};
        EXPECT_EQ(vrml_get_SFImage(bare.get(), &value), -1) << header;
        EXPECT_EQ(value.sfimage.pixels, nullptr);
        ASSERT_FALSE(log.messages().empty());
        EXPECT_EQ(log.messages().back().code, VRML_ERR_SFIMAGE) << header;
    }
}

TEST(ImageBomb, AHugeHeaderWithFewPixelsFailsWithoutClaimingItsSize) {
    // 46340 x 46340 x 1 is just below 2^31 bytes; the pixel array grows
    // only with the pixels read.
    BareContext bare("46340 46340 1 255 255 0");
    LogCapture log;
    vrml_field value{};
    EXPECT_EQ(vrml_get_SFImage(bare.get(), &value), -1);
    EXPECT_EQ(value.sfimage.pixels, nullptr);
    // A large image read whole is kept pixel for pixel.
    std::string text = "300 200 2";
    for (int i = 0; i < 300 * 200; ++i) text += " " + std::to_string(i & 0xFFFF);
    BareContext big(text);
    vrml_field image{};
    ASSERT_EQ(vrml_get_SFImage(big.get(), &image), 1);
    EXPECT_EQ(image.sfimage.pixels[2 * 59999], static_cast<unsigned char>(59999 & 0xFF));
    EXPECT_EQ(image.sfimage.pixels[2 * 59999 + 1], static_cast<unsigned char>(59999 >> 8));
    std::free(image.sfimage.pixels);
}

TEST(StringBomb, StringsAtAndPastTheLengthLimit) {
    const std::string fits(65534, 'a');
    BareContext ok("\"" + fits + "\"");
    vrml_field value{};
    ASSERT_EQ(vrml_get_SFString(ok.get(), &value), 1);
    EXPECT_EQ(std::string(value.sfstring), fits);
    std::free(value.sfstring);
    for (size_t n : {size_t{65535}, size_t{1} << 20}) {
        BareContext past("\"" + std::string(n, 'b') + "\"");
        LogCapture log;
        vrml_field v{};
        EXPECT_EQ(vrml_get_SFString(past.get(), &v), -2);
        EXPECT_EQ(v.sfstring, nullptr);
        ASSERT_EQ(log.messages().size(), 1u);
        EXPECT_EQ(log.messages()[0].code, VRML_ERR_SFSTRING);
    }
    // In a world, the reader goes on after the refused string with its
    // rest, whose first word fills the name buffer: a fatal condition.
    EXPECT_EQ(load_fatal_message("WorldInfo { title \"" + std::string(200000, 'c') + "\" }"),
              "vrml_get_fieldname: Node name too long\n");
}

TEST(ListBomb, AMillionElementListLoadsAndPrints) {
    std::string text = "ScalarInterpolator { key [";
    text.reserve(3000000);
    for (int i = 0; i < 1000000; ++i) text += i % 2 ? " 1" : " 0";
    text += " ] }";
    LoadedScene scene(text);
    ASSERT_EQ(scene.roots(), 1);
    vrml_node *node = scene.root(0)->sfnode.node;
    const int key = vrml_findfieldidx(scene.ctx->templates, node->type, "key");
    vrml_field *value = vrml_getnodefield(scene.ctx->templates, node, key);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->mfarray.count, 1000000);
    std::string printed = scene.print_world();
    EXPECT_GT(printed.size(), 2000000u);
}

}  // namespace
