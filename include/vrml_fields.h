/*
 * Field values: the nineteen VRML97 field types, their value records and the
 * per-type operation tables.
 *
 * A value is one heap record whose layout depends on its type; vrml_field is
 * the union of the layouts, and a record of type t is only as large as its
 * own layout (vrml_allocfield). A record owns its strings, pixels and arrays,
 * never a node.
 *
 * Threads: the operation tables are constant and every operation touches
 * only the records it is given (and, for readers and printers, the
 * context's streams), so different values may be handled on different
 * threads at once.
 */
#ifndef VRML_FIELDS_H
#define VRML_FIELDS_H

#include <stdint.h>

#include "vrml_loader.h"

VRML_EXTERN_C_BEGIN

typedef int32_t vrml_fieldtype;

enum {
    VRML_SFBOOL = 0,
    VRML_SFCOLOR = 1,
    VRML_SFFLOAT = 2,
    VRML_SFIMAGE = 3,
    VRML_SFINT32 = 4,
    VRML_SFNODE = 5,
    VRML_SFROTATION = 6,
    VRML_SFSTRING = 7,
    VRML_SFTIME = 8,
    VRML_SFVEC2F = 9,
    VRML_SFVEC3F = 10,
    VRML_MFCOLOR = 11,
    VRML_MFFLOAT = 12,
    VRML_MFINT32 = 13,
    VRML_MFNODE = 14,
    VRML_MFROTATION = 15,
    VRML_MFSTRING = 16,
    VRML_MFVEC2F = 17,
    VRML_MFVEC3F = 18,
    VRML_FIELDTYPE_COUNT = 19
};

typedef int32_t vrml_memberclass;

enum {
    VRML_EVENTIN = 0,
    VRML_EVENTOUT = 1,
    VRML_EXPOSEDFIELD = 2,
    VRML_FIELD = 3
};

/* Diagnostic codes of the field code. */
enum {
    VRML_ERR_SYSTEM = 0x100,
    VRML_ERR_NOMEM = 0x101,
    VRML_ERR_BADFIELD = 0x400,
    VRML_ERR_SFBOOL = 0x401,
    VRML_ERR_SFCOLOR = 0x402,
    VRML_ERR_SFFLOAT = 0x403,
    VRML_ERR_SFIMAGE = 0x404,
    VRML_ERR_SFINT32 = 0x405,
    VRML_ERR_SFNODE = 0x406,
    VRML_ERR_SFROTATION = 0x407,
    VRML_ERR_SFSTRING = 0x408,
    VRML_ERR_SFTIME = 0x409,
    VRML_ERR_SFVEC2F = 0x40a,
    VRML_ERR_SFVEC3F = 0x40b,
    VRML_ERR_MFCOLOR = 0x40c,
    VRML_ERR_MFFLOAT = 0x40d,
    VRML_ERR_MFINT32 = 0x40e,
    VRML_ERR_MFNODE = 0x40f,
    VRML_ERR_MFROTATION = 0x410,
    VRML_ERR_MFVEC2F = 0x411,
    VRML_ERR_MFVEC3F = 0x412,
    VRML_ERR_MFSTRING = 0x413
};

/* SFImage: width x height pixels of components bytes each, least
 * significant byte first; pixels null when there is no pixel data. */
typedef struct vrml_sfimage {
    int32_t width;
    int32_t height;
    int32_t components;
    unsigned char *pixels;
} vrml_sfimage;

/* SFNode: defref 0 (not named here), -(k+1) (the DEF of entry k of the
 * current scope's DEF table) or k+1 (a USE of entry k); node is never owned. */
typedef struct vrml_sfnode {
    int32_t defref;
    vrml_node *node;
} vrml_sfnode;

/* MFColor, MFFloat, MFInt32, MFRotation, MFString, MFVec2f, MFVec3f:
 * count elements stored contiguously in values (null when count is 0).
 * staging is always empty: the readers collect elements straight into the
 * array. */
