// What a scene owns beyond what the scene release walks, kept beside the
// context (the side map, keyed by the address of the context's list of all
// nodes: the context's own key holds its scope-list index). Each recorded
// content record is also a key of the side map, whose word holds its entry's
// position + 1, so that it is found again in constant time.
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "loader/side_records.h"
#include "release/release_internal.h"
#include "zebio/heap.h"

namespace {

struct owned_entry {
    void *content;  // null once forgotten
    uint8_t memberclass;
    uint8_t type;
    bool shell;
};

struct scene_record {
    const vrml_context *ctx;
    vrml_stream *in;   // made by the loader, or null
    vrml_stream *out;
    owned_entry *entries;
    size_t count;
    size_t capacity;
};

const void *key_of(const vrml_context *ctx) { return &ctx->allnodes; }

// The entry recorded for content in record, or null.
owned_entry *find_entry(scene_record *record, void *content) {
    if (!record || !content) return nullptr;
    void **word = vrml_side_word(content, false);
    if (!word) return nullptr;
    auto position = reinterpret_cast<uintptr_t>(*word);
    if (position == 0 || position > record->count) return nullptr;
    owned_entry *entry = &record->entries[position - 1];
    return entry->content == content ? entry : nullptr;
}

void drop_record(scene_record *record) {
    for (size_t i = 0; i < record->count; ++i) {
        void *content = record->entries[i].content;
        if (content && find_entry(record, content) == &record->entries[i]) vrml_side_take(content);
    }
    std::free(record->entries);
    std::free(record);
}

scene_record *find_record(vrml_context *ctx, bool create) {
    void **word = vrml_side_word(key_of(ctx), create);
    if (!word) return nullptr;
    auto *record = static_cast<scene_record *>(*word);
    if (record && record->ctx == ctx) return record;
    if (!create) return nullptr;
    // A record a former context at this address left behind.
    if (record) drop_record(record);
    record = static_cast<scene_record *>(vrml_heap_calloc(1, sizeof(scene_record)));
    *word = record;
    if (record) record->ctx = ctx;
    return record;
}

}  // namespace

bool vrml_scene_own(vrml_context *ctx, void *content, int memberclass, int type, bool shell) {
    if (!ctx || !content) return true;
    scene_record *record = find_record(ctx, true);
    if (!record) return false;
    if (find_entry(record, content)) return true;
    if (record->count == record->capacity) {
        size_t capacity = record->capacity ? record->capacity * 2 : 16;
        if (capacity > SIZE_MAX / sizeof(owned_entry)) return false;
        auto *grown = static_cast<owned_entry *>(
            vrml_heap_realloc(record->entries, capacity * sizeof(owned_entry)));
        if (!grown) return false;
        record->entries = grown;
        record->capacity = capacity;
    }
    void **word = vrml_side_word(content, true);
    if (!word) return false;
    record->entries[record->count] = {content, static_cast<uint8_t>(memberclass),
                                      static_cast<uint8_t>(type), shell};
    *word = reinterpret_cast<void *>(static_cast<uintptr_t>(++record->count));
    return true;
}

int vrml_scene_disown(vrml_context *ctx, void *content) {
    if (!ctx || !content) return 0;
    owned_entry *entry = find_entry(find_record(ctx, false), content);
    if (!entry) return 0;
    entry->content = nullptr;
    vrml_side_take(content);
    return entry->shell ? 2 : 1;
}

int vrml_scene_owns(vrml_context *ctx, void *content) {
    if (!ctx) return 0;
    const owned_entry *entry = find_entry(find_record(ctx, false), content);
    return entry ? (entry->shell ? 2 : 1) : 0;
}

void vrml_scene_ownstreams(vrml_context *ctx, vrml_stream *in, vrml_stream *out) {
    scene_record *record = ctx ? find_record(ctx, true) : nullptr;
    if (!record) return;
    record->in = in;
    record->out = out;
}

void vrml_scene_forget(vrml_context *ctx) {
    if (!ctx) return;
    void **word = vrml_side_word(key_of(ctx), false);
    if (!word) return;
    auto *record = static_cast<scene_record *>(*word);
    vrml_side_take(key_of(ctx));
    if (record) drop_record(record);
}

void vrml_scene_releaseowned(vrml_context *ctx) {
    if (!ctx) return;
    scene_record *record = find_record(ctx, false);
    if (!record) {
        vrml_side_take(key_of(ctx));
        return;
    }
    vrml_side_take(key_of(ctx));
    for (size_t i = 0; i < record->count; ++i) {
        const owned_entry &e = record->entries[i];
        if (!e.content) continue;
        vrml_side_take(e.content);
        if (e.shell) vrml_free_contentshell(e.memberclass, e.content, 0);
        else vrml_freeuclass(e.memberclass, e.type, e.content);
    }
    for (vrml_stream *stream : {record->in, record->out}) {
        if (!stream) continue;
        if (stream->stream_close) stream->stream_close(stream);
        std::free(stream);
    }
    std::free(record->entries);
    std::free(record);
}
