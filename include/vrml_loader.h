/*
 * Loading: the scene context, the loader entry points, memory, lists and
 * diagnostics.
 *
 * Fatal conditions and long jumps
 * -------------------------------
 * vrml_fatal_err formats its message, passes it to the handler installed with
 * vrml_setfatalhandler (if any) and then ends the process with exit status
 * 255 (-1). A handler may end the process its own way or leave the library
 * with longjmp. Every library frame that can reach vrml_fatal_err is plain C
 * style code: no object with a destructor, no lock held, no exception
 * machinery, so jumping over it is safe. After such a jump the scene being
 * loaded is incomplete: its scope stack may still hold pushed scopes and
 * protoindex may be changed, and a half-made node may be in its list of all
 * nodes. A host may then only read what it needs for a report, and release
 * the scene; it must not load into it further or print it.
 *
 * Threads
 * -------
 * Scenes may be loaded, changed, printed and released on several threads at
 * once, as long as each scene (its context, nodes, scopes and streams) is
 * used by one thread at a time. The first loads of a process may race: the
 * built-in defaults are parsed without any lock held and published once
 * (vrml_parsebuiltinfields), so a fatal exit left by a long jump during that
 * parse leaves nothing locked and the next load parses again.
 * vrml_setloghandler, vrml_setfatalhandler and the process default of
 * vrml_setnodelimit are process-wide settings and not synchronised: install
 * them before other threads load. The log handler is called on whichever
 * thread works on a scene, possibly on several threads at once (its context
 * argument says which scene), so it must be safe to call concurrently; the
 * fatal handler runs on the thread that met the condition, and a long jump
 * from it must return to a setjmp of that same thread.
 * vrml_deletebuiltinfields is for the end of the process, when no thread
 * loads any more.
 *
 * Lenient loads
 * -------------
 * A load with VRML_LOAD_LENIENT (vrmlutil_loadsceneex) accepts what other
 * browsers wrote and reports it, where the default load ends the process or
 * misreads what follows:
 *  - A node of a type no scope knows is kept ("Unknown node type kept: T",
 *    once per type and world, at the line of its first use). Its template
 *    (reserved word VRML_TEMPLATE_UNKNOWNTYPE, vrml_nodes.h) is made after
 *    its body was read, with exactly the members the body gives, all
 *    exposedFields; nodes of one type name share a template when they give
 *    the same members with the same types. The type of a member comes from
 *    its value: a node, NULL, USE or DEF gives SFNode; "[" with nodes, or
 *    "[]", MFNode; a string SFString, "[" with strings MFString; TRUE or
 *    FALSE SFBool; a bare number SFInt32 (no point, no exponent), SFFloat,
 *    or SFTime when a float cannot hold it as written; two, three or four bare numbers SFVec2f, SFVec3f, SFRotation;
 *    more bare numbers, or "[" with numbers, MFInt32 when all are integers,
 *    else MFFloat (numbers among them that a float cannot hold are rounded
 *    and reported: "T.m: numbers rounded to float precision"). A value of
 *    no such shape (a list of TRUE/FALSE, a word),
 *    a number beyond the float range, an integer beyond 32 bits and an IS
 *    mapping are reported ("T.m: value not kept: ...") and the member is
 *    left out. Such nodes can be DEF'd, USE'd and routed to and from the
 *    members they have (as exposedFields, also by set_m and m_changed);
 *    they get no natives and are never PROTO instances.
 *    vrmlutil_writescene writes their floats with a point, so that the text
 *    reads back to the same types. When the scope's type table is full the
 *    node is read and dropped ("Unknown node type skipped, ...") and a null
 *    node stands in its place.
 *  - An exposedField declaration in a Script is kept as a field ("Script
 *    exposedField kept as a field"), where the default load fails the Script.
 *  - A PROTO or EXTERNPROTO statement among the members of a node body is
 *    read as a declaration of the current scope, as at top level.
 *  - Inside a PROTO body, a PROTO or EXTERNPROTO declared earlier in any
 *    scope of the file (not one whose body is being read) is entered in the
 *    body's type table as an alias, which the release and the writers skip.
 *  - The value of an unknown member of a known type ("v_d_n:unk field:m")
 *    is skipped as one unit: a node with its body, a bracketed list, a
 *    string, a USE or IS with its name, or a run of words and numbers up to
 *    the next member name or "}". It is not kept.
 *  - PROFILE, COMPONENT, META, IMPORT and EXPORT statements are skipped
 *    ("Statement skipped: W").
 *  - A type, PROTO or ROUTE node name that begins with a digit is read as
 *    a name ("Name begins with a digit: N"); "m IS x" outside a PROTO body
 *    is stepped over ("IS outside a PROTO body: m IS x").
 * What still ends the process as in any load: a name or token that fills
 * its buffer, a 22nd nested scope, heap exhaustion, the node limit and
 * nesting too deep for the stack.
 */
