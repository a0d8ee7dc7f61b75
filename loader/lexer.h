// The lexer: small readers that work straight on a stream with one-character
// reads and pushbacks. Blanks (the C locale's spaces and the comma) and
// comments are skipped before every reader but vrml_expect_char.
//
// End of input: zebio's stream_eof is true as soon as no character remains.
// The token reader and vrml_skipspace test it before reading; the two name
// readers end a name when a read finds no character, so a name that runs to
// the very end of the input is read whole and nothing is invented after it.
#ifndef ZEBVRML2_LOADER_LEXER_H
#define ZEBVRML2_LOADER_LEXER_H

#include <cstdint>
#include <cstring>

#include "vrml_loader.h"

// Buffer sizes of the callers.
constexpr int kVrmlNameSize = 1024;
constexpr int kVrmlRouteNameSize = 256;

int vrml_skipspace(vrml_stream *in);
int vrml_skipline(vrml_stream *in);
int vrml_isnamechar(int c);
int vrml_get_nodename(vrml_stream *in, char *buffer, int size);
// vrml_get_nodename for a load of ctx: in a lenient load a name that begins
// with a digit is read like any other, with a problem, instead of ending
// the process.
int vrml_get_nodename_of(const vrml_context *ctx, vrml_stream *in, char *buffer, int size);
// The next character after blanks and comments, left unread; -1 at the end.
int vrml_peekchar(vrml_stream *in);
int vrml_get_fieldname(vrml_stream *in, char *buffer, int size);
int vrml_get_tokenstring(vrml_stream *in, char *buffer, int size);
int vrml_get_brace(vrml_stream *in);
int vrml_get_bracket(vrml_stream *in);
int vrml_expect_char(vrml_stream *in, int c);
int vrml_expect_string(vrml_stream *in, const char *literal);
int vrml_expect_keyword(vrml_stream *in, const char *word);
int vrml_ungetstring(vrml_stream *in, const char *text);

// 1 for a blank: TAB, LF, VT, FF, CR, space and the comma.
inline bool vrml_isblank(int c) {
    return c == ' ' || c == ',' || (c >= '\t' && c <= '\r');
}

// Characters that end a token besides the blanks.
inline bool vrml_ends_token(int c) {
    return vrml_isblank(c) || c == '#' || c == '{' || c == '}' || c == '[' || c == ']';
}

// Reading ahead in a zebio stream's window [cur, end) without touching the
// stream: a reader that finds what it needs whole inside the window commits
// (cur = p, line += lines) and reads exactly what the character readers
// would; anything else (a comment or token that runs to the window's end)
// leaves the stream alone for them.
struct vrml_windowscan {
    const unsigned char *p;
    const unsigned char *end;
    int lines;
};

inline bool vrml_window_open(const vrml_stream *in, vrml_windowscan &s) {
    s = {in->cur, in->end, 0};
    return in->stream_getc == zeb_getc;
}

inline void vrml_window_commit(vrml_stream *in, const vrml_windowscan &s) {
    in->cur = s.p;
    in->line += s.lines;
}

// What a byte is to the window readers: a token's character, a bracket or
// brace (a token of its own, so it ends the one before), a blank, the
// newline blank, the comment sign.
enum : unsigned char {
    kVrmlByteToken = 0,
    kVrmlByteBracket = 1,
    kVrmlByteBlank = 2,
    kVrmlByteNewline = 3,
    kVrmlByteHash = 4
};

struct vrml_bytekinds {
    unsigned char kind[256];
    constexpr vrml_bytekinds() : kind() {
        for (int c = '\t'; c <= '\r'; ++c) kind[c] = kVrmlByteBlank;
        kind[static_cast<int>(' ')] = kind[static_cast<int>(',')] = kVrmlByteBlank;
        kind[static_cast<int>('\n')] = kVrmlByteNewline;
        kind[static_cast<int>('#')] = kVrmlByteHash;
        kind[static_cast<int>('{')] = kind[static_cast<int>('}')] = kVrmlByteBracket;
        kind[static_cast<int>('[')] = kind[static_cast<int>(']')] = kVrmlByteBracket;
    }
};
inline constexpr vrml_bytekinds kVrmlByteKinds;

// vrml_ends_token for a byte of a window.
inline bool vrml_byte_ends_token(unsigned char c) { return kVrmlByteKinds.kind[c] != kVrmlByteToken; }

// Steps over blanks and comments; true when a token's first character
// follows inside the window. Indentation (after a line break) goes eight
// spaces at a time.
inline bool vrml_window_skip(vrml_windowscan &s) {
    constexpr uint64_t kEightSpaces = 0x2020202020202020ull;
    const unsigned char *p = s.p;
    const unsigned char *const end = s.end;
    while (p < end) {
        const unsigned kind = kVrmlByteKinds.kind[*p];
        if (kind <= kVrmlByteBracket) {
            s.p = p;
            return true;
        }
        if (kind == kVrmlByteHash) {
            const unsigned char *q = p + 1;
            while (q < end && *q != '\n' && *q != '\r') ++q;
            if (q == end) return false;
            s.lines += *q == '\n';
            p = q + 1;
            continue;
        }
        ++p;
        if (kind == kVrmlByteNewline) {
            ++s.lines;
            uint64_t eight;
            while (end - p >= 8 && (std::memcpy(&eight, p, 8), eight == kEightSpaces)) p += 8;
        }
    }
    return false;
}

#endif
