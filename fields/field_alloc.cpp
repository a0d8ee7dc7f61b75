// Blank value records of each type's own layout.
#include "fields/field_internal.h"
#include "platform/second_name.h"

namespace {
constexpr unsigned kRecordSize[VRML_FIELDTYPE_COUNT] = {
    sizeof(int32_t),       // SFBool
    sizeof(float[3]),      // SFColor
    sizeof(float),         // SFFloat
    sizeof(vrml_sfimage),  // SFImage
    sizeof(int32_t),       // SFInt32
    sizeof(vrml_sfnode),   // SFNode
    sizeof(float[4]),      // SFRotation
    sizeof(char *),        // SFString
    sizeof(double),        // SFTime
    sizeof(float[2]),      // SFVec2f
    sizeof(float[3]),      // SFVec3f
    sizeof(vrml_mfarray),  // MFColor
    sizeof(vrml_mfarray),  // MFFloat
    sizeof(vrml_mfarray),  // MFInt32
    sizeof(vrml_mfnode),   // MFNode
    sizeof(vrml_mfarray),  // MFRotation
    sizeof(vrml_mfarray),  // MFString
    sizeof(vrml_mfarray),  // MFVec2f
    sizeof(vrml_mfarray),  // MFVec3f
};
}  // namespace

size_t vrml_fieldsize(int type) { return kRecordSize[type]; }

extern "C" {

ZEBVRML2_API vrml_field *vrml_allocfield(int type) {
    // Codes outside 0..18 are outside the data model; refuse them rather
    // than read past the table.
    if (type < 0 || type >= VRML_FIELDTYPE_COUNT) return nullptr;
    return static_cast<vrml_field *>(vrml_malloc(kRecordSize[type]));
}

VRML_SECOND_NAME(vrml_field *, vrml_allocrawfield, (int type), vrml_allocfield, (type))

}
