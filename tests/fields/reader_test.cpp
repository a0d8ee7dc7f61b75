#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/fields/field_test_util.h"

namespace {

using Codes = std::vector<int32_t>;

TEST(ReadSFBool, KeywordsAndDigits) {
    for (auto [text, want] : {std::pair{"TRUE", 1}, {"FALSE", 0}, {"1", 1}, {"0", 0}}) {
        ReadResult r;
        read_value(r, VRML_SFBOOL, std::string(" ") + text + " x");
        EXPECT_EQ(r.result, 1) << text;
        EXPECT_EQ(r.value->sfbool, want) << text;
        EXPECT_EQ(r.rest, " x");
    }
}

TEST(ReadSFBool, OtherWordsStayInTheInput) {
    ReadResult r;
    read_value(r, VRML_SFBOOL, "  true }");
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.value->sfbool, 0);
    EXPECT_EQ(r.rest, "true }");
    EXPECT_TRUE(r.log.empty());
    ReadResult e;
    read_value(e, VRML_SFBOOL, " # only a comment\n");
    EXPECT_EQ(e.result, 0);
}

TEST(ReadSFBool, OverlongTokenIsFatal) {
    EXPECT_EXIT(
        {
            BareContext c(std::string(31, 'T'));
            vrml_field v{};
            vrml_get_SFBool(c.get(), &v);
        },
        FatalExit(), "");
}

TEST(ReadSFInt32, Forms) {
    const struct {
        const char *text;
        int32_t value;
        int result;
        const char *rest;
    } cases[] = {
        {"0x1F", 31, 1, ""},          {"-7", -7, 1, ""},
        {"010", 8, 1, ""},            {"+5", 5, 1, ""},
        {"08", 0, 1, "8"},            {"0X7fffffff", 2147483647, 1, ""},
        {"-0x80000000", INT32_MIN, 1, ""},
        {"2147483648", INT32_MAX, 1, ""},
        {"-2147483649", INT32_MIN, 1, ""},
        {"99999999999999999999999", INT32_MAX, 1, ""},
        {"0xFFFFFF00", INT32_MAX, 1, ""},
        {"0x", 0, 1, "x"},            {"12abc", 12, 1, "abc"},
        {"abc", 0, 0, "abc"},         {"-", 0, 0, "-"},
        {"1.5", 1, 1, ".5"},
    };
    for (const auto &c : cases) {
        ReadResult r;
        read_value(r, VRML_SFINT32, c.text);
        EXPECT_EQ(r.result, c.result) << c.text;
        EXPECT_EQ(r.value->sfint32, c.value) << c.text;
        EXPECT_EQ(r.rest, c.rest) << c.text;
        EXPECT_TRUE(r.log.empty()) << c.text;
    }
}

TEST(ReadSFFloat, DecimalFormsOnly) {
    const struct {
        const char *text;
        float value;
        int result;
        const char *rest;
    } cases[] = {
        {"1e3", 1000.0f, 1, ""},   {".5", 0.5f, 1, ""},     {"5.", 5.0f, 1, ""},
        {"+2.5", 2.5f, 1, ""},     {"-2.5E-1", -0.25f, 1, ""},
        {"3.5.6", 3.5f, 1, ".6"},  {"1e", 1.0f, 1, "e"},    {"0x10", 0.0f, 1, "x10"},
        {"inf", 0.0f, 0, "inf"},   {"nan", 0.0f, 0, "nan"}, {"+-1", 0.0f, 0, "+-1"},
        {".", 0.0f, 0, "."},       {"-x", 0.0f, 0, "-x"},
        {"0.1", 0.1f, 1, ""},
    };
    for (const auto &c : cases) {
        ReadResult r;
        read_value(r, VRML_SFFLOAT, c.text);
        EXPECT_EQ(r.result, c.result) << c.text;
        EXPECT_EQ(r.value->sffloat, c.value) << c.text;
        EXPECT_EQ(r.rest, c.rest) << c.text;
    }
}

