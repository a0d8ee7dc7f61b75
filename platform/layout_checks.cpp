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

// ---- Node templates -----------------------------------------------------------

// Five words.
VRML_LAYOUT_SIZE(vrml_fieldtemplate, 20, 32);
VRML_LAYOUT_FIELD(vrml_fieldtemplate, memberclass, 0, 0);
VRML_LAYOUT_FIELD(vrml_fieldtemplate, type, 4, 4);
VRML_LAYOUT_FIELD(vrml_fieldtemplate, name, 8, 8);
VRML_LAYOUT_FIELD(vrml_fieldtemplate, defaultvalue, 12, 16);
VRML_LAYOUT_FIELD(vrml_fieldtemplate, reserved, 16, 24);

// Six words.
VRML_LAYOUT_SIZE(vrml_nodetemplate, 24, 40);
VRML_LAYOUT_FIELD(vrml_nodetemplate, name, 0, 0);
VRML_LAYOUT_FIELD(vrml_nodetemplate, membercount, 4, 8);
VRML_LAYOUT_FIELD(vrml_nodetemplate, members, 8, 16);
VRML_LAYOUT_FIELD(vrml_nodetemplate, reserved, 12, 24);
VRML_LAYOUT_FIELD(vrml_nodetemplate, external, 16, 28);
VRML_LAYOUT_FIELD(vrml_nodetemplate, externrecord, 20, 32);

// A count, then 1024 template slots.
VRML_LAYOUT_SIZE(vrml_templatetable, 4100, 8200);
VRML_LAYOUT_FIELD(vrml_templatetable, count, 0, 0);
VRML_LAYOUT_FIELD(vrml_templatetable, templates, 4, 8);
VRML_LAYOUT_FIELD_SIZE(vrml_templatetable, templates, 1024 * 4, 1024 * 8);

// The 129-word host area lies between the location and the implementation.
VRML_LAYOUT_SIZE(vrml_externproto, 552, 1104);
VRML_LAYOUT_FIELD(vrml_externproto, url, 0, 0);
VRML_LAYOUT_FIELD(vrml_externproto, location, 4, 8);
VRML_LAYOUT_FIELD(vrml_externproto, hostarea, 8, 16);
VRML_LAYOUT_FIELD_SIZE(vrml_externproto, hostarea, 129 * 4, 129 * 8);
VRML_LAYOUT_FIELD(vrml_externproto, implementation, 524, 1048);
VRML_LAYOUT_FIELD(vrml_externproto, pending, 528, 1056);
VRML_LAYOUT_FIELD(vrml_externproto, reserved1, 540, 1080);
VRML_LAYOUT_FIELD(vrml_externproto, nodetemplate, 544, 1088);
VRML_LAYOUT_FIELD(vrml_externproto, reserved2, 548, 1096);

// ---- Nodes and members ----------------------------------------------------------

// Four one-byte words, then the content pointer.
VRML_LAYOUT_SIZE(vrml_member, 8, 16);
VRML_LAYOUT_FIELD(vrml_member, status, 0, 0);
VRML_LAYOUT_FIELD(vrml_member, sharedpart, 1, 1);
VRML_LAYOUT_FIELD(vrml_member, type, 2, 2);
VRML_LAYOUT_FIELD(vrml_member, memberclass, 3, 3);
VRML_LAYOUT_FIELD(vrml_member, content, 4, 8);
static_assert(sizeof(vrml_memberstatus) == 1, "a member status is one signed byte");

// Five words, then one slot per member from the sixth word on; the record
// ends right after its first slot, so the allocation for n members is the
// offset of the slots plus n slots.
VRML_LAYOUT_FIELD(vrml_node, type, 0, 0);
VRML_LAYOUT_FIELD(vrml_node, nodetemplate, 4, 8);
VRML_LAYOUT_FIELD(vrml_node, context, 8, 16);
VRML_LAYOUT_FIELD(vrml_node, defname, 12, 24);
VRML_LAYOUT_FIELD(vrml_node, natives, 16, 32);
VRML_LAYOUT_FIELD(vrml_node, members, 20, 40);
VRML_LAYOUT_SIZE(vrml_node, 20 + 8, 40 + 16);

