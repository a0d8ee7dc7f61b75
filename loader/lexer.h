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

#endif
