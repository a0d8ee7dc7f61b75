// vrmlutil_writescene: a loaded scene written as VRML text that reads back
// to the same scene.
//
// The scene is walked twice in one order. The first walk (planning) writes
// nothing: it records where each node first appears, where it is used again
// and which routes each naming scope (the world, every PROTO body) carries;
// from that each node gets the name it is written under. The second walk
// writes. Text collects in a buffer that goes to the stream between members.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fields/field_internal.h"
#include "fields/field_numbers.h"
#include "loader/report.h"
#include "nodes/name_index.h"
#include "nodes/node_internal.h"
#include "parser/parser_internal.h"
#include "writer/writer_internal.h"
#include "zebio/heap.h"

namespace {

constexpr int kBuiltins = VRML_BUILTIN_COUNT;
constexpr size_t kFlushSize = 1 << 16;
constexpr size_t kLineWidth = 78;
constexpr int32_t kOneLineMost = 40;  // elements of a list tried on one line

// A growable array of plain records; false from push when memory ran out.
template <typename T>
struct Array {
    T *items = nullptr;
    size_t count = 0, room = 0;
    bool push(const T &item) {
        if (count == room) {
            size_t grown = room ? room * 2 : 16;
            void *p = vrml_heap_realloc(items, grown * sizeof(T));
            if (!p) return false;
            items = static_cast<T *>(p);
            room = grown;
        }
        items[count++] = item;
        return true;
    }
    void release() { std::free(items), items = nullptr, count = room = 0; }
};

// What the planning walk learns of one node.
struct NodeInfo {
    const void *key;
    int scope;        // the naming scope of its first appearance
    int64_t first;    // position of its first appearance
    int64_t lastuse;  // position of its last USE or ROUTE, -1 when none
    char *name;       // the name it is written under, or null
    bool ownname;     // name is node->defname (not allocated here)
    bool written;     // the writing walk has written its DEF
};

// A node of a PROTO body and its copy in an instance's body.
struct CopyPair {
    const void *key;
    const void *copy;
};

// Open addressing from pointers to records whose first word is the key
// (NodeInfo; CopyPair; a route set uses the key alone).
template <typename Record>
struct PointerMap {
    Record *slots = nullptr;
    size_t mask = 0, used = 0;
    static size_t hash(const void *p) {
        auto v = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p));
        return static_cast<size_t>((v >> 4) * 0x9E3779B97F4A7C15ull >> 20);
    }
    Record *find(const void *key) const {
        if (!slots) return nullptr;
        for (size_t i = hash(key) & mask;; i = (i + 1) & mask) {
            if (slots[i].key == key) return &slots[i];
            if (!slots[i].key) return nullptr;
        }
    }
    // The record of key, made (zeroed) when new; null when memory ran out.
    Record *insert(const void *key, bool *made) {
        *made = false;
        if ((used + 1) * 2 > mask + 1 || !slots) {
            size_t size = slots ? (mask + 1) * 2 : 256;
            auto *grown = static_cast<Record *>(vrml_heap_calloc(size, sizeof(Record)));
            if (!grown) return nullptr;
            for (size_t i = 0; slots && i <= mask; ++i) {
                if (!slots[i].key) continue;
                size_t j = hash(slots[i].key) & (size - 1);
                while (grown[j].key) j = (j + 1) & (size - 1);
                grown[j] = slots[i];
            }
            std::free(slots);
            slots = grown;
            mask = size - 1;
        }
        size_t i = hash(key) & mask;
        for (; slots[i].key; i = (i + 1) & mask)
            if (slots[i].key == key) return &slots[i];
        slots[i].key = key;
        ++used;
        *made = true;
        return &slots[i];
    }
};

// A route as written: two nodes and two member names.
struct RouteLine {
    vrml_node *from, *to;
    const char *out, *in;
};

// One naming scope: the world or one PROTO body.
struct Scope {
    vrml_deftable *defs;       // names that generated names avoid
    Array<vrml_node *> nodes;  // in order of first appearance
    size_t routes_begin = 0, routes_end = 0;
};

struct Writer {
    vrml_context *ctx;
    bool planning = true;
    bool failed = false;  // output error or no memory
    int unwritable = 0;
    int64_t position = 0;
    PointerMap<NodeInfo> nodes;
    PointerMap<NodeInfo> seenroutes;
    PointerMap<CopyPair> copies;  // emptied for each PROTO instance
    Array<Scope> scopes;
    Array<RouteLine> routes;
    int scope = 0;     // the current naming scope
    int scopeseq = 0;  // scopes entered so far in this walk
    vrml_nodetemplate *proto = nullptr;  // the PROTO whose body is being written
    bool floatshape = false;  // floats keep a point (members of unknown-type nodes)
    char *text = nullptr;
    size_t length = 0, room = 0;
    size_t flushed = 0;  // bytes already passed to the stream
    size_t linebegin = 0;  // where the current line begins in text
};

// ---- Text -----------------------------------------------------------------

