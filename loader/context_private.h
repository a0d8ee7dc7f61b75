// The library's own record for each context.
//
// The vrml_context record is shared with hosts and its layout is fixed, so
// what the library must remember about a context beyond it lives here: one
// record per context, found through the side map (loader/side_records.h)
// keyed by the context's address. vrml_newcontext makes a fresh record for
// each context it makes, dropping whatever a context formerly at that
// address left behind (one the host freed itself); a context a host made
// itself gets its record when something first needs it. vrmlutil_unloadscene
// releases the record with the context.
//
// A host that makes a context itself and frees it with the heap's free
// leaves the record to whichever context it makes next at that address;
// such contexts are released with vrmlutil_unloadscene.
#ifndef ZEBVRML2_LOADER_CONTEXT_PRIVATE_H
#define ZEBVRML2_LOADER_CONTEXT_PRIVATE_H

#include <cstddef>
#include <cstdint>

#include "vrml_loader.h"

// A member content record the scene owns beyond what the scene release
// walks (see release/release_internal.h). The content's own side word holds
// its entry's position + 1.
struct vrml_ownedcontent {
    void *content;  // null once forgotten
    uint8_t memberclass;
    uint8_t type;
    bool shell;
};

struct vrml_contextprivate {
    int32_t nodelimit;  // vrml_setnodelimit's own limit; 0: the process default
    uint32_t options;   // the VRML_LOAD_* flags of vrmlutil_loadsceneex
    bool scenefreed;    // vrml_free_scene has run
    vrml_stream *in;    // the streams, when the loader made them, else null
    vrml_stream *out;
    vrml_list unknowntypes;  // names (own copies) of the unknown types reported
    vrml_ownedcontent *owned;
    size_t ownedcount;
    size_t ownedcapacity;
};

// ctx's VRML_LOAD_* flags (0 when it has no record). A lookup in the side
// map: for the paths that meet something unusual, not for every token.
uint32_t vrml_context_options(const vrml_context *ctx);

// ctx's record, made (zeroed) when create is set and there is none. Null
// for a null ctx, when there is none and create is not set, or when memory
// runs out.
vrml_contextprivate *vrml_context_private(const vrml_context *ctx, bool create);

// A fresh zeroed record for a context just made at ctx, replacing (and
// dropping) what a former context at that address left. Null when memory
// runs out.
vrml_contextprivate *vrml_context_newprivate(const vrml_context *ctx);

// Takes ctx's record out of the side map and hands it to the caller, who
// releases what it holds and then the record (vrml_context_dropprivate
// releases the bookkeeping only). Null when there is none.
vrml_contextprivate *vrml_context_takeprivate(const vrml_context *ctx);

// The entry of record for content, or null (also for a null record).
vrml_ownedcontent *vrml_context_findowned(vrml_contextprivate *record, const void *content);

// Forgets every owned content (their side words go) and frees the record's
// memory; the contents and streams themselves are left alone. Null does
// nothing.
void vrml_context_dropprivate(vrml_contextprivate *record);

#endif
