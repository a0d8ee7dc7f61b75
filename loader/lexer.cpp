// Lexer readers. Every frame here may be left by a jump out of
// vrml_fatal_err, so nothing in it owns a resource.
#include "loader/lexer.h"

#include <cstring>

#include "loader/context_private.h"
#include "loader/report.h"

namespace {

// zebio's own streams are read straight from their window [cur, end); any
// other stream, and the window's end, go through the slots.
inline bool windowed(const vrml_stream *in) {
    return in->stream_getc == zeb_getc && in->cur < in->end;
}

inline int next(vrml_stream *in) {
    if (windowed(in)) {
        int c = *in->cur++;
        if (c == '\n') ++in->line;
        return c;
    }
    return in->stream_getc(in);
}
inline void back(vrml_stream *in, int c) {
    if (c >= 0) in->stream_ungetc(in, c);
}
inline bool at_end(vrml_stream *in) { return !windowed(in) && in->stream_eof(in) != 0; }

// Appends to buffer the characters of the window that keep accepts, as long
// as they fit below size-1. True when a character that ends the run was
// found in the window (it stays unread); false when the window or the room
// ran out first and the caller must go on character by character.
template <typename Keep>
bool scan_run(vrml_stream *in, char *buffer, int size, int &len, Keep keep) {
    if (in->stream_getc != zeb_getc) return false;
    const unsigned char *p = in->cur;
    const unsigned char *end = in->end;
    while (p < end && keep(*p) && len + 1 < size) buffer[len++] = static_cast<char>(*p++);
    in->cur = p;
    return p < end && !keep(*p);
}

inline bool ends_token(int c) { return vrml_ends_token(c); }

// Rest of a name after its first character. too_long must not return.
template <typename TooLong>
int read_name_rest(vrml_stream *in, char *buffer, int size, int len, TooLong too_long) {
    if (scan_run(in, buffer, size, len, [](int c) { return vrml_isnamechar(c) != 0; })) {
        buffer[len] = '\0';
        return len;
    }
    for (;;) {
        int c = next(in);
        if (c < 0) break;
        if (!vrml_isnamechar(c)) {
            back(in, c);
            break;
        }
        if (len + 1 >= size) {
            buffer[len] = '\0';
            too_long();
        }
        buffer[len++] = static_cast<char>(c);
    }
    buffer[len] = '\0';
    return len;
}

[[noreturn]] void nodename_too_long(vrml_stream *in, const char *buffer, int size) {
    vrml_problem(nullptr, in, 0, "vrml_get_nodename: Node name too long: (%d)", size);
    vrml_fatal_err("vrml_get_nodename: Node name too long: (%s)", buffer);
}

[[noreturn]] void token_too_long(vrml_stream *in, const char *buffer, int size) {
    vrml_problem(nullptr, in, 0, "v_g_tokenstring: token too long: (%d)", size);
    vrml_fatal_err("v_g_tokenstring: token too long: (%s)", buffer);
}

}  // namespace

int vrml_isnamechar(int c) {
    if (c < 0x20 || c >= 0x7F) return 0;
    switch (c) {
        case ' ': case '[': case ']': case '#': case ',': case '.': case '{': case '}':
        case '+': case '`': case '\'': case '\\': case '"':
            return 0;
        default:
            return 1;
    }
}

int vrml_skipline(vrml_stream *in) {
    for (;;) {
        int c = next(in);
        if (c < 0 || c == '\n' || c == '\r') return 1;
    }
}

int vrml_skipspace(vrml_stream *in) {
    if (at_end(in)) return 0;
    if (in->stream_getc == zeb_getc) {
        // Blanks and whole comments inside the window.
        const unsigned char *p = in->cur;
        const unsigned char *end = in->end;
        while (p < end) {
            int c = *p;
            if (c == '#') {
                const unsigned char *q = p + 1;
                while (q < end && *q != '\n' && *q != '\r') ++q;
                if (q == end) break;  // the comment goes on past the window
                if (*q == '\n') ++in->line;
                p = q + 1;
            } else if (vrml_isblank(c)) {
                if (c == '\n') ++in->line;
                ++p;
            } else {
                in->cur = p;
                return 1;
            }
        }
        in->cur = p;
        if (at_end(in)) return 0;
    }
    for (;;) {
        int c = next(in);
        if (c < 0) return 0;
        if (c == '#') {
            vrml_skipline(in);
        } else if (!vrml_isblank(c)) {
            back(in, c);
            return 1;
        }
        if (at_end(in)) return 0;
    }
}

int vrml_get_nodename(vrml_stream *in, char *buffer, int size) {
    return vrml_get_nodename_of(nullptr, in, buffer, size);
}

