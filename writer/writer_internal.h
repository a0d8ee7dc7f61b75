// Internal parts of the node and PROTO writer.
#ifndef ZEBVRML2_WRITER_WRITER_INTERNAL_H
#define ZEBVRML2_WRITER_WRITER_INTERNAL_H

#include "vrml_writer.h"
#include "vrml_parser.h"

// Writes a Script node: every member from 2 on, whatever its status.
int vrml_print_Script(vrml_context *ctx, vrml_node *node);

// Writes one interface declaration; hidden members ("#...") write nothing.
void vrml_print_interfacedecl(vrml_context *ctx, vrml_fieldtemplate *member);

// Writes the PROTO declarations of one scope: 1, or 0 for a null scope.
int vrml_print_scopeprotos(vrml_context *ctx, vrml_scope *scope);

#endif
