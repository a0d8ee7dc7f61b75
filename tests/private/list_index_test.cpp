// The position and name indexes beside DEF tables and the scope list,
// checked against a plain walk of each list under random appends, removals
// from the indexed lists and removals from other lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "support/loaded_scene.h"

namespace {

// The position of the last entry of defs with that name, or -1.
int walk_find(const vrml_list &defs, const char *name) {
    int found = -1, pos = 0;
    for (const vrml_listitem *it = defs.first; it; it = it->next, ++pos) {
        auto *entry = static_cast<const vrml_defentry *>(it->data);
        if (std::strcmp(entry->name, name) == 0) found = pos;
    }
    return found;
}

// The data of the item at pos of list, or null.
void *walk_at(const vrml_list &list, int pos) {
    const vrml_listitem *it = pos >= 0 ? list.first : nullptr;
    for (; it && pos > 0; --pos) it = it->next;
    return it ? it->data : nullptr;
}

// The item at the first, the last or a random position of a non-empty list.
vrml_listitem *pick(const vrml_list &list, std::mt19937 &rng) {
    int pos = 0;
    switch (rng() % 3) {
    case 0: break;
    case 1: pos = list.count - 1; break;
    default: pos = static_cast<int>(rng() % static_cast<unsigned>(list.count)); break;
    }
    vrml_listitem *it = list.first;
    for (; pos > 0; --pos) it = it->next;
    return it;
}

char *random_name(std::mt19937 &rng) {
    std::string text = "N" + std::to_string(rng() % 40);  // N30..N39 are rarely present
    char *name = static_cast<char *>(std::malloc(text.size() + 1));
    std::memcpy(name, text.c_str(), text.size() + 1);
    return name;
}

// Appends an entry of a random name to table (which takes the name over).
void append(vrml_deftable *table, std::mt19937 &rng) {
    const int count = vrml_adddef(table, random_name(rng), nullptr);
    ASSERT_EQ(count, table->defs.count);
}

TEST(ListIndexes, AnswerAsAWalkOfTheListUnderRandomChanges) {
    for (unsigned round = 1; round <= 16; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        LoadedScene scene("");
        vrml_context *ctx = scene.ctx;
        const int second = vrml_newscope(ctx);
        vrml_deftable *tables[2] = {ctx->deftable, vrml_getscopeentry(ctx, second)->deftable};
        vrml_list other{};  // a list without an index
        int marker = 0;
        std::mt19937 rng(round);
        for (int step = 0; step < 4000; ++step) {
            SCOPED_TRACE("step " + std::to_string(step));
            vrml_deftable *table = tables[rng() % 2];
            vrml_list &defs = table->defs;
            switch (rng() % 11) {
            case 0:
            case 1:
                ASSERT_NO_FATAL_FAILURE(append(table, rng));
                break;
            case 2:
            case 3:
                if (defs.count > 0) {
                    // Removed and freed in a random order; then, half the
                    // time, a new entry comes in at once, so that the
                    // allocator may hand the same blocks out again (the
                    // list looks as before but names another entry).
                    vrml_listitem *item = pick(defs, rng);
                    auto *entry = static_cast<vrml_defentry *>(item->data);
                    vrml_listdeleteitem(&defs, item);
                    void *blocks[3] = {entry->name, entry, item};
                    std::shuffle(blocks, blocks + 3, rng);
                    for (void *block : blocks) std::free(block);
                    if (rng() % 2) {
                        ASSERT_NO_FATAL_FAILURE(append(table, rng));
                    }
                }
                break;
            case 4:  // an item through another list: the freed item's block
                     // may come back for the next append to an indexed list
                vrml_listappend(&other, &marker);
                std::free(vrml_listdeleteitemdata(&other, &marker));
                break;
            case 5:
                if (rng() % 2 && ctx->scopes.count < 24) {
                    const int id = vrml_newscope(ctx);
                    ASSERT_EQ(id, ctx->scopes.count - 1);
                } else if (ctx->scopes.count > 2) {
                    // Scope 0 and the second table's scope stay listed; the
                    // others stay declared (released with the scene).
                    vrml_listitem *item = pick(ctx->scopes, rng);
                    if (item->data == walk_at(ctx->scopes, 0) ||
                        static_cast<vrml_scope *>(item->data)->deftable == tables[1])
                        break;
                    vrml_listdeleteitem(&ctx->scopes, item);
                    std::free(item);
                }
                break;
            default: {
                char *name = random_name(rng);
                ASSERT_EQ(vrml_finddefidx(table, name), walk_find(defs, name)) << name;
                std::free(name);
                const int pos = static_cast<int>(rng() % static_cast<unsigned>(defs.count + 2)) - 1;
                ASSERT_EQ(vrml_getdefentry(table, pos), walk_at(defs, pos)) << pos;
                const int id =
                    static_cast<int>(rng() % static_cast<unsigned>(ctx->scopes.count + 2)) - 1;
                ASSERT_EQ(vrml_getscopeentry(ctx, id), walk_at(ctx->scopes, id)) << id;
            }
            }
        }
    }
}

}  // namespace
