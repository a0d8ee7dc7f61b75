// The field printers: for each row of tests/data/golden/fields/values.txt,
// every write a printer makes through the host's stream slots (p: the
// plain slot, i: the indenting one), with its format and the text it gives,
// compared with values.out; and each printed value reads back as the same
// print.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "fields/field_internal.h"
#include "support/test_support.h"

namespace {

const std::string kFolder = std::string(ZEBVRML2_SOURCE_DIR) + "/tests/data/golden/fields/";

std::string quoted(const std::string &text) {
    std::string out = "\"";
    for (char c : text)
        out += c == '\n' ? std::string("\\n") : c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    return out + "\"";
}

// An output stream that writes down every call of its slots.
struct Recorder {
    Recorder() {
        stream.impl = &writes;
        stream.stream_printf = &slot<'p'>;
        stream.stream_iprintf = &slot<'i'>;
        ctx.out = &stream;
    }
    template <char op>
    static int slot(vrml_stream *s, const char *format, ...) {
        char text[4096];
        va_list ap;
        va_start(ap, format);
        int n = std::vsnprintf(text, sizeof text, format, ap);
        va_end(ap);
        *static_cast<std::string *>(s->impl) += std::string(1, op) + " " + quoted(format) + " " + quoted(text) + "\n";
        return n;
    }
    vrml_stream stream{};
    vrml_context ctx{};
    std::string writes;
};

vrml_field *read_value(int type, const std::string &text) {
    BareContext c(text);
    vrml_field *v = vrml_allocfield(type);
    if (text != "-") vrml_parsefield[type](c.get(), v);
    return v;
}

std::string print_value(int type, const vrml_field *v) {
    BareContext c;
    vrml_printfield[type](c.get(), v);
    return c.out.text();
}

int type_named(const std::string &name) {
    for (int t = 0; t < VRML_FIELDTYPE_COUNT; ++t)
        if (name == vrml_fieldnames[t]) return t;
    return -1;
}

TEST(FieldPrinters, WritesAsRecordedAndReadsBack) {
    std::istringstream rows(read_file(kFolder + "values.txt"));
    std::string all, line, row;
    auto run = [&] {
        if (row.empty()) return;
        const size_t blank = row.find(' ');
        const int type = type_named(row.substr(0, blank));
        ASSERT_GE(type, 0) << row;
        const std::string text = row.substr(blank + 1);
        Recorder r;
        vrml_field *v = read_value(type, text);
        vrml_printfield[type](&r.ctx, v);
        all += "> " + row + "\n" + r.writes;
        const std::string printed = print_value(type, v);
        vrml_field *back = read_value(type, printed);
        EXPECT_EQ(print_value(type, back), printed) << row;
        vrml_freefielddata[type](v);
        vrml_freefielddata[type](back);
    };
    while (std::getline(rows, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '+') {
            row += "\n" + line.substr(1);
            continue;
        }
        run();
        row = line;
    }
    run();
    if (std::getenv("ZEBVRML2_UPDATE_GOLDEN")) std::ofstream(kFolder + "values.out", std::ios::binary) << all;
    EXPECT_EQ(read_file(kFolder + "values.out"), all);
}

// An array whose count was set without values writes empty brackets.
TEST(FieldPrinters, CountWithoutValuesWritesBrackets) {
    vrml_field v{};
    v.mfarray.count = 3;
    EXPECT_EQ(print_value(VRML_MFFLOAT, &v), "[]");
}

}  // namespace
