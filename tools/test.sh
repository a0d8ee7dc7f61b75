#!/usr/bin/env bash
# Builds everything with gcc and warnings as errors and runs every test, then
# does the same with clang under AddressSanitizer and UndefinedBehaviorSanitizer,
# then runs the native runtime's tests (threads share its registry) under
# ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)

echo "== build (warnings are errors)"
cmake -S . -B build -DZEBVRML2_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest -j"$jobs" --output-on-failure)

echo "== build with clang, AddressSanitizer and UndefinedBehaviorSanitizer"
CC=clang CXX=clang++ cmake -S . -B build-sanitize -DZEBVRML2_WERROR=ON -DZEBVRML2_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-sanitize && ctest -j"$jobs" --output-on-failure)

echo "== native runtime tests with ThreadSanitizer"
cmake -S . -B build-tsan -DZEBVRML2_WERROR=ON -DZEBVRML2_SANITIZE_THREAD=ON >/dev/null
cmake --build build-tsan -j"$jobs" --target test_native
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
(cd build-tsan && ctest -j"$jobs" --output-on-failure -R '^native\.')
