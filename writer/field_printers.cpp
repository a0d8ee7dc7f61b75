// The field printers.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fields/field_internal.h"
#include "fields/field_numbers.h"
#include "loader/memory.h"
#include "native/native_internal.h"
#include "vrml_parser.h"
#include "vrml_writer.h"
#include "platform/second_name.h"

namespace {

// Widest element: four "%f" numbers, their blanks, a trailing blank, a NUL.
constexpr size_t kElementSize = 4 * (kVrmlNumberSize + 1) + 2;

// The numbers go to the stream as the formats below ask. A stream of zebio's
// own takes the same bytes preformatted (exact "%f" and "%d" text from
// fields/field_numbers.h) without parsing a format; any other stream gets the
// format itself through its slot.
inline bool direct(const vrml_stream *out) {
    return out->stream_printf == zeb_printf && out->stream_iprintf == zeb_iprintf;
}

// "%f", "%f %f", ... with n numbers, and the same with a trailing blank.
const char *const kFloatFormats[2][5] = {
    {"", "%f", "%f %f", "%f %f %f", "%f %f %f %f"},
    {"", "%f ", "%f %f ", "%f %f %f ", "%f %f %f %f "},
};

// n floats of one element (n from 1 to 4) as kFloatFormats[blank][n]
// writes them, through stream_iprintf when indented, else stream_printf.
void put_floats(vrml_context *ctx, bool indented, const float *v, int n, bool blank) {
    vrml_stream *out = ctx->out;
    if (direct(out)) {
        char text[kElementSize];
        char *p = text;
        for (int i = 0; i < n; ++i) {
            if (i > 0) *p++ = ' ';
            p += vrml_formatfixed_float(p, v[i]);
        }
        if (blank) *p++ = ' ';
        zeb_write(out, indented, text, static_cast<size_t>(p - text));
        return;
    }
    auto write = indented ? out->stream_iprintf : out->stream_printf;
    const char *format = kFloatFormats[blank ? 1 : 0][n];
    switch (n) {
        case 1: write(out, format, double{v[0]}); break;
        case 2: write(out, format, double{v[0]}, double{v[1]}); break;
        case 3: write(out, format, double{v[0]}, double{v[1]}, double{v[2]}); break;
        default: write(out, format, double{v[0]}, double{v[1]}, double{v[2]}, double{v[3]}); break;
    }
}

// One integer as "%d" (or "%d " when blank).
void put_int(vrml_context *ctx, bool indented, int32_t value, bool blank) {
    vrml_stream *out = ctx->out;
    if (direct(out)) {
        char text[kVrmlNumberSize + 1];
        size_t n = vrml_formatint(text, value);
        if (blank) text[n++] = ' ';
        zeb_write(out, indented, text, n);
        return;
    }
    auto write = indented ? out->stream_iprintf : out->stream_printf;
    write(out, blank ? "%d " : "%d", static_cast<int>(value));
}

void print_floats(vrml_context *ctx, const float *values, int n) {
    put_floats(ctx, false, values, n, false);
}

// Element i of an array or image: with stream_iprintf and a trailing blank
// (a new line), unless i + 1 is a multiple of per_line: then with
// stream_printf, on the line of the element before.
inline bool begins_line(int64_t i, int per_line) { return (i + 1) % per_line != 0; }

void print_float_array(vrml_context *ctx, const vrml_field *value, int components, int per_line) {
    vrml_stream *out = ctx->out;
    out->stream_printf(out, "[");
    const vrml_mfarray &array = value->mfarray;
    const auto *values = static_cast<const float *>(array.values);
    for (int32_t i = 0; values && i < array.count; ++i) {
        const bool own_line = begins_line(i, per_line);
        put_floats(ctx, own_line, values + static_cast<size_t>(i) * components, components, own_line);
    }
    out->stream_printf(out, "]");
}

// Writes text in quotes, a backslash before every double quote and backslash.
void print_string(vrml_context *ctx, const char *text) {
    vrml_stream *out = ctx->out;
    if (!text) {
        out->stream_printf(out, "\"\"");
        return;
    }
    size_t specials = 0, length = 0;
    for (const char *p = text; *p; ++p, ++length)
        if (*p == '"' || *p == '\\') ++specials;
    if (specials == 0) {
        out->stream_printf(out, "\"%s\"", text);
        return;
    }
    char *escaped = static_cast<char *>(vrml_malloc_array(length + specials + 1, 1));
    if (!escaped) {
        // Out of memory: the same bytes, one piece at a time.
        out->stream_printf(out, "\"");
        for (const char *p = text; *p; ++p) {
            if (*p == '"' || *p == '\\') out->stream_printf(out, "\\%c", *p);
            else out->stream_printf(out, "%c", *p);
        }
        out->stream_printf(out, "\"");
        return;
    }
    char *q = escaped;
    for (const char *p = text; *p; ++p) {
        if (*p == '"' || *p == '\\') *q++ = '\\';
        *q++ = *p;
    }
    *q = '\0';
    out->stream_printf(out, "\"%s\"", escaped);
    std::free(escaped);
}

}  // namespace