TEST(ReadSFFloat, BeyondTheRangeGivesInfinityOrZero) {
    ReadResult big, tiny, negtiny, sub;
    read_value(big, VRML_SFFLOAT, "-1e39");
    read_value(tiny, VRML_SFFLOAT, "1e-50");
    read_value(negtiny, VRML_SFFLOAT, "-0.0000000000000000000000000000000000000000000000001");
    read_value(sub, VRML_SFFLOAT, "1e-40");
    EXPECT_EQ(big.value->sffloat, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(tiny.value->sffloat, 0.0f);
    EXPECT_TRUE(std::signbit(negtiny.value->sffloat));
    EXPECT_EQ(negtiny.value->sffloat, 0.0f);
    EXPECT_EQ(sub.value->sffloat, std::strtof("1e-40", nullptr));
    EXPECT_EQ(big.result, 1);
}

TEST(ReadSFTime, KeepsDoublePrecision) {
    ReadResult r;
    read_value(r, VRML_SFTIME, "0.1");
    EXPECT_EQ(r.value->sftime, 0.1);
    ReadResult big;
    read_value(big, VRML_SFTIME, "1.5e300");
    EXPECT_EQ(big.value->sftime, 1.5e300);
}

TEST(ReadVectors, ComponentsAndIncompleteValues) {
    ReadResult color;
    read_value(color, VRML_SFCOLOR, "1 0 }");
    EXPECT_EQ(color.result, -1);
    EXPECT_EQ(color.value->sfcolor[0], 1.0f);
    EXPECT_EQ(color.value->sfcolor[1], 0.0f);
    ASSERT_EQ(color.log.size(), 1u);
    EXPECT_EQ(color.log[0].code, 0x402);
    EXPECT_EQ(color.log[0].text, "Invalid SFColor");
    EXPECT_EQ(color.rest, "}");

    ReadResult vec2;
    read_value(vec2, VRML_SFVEC2F, "1");
    EXPECT_EQ(vec2.result, -1);
    ASSERT_EQ(vec2.log.size(), 1u);
    EXPECT_EQ(vec2.log[0].code, 0x40a);
    EXPECT_EQ(vec2.log[0].text, "Expected two floats");

    ReadResult rot;
    read_value(rot, VRML_SFROTATION, "0,1,0 1.57");
    EXPECT_EQ(rot.result, 1);
    EXPECT_EQ(rot.value->sfrotation[1], 1.0f);
    EXPECT_EQ(rot.value->sfrotation[3], 1.57f);

    ReadResult none;
    read_value(none, VRML_SFVEC3F, " Box");
    EXPECT_EQ(none.result, 0);
    EXPECT_TRUE(none.log.empty());
    EXPECT_EQ(none.rest, "Box");

    ReadResult rot3;
    read_value(rot3, VRML_SFROTATION, "1 2 3");
    EXPECT_EQ(rot3.result, -1);
    EXPECT_EQ(rot3.codes(), Codes{0x407});
}

TEST(ReadSFString, EscapesLinesAndEmpty) {
    ReadResult r;
    read_value(r, VRML_SFSTRING, " \"a\\\"b\\\\c\nd\" rest");
    EXPECT_EQ(r.result, 1);
    EXPECT_STREQ(r.value->sfstring, "a\"b\\c\nd");
    EXPECT_EQ(r.rest, " rest");
    ReadResult empty;
    read_value(empty, VRML_SFSTRING, "\"\"");
    EXPECT_EQ(empty.result, 1);
    EXPECT_EQ(empty.value->sfstring, nullptr);
    ReadResult none;
    read_value(none, VRML_SFSTRING, "  abc");
    EXPECT_EQ(none.result, 0);
    EXPECT_EQ(none.rest, "abc");
}

TEST(ReadSFString, UnterminatedAndTooLong) {
    for (const char *text : {"\"abc", "\"abc\\", "\"abc\\\""}) {
        ReadResult r;
        read_value(r, VRML_SFSTRING, text);
        EXPECT_EQ(r.result, -3) << text;
        EXPECT_EQ(r.codes(), Codes{0x408}) << text;
        EXPECT_EQ(r.value->sfstring, nullptr);
    }
    ReadResult longest;
    read_value(longest, VRML_SFSTRING, "\"" + std::string(65534, 'x') + "\"");
    EXPECT_EQ(longest.result, 1);
    EXPECT_EQ(std::strlen(longest.value->sfstring), 65534u);
    ReadResult too_long;
    read_value(too_long, VRML_SFSTRING, "\"" + std::string(65535, 'x') + "\"");
    EXPECT_EQ(too_long.result, -2);
    EXPECT_EQ(too_long.codes(), Codes{0x408});
    EXPECT_EQ(too_long.rest, "\"");
}

TEST(ReadSFImage, PixelsLowBytesFirst) {
    ReadResult r;
    read_value(r, VRML_SFIMAGE, "2 1 3 0xFF 0xFF00");
    ASSERT_EQ(r.result, 1);
    EXPECT_EQ(r.value->sfimage.width, 2);
    EXPECT_EQ(r.value->sfimage.height, 1);
    EXPECT_EQ(r.value->sfimage.components, 3);
    const unsigned char want[] = {0xFF, 0, 0, 0, 0xFF, 0};
    EXPECT_EQ(std::memcmp(r.value->sfimage.pixels, want, 6), 0);

    ReadResult sat;
    read_value(sat, VRML_SFIMAGE, "1 1 4 0xFFFFFF00");
    ASSERT_EQ(sat.result, 1);
    const unsigned char sat_want[] = {0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_EQ(std::memcmp(sat.value->sfimage.pixels, sat_want, 4), 0);
}

TEST(ReadSFImage, EmptyImagesKeepTheirNumbers) {
    ReadResult r;
    read_value(r, VRML_SFIMAGE, "0 0 0 next");
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.value->sfimage.pixels, nullptr);
    EXPECT_EQ(r.rest, " next");
    ReadResult neg;
    read_value(neg, VRML_SFIMAGE, "0 -5 3");
    EXPECT_EQ(neg.result, 0);
    EXPECT_EQ(neg.value->sfimage.height, -5);
    EXPECT_EQ(neg.value->sfimage.components, 3);
    EXPECT_TRUE(neg.log.empty());
}

TEST(ReadSFImage, FailuresLeaveABlankRecord) {
    for (const char *text : {"1 1 5 0", "-1 2 1 0", "2 -1 1 0", "65536 65536 1 0", "2 1 1 3 x",
                             "2 1 1 3", "1 x 1", "1 1 -2 0"}) {
        ReadResult r;
        read_value(r, VRML_SFIMAGE, text);
        EXPECT_EQ(r.result, -1) << text;
        EXPECT_EQ(r.codes(), Codes{0x404}) << text;
        EXPECT_EQ(r.log[0].text, "Invalid SFImage");
        const vrml_sfimage blank{};
        EXPECT_EQ(std::memcmp(&r.value->sfimage, &blank, sizeof blank), 0) << text;
    }
}

TEST(ReadSFNode, NullAndNoNode) {
    ReadResult r;
    read_value(r, VRML_SFNODE, " NULL ]");
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.value->sfnode.defref, 0);
    EXPECT_EQ(r.value->sfnode.node, nullptr);
    EXPECT_EQ(r.rest, " ]");
    ReadResult none;
    read_value(none, VRML_SFNODE, "");
    EXPECT_EQ(none.result, -1);
}

