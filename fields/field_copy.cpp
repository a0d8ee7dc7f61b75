// Copy, duplicate, assign and release of field values. A record owns its
// text, pixels and arrays (and MFNode's list items with their reference
// records); nothing of that kind is ever shared between two records. Nodes
// are never owned, copied by copy or assign, or released here.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fields/field_internal.h"
#include "loader/memory.h"
#include "parser/parser_internal.h"
#include "loader/report.h"
#include "platform/second_name.h"

namespace {

// Element sizes of the array types, by type code (0 for the others).
size_t element_size(int type) {
    switch (type) {
        case VRML_MFCOLOR: case VRML_MFVEC3F: return sizeof(float[3]);
        case VRML_MFFLOAT: return sizeof(float);
        case VRML_MFINT32: return sizeof(int32_t);
        case VRML_MFROTATION: return sizeof(float[4]);
        case VRML_MFSTRING: return sizeof(char *);
        case VRML_MFVEC2F: return sizeof(float[2]);
        default: return 0;
    }
}

// A private copy of text, or null for null text; *failed is set when the
// heap is exhausted.
char *copy_text(const char *text, bool *failed) {
    if (!text) return nullptr;
    size_t n = std::strlen(text) + 1;
    char *copy = static_cast<char *>(vrml_malloc_array(n, 1));
    if (copy) std::memcpy(copy, text, n);
    else *failed = true;
    return copy;
}

// Element-wise copy of source's count elements of a plain (non-string) array.
void copy_plain_elements(vrml_field *dest, const vrml_field *source, size_t size) {
    if (dest == source || source->mfarray.count <= 0 || !source->mfarray.values ||
        !dest->mfarray.values)
        return;
    std::memcpy(dest->mfarray.values, source->mfarray.values,
                static_cast<size_t>(source->mfarray.count) * size);
}

vrml_field *dup_single(int type, const vrml_field *source,
                       void (*copy)(vrml_field *, const vrml_field *)) {
    vrml_field *record = vrml_allocfield(type);
    if (record) copy(record, source);
    return record;
}

// A new array record with its own copy of source's elements, or null.
vrml_field *dup_array(int type, const vrml_field *source) {
    vrml_field *record = vrml_allocfield(type);
    if (!record) return nullptr;
    const vrml_mfarray &from = source->mfarray;
    if (from.count <= 0 || !from.values) return record;
    const size_t size = element_size(type);
    void *values = vrml_malloc_array(static_cast<size_t>(from.count), size);
    if (!values) {
        std::free(record);
        return nullptr;
    }
    record->mfarray.values = values;
    record->mfarray.count = from.count;
    if (type != VRML_MFSTRING) {
        copy_plain_elements(record, source, size);
        return record;
    }
    bool failed = false;
    auto **to = static_cast<char **>(values);
    auto *const *texts = static_cast<char *const *>(from.values);
    for (int32_t i = 0; i < from.count && !failed; ++i) to[i] = copy_text(texts[i], &failed);
    if (failed) {
        vrml_free_MFString(record);
        return nullptr;
    }
    return record;
}

void set_single(int type, vrml_field **slot, const vrml_field *source,
                void (*copy)(vrml_field *, const vrml_field *)) {
    if (!*slot) *slot = vrml_allocfield(type);
    if (*slot) copy(*slot, source);
}

void set_array(int type, vrml_field **slot, const vrml_field *source) {
    if (*slot && (*slot)->mfarray.count == source->mfarray.count) {
        copy_plain_elements(*slot, source, element_size(type));
        return;
    }
    vrml_free_MFarray(*slot);
    *slot = dup_array(type, source);
}

}  // namespace

