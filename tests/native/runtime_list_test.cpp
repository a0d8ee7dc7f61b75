// The runtime's lists: appends, queues, ordered insertion and the stable
// insertion sort, and the queue operations on vrml_list.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "support/test_support.h"

namespace {

// Walks a chain from its head, checking every back link, and returns the
// data pointers in order.
template <typename T>
std::vector<T *> chain(const vrml_listitem *head) {
    std::vector<T *> out;
    const vrml_listitem *previous = nullptr;
    for (const vrml_listitem *it = head; it; it = it->next) {
        EXPECT_EQ(it->previous, previous) << "broken back link at position " << out.size();
        out.push_back(static_cast<T *>(it->data));
        previous = it;
    }
    return out;
}

void free_chain(vrml_listitem *head) {
    while (head) {
        vrml_listitem *next = head->next;
        std::free(head);
        head = next;
    }
}

vrnrt_native native_with(int32_t priority) {
    vrnrt_native n{};
    n.priority = priority;
    return n;
}

TEST(RuntimeList, MallocGivesZeroedBlocks) {
    auto *p = static_cast<unsigned char *>(vrnrt_malloc(64));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(p[i], 0);
    std::free(p);
    void *empty = vrnrt_malloc(0);
    EXPECT_NE(empty, nullptr);
    std::free(empty);
    vrml_listitem *item = vrnrt_alloclist();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->data, nullptr);
    EXPECT_EQ(item->next, nullptr);
    EXPECT_EQ(item->previous, nullptr);
    std::free(item);
}

TEST(RuntimeList, AppendToEmptySetsCountToOne) {
    vrnrt_list list{};
    list.count = 42;  // a head of null means empty, whatever the count says
    int a = 0, b = 0;
    ASSERT_EQ(vrnrt_listappend(&list, &a), 0);
    EXPECT_EQ(list.count, 1);
    ASSERT_NE(list.head, nullptr);
    EXPECT_EQ(list.head, list.tail);
    ASSERT_EQ(vrnrt_listappend(&list, &b), 0);
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.tail->data, &b);
    EXPECT_EQ(chain<int>(list.head), (std::vector<int *>{&a, &b}));
    free_chain(list.head);
}

TEST(RuntimeList, EnqueueAndPopMakeAFirstInFirstOutQueue) {
    vrnrt_list list{};
    int v[3] = {};
    for (int &x : v) {
        vrml_listitem *item = vrnrt_alloclist();
        item->data = &x;
        item->next = item;  // stale links are overwritten
        vrnrt_listenq(&list, item);
    }
    EXPECT_EQ(list.count, 3);
    for (int &x : v) {
        vrml_listitem *item = vrnrt_listpop(&list);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->data, &x);
        EXPECT_EQ(item->next, nullptr);
        EXPECT_EQ(item->previous, nullptr);
        std::free(item);
    }
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
    EXPECT_EQ(vrnrt_listpop(&list), nullptr);
    EXPECT_EQ(list.count, 0);

    // The emptied list takes a new element as a well-formed list of one.
    ASSERT_EQ(vrnrt_listappend(&list, &v[0]), 0);
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(list.head, list.tail);
    EXPECT_EQ(list.head->next, nullptr);
    EXPECT_EQ(list.head->previous, nullptr);
    std::free(vrnrt_listpop(&list));
}

TEST(RuntimeList, DeleteItemUnlinksHeadMiddleAndTail) {
    vrnrt_list list{};
    int v[4] = {};
    for (int &x : v) ASSERT_EQ(vrnrt_listappend(&list, &x), 0);
    vrml_listitem *second = list.head->next;
    vrnrt_listdeleteitem(&list, second);
    EXPECT_EQ(second->next, nullptr);
    EXPECT_EQ(second->previous, nullptr);
    std::free(second);
    EXPECT_EQ(chain<int>(list.head), (std::vector<int *>{&v[0], &v[2], &v[3]}));

    vrml_listitem *head = list.head;
    vrnrt_listdeleteitem(&list, head);
    std::free(head);
    vrml_listitem *tail = list.tail;
    vrnrt_listdeleteitem(&list, tail);
    std::free(tail);
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(list.head, list.tail);
    EXPECT_EQ(list.head->data, &v[2]);
    EXPECT_EQ(chain<int>(list.head), (std::vector<int *>{&v[2]}));
    free_chain(list.head);
}

TEST(RuntimeList, OrderedAppendPutsEqualPrioritiesAfterEachOther) {
    vrnrt_nodeentry e5a{}, e1{}, e5b{}, e3{};
    e5a.priority = 5;
    e1.priority = 1;
    e5b.priority = 5;
    e3.priority = 3;
    vrnrt_pluginentry p5a{"a", &e5a, 1}, p1{"b", &e1, 2}, p5b{"c", &e5b, 3}, p3{"d", &e3, 4};
    vrnrt_list list{};
    for (vrnrt_pluginentry *p : {&p5a, &p1, &p5b, &p3}) ASSERT_EQ(vrnrt_pc_sortlistappend(&list, p), 0);
    EXPECT_EQ(list.count, 4);
    EXPECT_EQ(list.tail, nullptr);  // ordered lists do not keep their tail
    EXPECT_EQ(chain<vrnrt_pluginentry>(list.head),
              (std::vector<vrnrt_pluginentry *>{&p1, &p3, &p5a, &p5b}));
    free_chain(list.head);

    vrnrt_native n5a = native_with(5), n1 = native_with(1), n5b = native_with(5),
                 n3 = native_with(3), nlow = native_with(-7);
    vrnrt_list natives{};
    for (vrnrt_native *n : {&n5a, &n1, &n5b, &n3, &nlow})
        ASSERT_EQ(vrnrt_node_sortlistappend(&natives, n), 0);
    EXPECT_EQ(natives.count, 5);
    EXPECT_EQ(chain<vrnrt_native>(natives.head),
              (std::vector<vrnrt_native *>{&nlow, &n1, &n3, &n5a, &n5b}));
    free_chain(natives.head);
}

