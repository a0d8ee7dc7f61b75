// The readers of the nineteen field types. Every frame here may be left by a
// jump out of vrml_fatal_err (a token that fills its buffer, a node list
// without memory), so nothing in it owns a resource with a destructor.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fields/field_internal.h"
#include "fields/field_numbers.h"
#include "loader/lexer.h"
#include "loader/memory.h"
#include "native/native_internal.h"
#include "vrml_parser.h"
#include "vrml_writer.h"
#include "loader/report.h"
#include "zebio/heap.h"

namespace {

constexpr int kBoolTokenSize = 31;     // tokens of up to 30 characters
constexpr int kNumberTokenSize = 255;  // tokens of up to 254 characters
constexpr size_t kStringBufferSize = 65535;
constexpr int64_t kImageFirstPixels = 4096;  // the pixel array's first size

// Moves the used bytes of pixels into a zeroed block of size bytes (size <
// 2^31); the old block is released either way. Null when there is no memory.
unsigned char *grow_pixels(unsigned char *pixels, int64_t used, int64_t size) {
    auto *grown = static_cast<unsigned char *>(vrml_malloc_array(static_cast<size_t>(size), 1));
    if (grown) std::memcpy(grown, pixels, static_cast<size_t>(used));
    std::free(pixels);
    return grown;
}

void report_code(vrml_context *ctx, int32_t code) {
    vrml_problem(ctx, nullptr, code, "%s", vrml_fielderrortext(code));
}

// A number whose token lies whole in the window and converts whole, read
// there: what the token reader and the conversion would make of it. The
// conversion stops where the number does; when a character that ends a
// token follows there, the number is the whole token. False (out and s
// untouched) for any other, which the token reader then takes.
template <typename T, typename Scan>
inline bool window_number(vrml_windowscan &s, T *out, Scan scan) {
    vrml_windowscan at = s;
    if (!vrml_window_skip(at)) return false;
    const size_t room = static_cast<size_t>(at.end - at.p);
    T value;
    const size_t used = scan(reinterpret_cast<const char *>(at.p), room, &value);
    if (used == 0 || used >= room || used >= kNumberTokenSize - 1 || !vrml_byte_ends_token(at.p[used]))
        return false;
    *out = value;
    s = {at.p + used, at.end, at.lines};
    return true;
}

// One number token: 1 read (the unconverted rest, if any, pushed back as the
// next token), 0 no number here (the token pushed back), -1 failure.
template <typename T>
int read_number(vrml_context *ctx, int32_t code, T *out, size_t (*scan)(const char *, size_t, T *)) {
    vrml_stream *in = ctx->in;
    vrml_windowscan s;
    if (vrml_window_open(in, s) && window_number(s, out, scan)) {
        vrml_window_commit(in, s);
        return 1;
    }
    char token[kNumberTokenSize];
    int n = vrml_get_tokenstring(in, token, sizeof token);
    if (n == 0) return 0;
    if (n < 0) {
        vrml_problem(ctx, nullptr, code, "%s", token);
        return -1;
    }
    size_t used = scan(token, static_cast<size_t>(n), out);
    if (used == static_cast<size_t>(n)) return 1;
    if (vrml_ungetstring(in, token + used) < 0) return -1;
    return used == 0 ? 0 : 1;
}

int read_float(vrml_context *ctx, float *out) {
    size_t (*scan)(const char *, size_t, float *) = vrml_scanfloat_inline;
    return read_number(ctx, VRML_ERR_SFFLOAT, out, scan);
}

int read_int32(vrml_context *ctx, int32_t *out) {
    return read_number(ctx, VRML_ERR_SFINT32, out, vrml_scanint32_inline);
}

// n consecutive floats of one value.
int read_floats(vrml_context *ctx, float *out, int n, int32_t code, const char *detail) {
    for (int i = 0; i < n; ++i) {
        int r = read_float(ctx, &out[i]);
        if (r < 0) return r;
        if (r == 0) {
            if (i == 0) return 0;
            vrml_problem(ctx, nullptr, code, "%s", detail ? detail : vrml_fielderrortext(code));
            return -1;
        }
    }
    return 1;
}

// ---- Arrays ----------------------------------------------------------------

struct ArrayKind {
    int element_type;  // the type of one element
    int32_t code;
    int (*read)(vrml_context *, vrml_field *);
    int floats;  // an element's floats; 0 with integers or strings
};

// The elements read so far, in one block that grows by doubling, until the
// value is complete: then the block, trimmed to size, becomes the record's
// element array. (The record's staging list stays empty.)
struct Collected {
    unsigned char *data;
    size_t count;
    size_t capacity;
};

// Stores the collected elements in the record and returns result.
int settle(vrml_field *value, const ArrayKind &kind, Collected &c, int result) {
    vrml_mfarray *array = &value->mfarray;
    if (c.count == 0) {
        std::free(c.data);
        array->values = nullptr;
        array->count = 0;
        return result;
    }
    size_t bytes = c.count * vrml_fieldsize(kind.element_type);
    if (c.capacity > c.count) {
        if (void *trimmed = vrml_heap_realloc(c.data, bytes))
            c.data = static_cast<unsigned char *>(trimmed);
    }
    array->values = c.data;
    array->count = static_cast<int32_t>(c.count);
    return result;
}

// Makes room for one more element of size bytes. False when the block
// cannot grow or the count would leave the 32-bit range.
bool make_room(Collected &c, size_t size) {
    if (c.count < c.capacity) return true;
    size_t capacity = c.capacity ? c.capacity * 2 : 16;
    if (capacity > static_cast<size_t>(INT32_MAX)) capacity = static_cast<size_t>(INT32_MAX);
    void *grown = capacity > c.count && capacity <= SIZE_MAX / size
                      ? vrml_heap_realloc(c.data, capacity * size)
                      : nullptr;
    if (!grown) return false;
    c.data = static_cast<unsigned char *>(grown);
    c.capacity = capacity;
    return true;
}

// Appends element (whose string, if any, moves in). -1 when there is no
// room (the element's string is released and the failure reported).
int add_element(vrml_context *ctx, Collected &c, const ArrayKind &kind, size_t size,
                const vrml_field &element) {
    if (!make_room(c, size)) {
        if (kind.element_type == VRML_SFSTRING) std::free(element.sfstring);
        report_code(ctx, VRML_ERR_NOMEM);
        return -1;
    }
    std::memcpy(c.data + c.count * size, &element, size);
    ++c.count;
    return 0;
}

// Appends the number elements that follow while each lies whole in the
// window (see window_number); the first one that does not (the closing
// bracket, one running past the window, anything unusual) is left to the
// element reader. -1 when there is no room (reported, the element read).
// Floats: an element's floats, 0 for an integer.
template <int Floats>
int read_window_elements(vrml_context *ctx, Collected &c) {
    constexpr size_t size = Floats == 0 ? sizeof(int32_t) : Floats * sizeof(float);
    vrml_stream *in = ctx->in;
    vrml_windowscan s;
    if (!vrml_window_open(in, s)) return 0;
    [[maybe_unused]] const bool nearest = vrml_rounds_to_nearest();  // no host code runs in a list
    int result = 0;
    for (;;) {
        vrml_windowscan at = s;
        unsigned char element[size];
        bool whole = true;
        if constexpr (Floats == 0) {
            int32_t value = 0;
            whole = window_number(s, &value, vrml_scanint32_inline);
            std::memcpy(element, &value, size);
        } else {
#pragma GCC unroll 4
            for (int k = 0; k < Floats; ++k) {
                float value = 0;
                whole = window_number(s, &value, [nearest](const char *text, size_t length, float *out) {
                    return vrml_scanfloat_inline(text, length, out, nearest);
                });
                if (!whole) break;
                std::memcpy(element + k * sizeof value, &value, sizeof value);
            }
        }
        if (!whole) {
            s = at;
            break;
        }
        if (c.count == c.capacity && !make_room(c, size)) {
            report_code(ctx, VRML_ERR_NOMEM);
            result = -1;
            break;
        }
        std::memcpy(c.data + c.count * size, element, size);
        ++c.count;
    }
    vrml_window_commit(in, s);
    return result;
}

int read_window_elements(vrml_context *ctx, Collected &c, const ArrayKind &kind) {
    switch (kind.floats) {
    case 0: return read_window_elements<0>(ctx, c);
    case 1: return read_window_elements<1>(ctx, c);
    case 2: return read_window_elements<2>(ctx, c);
    case 3: return read_window_elements<3>(ctx, c);
    default: return read_window_elements<4>(ctx, c);
    }
}

int read_array(vrml_context *ctx, vrml_field *value, const ArrayKind &kind) {
    vrml_stream *in = ctx->in;
    const size_t size = vrml_fieldsize(kind.element_type);
    const bool numbers = kind.floats > 0 || kind.element_type == VRML_SFINT32;
    Collected collected{nullptr, 0, 0};
    vrml_field element;
    if (vrml_get_bracket(in) != 1) {
        std::memset(&element, 0, sizeof element);
        int r = kind.read(ctx, &element);
        if (r < 0) return r;
        if (r == 0) {
            report_code(ctx, kind.code);
            return 0;
        }
        if (add_element(ctx, collected, kind, size, element) < 0) return -1;
        return settle(value, kind, collected, 1);
    }
    for (;;) {
        if (numbers && read_window_elements(ctx, collected, kind) < 0)
            return settle(value, kind, collected, -1);
        std::memset(&element, 0, sizeof element);
        int r = kind.read(ctx, &element);
        if (r > 0) {
            if (add_element(ctx, collected, kind, size, element) < 0)
                return settle(value, kind, collected, -1);
            continue;
        }
        // A list that fails part-way keeps the elements read so far.
        if (r < 0) return settle(value, kind, collected, r);
        if (vrml_get_bracket(in) == 2) {
            int n = static_cast<int>(collected.count);
            return settle(value, kind, collected, n);
        }
        report_code(ctx, kind.code);
        return settle(value, kind, collected, -1);
    }
}

const ArrayKind kMFColor = {VRML_SFCOLOR, VRML_ERR_MFCOLOR, vrml_get_SFColor, 3};
const ArrayKind kMFFloat = {VRML_SFFLOAT, VRML_ERR_MFFLOAT, vrml_get_SFFloat, 1};
const ArrayKind kMFInt32 = {VRML_SFINT32, VRML_ERR_MFINT32, vrml_get_SFInt32, 0};
const ArrayKind kMFRotation = {VRML_SFROTATION, VRML_ERR_MFROTATION, vrml_get_SFRotation, 4};
const ArrayKind kMFString = {VRML_SFSTRING, VRML_ERR_MFSTRING, vrml_get_SFString, 0};
const ArrayKind kMFVec2f = {VRML_SFVEC2F, VRML_ERR_MFVEC2F, vrml_get_SFVec2f, 2};
const ArrayKind kMFVec3f = {VRML_SFVEC3F, VRML_ERR_MFVEC3F, vrml_get_SFVec3f, 3};

// Reads one node statement and appends it to list: the SFNode reader's
// result (the record is released when it is negative). No memory for the
// element ends the process.
int read_list_node(vrml_context *ctx, vrml_mfnode *list) {
    vrml_field *element = vrml_allocfield(VRML_SFNODE);
    if (!element) vrml_fatal_err("vrml_get_mfnode: No mem\n");
    int r = vrml_get_SFNode(ctx, element);
    if (r < 0) {
        std::free(element);
        return r;
    }
    if (vrml_listappend(&list->nodes, element) < 0) {
        std::free(element);
        vrml_fatal_err("vrml_get_mfnode: No mem\n");
    }
    ++list->count;
    return r;
}

}  // namespace