#ifndef VRML_LOADER_H
#define VRML_LOADER_H

#include <stdint.h>

#include "vrml_export.h"
#include "zebio.h"

VRML_EXTERN_C_BEGIN

typedef struct vrml_listitem vrml_listitem;
typedef struct vrml_list vrml_list;

/* The doubly linked list that holds every collection. Items are appended at
 * the tail; the list never owns its data. */
struct vrml_list {
    vrml_listitem *first;
    vrml_listitem *last;
    int32_t count;
};

struct vrml_listitem {
    void *data;
    vrml_listitem *next;
    vrml_listitem *previous;
};

/* Records defined by the other subsystems' headers. */
typedef struct vrml_templatetable vrml_templatetable;
typedef struct vrml_deftable vrml_deftable;
typedef struct vrml_scope vrml_scope;
typedef struct vrml_node vrml_node;
typedef struct vrml_mfnode vrml_mfnode;

#define VRML_SCOPESTACK_SLOTS 1024
#define VRML_BASELOCATION_SIZE 544

typedef struct vrml_context vrml_context;

struct vrml_context {
    vrml_stream *in;
    vrml_stream *out;
    vrml_templatetable *templates;
    vrml_deftable *deftable;
    vrml_list scopes;
    vrml_list instancescopes;
    vrml_list declaredscopes;
    vrml_list auxlist;
    vrml_list timesensors;
    vrml_list proximitysensors;
    vrml_list imagetextures;
    vrml_list netobjects;
    vrml_list avatars;
    vrml_list netvalues;
    vrml_list nettriggers;
    vrml_list allnodes;
    vrml_list viewpoints;
    vrml_list navigationinfos;
    vrml_list fogs;
    vrml_list backgrounds;
    vrml_node *avatar;
    int32_t scopeindex;
    int32_t nextnetobjectid;
    int32_t protoindex;
    vrml_node *scopeowner;
    vrml_scope *scopestack[VRML_SCOPESTACK_SLOTS];
    int32_t scopedepth;
    vrml_mfnode *root;
    char baselocation[VRML_BASELOCATION_SIZE];
    vrml_list externprotos;
};

/* ---- Loader entry points ---------------------------------------------- */

/* Loads the world in filename. mode 0 writes output to standard error;
 * otherwise output goes to filename itself, which is created only at the
 * first write (the input stays intact). Null when the file cannot be opened
 * (the two stream records are then released) or memory runs out. */
ZEBVRML2_API vrml_context *vrmlutil_loadscenecc(const char *filename, int mode);

/* Loads a world from in; out becomes the context's output stream. The
 * streams stay the host's. */
ZEBVRML2_API vrml_context *vrmlutil_loadscene(vrml_stream *in, vrml_stream *out);

/* Extension: a load with options. options is a sum of VRML_LOAD_* flags.
 * When started is not null, *started receives the context before reading
 * begins, so that a host leaving the load through the fatal handler (a long
 * jump) can still release what was read with vrmlutil_unloadscene; a host
 * that jumps should point started at a volatile, static or thread-local
 * variable. Returns the context (also stored in *started), or null when
 * memory runs out before reading begins (*started then stays null). With
 * options 0 the load is exactly vrmlutil_loadscene's. */
/* VRML_LOAD_LENIENT: reads worlds written for other browsers and later
 *   standards as far as they can be read, each departure reported once as a
 *   problem (see "Lenient loads" below). */
#define VRML_LOAD_LENIENT 0x1u
/* VRML_LOAD_NOTICES: the "df: ..." line that reading an EXTERNPROTO writes on
 *   standard output for each interface member goes to the log handler as a
 *   notice (code 0, the text without its line end) instead. */
/* VRML_LOAD_CHECKS: what the default load passes over in silence is
 *   reported as a problem (code 0): a first line that is not the VRML97
 *   header ("not a VRML97 world: the first line is not "#VRML V2.0 utf8"",
 *   line 1; the text is read all the same), and input left unread where
 *   reading stopped ("reading stopped here, at "WORD"; the rest of the
 *   input was not read", with the line of the word, at most 40 bytes of
 *   it). The header is looked at through stream_gets and pushed back. */
