// The runtime's lists, each compared with a standard container over random
// operations: the queues with std::deque, the ordered insertion and the
// insertion sort with std::stable_sort.
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <random>

#include "support/test_support.h"

namespace {

// The data of the chain at head (every back link checked), which is freed.
std::vector<void *> take(vrml_listitem *head) {
    std::vector<void *> out;
    std::vector<vrml_listitem *> items;
    for (vrml_listitem *it = head; it; it = it->next) {
        EXPECT_EQ(it->previous, items.empty() ? nullptr : items.back()) << "broken back link at " << out.size();
        items.push_back(it);
        out.push_back(it->data);
    }
    for (vrml_listitem *it : items) std::free(it);
    return out;
}

vrml_listitem *stale_item(void *data) {  // with links the list operations must overwrite
    vrml_listitem *item = vrnrt_alloclist();
    item->data = data;
    item->next = item->previous = item;
    return item;
}

// The item taken out must be the model's first (or, with no item, the
// model empty), unlinked.
void check_popped(vrml_listitem *item, std::deque<void *> &want) {
    ASSERT_EQ(item != nullptr, !want.empty());
    if (!item) return;
    EXPECT_TRUE(item->data == want.front() && !item->next && !item->previous);
    want.pop_front();
    std::free(item);
}

// vrnrt_list (append, enqueue, pop, unlink anywhere) and the vrml_list queue;
// an empty list is a null head, whatever its count says.
TEST(RuntimeList, QueuesMatchADeque) {
    std::mt19937 rng(7);
    int values[16];
    for (int round = 0; round < 100; ++round) {
        vrnrt_list list{};
        vrml_list core{};
        std::deque<void *> want, want_core;
        for (int op = 0; op < 40; ++op) {
            void *data = &values[rng() % 16];
            if (!list.head) list.count = 42;
            if (!core.first) core.count = 9;
            int what = static_cast<int>(rng() % 4);
            if (what == 0 && vrnrt_listappend(&list, data) != 0) FAIL() << "no element";
            if (what == 1) vrnrt_listenq(&list, stale_item(data));
            if (what < 2) want.push_back(data);
            if (what == 2) check_popped(vrnrt_listpop(&list), want);
            if (what == 3 && !want.empty()) {
                long at = static_cast<long>(rng() % want.size());
                vrml_listitem *item = list.head;
                for (long i = 0; i < at; ++i) item = item->next;
                vrnrt_listdeleteitem(&list, item);
                want.erase(want.begin() + at);
                EXPECT_TRUE(!item->next && !item->previous);
                std::free(item);
            }
            if (rng() % 2) {
                ASSERT_EQ(vrml_nodelistenq(&core, stale_item(data)), 0);
                want_core.push_back(data);
            } else {
                check_popped(vrml_nodelistpop(&core), want_core);
            }
            ASSERT_EQ(want.empty() ? 0 : list.count, static_cast<int>(want.size()));
            ASSERT_EQ(want_core.empty() ? 0 : core.count, static_cast<int>(want_core.size()));
            ASSERT_TRUE(want.empty() || (list.tail->data == want.back() && !list.tail->next));
            ASSERT_TRUE(want_core.empty() || (core.last->data == want_core.back() && !core.last->next));
        }
        EXPECT_EQ(take(list.head), std::vector<void *>(want.begin(), want.end()));
        EXPECT_EQ(take(core.first), std::vector<void *>(want_core.begin(), want_core.end()));
    }
    EXPECT_EQ(vrml_nodelistpop(nullptr), nullptr);
}

// Plug-in entries and natives by priority, equal keys in insertion order,
// elements without data first: the ordered append, the insertion of stale
// items and the sort of an unordered chain (1 when an element moved).
TEST(RuntimeList, OrderedListsMatchStableSort) {
    struct Kind {
        int (*append)(vrnrt_list *, void *);
        void (*insert)(vrml_listitem **, vrml_listitem *);
        int (*sort)(vrml_listitem **);
    };
    const Kind kinds[] = {
        {[](vrnrt_list *l, void *d) { return vrnrt_pc_sortlistappend(l, static_cast<vrnrt_pluginentry *>(d)); },
         vrnrt_pc_isortitem, vrnrt_pc_isortlist},
        {[](vrnrt_list *l, void *d) { return vrnrt_node_sortlistappend(l, static_cast<vrnrt_native *>(d)); },
         vrnrt_node_isortitem, vrnrt_node_isortlist}};
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        size_t n = rng() % 10;
        std::vector<vrnrt_nodeentry> entries(n);
        std::vector<vrnrt_pluginentry> plugins(n);
        std::vector<vrnrt_native> natives(n);
        std::vector<int64_t> keys(n);
        std::vector<size_t> order(n);
        for (size_t i = 0; i < n; ++i) {
            int32_t p = rng() % 3 ? static_cast<int32_t>(rng() % 5) - 2 : INT32_MIN + 1;
            entries[i].priority = natives[i].priority = p;
            plugins[i].entry = &entries[i];
            keys[i] = rng() % 8 ? p : INT64_MIN;  // no data
            order[i] = i;
        }
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
        for (int k = 0; k < 2; ++k) {
            auto data = [&](size_t i) -> void * {
                return keys[i] == INT64_MIN ? nullptr : k == 0 ? static_cast<void *>(&plugins[i]) : &natives[i];
            };
            std::vector<void *> sorted;
            for (size_t i : order) sorted.push_back(data(i));
            vrnrt_list list{}, plain{};
            vrml_listitem *head = nullptr;
            for (size_t i = 0; i < n; ++i) {
                ASSERT_EQ(kinds[k].append(&list, data(i)), 0);
                kinds[k].insert(&head, stale_item(data(i)));
                ASSERT_EQ(vrnrt_listappend(&plain, data(i)), 0);
            }
            EXPECT_EQ(list.count, static_cast<int>(n));
            EXPECT_EQ(list.tail, nullptr);  // ordered lists are walked from the head only
            EXPECT_EQ(kinds[k].sort(&plain.head), std::is_sorted(keys.begin(), keys.end()) ? 0 : 1);
            EXPECT_EQ(kinds[k].sort(&plain.head), 0);
            for (vrml_listitem *h : {list.head, head, plain.head}) EXPECT_EQ(take(h), sorted);
        }
    }
}

}  // namespace
