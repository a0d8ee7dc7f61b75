// The library's own record for each context (see context_private.h).
#include "loader/context_private.h"

#include <cstdint>
#include <cstdlib>

#include "loader/side_records.h"
#include "zebio/heap.h"

vrml_contextprivate *vrml_context_private(const vrml_context *ctx, bool create) {
    void **word = vrml_side_word(ctx, create);
    if (!word) return nullptr;
    auto *record = static_cast<vrml_contextprivate *>(*word);
    if (!record && create) {
        record = static_cast<vrml_contextprivate *>(vrml_heap_calloc(1, sizeof(vrml_contextprivate)));
        *word = record;
    }
    return record;
}

uint32_t vrml_context_options(const vrml_context *ctx) {
    const vrml_contextprivate *record = vrml_context_private(ctx, false);
    return record ? record->options : 0;
}

vrml_contextprivate *vrml_context_newprivate(const vrml_context *ctx) {
    vrml_context_dropprivate(vrml_context_takeprivate(ctx));
    return vrml_context_private(ctx, true);
}

vrml_contextprivate *vrml_context_takeprivate(const vrml_context *ctx) {
    return ctx ? static_cast<vrml_contextprivate *>(vrml_side_take(ctx)) : nullptr;
}

vrml_ownedcontent *vrml_context_findowned(vrml_contextprivate *record, const void *content) {
    if (!record || !content) return nullptr;
    void **word = vrml_side_word(content, false);
    if (!word) return nullptr;
    auto position = reinterpret_cast<uintptr_t>(*word);
    if (position == 0 || position > record->ownedcount) return nullptr;
    vrml_ownedcontent *entry = &record->owned[position - 1];
    return entry->content == content ? entry : nullptr;
}

void vrml_context_dropprivate(vrml_contextprivate *record) {
    if (!record) return;
    for (size_t i = 0; i < record->ownedcount; ++i) {
        const void *content = record->owned[i].content;
        if (content && vrml_context_findowned(record, content) == &record->owned[i])
            vrml_side_take(content);
    }
    for (vrml_listitem *it = record->unknowntypes.first, *next; it; it = next) {
        next = it->next;
        std::free(it->data);
        std::free(it);
    }
    std::free(record->owned);
    std::free(record);
}
