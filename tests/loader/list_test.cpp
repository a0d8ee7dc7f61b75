#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <random>
#include <thread>

#include "fields/field_internal.h"
#include "loader/memory.h"
#include "loader/side_records.h"
#include "support/test_support.h"

namespace {

// Both link directions of a list, which must agree, and its count.
std::vector<int *> items(const vrml_list &list) {
    std::vector<int *> out, back;
    for (vrml_listitem *it = list.first; it; it = it->next) out.push_back(static_cast<int *>(it->data));
    for (vrml_listitem *it = list.last; it; it = it->previous) back.insert(back.begin(), static_cast<int *>(it->data));
    EXPECT_EQ(back, out);
    EXPECT_EQ(list.count, static_cast<int>(out.size()));
    return out;
}

vrml_listitem *item_at(const vrml_list &list, long k) {
    vrml_listitem *it = list.first;
    while (k-- > 0) it = it->next;
    return it;
}

// Random list operations on the library's list and on a vector, compared
// after every step, with what each operation returns.
TEST(List, RandomOperationsMatchAVector) {
    int values[6] = {};
    std::mt19937 random(5);
    for (int round = 0; round < 40; ++round) {
        vrml_list list{};
        std::vector<int *> model;
        for (int step = 0; step < 200; ++step) {
            int *v = &values[random() % 6];
            auto found = std::find(model.begin(), model.end(), v);
            vrml_listitem *first = found == model.end() ? nullptr : item_at(list, found - model.begin());
            long k = static_cast<long>(random() % (model.size() + 1));
            vrml_listitem *taken = nullptr;
            unsigned op = random() % 7;
            switch (op) {
                case 0: ASSERT_EQ(vrml_listappend(&list, v), 0); model.push_back(v); break;
                case 1: ASSERT_EQ(vrml_nodelistappend(&list, v), 0); model.push_back(v); break;
                case 2: ASSERT_EQ(vrml_findlistdata(&list, v), first); break;
                case 3: ASSERT_EQ(vrml_listdelete(&list, v), first ? v : nullptr); break;
                case 4: ASSERT_EQ(taken = vrml_listdeleteitemdata(&list, v), first); break;
                case 5:
                    if (k == static_cast<long>(model.size())) break;
                    (k % 2 ? vrml_listdeleteitem : vrml_nodelistdeleteitem)(&list, taken = item_at(list, k));
                    found = model.begin() + k;
                    break;
                default: {  // a copy shares the data; copying nothing empties it
                    vrml_list copy{};
                    ASSERT_EQ(vrml_dup_list(&copy, &list), static_cast<int>(model.size()));
                    ASSERT_EQ(items(copy), model);
                    vrml_list all = copy;
                    ASSERT_EQ(vrml_dup_list(&copy, nullptr), 0);
                    ASSERT_EQ(copy.first, nullptr);
                    while (all.first) vrml_listdelete(&all, all.first->data);
                }
            }
            if (taken || (first && op == 3)) model.erase(found);
            ASSERT_TRUE(!taken || (!taken->next && !taken->previous));
            std::free(taken);
            ASSERT_EQ(items(list), model);
            ASSERT_EQ(list.first == nullptr, list.last == nullptr);
        }
        while (list.first) vrml_listdelete(&list, list.first->data);
    }
}

TEST(Memory, ArraySizeThatOverflowsGivesNull) {  // (sizes that fit: the list indexes)
    EXPECT_TRUE(!vrml_malloc_array(SIZE_MAX / 2 + 1, 2) && !vrml_malloc_array(SIZE_MAX, SIZE_MAX));
}

// Random lookups, creations and takes of the words kept beside records,
// against a map: a word keeps its address and value until it is taken.
TEST(SideRecords, RandomLookupsAndTakesMatchAMap) {
    int records[6] = {};
    std::map<int *, void **> model;
    std::mt19937 random(3);
    for (int step = 0; step < 3000; ++step) {
        int *r = &records[random() % (step < 1500 ? 6 : 2)];
        auto known = model.find(r);
        int op = static_cast<int>(random() % 4);
        if (op == 0) {
            void *held = known == model.end() ? nullptr : *known->second;
            ASSERT_EQ(vrml_side_take(r), held);
            model.erase(r);
            continue;
        }
        void **word = vrml_side_word(r, op == 1);
        if (known != model.end() || op != 1) {
            ASSERT_EQ(word, known != model.end() ? known->second : nullptr);
            continue;
        }
        ASSERT_NE(word, nullptr);
        ASSERT_EQ(*word, nullptr);
        *word = &records[step % 6];
        model[r] = word;
    }
    for (int &r : records) vrml_side_take(&r);
}

TEST(SideRecords, ATakeOnOneThreadIsSeenByAnother) {
    int record = 0;
    void **word = vrml_side_word(&record, true);
    std::atomic<int> phase{0};
    void **seen_before = nullptr, **seen_after = word;
    std::thread other([&] {
        seen_before = vrml_side_word(&record, false);  // now remembered there
        phase.store(1);
        while (phase.load() != 2) std::this_thread::yield();
        seen_after = vrml_side_word(&record, false);
    });
    while (phase.load() != 1) std::this_thread::yield();
    vrml_side_take(&record);
    phase.store(2);
    other.join();
    EXPECT_EQ(seen_before, word);
    EXPECT_EQ(seen_after, nullptr);
}

}  // namespace