int vrml_peekchar(vrml_stream *in) {
    if (!vrml_skipspace(in)) return -1;
    int c = next(in);
    back(in, c);
    return c;
}

int vrml_get_nodename_of(const vrml_context *ctx, vrml_stream *in, char *buffer, int size) {
    if (!vrml_skipspace(in)) return 0;
    int c = next(in);
    if (c < 0) return 0;
    if (c == '{' || c == '}') {
        back(in, c);
        return 0;
    }
    bool digit = c >= '0' && c <= '9';
    if (digit && !(vrml_context_options(ctx) & VRML_LOAD_LENIENT))
        vrml_fatal_err("v_g_nn: Invalid name: is digit!!! %d\n", c);
    if (!vrml_isnamechar(c)) {
        vrml_problem(nullptr, in, 0, "Near line %d\n", static_cast<int>(in->line));
        return 0;
    }
    if (size <= 1) {
        if (size == 1) buffer[0] = '\0';
        nodename_too_long(in, "", size);
    }
    buffer[0] = static_cast<char>(c);
    int n = read_name_rest(in, buffer, size, 1, [&] { nodename_too_long(in, buffer, size); });
    if (digit) vrml_problem(nullptr, in, 0, "Name begins with a digit: %s", buffer);
    return n;
}

int vrml_get_fieldname(vrml_stream *in, char *buffer, int size) {
    if (!vrml_skipspace(in)) return 0;
    int c = next(in);
    if (c < 0) return 0;
    if (!vrml_isnamechar(c)) {
        vrml_problem(nullptr, in, 0, "vrml_get_fieldname: Invalid name: %c\n", c);
        back(in, c);
        return 0;
    }
    auto too_long = [] { vrml_fatal_err("vrml_get_fieldname: Node name too long\n"); };
    if (size <= 1) {
        if (size == 1) buffer[0] = '\0';
        too_long();
    }
    buffer[0] = static_cast<char>(c);
    return read_name_rest(in, buffer, size, 1, too_long);
}

int vrml_get_tokenstring(vrml_stream *in, char *buffer, int size) {
    if (!vrml_skipspace(in)) return 0;
    int c = next(in);
    if (c < 0) return 0;
    if (c == '{' || c == '}' || c == '[' || c == ']') {
        back(in, c);
        return 0;
    }
    if (size <= 1) {
        if (size == 1) buffer[0] = '\0';
        token_too_long(in, "", size);
    }
    int len = 0;
    buffer[len++] = static_cast<char>(c);
    if (scan_run(in, buffer, size, len, [](int ch) { return !ends_token(ch); })) {
        buffer[len] = '\0';
        return len;
    }
    for (;;) {
        if (at_end(in)) break;
        c = next(in);
        if (c < 0) break;
        if (ends_token(c)) {
            back(in, c);
            break;
        }
        if (len + 1 >= size) {
            buffer[len] = '\0';
            token_too_long(in, buffer, size);
        }
        buffer[len++] = static_cast<char>(c);
    }
    buffer[len] = '\0';
    return len;
}

int vrml_get_brace(vrml_stream *in) {
    vrml_skipspace(in);
    int c = next(in);
    if (c == '{') return 1;
    if (c == '}') return 2;
    back(in, c);
    return -1;
}

int vrml_get_bracket(vrml_stream *in) {
    vrml_skipspace(in);
    if (at_end(in)) return -1;
    int c = next(in);
    if (c == '[') return 1;
    if (c == ']') return 2;
    back(in, c);
    return 0;
}

int vrml_expect_char(vrml_stream *in, int c) {
    if (at_end(in)) return 0;
    int got = next(in);
    if (got >= 0 && got == static_cast<unsigned char>(c)) return 1;
    back(in, got);
    return 0;
}

int vrml_expect_string(vrml_stream *in, const char *literal) {
    if (!vrml_skipspace(in)) return 0;
    for (const char *p = literal; *p; ++p)
        if (!vrml_expect_char(in, *p)) return 0;
    return 1;
}

int vrml_expect_keyword(vrml_stream *in, const char *word) {
    char token[kVrmlNameSize];
    if (!vrml_get_tokenstring(in, token, sizeof token)) return 0;
    if (std::strcmp(token, word) == 0) return 1;
    in->stream_ungetc(in, ' ');
    vrml_ungetstring(in, token);
    return 0;
}

int vrml_ungetstring(vrml_stream *in, const char *text) {
    int len = static_cast<int>(std::strlen(text));
    for (int i = len - 1; i >= 0; --i)
        if (in->stream_ungetc(in, static_cast<unsigned char>(text[i])) < 0) return -1;
    return len;
}