#define VRML_LOAD_NOTICES 0x2u
#define VRML_LOAD_CHECKS 0x4u
ZEBVRML2_API vrml_context *vrmlutil_loadsceneex(vrml_stream *in, vrml_stream *out, uint32_t options,
                                                vrml_context *volatile *started);

/* Checks the "#VRML V2.0 utf8" header line, then reads node statements into
 * list. -1 when the header check fails, else the list's node count. */
ZEBVRML2_API int vrml_loadFile(vrml_context *ctx, vrml_mfnode *list);

/* Reads node statements from ctx->in into list until the input ends, a "}"
 * or "]" (left unread) or a failing statement. Returns the list's count. */
ZEBVRML2_API int vrml_get_MFNodeList(vrml_context *ctx, vrml_mfnode *list);

/* ---- Memory and lists -------------------------------------------------- */

/* size zero-filled bytes, or null when the heap is exhausted. */
ZEBVRML2_API void *vrml_malloc(unsigned int size);

/* A new zeroed three-word record: an empty list head or a fresh list item.
 * vrml_allocnodelist is the same operation. */
ZEBVRML2_API void *vrml_alloclist(void);
ZEBVRML2_API void *vrml_allocnodelist(void);

/* Appends data at the tail. 0, or -1 when no item could be allocated. */
ZEBVRML2_API int vrml_listappend(vrml_list *list, void *data);
ZEBVRML2_API int vrml_nodelistappend(vrml_list *list, void *data);

/* The first item from the head whose data is data, or null. */
ZEBVRML2_API vrml_listitem *vrml_findlistdata(vrml_list *list, void *data);

/* Unlinks the first item whose data is data and returns it (not released). */
ZEBVRML2_API vrml_listitem *vrml_listdeleteitemdata(vrml_list *list, void *data);

/* Unlinks item, which must belong to list; the caller keeps the item. */
ZEBVRML2_API void vrml_listdeleteitem(vrml_list *list, vrml_listitem *item);
ZEBVRML2_API void vrml_nodelistdeleteitem(vrml_list *list, vrml_listitem *item);

/* Unlinks and releases the first item whose data is data; returns data, or
 * null when none matches. */
ZEBVRML2_API void *vrml_listdelete(vrml_list *list, void *data);

/* ---- Diagnostics ------------------------------------------------------- */

/* The diagnostic sink of the interface: it accepts either call shape, a
 * format with its values or (context, 32-bit code, format, values), and does
 * nothing. vrml_error_warn is the same operation. The library itself reports
 * through the handler of vrml_setloghandler. */
ZEBVRML2_API void vrml_log(const void *first, ...);
ZEBVRML2_API void vrml_error_warn(const void *first, ...);

/* Ends the process with exit status 255 after passing the formatted message
 * to the fatal handler, if one is installed. */
ZEBVRML2_API VRML_NORETURN void vrml_fatal_err(const char *format, ...) VRML_PRINTF_LIKE(1, 2);

/* Extension: diagnostics. */
#define VRML_LOG_NOTICE 0  /* registration and progress messages */
#define VRML_LOG_PROBLEM 1 /* something in the input or a call was wrong */

/* Receives every diagnostic: the context (or null where none is known), the
 * 32-bit code (0 for parser messages, 0x101 and 0x401.. for field values),
 * the input line current at the report (0 when no input is known), the
 * severity and the formatted message exactly as the library words it. The
 * message is valid during the call only. */
typedef void (*vrml_loghandler)(void *user, vrml_context *ctx, int32_t code, int line,
                                int severity, const char *message);

/* Installs handler (null: none) for the whole process; returns the previous
 * one. Without a handler nothing is formatted. Not synchronised: install it
 * before loading. */
ZEBVRML2_API vrml_loghandler vrml_setloghandler(vrml_loghandler handler, void *user);

/* Called by vrml_fatal_err with the formatted message (valid during the call
 * only) before the process ends. It may end the process itself or longjmp
 * out of the library (see the top of this header). */
typedef void (*vrml_fatalhandler)(void *user, const char *message);

/* Installs handler (null: none) for the whole process; returns the previous
 * one. */
ZEBVRML2_API vrml_fatalhandler vrml_setfatalhandler(vrml_fatalhandler handler, void *user);

VRML_EXTERN_C_END

#endif
