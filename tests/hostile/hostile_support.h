// Helpers of the hostile-input tests: worlds nested n levels deep, running a
// step on a thread with a stack of a given size, and loading with the fatal
// exit turned into a jump back to the test.
#ifndef ZEBVRML2_TESTS_HOSTILE_SUPPORT_H
#define ZEBVRML2_TESTS_HOSTILE_SUPPORT_H

#include <csetjmp>
#include <cstddef>
#include <functional>
#include <string>

#include "support/loaded_scene.h"

// "Group { children [ " n times, inner, then the closing text n times.
std::string nested_groups(int n, const std::string &inner = "");
// "Transform { children " n times (an MFNode of one node without brackets).
std::string nested_transforms(int n, const std::string &inner = "");
// Scripts nested through an SFNode field.
std::string nested_scripts(int n);

// Runs fn on a new thread whose stack is stack_bytes large and waits for it.
// False when the thread could not be made.
bool run_on_stack(size_t stack_bytes, const std::function<void()> &fn);

// Runs fn with a fatal handler that jumps back: true when fn ended through
// vrml_fatal_err, whose message is then in *message. fn must not hold
// objects with destructors across library calls. The leak checker of a
// sanitizer build ignores what fn allocates (a jump loses what the skipped
// frames held); fn still releases what it loads when it ends normally.
bool ends_fatally(void (*fn)(void *), void *arg, std::string *message);

// Bytes of stack between the frames of two depths of the same kind of
// nesting, per level: fn(n) runs the nesting n levels deep and returns the
// deepest frame the nesting guard saw in the step it measures (see
// vrml_stackguard_lowest).
double stack_per_level(const std::function<uintptr_t(int)> &fn, int low, int high);

#endif
