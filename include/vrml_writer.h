/*
 * The scene writer: VRML97 text output of field values to ctx->out.
 * Threads: printing reads the scene and writes its output stream, so a
 * context prints on one thread at a time; different contexts may print at
 * once to different streams.
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

#include "vrml_scopes.h"

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


/* ---- Nodes, ROUTEs and PROTO declarations ------------------------------
 * A node is written as "Type {", its assigned members in template order and
 * "}": a member whose status is 0 writes nothing (its routes included); an
 * eventOut writes the routes leaving it; an exposedField its routes, then
 * "name value"; a field "name value". Prototype instances never write their
 * hidden members. Where the data cannot be written as a ROUTE or IS
 * statement:
 *  - routes and notifiers added at run time carry no scope and are not
 *    written; nor are the copied ROUTEs of a prototype instance's body,
 *    which can hang on an event record that the instance shares with its
 *    body through IS (they are written with the PROTO's body);
 *  - an IS member is written "name IS interfacename" only while its PROTO's
 *    scope is on top of the scope stack (as vrml_print_PROTOS arranges);
 *    elsewhere it is left out, so the output reads back with the default;
 *  - a Script's IS member that cannot be resolved there is written as an
 *    ordinary declaration with its current value;
 *  - a missing value (no default, or content given up to IS) is written as
 *    the blank value of its type;
 *  - a member carrying an EXTERNPROTO wiring mark (-125, -126) is written
 *    like an assigned member, with its current value.
 * A SFNode DEF reference without its DEF entry ends the process ("Could not
 * find def: %d"). */
ZEBVRML2_API int vrml_print_node(vrml_context *ctx, vrml_node *node);

/* Writes "ROUTE a.b TO c.d" for a route, resolved in the route's own scope. */
ZEBVRML2_API void vrml_printroute(vrml_context *ctx, vrml_route *route);
/* vrml_printroute for every route of a list, head to tail. */
ZEBVRML2_API void vrml_printroutelist(vrml_context *ctx, vrml_list *list);
/* Writes the not yet attached ROUTEs of a scope, resolved in that scope. 1. */
ZEBVRML2_API int vrml_print_ROUTE(vrml_context *ctx, vrml_scope *scope);
/* Writes the PROTO declarations of scope 0 (nested ones inside their
 * bodies), in declaration order. 0. */
ZEBVRML2_API int vrml_print_PROTOS(vrml_context *ctx);

/* ---- Extension: the scene writer -----------------------------------------
 * vrmlutil_writescene writes the loaded scene of ctx to stream (null: to
 * ctx->out) so that reading the text back gives the same scene: the same
 * graph of nodes reachable from the root nodes (types, member values bit for
 * bit, shared nodes), the same DEF names, ROUTEs and PROTO and EXTERNPROTO
 * declarations. It writes, in this order: the header line "#VRML V2.0 utf8"
 * (unless flags hold VRML_WRITESCENE_NOHEADER); the PROTO declarations of
 * scope 0 (interface with defaults, body with its nested declarations,
 * nodes and internal ROUTEs, IS mappings) and its EXTERNPROTO declarations
 * (interface and url list), in declaration order; the root nodes; the ROUTEs
 * of scope 0.
 *  - A node is written "DEF name Type { ... }" at its first appearance in
 *    writing order and "USE name" after it. A node keeps its DEF name unless
 *    another node's DEF of that name comes between its DEF and a USE or ROUTE
 *    of it; such a node, and a node used more than once that has no DEF name,
 *    get a generated name NAME_N (Shared_N for the unnamed) that no DEF of
 *    their scope uses.
 *  - A member is written when its status is positive (directOutput and
 *    mustEvaluate of a Script: when not the default) or its value differs
 *    from the template default, bit for bit; a Script writes every declared
 *    member. Inside a PROTO body an IS-mapped member is written
 *    "name IS interfacename".
 *  - ROUTEs come after the nodes of their scope: the routes leaving the
 *    written nodes (read from the file, left in the scope, or added at run
 *    time) whose two ends are nodes written in the same scope with members
 *    of one type, and the routes a PROTO body holds. The copies of body
 *    routes that PROTO instances carry are not written.
 *  - Numbers: floats and times in the shortest decimal text that reads back
 *    to the same value (-0 and subnormals included; an infinity as 1e39 or
 *    1e309 with its sign), integers in decimal, SFImage pixels in
 *    hexadecimal (a four-component pixel from 0x80000000 on negated, as
 *    -0x...). Strings are quoted with '"' and '\' escaped.
 *  - Layout: two spaces per level, one member per line, short arrays on one
 *    line, longer ones wrapped by element within 78 columns.
 * What the text cannot carry is reported, one message per item with code
 * VRML_ERR_WRITE ("writer: cannot write ..."), and counted: a NaN (written
 * as 0), a notifier, a ROUTE whose ends are not both written in one scope or
 * whose members do not match, an IS mapping outside a PROTO body, an
 * EXTERNPROTO instance's wiring to its PROTO, an image of more than 2^31
 * pixels, a PROTO instance whose own copy of the body holds values other
 * than the PROTO's body (reading the instance copies the body again).
 * Returns the number of items reported, or -1 when ctx holds no loaded
 * scene, the output failed or memory ran out (reported "writer: output
 * failed"). Nothing of the scene is changed; ctx->out is restored. */
#define VRML_WRITESCENE_NOHEADER 1
#define VRML_ERR_WRITE 0x500
ZEBVRML2_API int vrmlutil_writescene(vrml_context *ctx, vrml_stream *stream, int flags);

VRML_EXTERN_C_END

#endif