// Content records: eventIn eight words, eventOut six, exposedField three;
// a field's value holder is the one word vrml_field *.
VRML_LAYOUT_SIZE(vrml_eventin, 32, 64);
VRML_LAYOUT_FIELD(vrml_eventin, reserved0, 0, 0);
VRML_LAYOUT_FIELD(vrml_eventin, value, 8, 16);
VRML_LAYOUT_FIELD(vrml_eventin, routes, 12, 24);
VRML_LAYOUT_FIELD(vrml_eventin, reserved1, 24, 48);

VRML_LAYOUT_SIZE(vrml_eventout, 24, 48);
VRML_LAYOUT_FIELD(vrml_eventout, reserved0, 0, 0);
VRML_LAYOUT_FIELD(vrml_eventout, value, 8, 16);
VRML_LAYOUT_FIELD(vrml_eventout, routes, 12, 24);

VRML_LAYOUT_SIZE(vrml_exposedfield, 12, 24);
VRML_LAYOUT_FIELD(vrml_exposedfield, eventin, 0, 0);
VRML_LAYOUT_FIELD(vrml_exposedfield, holder, 4, 8);
VRML_LAYOUT_FIELD(vrml_exposedfield, eventout, 8, 16);

static_assert(sizeof(vrml_field *) == VRML_BYTES(4, 8), "size of a value holder");

// ---- Routes, scopes and DEF names -------------------------------------------------

// Nine words.
VRML_LAYOUT_SIZE(vrml_route, 36, 56);
VRML_LAYOUT_FIELD(vrml_route, scope, 0, 0);
VRML_LAYOUT_FIELD(vrml_route, sourcedef, 4, 8);
VRML_LAYOUT_FIELD(vrml_route, sourcemember, 8, 12);
VRML_LAYOUT_FIELD(vrml_route, targetdef, 12, 16);
VRML_LAYOUT_FIELD(vrml_route, targetmember, 16, 20);
VRML_LAYOUT_FIELD(vrml_route, sourcenode, 20, 24);
VRML_LAYOUT_FIELD(vrml_route, targetnode, 24, 32);
VRML_LAYOUT_FIELD(vrml_route, notifier, 28, 40);
VRML_LAYOUT_FIELD(vrml_route, key, 32, 48);

// Four words.
VRML_LAYOUT_SIZE(vrml_scope, 16, 32);
VRML_LAYOUT_FIELD(vrml_scope, deftable, 0, 0);
VRML_LAYOUT_FIELD(vrml_scope, templates, 4, 8);
VRML_LAYOUT_FIELD(vrml_scope, owner, 8, 16);
VRML_LAYOUT_FIELD(vrml_scope, protoindex, 12, 24);

// Two list heads. A DEF table and a node template come from one allocator,
// which gives the larger of the two sizes; with 4-byte pointers both are six
// words.
VRML_LAYOUT_SIZE(vrml_deftable, 24, 48);
VRML_LAYOUT_FIELD(vrml_deftable, defs, 0, 0);
VRML_LAYOUT_FIELD(vrml_deftable, routes, 12, 24);
static_assert(sizeof(void *) != 4 || sizeof(vrml_deftable) == sizeof(vrml_nodetemplate),
              "a DEF table and a node template are records of one size");

// Two words.
VRML_LAYOUT_SIZE(vrml_defentry, 8, 16);
VRML_LAYOUT_FIELD(vrml_defentry, name, 0, 0);
VRML_LAYOUT_FIELD(vrml_defentry, node, 4, 8);

// ---- Native runtime -----------------------------------------------------------------

// Three words; the order differs from vrml_list.
VRML_LAYOUT_SIZE(vrnrt_list, 12, 24);
VRML_LAYOUT_FIELD(vrnrt_list, count, 0, 0);
VRML_LAYOUT_FIELD(vrnrt_list, head, 4, 8);
VRML_LAYOUT_FIELD(vrnrt_list, tail, 8, 16);

// Nine words supplied by a plug-in.
VRML_LAYOUT_SIZE(vrnrt_nodeentry, 36, 64);
VRML_LAYOUT_FIELD(vrnrt_nodeentry, unused, 0, 0);
VRML_LAYOUT_FIELD(vrnrt_nodeentry, size, 4, 4);
VRML_LAYOUT_FIELD(vrnrt_nodeentry, priority, 8, 8);
VRML_LAYOUT_FIELD(vrnrt_nodeentry, param, 12, 16);
VRML_LAYOUT_FIELD(vrnrt_nodeentry, construct, 16, 24);
VRML_LAYOUT_FIELD(vrnrt_nodeentry, destruct, 20, 32);
VRML_LAYOUT_FIELD(vrnrt_nodeentry, initialupdate, 24, 40);
VRML_LAYOUT_FIELD(vrnrt_nodeentry, traverse, 28, 48);
VRML_LAYOUT_FIELD(vrnrt_nodeentry, unload, 32, 56);