extern "C" {

// ---- Copy ----------------------------------------------------------------

ZEBVRML2_API void vrml_copy_SFBool(vrml_field *dest, const vrml_field *source) {
    dest->sfint32 = source->sfint32;
}

ZEBVRML2_API void vrml_copy_SFColor(vrml_field *dest, const vrml_field *source) {
    std::memmove(dest->sfcolor, source->sfcolor, sizeof dest->sfcolor);
}

ZEBVRML2_API void vrml_copy_SFVec2f(vrml_field *dest, const vrml_field *source) {
    std::memmove(dest->sfvec2f, source->sfvec2f, sizeof dest->sfvec2f);
}

ZEBVRML2_API void vrml_copy_SFTime(vrml_field *dest, const vrml_field *source) {
    dest->sftime = source->sftime;
}

ZEBVRML2_API void vrml_copy_SFNode(vrml_field *dest, const vrml_field *source) {
    dest->sfnode.defref = source->sfnode.defref;
    dest->sfnode.node = source->sfnode.node;
}

ZEBVRML2_API void vrml_copy_SFRotation(vrml_field *dest, const vrml_field *source) {
    std::memmove(dest->sfrotation, source->sfrotation, sizeof dest->sfrotation);
}

ZEBVRML2_API void vrml_copy_SFString(vrml_field *dest, const vrml_field *source) {
    if (dest == source) return;
    std::free(dest->sfstring);
    bool failed = false;
    dest->sfstring = copy_text(source->sfstring, &failed);
}

ZEBVRML2_API void vrml_copy_SFImage(vrml_field *dest, const vrml_field *source) {
    if (dest == source) return;
    const vrml_sfimage &from = source->sfimage;
    vrml_sfimage &to = dest->sfimage;
    to.width = from.width;
    to.height = from.height;
    to.components = from.components;
    std::free(to.pixels);
    to.pixels = nullptr;
    const int64_t bytes = int64_t{from.width} * from.height * from.components;
    if (bytes <= 0 || !from.pixels) return;
    to.pixels = static_cast<unsigned char *>(vrml_malloc_array(static_cast<size_t>(bytes), 1));
    if (to.pixels) std::memcpy(to.pixels, from.pixels, static_cast<size_t>(bytes));
}

ZEBVRML2_API void vrml_copy_MFFloat(vrml_field *dest, const vrml_field *source) {
    copy_plain_elements(dest, source, sizeof(float));
}

ZEBVRML2_API void vrml_copy_MFColor(vrml_field *dest, const vrml_field *source) {
    copy_plain_elements(dest, source, sizeof(float[3]));
}

ZEBVRML2_API void vrml_copy_MFVec2f(vrml_field *dest, const vrml_field *source) {
    copy_plain_elements(dest, source, sizeof(float[2]));
}

ZEBVRML2_API void vrml_copy_MFRotation(vrml_field *dest, const vrml_field *source) {
    copy_plain_elements(dest, source, sizeof(float[4]));
}

ZEBVRML2_API void vrml_copy_MFString(vrml_field *dest, const vrml_field *source) {
    if (dest == source || source->mfarray.count <= 0 || !source->mfarray.values ||
        !dest->mfarray.values)
        return;
    auto **to = static_cast<char **>(dest->mfarray.values);
    auto *const *from = static_cast<char *const *>(source->mfarray.values);
    for (int32_t i = 0; i < source->mfarray.count; ++i) {
        std::free(to[i]);
        bool failed = false;
        to[i] = copy_text(from[i], &failed);
    }
}

ZEBVRML2_API void vrml_copy_MFNode(vrml_field *dest, const vrml_field *source) {
    if (dest == source) return;
    const vrml_listitem *from = source->mfnode.nodes.first;
    vrml_listitem *to = dest->mfnode.nodes.first;
    for (; from && to; from = from->next, to = to->next) {
        auto *target = static_cast<vrml_field *>(to->data);
        if (target && from->data) vrml_copy_SFNode(target, static_cast<const vrml_field *>(from->data));
    }
}

#define VRML_COPY_NAME(name, first) \
    VRML_SECOND_NAME(void, name, (vrml_field *d, const vrml_field *s), first, (d, s))
VRML_COPY_NAME(vrml_copy_SFFloat, vrml_copy_SFBool)
VRML_COPY_NAME(vrml_copy_SFInt32, vrml_copy_SFBool)
VRML_COPY_NAME(vrml_copy_SFVec3f, vrml_copy_SFColor)
VRML_COPY_NAME(vrml_copy_MFInt32, vrml_copy_MFFloat)
VRML_COPY_NAME(vrml_copy_MFVec3f, vrml_copy_MFColor)
#undef VRML_COPY_NAME
// SFNode, SFTime and SFVec2f records are all eight bytes in a 32-bit build,
// where one whole-record copy could serve the three names; here the SFNode
// record is larger, so each has its own function.

// ---- Duplicate -----------------------------------------------------------

#define VRML_DUP_SINGLE(Type, CODE, copy)                                              \
    ZEBVRML2_API vrml_field *vrml_dup_##Type(vrml_context *, const vrml_field *source) { \
        return dup_single(CODE, source, copy);                                           \
    }
