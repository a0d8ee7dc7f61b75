#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fields/field_internal.h"
#include "native/native_internal.h"
#include "vrml_parser.h"
#include "vrml_writer.h"
#include "scopes/scope_internal.h"
#include "support/test_support.h"

namespace {

// An output stream that records every write: 'p' for stream_printf, 'i' for
// stream_iprintf, with the formatted text.
struct Write {
    char op;
    std::string text;
    std::string format = {};  // not compared: see HostStreamsSeeTheFormats
    bool operator==(const Write &o) const { return op == o.op && text == o.text; }
};

class Recorder {
public:
    Recorder() {
        std::memset(&stream_, 0, sizeof stream_);
        std::memset(&ctx_, 0, sizeof ctx_);
        stream_.impl = this;
        stream_.stream_printf = &Recorder::printf_slot;
        stream_.stream_iprintf = &Recorder::iprintf_slot;
        ctx_.out = &stream_;
    }
    vrml_context *get() { return &ctx_; }
    std::vector<Write> writes;

private:
    static void record(vrml_stream *s, char op, const char *format, va_list ap) {
        char text[4096];
        std::vsnprintf(text, sizeof text, format, ap);
        static_cast<Recorder *>(s->impl)->writes.push_back({op, text, format});
    }
    static int printf_slot(vrml_stream *s, const char *format, ...) {
        va_list ap;
        va_start(ap, format);
        record(s, 'p', format, ap);
        va_end(ap);
        return 0;
    }
    static int iprintf_slot(vrml_stream *s, const char *format, ...) {
        va_list ap;
        va_start(ap, format);
        record(s, 'i', format, ap);
        va_end(ap);
        return 0;
    }
    vrml_stream stream_;
    vrml_context ctx_;
};

std::string print_text(int type, const vrml_field *v) {
    BareContext c;
    vrml_printfield[type](c.get(), v);
    return c.out.text();
}

vrml_field *read_text(int type, const std::string &text) {
    BareContext c(text);
    vrml_field *v = vrml_allocfield(type);
    vrml_parsefield[type](c.get(), v);
    return v;
}

TEST(PrintBlank, EveryType) {
    const char *want[VRML_FIELDTYPE_COUNT] = {
        "FALSE", "0.000000 0.000000 0.000000", "0.000000", "0 0 0", "0", "NULL",
        "0.000000 0.000000 0.000000 0.000000", "\"\"", "0.000000", "0.000000 0.000000",
        "0.000000 0.000000 0.000000", "[]", "[]", "[]", "[]", "[]", "[]", "[]", "[]"};
    for (int t = 0; t < VRML_FIELDTYPE_COUNT; ++t) {
        vrml_field *v = vrml_allocfield(t);
        EXPECT_EQ(print_text(t, v), want[t]) << vrml_fieldnames[t];
        vrml_freefielddata[t](v);
    }
}

TEST(PrintSingle, Values) {
    vrml_field v{};
    v.sfbool = 7;
    EXPECT_EQ(print_text(VRML_SFBOOL, &v), "TRUE");
    v.sffloat = 0.5f;
    EXPECT_EQ(print_text(VRML_SFFLOAT, &v), "0.500000");
    v.sffloat = 4e-7f;
    EXPECT_EQ(print_text(VRML_SFFLOAT, &v), "0.000000");
    v.sffloat = -4e-7f;
    EXPECT_EQ(print_text(VRML_SFFLOAT, &v), "-0.000000");
    v.sffloat = 1e30f;
    char want[64];
    std::snprintf(want, sizeof want, "%f", static_cast<double>(1e30f));
    EXPECT_EQ(print_text(VRML_SFFLOAT, &v), want);
    v.sffloat = -__builtin_inff();
    EXPECT_EQ(print_text(VRML_SFFLOAT, &v), "-inf");
    v.sfint32 = -3;
    EXPECT_EQ(print_text(VRML_SFINT32, &v), "-3");
    v.sftime = 12345.0000005;
    std::snprintf(want, sizeof want, "%lf", v.sftime);
    EXPECT_EQ(print_text(VRML_SFTIME, &v), want);
    vrml_field color{}, vec{};
    color.sfcolor[0] = vec.sfvec3f[0] = 0.25f;
    color.sfcolor[2] = vec.sfvec3f[2] = -1.0f;
    EXPECT_EQ(print_text(VRML_SFCOLOR, &color), "0.250000 0.000000 -1.000000");
    EXPECT_EQ(print_text(VRML_SFVEC3F, &vec), print_text(VRML_SFCOLOR, &color));
}

TEST(PrintSingle, EachValueIsOnePrintf) {
    Recorder r;
    vrml_field v{};
    v.sfrotation[1] = 1;
    vrml_print_SFRotation(r.get(), &v);
    EXPECT_EQ(r.writes, (std::vector<Write>{{'p', "0.000000 1.000000 0.000000 0.000000"}}));
}

TEST(PrintSFString, EscapesAndReadsBack) {
    vrml_field v{};
    char text[] = "say \"hi\" \\ now\nnext";
    v.sfstring = text;
    const std::string out = print_text(VRML_SFSTRING, &v);
    EXPECT_EQ(out, "\"say \\\"hi\\\" \\\\ now\nnext\"");
    vrml_field *back = read_text(VRML_SFSTRING, out);
    EXPECT_STREQ(back->sfstring, text);
    vrml_free_SFString(back);
    Recorder r;
    vrml_print_SFString(r.get(), &v);
    EXPECT_EQ(r.writes.size(), 1u);
}

TEST(PrintSFImage, PixelValuesAndLines) {
    vrml_field *one = read_text(VRML_SFIMAGE, "1 1 1 200");
    Recorder r1;
    vrml_print_SFImage(r1.get(), one);
    EXPECT_EQ(r1.writes, (std::vector<Write>{{'p', "1 1 1"}, {'i', "200 "}}));
    vrml_free_SFImage(one);

    vrml_field *rgb = read_text(VRML_SFIMAGE, "2 1 3 0xFF0000 0x0000FF");
    EXPECT_EQ(print_text(VRML_SFIMAGE, rgb), "2 1 3\n16711680 \n255 ");
    vrml_free_SFImage(rgb);

    vrml_field *neg = read_text(VRML_SFIMAGE, "1 1 4 -16777216");
    EXPECT_EQ(print_text(VRML_SFIMAGE, neg), "1 1 4\n-16777216 ");
    vrml_free_SFImage(neg);

    std::string text = "31 1 1";
    for (int i = 0; i < 31; ++i) text += " " + std::to_string(i);
    vrml_field *wide = read_text(VRML_SFIMAGE, text);
    Recorder r;
    vrml_print_SFImage(r.get(), wide);
    ASSERT_EQ(r.writes.size(), 32u);
    EXPECT_EQ(r.writes[29], (Write{'i', "28 "}));
    EXPECT_EQ(r.writes[30], (Write{'p', "29"}));
    EXPECT_EQ(r.writes[31], (Write{'i', "30 "}));
    vrml_free_SFImage(wide);
}

TEST(PrintArrays, MFFloatWritesInTheSpecifiedOrder) {
    vrml_field *v = read_text(VRML_MFFLOAT, "[1 2 3 4 5 6 7]");
    Recorder r;
    vrml_print_MFFloat(r.get(), v);
    const std::vector<Write> want = {
        {'p', "["},         {'i', "1.000000 "}, {'i', "2.000000 "}, {'i', "3.000000 "},
        {'i', "4.000000 "}, {'i', "5.000000 "}, {'p', "6.000000"},  {'i', "7.000000 "},
        {'p', "]"}};
    EXPECT_EQ(r.writes, want);
    vrml_free_MFarray(v);
}

TEST(PrintArrays, MFInt32TwelvePerLine) {
    std::string text = "[";
    for (int i = 1; i <= 24; ++i) text += " " + std::to_string(i);
    vrml_field *v = read_text(VRML_MFINT32, text + "]");
    Recorder r;
    vrml_print_MFInt32(r.get(), v);
    ASSERT_EQ(r.writes.size(), 26u);
    for (int i = 1; i <= 24; ++i) {
        const bool joins = i % 12 == 0;
        EXPECT_EQ(r.writes[static_cast<size_t>(i)],
                  (Write{joins ? 'p' : 'i', std::to_string(i) + (joins ? "" : " ")}));
    }
    vrml_free_MFarray(v);
}

TEST(PrintArrays, VectorsRotationsAndIndentedOutput) {
    vrml_field *v = read_text(VRML_MFVEC3F, "[1 2 3, 4 5 6, 7 8 9]");
    EXPECT_EQ(print_text(VRML_MFVEC3F, v),
              "[\n  1.000000 2.000000 3.000000 4.000000 5.000000 6.000000\n"
              "  7.000000 8.000000 9.000000 ]");
    vrml_free_MFarray(v);
    vrml_field *r = read_text(VRML_MFROTATION, "[0 1 0 1, 1 0 0 2, 0 0 1 3]");
    Recorder rec;
    vrml_print_MFRotation(rec.get(), r);
    EXPECT_EQ(rec.writes[2], (Write{'p', "1.000000 0.000000 0.000000 2.000000"}));
    vrml_free_MFarray(r);
    vrml_field *v2 = read_text(VRML_MFVEC2F, "[1 2 3 4 5 6 7 8 9 10]");
    Recorder rec2;
    vrml_print_MFVec2f(rec2.get(), v2);
    EXPECT_EQ(rec2.writes[4], (Write{'p', "7.000000 8.000000"}));
    EXPECT_EQ(rec2.writes[5], (Write{'i', "9.000000 10.000000 "}));
    vrml_free_MFarray(v2);
}

TEST(PrintArrays, StringsBackToBack) {
    vrml_field *v = read_text(VRML_MFSTRING, "[\"a\" \"\" \"q\\\"\"]");
    Recorder r;
    vrml_print_MFString(r.get(), v);
    EXPECT_EQ(r.writes, (std::vector<Write>{
                            {'p', "["}, {'p', "\"a\""}, {'p', "\"\""}, {'p', "\"q\\\"\""}, {'p', "]"}}));
    vrml_free_MFString(v);
}

TEST(PrintArrays, CountWithoutValuesWritesBrackets) {
    vrml_field v{};
    v.mfarray.count = 3;
    EXPECT_EQ(print_text(VRML_MFFLOAT, &v), "[]");
}

// A DEF table as the scopes keep it: the DEF entries, then the routes.
TEST(PrintNodes, UseAndDefByDefTable) {
    vrml_defentry a{const_cast<char *>("A"), nullptr}, b{const_cast<char *>("B"), nullptr};
    vrml_deftable table{};
    vrml_listappend(&table.defs, &a);
    vrml_listappend(&table.defs, &b);
    Recorder r;
    r.get()->deftable = &table;
    vrml_field *list = vrml_allocfield(VRML_MFNODE);
    for (int defref : {1, 2, -2}) {
        vrml_field *ref = vrml_allocfield(VRML_SFNODE);
        ref->sfnode.defref = defref;
        vrml_listappend(&list->mfnode.nodes, ref);
        ++list->mfnode.count;
    }
    vrml_listappend(&list->mfnode.nodes, nullptr);  // skipped
    vrml_print_MFNode(r.get(), list);
    const std::vector<Write> want = {{'p', "["},        {'p', "USE A"}, {'p', " "},
                                     {'p', "USE B"},    {'p', " "},     {'i', "DEF B "},
                                     {'p', "NULL"},     {'p', "]"}};
    EXPECT_EQ(r.writes, want);
    vrml_free_MFNode(list);
    std::free(table.defs.first);
    std::free(table.defs.last);
    vrml_deftable_releaseindex(&table);
}

TEST(PrintNodes, EmptyListAndNull) {
    vrml_field *empty = vrml_allocfield(VRML_MFNODE);
    Recorder r;
    vrml_print_MFNode(r.get(), empty);
    EXPECT_EQ(r.writes, (std::vector<Write>{{'p', "[]"}}));
    vrml_free_MFNode(empty);
    vrml_field *nulls = read_text(VRML_MFNODE, "[NULL NULL]");
    EXPECT_EQ(print_text(VRML_MFNODE, nulls), "[NULL NULL]");
    vrml_free_MFNode(nulls);
}

TEST(PrintNodes, MissingDefEntryIsFatal) {
    vrml_field v{};
    v.sfnode.defref = -4;
    EXPECT_EXIT(
        {
            BareContext c;
            vrml_print_SFNode(c.get(), &v);
        },
        FatalExit(), "");
}

TEST(RoundTrip, PrintThenReadGivesTheSameValue) {
    const char *texts[VRML_FIELDTYPE_COUNT] = {
        "TRUE", "0.1 0.2 0.3", "-123.456", "3 2 2 1 2 3 -4 0xFFFF 0x7FFF", "-2147483648",
        "NULL", "0 1 0 3.14159", "\"a \\\"q\\\" \\\\ b\"", "1234567.125", "1e-3 -2",
        "1 2 3", "[1 0 0, 0 1 0, 0 0 1]", "[0.5 0.25 1e5]", "[0x10 -1 7 8 9 10 11 12 13 14 15 16 17]",
        "[NULL NULL]", "[0 0 1 0.5]", "[\"x\" \"\" \"y\\\\\"]", "[1 2 3 4]", "[1 2 3 4 5 6]"};
    for (int t = 0; t < VRML_FIELDTYPE_COUNT; ++t) {
        vrml_field *v = read_text(t, texts[t]);
        const std::string printed = print_text(t, v);
        vrml_field *back = read_text(t, printed);
        EXPECT_EQ(print_text(t, back), printed) << vrml_fieldnames[t];
        if (t == VRML_SFFLOAT) {
            EXPECT_NEAR(back->sffloat, v->sffloat, 5e-7);
        } else if (t == VRML_SFIMAGE) {
            EXPECT_EQ(std::memcmp(back->sfimage.pixels, v->sfimage.pixels, 12), 0);
        } else if (t == VRML_MFINT32) {
            EXPECT_EQ(back->mfarray.count, 13);
        }
        vrml_freefielddata[t](v);
        vrml_freefielddata[t](back);
    }
}

}  // namespace