// Three words.
VRML_LAYOUT_SIZE(vrnrt_pluginentry, 12, 24);
VRML_LAYOUT_FIELD(vrnrt_pluginentry, name, 0, 0);
VRML_LAYOUT_FIELD(vrnrt_pluginentry, entry, 4, 8);
VRML_LAYOUT_FIELD(vrnrt_pluginentry, libid, 8, 16);

// A 256-byte name, then the id.
VRML_LAYOUT_SIZE(vrnrt_lib, 260, 260);
VRML_LAYOUT_FIELD(vrnrt_lib, name, 0, 0);
VRML_LAYOUT_FIELD_SIZE(vrnrt_lib, name, 256, 256);
VRML_LAYOUT_FIELD(vrnrt_lib, libid, 256, 256);

// Last id, libraries, 81 entry lists, 81 x 255 positions, pending updates,
// key.
VRML_LAYOUT_SIZE(vrnrt_pc, 83624, 84632);
VRML_LAYOUT_FIELD(vrnrt_pc, lastlibid, 0, 0);
VRML_LAYOUT_FIELD(vrnrt_pc, libraries, 4, 8);
VRML_LAYOUT_FIELD(vrnrt_pc, entries, 16, 32);
VRML_LAYOUT_FIELD_SIZE(vrnrt_pc, entries, 81 * 12, 81 * 24);
VRML_LAYOUT_FIELD(vrnrt_pc, positions, 988, 1976);
VRML_LAYOUT_FIELD_SIZE(vrnrt_pc, positions, 81 * 255 * 4, 81 * 255 * 4);
VRML_LAYOUT_FIELD(vrnrt_pc, pending, 83608, 84600);
VRML_LAYOUT_FIELD(vrnrt_pc, key, 83620, 84624);

// Two words: the creating thread, the runtime context.
VRML_LAYOUT_SIZE(vrnrt_pcentry, 8, 16);
VRML_LAYOUT_FIELD(vrnrt_pcentry, threadid, 0, 0);
VRML_LAYOUT_FIELD(vrnrt_pcentry, pc, 4, 8);

// Eight words.
VRML_LAYOUT_SIZE(vrnrt_callinfo, 32, 64);
VRML_LAYOUT_FIELD(vrnrt_callinfo, reason, 0, 0);
VRML_LAYOUT_FIELD(vrnrt_callinfo, node, 4, 8);
VRML_LAYOUT_FIELD(vrnrt_callinfo, object, 8, 16);
VRML_LAYOUT_FIELD(vrnrt_callinfo, param, 12, 24);
VRML_LAYOUT_FIELD(vrnrt_callinfo, event, 16, 32);
VRML_LAYOUT_FIELD(vrnrt_callinfo, reserved, 20, 40);
VRML_LAYOUT_FIELD(vrnrt_callinfo, eventword2, 24, 48);
VRML_LAYOUT_FIELD(vrnrt_callinfo, eventword3, 28, 56);

// Five words; the priority is the third, as the ordered lists expect.
VRML_LAYOUT_SIZE(vrnrt_native, 20, 32);
VRML_LAYOUT_FIELD(vrnrt_native, object, 0, 0);
VRML_LAYOUT_FIELD(vrnrt_native, param, 4, 8);
VRML_LAYOUT_FIELD(vrnrt_native, priority, 8, 16);
VRML_LAYOUT_FIELD(vrnrt_native, libid, 12, 20);
VRML_LAYOUT_FIELD(vrnrt_native, traverse, 16, 24);

// Ten words: a call record, the callback, a zero word.
VRML_LAYOUT_SIZE(vrnrt_pendinginit, 40, 80);
VRML_LAYOUT_FIELD(vrnrt_pendinginit, info, 0, 0);
VRML_LAYOUT_FIELD(vrnrt_pendinginit, callback, 32, 64);
VRML_LAYOUT_FIELD(vrnrt_pendinginit, reserved, 36, 72);
