// What a scene owns beyond what the scene release walks, kept in the
// context's private record (loader/context_private.h). Each recorded content
// record is also a key of the side map, whose word holds its entry's
// position + 1, so that it is found again in constant time.
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "loader/context_private.h"
#include "loader/side_records.h"
#include "release/release_internal.h"
#include "zebio/heap.h"

bool vrml_scene_own(vrml_context *ctx, void *content, int memberclass, int type, bool shell) {
    if (!ctx || !content) return true;
    vrml_contextprivate *record = vrml_context_private(ctx, true);
    if (!record) return false;
    if (vrml_context_findowned(record, content)) return true;
    if (record->ownedcount == record->ownedcapacity) {
        size_t capacity = record->ownedcapacity ? record->ownedcapacity * 2 : 16;
        if (capacity > SIZE_MAX / sizeof(vrml_ownedcontent)) return false;
        auto *grown = static_cast<vrml_ownedcontent *>(
            vrml_heap_realloc(record->owned, capacity * sizeof(vrml_ownedcontent)));
        if (!grown) return false;
        record->owned = grown;
        record->ownedcapacity = capacity;
    }
    void **word = vrml_side_word(content, true);
    if (!word) return false;
    record->owned[record->ownedcount] = {content, static_cast<uint8_t>(memberclass),
                                         static_cast<uint8_t>(type), shell};
    *word = reinterpret_cast<void *>(static_cast<uintptr_t>(++record->ownedcount));
    return true;
}

int vrml_scene_disown(vrml_context *ctx, void *content) {
    if (!ctx || !content) return 0;
    vrml_ownedcontent *entry = vrml_context_findowned(vrml_context_private(ctx, false), content);
    if (!entry) return 0;
    entry->content = nullptr;
    vrml_side_take(content);
    return entry->shell ? 2 : 1;
}

int vrml_scene_owns(vrml_context *ctx, void *content) {
    if (!ctx) return 0;
    const vrml_ownedcontent *entry =
        vrml_context_findowned(vrml_context_private(ctx, false), content);
    return entry ? (entry->shell ? 2 : 1) : 0;
}

void vrml_scene_ownstreams(vrml_context *ctx, vrml_stream *in, vrml_stream *out) {
    vrml_contextprivate *record = ctx ? vrml_context_private(ctx, true) : nullptr;
    if (!record) return;
    record->in = in;
    record->out = out;
}

void vrml_scene_releaseowned(vrml_context *ctx) {
    vrml_contextprivate *record = vrml_context_takeprivate(ctx);
    if (!record) return;
    for (size_t i = 0; i < record->ownedcount; ++i) {
        const vrml_ownedcontent &e = record->owned[i];
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
    record->ownedcount = 0;  // released above
    vrml_context_dropprivate(record);
}
