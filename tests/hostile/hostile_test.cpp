// Hostile input: the fuzzer's findings, deep nesting, resource bombs and the
// node limit. Each load ends normally or through vrml_fatal_err with an exact
// message, within the stack it runs on.
#include <array>
#include <chrono>
#include <fstream>
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

// text with each <N*PART> replaced by PART repeated N times.
std::string expand(const std::string &text) {
    std::string all;
    size_t at = 0;
    for (size_t open; (open = text.find('<', at)) != std::string::npos; at = text.find('>', open) + 1) {
        const size_t star = text.find('*', open);
        all += text.substr(at, open - at);
        for (int n = std::stoi(text.substr(open + 1)); n > 0; --n) all += text.substr(star + 1, text.find('>', star) - star - 1);
    }
    return all + text.substr(at);
}
std::string nested_groups(int n, const std::string &inner = "") {
    const std::string times = "<" + std::to_string(n) + "*";
    return expand(times + "Group { children [ >" + inner + times + "] } >");
}

#ifdef _WIN32
DWORD WINAPI thread_main(LPVOID fn) {
#else
void *thread_main(void *fn) {
#endif
    (*static_cast<const std::function<void()> *>(fn))();
    return 0;
}

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
// it: "fatal: MESSAGE" or "R roots, N nodes, " and the size and hash of the
// print, then the problems logged, each once with its count.
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
    for (size_t at; (at = result.find('\n')) != std::string::npos;) result.replace(at, 1, "\\n");
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

// The worlds of tests/data/hostile/worlds.txt (deep nesting, prototypes
// that multiply nodes, the node limit, size guards of images, lists and
// strings), and a prototype body copied where the reading already went deep,
// which meets the stack guard in the copy.
TEST(Hostile, WorldsEndNormallyOrThroughTheFatalExit) {
    const int fit = levels_read_in_one_mib();
    std::vector<std::array<std::string, 4>> rows = {
        {"1MiB", "0", "PROTO Deep [ ] { " + nested_groups(fit * 7 / 10) + " } " + nested_groups(fit * 8 / 10, "Deep { }"),
         "fatal: vrml_dupnode: nesting too deep for the stack (line 1)"}};
    std::ifstream file(std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/hostile/worlds.txt");
    for (std::string line, stack, limit, world; std::getline(file, line);) {
        if (line.rfind("= ", 0) == 0) rows.push_back({stack, limit, world, line.substr(2)});
        else if (!line.empty() && line[0] != '#') {
            const size_t a = line.find(' '), b = line.find(' ', a + 1);
            stack = line.substr(0, a);
            limit = line.substr(a + 1, b - a - 1);
            world = line.substr(b + 1);
        }
    }
    ASSERT_GT(rows.size(), 20u);
    for (const auto &[stack, limit, world, expected] : rows) {
        std::string result;
        const std::string text = world[0] == '@' ? read_file(std::string(ZEBVRML2_SOURCE_DIR) + "/tests/hostile/" + world.substr(1))
                                                 : expand(world);
        const auto start = std::chrono::steady_clock::now();
        const int32_t n = std::stoi(limit);
        if (stack == "1MiB") run_on_one_mib([&result, &text, n] { result = load_and_print(text, n); });
        else result = load_and_print(text, n);
        EXPECT_EQ(result, expected) << world.substr(0, 80);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << world.substr(0, 80);
    }
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
