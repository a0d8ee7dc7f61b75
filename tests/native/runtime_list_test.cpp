// The runtime's lists, each compared with a standard container over random
// operations: the queues with std::deque, the ordered insertion and the
// insertion sort with std::stable_sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <random>
#include <vector>

#include "support/test_support.h"

namespace {

// The data of the chain at head, every back link checked.
std::vector<void *> chain(const vrml_listitem *head) {
    std::vector<void *> out;
    for (const vrml_listitem *it = head, *previous = nullptr; it; previous = it, it = it->next) {
        EXPECT_EQ(it->previous, previous) << "broken back link at " << out.size();
        out.push_back(it->data);
    }
    return out;
}

void free_chain(vrml_listitem *head) {
    for (vrml_listitem *next; head; head = next) {
        next = head->next;
        std::free(head);
    }
}

vrml_listitem *stale_item(void *data) {  // links the list operations must overwrite
    vrml_listitem *item = vrnrt_alloclist();
    item->data = data;
    item->next = item->previous = item;
    return item;
}

// vrnrt_list (append, enqueue, pop, unlink anywhere) and the vrml_list queue.
TEST(RuntimeList, QueuesMatchADeque) {
    std::mt19937 rng(7);
    int values[16];
    for (int round = 0; round < 100; ++round) {
        vrnrt_list list{};
        vrml_list core{};
        std::deque<void *> want, want_core;
        for (int op = 0; op < 40; ++op) {
            void *data = &values[rng() % 16];
            if (!list.head) list.count = 42;  // empty is a null head, whatever the count
            if (!core.first) core.count = 9;
            switch (rng() % 4) {
            case 0: ASSERT_EQ(vrnrt_listappend(&list, data), 0); want.push_back(data); break;
            case 1: vrnrt_listenq(&list, stale_item(data)); want.push_back(data); break;
            case 2:
                if (vrml_listitem *item = vrnrt_listpop(&list)) {
                    EXPECT_EQ(item->data, want.front());
                    EXPECT_TRUE(!item->next && !item->previous);
                    std::free(item);
                    want.pop_front();
                } else {
                    EXPECT_TRUE(want.empty());
                }
                break;
            default:
                if (!want.empty()) {
                    size_t at = rng() % want.size();
                    vrml_listitem *item = list.head;
                    for (size_t i = 0; i < at; ++i) item = item->next;
                    vrnrt_listdeleteitem(&list, item);
                    EXPECT_TRUE(!item->next && !item->previous);
                    std::free(item);
                    want.erase(want.begin() + static_cast<long>(at));
                }
            }
            if (rng() % 2) {
                ASSERT_EQ(vrml_nodelistenq(&core, stale_item(data)), 0);
                want_core.push_back(data);
            } else if (vrml_listitem *item = vrml_nodelistpop(&core)) {
                EXPECT_EQ(item->data, want_core.front());
                EXPECT_TRUE(!item->next && !item->previous);
                std::free(item);
                want_core.pop_front();
            }
            ASSERT_EQ(chain(list.head), std::vector<void *>(want.begin(), want.end()));
            ASSERT_EQ(chain(core.first), std::vector<void *>(want_core.begin(), want_core.end()));
            if (!want.empty()) {
                ASSERT_EQ(list.count, static_cast<int>(want.size()));
                ASSERT_TRUE(list.tail->data == want.back() && !list.tail->next);
            }
            if (!want_core.empty()) {
                ASSERT_EQ(core.count, static_cast<int>(want_core.size()));
                ASSERT_TRUE(core.last->data == want_core.back() && !core.last->next);
            }
        }
        free_chain(list.head);
        free_chain(core.first);
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
        for (size_t i = 0; i < n; ++i) {
            int32_t p = rng() % 3 ? static_cast<int32_t>(rng() % 5) - 2 : INT32_MIN + 1;
            entries[i].priority = natives[i].priority = p;
            plugins[i].entry = &entries[i];
            keys[i] = rng() % 8 ? p : INT64_MIN;  // no data
        }
        std::vector<size_t> order(n);
        for (size_t i = 0; i < n; ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
        for (int k = 0; k < 2; ++k) {
            auto data = [&](size_t i) -> void * {
                return keys[i] == INT64_MIN ? nullptr : k == 0 ? static_cast<void *>(&plugins[i]) : &natives[i];
            };
            std::vector<void *> sorted, given;
            for (size_t i : order) sorted.push_back(data(i));
            for (size_t i = 0; i < n; ++i) given.push_back(data(i));
            vrnrt_list list{}, plain{};
            vrml_listitem *head = nullptr;
            for (void *d : given) {
                ASSERT_EQ(kinds[k].append(&list, d), 0);
                kinds[k].insert(&head, stale_item(d));
                ASSERT_EQ(vrnrt_listappend(&plain, d), 0);
            }
            EXPECT_EQ(chain(list.head), sorted);
            EXPECT_EQ(list.count, static_cast<int>(n));
            EXPECT_EQ(chain(head), sorted);
            EXPECT_EQ(kinds[k].sort(&plain.head), std::is_sorted(keys.begin(), keys.end()) ? 0 : 1);
            EXPECT_EQ(chain(plain.head), sorted);
            EXPECT_EQ(kinds[k].sort(&plain.head), 0);
            for (vrml_listitem *h : {list.head, head, plain.head}) free_chain(h);
        }
    }
}

}  // namespace
