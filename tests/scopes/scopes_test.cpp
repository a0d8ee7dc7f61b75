// Scope calls without what they need. (The scope stack: the host script
// golden/host/scope_stack.ops; copies for prototype instances: the golden
// worlds with instances; the scope list as the host changes it: the list
// index test.)
#include "nodes/node_internal.h"
#include "scopes/scope_internal.h"
#include "support/loaded_scene.h"

namespace {

TEST(Scopes, CallsWithoutWhatTheyNeed) {
    LoadedScene scene("");
    EXPECT_TRUE(vrml_dupscope(scene.ctx, nullptr) == -1 && vrml_duproute(nullptr) == nullptr &&
                vrml_getscopeentry(nullptr, 0) == nullptr && vrml_pushscope(scene.ctx, nullptr) == -1);
}

}  // namespace
