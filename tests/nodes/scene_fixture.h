// A loaded empty scene: scope 0 made and pushed, built-in defaults parsed.
#ifndef ZEBVRML2_TESTS_NODES_SCENE_FIXTURE_H
#define ZEBVRML2_TESTS_NODES_SCENE_FIXTURE_H

#include <string>

#include "support/test_support.h"

struct EmptyScene {
    EmptyScene() : ctx(vrmlutil_loadscene(in.get(), out.get())) {}
    StringInput in{""};
    BufferOutput out;
    vrml_context *ctx;
    SceneUnloader unload{ctx};
};

// Text a value prints as, through the type's printer.
std::string printed(vrml_context *ctx, BufferOutput &out, int type, const vrml_field *value);

#endif
