// Stand-ins for the subsystems that are not built yet (see pending_parts.h).
// They report that nothing was done.
#include "loader/pending_parts.h"

#include <cstdlib>

extern "C" {

vrnrt_pc *vrml_nativeinit(vrml_context *) { return nullptr; }
void vrnrt_oninitialupdate(vrml_context *) {}

void vrml_nativeconstruct(vrml_context *, vrml_node *, int) {}

}
