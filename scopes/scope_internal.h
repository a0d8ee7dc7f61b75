// Internal operations of the scopes and DEF names.
#ifndef ZEBVRML2_SCOPES_SCOPE_INTERNAL_H
#define ZEBVRML2_SCOPES_SCOPE_INTERNAL_H

#include "vrml_scopes.h"

// Releases the private name index of a DEF table (before the table record
// is freed); the lists are untouched.
void vrml_deftable_releaseindex(vrml_deftable *table);

// Releases the private index of the context's scope list.
void vrml_context_releasescopeindex(vrml_context *ctx);

#endif
