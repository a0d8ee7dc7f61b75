// zebio streams: file, C-stream, string and memory-buffer streams behind the
// operation slots of vrml_stream.
//
// Reading works on a window [cur, end) kept in the record itself, so a reader
// costs one compare and one load per character. The window is the current
// file block or the string text; pushed-back characters that differ from what
// was just read go into a store of their own, and the window then points into
// that store until it is read out.
//
// File input that begins with the gzip magic bytes is inflated into the same
// kind of block, so readers see the decompressed text through the window as
// they see a plain file. Output to a file may be deflated on its way
// (zeb_setgzipoutput).
#include "zebio.h"

#include "heap.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <zlib.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace {

enum StreamKind { kClosed = 0, kFileIn, kFileOutLazy, kFileWrap, kString, kBuffer };

constexpr size_t kBlockSize = 64 * 1024;
constexpr unsigned char kGzipMagic[2] = {0x1f, 0x8b};
constexpr int kMaxErrorText = 96;

struct ZebState {
    int kind;
    FILE *fp;              // file read or written; owned unless kFileWrap
    char *path;            // kFileOutLazy: opened at the first write
    char *openmode;
    bool inputdone;        // no more blocks to read from fp
    unsigned char *block;  // kFileIn / kFileWrap read block
    const unsigned char *begin;  // start of the main window
    // main window saved while the window points into the pushback store
    const unsigned char *savedcur, *savedend;
    bool inpushback;
    unsigned char *pb;     // pushback store; characters live at [pbstart, pbcap)
    size_t pbcap;
    // output
    char *obuf;
    size_t olen, ocap;
    int depth;
    bool atlinestart;
    bool inquote, escape;
    int error;             // the first read or write error (an errno value); 0: none
    char errortext[kMaxErrorText];  // its description when zlib's, else empty
    // gzip input: the file's bytes are read into zin and inflated into block
    bool sniffed;          // the first block was read and looked at
    bool rawdone;          // the file has no more compressed bytes
    bool inmember;         // inflating a gzip member that has not ended yet
    size_t members;        // gzip members read to their end
    z_stream *inflater;    // null: plain input
    unsigned char *zin;
    // gzip output: text is deflated into zout on its way out
    bool compress;
    int level;
    z_stream *deflater;    // made at the first write
    unsigned char *zout;
};

// Remembers the first error of a stream: later ones follow from it.
void fail(ZebState *st, int code) {
    if (!st->error) st->error = code ? code : EIO;
}

// A gzip error: errno value code and a description for zeb_errortext.
void fail_gzip(ZebState *st, int code, const char *what, const char *detail) {
    if (st->error) return;
    st->error = code;
    std::snprintf(st->errortext, sizeof st->errortext, "%s%s%s", what, detail ? ": " : "",
                  detail ? detail : "");
}

// zlib's working memory comes from the same heap as everything else.
voidpf zlib_alloc(voidpf, uInt items, uInt size) { return vrml_heap_calloc(items, size); }
void zlib_free(voidpf, voidpf block) { std::free(block); }

z_stream *new_zstream() {
    auto *z = static_cast<z_stream *>(vrml_heap_calloc(1, sizeof(z_stream)));
    if (z) z->zalloc = zlib_alloc, z->zfree = zlib_free;
    return z;
}

// Opens a file by name, always in binary mode: input keeps its CR LF pairs
// for the reader (which counts a pair as one line end) and output is written
// byte for byte, with "\n" line ends on every system. On Windows a name that
// is valid UTF-8 is opened through the wide-character interface, so any path
// (drive letters, backslashes, UNC names, characters outside the ANSI code
// page) can be named; other names are taken in the ANSI code page.
FILE *open_file(const char *name, const char *mode) {
    const char bmode[3] = {mode[0], 'b', '\0'};
#ifdef _WIN32
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, nullptr, 0);
    if (n > 0) {
        auto *wide =
            static_cast<wchar_t *>(vrml_heap_malloc(static_cast<size_t>(n) * sizeof(wchar_t)));
        if (!wide) return nullptr;
        FILE *fp = nullptr;
        if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, n) == n) {
            const wchar_t wmode[3] = {static_cast<wchar_t>(mode[0]), L'b', L'\0'};
            fp = _wfopen(wide, wmode);
        }
        std::free(wide);
        return fp;
    }