TEST(ReadArrays, SingleValueAndLists) {
    ReadResult one;
    read_value(one, VRML_MFINT32, "7");
    EXPECT_EQ(one.result, 1);
    ASSERT_EQ(one.value->mfarray.count, 1);
    EXPECT_EQ(elements<int32_t>(one.value)[0], 7);
    EXPECT_EQ(one.value->mfarray.staging.count, 0);
    EXPECT_EQ(one.value->mfarray.staging.first, nullptr);

    ReadResult empty;
    read_value(empty, VRML_MFINT32, "[ ] x");
    EXPECT_EQ(empty.result, 0);
    EXPECT_EQ(empty.value->mfarray.count, 0);
    EXPECT_EQ(empty.value->mfarray.values, nullptr);
    EXPECT_EQ(empty.rest, " x");

    ReadResult commas;
    read_value(commas, VRML_MFFLOAT, "[1,2,3,]");
    EXPECT_EQ(commas.result, 3);
    ASSERT_EQ(commas.value->mfarray.count, 3);
    EXPECT_EQ(elements<float>(commas.value)[2], 3.0f);

    ReadResult split;
    read_value(split, VRML_MFFLOAT, "[3.5.6]");
    EXPECT_EQ(split.result, 2);
    ASSERT_EQ(split.value->mfarray.count, 2);
    EXPECT_EQ(elements<float>(split.value)[0], 3.5f);
    EXPECT_EQ(elements<float>(split.value)[1], 0.6f);

    ReadResult vecs;
    read_value(vecs, VRML_MFVEC3F, "[1 2 3, 4 5 6]");
    EXPECT_EQ(vecs.result, 2);
    EXPECT_EQ(elements<float>(vecs.value)[5], 6.0f);
}

TEST(ReadArrays, NoValueHere) {
    ReadResult r;
    read_value(r, VRML_MFINT32, " x");
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.codes(), Codes{0x40e});
    EXPECT_EQ(r.log[0].text, "Invalid MFInt32");
    EXPECT_EQ(r.value->mfarray.count, 0);
    EXPECT_EQ(r.rest, "x");
}

