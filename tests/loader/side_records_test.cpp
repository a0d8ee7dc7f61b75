#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "loader/side_records.h"

namespace {

TEST(SideRecords, AWordLivesUntilTakenAndIsNotSeenAfterwards) {
    int record = 0;
    EXPECT_EQ(vrml_side_word(&record, false), nullptr);
    void **word = vrml_side_word(&record, true);
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(*word, nullptr);
    *word = &record;
    EXPECT_EQ(vrml_side_word(&record, false), word);
    EXPECT_EQ(vrml_side_word(&record, true), word);
    EXPECT_EQ(vrml_side_take(&record), &record);
    // The last lookup is remembered; the take must still be seen.
    EXPECT_EQ(vrml_side_word(&record, false), nullptr);
    EXPECT_EQ(vrml_side_take(&record), nullptr);
    // A new record at the same address starts with an empty word.
    void **again = vrml_side_word(&record, true);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(*again, nullptr);
    EXPECT_EQ(vrml_side_take(&record), nullptr);
}

TEST(SideRecords, RecordsLookedUpInTurnKeepTheirOwnWords) {
    int records[6] = {};
    void **words[6];
    for (int i = 0; i < 6; ++i) {
        words[i] = vrml_side_word(&records[i], true);
        ASSERT_NE(words[i], nullptr);
        *words[i] = &records[i];
    }
    for (int round = 0; round < 4; ++round)
        for (int i : {0, 1, 0, 2, 5, 1, 2, 3, 4, 2, 0, 5})
            ASSERT_EQ(vrml_side_word(&records[i], false), words[i]) << round << " " << i;
    EXPECT_EQ(vrml_side_take(&records[1]), &records[1]);
    EXPECT_EQ(vrml_side_word(&records[0], false), words[0]);
    EXPECT_EQ(vrml_side_word(&records[1], false), nullptr);
    EXPECT_EQ(vrml_side_word(&records[2], false), words[2]);
    for (int i : {0, 2, 3, 4, 5}) EXPECT_EQ(vrml_side_take(&records[i]), &records[i]);
}

TEST(SideRecords, ATakeOnOneThreadIsSeenByAnother) {
    int record = 0;
    void **word = vrml_side_word(&record, true);
    ASSERT_NE(word, nullptr);
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