extern "C" {

ZEBVRML2_API int vrml_get_SFBool(vrml_context *ctx, vrml_field *value) {
    vrml_stream *in = ctx->in;
    char token[kBoolTokenSize];
    int n = vrml_get_tokenstring(in, token, sizeof token);
    if (n == 0) return 0;
    if (n < 0) {
        vrml_problem(ctx, nullptr, VRML_ERR_SFBOOL, "%s", token);
        return -1;
    }
    static const struct {
        const char *text;
        int32_t value;
    } kWords[] = {{"1", 1}, {"0", 0}, {"TRUE", 1}, {"FALSE", 0}};
    for (const auto &w : kWords) {
        if (std::strcmp(token, w.text) == 0) {
            value->sfbool = w.value;
            return 1;
        }
    }
    if (vrml_ungetstring(in, token) < 0)
        vrml_problem(ctx, nullptr, 0, "getSFB: Couldn't push back onto stream");
    return 0;
}

ZEBVRML2_API int vrml_get_SFFloat(vrml_context *ctx, vrml_field *value) {
    return read_float(ctx, &value->sffloat);
}

ZEBVRML2_API int vrml_get_SFTime(vrml_context *ctx, vrml_field *value) {
    return read_number(ctx, VRML_ERR_SFTIME, &value->sftime, vrml_scandouble);
}

ZEBVRML2_API int vrml_get_SFInt32(vrml_context *ctx, vrml_field *value) {
    return read_int32(ctx, &value->sfint32);
}

ZEBVRML2_API int vrml_get_SFColor(vrml_context *ctx, vrml_field *value) {
    return read_floats(ctx, value->sfcolor, 3, VRML_ERR_SFCOLOR, nullptr);
}

ZEBVRML2_API int vrml_get_SFVec2f(vrml_context *ctx, vrml_field *value) {
    return read_floats(ctx, value->sfvec2f, 2, VRML_ERR_SFVEC2F, "Expected two floats");
}

ZEBVRML2_API int vrml_get_SFVec3f(vrml_context *ctx, vrml_field *value) {
    return read_floats(ctx, value->sfvec3f, 3, VRML_ERR_SFVEC3F, nullptr);
}

ZEBVRML2_API int vrml_get_SFRotation(vrml_context *ctx, vrml_field *value) {
    return read_floats(ctx, value->sfrotation, 4, VRML_ERR_SFROTATION, nullptr);
}

ZEBVRML2_API int vrml_get_SFString(vrml_context *ctx, vrml_field *value) {
    vrml_stream *in = ctx->in;
    vrml_skipspace(in);
    int c = in->stream_getc(in);
    if (c != '"') {
        if (c >= 0) in->stream_ungetc(in, c);
        return 0;
    }
    char buffer[kStringBufferSize];
    size_t length = 0;
    for (;;) {
        if (in->stream_eof(in)) {
            report_code(ctx, VRML_ERR_SFSTRING);
            return kVrmlReadUnterminated;
        }
        c = in->stream_getc(in);
        if (c == '"') break;
        if (c == '\\') {
            c = in->stream_getc(in);
            if (c >= 0) buffer[length++] = static_cast<char>(c);
            if (c < 0 || in->stream_eof(in)) {
                report_code(ctx, VRML_ERR_SFSTRING);
                return kVrmlReadUnterminated;
            }
        } else if (c >= 0) {
            buffer[length++] = static_cast<char>(c);
        }
        if (length == kStringBufferSize) {
            report_code(ctx, VRML_ERR_SFSTRING);
            return kVrmlReadTooLong;
        }
    }
    if (length == 0) {
        value->sfstring = nullptr;
        return 1;
    }
    char *text = static_cast<char *>(vrml_malloc(static_cast<unsigned>(length + 1)));
    value->sfstring = text;
    if (!text) {
        report_code(ctx, VRML_ERR_NOMEM);
        return kVrmlReadNoMemory;
    }
    std::memcpy(text, buffer, length);
    return 1;
}

ZEBVRML2_API int vrml_get_SFImage(vrml_context *ctx, vrml_field *value) {
    vrml_sfimage *image = &value->sfimage;
    unsigned char *pixels = nullptr;
    bool ok = read_int32(ctx, &image->width) == 1 && read_int32(ctx, &image->height) == 1 &&
              read_int32(ctx, &image->components) == 1;
    if (ok) {
        const int64_t width = image->width, height = image->height, components = image->components;
        if (width == 0 || height == 0 || components == 0) return 0;
        // Each factor is below 2^31: the first product fits, and the second
        // is formed only when the first is below 2^31 as well.
        ok = components >= 1 && components <= 4 && width > 0 && height > 0 &&
             width * height <= INT32_MAX && width * height * components <= INT32_MAX;
        if (ok) {
            const int64_t count = width * height;
            // The pixel array grows with the pixels actually read, so that a
            // header alone never claims gigabytes.
            int64_t room = count < kImageFirstPixels ? count : kImageFirstPixels;
            pixels = static_cast<unsigned char *>(
                vrml_malloc_array(static_cast<size_t>(room), static_cast<size_t>(components)));
            unsigned char *out = pixels;
            for (int64_t i = 0; ok && pixels && i < count; ++i) {
                if (i == room) {
                    room = room > count / 2 ? count : 2 * room;
                    pixels = grow_pixels(pixels, i * components, room * components);
                    if (!pixels) break;
                    out = pixels + i * components;
                }
                int32_t pixel = 0;
                ok = read_int32(ctx, &pixel) == 1;
                const uint32_t bits = static_cast<uint32_t>(pixel);
                for (int64_t k = 0; k < components; ++k)
                    *out++ = static_cast<unsigned char>(bits >> (8 * k));
            }
            if (!pixels) {
                report_code(ctx, VRML_ERR_NOMEM);
                std::memset(image, 0, sizeof *image);
                return -1;
            }
            if (ok) {
                image->pixels = pixels;
                return 1;
            }
        }
    }
    report_code(ctx, VRML_ERR_SFIMAGE);
    std::free(pixels);
    std::memset(image, 0, sizeof *image);
    return -1;
}

ZEBVRML2_API int vrml_get_SFNode(vrml_context *ctx, vrml_field *value) {
    vrml_field *read = vrml_parse_node(ctx, nullptr);
    if (!read) {
        value->sfnode.defref = 0;
        value->sfnode.node = nullptr;
        return -1;
    }
    value->sfnode = read->sfnode;
    std::free(read);
    return 1;
}

#define VRML_ARRAY_READER(Type)                                              \
    ZEBVRML2_API int vrml_get_##Type(vrml_context *ctx, vrml_field *value) { \
        return read_array(ctx, value, k##Type);                              \
    }
VRML_ARRAY_READER(MFColor)
VRML_ARRAY_READER(MFFloat)
VRML_ARRAY_READER(MFInt32)
VRML_ARRAY_READER(MFRotation)
VRML_ARRAY_READER(MFString)
VRML_ARRAY_READER(MFVec2f)
VRML_ARRAY_READER(MFVec3f)
#undef VRML_ARRAY_READER

ZEBVRML2_API int vrml_get_MFNode(vrml_context *ctx, vrml_field *value) {
    if (!value) {
        vrml_problem(ctx, nullptr, 0, "mfnode: null field");
        return -1;
    }
    vrml_stream *in = ctx->in;
    vrml_mfnode *list = &value->mfnode;
    list->count = 0;
    if (vrml_get_bracket(in) != 1) {
        if (read_list_node(ctx, list) < 0) {
            vrml_problem(ctx, nullptr, 0, "v_gmfn: unexpected NULL node\n");
            return 0;
        }
        return 1;
    }
    if (in->stream_eof(in)) return 1;
    for (;;) {
        if (vrml_get_bracket(in) == 2) return list->count;
        if (read_list_node(ctx, list) < 0) return list->count;
        if (in->stream_eof(in)) return 1;
    }
}

}  // extern "C"