bool reserve(Writer &w, size_t more) {
    // One byte more stays free for the NUL that flush() may need.
    if (w.length + more < w.room) return true;
    size_t grown = w.room ? w.room : 1 << 17;
    while (grown <= w.length + more) grown *= 2;
    void *p = vrml_heap_realloc(w.text, grown);
    if (!p) return w.failed = true, false;
    w.text = static_cast<char *>(p);
    w.room = grown;
    return true;
}

void put(Writer &w, const char *s, size_t n) {
    if (w.planning || !reserve(w, n)) return;
    std::memcpy(w.text + w.length, s, n);
    w.length += n;
}
void put(Writer &w, const char *s) { put(w, s, std::strlen(s)); }
void put(Writer &w, char c) {
    if (w.planning || !reserve(w, 1)) return;
    w.text[w.length++] = c;
}

// Room for a number of at most kNumberRoom characters at the end of the
// text, or null.
constexpr size_t kNumberRoom = 64;
static_assert(kNumberRoom >= kVrmlFloatRoom);
char *number_room(Writer &w) {
    return w.planning || !reserve(w, kNumberRoom) ? nullptr : w.text + w.length;
}

void newline(Writer &w, int level) {
    if (w.planning || !reserve(w, 1 + 2 * static_cast<size_t>(level))) return;
    w.text[w.length++] = '\n';
    w.linebegin = w.length;
    for (int i = 0; i < 2 * level; ++i) w.text[w.length++] = ' ';
}

void flush(Writer &w) {
    if (w.planning || w.length == 0) return;
    vrml_stream *out = w.ctx->out;
    int r;
    if (out->stream_printf == zeb_printf) {
        r = zeb_write(out, 0, w.text, w.length);
    } else {
        w.text[w.length] = '\0';  // reserve() keeps one spare byte
        r = out->stream_printf(out, "%s", w.text);
    }
    if (r < 0) w.failed = true;
    w.flushed += w.length;
    w.length = w.linebegin = 0;
}

void maybe_flush(Writer &w) {
    if (w.length >= kFlushSize) flush(w);
}

// Starts a line at level unless nothing was written yet.
void begin_line(Writer &w, int level) {
    if (w.flushed + w.length) newline(w, level);
}

// The column of the end of the text written so far (line breaks inside
// strings aside).
size_t column(const Writer &w) { return w.length - w.linebegin; }

// ---- Reports --------------------------------------------------------------

const char *member_name(vrml_node *node, int m) {
    vrml_nodetemplate *t = node ? node->nodetemplate : nullptr;
    return t && m >= 0 && m < t->membercount && t->members[m].name ? t->members[m].name : "?";
}

const char *type_of(vrml_node *node) {
    return node && node->nodetemplate && node->nodetemplate->name ? node->nodetemplate->name : "?";
}

// Counts and reports one item the text cannot carry (in the planning walk,
// so that each is reported once).
void unwritable(Writer &w, vrml_node *node, int m, const char *what) {
    if (!w.planning) return;
    ++w.unwritable;
    vrml_problem(w.ctx, nullptr, VRML_ERR_WRITE, "writer: cannot write %s (%s%s%s)", what, type_of(node),
                 m < 0 ? "" : ".", m < 0 ? "" : member_name(node, m));
}

// ---- Values -----------------------------------------------------------------

// A real's text (at most kNumberRoom bytes) into out; returns its length.
// floatshape: keep a point (a lenient load reads a number without point or
// exponent as an integer).
template <typename T>
size_t format_real(char *out, T value, bool floatshape) {
    if (std::isnan(value)) value = 0;  // reported by the planning walk
    size_t n;
    if (std::isinf(value)) {
        // The nearest decimal beyond the type's range reads back as infinity.
        const char *text = sizeof(T) == sizeof(float) ? "-1e39" : "-1e309";
        if (value > 0) ++text;  // without the sign
        n = std::strlen(text);
        std::memcpy(out, text, n);
        return n;
    }
    if constexpr (sizeof(T) == sizeof(float)) n = vrml_formatshortest(out, value);
    else n = static_cast<size_t>(std::to_chars(out, out + kNumberRoom, value).ptr - out);
    if (floatshape && !std::memchr(out, '.', n) && !std::memchr(out, 'e', n)) out[n++] = '.', out[n++] = '0';
    return n;
}

template <typename T>
void put_real(Writer &w, T value) {
    if (char *text = number_room(w)) w.length += format_real(text, value, w.floatshape);
}

size_t format_int(char *out, int64_t value) {
    return static_cast<size_t>(std::to_chars(out, out + kNumberRoom, value).ptr - out);
}

void put_int(Writer &w, int64_t value) {
    if (char *text = number_room(w)) w.length += format_int(text, value);
}

