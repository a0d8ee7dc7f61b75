/*
 * Field values: the nineteen VRML97 field types, their value records and the
 * per-type operation tables.
 *
 * A value is one heap record whose layout depends on its type; vrml_field is
 * the union of the layouts, and a record of type t is only as large as its
 * own layout (vrml_allocfield). A record owns its strings, pixels and arrays,
 * never a node.
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
 * staging is empty except while a reader collects elements. */
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

VRML_EXTERN_C_END

#endif