#endif
    return std::fopen(name, bmode);
}

// A folder opened as a file (POSIX systems allow that) reads as an error,
// not as empty input.
bool is_directory(FILE *fp) {
#ifdef _WIN32
    (void)fp;
    return false;
#else
    struct stat info;
    return fstat(fileno(fp), &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

ZebState *state(vrml_stream *s) { return s ? static_cast<ZebState *>(s->impl) : nullptr; }

// Reads up to one block of the file into to: the number of bytes, 0 at the
// end of the file or after a read error (which it remembers).
size_t read_block(ZebState *st, unsigned char *to) {
    errno = 0;
    size_t n = std::fread(to, 1, kBlockSize, st->fp);
    if (n == 0 && std::ferror(st->fp)) fail(st, errno);
    return n;
}

unsigned char *new_block(ZebState *st) {
    auto *block = static_cast<unsigned char *>(vrml_heap_malloc(kBlockSize));
    if (!block) fail(st, ENOMEM);
    return block;
}

// Turns the first block, which holds the start of a gzip stream of n bytes,
// into the inflater's input and gives the window a block of its own.
bool start_inflating(ZebState *st, size_t n) {
    st->zin = st->block;
    st->block = new_block(st);
    st->inflater = st->block ? new_zstream() : nullptr;
    if (!st->inflater) return fail(st, ENOMEM), false;
    if (inflateInit2(st->inflater, 16 + MAX_WBITS) != Z_OK) {  // gzip wrapper only
        std::free(st->inflater);
        st->inflater = nullptr;
        return fail(st, ENOMEM), false;
    }
    st->inflater->next_in = st->zin;
    st->inflater->avail_in = static_cast<uInt>(n);
    return true;
}

// Inflates into the block until it is full or the compressed input ends:
// the number of text bytes made. Members follow one another as one text. At
// the end of the input or a fault the input is done once the text made so
// far is read.
size_t inflate_block(ZebState *st) {
    z_stream *z = st->inflater;
    z->next_out = st->block;
    z->avail_out = static_cast<uInt>(kBlockSize);
    while (z->avail_out > 0 && !st->inputdone) {
        if (z->avail_in == 0 && !st->rawdone) {
            size_t n = read_block(st, st->zin);
            st->rawdone = n == 0;
            z->next_in = st->zin;
            z->avail_in = static_cast<uInt>(n);
        }
        st->inputdone = z->avail_in == 0;
        if (st->inputdone && st->inmember) fail_gzip(st, EIO, "truncated gzip data", nullptr);
        if (!st->inputdone && !st->inmember && st->members > 0 && z->next_in[0] != kGzipMagic[0]) {
            fail_gzip(st, EILSEQ, "damaged gzip data", "trailing bytes after the last member");
            st->inputdone = true;
        }
        if (st->inputdone) break;
        st->inmember = true;
        int r = inflate(z, Z_NO_FLUSH);
        if (r == Z_STREAM_END) {
            st->inmember = false;
            ++st->members;
            inflateReset(z);
        } else if (r == Z_MEM_ERROR) {
            fail(st, ENOMEM);
            st->inputdone = true;
        } else if (r != Z_OK && r != Z_BUF_ERROR) {
            fail_gzip(st, EILSEQ, "damaged gzip data", z->msg);
            st->inputdone = true;
        }
    }
    return kBlockSize - z->avail_out;
}

// Refills the main window from the file. False when nothing more is there.
bool refill(vrml_stream *s, ZebState *st) {
    if (st->kind != kFileIn && st->kind != kFileWrap) return false;
    if (st->inputdone || !st->fp) return false;
    if (!st->block && !(st->block = new_block(st))) {
        st->inputdone = true;
        return false;
    }
    size_t n;
    if (st->inflater) {
        n = inflate_block(st);
    } else {
        n = read_block(st, st->block);
        if (!st->sniffed) {
            st->sniffed = true;
            if (n >= 2 && std::memcmp(st->block, kGzipMagic, 2) == 0)
                n = start_inflating(st, n) ? inflate_block(st) : 0;
        }
    }
    if (n == 0) {
        st->inputdone = true;
        return false;
    }
    st->begin = st->block;
    s->cur = st->block;
    s->end = st->block + n;
    return true;
}

// Makes the window non-empty if any input remains.
bool more(vrml_stream *s, ZebState *st) {
    if (s->cur < s->end) return true;
    if (st->inpushback) {
        st->inpushback = false;
        s->cur = st->savedcur;
        s->end = st->savedend;
        if (s->cur < s->end) return true;
    }
    return refill(s, st);
}


int op_ungetc(vrml_stream *s, int c) {
    ZebState *st = state(s);
    if (!st || c < 0) return -1;
    unsigned char ch = static_cast<unsigned char>(c);
    const unsigned char *floor = st->inpushback ? st->pb : st->begin;
    if (!st->inpushback && floor && s->cur > floor && s->cur[-1] == ch) {
        --s->cur;  // the character just read: step back over it
    } else {
        if (!st->inpushback) {
            if (!st->pb) {
                st->pb = static_cast<unsigned char *>(vrml_heap_malloc(2048));
                if (!st->pb) {
                    fail(st, ENOMEM);
                    return -1;
                }
                st->pbcap = 2048;
            }
            st->savedcur = s->cur;
            st->savedend = s->end;
            st->inpushback = true;
            s->cur = s->end = st->pb + st->pbcap;
        } else if (s->cur == st->pb) {
            size_t used = st->pbcap;  // the store is full
            if (used > (SIZE_MAX / 2)) return -1;
            size_t ncap = st->pbcap * 2;
            auto *n = static_cast<unsigned char *>(vrml_heap_malloc(ncap));
            if (!n) {
                fail(st, ENOMEM);
                return -1;
            }
            std::memcpy(n + (ncap - used), st->pb, used);
            std::free(st->pb);
            st->pb = n;
            st->pbcap = ncap;
            s->cur = n + (ncap - used);
            s->end = n + ncap;
        }
        *const_cast<unsigned char *>(--s->cur) = ch;
    }
    if (ch == '\n') --s->line;
    return ch;
}

int op_eof(vrml_stream *s) {
    if (s->cur < s->end) return 0;
    ZebState *st = state(s);
    if (!st) return 1;
    return more(s, st) ? 0 : 1;
}

int op_gets(vrml_stream *s, char *buffer, int size) {
    if (!buffer || size <= 0 || op_eof(s)) return 0;
    int n = 0;
    while (n < size - 1) {
        int c = zeb_getc(s);
        if (c < 0) break;
        buffer[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    buffer[n] = '\0';
    return 1;
}

bool ensure_output(ZebState *st) {
    if (st->kind == kFileOutLazy && !st->fp && !st->error) {
        errno = 0;
        st->fp = open_file(st->path, st->openmode);
        if (!st->fp) fail(st, errno);
    }
    return !st->error;
}

// Room for len more bytes (and the NUL after them) at the end of a buffer
// stream's text, or null (after an error).
char *buffer_room(ZebState *st, size_t len) {
    if (len > SIZE_MAX - st->olen - 1) return nullptr;
    size_t need = st->olen + len + 1;
    if (need > st->ocap) {
        size_t ncap = st->ocap ? st->ocap : 256;
        while (ncap < need) ncap = ncap > SIZE_MAX / 2 ? need : ncap * 2;
        char *n = static_cast<char *>(vrml_heap_realloc(st->obuf, ncap));
        if (!n) {
            fail(st, ENOMEM);
            return nullptr;
        }
        st->obuf = n;
        st->ocap = ncap;
    }
    return st->obuf + st->olen;
}

// Adds bytes to the buffer or the file. False after an error.
bool store(ZebState *st, const void *bytes, size_t len) {
    if (st->kind == kBuffer) {
        char *to = buffer_room(st, len);
        if (!to) return false;
        std::memcpy(to, bytes, len);
        st->olen += len;
        st->obuf[st->olen] = '\0';
        return true;
    }
    if (!ensure_output(st) || !st->fp) {
        if (!st->fp) fail(st, EBADF);
        return false;
    }
    errno = 0;
#if defined(__GLIBC__)
    // A file of its own is written by one thread at a time: no lock needed.
    if (st->kind != kFileWrap) {
        if (fwrite_unlocked(bytes, 1, len, st->fp) == len) return true;
        fail(st, errno);
        return false;
    }
#endif
    if (std::fwrite(bytes, 1, len, st->fp) == len) return true;
    fail(st, errno);
    return false;
}

// Deflates len bytes (flush: Z_NO_FLUSH, or Z_FINISH to end the gzip member)
// and stores what comes out. The deflater is made at the first write.
bool deflate_out(ZebState *st, const char *text, size_t len, int flush) {
    if (st->error) return false;
    if (!st->deflater) {
        st->zout = static_cast<unsigned char *>(vrml_heap_malloc(kBlockSize));
        st->deflater = st->zout ? new_zstream() : nullptr;
        if (!st->deflater) return fail(st, ENOMEM), false;
        int made = deflateInit2(st->deflater, st->level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        if (made != Z_OK) {
            std::free(st->deflater);
            st->deflater = nullptr;
            return fail(st, ENOMEM), false;
        }
    }
    z_stream *z = st->deflater;
    z->next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text));
    z->avail_in = static_cast<uInt>(len);
    int r;
    do {
        z->next_out = st->zout;
        z->avail_out = static_cast<uInt>(kBlockSize);
        r = deflate(z, flush);
        size_t made = kBlockSize - z->avail_out;
        if (r == Z_STREAM_ERROR || (made > 0 && !store(st, st->zout, made))) return fail(st, EIO), false;
    } while (z->avail_out == 0 || (flush == Z_FINISH && r != Z_STREAM_END));
    return true;
}

// Writes text, keeping track of the nesting depth and the line start.
// The bytes that change the quoting or the nesting state.
struct SpecialBytes {
    bool table[256] = {};
    constexpr SpecialBytes() {
        for (unsigned char c : {'"', '\\', '{', '[', '}', ']'}) table[c] = true;
    }
};
constexpr SpecialBytes kSpecial;

// Whether one of the eight bytes of w may be special: '"' or, with bit 5
// set, one of 0x7B to 0x7D ("[\\]{|}": '|' too, which the byte loop then
// passes over).
inline bool maybe_special(uint64_t w) {
    constexpr uint64_t kOnes = 0x0101010101010101ull, kLow7 = 0x7F * kOnes, kHigh = 0x80 * kOnes;
    const uint64_t x = w | 0x20 * kOnes;
    // Bytes strictly between 0x7A and 0x7E (bytes from 0x80 on excluded).
    const uint64_t between =
        ((127 + 0x7E) * kOnes - (x & kLow7)) & ~x & ((x & kLow7) + (127 - 0x7A) * kOnes) & kHigh;
    const uint64_t q = w ^ 0x22 * kOnes;  // a zero byte where '"' was
    const uint64_t quote = (q - kOnes) & ~q & kHigh;
    return (between | quote) != 0;
}

// Follows the quoting and nesting state over text; the runs of other bytes
// are stepped over eight at a time.
[[gnu::always_inline]] inline void track(ZebState *st, const unsigned char *p, const unsigned char *end) {
    bool inquote = st->inquote, escape = st->escape;
    int depth = st->depth;
    const unsigned char *const begin = p;
    if (escape && p < end) escape = false, ++p;  // escaped by the last text's backslash
    while (p < end) {
        uint64_t w;
        while (end - p >= 8 && (std::memcpy(&w, p, 8), !maybe_special(w))) p += 8;
        // Fewer than eight left: the text's last eight bytes at once.
        if (end - p < 8 && end - begin >= 8 && (std::memcpy(&w, end - 8, 8), !maybe_special(w))) break;
        while (p < end && !kSpecial.table[*p]) ++p;
        if (p == end) break;
        const unsigned char c = *p++;
        if (inquote) {
            if (c == '"') inquote = false;
            else if (c == '\\' && p < end) ++p;  // the escaped byte
            else if (c == '\\') escape = true;
        } else if (c == '"') {
            inquote = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if ((c == '}' || c == ']') && depth > 0) {
            --depth;
        }
    }
    st->inquote = inquote, st->escape = escape, st->depth = depth;
}

int write_out(ZebState *st, const char *text, size_t len) {
    if (len == 0) return 0;
    track(st, reinterpret_cast<const unsigned char *>(text), reinterpret_cast<const unsigned char *>(text) + len);
    st->atlinestart = text[len - 1] == '\n';
    if (len > static_cast<size_t>(INT32_MAX)) return -1;
    bool ok = st->compress ? deflate_out(st, text, len, Z_NO_FLUSH) : store(st, text, len);
    return ok ? static_cast<int>(len) : -1;
}

// Formats into a stack buffer, or the heap when the text is longer.
template <typename Emit>
int format_and(ZebState *st, const char *format, va_list ap, Emit emit) {
    char small[1024];
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return -1;
    if (static_cast<size_t>(n) < sizeof small) return emit(small, static_cast<size_t>(n));
    char *big = static_cast<char *>(vrml_heap_malloc(static_cast<size_t>(n) + 1));
    if (!big) {
        fail(st, ENOMEM);
        return -1;
    }
    std::vsnprintf(big, static_cast<size_t>(n) + 1, format, ap);
    int r = emit(big, static_cast<size_t>(n));
    std::free(big);
    return r;
}

// Writes a text that starts a line of its own after the indentation.
int write_indented(ZebState *st, const char *t, size_t n) {
    int level = st->depth;
    for (size_t i = 0; i < n && level > 0 && (t[i] == '}' || t[i] == ']'); ++i) --level;
    const size_t lead = st->atlinestart ? 0 : 1, indent = static_cast<size_t>(level) * 2;
    const size_t total = lead + indent + n;
    if (st->kind == kBuffer && !st->compress && total > 0 && total <= static_cast<size_t>(INT32_MAX)) {
        // Straight into the buffer; the line break and the blanks change no
        // state but a pending escape, which they take.
        if (lead + indent > 0) st->escape = false;
        track(st, reinterpret_cast<const unsigned char *>(t), reinterpret_cast<const unsigned char *>(t) + n);
        st->atlinestart = n > 0 ? t[n - 1] == '\n' : indent == 0;
        char *to = buffer_room(st, total);
        if (!to) return -1;
        if (lead) *to++ = '\n';
        std::memset(to, ' ', indent);
        std::memcpy(to + indent, t, n);
        st->olen += total;
        st->obuf[st->olen] = '\0';
        return static_cast<int>(total);
    }
    // A short text goes out in one piece with its line break and indentation.
    char joined[512];
    if (total <= sizeof joined) {
        joined[0] = '\n';
        std::memset(joined + lead, ' ', indent);
        std::memcpy(joined + lead + indent, t, n);
        return write_out(st, joined, lead + indent + n);
    }
    int written = 0;
    if (!st->atlinestart) {
        if (write_out(st, "\n", 1) < 0) return -1;
        written = 1;
    }
    static const char spaces[] = "                                                                ";
    for (size_t left = indent; left > 0;) {
        size_t k = left < sizeof spaces - 1 ? left : sizeof spaces - 1;
        if (write_out(st, spaces, k) < 0) return -1;
        written += static_cast<int>(k);
        left -= k;
    }
    int w = write_out(st, t, n);
    return w < 0 ? -1 : written + w;
}

}  // namespace

extern "C" {

ZEBIO_API int zeb_printf(vrml_stream *s, const char *format, ...) {
    ZebState *st = state(s);
    if (!st || !format || st->kind == kClosed) return -1;
    va_list ap;
    va_start(ap, format);
    int r = format_and(st, format, ap, [st](const char *t, size_t n) { return write_out(st, t, n); });
    va_end(ap);
    return r;
}

ZEBIO_API int zeb_iprintf(vrml_stream *s, const char *format, ...) {
    ZebState *st = state(s);
    if (!st || !format || st->kind == kClosed) return -1;
    va_list ap;
    va_start(ap, format);
    int r = format_and(st, format, ap, [st](const char *t, size_t n) { return write_indented(st, t, n); });
    va_end(ap);
    return r;
}

ZEBIO_API int zeb_write(vrml_stream *s, int indented, const char *text, size_t length) {
    ZebState *st = state(s);
    if (!st || !text || st->kind == kClosed) return -1;
    if (length > static_cast<size_t>(INT32_MAX)) return -1;
    return indented ? write_indented(st, text, length) : write_out(st, text, length);
}

}  // extern "C"

namespace {

int op_close(vrml_stream *s) {
    ZebState *st = state(s);
    if (!st) return -1;
    if (st->deflater) {
        deflate_out(st, "", 0, Z_FINISH);
        deflateEnd(st->deflater);
    }
    if (st->inflater) inflateEnd(st->inflater);
    if (st->fp) {
        if (st->kind == kFileWrap) {
            if (std::fflush(st->fp) != 0 || std::ferror(st->fp)) fail(st, errno);
        } else if (st->kind == kFileIn) {
            std::fclose(st->fp);
        } else if (std::fclose(st->fp) != 0) {
            fail(st, errno);
        }
    }
    int r = st->error ? -1 : 0;
    std::free(st->path);
    std::free(st->openmode);
    std::free(st->block);
    std::free(st->pb);
    std::free(st->obuf);
    std::free(st->zin);
    std::free(st->zout);
    std::free(st->inflater);
    std::free(st->deflater);
    std::free(st);
    s->impl = nullptr;
    s->cur = s->end = nullptr;
    return r;
}

ZebState *init(vrml_stream *s, int kind) {
    if (!s) return nullptr;
    auto *st = static_cast<ZebState *>(vrml_heap_calloc(1, sizeof(ZebState)));
    if (!st) return nullptr;
    st->kind = kind;
    st->atlinestart = true;
    std::memset(static_cast<void *>(s), 0, sizeof *s);
    s->impl = st;
    s->line = 1;
    s->stream_getc = zeb_getc;
    s->stream_ungetc = op_ungetc;
    s->stream_gets = op_gets;
    s->stream_iprintf = zeb_iprintf;
    s->stream_eof = op_eof;
    s->stream_close = op_close;
    s->stream_printf = zeb_printf;
    return st;
}

char *copy_text(const char *text) {
    size_t n = std::strlen(text) + 1;
    char *p = static_cast<char *>(vrml_heap_malloc(n));
    if (p) std::memcpy(p, text, n);
    return p;
}

void set_string(vrml_stream *s, ZebState *st, const char *text, int length) {
    size_t n = 0;
    if (text) n = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    const auto *t = reinterpret_cast<const unsigned char *>(text);
    st->begin = t;
    st->inpushback = false;
    s->cur = t;
    s->end = t ? t + n : nullptr;
    s->line = 1;
}

}  // namespace

extern "C" {

ZEBIO_API int zeb_getc(vrml_stream *s) {
    if (s->cur < s->end) {
        int c = *s->cur++;
        if (c == '\n') ++s->line;
        return c;
    }
    ZebState *st = state(s);
    if (!st || !more(s, st)) return -1;
    int c = *s->cur++;
    if (c == '\n') ++s->line;
    return c;
}

ZEBIO_API int zeb_initfilename(vrml_stream *s, const char *filename, const char *mode) {
    if (!s || !filename || !mode) return -1;
    if (mode[0] == 'r') {
        FILE *fp = open_file(filename, "r");
        if (!fp) return -1;
        if (is_directory(fp)) {
            std::fclose(fp);
            errno = EISDIR;
            return -1;
        }
        ZebState *st = init(s, kFileIn);
        if (!st) { std::fclose(fp); return -1; }
        st->fp = fp;
        return 0;
    }
    if (mode[0] == 'w' || mode[0] == 'a') {
        ZebState *st = init(s, kFileOutLazy);
        if (!st) return -1;
        st->path = copy_text(filename);
        st->openmode = copy_text(mode[0] == 'w' ? "w" : "a");
        if (!st->path || !st->openmode) { op_close(s); return -1; }
        return 0;
    }
    return -1;
}

ZEBIO_API int zeb_initfilestream(vrml_stream *s, FILE *file) {
    if (!file) return -1;
    ZebState *st = init(s, kFileWrap);
    if (!st) return -1;
    st->fp = file;
    return 0;
}

ZEBIO_API int zeb_initstringstream(vrml_stream *s, const char *text, int length) {
    ZebState *st = init(s, kString);
    if (!st) return -1;
    set_string(s, st, text, length);
    return 0;
}

ZEBIO_API int zeb_setstringstream(vrml_stream *s, const char *text, int length) {
    ZebState *st = state(s);
    if (!st || st->kind != kString) return zeb_initstringstream(s, text, length);
    set_string(s, st, text, length);
    return 0;
}

ZEBIO_API int zeb_initbufferstream(vrml_stream *s) { return init(s, kBuffer) ? 0 : -1; }

ZEBIO_API int zeb_error(vrml_stream *s) {
    ZebState *st = state(s);
    return st && s->stream_getc == zeb_getc ? st->error : 0;
}

ZEBIO_API const char *zeb_errortext(vrml_stream *s) {
    int error = zeb_error(s);
    if (!error) return nullptr;
    const ZebState *st = state(s);
    return st->errortext[0] ? st->errortext : std::strerror(error);
}

ZEBIO_API int zeb_setgzipoutput(vrml_stream *s, int level) {
    ZebState *st = state(s);
    if (!st || s->stream_getc != zeb_getc || level < -1 || level > 9) return -1;
    if (st->kind != kFileOutLazy && st->kind != kFileWrap) return -1;
    if (st->compress || (st->fp && st->kind != kFileWrap)) return -1;
    st->compress = true;
    st->level = level;
    return 0;
}

ZEBIO_API const char *zeb_getbuffer(vrml_stream *s, size_t *length) {
    ZebState *st = state(s);
    if (length) *length = 0;
    if (!st || st->kind != kBuffer) return nullptr;
    if (length) *length = st->olen;
    return st->obuf ? st->obuf : "";
}

ZEBIO_API int zeb_resetbuffer(vrml_stream *s) {
    ZebState *st = state(s);
    if (!st || st->kind != kBuffer) return -1;
    st->olen = 0;
    if (st->obuf) st->obuf[0] = '\0';
    st->depth = 0;
    st->atlinestart = true;
    st->inquote = st->escape = false;
    return 0;
}

}  // extern "C"
