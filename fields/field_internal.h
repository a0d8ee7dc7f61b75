// Internal operations and tables of the field values.
#ifndef ZEBVRML2_FIELDS_FIELD_INTERNAL_H
#define ZEBVRML2_FIELDS_FIELD_INTERNAL_H

#include <cstddef>

#include "vrml_fields.h"
#include "vrml_writer.h"

// The 23 names: the nineteen type names in code order, then the four member
// class names ("eventIn", "eventOut", "exposedField", "field").
constexpr int kVrmlClassNameBase = VRML_FIELDTYPE_COUNT;
constexpr int kVrmlFieldNameCount = VRML_FIELDTYPE_COUNT + 4;
extern const char *const vrml_fieldnames[kVrmlFieldNameCount];

// The fixed text of a field diagnostic code (0x100, 0x101, 0x400..0x413), or
// null for any other code.
const char *vrml_fielderrortext(int code);

// Byte size of a record of the type (codes 0..18).
size_t vrml_fieldsize(int type);

// Per-type readers and printers; the exported tables are in vrml_fields.h.
extern const vrml_parsefunc vrml_parsefield[VRML_FIELDTYPE_COUNT];
extern const vrml_printfunc vrml_printfield[VRML_FIELDTYPE_COUNT];

extern "C" {

// Release operations of the types that own memory; null does nothing.
void vrml_free_SFImage(vrml_field *record);
void vrml_free_SFString(vrml_field *record);
void vrml_free_MFarray(vrml_field *record);
void vrml_free_MFString(vrml_field *record);
void vrml_free_MFNode(vrml_field *record);

// Sets a list head to empty without touching its items; null does nothing.
void vrml_resetlist(vrml_list *list);

// Failures of the SFString reader (and the readers built on it).
enum vrml_read_failure {
    kVrmlReadTooLong = -2,       // the text fills the reader's buffer
    kVrmlReadUnterminated = -3,  // the input ends inside the string
    kVrmlReadNoMemory = -4,
};

// Writes the elements of a node list without brackets, one blank between
// two elements; items without a record are skipped.
void vrml_print_nodelist(vrml_context *ctx, const vrml_field *list);

}

#endif
