// DEF names at scale: N nodes each bound to its own DEF name in scope 0,
// then each name used once (found by name, entry fetched by index), as a
// world of N DEF and N USE statements does. Reports the time per DEF, and
// the time per lookup when each lookup follows a removal from another list
// (as when a run-time route is deleted between two lookups).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "loader/memory.h"
#include "nodes/node_internal.h"
#include "scopes/scope_internal.h"
#include "zebvrml2.h"

namespace {

vrml_context *g_ctx;

// A DEF table of n entries Node_0 ... Node_n-1 bound to node.
vrml_deftable *make_table(int n, vrml_node *node, std::vector<char *> &names) {
    auto *table = static_cast<vrml_deftable *>(vrml_createnamespace());
    names.assign(static_cast<size_t>(n), nullptr);
    char text[32];
    for (int i = 0; i < n; ++i) {
        std::snprintf(text, sizeof text, "Node_%d", i);
        vrml_savestring(&names[static_cast<size_t>(i)], text);
        vrml_adddef(table, names[static_cast<size_t>(i)], node);
    }
    return table;
}

// Releases a table made here with its names.
void drop_table(vrml_deftable *table) {
    for (vrml_listitem *it = table->defs.first, *next; it; it = next) {
        next = it->next;
        std::free(static_cast<vrml_defentry *>(it->data)->name);
        std::free(it->data);
        std::free(it);
    }
    vrml_deftable_releaseindex(table);
    std::free(table);
}

// One run: N DEFs and N USEs on a fresh DEF table. With nodes, each DEF
// also creates its Group node (bound to the entry); without, the entries
// are bound to one existing node. Returns ns per DEF.
double run(int n, bool nodes) {
    auto *table = static_cast<vrml_deftable *>(vrml_createnamespace());
    vrml_deftable *saved = g_ctx->deftable;
    g_ctx->deftable = table;
    vrml_node *shared = vrml_createnode(g_ctx, 19);
    std::vector<char *> names(static_cast<size_t>(n));
    char text[32];
    for (int i = 0; i < n; ++i) {
        std::snprintf(text, sizeof text, "Node_%d", i);
        vrml_savestring(&names[static_cast<size_t>(i)], text);
    }
    long long check = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {  // DEF Node_i Group { }
        char *name = names[static_cast<size_t>(i)];
        if (nodes) {
            vrml_adddef(table, name, nullptr);
            vrml_createdefnode(g_ctx, 19, vrml_getdefentry(table, i));
        } else {
            vrml_adddef(table, name, shared);
        }
    }
    for (int i = 0; i < n; ++i) {  // USE Node_i
        int k = vrml_finddefidx(table, names[static_cast<size_t>(i)]);
        check += vrml_getdefentry(table, k)->node != nullptr ? k : -1;
    }
    auto end = std::chrono::steady_clock::now();
    if (check != static_cast<long long>(n) * (n - 1) / 2) {
        std::fprintf(stderr, "wrong lookups\n");
        std::exit(1);
    }
    // Nodes stay with the context (released with the scene); the table goes.
    drop_table(table);
    g_ctx->deftable = saved;
    return std::chrono::duration<double, std::nano>(end - start).count() / n;
}

// k lookups in a table of n DEFs (found by name, entry fetched by index),
// each after an item is appended to and removed from another list when
// removals is set. The names are 64 spread over the table, looked up in
// turn: they stay in the caches, so that sizes compare the lookups rather
// than the cache misses of tables larger than the caches. Returns ns per
// lookup.
double lookups(int n, int k, bool removals) {
    std::vector<char *> names;
    vrml_deftable *table = make_table(n, nullptr, names);
    vrml_finddefidx(table, names[0]);  // index the table first
    vrml_list other{};
    int marker = 0;
    long long check = 0, expected = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < k; ++i) {
        if (removals) {
            vrml_listappend(&other, &marker);
            vrml_listitem *item = other.last;
            vrml_listdeleteitem(&other, item);
            std::free(item);
        }
        int want = static_cast<int>(static_cast<long long>(i % 64) * n / 64);
        int found = vrml_finddefidx(table, names[static_cast<size_t>(want)]);
        check += vrml_getdefentry(table, found) ? found : -1;
        expected += want;
    }
    auto end = std::chrono::steady_clock::now();
    if (check != expected) {
        std::fprintf(stderr, "wrong lookups\n");
        std::exit(1);
    }
    drop_table(table);
    return std::chrono::duration<double, std::nano>(end - start).count() / k;
}

}  // namespace

// Optional argument: the number of lookups per size in the removal table
// (2000 by default).
int main(int argc, char **argv) {
    vrml_stream in{}, out{};
    zeb_initstringstream(&in, nullptr, 0);
    zeb_initbufferstream(&out);
    g_ctx = vrmlutil_loadscene(&in, &out);
    std::printf("%10s %22s %22s\n", "DEFs", "ns per DEF (names)", "ns per DEF (+ node)");
    for (int n : {1000, 10000, 100000, 1000000}) {
        // Small sizes run several times; the best run counts.
        int rounds = n >= 100000 ? 3 : 20;
        double names = 1e300, nodes = 1e300;
        for (int r = 0; r < rounds; ++r) {
            double t = run(n, false);
            if (t < names) names = t;
        }
        nodes = run(n, true);
        std::printf("%10d %22.1f %22.1f\n", n, names, nodes);
    }
    const int kLookups = argc > 1 ? std::atoi(argv[1]) : 2000;
    std::printf("\n%10s %22s %22s\n", "DEFs", "ns per lookup", "after a removal");
    for (int n : {1000, 10000, 100000, 1000000}) {
        double plain = 1e300, removed = 1e300;
        for (int r = 0; r < (n >= 100000 ? 1 : 3); ++r) {
            double t = lookups(n, kLookups, false);
            if (t < plain) plain = t;
            t = lookups(n, kLookups, true);
            if (t < removed) removed = t;
        }
        std::printf("%10d %22.1f %22.1f\n", n, plain, removed);
    }
    return 0;
}