VRML_DUP_SINGLE(SFBool, VRML_SFBOOL, vrml_copy_SFBool)
VRML_DUP_SINGLE(SFColor, VRML_SFCOLOR, vrml_copy_SFColor)
VRML_DUP_SINGLE(SFFloat, VRML_SFFLOAT, vrml_copy_SFBool)
VRML_DUP_SINGLE(SFInt32, VRML_SFINT32, vrml_copy_SFBool)
VRML_DUP_SINGLE(SFRotation, VRML_SFROTATION, vrml_copy_SFRotation)
VRML_DUP_SINGLE(SFTime, VRML_SFTIME, vrml_copy_SFTime)
VRML_DUP_SINGLE(SFVec2f, VRML_SFVEC2F, vrml_copy_SFVec2f)
VRML_DUP_SINGLE(SFVec3f, VRML_SFVEC3F, vrml_copy_SFColor)
#undef VRML_DUP_SINGLE

ZEBVRML2_API vrml_field *vrml_dup_SFString(vrml_context *, const vrml_field *source) {
    vrml_field *record = vrml_allocfield(VRML_SFSTRING);
    if (!record) return nullptr;
    bool failed = false;
    record->sfstring = copy_text(source->sfstring, &failed);
    if (failed) {
        std::free(record);
        return nullptr;
    }
    return record;
}

ZEBVRML2_API vrml_field *vrml_dup_SFImage(vrml_context *, const vrml_field *source) {
    vrml_field *record = vrml_allocfield(VRML_SFIMAGE);
    if (!record) return nullptr;
    vrml_copy_SFImage(record, source);
    if (source->sfimage.pixels && !record->sfimage.pixels &&
        int64_t{source->sfimage.width} * source->sfimage.height * source->sfimage.components > 0) {
        std::free(record);
        return nullptr;
    }
    return record;
}

ZEBVRML2_API vrml_field *vrml_dup_SFNode(vrml_context *ctx, const vrml_field *source) {
    if (!source) {
        const int line = ctx && ctx->in ? static_cast<int>(ctx->in->line) : -1;
        vrml_problem(ctx, nullptr, 0, "dupSFN(%d): Duping NULL", line);
        return nullptr;
    }
    vrml_field *record = vrml_allocfield(VRML_SFNODE);
    if (!record) return nullptr;
    const int32_t defref = source->sfnode.defref;
    vrml_node *node = source->sfnode.node;
    record->sfnode.defref = defref;
    if (defref == 0) {
        // An unnamed node: the copy for the instance being made.
        record->sfnode.node = vrml_dupnode(ctx, node);
    } else {
        // A DEF or USE: entry |defref|-1 of the current DEF table holds the
        // copy once the first reference of the instance has made it.
        const int64_t index = (defref < 0 ? -int64_t{defref} : int64_t{defref}) - 1;
        vrml_defentry *entry =
            ctx && index <= INT32_MAX ? vrml_getdefentry(ctx->deftable, static_cast<int>(index)) : nullptr;
        if (!entry) {
            const int line = ctx && ctx->in ? static_cast<int>(ctx->in->line) : -1;
            vrml_problem(ctx, nullptr, 0, "DUPSFN FATAL: @line %d", line);
            std::free(record);
            return nullptr;
        }
        record->sfnode.node = entry->node ? entry->node : vrml_dupdefnode(ctx, node, entry);
    }
    // A node that could not be copied (no memory) fails the duplicate.
    if (node && !record->sfnode.node) {
        std::free(record);
        return nullptr;
    }
    return record;
}

