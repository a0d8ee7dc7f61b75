// The type and class names, the diagnostic texts and the per-type tables.
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

const char *vrml_fielderrortext(int code) {
    static const char *const kValueTexts[] = {
        "Bad Field",          "Invalid Boolean",   "Invalid SFColor",   "Invalid SFFloat",
        "Invalid SFImage",    "Invalid SFInt32",   "Invalid SFNode",    "Invalid SFRotation",
        "Invalid SFString",   "Invalid SFTime",    "Invalid SFVec2f",   "Invalid SFVec3f",
        "Invalid MFColor",    "Invalid MFFloat",   "Invalid MFInt32",   "Invalid MFNode",
        "Invalid MFRotation", "Invalid MFVec2f",   "Invalid MFVec3f",   "Invalid MFString",
    };
    if (code == VRML_ERR_SYSTEM) return "System Error";
    if (code == VRML_ERR_NOMEM) return "Out of memory";
    if (code >= VRML_ERR_BADFIELD && code <= VRML_ERR_MFSTRING) return kValueTexts[code - VRML_ERR_BADFIELD];
    return nullptr;
}

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

extern "C" {

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