extern "C" {

ZEBVRML2_API void vrml_print_SFBool(vrml_context *ctx, const vrml_field *value) {
    ctx->out->stream_printf(ctx->out, value->sfbool ? "TRUE" : "FALSE");
}

ZEBVRML2_API void vrml_print_SFFloat(vrml_context *ctx, const vrml_field *value) {
    print_floats(ctx, &value->sffloat, 1);
}

ZEBVRML2_API void vrml_print_SFInt32(vrml_context *ctx, const vrml_field *value) {
    put_int(ctx, false, value->sfint32, false);
}

ZEBVRML2_API void vrml_print_SFTime(vrml_context *ctx, const vrml_field *value) {
    vrml_stream *out = ctx->out;
    if (direct(out)) {
        char text[kVrmlNumberSize];
        zeb_write(out, 0, text, vrml_formatfixed(text, value->sftime));
    } else {
        out->stream_printf(out, "%lf", value->sftime);
    }
}

ZEBVRML2_API void vrml_print_SFVec2f(vrml_context *ctx, const vrml_field *value) {
    print_floats(ctx, value->sfvec2f, 2);
}

ZEBVRML2_API void vrml_print_SFColor(vrml_context *ctx, const vrml_field *value) {
    print_floats(ctx, value->sfcolor, 3);
}

ZEBVRML2_API void vrml_print_SFRotation(vrml_context *ctx, const vrml_field *value) {
    print_floats(ctx, value->sfrotation, 4);
}

ZEBVRML2_API void vrml_print_SFString(vrml_context *ctx, const vrml_field *value) {
    print_string(ctx, value->sfstring);
}

ZEBVRML2_API void vrml_print_SFImage(vrml_context *ctx, const vrml_field *value) {
    const vrml_sfimage &image = value->sfimage;
    vrml_stream *out = ctx->out;
    out->stream_printf(out, "%d %d %d", image.width, image.height, image.components);
    if (!image.pixels || image.components < 1 || image.components > 4) return;
    const int64_t count = int64_t{image.width} * image.height;
    const unsigned char *bytes = image.pixels;
    for (int64_t i = 0; i < count; ++i) {
        uint32_t bits = 0;
        for (int k = 0; k < image.components; ++k) bits |= uint32_t{*bytes++} << (8 * k);
        const bool own_line = begins_line(i, 30);
        put_int(ctx, own_line, static_cast<int32_t>(bits), own_line);
    }
}

ZEBVRML2_API void vrml_print_SFNode(vrml_context *ctx, const vrml_field *value) {
    const vrml_sfnode &ref = value->sfnode;
    vrml_stream *out = ctx->out;
    if (ref.defref == 0) {
        if (!ref.node) out->stream_printf(out, "NULL");
        else vrml_print_node(ctx, ref.node);
        return;
    }
    const long long magnitude = ref.defref < 0 ? -static_cast<long long>(ref.defref) : ref.defref;
    vrml_defentry *entry = vrml_getdefentry(ctx->deftable, static_cast<int>(magnitude - 1));
    if (!entry) vrml_fatal_err("Could not find def: %lld", magnitude);
    const char *name = entry->name ? entry->name : "";
    if (ref.defref > 0) {
        out->stream_printf(out, "USE %s", name);
        return;
    }
    out->stream_iprintf(out, "DEF %s ", name);
    if (!ref.node) out->stream_printf(out, "NULL");
    else vrml_print_node(ctx, ref.node);
}

void vrml_print_nodelist(vrml_context *ctx, const vrml_field *list) {
    bool first = true;
    for (const vrml_listitem *item = list->mfnode.nodes.first; item; item = item->next) {
        if (!item->data) continue;
        if (!first) ctx->out->stream_printf(ctx->out, " ");
        vrml_print_SFNode(ctx, static_cast<const vrml_field *>(item->data));
        first = false;
    }
}

ZEBVRML2_API void vrml_print_MFNode(vrml_context *ctx, const vrml_field *value) {
    vrml_stream *out = ctx->out;
    if (value->mfnode.count == 0) {
        out->stream_printf(out, "[]");
        return;
    }
    out->stream_printf(out, "[");
    vrml_print_nodelist(ctx, value);
    out->stream_printf(out, "]");
}

ZEBVRML2_API void vrml_print_MFColor(vrml_context *ctx, const vrml_field *value) {
    print_float_array(ctx, value, 3, 2);
}

ZEBVRML2_API void vrml_print_MFVec2f(vrml_context *ctx, const vrml_field *value) {
    print_float_array(ctx, value, 2, 4);
}

ZEBVRML2_API void vrml_print_MFRotation(vrml_context *ctx, const vrml_field *value) {
    print_float_array(ctx, value, 4, 2);
}

ZEBVRML2_API void vrml_print_MFFloat(vrml_context *ctx, const vrml_field *value) {
    print_float_array(ctx, value, 1, 6);
}

ZEBVRML2_API void vrml_print_MFInt32(vrml_context *ctx, const vrml_field *value) {
    vrml_stream *out = ctx->out;
    out->stream_printf(out, "[");
    const vrml_mfarray &array = value->mfarray;
    const auto *values = static_cast<const int32_t *>(array.values);
    for (int32_t i = 0; values && i < array.count; ++i) {
        const bool own_line = begins_line(i, 12);
        put_int(ctx, own_line, values[i], own_line);
    }
    out->stream_printf(out, "]");
}

ZEBVRML2_API void vrml_print_MFString(vrml_context *ctx, const vrml_field *value) {
    vrml_stream *out = ctx->out;
    out->stream_printf(out, "[");
    const vrml_mfarray &array = value->mfarray;
    const auto *texts = static_cast<char *const *>(array.values);
    for (int32_t i = 0; texts && i < array.count; ++i) print_string(ctx, texts[i]);
    out->stream_printf(out, "]");
}

VRML_SECOND_NAME(void, vrml_print_SFVec3f, (vrml_context *ctx, const vrml_field *value),
                 vrml_print_SFColor, (ctx, value))
VRML_SECOND_NAME(void, vrml_print_MFVec3f, (vrml_context *ctx, const vrml_field *value),
                 vrml_print_MFColor, (ctx, value))

}  // extern "C"

// Entries 1 and 10 are one function, so are 11 and 18.
const vrml_printfunc vrml_printfield[VRML_FIELDTYPE_COUNT] = {
    vrml_print_SFBool,    vrml_print_SFColor,  vrml_print_SFFloat,  vrml_print_SFImage,
    vrml_print_SFInt32,   vrml_print_SFNode,   vrml_print_SFRotation, vrml_print_SFString,
    vrml_print_SFTime,    vrml_print_SFVec2f,  vrml_print_SFColor,  vrml_print_MFColor,
    vrml_print_MFFloat,   vrml_print_MFInt32,  vrml_print_MFNode,   vrml_print_MFRotation,
    vrml_print_MFString,  vrml_print_MFVec2f,  vrml_print_MFColor,
};
