// Operations of subsystems that are not built yet. The loader calls them
// under their final names; each moves to its own subsystem (and out of this
// file) when that subsystem lands.
#ifndef ZEBVRML2_LOADER_PENDING_PARTS_H
#define ZEBVRML2_LOADER_PENDING_PARTS_H

#include "vrml_fields.h"

extern "C" {
int vrml_parsebuiltinfields(vrml_context *ctx);
int vrml_newscope(vrml_context *ctx);
vrml_scope *vrml_getscopeentry(vrml_context *ctx, int id);
int vrml_pushscope(vrml_context *ctx, vrml_scope *scope);
int vrml_get_SFNode(vrml_context *ctx, vrml_field *value);
int vrml_createroutetree(vrml_scope *scope);
}

#endif
