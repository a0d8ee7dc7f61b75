// The position and name indexes beside DEF tables and the scope list,
// checked against a plain walk of each list under random changes: appends
// one by one and in batches of many sizes (some entries without a name),
// removals from the indexed lists and from other lists, and counts the host
// set wrong.
#include <algorithm>
#include <cstring>
#include <random>

#include "support/loaded_scene.h"

namespace {

// The position of the last entry of defs with that name, or -1.
int walk_find(const vrml_list &defs, const char *name) {
    int found = -1, pos = 0;
    for (const vrml_listitem *it = defs.first; it; it = it->next, ++pos) {
        const char *entry = static_cast<const vrml_defentry *>(it->data)->name;
        if (entry && std::strcmp(entry, name) == 0) found = pos;
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
    const unsigned kind = rng() % 3;
    int pos = kind == 0 ? 0 : kind == 1 ? list.count - 1 : static_cast<int>(rng() % static_cast<unsigned>(list.count));
    vrml_listitem *it = list.first;
    for (; pos > 0; --pos) it = it->next;
    return it;
}

char *random_name(std::mt19937 &rng) {  // N30..N39 are rarely present; one in ten none
    if (rng() % 10 == 0) return nullptr;
    std::string text = "N" + std::to_string(rng() % 40);
    return static_cast<char *>(std::memcpy(std::malloc(text.size() + 1), text.c_str(), text.size() + 1));
}

// Removes the item and frees its blocks in a random order, so that the
// allocator may hand them out again for the next append (the list then looks
// as before but names another entry).
void remove(vrml_list &defs, vrml_listitem *item, std::mt19937 &rng) {
    auto *entry = static_cast<vrml_defentry *>(item->data);
    vrml_listdeleteitem(&defs, item);
    void *blocks[3] = {entry->name, entry, item};
    std::shuffle(blocks, blocks + 3, rng);
    for (void *block : blocks) std::free(block);
}

TEST(ListIndexes, AnswerAsAWalkOfTheListUnderRandomChanges) {
    const int batches[] = {1, 1, 1, 1, 2, 3, 7, 8, 9, 16, 17, 100};
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
            for (bool emptied = defs.count > 1200; emptied && defs.first;) remove(defs, defs.first, rng);
            const unsigned op = rng() % 11;
            if (op < 2 || (op < 4 && defs.count > 0 && rng() % 2)) {
                // Appended at once (after a removal half the time); then looked up.
                if (op >= 2) remove(defs, pick(defs, rng), rng);
                int batch = op < 2 ? batches[rng() % std::size(batches)] : 1;
                if (rng() % 500 == 0) batch = 600;
                for (int k = 0; k < batch; ++k) ASSERT_EQ(vrml_adddef(table, random_name(rng), nullptr), defs.count);
            } else if (op < 4 && defs.count > 0) {
                remove(defs, pick(defs, rng), rng);
            } else if (op == 4) {  // the freed item's block may come back for an indexed list
                vrml_listappend(&other, &marker);
                std::free(vrml_listdeleteitemdata(&other, &marker));
            } else if (op == 5 && rng() % 2 && ctx->scopes.count < 24) {
                const int id = vrml_newscope(ctx);
                ASSERT_EQ(id, ctx->scopes.count - 1);
            } else if (op == 5 && ctx->scopes.count > 2) {
                // Scope 0 and the second table's scope stay listed; the
                // others stay declared (released with the scene).
                vrml_listitem *item = pick(ctx->scopes, rng);
                if (item->data != walk_at(ctx->scopes, 0) && static_cast<vrml_scope *>(item->data)->deftable != tables[1]) {
                    vrml_listdeleteitem(&ctx->scopes, item);
                    std::free(item);
                }
            }
            if (op < 6) continue;
            const int32_t count = defs.count, wrong[] = {round <= 2 ? INT32_MAX : count + 7, 1, 0, -5};
            if (rng() % 100 == 0) defs.count = wrong[rng() % 4];
            char *name = random_name(rng);
            if (name) {
                ASSERT_EQ(vrml_finddefidx(table, name), walk_find(defs, name)) << name;
            }
            std::free(name);
            const int pos = static_cast<int>(rng() % static_cast<unsigned>(count + 2)) - 1;
            ASSERT_EQ(vrml_getdefentry(table, pos), walk_at(defs, pos)) << pos;
            defs.count = count;
            const int id = static_cast<int>(rng() % static_cast<unsigned>(ctx->scopes.count + 2)) - 1;
            ASSERT_EQ(vrml_getscopeentry(ctx, id), walk_at(ctx->scopes, id)) << id;
        }
        EXPECT_TRUE(vrml_finddefidx(tables[0], nullptr) == -1 && vrml_finddefidx(nullptr, "N1") == -1 &&
                    vrml_getdefentry(nullptr, 0) == nullptr);
    }
}

}  // namespace