typedef struct vrml_mfarray {
    int32_t count;
    vrml_list staging;
    void *values;
} vrml_mfarray;

/* MFNode: one list item per element, each item's data a vrml_sfnode record
 * owned by the list; count equals nodes.count. */
struct vrml_mfnode {
    int32_t count;
    vrml_list nodes;
};

typedef union vrml_field {
    int32_t sfbool;
    float sfcolor[3];
    float sffloat;
    vrml_sfimage sfimage;
    int32_t sfint32;
    vrml_sfnode sfnode;
    float sfrotation[4];
    char *sfstring;
    double sftime;
    float sfvec2f[2];
    float sfvec3f[3];
    vrml_mfarray mfarray;
    vrml_mfnode mfnode;
} vrml_field;

/* A new zero-filled record of the type's own layout (a blank value), or
 * null. The type code must be 0 to 18. vrml_allocrawfield is the same
 * operation. */
ZEBVRML2_API vrml_field *vrml_allocfield(int type);
ZEBVRML2_API vrml_field *vrml_allocrawfield(int type);

typedef int (*vrml_parsefunc)(vrml_context *ctx, vrml_field *record);
typedef vrml_field *(*vrml_dupfunc)(vrml_context *ctx, const vrml_field *source);
typedef void (*vrml_freefunc)(vrml_field *record);
typedef void (*vrml_printfunc)(vrml_context *ctx, const vrml_field *value);
typedef void (*vrml_setfunc)(vrml_field **slot, const vrml_field *source);

/* ---- Readers -------------------------------------------------------------
 * Each reads one value of its type from ctx->in into a blank record.
 * Results: positive when a value was stored; 0 when no value of the type
 * starts here (separators skipped, the text left in the input), also after an
 * empty list "[]" and an image whose width x height x components is 0;
 * negative on failure. Problems are reported to the log handler with the
 * codes above. In detail:
 *  - SFFloat and SFTime take the decimal form only (optional sign, "+"
 *    included; no hexadecimal, inf or nan forms); SFFloat stores the nearest
 *    single-precision value, SFTime the double. SFInt32 takes decimal, "0x"
 *    hexadecimal and leading-zero octal forms and saturates to the 32-bit
 *    range.
 *  - A list that fails part-way keeps the elements read so far as a valid
 *    value (count equal to the elements in values); no reader leaves a record
 *    whose count exceeds what values holds.
 *  - SFImage: when width x height x components is not 0, a negative
 *    dimension or a pixel count above the 32-bit range fails as an invalid
 *    image (0x404) and leaves a blank record.
 *  - vrml_get_MFNode given a null record returns -1. */
