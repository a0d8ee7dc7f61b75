#!/usr/bin/env bash
# Builds the library and the zebvrml command, then loads the bundled example
# world, reports what was read and prints it back.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target zebvrml >/dev/null
./build/zebvrml check examples/hello.wrl
./build/zebvrml print examples/hello.wrl
