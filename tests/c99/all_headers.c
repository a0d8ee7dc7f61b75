/* The public headers as a C99 program sees them. Compiled, not run, by
 * tests/scripts/check_c99_headers.cmake with -std=c99 -Wall -Wextra
 * -Wpedantic -Werror: once with every header and the record sizes, and once per header with
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
 * checked in the library's own build): C99_SIZES holds one C99_SIZE(record,
 * bytes32, bytes64) per record of tests/data/c99/record_sizes.txt; a record
 * whose size differs fails here as an array of negative size. */
#define C99_SIZE(record, bytes32, bytes64) \
    typedef char c99_size_of_##record[sizeof(record) == (sizeof(void *) == 4 ? (bytes32) : (bytes64)) ? 1 : -1];
C99_SIZES
#endif

/* A translation unit holds at least one declaration. */
typedef int c99_headers_checked;