TEST(RuntimeList, OrderedInsertionIntoAnEmptyChainClearsTheLinks) {
    vrnrt_native n = native_with(0);
    vrml_listitem *head = nullptr;
    vrml_listitem *item = vrnrt_alloclist();
    item->data = &n;
    item->next = item->previous = item;
    vrnrt_node_isortitem(&head, item);
    EXPECT_EQ(head, item);
    EXPECT_EQ(item->next, nullptr);
    EXPECT_EQ(item->previous, nullptr);
    std::free(item);
}

// Builds a chain in the given order without sorting.
vrml_listitem *unsorted(std::vector<void *> data) {
    vrnrt_list list{};
    for (void *d : data) EXPECT_EQ(vrnrt_listappend(&list, d), 0);
    return list.head;
}

TEST(RuntimeList, InsertionSortIsStable) {
    vrnrt_native a2 = native_with(2), b1 = native_with(1), c2 = native_with(2), d0 = native_with(0);
    vrml_listitem *head = unsorted({&a2, &b1, &c2, &d0});
    EXPECT_EQ(vrnrt_node_isortlist(&head), 1);
    EXPECT_EQ(chain<vrnrt_native>(head), (std::vector<vrnrt_native *>{&d0, &b1, &a2, &c2}));
    EXPECT_EQ(vrnrt_node_isortlist(&head), 0);
    EXPECT_EQ(chain<vrnrt_native>(head), (std::vector<vrnrt_native *>{&d0, &b1, &a2, &c2}));
    free_chain(head);

    // An element that moves to the middle lands after the last smaller key.
    vrnrt_native e1 = native_with(1), f3 = native_with(3), g3 = native_with(3), h2 = native_with(2);
    head = unsorted({&e1, &f3, &g3, &h2});
    EXPECT_EQ(vrnrt_node_isortlist(&head), 1);
    EXPECT_EQ(chain<vrnrt_native>(head), (std::vector<vrnrt_native *>{&e1, &h2, &f3, &g3}));
    free_chain(head);

    vrnrt_nodeentry k9{}, k4{}, k4b{};
    k9.priority = 9;
    k4.priority = 4;
    k4b.priority = 4;
    vrnrt_pluginentry p9{"x", &k9, 1}, p4{"y", &k4, 2}, p4b{"z", &k4b, 3};
    head = unsorted({&p9, &p4, &p4b});
    EXPECT_EQ(vrnrt_pc_isortlist(&head), 1);
    EXPECT_EQ(chain<vrnrt_pluginentry>(head), (std::vector<vrnrt_pluginentry *>{&p4, &p4b, &p9}));
    EXPECT_EQ(vrnrt_pc_isortlist(&head), 0);
    free_chain(head);
}

TEST(RuntimeList, InsertionSortOfShortChainsReturnsZero) {
    vrml_listitem *head = nullptr;
    EXPECT_EQ(vrnrt_node_isortlist(&head), 0);
    EXPECT_EQ(vrnrt_pc_isortlist(&head), 0);
    vrnrt_native one = native_with(3);
    head = unsorted({&one});
    EXPECT_EQ(vrnrt_node_isortlist(&head), 0);
    EXPECT_EQ(chain<vrnrt_native>(head), (std::vector<vrnrt_native *>{&one}));
    free_chain(head);
}

TEST(RuntimeList, ElementsWithoutDataSortFirst) {
    vrnrt_native n = native_with(INT32_MIN + 1);
    vrml_listitem *head = unsorted({&n, nullptr});
    EXPECT_EQ(vrnrt_node_isortlist(&head), 1);
    EXPECT_EQ(chain<vrnrt_native>(head), (std::vector<vrnrt_native *>{nullptr, &n}));
    free_chain(head);
}

TEST(RuntimeList, NodeListQueueOnTheCoreList) {
    EXPECT_EQ(vrml_nodelistpop(nullptr), nullptr);
    vrml_list list{};
    EXPECT_EQ(vrml_nodelistpop(&list), nullptr);
    int v[2] = {};
    for (int &x : v) {
        vrml_listitem *item = vrnrt_alloclist();
        item->data = &x;
        EXPECT_EQ(vrml_nodelistenq(&list, item), 0);
    }
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.last->data, &v[1]);
    vrml_listitem *first = vrml_nodelistpop(&list);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->data, &v[0]);
    EXPECT_EQ(first->next, nullptr);
    EXPECT_EQ(list.first->previous, nullptr);
    vrml_listitem *second = vrml_nodelistpop(&list);
    EXPECT_EQ(second->data, &v[1]);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.first, nullptr);
    EXPECT_EQ(list.last, second);  // left as it was; the next enqueue resets it

    list.count = 9;
    EXPECT_EQ(vrml_nodelistenq(&list, first), 0);
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(list.first, first);
    EXPECT_EQ(list.last, first);
    EXPECT_EQ(first->previous, nullptr);
    std::free(first);
    std::free(second);
}

}  // namespace