ZEBVRML2_API int vrml_get_SFBool(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_SFColor(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_SFFloat(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_SFImage(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_SFInt32(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_SFNode(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_SFRotation(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_SFString(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_SFTime(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_SFVec2f(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_SFVec3f(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_MFColor(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_MFFloat(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_MFInt32(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_MFNode(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_MFRotation(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_MFString(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_MFVec2f(vrml_context *ctx, vrml_field *value);
ZEBVRML2_API int vrml_get_MFVec3f(vrml_context *ctx, vrml_field *value);

/* ---- Copy ----------------------------------------------------------------
 * Writes the value of source over dest, a record of the same type. Strings,
 * pixels and MFString strings are copied, never shared; nodes are never
 * copied (SFNode copies the reference). Array copies are element-wise and
 * leave dest's count unchanged: dest must hold room for source's count
 * elements. MFNode copies references along both lists as far as the shorter
 * one goes. Copying a record onto itself leaves it unchanged.
 * SFBool/SFFloat/SFInt32, SFColor/SFVec3f, MFFloat/MFInt32 and
 * MFColor/MFVec3f are one function each. */
ZEBVRML2_API void vrml_copy_SFBool(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_SFFloat(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_SFInt32(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_SFColor(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_SFVec3f(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_SFVec2f(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_SFTime(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_SFNode(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_SFRotation(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_SFString(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_SFImage(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_MFFloat(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_MFInt32(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_MFColor(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_MFVec3f(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_MFVec2f(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_MFRotation(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_MFString(vrml_field *dest, const vrml_field *source);
ZEBVRML2_API void vrml_copy_MFNode(vrml_field *dest, const vrml_field *source);

/* ---- Duplicate -----------------------------------------------------------
 * A new record holding the value of source, or null when memory runs out
 * (nothing leaked). Only the SFNode and MFNode duplicates use ctx; the others
 * accept null for it.
 * vrml_dup_SFNode copies nodes for the prototype instance being made (the
 * current scope): a null source is reported ("dupSFN(%d): Duping NULL") and
 * gives null. An unnamed node (defref 0) is copied. A DEF or USE reference
 * keeps its defref and takes the node of entry |defref|-1 of the current DEF
 * table; when that entry holds no node yet, the source node is copied and
 * bound to it, so every reference to one name within one instance shares one
 * copy. A missing entry is reported ("DUPSFN FATAL: @line %d") and gives
 * null, as does a node that cannot be copied (no memory).
 * vrml_dup_MFNode: an element whose duplicate fails is dropped and count is
 * the number of elements kept. */
ZEBVRML2_API vrml_field *vrml_dup_SFBool(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_SFColor(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_SFFloat(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_SFImage(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_SFInt32(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_SFNode(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_SFRotation(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_SFString(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_SFTime(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_SFVec2f(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_SFVec3f(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_MFColor(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_MFFloat(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_MFInt32(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_MFNode(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_MFRotation(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_MFString(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_MFVec2f(vrml_context *ctx, const vrml_field *source);
ZEBVRML2_API vrml_field *vrml_dup_MFVec3f(vrml_context *ctx, const vrml_field *source);

/* ---- Assign --------------------------------------------------------------
 * Stores the value of source in *slot (which may hold null). Single values
 * reuse the slot's record (a blank one is made when the slot is empty); array
 * values reuse it when the counts agree and otherwise replace it with a
 * duplicate (null when memory runs out); MFString always replaces it (unless
 * *slot is source itself); MFNode shares the source's nodes. */
ZEBVRML2_API void vrml_set_SFBool(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_SFColor(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_SFFloat(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_SFImage(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_SFInt32(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_SFNode(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_SFRotation(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_SFString(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_SFTime(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_SFVec2f(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_SFVec3f(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_MFColor(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_MFFloat(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_MFInt32(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_MFNode(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_MFRotation(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_MFString(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_MFVec2f(vrml_field **slot, const vrml_field *source);
ZEBVRML2_API void vrml_set_MFVec3f(vrml_field **slot, const vrml_field *source);

/* ---- Release -------------------------------------------------------------
 * vrml_fieldfree frees a record that owns nothing (SFBool, SFColor, SFFloat,
 * SFInt32, SFNode, SFRotation, SFTime, SFVec2f, SFVec3f); every other type is
 * released through its entry in vrml_freefielddata. Null does nothing. */
ZEBVRML2_API void vrml_fieldfree(vrml_field *record);

/* Empties dest (without releasing what it held) and appends every data
 * pointer of source (null: none) in order; the data is shared. The count of
 * dest, or -1 when an append fails (dest is then empty again). */
ZEBVRML2_API int vrml_dup_list(vrml_list *dest, const vrml_list *source);

/* ---- Tables indexed by the type code (exported as data) ---------------- */
ZEBVRML2_API extern const vrml_dupfunc vrml_dupfield[VRML_FIELDTYPE_COUNT];
ZEBVRML2_API extern const vrml_freefunc vrml_freefielddata[VRML_FIELDTYPE_COUNT];
ZEBVRML2_API extern const vrml_setfunc vrml_setfield[VRML_FIELDTYPE_COUNT];

VRML_EXTERN_C_END

#endif
