// Internal releases of member content records, by member class.
#ifndef ZEBVRML2_RELEASE_RELEASE_INTERNAL_H
#define ZEBVRML2_RELEASE_RELEASE_INTERNAL_H

#include "vrml_release.h"

extern "C" {

// Each releases its record's value(s), the route records on its lists with
// their list items, and the record; null does nothing.
void vrml_free_eventin(int type, vrml_eventin *record);
void vrml_free_eventout(int type, vrml_eventout *record);
void vrml_free_exposedfield(int type, vrml_exposedfield *record);
void vrml_free_field(int type, vrml_field **holder);

}

#endif