#define VRML_DUP_ARRAY(Type, CODE)                                                     \
    ZEBVRML2_API vrml_field *vrml_dup_##Type(vrml_context *, const vrml_field *source) { \
        return dup_array(CODE, source);                                                  \
    }
VRML_DUP_ARRAY(MFColor, VRML_MFCOLOR)
VRML_DUP_ARRAY(MFFloat, VRML_MFFLOAT)
VRML_DUP_ARRAY(MFInt32, VRML_MFINT32)
VRML_DUP_ARRAY(MFRotation, VRML_MFROTATION)
VRML_DUP_ARRAY(MFString, VRML_MFSTRING)
VRML_DUP_ARRAY(MFVec2f, VRML_MFVEC2F)
VRML_DUP_ARRAY(MFVec3f, VRML_MFVEC3F)
#undef VRML_DUP_ARRAY

ZEBVRML2_API vrml_field *vrml_dup_MFNode(vrml_context *ctx, const vrml_field *source) {
    vrml_field *record = vrml_allocfield(VRML_MFNODE);
    if (!record) return nullptr;
    for (const vrml_listitem *item = source->mfnode.nodes.first; item; item = item->next) {
        vrml_field *element = vrml_dup_SFNode(ctx, static_cast<const vrml_field *>(item->data));
        // An element whose duplicate fails is dropped.
        if (!element) continue;
        if (vrml_listappend(&record->mfnode.nodes, element) < 0) {
            std::free(element);
            vrml_free_MFNode(record);
            return nullptr;
        }
    }
    record->mfnode.count = record->mfnode.nodes.count;
    return record;
}

// ---- Assign --------------------------------------------------------------

#define VRML_SET_SINGLE(Type, CODE, copy)                                              \
    ZEBVRML2_API void vrml_set_##Type(vrml_field **slot, const vrml_field *source) { \
        set_single(CODE, slot, source, copy);                                        \
    }
VRML_SET_SINGLE(SFBool, VRML_SFBOOL, vrml_copy_SFBool)
VRML_SET_SINGLE(SFColor, VRML_SFCOLOR, vrml_copy_SFColor)
VRML_SET_SINGLE(SFFloat, VRML_SFFLOAT, vrml_copy_SFBool)
VRML_SET_SINGLE(SFImage, VRML_SFIMAGE, vrml_copy_SFImage)
VRML_SET_SINGLE(SFInt32, VRML_SFINT32, vrml_copy_SFBool)
VRML_SET_SINGLE(SFNode, VRML_SFNODE, vrml_copy_SFNode)
VRML_SET_SINGLE(SFRotation, VRML_SFROTATION, vrml_copy_SFRotation)
VRML_SET_SINGLE(SFString, VRML_SFSTRING, vrml_copy_SFString)
VRML_SET_SINGLE(SFTime, VRML_SFTIME, vrml_copy_SFTime)
VRML_SET_SINGLE(SFVec2f, VRML_SFVEC2F, vrml_copy_SFVec2f)
VRML_SET_SINGLE(SFVec3f, VRML_SFVEC3F, vrml_copy_SFColor)
#undef VRML_SET_SINGLE