namespace {

// A stream of the host's own gets each piece with its own format and
// arguments, as the writes of the printers are specified.
TEST(HostStreamsSeeTheFormats, ArraysTimesAndImages) {
    Recorder r;
    vrml_field *floats = read_text(VRML_MFFLOAT, "[1 2 3 4 5 6 7]");
    vrml_printfield[VRML_MFFLOAT](r.get(), floats);
    std::vector<std::string> formats;
    for (const Write &w : r.writes) formats.push_back(std::string(1, w.op) + w.format);
    EXPECT_EQ(formats, (std::vector<std::string>{"p[", "i%f ", "i%f ", "i%f ", "i%f ", "i%f ",
                                                  "p%f", "i%f ", "p]"}));
    EXPECT_EQ(r.writes[6].text, "6.000000");
    vrml_freefielddata[VRML_MFFLOAT](floats);

    Recorder t;
    vrml_field time{};
    time.sftime = 2.5;
    vrml_printfield[VRML_SFTIME](t.get(), &time);
    vrml_field color{};
    color.sfcolor[0] = 0.5f;
    vrml_printfield[VRML_SFVEC3F](t.get(), &color);
    vrml_field *ints = read_text(VRML_MFINT32, "[1 -2]");
    vrml_printfield[VRML_MFINT32](t.get(), ints);
    vrml_field *image = read_text(VRML_SFIMAGE, "1 1 1 200");
    vrml_printfield[VRML_SFIMAGE](t.get(), image);
    std::vector<std::string> seen;
    for (const Write &w : t.writes) seen.push_back(std::string(1, w.op) + w.format + "=" + w.text);
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "p%lf=2.500000", "p%f %f %f=0.500000 0.000000 0.000000", "p[=[",
                        "i%d =1 ", "i%d =-2 ", "p]=]", "p%d %d %d=1 1 1", "i%d =200 "}));
    vrml_freefielddata[VRML_MFINT32](ints);
    vrml_freefielddata[VRML_SFIMAGE](image);
}

}  // namespace
