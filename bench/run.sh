#!/usr/bin/env bash
# Builds the benchmarks in release mode, generates the benchmark worlds (once)
# and prints one table: load and print throughput against the floor, memory,
# and the time per item of the scaling worlds; then, when Coin3D's development
# files are installed (libcoin-dev), a second table against Coin3D reading and
# writing the mesh, shapes, points, lines and nodes worlds.
#   bash bench/run.sh [quick]
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DZEBVRML2_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc 2>/dev/null || echo 2)" --target worldgen world_bench >/dev/null
# The peer (Coin3D) is compared when its development files are installed.
peer=
if cmake --build build-bench --target help 2>/dev/null | grep coin_bench >/dev/null; then
  cmake --build build-bench -j"$(nproc 2>/dev/null || echo 2)" --target coin_bench >/dev/null
  peer=build-bench/bench/coin_bench
fi
gen=build-bench/bench/worldgen
bench=build-bench/bench/world_bench
worlds=build-bench/worlds
mkdir -p "$worlds"

if [ "${1:-}" = quick ]; then
  meshes="1"; shapes="1"; scales="1000 10000"
else
  meshes="1 10 50"; shapes="10"; scales="1000 10000 100000 1000000"
fi
# Other shapes and number forms than mesh's, and many small nodes, at the
# size of shapes'.
others="points lines nodes"

make_world() {  # kind n file
  [ -s "$3" ] || "$gen" "$1" "$2" "$3"
}

printf 'world\tMB\tfloor s\tload s\tload/floor\tload MB/s\tprint s\tprint MB/s\twrite s\twrite MB/s\tprintf s\tprint/printf\theap MB\tpeak MB\tcopy MB/s\tfast_float MB/s\tus/item\n'
# mesh: the benchmark's own shape; shapes, points and lines: other node
# types, tabs and number forms (six or seven decimals, "%g", exponents), as
# worlds not seen before are.
for mb in $meshes; do
  make_world mesh "$mb" "$worlds/mesh-$mb.wrl"
  "$bench" "$worlds/mesh-$mb.wrl"
done
for kind in shapes $others; do
  for mb in $shapes; do
    make_world "$kind" "$mb" "$worlds/$kind-$mb.wrl"
    "$bench" "$worlds/$kind-$mb.wrl"
  done
done
for kind in defs routes protos; do
  for n in $scales; do
    make_world "$kind" "$n" "$worlds/$kind-$n.wrl"
    "$bench" "$worlds/$kind-$n.wrl" "$n"
  done
done
for n in 10 100 1000; do
  make_world nesting "$n" "$worlds/nesting-$n.wrl"
  "$bench" "$worlds/nesting-$n.wrl" "$n"
done
if [ -n "$peer" ]; then
  printf '\nworld\tMB\tload s\tCoin3D read s\tload/read\tprint s\tCoin3D write s\tprint/write\n'
  for mb in $meshes; do
    "$peer" "$worlds/mesh-$mb.wrl" 2>/dev/null
  done
  for kind in shapes $others; do
    for mb in $shapes; do
      "$peer" "$worlds/$kind-$mb.wrl" 2>/dev/null
    done
  done
fi
