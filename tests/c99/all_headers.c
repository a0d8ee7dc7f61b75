/* The public headers as a C99 program sees them. Compiled, not run, by
 * tests/scripts/check_c99_headers.cmake with -std=c99 -Wall -Wextra
 * -Wpedantic -Werror: once with every header, and once per header with
 * -DONE_HEADER="name.h", so that each one stands on its own. */
#ifdef ONE_HEADER
#include ONE_HEADER
#else
#include "vrml_export.h"
#include "zebio.h"
#include "vrml_loader.h"
#include "vrml_fields.h"
#include "vrml_nodes.h"
#include "vrml_scopes.h"
#include "vrml_parser.h"
#include "vrml_writer.h"
#include "vrml_native.h"
#include "vrml_release.h"
#include "zebvrml2.h"

/* A C host lays the shared records out as the library does (offsets are
 * checked in the library's own build): a record whose size differs fails
 * here as an array of negative size. */
#define C99_SIZE(record, bytes32, bytes64) \
    typedef char c99_size_of_##record[sizeof(record) == (sizeof(void *) == 4 ? (bytes32) : (bytes64)) ? 1 : -1]

C99_SIZE(vrml_stream, 64, 128);
C99_SIZE(vrml_list, 12, 24);
C99_SIZE(vrml_context, 4888, 9224);
C99_SIZE(vrml_fieldtemplate, 20, 32);
C99_SIZE(vrml_nodetemplate, 24, 40);
C99_SIZE(vrml_templatetable, 4100, 8200);
C99_SIZE(vrml_externproto, 552, 1104);
C99_SIZE(vrml_member, 8, 16);
C99_SIZE(vrml_node, 28, 56);
C99_SIZE(vrml_eventin, 32, 64);
C99_SIZE(vrml_eventout, 24, 48);
C99_SIZE(vrml_exposedfield, 12, 24);
C99_SIZE(vrml_route, 36, 56);
C99_SIZE(vrml_scope, 16, 32);
C99_SIZE(vrml_deftable, 24, 48);
C99_SIZE(vrml_defentry, 8, 16);
C99_SIZE(vrnrt_list, 12, 24);
C99_SIZE(vrnrt_nodeentry, 36, 64);
C99_SIZE(vrnrt_pluginentry, 12, 24);
C99_SIZE(vrnrt_lib, 260, 260);
C99_SIZE(vrnrt_pc, 83624, 84632);
C99_SIZE(vrnrt_pcentry, 8, 16);
C99_SIZE(vrnrt_callinfo, 32, 64);
C99_SIZE(vrnrt_native, 20, 32);
C99_SIZE(vrnrt_pendinginit, 40, 80);
#endif

/* A translation unit holds at least one declaration. */
typedef int c99_headers_checked;