TEST(ReadArrays, FailedListKeepsWhatWasRead) {
    ReadResult r;
    read_value(r, VRML_MFINT32, "[1 2 x]");
    EXPECT_EQ(r.result, -1);
    EXPECT_EQ(r.codes(), Codes{0x40e});
    ASSERT_EQ(r.value->mfarray.count, 2);
    EXPECT_EQ(elements<int32_t>(r.value)[1], 2);
    EXPECT_EQ(r.value->mfarray.staging.count, 0);
    EXPECT_EQ(r.rest, "x]");

    ReadResult partial;
    read_value(partial, VRML_MFVEC3F, "[1 2 3 4 5]");
    EXPECT_EQ(partial.result, -1);
    EXPECT_EQ(partial.codes(), Codes{0x40b});
    EXPECT_EQ(partial.value->mfarray.count, 1);

    ReadResult strings;
    read_value(strings, VRML_MFSTRING, "[\"a\" \"b");
    EXPECT_EQ(strings.result, -3);
    ASSERT_EQ(strings.value->mfarray.count, 1);
    EXPECT_STREQ(elements<char *>(strings.value)[0], "a");
}

TEST(ReadArrays, Strings) {
    ReadResult r;
    read_value(r, VRML_MFSTRING, "[\"a\" \"\" \"b\\\"c\"]");
    EXPECT_EQ(r.result, 3);
    ASSERT_EQ(r.value->mfarray.count, 3);
    EXPECT_STREQ(elements<char *>(r.value)[0], "a");
    EXPECT_EQ(elements<char *>(r.value)[1], nullptr);
    EXPECT_STREQ(elements<char *>(r.value)[2], "b\"c");
    ReadResult one;
    read_value(one, VRML_MFSTRING, "\"only\"");
    EXPECT_EQ(one.result, 1);
    EXPECT_STREQ(elements<char *>(one.value)[0], "only");
    ReadResult bad;
    read_value(bad, VRML_MFSTRING, "[\"a\" 5]");
    EXPECT_EQ(bad.result, -1);
    EXPECT_EQ(bad.codes(), Codes{0x413});
    EXPECT_EQ(bad.value->mfarray.count, 1);
}

TEST(ReadMFNode, SingleListAndFailures) {
    ReadResult one;
    read_value(one, VRML_MFNODE, "NULL");
    EXPECT_EQ(one.result, 1);
    EXPECT_EQ(one.value->mfnode.count, 1);
    EXPECT_EQ(one.value->mfnode.nodes.count, 1);

    ReadResult empty;
    read_value(empty, VRML_MFNODE, "[] x");
    EXPECT_EQ(empty.result, 0);
    EXPECT_EQ(empty.value->mfnode.count, 0);
    EXPECT_EQ(empty.value->mfnode.nodes.first, nullptr);
    EXPECT_EQ(empty.rest, " x");

    ReadResult two;
    read_value(two, VRML_MFNODE, "[ NULL, NULL ]");
    EXPECT_EQ(two.result, 2);
    EXPECT_EQ(two.value->mfnode.count, 2);
    EXPECT_EQ(two.value->mfnode.nodes.count, 2);

    ReadResult open;
    read_value(open, VRML_MFNODE, "[ NULL");
    EXPECT_EQ(open.result, 1);
    EXPECT_EQ(open.value->mfnode.count, 1);

    ReadResult stop;
    read_value(stop, VRML_MFNODE, "[ NULL Unknown ]");
    EXPECT_EQ(stop.result, 1);
    EXPECT_EQ(stop.value->mfnode.count, 1);
    EXPECT_EQ(stop.rest, "]");  // the type name without a brace is consumed

    ReadResult bad;
    read_value(bad, VRML_MFNODE, "Unknown");
    EXPECT_EQ(bad.result, 0);
    EXPECT_EQ(bad.value->mfnode.count, 0);
    ASSERT_EQ(bad.log.size(), 1u);
    EXPECT_EQ(bad.log[0].text, "v_gmfn: unexpected NULL node\n");
}

TEST(ReadMFNode, NullRecord) {
    LogCapture log;
    BareContext c("[]");
    EXPECT_EQ(vrml_get_MFNode(c.get(), nullptr), -1);
    EXPECT_EQ(log.texts(), std::vector<std::string>{"mfnode: null field"});
    EXPECT_EQ(c.in.rest(), "[]");
}

TEST(ReadNumbers, TokenLimitIsFatal) {
    EXPECT_EXIT(
        {
            BareContext c(std::string(255, '1'));
            vrml_field v{};
            vrml_get_SFFloat(c.get(), &v);
        },
        FatalExit(), "");
    BareContext c(std::string(254, '1'));
    vrml_field v{};
    EXPECT_EQ(vrml_get_SFInt32(c.get(), &v), 1);
    EXPECT_EQ(v.sfint32, INT32_MAX);
}

}  // namespace
