#!/usr/bin/env bash
# Installs the build and test tools with apt-get, only those that are missing.
#
#   install-deps.sh            the native build and its tests
#   install-deps.sh linux32    also g++ -m32 (g++-multilib) for the 32-bit Linux build
#   install-deps.sh qemu       also qemu-i386 (qemu-user), for kernels without 32-bit support
#   install-deps.sh mingw      also the mingw-w64 cross compilers (i686 and x86-64)
#   install-deps.sh wine       also Wine for 64-bit Windows programs (wine, wine64)
#   install-deps.sh wine32     also the 32-bit Wine (wine32:i386, enabling i386 packages)
#
# Exit status 0 when everything asked for is there afterwards, else 1 (with
# the reason on standard error), so callers can skip what cannot be had.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_file() { [ -e "$1" ]; }
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi

updated=no
apt_install() {
  echo "installing: $*"
  if [ $updated = no ]; then
    # A failing index (a mirror in the middle of a sync) need not stop the
    # install: the install itself tells whether the packages could be had.
    $sudo apt-get update -qq || echo "apt-get update reported errors; trying anyway" >&2
    updated=yes
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$@" >/dev/null
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

what=${1:-base}
case $what in
  base)
    have_cmd cmake || need+=(cmake)
    have_cmd g++ || need+=(g++)
    have_cmd make || need+=(make)
    have_cmd clang++ || need+=(clang)
    have_cmd pkg-config || need+=(pkgconf)
    have_cmd nm || need+=(binutils)
    have_file /usr/include/gtest/gtest.h || need+=(libgtest-dev)
    have_file /usr/include/fast_float/fast_float.h || need+=(libfast-float-dev)
    { have_file /usr/lib/x86_64-linux-gnu/libgtest.a || have_file /usr/lib/libgtest.a; } \
      || need+=(libgtest-dev)
    ;;
  linux32)
    # -m32 needs the 32-bit C and C++ libraries; GoogleTest is built from
    # its sources (googletest).
    have_file /usr/lib32/libstdc++.so.6 || need+=(g++-multilib)
    have_file /usr/src/googletest/CMakeLists.txt || need+=(googletest)
    ;;
  qemu)
    have_cmd qemu-i386 || need+=(qemu-user)
    ;;
  mingw)
    have_cmd i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
    have_cmd x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64)
    have_file /usr/src/googletest/CMakeLists.txt || need+=(googletest)
    ;;
  wine)
    { have_file /usr/lib/wine/wine64 || have_cmd wine64; } || need+=(wine wine64)
    ;;
  fuzz)
    probe=$(mktemp -d)
    printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }\n' \
      >"$probe/probe.cpp"
    clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" >/dev/null 2>&1 \
      || need+=(libclang-rt-14-dev)
    rm -rf "$probe"
    ;;
  wine32)
    install_wine32
    exit $?
    ;;
  *)
    echo "usage: install-deps.sh [base|linux32|qemu|mingw|wine|wine32|fuzz]" >&2
    exit 2
    ;;
esac

if [ ${#need[@]} -gt 0 ]; then
  apt_install "${need[@]}" || { echo "could not install: ${need[*]}" >&2; exit 1; }
fi
