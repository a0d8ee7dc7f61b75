/*
 * zebio: the character streams the VRML library reads from and writes to.
 *
 * A stream is a record of sixteen words (64 bytes in a 32-bit build, one
 * pointer-sized word each elsewhere). The host allocates it zero-filled, one of
 * the init functions fills it, and from then on every read and write goes
 * through the operation slots in the record, each called with the record as
 * its first argument. A host may fill a record with operations of its own; the
 * VRML library calls nothing but the slots and reads nothing but `line`.
 *
 * Behaviour of zebio's own streams:
 *  - stream_getc returns the next byte as 0..255, or -1 when no character
 *    remains. stream_eof is nonzero exactly when no character remains
 *    (pushed-back characters included), so it answers "does input remain?"
 *    before a read and "was that the last character?" right after one.
 *  - stream_ungetc keeps any number of pushed-back characters (it grows its
 *    store; at least 1025 always fit); they are read back last pushed first.
 *    It returns the character, or -1 for a negative argument, on a closed
 *    stream or when the store cannot grow.
 *  - `line` starts at 1 and counts the line feeds read; pushing a line feed
 *    back counts it out again. A CR LF pair counts once; a lone CR does not
 *    count.
 *  - Files opened by name are read and written in binary mode: a CR LF line
 *    end reaches the reader as both characters (see `line`), and output has
 *    "\n" line ends on every system. On Windows a file name that is valid
 *    UTF-8 may name any path (drive letters, backslashes, UNC names, any
 *    character); other names are taken in the ANSI code page.
 *  - File input is read in 64 KiB blocks. An output file opened by name is
 *    created only at its first write, so a world may be opened for output on
 *    the very file that is being read without harm to the input.
 *  - Compressed input: file input (opened by name or wrapped, standard input
 *    too) whose first two bytes are 0x1f 0x8b is gzip data, whatever the
 *    file's name, and reads as the text it holds, inflated in 64 KiB blocks:
 *    `line`, pushback, stream_gets and stream_eof behave as for that text in
 *    a plain file. Members that follow one another read as one text. Input
 *    that ends inside a member is an error EIO ("truncated gzip data"); data
 *    that does not inflate (a damaged member, a wrong check value, bytes
 *    after a member that do not start another one) is an error EILSEQ
 *    ("damaged gzip data: " and zlib's reason); see zeb_errortext. As with
 *    other read errors the text inflated before the fault is read, then the
 *    input ends. String streams are never inflated. A wrapped C stream must
 *    be in binary mode for compressed data (on Windows a host sets that for
 *    standard input with _setmode).
 *  - Compressed output is asked for, never guessed from a file name: see
 *    zeb_setgzipoutput.
 *  - stream_printf and stream_iprintf write through the C library's buffered
 *    streams (or into memory for buffer streams); output is flushed at
 *    process exit or by stream_close. stream_iprintf first ends the current
 *    line when the output is not at a line start, then indents by two spaces
 *    per level of "{" and "[" written so far outside quoted strings (a
 *    backslash-escaped quote does not end a string), one level less for each
 *    "}" or "]" that begins its own text. Both return the number of bytes
 *    written, or -1.
 *  - stream_gets reads one line including its line feed into a buffer of the
 *    given size (at most size-1 characters and a NUL); 0 when no character
 *    remains, else 1.
 *  - stream_close releases what the stream holds (buffers, files opened by
 *    name; a wrapped FILE is flushed, not closed) and leaves the record
 *    closed: every operation then fails harmlessly. The record itself belongs
 *    to its allocator. It returns 0, or -1 when the stream met an error
 *    while it was open (see zeb_error) or its last output could not be
 *    flushed: a caller that gets 0 knows that everything it wrote arrived.
 *  - Errors are remembered: the first failed read (a read error of the
 *    file, a block or pushback store that could not be allocated, damaged or
 *    truncated gzip input), failed output (the lazy open of an output file,
 *    a short write, an output buffer that could not grow) sets the
 *    stream's error, which zeb_error returns and zeb_errortext describes.
 *    A read error ends the input there (the reader sees end of input);
 *    after an output error every later write fails.
 *  - A folder cannot be opened for reading (zeb_initfilename fails with
 *    errno EISDIR).
 *  - A string stream reads the text it is given in place, without copying:
 *    the text must stay valid while the stream reads it. A negative length
 *    means "up to the NUL".
 *  - Initialising a record that already holds an open stream does not release
 *    what the old one held: close it first.
 *  - Threads: a stream is used by one thread at a time; different streams
 *    may be used on different threads at once (zebio keeps no shared state).
 */
#ifndef ZEBIO_H
#define ZEBIO_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "vrml_export.h"

VRML_EXTERN_C_BEGIN

typedef struct vrml_stream vrml_stream;

