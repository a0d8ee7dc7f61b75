#!/bin/sh
# Installs the build into a scratch prefix and builds a small host against
# it twice: through find_package(zebvrml2) and through pkg-config.
# Usage: check_install.sh SOURCE_DIR BUILD_DIR SCRATCH
set -eu
src=$1 build=$2 scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch/host"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
cp "$src/examples/c99_host.c" "$scratch/host/"
cat > "$scratch/host/CMakeLists.txt" <<'CM'
cmake_minimum_required(VERSION 3.20)
project(host C CXX)
find_package(zebvrml2 REQUIRED)
add_executable(host c99_host.c)
target_link_libraries(host PRIVATE zebvrml2::zebvrml2)
CM
cmake -S "$scratch/host" -B "$scratch/host/build" -DCMAKE_PREFIX_PATH="$scratch/prefix" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$scratch/host/build" >/dev/null
"$scratch/host/build/host" "$src/examples/hello.wrl" >/dev/null
libdir=$(ls -d "$scratch"/prefix/lib*/pkgconfig | head -n 1)
cc -std=c99 -o "$scratch/host/host_pc" "$src/examples/c99_host.c" \
  $(PKG_CONFIG_PATH=$libdir pkg-config --cflags --libs zebvrml2) \
  -Wl,-rpath,"$(dirname "$libdir")"
"$scratch/host/host_pc" "$src/examples/hello.wrl" >/dev/null
echo "find_package and pkg-config hosts built and ran"
