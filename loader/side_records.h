// Private data the library keeps beside records whose layout is fixed and
// shared with hosts (template tables, lists, contexts): a process-wide
// map from a record's address to one word of the library's own.
//
// A record's word lives until vrml_side_take removes it, which the library
// does before it releases the record. A host that frees such a record with
// the heap's free leaves a word behind; whoever reads a word checks it
// against the record it describes before trusting it.
#ifndef ZEBVRML2_LOADER_SIDE_RECORDS_H
#define ZEBVRML2_LOADER_SIDE_RECORDS_H

// The record's word, made (holding null) when create is set and there is
// none. The address stays valid until vrml_side_take. Null when there is no
// word and create is not set, or no memory.
void **vrml_side_word(const void *record, bool create);

// Removes the record's word and returns what it held (null when none).
void *vrml_side_take(const void *record);

#endif
