// Stand-ins for the subsystems that are not built yet (see pending_parts.h).
// They report that nothing was done, so a load yields an empty scene.
#include "loader/pending_parts.h"

extern "C" {

int vrml_parsebuiltinfields(vrml_context *) { return 1; }
int vrml_newscope(vrml_context *) { return -1; }
vrml_scope *vrml_getscopeentry(vrml_context *, int) { return nullptr; }
int vrml_pushscope(vrml_context *, vrml_scope *) { return -1; }
int vrml_get_SFNode(vrml_context *, vrml_field *) { return -1; }
int vrml_createroutetree(vrml_scope *) { return 1; }

}
