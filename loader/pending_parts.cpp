// Stand-ins for the subsystems that are not built yet (see pending_parts.h).
// They report that nothing was done.
#include "loader/pending_parts.h"

#include <cstdlib>

extern "C" {

vrml_node *vrml_dupnode(vrml_context *, vrml_node *source) { return source; }

int vrml_readproto(vrml_context *) { return -1; }
int vrml_readexternproto(vrml_context *) { return -1; }
int vrml_readscriptbody(vrml_context *, vrml_field *, char *defname) {
    std::free(defname);
    return -1;
}

}
