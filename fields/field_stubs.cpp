// Temporary compiling definitions of the field operations, replaced by the
// real ones in the following commits.
#include <cstdlib>

#include "fields/field_internal.h"

const char *const vrml_fieldnames[kVrmlFieldNameCount] = {
    "SFBool",
    "SFColor",
    "SFFloat",
    "SFImage",
    "SFInt32",
    "SFNode",
    "SFRotation",
    "SFString",
    "SFTime",
    "SFVec2f",
    "SFVec3f",
    "MFColor",
    "MFFloat",
    "MFInt32",
    "MFNode",
    "MFRotation",
    "MFString",
    "MFVec2f",
    "MFVec3f",
    "eventIn",
    "eventOut",
    "exposedField",
    "field",
};

const char *vrml_fielderrortext(int) { return nullptr; }
size_t vrml_fieldsize(int) { return 0; }

extern "C" {

ZEBVRML2_API int vrml_get_SFBool(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_SFBool(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_SFBool(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_SFBool(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_SFBool(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_SFColor(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_SFColor(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_SFColor(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_SFColor(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_SFColor(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_SFFloat(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_SFFloat(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_SFFloat(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_SFFloat(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_SFFloat(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_SFImage(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_SFImage(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_SFImage(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_SFImage(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_SFImage(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_SFInt32(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_SFInt32(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_SFInt32(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_SFInt32(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_SFInt32(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_SFNode(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_SFNode(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_SFNode(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_SFNode(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_SFNode(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_SFRotation(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_SFRotation(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_SFRotation(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_SFRotation(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_SFRotation(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_SFString(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_SFString(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_SFString(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_SFString(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_SFString(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_SFTime(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_SFTime(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_SFTime(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_SFTime(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_SFTime(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_SFVec2f(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_SFVec2f(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_SFVec2f(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_SFVec2f(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_SFVec2f(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_SFVec3f(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_SFVec3f(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_SFVec3f(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_SFVec3f(vrml_field *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_MFColor(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_MFColor(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_MFColor(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_MFColor(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_MFColor(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_MFFloat(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_MFFloat(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_MFFloat(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_MFFloat(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_MFFloat(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_MFInt32(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_MFInt32(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_MFInt32(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_MFInt32(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_MFInt32(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_MFNode(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_MFNode(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_MFNode(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_MFNode(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_MFNode(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_MFRotation(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_MFRotation(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_MFRotation(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_MFRotation(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_MFRotation(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_MFString(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_MFString(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_MFString(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_MFString(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_MFString(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_MFVec2f(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_MFVec2f(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_MFVec2f(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_MFVec2f(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_MFVec2f(vrml_context *, const vrml_field *) {}
ZEBVRML2_API int vrml_get_MFVec3f(vrml_context *, vrml_field *) { return -1; }
ZEBVRML2_API vrml_field *vrml_dup_MFVec3f(vrml_context *, const vrml_field *) { return nullptr; }
ZEBVRML2_API void vrml_set_MFVec3f(vrml_field **, const vrml_field *) {}
ZEBVRML2_API void vrml_copy_MFVec3f(vrml_field *, const vrml_field *) {}
ZEBVRML2_API void vrml_print_SFVec3f(vrml_context *, const vrml_field *) __attribute__((alias("vrml_print_SFColor")));
ZEBVRML2_API void vrml_print_MFVec3f(vrml_context *, const vrml_field *) __attribute__((alias("vrml_print_MFColor")));
ZEBVRML2_API void vrml_fieldfree(vrml_field *record) { std::free(record); }
ZEBVRML2_API int vrml_dup_list(vrml_list *, const vrml_list *) { return -1; }
void vrml_free_SFImage(vrml_field *record) { std::free(record); }
void vrml_free_SFString(vrml_field *record) { std::free(record); }
void vrml_free_MFarray(vrml_field *record) { std::free(record); }
void vrml_free_MFString(vrml_field *record) { std::free(record); }
void vrml_free_MFNode(vrml_field *record) { std::free(record); }
void vrml_resetlist(vrml_list *) {}
int vrml_listtoarray(vrml_field *, size_t) { return -1; }
void vrml_print_nodelist(vrml_context *, const vrml_field *) {}

ZEBVRML2_API extern const vrml_dupfunc vrml_dupfield[VRML_FIELDTYPE_COUNT];
const vrml_dupfunc vrml_dupfield[VRML_FIELDTYPE_COUNT] = {
    vrml_dup_SFBool,
    vrml_dup_SFColor,
    vrml_dup_SFFloat,
    vrml_dup_SFImage,
    vrml_dup_SFInt32,
    vrml_dup_SFNode,
    vrml_dup_SFRotation,
    vrml_dup_SFString,
    vrml_dup_SFTime,
    vrml_dup_SFVec2f,
    vrml_dup_SFVec3f,
    vrml_dup_MFColor,
    vrml_dup_MFFloat,
    vrml_dup_MFInt32,
    vrml_dup_MFNode,
    vrml_dup_MFRotation,
    vrml_dup_MFString,
    vrml_dup_MFVec2f,
    vrml_dup_MFVec3f,
};

ZEBVRML2_API extern const vrml_freefunc vrml_freefielddata[VRML_FIELDTYPE_COUNT];
const vrml_freefunc vrml_freefielddata[VRML_FIELDTYPE_COUNT] = {
    vrml_fieldfree,
    vrml_fieldfree,
    vrml_fieldfree,
    vrml_free_SFImage,
    vrml_fieldfree,
    vrml_fieldfree,
    vrml_fieldfree,
    vrml_free_SFString,
    vrml_fieldfree,
    vrml_fieldfree,
    vrml_fieldfree,
    vrml_free_MFarray,
    vrml_free_MFarray,
    vrml_free_MFarray,
    vrml_free_MFNode,
    vrml_free_MFarray,
    vrml_free_MFString,
    vrml_free_MFarray,
    vrml_free_MFarray,
};

ZEBVRML2_API extern const vrml_setfunc vrml_setfield[VRML_FIELDTYPE_COUNT];
const vrml_setfunc vrml_setfield[VRML_FIELDTYPE_COUNT] = {
    vrml_set_SFBool,
    vrml_set_SFColor,
    vrml_set_SFFloat,
    vrml_set_SFImage,
    vrml_set_SFInt32,
    vrml_set_SFNode,
    vrml_set_SFRotation,
    vrml_set_SFString,
    vrml_set_SFTime,
    vrml_set_SFVec2f,
    vrml_set_SFVec3f,
    vrml_set_MFColor,
    vrml_set_MFFloat,
    vrml_set_MFInt32,
    vrml_set_MFNode,
    vrml_set_MFRotation,
    vrml_set_MFString,
    vrml_set_MFVec2f,
    vrml_set_MFVec3f,
};

}  // extern "C"

const vrml_parsefunc vrml_parsefield[VRML_FIELDTYPE_COUNT] = {
    vrml_get_SFBool,
    vrml_get_SFColor,
    vrml_get_SFFloat,
    vrml_get_SFImage,
    vrml_get_SFInt32,
    vrml_get_SFNode,
    vrml_get_SFRotation,
    vrml_get_SFString,
    vrml_get_SFTime,
    vrml_get_SFVec2f,
    vrml_get_SFVec3f,
    vrml_get_MFColor,
    vrml_get_MFFloat,
    vrml_get_MFInt32,
    vrml_get_MFNode,
    vrml_get_MFRotation,
    vrml_get_MFString,
    vrml_get_MFVec2f,
    vrml_get_MFVec3f,
};
const vrml_printfunc vrml_printfield[VRML_FIELDTYPE_COUNT] = {
    vrml_print_SFBool,
    vrml_print_SFColor,
    vrml_print_SFFloat,
    vrml_print_SFImage,
    vrml_print_SFInt32,
    vrml_print_SFNode,
    vrml_print_SFRotation,
    vrml_print_SFString,
    vrml_print_SFTime,
    vrml_print_SFVec2f,
    vrml_print_SFColor,
    vrml_print_MFColor,
    vrml_print_MFFloat,
    vrml_print_MFInt32,
    vrml_print_MFNode,
    vrml_print_MFRotation,
    vrml_print_MFString,
    vrml_print_MFVec2f,
    vrml_print_MFColor,
};