#define VRML_SET_ARRAY(Type, CODE)                                                     \
    ZEBVRML2_API void vrml_set_##Type(vrml_field **slot, const vrml_field *source) { \
        set_array(CODE, slot, source);                                               \
    }
VRML_SET_ARRAY(MFColor, VRML_MFCOLOR)
VRML_SET_ARRAY(MFFloat, VRML_MFFLOAT)
VRML_SET_ARRAY(MFInt32, VRML_MFINT32)
VRML_SET_ARRAY(MFRotation, VRML_MFROTATION)
VRML_SET_ARRAY(MFVec2f, VRML_MFVEC2F)
VRML_SET_ARRAY(MFVec3f, VRML_MFVEC3F)
#undef VRML_SET_ARRAY

ZEBVRML2_API void vrml_set_MFString(vrml_field **slot, const vrml_field *source) {
    // The slot's record is always replaced; assigning a record to the slot
    // that holds it leaves it as it is.
    if (*slot == source) return;
    vrml_free_MFString(*slot);
    *slot = vrml_dup_MFString(nullptr, source);
}

ZEBVRML2_API void vrml_set_MFNode(vrml_field **slot, const vrml_field *source) {
    if (*slot && (*slot)->mfnode.count == source->mfnode.count) {
        vrml_copy_MFNode(*slot, source);
        return;
    }
    vrml_free_MFNode(*slot);
    vrml_field *record = vrml_allocfield(VRML_MFNODE);
    *slot = record;
    if (!record) return;
    for (const vrml_listitem *item = source->mfnode.nodes.first; item; item = item->next) {
        if (!item->data) continue;
        vrml_field *element = vrml_allocfield(VRML_SFNODE);
        if (element) vrml_copy_SFNode(element, static_cast<const vrml_field *>(item->data));
        if (!element || vrml_listappend(&record->mfnode.nodes, element) < 0) {
            // Out of memory: the slot keeps the references appended so far.
            std::free(element);
            break;
        }
    }
    record->mfnode.count = record->mfnode.nodes.count;
}

// ---- Release -------------------------------------------------------------

ZEBVRML2_API void vrml_fieldfree(vrml_field *record) { std::free(record); }

void vrml_free_SFImage(vrml_field *record) {
    if (!record) return;
    std::free(record->sfimage.pixels);
    std::free(record);
}

void vrml_free_SFString(vrml_field *record) {
    if (!record) return;
    std::free(record->sfstring);
    std::free(record);
}

void vrml_free_MFarray(vrml_field *record) {
    if (!record) return;
    std::free(record->mfarray.values);
    std::free(record);
}

void vrml_free_MFString(vrml_field *record) {
    if (!record) return;
    if (auto **texts = static_cast<char **>(record->mfarray.values)) {
        for (int32_t i = 0; i < record->mfarray.count; ++i) std::free(texts[i]);
    }
    std::free(record->mfarray.values);
    std::free(record);
}

void vrml_free_MFNode(vrml_field *record) {
    if (!record) return;
    for (vrml_listitem *item = record->mfnode.nodes.first; item;) {
        vrml_listitem *next = item->next;
        std::free(item->data);
        std::free(item);
        item = next;
    }
    std::free(record);
}

// ---- Lists ---------------------------------------------------------------

void vrml_resetlist(vrml_list *list) {
    if (!list) return;
    list->first = nullptr;
    list->last = nullptr;
    list->count = 0;
}

ZEBVRML2_API int vrml_dup_list(vrml_list *dest, const vrml_list *source) {
    vrml_resetlist(dest);
    if (!source) return 0;
    for (const vrml_listitem *item = source->first; item; item = item->next) {
        if (vrml_listappend(dest, item->data) < 0) {
            for (vrml_listitem *made = dest->first; made;) {
                vrml_listitem *next = made->next;
                std::free(made);
                made = next;
            }
            vrml_resetlist(dest);
            return -1;
        }
    }
    return dest->count;
}

}  // extern "C"
