// Release of member content records by member class.
#include <cstdlib>

#include "release/release_internal.h"

namespace {

void free_value(int type, vrml_field *value) {
    if (value && type >= 0 && type < VRML_FIELDTYPE_COUNT) vrml_freefielddata[type](value);
}

// Frees every item of a route list together with the route it points to.
void free_routes(vrml_list *routes) {
    for (vrml_listitem *it = routes->first, *next; it; it = next) {
        next = it->next;
        std::free(it->data);
        std::free(it);
    }
    *routes = vrml_list{};
}

}  // namespace

extern "C" {

void vrml_free_eventin(int type, vrml_eventin *record) {
    if (!record) return;
    free_value(type, record->value);
    free_routes(&record->routes);
    std::free(record);
}

void vrml_free_eventout(int type, vrml_eventout *record) {
    if (!record) return;
    free_value(type, record->value);
    free_routes(&record->routes);
    std::free(record);
}

void vrml_free_exposedfield(int type, vrml_exposedfield *record) {
    if (!record) return;
    if (record->holder) free_value(type, *record->holder);
    if (record->eventin) {
        // The eventIn record's value word is not released here.
        free_routes(&record->eventin->routes);
        std::free(record->eventin);
    }
    if (record->eventout) {
        free_routes(&record->eventout->routes);
        free_value(type, record->eventout->value);
        std::free(record->eventout);
    }
    std::free(record->holder);
    std::free(record);
}

void vrml_free_field(int type, vrml_field **holder) {
    if (!holder) return;
    free_value(type, *holder);
    std::free(holder);
}

ZEBVRML2_API void vrml_freeuclass(int memberclass, int type, void *content) {
    switch (memberclass) {
    case VRML_EVENTIN: vrml_free_eventin(type, static_cast<vrml_eventin *>(content)); break;
    case VRML_EVENTOUT: vrml_free_eventout(type, static_cast<vrml_eventout *>(content)); break;
    case VRML_EXPOSEDFIELD:
        vrml_free_exposedfield(type, static_cast<vrml_exposedfield *>(content));
        break;
    case VRML_FIELD: vrml_free_field(type, static_cast<vrml_field **>(content)); break;
    default: break;
    }
}

}  // extern "C"

void vrml_free_contentshell(int memberclass, void *content, int kept) {
    if (!content) return;
    switch (memberclass) {
    case VRML_EVENTIN: {
        auto *record = static_cast<vrml_eventin *>(content);
        free_routes(&record->routes);
        std::free(record);
        break;
    }
    case VRML_EVENTOUT:
    case VRML_FIELD: std::free(content); break;
    case VRML_EXPOSEDFIELD: {
        auto *record = static_cast<vrml_exposedfield *>(content);
        if (kept != kVrmlPartEventIn) vrml_free_contentshell(VRML_EVENTIN, record->eventin, 0);
        if (kept != kVrmlPartHolder) std::free(record->holder);
        if (kept != kVrmlPartEventOut) std::free(record->eventout);
        std::free(record);
        break;
    }
    default: break;
    }
}
