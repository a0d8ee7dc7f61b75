/* zebvrml2: VRML97 scene graph and file library. Include this header for the
 * whole interface. */
#ifndef ZEBVRML2_H
#define ZEBVRML2_H

#define ZEBVRML2_VERSION "0.1.0"

#include "zebio.h"
#include "vrml_loader.h"
#include "vrml_fields.h"
#include "vrml_writer.h"
#include "vrml_nodes.h"
#include "vrml_scopes.h"
#include "vrml_parser.h"
#include "vrml_release.h"
#include "vrml_native.h"

#endif