// A pixel in hexadecimal; one of four components from 0x80000000 on is
// written negated, as the 32-bit reading gives the same bits back.
void put_pixel(Writer &w, uint32_t bits, int components) {
    char text[16] = "-0x";
    bool negative = bits > 0x7FFFFFFFu;
    uint32_t magnitude = negative ? 0u - bits : bits;
    char *p = text + 3;
    auto r = std::to_chars(p, text + sizeof text, magnitude, 16);
    // Two digits per component, upper case, zero-padded.
    size_t digits = static_cast<size_t>(r.ptr - p), want = negative ? digits : 2u * components;
    char padded[16] = "0x";
    size_t n = 2;
    for (size_t i = digits; i < want; ++i) padded[n++] = '0';
    for (size_t i = 0; i < digits; ++i) {
        char c = p[i];
        padded[n++] = c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (negative) put(w, '-');
    put(w, padded, n);
}

void put_string(Writer &w, const char *s) {
    put(w, '"');
    for (const char *p = s ? s : ""; *p;) {
        size_t run = std::strcspn(p, "\"\\");
        put(w, p, run);
        p += run;
        if (*p) put(w, '\\'), put(w, *p++);
    }
    put(w, '"');
}

void write_node(Writer &w, vrml_node *node, int level);

// The text of element i of a number array (MFInt32 or floats) into out
// (room for four reals and their blanks); returns its length.
size_t format_element(char *out, int type, const vrml_mfarray &a, int32_t i, bool floatshape) {
    if (type == VRML_MFINT32) return format_int(out, static_cast<const int32_t *>(a.values)[i]);
    int n = type == VRML_MFFLOAT ? 1 : type == VRML_MFVEC2F ? 2 : type == VRML_MFROTATION ? 4 : 3;
    const float *v = static_cast<const float *>(a.values) + static_cast<size_t>(i) * n;
    char *p = out;
    for (int k = 0; k < n; ++k) {
        if (k) *p++ = ' ';
        p += std::isfinite(v[k]) && !floatshape ? vrml_formatshortest(p, v[k]) : format_real(p, v[k], floatshape);
    }
    return static_cast<size_t>(p - out);
}

constexpr size_t kElementRoom = 4 * (kNumberRoom + 1);

// Element i of an array value (not MFNode).
void put_element(Writer &w, int type, const vrml_mfarray &a, int32_t i) {
    if (type == VRML_MFSTRING) return put_string(w, static_cast<char *const *>(a.values)[i]);
    if (w.planning || !reserve(w, kElementRoom)) return;
    w.length += format_element(w.text + w.length, type, a, i, w.floatshape);
}

// ", " between the elements of a list, " " between pixels.
void put_separator(Writer &w, bool bare) {
    if (w.planning || !reserve(w, 2)) return;
    if (!bare) w.text[w.length++] = ',';
    w.text[w.length++] = ' ';
}

// Replaces the blank before position at with a line break to level.
void break_before(Writer &w, size_t at, int level) {
    size_t indent = 2 * static_cast<size_t>(level);
    if (!reserve(w, indent)) return;
    std::memmove(w.text + at + indent, w.text + at, w.length - at);
    w.text[at - 1] = '\n';
    w.linebegin = at;
    std::memset(w.text + at, ' ', indent);
    w.length += indent;
}

// Elements separated by ", " within "[ ]" on the current line when they fit
// in the line width, else on lines one level deeper, wrapped by element.
// An image's pixels (bare) go without brackets and commas.
template <typename Element>
void put_list(Writer &w, int32_t count, int level, bool bare, Element element) {
    if (count == 0) return put(w, bare ? "" : "[]");
    size_t start = w.length;
    bool wrap = !w.planning && count > kOneLineMost;
    if (!wrap) {
        put(w, bare ? " " : "[ ");
        for (int32_t i = 0; i < count && !wrap; ++i) {
            if (i) put_separator(w, bare);
            element(i);
            wrap = !w.planning && !w.failed && column(w) + 2 > kLineWidth;
        }
        if (!wrap) return put(w, bare ? "" : " ]");
        w.length = start;
    }
    if (!bare) put(w, '[');
    newline(w, level + 1);
    size_t linestart = w.length;
    for (int32_t i = 0; i < count && !w.failed; ++i) {
        if (i) put_separator(w, bare);
        size_t at = w.length;
        element(i);
        if (at > linestart && column(w) + 1 > kLineWidth) {
            break_before(w, at, level + 1);
            linestart = at;
        }
    }
    if (!bare) newline(w, level), put(w, ']');
}

// put_list's wrapped form of a number array (MFInt32 or floats), each
// element made in place: where it ends past the line width, the blank
// before it becomes a line break and the element moves right by the
// indentation (once a line).
void put_number_lines(Writer &w, int type, const vrml_mfarray &a, int level) {
    put(w, '[');
    newline(w, level + 1);
    const size_t indent = 2 * static_cast<size_t>(level + 1);
    size_t linestart = w.length;
    for (int32_t i = 0; i < a.count && !w.failed; ++i) {
        if (w.planning || !reserve(w, 2 + indent + kElementRoom)) break;
        char *const text = w.text;
        char *p = text + w.length;
        if (i) *p++ = ',', *p++ = ' ';
        const size_t at = static_cast<size_t>(p - text);
        const size_t n = format_element(p, type, a, i, w.floatshape);
        if (at > linestart && at - w.linebegin + n + 1 > kLineWidth) {
            std::memmove(p + indent, p, n);
            p[-1] = '\n';
            w.linebegin = linestart = at;
            std::memset(p, ' ', indent);
            p += indent;
        }
        w.length = static_cast<size_t>(p + n - text);
    }
    newline(w, level);
    put(w, ']');
}

size_t element_size(int type) {
    switch (type) {
        case VRML_MFFLOAT: case VRML_MFINT32: return 4;
        case VRML_MFVEC2F: return 8;
        case VRML_MFROTATION: return 16;
        default: return 12;
    }
}

// The floats of a value of type (components per element in *n), or null.
const float *floats_of(int type, const vrml_field *v, int64_t *n) {
    switch (type) {
        case VRML_SFFLOAT: return *n = 1, &v->sffloat;
        case VRML_SFVEC2F: return *n = 2, v->sfvec2f;
        case VRML_SFCOLOR: case VRML_SFVEC3F: return *n = 3, v->sfcolor;
        case VRML_SFROTATION: return *n = 4, v->sfrotation;
        case VRML_MFFLOAT: case VRML_MFVEC2F: case VRML_MFCOLOR: case VRML_MFVEC3F: case VRML_MFROTATION:
            *n = v->mfarray.values ? int64_t{v->mfarray.count} * static_cast<int64_t>(element_size(type) / 4) : 0;
            return static_cast<const float *>(v->mfarray.values);
        default: return nullptr;
    }
}

// Writes one value of type at the current position of a line at level. The
// planning walk only follows nodes and reports NaN values.
void write_value(Writer &w, int type, const vrml_field *v, int level, vrml_node *node, int m) {
    static const vrml_field blank{};
    if (!v) v = &blank;
    if (w.planning && type != VRML_SFNODE && type != VRML_MFNODE) {
        int64_t n = 0;
        const float *f = floats_of(type, v, &n);
        bool nan = type == VRML_SFTIME && std::isnan(v->sftime);
        for (int64_t i = 0; f && i < n && !nan; ++i) nan = std::isnan(f[i]);
        if (nan) unwritable(w, node, m, "a NaN value (written as 0)");
        const vrml_sfimage &im = v->sfimage;
        if (type == VRML_SFIMAGE && im.pixels && int64_t{im.width} * im.height > INT32_MAX)
            unwritable(w, node, m, "an image of more than 2^31 pixels");
        return;
    }
    switch (type) {
        case VRML_SFBOOL: return put(w, v->sfbool ? "TRUE" : "FALSE");
        case VRML_SFINT32: return put_int(w, v->sfint32);
        case VRML_SFTIME: return put_real(w, v->sftime);
        case VRML_SFSTRING: return put_string(w, v->sfstring);
        case VRML_SFNODE: return write_node(w, v->sfnode.node, level);
        case VRML_SFFLOAT: case VRML_SFVEC2F: case VRML_SFCOLOR: case VRML_SFVEC3F:
        case VRML_SFROTATION: {
            int n = type == VRML_SFFLOAT ? 1 : type == VRML_SFVEC2F ? 2 : type == VRML_SFROTATION ? 4 : 3;
            for (int k = 0; k < n; ++k) {
                if (k) put(w, ' ');
                put_real(w, v->sfrotation[k]);
            }
            return;
        }
        case VRML_SFIMAGE: {
            const vrml_sfimage &im = v->sfimage;
            bool pixels = im.pixels && im.components >= 1 && im.components <= 4;
            int64_t count = pixels ? int64_t{im.width} * im.height : 0;
            put_int(w, count ? im.width : 0), put(w, ' ');
            put_int(w, count ? im.height : 0), put(w, ' ');
            put_int(w, count ? im.components : 0);
            if (count == 0) return;
            if (count > INT32_MAX) return;  // reported by the planning walk
            put_list(w, static_cast<int32_t>(count), level, true, [&](int32_t i) {
                const unsigned char *b = im.pixels + static_cast<size_t>(i) * im.components;
                uint32_t bits = 0;
                for (int k = 0; k < im.components; ++k) bits |= uint32_t{b[k]} << (8 * k);
                put_pixel(w, bits, im.components);
            });
            return;
        }
        case VRML_MFNODE: {
            const vrml_list &list = v->mfnode.nodes;
            bool any = false;
            for (vrml_listitem *it = list.first; it && !any; it = it->next) any = it->data != nullptr;
            if (!any) return put(w, "[]");
            // A null element is kept as NULL, as it was read.
            put(w, '[');
            for (vrml_listitem *it = list.first; it; it = it->next) {
                auto *ref = static_cast<const vrml_field *>(it->data);
                if (!ref) continue;
                newline(w, level + 1);
                write_node(w, ref->sfnode.node, level + 1);
            }
            newline(w, level);
            return put(w, ']');
        }
        default:
            if (type < 0 || type >= VRML_FIELDTYPE_COUNT) return;
            if (type != VRML_MFSTRING && v->mfarray.values && v->mfarray.count > kOneLineMost)
                return put_number_lines(w, type, v->mfarray, level);
            put_list(w, v->mfarray.values ? v->mfarray.count : 0, level, false,
                     [&](int32_t i) { put_element(w, type, v->mfarray, i); });
    }
}

// ---- Comparing with the default -----------------------------------------

bool same_text(const char *a, const char *b) { return std::strcmp(a ? a : "", b ? b : "") == 0; }

// True when the two values are the same bit for bit (nodes by identity).
bool same_value(int type, const vrml_field *a, const vrml_field *b) {
    static const vrml_field blank{};
    if (!a) a = &blank;
    if (!b) b = &blank;
    switch (type) {
        case VRML_SFBOOL: case VRML_SFINT32: case VRML_SFFLOAT: return a->sfint32 == b->sfint32;
        case VRML_SFTIME: return std::memcmp(&a->sftime, &b->sftime, sizeof(double)) == 0;
        case VRML_SFVEC2F: return std::memcmp(a->sfvec2f, b->sfvec2f, 8) == 0;
        case VRML_SFCOLOR: case VRML_SFVEC3F: return std::memcmp(a->sfcolor, b->sfcolor, 12) == 0;
        case VRML_SFROTATION: return std::memcmp(a->sfrotation, b->sfrotation, 16) == 0;
        case VRML_SFSTRING: return same_text(a->sfstring, b->sfstring);
        case VRML_SFNODE: return a->sfnode.node == b->sfnode.node;
        case VRML_SFIMAGE: {
            const vrml_sfimage &x = a->sfimage, &y = b->sfimage;
            size_t n = static_cast<size_t>(int64_t{x.width} * x.height * x.components);
            if (!x.pixels || !y.pixels || n == 0)
                return (!x.pixels || n == 0) &&
                       (!y.pixels || int64_t{y.width} * y.height * y.components == 0);
            return x.width == y.width && x.height == y.height && x.components == y.components &&
                   std::memcmp(x.pixels, y.pixels, n) == 0;
        }
        case VRML_MFNODE: {
            const vrml_listitem *i = a->mfnode.nodes.first, *j = b->mfnode.nodes.first;
            for (; i && j; i = i->next, j = j->next) {
                auto *x = static_cast<const vrml_field *>(i->data);
                auto *y = static_cast<const vrml_field *>(j->data);
                if ((x ? x->sfnode.node : nullptr) != (y ? y->sfnode.node : nullptr)) return false;
            }
            return !i && !j;
        }
        default: {
            const vrml_mfarray &x = a->mfarray, &y = b->mfarray;
            int32_t n = x.values ? x.count : 0, k = y.values ? y.count : 0;
            if (n != k) return false;
            if (type != VRML_MFSTRING)
                return n == 0 || std::memcmp(x.values, y.values, n * element_size(type)) == 0;
            for (int32_t i = 0; i < n; ++i)
                if (!same_text(static_cast<char *const *>(x.values)[i],
                               static_cast<char *const *>(y.values)[i]))
                    return false;
            return true;
        }
    }
}

// ---- Nodes ------------------------------------------------------------------

bool is_script(const vrml_node *node) {
    return node->type >= kBuiltins && node->nodetemplate &&
           std::strcmp(node->nodetemplate->name, "Script") == 0;
}

const char *class_word(int memberclass) {
    return memberclass >= 0 && memberclass < 4 ? vrml_fieldnames[kVrmlClassNameBase + memberclass] : "field";
}

const char *type_word(int type) {
    return type >= 0 && type < VRML_FIELDTYPE_COUNT ? vrml_fieldnames[type] : "SFInt32";
}

void write_members(Writer &w, vrml_node *node, int level) {
    vrml_nodetemplate *t = node->nodetemplate;
    bool script = is_script(node);
    for (int m = vrml_hiddenmembers(node); m < t->membercount; ++m) {
        const vrml_fieldtemplate &member = t->members[m];
        vrml_member *slot = &node->members[m];
        int status = slot->status;
        bool declared = script && m >= 5;
        if (status < 0 && status != kVrmlWiredInstanceStatus && status != kVrmlWiredProtoStatus &&
            (!w.proto || -status - 1 >= w.proto->membercount)) {
            unwritable(w, node, m, "an IS mapping outside its PROTO");
            continue;
        }
        if (status == kVrmlWiredInstanceStatus || status == kVrmlWiredProtoStatus) {
            unwritable(w, node, m, "the EXTERNPROTO wiring");
            status = 0;
        }
        bool valued = member.memberclass == VRML_EXPOSEDFIELD || member.memberclass == VRML_FIELD;
        const vrml_field *value = vrml_memberContentPtr(slot);
        bool changed = valued && status >= 0 && !same_value(member.type, value, member.defaultvalue);
        // A Script's directOutput and mustEvaluate always count as given.
        bool given = status > 0 && !(script && (m == 3 || m == 4));
        if (!declared && status >= 0 && !given && !changed) continue;
        maybe_flush(w);
        newline(w, level + 1);
        if (declared) {
            put(w, class_word(member.memberclass)), put(w, ' ');
            put(w, type_word(member.type)), put(w, ' ');
        }
        put(w, member.name);
        if (status < 0) {
            put(w, " IS "), put(w, w.proto->members[-status - 1].name);
        } else if (valued && (!declared || member.memberclass == VRML_FIELD)) {
            put(w, ' ');
            w.floatshape = vrml_isunknowntype(t) && (member.type == VRML_SFFLOAT || member.type == VRML_MFFLOAT);
            write_value(w, member.type, value, level + 1, node, m);
            w.floatshape = false;
        }
    }
}

NodeInfo *info_of(Writer &w, vrml_node *node) { return w.nodes.find(node); }

using CopyPairs = PointerMap<CopyPair>;
bool same_copy(CopyPairs &pairs, const vrml_field *body, const vrml_field *copy, int type);

// True when copy, a node of a PROTO instance's own body, still holds the
// values of source, the node of the PROTO body it was copied from (IS
// members aside: they hold the instance's values).
// Each node is compared once (bodies may share nodes and hold cycles).
bool same_copied_node(CopyPairs &pairs, vrml_node *source, vrml_node *copy) {
    if (!source || !copy) return source == copy;
    bool made = false;
    CopyPair *pair = pairs.insert(source, &made);
    if (!pair) return true;  // out of memory: nothing more is compared
    if (!made) return pair->copy == copy;
    pair->copy = copy;
    vrml_nodetemplate *t = source->nodetemplate;
    if (!t || !copy->nodetemplate || std::strcmp(t->name, copy->nodetemplate->name)) return false;
    for (int m = vrml_hiddenmembers(source); m < t->membercount; ++m) {
        int c = t->members[m].memberclass;
        if (source->members[m].status < 0 || (c != VRML_EXPOSEDFIELD && c != VRML_FIELD)) continue;
        if (!same_copy(pairs, vrml_memberContentPtr(&source->members[m]), vrml_memberContentPtr(&copy->members[m]),
                       t->members[m].type))
            return false;
    }
    return true;
}

bool same_copy(CopyPairs &pairs, const vrml_field *body, const vrml_field *copy, int type) {
    if (!body || !copy) return body == copy;
    if (type == VRML_SFNODE) return same_copied_node(pairs, body->sfnode.node, copy->sfnode.node);
    if (type != VRML_MFNODE) return same_value(type, body, copy);
    const vrml_listitem *i = body->mfnode.nodes.first, *j = copy->mfnode.nodes.first;
    for (; i && j; i = i->next, j = j->next)
        if (!same_copy(pairs, static_cast<const vrml_field *>(i->data), static_cast<const vrml_field *>(j->data),
                       VRML_SFNODE))
            return false;
    return !i && !j;
}

// A PROTO instance whose own copy of the body was changed: the text makes
// the copy again from the PROTO.
void check_instance_body(Writer &w, vrml_node *node) {
    vrml_nodetemplate *t = node->nodetemplate;
    if (!vrml_isprototype(t, node->type) || t->external || t->membercount < 1) return;
    CopyPairs &pairs = w.copies;
    if (pairs.used) std::memset(pairs.slots, 0, (pairs.mask + 1) * sizeof(CopyPair));
    pairs.used = 0;
    if (!same_copy(pairs, t->members[0].defaultvalue, vrml_memberContentPtr(&node->members[0]), VRML_MFNODE))
        unwritable(w, node, -1, "an edit inside the instance's own copy of its PROTO body");
}

// A node at its place in the writing order: DEF name and body at its first
// appearance, USE name afterwards.
void write_node(Writer &w, vrml_node *node, int level) {
    if (!node || !node->nodetemplate) return put(w, "NULL");
    ++w.position;
    if (w.planning) {
        bool made = false;
        NodeInfo *info = w.nodes.insert(node, &made);
        if (!info) return void(w.failed = true);
        if (!made) {
            info->lastuse = w.position;
            return;
        }
        info->scope = w.scope;
        info->first = w.position;
        info->lastuse = -1;
        if (!w.scopes.items[w.scope].nodes.push(node)) return void(w.failed = true);
        check_instance_body(w, node);
    } else {
        NodeInfo *info = info_of(w, node);
        if (!info) return void(w.failed = true);
        if (info->written) {
            put(w, "USE "), put(w, info->name ? info->name : "?");
            return;
        }
        info->written = true;
        if (info->name) put(w, "DEF "), put(w, info->name), put(w, ' ');
    }
    if (!w.planning) put(w, node->nodetemplate->name), put(w, " {");
    size_t open = w.length;
    write_members(w, node, level);
    if (w.planning) return;
    if (w.length != open) newline(w, level);
    put(w, '}');
}

// ---- Routes -----------------------------------------------------------------

// Records a route of the current scope when both ends are nodes written in
// it and the members fit; reports it otherwise.
void add_route(Writer &w, vrml_node *from, int out, vrml_node *to, int in) {
    NodeInfo *a = from ? info_of(w, from) : nullptr;
    NodeInfo *b = to ? info_of(w, to) : nullptr;
    if (!a || !b || a->scope != w.scope || b->scope != w.scope)
        return unwritable(w, from, out, "a ROUTE to a node not written in its scope");
    vrml_nodetemplate *ft = from->nodetemplate, *tt = to->nodetemplate;
    if (out < 0 || out >= ft->membercount || in < 0 || in >= tt->membercount ||
        ft->members[out].type != tt->members[in].type ||
        ft->members[out].memberclass == VRML_EVENTIN || ft->members[out].memberclass == VRML_FIELD ||
        tt->members[in].memberclass == VRML_EVENTOUT || tt->members[in].memberclass == VRML_FIELD)
        return unwritable(w, from, out, "a ROUTE between members of different types");
    a->lastuse = b->lastuse = w.position;
    if (!w.routes.push({from, to, ft->members[out].name, tt->members[in].name})) w.failed = true;
}

// The routes of the current scope: those leaving its nodes (not the copies
// a PROTO instance made of its body's routes), then those its DEF table
// still holds.
void collect_routes(Writer &w, vrml_deftable *defs) {
    Scope &scope = w.scopes.items[w.scope];
    scope.routes_begin = w.routes.count;
    ++w.position;
    for (size_t i = 0; i < scope.nodes.count; ++i) {
        vrml_node *node = w.scopes.items[w.scope].nodes.items[i];
        for (int m = 0; m < node->nodetemplate->membercount; ++m) {
            vrml_eventout *event = vrml_member_eventout(node->nodetemplate, node, m);
            for (vrml_listitem *it = event ? event->routes.first : nullptr; it; it = it->next) {
                auto *route = static_cast<vrml_route *>(it->data);
                if (!route || (route->scope && route->scope->owner)) continue;
                bool made = false;
                if (!w.seenroutes.insert(route, &made)) return void(w.failed = true);
                if (!made) continue;
                if (route->notifier) {
                    unwritable(w, node, m, "a notifier");
                    continue;
                }
                add_route(w, route->sourcenode ? route->sourcenode : node, route->sourcemember,
                          route->targetnode, route->targetmember);
            }
        }
    }
    for (vrml_listitem *it = defs ? defs->routes.first : nullptr; it; it = it->next) {
        auto *route = static_cast<vrml_route *>(it->data);
        vrml_defentry *from = route ? vrml_getdefentry(defs, route->sourcedef) : nullptr;
        vrml_defentry *to = route ? vrml_getdefentry(defs, route->targetdef) : nullptr;
        if (from && to) add_route(w, from->node, route->sourcemember, to->node, route->targetmember);
    }
    w.scopes.items[w.scope].routes_end = w.routes.count;
}

void write_routes(Writer &w, int level) {
    const Scope &scope = w.scopes.items[w.scope];
    for (size_t i = scope.routes_begin; i < scope.routes_end; ++i) {
        const RouteLine &r = w.routes.items[i];
        maybe_flush(w);
        begin_line(w, level);
        put(w, "ROUTE "), put(w, info_of(w, r.from)->name), put(w, '.'), put(w, r.out);
        put(w, " TO "), put(w, info_of(w, r.to)->name), put(w, '.'), put(w, r.in);
    }
}

// ---- Names ------------------------------------------------------------------

const char *name_at(const void *owner, int32_t pos) {
    return static_cast<const Scope *>(owner)->nodes.items[pos]->defname;
}

// Gives every node of the scope the name it is written under. Walking back
// from the last DEF: a node keeps its DEF name when no USE or ROUTE of it
// comes after the next DEF of that name that is kept; a node that loses its
// name, and a node used again that has none, gets a generated one.
void assign_names(Writer &w, Scope &scope) {
    vrml_namehash kept;
    vrml_namehash_init(&kept, name_at, &scope);
    int serial = 0;
    for (size_t i = scope.nodes.count; i-- > 0;) {
        vrml_node *node = scope.nodes.items[i];
        NodeInfo *info = info_of(w, node);
        const char *name = node->defname && node->defname[0] ? node->defname : nullptr;
        if (name) {
            uint32_t h = vrml_namehash_of(name);
            int32_t next = vrml_namehash_get(&kept, name, h);
            int64_t limit = next >= 0 ? info_of(w, scope.nodes.items[next])->first : INT64_MAX;
            if (info->lastuse < limit) {
                info->name = node->defname;
                info->ownname = true;
                if (!vrml_namehash_put(&kept, name, h, static_cast<int32_t>(i), true)) w.failed = true;
                continue;
            }
        } else if (info->lastuse < 0) {
            continue;
        }
        // A generated name: base_N, clashing with no name of the scope.
        const char *base = name ? name : "Shared";
        size_t n = std::strlen(base);
        char *made = static_cast<char *>(vrml_heap_malloc(n + 16));
        if (!made) return void(w.failed = true);
        do {
            std::memcpy(made, base, n);
            made[n] = '_';
            auto r = std::to_chars(made + n + 1, made + n + 15, ++serial);
            *r.ptr = '\0';
        } while (vrml_finddefidx(scope.defs, made) >= 0 ||
                 vrml_namehash_get(&kept, made, vrml_namehash_of(made)) >= 0);
        info->name = made;
    }
    vrml_namehash_release(&kept);
}

// ---- Scopes and declarations ----------------------------------------------

void write_scope(Writer &w, vrml_scope *scope, const vrml_field *nodes, int level);

void write_interface(Writer &w, vrml_nodetemplate *t, bool defaults, int level) {
    put(w, " [");
    for (int m = 2; m < t->membercount; ++m) {
        const vrml_fieldtemplate &member = t->members[m];
        if (!member.name || member.name[0] == '#') continue;
        newline(w, level + 1);
        put(w, class_word(member.memberclass)), put(w, ' ');
        put(w, type_word(member.type)), put(w, ' '), put(w, member.name);
        bool valued = member.memberclass == VRML_EXPOSEDFIELD || member.memberclass == VRML_FIELD;
        if (defaults && valued) {
            put(w, ' ');
            write_value(w, member.type, member.defaultvalue, level + 1, nullptr, m);
        }
    }
    newline(w, level);
    put(w, ']');
}

void write_declaration(Writer &w, vrml_scope *outer, vrml_nodetemplate *t, int level) {
    maybe_flush(w);
    begin_line(w, level);
    if (t->external) {
        put(w, "EXTERNPROTO "), put(w, t->name);
        write_interface(w, t, false, level);
        newline(w, level);
        static const vrml_field none{};
        write_value(w, VRML_MFSTRING, t->externrecord ? t->externrecord->url : &none, level, nullptr, 0);
        return;
    }
    put(w, "PROTO "), put(w, t->name);
    write_interface(w, t, true, level);
    newline(w, level);
    put(w, '{');
    const vrml_field *id = t->membercount > 1 ? t->members[1].defaultvalue : nullptr;
    vrml_scope *body = id ? vrml_getscopeentry(w.ctx, id->sfint32) : nullptr;
    if (body && body != outer) {
        vrml_nodetemplate *saved = w.proto;
        w.proto = t;
        write_scope(w, body, t->members[0].defaultvalue, level + 1);
        w.proto = saved;
    }
    newline(w, level);
    put(w, '}');
}

// A naming scope: its PROTO and EXTERNPROTO declarations, its nodes and
// its routes.
void write_scope(Writer &w, vrml_scope *scope, const vrml_field *nodes, int level) {
    int outer = w.scope;
    w.scope = w.scopeseq++;
    if (w.planning && !w.scopes.push(Scope{scope->deftable, {}, 0, 0})) return void(w.failed = true);
    vrml_templatetable *table = scope->templates;
    for (int id = kBuiltins; table && id < table->count && !w.failed; ++id) {
        vrml_nodetemplate *t = table->templates[id];
        if (t && vrml_isprototype(t, id) && !vrml_istemplatealias(table, id)) write_declaration(w, scope, t, level);
    }
    for (vrml_listitem *it = nodes ? nodes->mfnode.nodes.first : nullptr; it && !w.failed; it = it->next) {
        auto *ref = static_cast<const vrml_field *>(it->data);
        if (!ref) continue;
        maybe_flush(w);
        begin_line(w, level);
        write_node(w, ref->sfnode.node, level);
    }
    if (w.planning) {
        collect_routes(w, scope->deftable);
        if (!w.failed) assign_names(w, w.scopes.items[w.scope]);
    } else {
        write_routes(w, level);
    }
    w.scope = outer;
}

void release(Writer &w) {
    for (size_t i = 0; w.nodes.slots && i <= w.nodes.mask; ++i)
        if (w.nodes.slots[i].key && !w.nodes.slots[i].ownname) std::free(w.nodes.slots[i].name);
    std::free(w.nodes.slots);
    std::free(w.seenroutes.slots);
    std::free(w.copies.slots);
    for (size_t i = 0; i < w.scopes.count; ++i) w.scopes.items[i].nodes.release();
    w.scopes.release();
    w.routes.release();
    std::free(w.text);
}

}  // namespace

extern "C" ZEBVRML2_API int vrmlutil_writescene(vrml_context *ctx, vrml_stream *stream, int flags) {
    if (!ctx || !ctx->root) return -1;
    vrml_scope *world = vrml_getscopeentry(ctx, 0);
    if (!world) return -1;
    vrml_stream *saved = ctx->out;
    if (stream) ctx->out = stream;
    Writer w;
    w.ctx = ctx;
    vrml_field roots{};
    roots.mfnode = *ctx->root;
    write_scope(w, world, &roots, 0);
    w.planning = false;
    w.position = 0;
    w.scopeseq = 0;
    if (!(flags & VRML_WRITESCENE_NOHEADER)) put(w, "#VRML V2.0 utf8");
    if (!w.failed) write_scope(w, world, &roots, 0);
    if (w.flushed + w.length) put(w, '\n');
    flush(w);
    int result = w.failed ? -1 : w.unwritable;
    if (w.failed) vrml_problem(ctx, nullptr, VRML_ERR_WRITE, "writer: output failed");
    release(w);
    ctx->out = saved;
    return result;
}