struct vrml_stream {
    void *impl;             /* word 0: zebio's private state */
    const unsigned char *cur;  /* word 1: next unread input byte (zebio's) */
    const unsigned char *end;  /* word 2: end of the readable input window */
    intptr_t line;          /* word 3: current input line, from 1 */
    intptr_t reserved4;
    intptr_t reserved5;
    intptr_t reserved6;
    int (*stream_getc)(vrml_stream *s);                         /* word 7 */
    int (*stream_ungetc)(vrml_stream *s, int c);                /* word 8 */
    int (*stream_gets)(vrml_stream *s, char *buffer, int size); /* word 9 */
    int (*stream_iprintf)(vrml_stream *s, const char *format, ...); /* word 10 */
    int (*stream_eof)(vrml_stream *s);                          /* word 11 */
    int (*stream_close)(vrml_stream *s);                        /* word 12 */
    intptr_t reserved13;
    intptr_t reserved14;
    int (*stream_printf)(vrml_stream *s, const char *format, ...); /* word 15 */
};

/* Opens a file by name. mode "r" reads it (the result is negative when the
 * file cannot be opened); "w" or "a" writes it, creating or truncating it at
 * the first write. 0 on success, -1 on failure. */
ZEBIO_API int zeb_initfilename(vrml_stream *s, const char *filename, const char *mode);

/* Wraps an open C stream for reading and writing. It is never closed by
 * zebio. -1 when file is null. */
ZEBIO_API int zeb_initfilestream(vrml_stream *s, FILE *file);

/* Reads length bytes of text in place (no text and length 0: an empty
 * stream; negative length: up to the NUL). */
ZEBIO_API int zeb_initstringstream(vrml_stream *s, const char *text, int length);

/* Restarts a string stream on a new text: pushback is emptied, line is 1. */
ZEBIO_API int zeb_setstringstream(vrml_stream *s, const char *text, int length);

/* Extension: the first error an open zebio stream met (an errno value such as
 * EISDIR, ENOENT, EACCES, ENOSPC, ENOMEM, EIO or EILSEQ), or 0 when none; 0 for
 * closed streams and streams that are not zebio's own. */
ZEBIO_API int zeb_error(vrml_stream *s);

/* Extension: a description of the error zeb_error returns: for gzip input
 * "truncated gzip data" or "damaged gzip data: REASON", otherwise the C
 * library's strerror text of the errno value (valid until strerror is called
 * again). Null when zeb_error returns 0. */
ZEBIO_API const char *zeb_errortext(vrml_stream *s);

/* Extension: makes an output stream compress what is written to it as one
 * gzip member, deflated at level (0 none to 9 best, -1 zlib's default). For
 * an output file opened by name ("w" or "a": appending to a gzip file adds a
 * member, which reads back with the others as one text) and a wrapped C
 * stream (in binary mode); call it before the first write. Without any
 * write nothing is written (an output file is not even created); the member is
 * finished by stream_close, which returns -1 when the rest could not be
 * written. Indentation is counted on the text, as without compression. 0 on
 * success; -1 for other streams, a level out of range, a second call, or an
 * output file that was already written. */
ZEBIO_API int zeb_setgzipoutput(vrml_stream *s, int level);

/* Extension: an output stream into memory. Reading it gives end of input. */
ZEBIO_API int zeb_initbufferstream(vrml_stream *s);

/* Extension: the bytes written so far to a buffer stream, NUL-terminated,
 * valid until the next write or close; null for other streams. length may
 * be null. */
ZEBIO_API const char *zeb_getbuffer(vrml_stream *s, size_t *length);

/* Extension: empties a buffer stream and resets its indentation. */
ZEBIO_API int zeb_resetbuffer(vrml_stream *s);

/* Extension: the read operation zebio puts in the stream_getc slot of its
 * own streams. A reader that finds it there may read the characters of the
 * window [cur, end) directly (counting line feeds into `line`) instead of
 * calling the slot once per character; the window is empty whenever the
 * slot must be called. */
ZEBIO_API int zeb_getc(vrml_stream *s);

/* Extension: the write operations zebio puts in the stream_printf and
 * stream_iprintf slots of its own streams. */
ZEBIO_API int zeb_printf(vrml_stream *s, const char *format, ...);
ZEBIO_API int zeb_iprintf(vrml_stream *s, const char *format, ...);

/* Extension: writes length bytes of text to one of zebio's own streams as
 * stream_printf (indented 0) or stream_iprintf (indented 1) would write them
 * with the format "%s", without formatting. The number of bytes written, or
 * -1. A writer that finds zeb_printf in a stream's slot may use it instead of
 * formatting the same text through the slot. */
ZEBIO_API int zeb_write(vrml_stream *s, int indented, const char *text, size_t length);

VRML_EXTERN_C_END

#endif
