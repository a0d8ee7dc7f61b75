/* A small C99 host for examples/hello.wrl: it loads the world, finds the
 * spinning Transform by its DEF name, moves it, makes the clock fade the
 * shared red material with a route added at run time, and prints the world
 * to standard output.
 *
 * Usage: host FILE. Diagnostics go to standard error; the exit status is 0,
 * 1 when a DEF name or member is missing, 2 when FILE cannot be opened. */
#include <stdio.h>
#include <stdlib.h>

#include "zebvrml2.h"

static void on_log(void *user, vrml_context *ctx, int32_t code, int line, int severity,
                   const char *message) {
    (void)user;
    (void)ctx;
    (void)code;
    fprintf(stderr, "line %d (%s): %s\n", line,
            severity == VRML_LOG_PROBLEM ? "problem" : "notice", message);
}

/* The node bound to the latest DEF of name in the outermost scope. */
static vrml_node *find_def(vrml_context *ctx, const char *name) {
    int k = vrml_finddefidx(ctx->deftable, name);
    vrml_defentry *entry = k >= 0 ? vrml_getdefentry(ctx->deftable, k) : NULL;
    return entry ? entry->node : NULL;
}

/* Number of routes leaving an eventOut or exposedField member. */
static int routes_leaving(vrml_node *node, int member) {
    vrml_member *slot = &node->members[member];
    if (slot->memberclass == VRML_EVENTOUT)
        return (int)((vrml_eventout *)slot->content)->routes.count;
    if (slot->memberclass == VRML_EXPOSEDFIELD)
        return (int)((vrml_exposedfield *)slot->content)->eventout->routes.count;
    return 0;
}

/* Writes the world as VRML text: the header, the prototypes, the root nodes
 * one after another and the ROUTEs the outermost scope still holds. */
static void print_world(vrml_context *ctx) {
    vrml_stream *out = ctx->out;
    vrml_listitem *item;
    vrml_print_PROTOS(ctx);
    for (item = ctx->root->nodes.first; item; item = item->next) {
        out->stream_iprintf(out, "%s", "");
        vrml_print_SFNode(ctx, (const vrml_field *)item->data);
    }
    vrml_print_ROUTE(ctx, vrml_getscopeentry(ctx, 0));
    out->stream_printf(out, "\n");
}

static int run(vrml_context *ctx) {
    vrml_stream *out = ctx->out;
    vrml_node *spinner = find_def(ctx, "Spinner");
    vrml_node *clock = find_def(ctx, "Clock");
    vrml_node *red = find_def(ctx, "Red");
    vrml_field *place;
    int translation, fraction, result;
    if (!spinner || !clock || !red) {
        fprintf(stderr, "the world lacks Spinner, Clock or Red\n");
        return 1;
    }

    /* Move the spinner: a fresh value, taken over by the node. */
    translation = vrml_findnodefieldidx(spinner, "translation");
    place = vrml_allocfield(VRML_SFVEC3F);
    if (translation < 0 || !place) return 1;
    place->sfvec3f[0] = 0.0f;
    place->sfvec3f[1] = 1.5f;
    place->sfvec3f[2] = 0.0f;
    if (vrml_setnodefield(ctx->templates, spinner, place, translation) != 1) return 1;

    /* Let the clock fade the red material. */
    result = vrml_addruntimeroute(clock, "fraction_changed", red, "set_transparency");
    if (result != 0) {
        fprintf(stderr, "vrml_addruntimeroute: %d\n", result);
        return 1;
    }
    fraction = vrml_findnodeeventoutidx(clock, "fraction_changed");

    out->stream_printf(out, "#VRML V2.0 utf8\n");
    out->stream_printf(out, "# Spinner moved to 0 1.5 0 (assigned %d times)\n",
                       (int)spinner->members[translation].status);
    out->stream_printf(out, "# %d routes leave Clock.fraction_changed\n",
                       routes_leaving(clock, fraction));
    print_world(ctx);
    return 0;
}

int main(int argc, char **argv) {
    vrml_stream *in, *out;
    vrml_context *ctx;
    int status;
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    vrml_setloghandler(on_log, NULL);
    in = (vrml_stream *)vrml_malloc(sizeof *in);
    out = (vrml_stream *)vrml_malloc(sizeof *out);
    if (!in || !out || zeb_initfilename(in, argv[1], "r") < 0) {
        fprintf(stderr, "cannot open %s\n", argv[1]);
        free(in);
        free(out);
        return 2;
    }
    zeb_initfilestream(out, stdout);
    ctx = vrmlutil_loadscene(in, out);
    if (!ctx) return 2;
    status = run(ctx);
    /* The last scene of the process: the built-in defaults go too. The
     * streams are the host's: they outlive the scene. */
    vrml_deletebuiltinfields(ctx);
    vrmlutil_unloadscene(ctx);
    in->stream_close(in);
    out->stream_close(out);
    free(in);
    free(out);
    return status;
}
