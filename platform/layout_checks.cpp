// Record layouts hosts rely on, checked when the library is compiled.
//
// Hosts read and write these records in place, counting their words, so a
// build whose records differ must not compile. Each record has one block
// below: its size and the byte offset of every field, in record order, first
// for builds with 4-byte pointers (the interface's own numbers: 32-bit Linux
// and 32-bit Windows), then for builds with 8-byte pointers (one pointer-sized
// word where a 32-bit build has a pointer, natural alignment). A record added
// to the interface gets one block of the same shape here.
#include <cstddef>
#include <cstdint>

#include "zebvrml2.h"

static_assert(sizeof(void *) == 4 || sizeof(void *) == 8, "builds have 4- or 8-byte pointers");
static_assert(sizeof(int) == 4 && sizeof(float) == 4 && sizeof(double) == 8,
              "int and float are 32-bit, double 64-bit");

// The number for this build: a 32-bit build's number or a 64-bit build's.
#define VRML_BYTES(bytes32, bytes64) (sizeof(void *) == 4 ? (bytes32) : (bytes64))

#define VRML_LAYOUT_SIZE(record, bytes32, bytes64)                      \
    static_assert(sizeof(record) == VRML_BYTES(bytes32, bytes64),       \
                  "size of " #record)
#define VRML_LAYOUT_FIELD(record, field, bytes32, bytes64)                  \
    static_assert(offsetof(record, field) == VRML_BYTES(bytes32, bytes64), \
                  "offset of " #record "." #field)
// A field's own size, for embedded arrays and records.
#define VRML_LAYOUT_FIELD_SIZE(record, field, bytes32, bytes64)              \
    static_assert(sizeof(record::field) == VRML_BYTES(bytes32, bytes64),     \
                  "size of " #record "." #field)

// ---- Loading and lexing ---------------------------------------------------

// Sixteen words; the library uses `line` (word 3) and the slots at words 7
// to 12 and 15.
VRML_LAYOUT_SIZE(vrml_stream, 64, 128);
VRML_LAYOUT_FIELD(vrml_stream, impl, 0, 0);
VRML_LAYOUT_FIELD(vrml_stream, cur, 4, 8);
VRML_LAYOUT_FIELD(vrml_stream, end, 8, 16);
VRML_LAYOUT_FIELD(vrml_stream, line, 12, 24);
VRML_LAYOUT_FIELD(vrml_stream, reserved4, 16, 32);
VRML_LAYOUT_FIELD(vrml_stream, reserved5, 20, 40);
VRML_LAYOUT_FIELD(vrml_stream, reserved6, 24, 48);
VRML_LAYOUT_FIELD(vrml_stream, stream_getc, 28, 56);
VRML_LAYOUT_FIELD(vrml_stream, stream_ungetc, 32, 64);
VRML_LAYOUT_FIELD(vrml_stream, stream_gets, 36, 72);
VRML_LAYOUT_FIELD(vrml_stream, stream_iprintf, 40, 80);
VRML_LAYOUT_FIELD(vrml_stream, stream_eof, 44, 88);
VRML_LAYOUT_FIELD(vrml_stream, stream_close, 48, 96);
VRML_LAYOUT_FIELD(vrml_stream, reserved13, 52, 104);
VRML_LAYOUT_FIELD(vrml_stream, reserved14, 56, 112);
VRML_LAYOUT_FIELD(vrml_stream, stream_printf, 60, 120);

VRML_LAYOUT_SIZE(vrml_list, 12, 24);
VRML_LAYOUT_FIELD(vrml_list, first, 0, 0);
VRML_LAYOUT_FIELD(vrml_list, last, 4, 8);
VRML_LAYOUT_FIELD(vrml_list, count, 8, 16);

VRML_LAYOUT_SIZE(vrml_listitem, 12, 24);
VRML_LAYOUT_FIELD(vrml_listitem, data, 0, 0);
VRML_LAYOUT_FIELD(vrml_listitem, next, 4, 8);
VRML_LAYOUT_FIELD(vrml_listitem, previous, 8, 16);

VRML_LAYOUT_SIZE(vrml_context, 4888, 9224);
VRML_LAYOUT_FIELD(vrml_context, in, 0, 0);
VRML_LAYOUT_FIELD(vrml_context, out, 4, 8);
VRML_LAYOUT_FIELD(vrml_context, templates, 8, 16);
VRML_LAYOUT_FIELD(vrml_context, deftable, 12, 24);
VRML_LAYOUT_FIELD(vrml_context, scopes, 16, 32);
VRML_LAYOUT_FIELD(vrml_context, instancescopes, 28, 56);
VRML_LAYOUT_FIELD(vrml_context, declaredscopes, 40, 80);
VRML_LAYOUT_FIELD(vrml_context, auxlist, 52, 104);
VRML_LAYOUT_FIELD(vrml_context, timesensors, 64, 128);
VRML_LAYOUT_FIELD(vrml_context, proximitysensors, 76, 152);
VRML_LAYOUT_FIELD(vrml_context, imagetextures, 88, 176);
VRML_LAYOUT_FIELD(vrml_context, netobjects, 100, 200);
VRML_LAYOUT_FIELD(vrml_context, avatars, 112, 224);
VRML_LAYOUT_FIELD(vrml_context, netvalues, 124, 248);
VRML_LAYOUT_FIELD(vrml_context, nettriggers, 136, 272);
VRML_LAYOUT_FIELD(vrml_context, allnodes, 148, 296);
VRML_LAYOUT_FIELD(vrml_context, viewpoints, 160, 320);
VRML_LAYOUT_FIELD(vrml_context, navigationinfos, 172, 344);
VRML_LAYOUT_FIELD(vrml_context, fogs, 184, 368);
VRML_LAYOUT_FIELD(vrml_context, backgrounds, 196, 392);
VRML_LAYOUT_FIELD(vrml_context, avatar, 208, 416);
VRML_LAYOUT_FIELD(vrml_context, scopeindex, 212, 424);
VRML_LAYOUT_FIELD(vrml_context, nextnetobjectid, 216, 428);
VRML_LAYOUT_FIELD(vrml_context, protoindex, 220, 432);
VRML_LAYOUT_FIELD(vrml_context, scopeowner, 224, 440);
VRML_LAYOUT_FIELD(vrml_context, scopestack, 228, 448);
VRML_LAYOUT_FIELD_SIZE(vrml_context, scopestack, 1024 * 4, 1024 * 8);
VRML_LAYOUT_FIELD(vrml_context, scopedepth, 4324, 8640);
VRML_LAYOUT_FIELD(vrml_context, root, 4328, 8648);
VRML_LAYOUT_FIELD(vrml_context, baselocation, 4332, 8656);
VRML_LAYOUT_FIELD_SIZE(vrml_context, baselocation, 544, 544);
VRML_LAYOUT_FIELD(vrml_context, externprotos, 4876, 9200);

// ---- Field values -----------------------------------------------------------

// Each type's record is only as large as its own layout.
VRML_LAYOUT_FIELD_SIZE(vrml_field, sfbool, 4, 4);
VRML_LAYOUT_FIELD_SIZE(vrml_field, sfcolor, 12, 12);
VRML_LAYOUT_FIELD_SIZE(vrml_field, sffloat, 4, 4);
VRML_LAYOUT_FIELD_SIZE(vrml_field, sfimage, 16, 24);
VRML_LAYOUT_FIELD_SIZE(vrml_field, sfint32, 4, 4);
VRML_LAYOUT_FIELD_SIZE(vrml_field, sfnode, 8, 16);
VRML_LAYOUT_FIELD_SIZE(vrml_field, sfrotation, 16, 16);
VRML_LAYOUT_FIELD_SIZE(vrml_field, sfstring, 4, 8);
VRML_LAYOUT_FIELD_SIZE(vrml_field, sftime, 8, 8);
VRML_LAYOUT_FIELD_SIZE(vrml_field, sfvec2f, 8, 8);
VRML_LAYOUT_FIELD_SIZE(vrml_field, sfvec3f, 12, 12);
VRML_LAYOUT_FIELD_SIZE(vrml_field, mfarray, 20, 40);
VRML_LAYOUT_FIELD_SIZE(vrml_field, mfnode, 16, 32);

VRML_LAYOUT_SIZE(vrml_sfimage, 16, 24);
VRML_LAYOUT_FIELD(vrml_sfimage, width, 0, 0);
VRML_LAYOUT_FIELD(vrml_sfimage, height, 4, 4);
VRML_LAYOUT_FIELD(vrml_sfimage, components, 8, 8);
VRML_LAYOUT_FIELD(vrml_sfimage, pixels, 12, 16);

VRML_LAYOUT_SIZE(vrml_sfnode, 8, 16);
VRML_LAYOUT_FIELD(vrml_sfnode, defref, 0, 0);
VRML_LAYOUT_FIELD(vrml_sfnode, node, 4, 8);

VRML_LAYOUT_SIZE(vrml_mfarray, 20, 40);
VRML_LAYOUT_FIELD(vrml_mfarray, count, 0, 0);
VRML_LAYOUT_FIELD(vrml_mfarray, staging, 4, 8);
VRML_LAYOUT_FIELD(vrml_mfarray, values, 16, 32);

VRML_LAYOUT_SIZE(vrml_mfnode, 16, 32);
VRML_LAYOUT_FIELD(vrml_mfnode, count, 0, 0);
VRML_LAYOUT_FIELD(vrml_mfnode, nodes, 4, 8);

// Every layout starts at the record's first byte.
VRML_LAYOUT_FIELD(vrml_field, sftime, 0, 0);
VRML_LAYOUT_FIELD(vrml_field, mfarray, 0, 0);
VRML_LAYOUT_FIELD(vrml_field, mfnode, 0, 0);
