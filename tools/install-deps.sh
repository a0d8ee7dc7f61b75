#!/usr/bin/env bash
# Installs the build and test tools with apt-get, only those that are missing.
# Whether a tool is there is decided by trying it (compiling and linking a
# small program with it), never by a file that happens to exist: a machine
# may carry a runtime without the development files a build needs.
#
#   install-deps.sh [WHAT ...]   WHAT is one or more of:
#     base      the native build and its tests (the default)
#     python    the Python module and its tests: Python's development files,
#               pybind11, numpy and pytest (Debian's, for /usr/bin/python3)
#     linux32   g++ -m32 for the 32-bit Linux build
#     qemu      qemu-i386, for kernels that run no 32-bit programs
#     mingw     the mingw-w64 cross compilers (i686 and x86-64)
#     wine      Wine for 64-bit Windows programs
#     wine32    the 32-bit Wine (wine32:i386, enabling i386 packages)
#     fuzz      clang's libFuzzer runtime
#
# Exit status 0 when everything asked for works afterwards, else 1 (with the
# reason on standard error), so callers can skip what cannot be had.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT

have_cmd() { command -v "$1" >/dev/null 2>&1; }

# compiles COMPILER FLAGS...: builds a small C++ program that uses the C and
# C++ libraries.
compiles() {
  printf '#include <cstdio>\n#include <string>\nint main(int, char **v) { std::string s(v[0]); return std::printf("%%zu", s.size()) < 0; }\n' \
    >"$probe_dir/p.cpp"
  local cc=$1; shift
  "$cc" -std=c++20 "$probe_dir/p.cpp" -o "$probe_dir/p.out" "$@" >/dev/null 2>&1
}

# links_zlib COMPILER FLAGS...: builds a small program that calls zlib, the
# library's one runtime dependency (linked statically for Windows).
links_zlib() {
  printf '#include <zlib.h>\nint main(void) { return zlibVersion()[0] == 0; }\n' >"$probe_dir/z.cpp"
  local cc=$1; shift
  "$cc" "$probe_dir/z.cpp" -o "$probe_dir/z.out" "$@" -lz >/dev/null 2>&1
}

# headers HEADER...: the native compiler finds these headers.
headers() {
  printf '#include <%s>\n' "$@" | g++ -std=c++20 -x c++ -E - -o /dev/null >/dev/null 2>&1
}

updated=no
apt_install() {
  echo "installing: $*"
  if [ $updated = no ]; then
    # A failing index (a mirror in the middle of a sync) need not stop the
    # install: the install itself tells whether the packages could be had.
    $sudo apt-get update -qq || echo "apt-get update reported errors; trying anyway" >&2
    updated=yes
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# The 32-bit Wine needs Debian's i386 packages. When they cannot be had, the
# i386 architecture is taken away again (if this script added it), so that
# later apt-get runs do not fail on its indexes.
install_wine32() {
  [ -x /usr/lib/wine/wine ] && return 0
  local added=no
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    added=yes
    updated=no
  fi
  if apt_install wine32:i386 2>/dev/null && [ -x /usr/lib/wine/wine ]; then
    return 0
  fi
  echo "wine32:i386 cannot be installed on this machine (apt-get could not resolve it)" >&2
  if [ $added = yes ] && ! dpkg -l | awk '$1 == "ii" && $4 == "i386"' | grep -q .; then
    $sudo dpkg --remove-architecture i386
    $sudo apt-get update -qq >/dev/null 2>&1 || true
  fi
  return 1
}

# missing WHAT: the packages WHAT still needs, on standard output.
missing() {
  case $1 in
    base)
      have_cmd cmake || echo cmake
      have_cmd make || echo make
      have_cmd pkg-config || echo pkgconf
      have_cmd nm || echo binutils
      have_cmd g++ || echo g++
      compiles clang++ || echo clang
      { headers gtest/gtest.h && compiles g++ -lgtest -pthread; } || echo libgtest-dev
      headers fast_float/fast_float.h || echo libfast-float-dev
      links_zlib g++ || echo zlib1g-dev
      ;;
    python)
      # The module is built for the python3 on PATH (CMake finds that one)
      # and tested with Debian's interpreter, which gets Debian's modules.
      local py=python3 deb=python3 include
      [ -x /usr/bin/python3 ] && deb=/usr/bin/python3
      have_cmd python3 || py=$deb
      include=$("$py" -c 'import sysconfig; print(sysconfig.get_paths()["include"])' 2>/dev/null) || include=""
      printf '#include <Python.h>\n#include <pybind11/numpy.h>\n' |
        g++ -std=c++20 -x c++ -fsyntax-only ${include:+-I"$include"} - >/dev/null 2>&1 ||
        echo python3-dev pybind11-dev
      "$deb" -c 'import pybind11' >/dev/null 2>&1 || echo python3-pybind11
      "$deb" -c 'import numpy' >/dev/null 2>&1 || echo python3-numpy
      "$deb" -c 'import pytest' >/dev/null 2>&1 || echo python3-pytest
      ;;
    linux32)
      compiles g++ -m32 || echo g++-multilib
      links_zlib g++ -m32 || echo lib32z1-dev
      [ -f /usr/src/googletest/CMakeLists.txt ] || echo googletest
      ;;
    qemu)
      have_cmd qemu-i386 || echo qemu-user
      ;;
    mingw)
      compiles i686-w64-mingw32-g++-posix -static || echo g++-mingw-w64-i686
      compiles x86_64-w64-mingw32-g++-posix -static || echo g++-mingw-w64-x86-64
      { links_zlib i686-w64-mingw32-g++-posix -static && links_zlib x86_64-w64-mingw32-g++-posix -static; } \
        || echo libz-mingw-w64-dev
      [ -f /usr/src/googletest/CMakeLists.txt ] || echo googletest
      ;;
    wine)
      { [ -x /usr/lib/wine/wine64 ] || have_cmd wine64; } || echo wine wine64
      ;;
    fuzz)
      printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }\n' \
        >"$probe_dir/f.cpp"
      clang++ -fsanitize=fuzzer "$probe_dir/f.cpp" -o "$probe_dir/f.out" >/dev/null 2>&1 \
        || echo libclang-rt-14-dev
      ;;
    *)
      echo "usage: install-deps.sh [base|python|linux32|qemu|mingw|wine|wine32|fuzz ...]" >&2
      return 2
      ;;
  esac
}

[ $# -gt 0 ] || set -- base
status=0
need=()
for what in "$@"; do
  if [ "$what" = wine32 ]; then continue; fi
  list=$(missing "$what") || exit 2
  # shellcheck disable=SC2206
  need+=($list)
done
if [ ${#need[@]} -gt 0 ]; then
  # One transaction for everything: apt-get resolves and fetches once.
  apt_install $(printf '%s\n' "${need[@]}" | sort -u) || true
  for what in "$@"; do
    [ "$what" = wine32 ] && continue
    left=$(missing "$what")
    if [ -n "$left" ]; then
      echo "$what: still missing after installing: $left" >&2
      status=1
    fi
  done
fi
for what in "$@"; do
  if [ "$what" = wine32 ]; then install_wine32 || status=1; fi
done
exit $status
