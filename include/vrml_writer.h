/*
 * The scene writer: VRML97 text output of field values to ctx->out.
 *
 * Field printers write one value in the form the readers accept again. They
 * write no line break of their own: single values are one stream_printf;
 * array and image elements that begin a line are written with
 * stream_iprintf (which starts a new, indented line), the others with
 * stream_printf. Numbers use the C library's "%f" and "%d" forms, byte for
 * byte. vrml_print_SFVec3f is vrml_print_SFColor and vrml_print_MFVec3f is
 * vrml_print_MFColor.
 *
 * The SFNode printer writes "NULL" for a null node, "DEF name " before the
 * node for a DEF occurrence and "USE name" for a use; a DEF reference whose
 * entry the current DEF table lacks ends the process ("Could not find def:
 * %d"). The MFNode printer writes "[]" for an empty list, otherwise the
 * elements in brackets separated by one blank.
 */
#ifndef VRML_WRITER_H
#define VRML_WRITER_H

#include "vrml_fields.h"

VRML_EXTERN_C_BEGIN

ZEBVRML2_API void vrml_print_SFBool(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_SFColor(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_SFFloat(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_SFImage(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_SFInt32(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_SFNode(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_SFRotation(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_SFString(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_SFTime(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_SFVec2f(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_SFVec3f(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_MFColor(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_MFFloat(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_MFInt32(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_MFNode(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_MFRotation(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_MFString(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_MFVec2f(vrml_context *ctx, const vrml_field *value);
ZEBVRML2_API void vrml_print_MFVec3f(vrml_context *ctx, const vrml_field *value);

VRML_EXTERN_C_END

#endif
