// Hostile input: the fuzzer's findings, deep nesting, resource bombs and the
// node limit. Each load ends normally or through vrml_fatal_err with an exact
// message, within the stack it runs on.
#include <chrono>
#include <filesystem>
#include <map>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

#include "loader/stack_guard.h"
#include "support/loaded_scene.h"

namespace {

constexpr size_t kOneMiB = 1024 * 1024;

std::string repeat(const std::string &text, int n) {
    std::string all;
    all.reserve(text.size() * static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) all += text;
    return all;
}
std::string nested_groups(int n, const std::string &inner = "") {
    return repeat("Group { children [ ", n) + inner + repeat("] } ", n);
}
std::string nested_transforms(int n) { return repeat("Transform { children ", n) + "Group { }" + repeat(" }", n); }
// Each Script level copies its SFNode default once more: 2^n - 1 nodes.
std::string nested_scripts(int n) { return repeat("Script { field SFNode inner ", n) + "NULL" + repeat(" }", n); }
// A PROTO whose body is n Groups deep, and one instance of it inside m Groups.
std::string deep_body_instance(int n, int m) {
    return "PROTO Deep [ ] { " + nested_groups(n) + " } " + nested_groups(m, "Deep { }");
}
// PROTO P(d) declares P(d-1) in its body and holds k instances of it; P0
// holds one Group. One instance of P(d) stands at the top.
std::string prototype_declaration(int k, int d) {
    if (d == 0) return "PROTO P0 [ ] { Group { } }";
    return "PROTO P" + std::to_string(d) + " [ ] { " + prototype_declaration(k, d - 1) + " Group { children [" +
           repeat(" P" + std::to_string(d - 1) + " { }", k) + " ] } }";
}
std::string prototype_bomb(int k, int d) { return prototype_declaration(k, d) + "\nP" + std::to_string(d) + " { }\n"; }

#ifdef _WIN32
DWORD WINAPI thread_main(LPVOID fn) {
    (*static_cast<const std::function<void()> *>(fn))();
    return 0;
}
#else
void *thread_main(void *fn) {
    (*static_cast<const std::function<void()> *>(fn))();
    return nullptr;
}
#endif

// Runs fn on a new thread with a 1 MiB stack (the Windows default) and waits.
void run_on_one_mib(const std::function<void()> &fn) {
    void *arg = const_cast<std::function<void()> *>(&fn);
#ifdef _WIN32
    HANDLE thread = CreateThread(nullptr, kOneMiB, thread_main, arg, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
#else
    pthread_attr_t attr;
    pthread_t thread;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    pthread_attr_setstacksize(&attr, kOneMiB);
    ASSERT_EQ(pthread_create(&thread, &attr, thread_main, arg), 0);
    pthread_attr_destroy(&attr);
    pthread_join(thread, nullptr);
#endif
}

// The size and an FNV-1a hash of a printed text.
std::string printed(const std::string &text) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08x", hash);
    return std::to_string(text.size()) + " bytes #" + digits;
}

// Loads text under a process-wide node limit (0: none), prints and unloads
// it: "fatal: MESSAGE" or "R roots, N nodes, B bytes", then the problems
// logged, each once with its count.
std::string load_and_print(const std::string &text, int32_t limit = 0) {
    const int32_t previous = vrml_setnodelimit(nullptr, limit);
    LogCapture log;
    StringInput in(text);
    BufferOutput out;
    std::string message;
    int counts[2] = {0, 0};
    size_t loaded = 0;
    const bool fatal = ends_fatally(
        [&in, &out, &counts, &loaded] {
            vrml_context *ctx = vrmlutil_loadscene(in.get(), out.get());
            counts[0] = ctx->root->count;
            counts[1] = ctx->allnodes.count;
            loaded = out.text().size();
            vrml_print_PROTOS(ctx);
            for (vrml_listitem *it = ctx->root->nodes.first; it; it = it->next)
                vrml_print_SFNode(ctx, static_cast<vrml_field *>(it->data));
            vrml_print_ROUTE(ctx, vrml_getscopeentry(ctx, 0));

            vrmlutil_unloadscene(ctx);
        },
        &message);
    vrml_setnodelimit(nullptr, previous);
    std::string result = fatal ? "fatal: " + message
                               : std::to_string(counts[0]) + " roots, " + std::to_string(counts[1]) +
                                     " nodes, " + printed(out.text().substr(loaded));
    std::map<std::string, int> logged;
    for (const std::string &t : log.texts()) ++logged[t];
    for (const auto &[t, n] : logged) result += " | " + t + " x" + std::to_string(n);
    return result;
}

// Levels of Group nesting that reading fits in 1 MiB, as measured here.
int levels_read_in_one_mib() {
    uintptr_t lowest[2];
    for (int i = 0; i < 2; ++i) {
        vrml_stackguard_resetlowest();
        LoadedScene scene(nested_groups(100 + 500 * i));
        lowest[i] = vrml_stackguard_lowest();
    }
    return static_cast<int>(static_cast<double>(kOneMiB - kVrmlStackReserve) * 500 / static_cast<double>(lowest[0] - lowest[1]));
}

TEST(Hostile, EveryInputTheFuzzerFlaggedEndsWithinSeconds) {
    int seen = 0;
    for (const auto &entry : std::filesystem::directory_iterator(std::string(ZEBVRML2_SOURCE_DIR) + "/tests/hostile/inputs")) {
        const auto start = std::chrono::steady_clock::now();
        load_and_print(read_file(entry.path().string()));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << entry.path();
        ++seen;
    }
    EXPECT_EQ(seen, 2);
}

// Whole worlds, loaded and printed under a process-wide node limit (0: none),
// on a thread with a 1 MiB stack or on the main thread's larger one: nesting
// up to 1000 levels fits in 1 MiB, deeper input, read or copied from a
// prototype body, meets the stack guard; prototypes that multiply nodes meet
// the node limit, met also while reading and while copying a prototype body;
// a million-element list; image headers whose byte size would overflow and a
// large image kept pixel for pixel; strings at and past the length limit.
TEST(Hostile, DeepNestingBombsAndTheNodeLimit) {
    const int fit = levels_read_in_one_mib();
    const std::string million = nested_groups(1000000), too_deep = "fatal: vrml_parse_node: nesting too deep for the stack (line 1)";
    std::string list = "ScalarInterpolator { key [";
    for (int i = 0; i < 1000000; ++i) list += i % 2 ? " 1" : " 0";
    std::string image = "PixelTexture { image 300 200 2";
    for (int i = 0; i < 300 * 200; ++i) image += " " + std::to_string(i & 0xFFFF);
    const struct {
        std::string text;
        int32_t limit;
        bool small_stack;
        std::string expected;
    } rows[] = {
        {nested_groups(1000), 0, true, "1 roots, 1000 nodes, 2020000 bytes #dd758ff5"},
        {nested_transforms(1000), 0, true, "1 roots, 1001 nodes, 2024008 bytes #8d355c80"},
        {deep_body_instance(1000, 0), 0, true, "1 roots, 2001 nodes, 2022027 bytes #53a51bf1"},
        {million, 0, true, too_deep},
        {million, 0, false, too_deep},
        {nested_transforms(1000000), 0, true, too_deep},
        {deep_body_instance(fit * 7 / 10, fit * 8 / 10), 0, true, "fatal: vrml_dupnode: nesting too deep for the stack (line 1)"},
        {prototype_bomb(3, 3), 0, false, "1 roots, 192 nodes, 250 bytes #39807120"},
        {prototype_bomb(10, 7), 20000, false, "fatal: v_d_n: node limit of 20000 reached: P3"},
        {nested_scripts(5), 0, false, "1 roots, 31 nodes, 494 bytes #be21f733"},
        {nested_scripts(40), 1000, false, "1 roots, 1000 nodes, 4 bytes #396fde24 | vpn.rsb failed x30"},
        {"Group { children [ Group { } Group { } ] }", 3, false, "1 roots, 3 nodes, 39 bytes #a0200979"},
        {"Group { children [ Group { } Group { } Shape { } ] }", 3, false, "fatal: v_d_n: node limit of 3 reached: Shape"},
        {"PROTO P [ ] { Group { children [ Group { } Group { } ] } } P { }", 5, false, "1 roots, 5 nodes, 62 bytes #2289a21b"},
        {"PROTO P [ ] { Group { children [ Group { } Group { } ] } } Group { } Group { } P { }", 5, false,
         "fatal: v_d_n: node limit of 5 reached: P"},
        {"WorldInfo { title \"" + std::string(200000, 'c') + "\" }", 0, false,
         "fatal: vrml_get_fieldname: Node name too long\n | Invalid SFString x1"},
        {list + " ] }", 0, false, "1 roots, 1 nodes, 13000034 bytes #f4352653"},
        {"PixelTexture { image 2147483647 2147483647 4 }", 0, false, "1 roots, 1 nodes, 29 bytes #f8e926f7 | Invalid SFImage x1"},
        {"PixelTexture { image 65536 65536 1 }", 0, false, "1 roots, 1 nodes, 29 bytes #f8e926f7 | Invalid SFImage x1"},
        {"PixelTexture { image 46341 46341 1 }", 0, false, "1 roots, 1 nodes, 29 bytes #f8e926f7 | Invalid SFImage x1"},
        {"PixelTexture { image 1 1 5 }", 0, false, "1 roots, 1 nodes, 29 bytes #f8e926f7 | Invalid SFImage x1"},
        {"PixelTexture { image -1 2 1 }", 0, false, "1 roots, 1 nodes, 29 bytes #f8e926f7 | Invalid SFImage x1"},
        {"PixelTexture { image 16384 16384 16 }", 0, false, "1 roots, 1 nodes, 29 bytes #f8e926f7 | Invalid SFImage x1"},
        {"PixelTexture { image 46340 46340 1 255 255 0 }", 0, false, "1 roots, 1 nodes, 29 bytes #f8e926f7 | Invalid SFImage x1"},
        {image + " }", 0, false, "1 roots, 1 nodes, 520923 bytes #8c7a7526"},
        {"WorldInfo { title \"" + std::string(65534, 'a') + "\" }", 0, false, "1 roots, 1 nodes, 65557 bytes #cc6b843f"},
        {"WorldInfo { title \"" + std::string(65535, 'b') + "\" }", 0, false, "1 roots, 1 nodes, 23 bytes #f6d83b11 | Invalid SFString x1 | Near line 1\n x1 | v_d_n: Bad field token x1 | vrml_get_fieldname: Invalid name: \"\n x1"},
        {"WorldInfo { info \"" + std::string(1 << 20, 'b') + "\" }", 0, false, "fatal: vrml_get_fieldname: Node name too long\n | Invalid SFString x1"},
    };
    for (const auto &row : rows) {
        std::string result;
        if (row.small_stack) run_on_one_mib([&] { result = load_and_print(row.text, row.limit); });
        else result = load_and_print(row.text, row.limit);
        EXPECT_EQ(result, row.expected) << row.text.substr(0, 80);
    }
}

// The exported readers' results at the size guards: -1 for an image header
// whose byte size would overflow or with too few pixels, -2 for a string
// past the length limit (the worlds above show what a load makes of them).
TEST(Hostile, ReadersRefuseValuesPastTheGuards) {
    const std::pair<std::string, int> rows[] = {
        {"2147483647 2147483647 4", -1}, {"46340 46340 1 255 255 0", -1}, {'"' + std::string(65535, 'b') + '"', -2}};
    for (const auto &[text, expected] : rows) {
        BareContext bare(text);
        LogCapture log;
        vrml_field value{};
        EXPECT_EQ(text[0] == '"' ? vrml_get_SFString(bare.get(), &value) : vrml_get_SFImage(bare.get(), &value),
                  expected) << text.substr(0, 30);
    }
}

// The node limit of a context wins over the process-wide one: the host's
// node creation fails past it, and EXTERNPROTO wiring skips the instances it
// cannot make.
TEST(Hostile, NodeLimitOfAContext) {
    LoadedScene scene("Group { }");
    vrml_context *ctx = scene.ctx;
    const int group = vrml_findnode(ctx->templates, "Group");
    std::string seen = std::to_string(vrml_setnodelimit(ctx, 3));
    auto made = [&seen](vrml_node *node) { seen += node ? " made" : " none"; };
    made(vrml_createnode(ctx, group));
    made(vrml_createnode_nc(ctx, group));
    made(vrml_createnode(ctx, group));
    made(vrml_createnode_nc(ctx, group));
    const int32_t wide = vrml_setnodelimit(nullptr, 100);
    made(vrml_createnode(ctx, group));
    vrml_setnodelimit(nullptr, wide);
    seen += " " + std::to_string(vrml_setnodelimit(ctx, 4));
    made(vrml_createnode(ctx, group));
    seen += " " + std::to_string(vrml_setnodelimit(ctx, 0));
    made(vrml_createnode(ctx, group));
    seen += " " + std::to_string(ctx->allnodes.count);
    EXPECT_EQ(seen, "0 made made none none none 3 made 4 made 5");

    LoadedScene world("EXTERNPROTO E [ ] \"e.wrl\" E { }");
    auto *ext = static_cast<vrml_externproto *>(world.ctx->externprotos.first->data);
    ext->implementation = group;
    const int before = world.ctx->allnodes.count;
    vrml_setnodelimit(world.ctx, before);
    EXPECT_EQ(vrml_wireEPtoP(world.ctx, ext), nullptr);
    EXPECT_EQ(world.ctx->allnodes.count, before);
}

// A chain of 200000 Groups built through the interface: printing it meets
// the stack guard; nothing overflows.
TEST(Hostile, PrintingADeepGraphMadeByTheHost) {
    run_on_one_mib([] {
        LoadedScene scene("");
        vrml_context *ctx = scene.ctx;
        const int group = vrml_findnode(ctx->templates, "Group");
        const int children = vrml_findfieldidx(ctx->templates, group, "children");
        vrml_node *top = vrml_createnode(ctx, group), *node = top;
        for (int i = 0; i < 200000; ++i) {
            vrml_field *list = vrml_allocfield(VRML_MFNODE), *ref = vrml_allocfield(VRML_SFNODE);
            ref->sfnode.node = vrml_createnode(ctx, group);
            vrml_listappend(&list->mfnode.nodes, ref);
            list->mfnode.count = 1;
            vrml_setnodefield(ctx->templates, node, list, children);
            node = ref->sfnode.node;
        }
        std::string message;
        EXPECT_TRUE(ends_fatally([ctx, top] { vrml_print_node(ctx, top); }, &message));
        EXPECT_EQ(message, "vrml_print_node: nesting too deep for the stack (line 1)");
    });
}

}  // namespace
