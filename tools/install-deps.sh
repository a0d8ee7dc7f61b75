#!/usr/bin/env bash
# Installs the build and test tools with apt-get, only those that are missing.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_file() { [ -e "$1" ]; }

have_cmd cmake || need+=(cmake)
have_cmd g++ || need+=(g++)
have_cmd make || need+=(make)
have_cmd clang++ || need+=(clang)
have_cmd pkg-config || need+=(pkgconf)
have_cmd nm || need+=(binutils)
have_file /usr/include/gtest/gtest.h || need+=(libgtest-dev)
{ have_file /usr/lib/x86_64-linux-gnu/libgtest.a || have_file /usr/lib/libgtest.a; } || need+=(libgtest-dev)

if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}" >/dev/null
fi
