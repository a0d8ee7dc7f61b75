// zebvrml types [NAME]: the built-in node types, or one type's interface.
#include <cstdio>
#include <cstring>

#include "tool.h"

namespace {

const char *const kClassNames[] = {"eventIn", "eventOut", "exposedField", "field"};
const char *const kTypeNames[] = {"SFBool",  "SFColor",  "SFFloat",    "SFImage",  "SFInt32",
                                  "SFNode",  "SFRotation", "SFString", "SFTime",   "SFVec2f",
                                  "SFVec3f", "MFColor",  "MFFloat",    "MFInt32",  "MFNode",
                                  "MFRotation", "MFString", "MFVec2f", "MFVec3f"};
void (*const kPrinters[])(vrml_context *, const vrml_field *) = {
    vrml_print_SFBool,  vrml_print_SFColor,  vrml_print_SFFloat,    vrml_print_SFImage,
    vrml_print_SFInt32, vrml_print_SFNode,   vrml_print_SFRotation, vrml_print_SFString,
    vrml_print_SFTime,  vrml_print_SFVec2f,  vrml_print_SFVec3f,    vrml_print_MFColor,
    vrml_print_MFFloat, vrml_print_MFInt32,  vrml_print_MFNode,     vrml_print_MFRotation,
    vrml_print_MFString, vrml_print_MFVec2f, vrml_print_MFVec3f};

void print_interface(vrml_context *ctx, const vrml_nodetemplate *t) {
    std::printf("%s {\n", t->name);
    for (int i = 0; i < t->membercount; ++i) {
        const vrml_fieldtemplate &m = t->members[i];
        std::printf("  %-12s %-10s %s", kClassNames[m.memberclass & 3], kTypeNames[m.type], m.name);
        if (m.defaultvalue && (m.memberclass == VRML_EXPOSEDFIELD || m.memberclass == VRML_FIELD)) {
            std::printf(" ");
            std::fflush(stdout);
            kPrinters[m.type](ctx, m.defaultvalue);
            ctx->out->stream_close(ctx->out);  // flushes what the printer wrote
            zeb_initfilestream(ctx->out, stdout);
        }
        std::printf("\n");
    }
    std::printf("}\n");
}

}  // namespace

int cmd_types(int argc, char **argv) {
    if (argc > 1 || (argc == 1 && tool_is_option(argv[0]))) return tool_usage_error("types");
    vrml_stream in{}, out{};
    zeb_initstringstream(&in, nullptr, 0);
    zeb_initfilestream(&out, stdout);
    vrml_context *ctx = vrmlutil_loadscene(&in, &out);  // parses the defaults, makes scope 0
    if (!ctx) return kExitFatal;
    int status = kExitClean;
    if (argc == 0) {
        char name[24];
        for (int id = 0; id < VRML_BUILTIN_COUNT; ++id) {
            vrml_nodeidtostring(id, name);
            std::printf("%2d %-24s %2d members\n", id, name,
                        vrml_gettemplateentry(ctx->templates, id)->membercount);
        }
    } else if (int id = vrml_findnode(ctx->templates, argv[0]); id < 0) {
        std::fprintf(stderr, "zebvrml: no built-in node type '%s'\n", argv[0]);
        status = kExitNoInput;
    } else {
        print_interface(ctx, vrml_gettemplateentry(ctx->templates, id));
    }
    tool_release_scene(ctx);
    in.stream_close(&in);
    out.stream_close(&out);
    return status;
}
