#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test:
#   1. natively (with the Python module's pytest suite when the module can be
#      built: Python's development files, pybind11, numpy and pytest);
#   2. again with clang under AddressSanitizer (leak detection on: every test
#      releases what it loads) and UndefinedBehaviorSanitizer,
#      and the native runtime's and concurrent-load tests under
#      ThreadSanitizer;
#   3. as a 32-bit Linux program (g++ -m32; under qemu-i386 where the kernel
#      cannot run 32-bit programs);
#   4. as a 64-bit Windows program (mingw-w64) under Wine;
#   5. as a 32-bit Windows program under the 32-bit Wine, where it can be
#      installed; the 32-bit DLLs' export tables are checked in any case;
#   6. fuzzing the loader and printer with libFuzzer for 45 seconds
#      (FUZZ_SECONDS; tools/fuzz.sh), skipped when clang's fuzzer runtime
#      cannot be had.
# It installs what it needs with apt-get when it is missing (the tools of the
# later stages are fetched in the background while the first stages build),
# says what it skipped and why, and ends with the time of each stage and the
# line "total: N passed, N failed, N skipped", where a stage that failed
# without a test count counts as one failed test and a skipped stage as one
# skipped test.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash tools/install-deps.sh
python_deps=yes
bash tools/install-deps.sh python || python_deps=no
mkdir -p build
bash tools/install-deps.sh linux32 mingw wine fuzz wine32 >build/install-extras.log 2>&1 &
extras=$!
# extras: the background install has ended (its result is probed again by
# each stage).
extras() {
  [ -z "$extras" ] || wait "$extras" || true
  extras=""
}
# need PACKAGE REASON: installs PACKAGE's group with tools/install-deps.sh;
# false, with REASON among the skipped, when that fails.
need() { bash tools/install-deps.sh "$1" && return 0; skipped+=("$2"); return 1; }

jobs=$(nproc 2>/dev/null || echo 2)
passed=0 failed=0 skips=0
ran=() skipped=() broken=() times=()

# Runs ctest in a build folder and adds its summary to the totals.
run_ctest() {
  local dir=$1; shift
  local status=0 line f t s
  (cd "$dir" && ctest -j"$jobs" --output-on-failure "$@") 2>&1 | tee "$dir/ctest.log" || status=1
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$dir/ctest.log" | tail -n 1 || true)
  [ -n "$line" ] || return 1
  read -r f t <<<"$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/' <<<"$line")"
  s=$(grep -cE '^[[:space:]]*[0-9]+ - .* \(Skipped\)$' "$dir/ctest.log" || true)
  passed=$((passed + t - f - s)) failed=$((failed + f)) skips=$((skips + s))
  return $status
}

# configure DIR ARGS...: a build with warnings as errors.
configure() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DZEBVRML2_WERROR=ON "$@" >/dev/null
}

build() { cmake --build "$1" -j"$jobs"; }

# stage NAME FUNCTION: runs one stage. A stage that fails adds one failed
# test unless its test runs were counted already; one that skips adds one
# skipped test.
stage() {
  local name=$1; shift
  local start=$SECONDS failed_before=$failed skipped_before=${#skipped[@]}
  echo
  echo "== $name"
  if "$@"; then :; else
    broken+=("$name"); echo "FAILED: $name"
    [ "$failed" -gt "$failed_before" ] || failed=$((failed + 1))
  fi
  skips=$((skips + ${#skipped[@]} - skipped_before))
  times+=("$(printf '%-38s %4ds' "$name" $((SECONDS - start)))")
  echo "== $name: $((SECONDS - start)) s"
}

# ---- 1 and 2 ------------------------------------------------------------
native() {
  [ $python_deps = yes ] ||
    skipped+=("the Python module and its tests: Python's development files, pybind11, numpy or pytest could not be installed")
  configure build && build build && run_ctest build && ran+=("native")
}

# The number conversions against the C library over a million random values
# and the hard cases (the regular suite runs a small sample).
numbers() {
  ./build/bench/fieldnum_check 1000000 && ran+=("number conversions checked against the C library")
}

sanitized() {
  CC=clang CXX=clang++ configure build-sanitize -DZEBVRML2_SANITIZE=ON -DZEBVRML2_BENCH=OFF &&
    build build-sanitize || return 1
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest build-sanitize && ran+=("AddressSanitizer and UndefinedBehaviorSanitizer")
}

threads() {
  CC=clang CXX=clang++ configure build-tsan -DZEBVRML2_SANITIZE_THREAD=ON -DZEBVRML2_BENCH=OFF &&
    cmake --build build-tsan -j"$jobs" --target test_native test_threads || return 1
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    run_ctest build-tsan -R '^(native|threads)\.' && ran+=("ThreadSanitizer (native runtime, concurrent loads)")
}

# ---- 3: 32-bit Linux ----------------------------------------------------
linux32() {
  extras
  need linux32 "32-bit Linux: g++-multilib could not be installed" || return 0
  local emulator="" how="natively"
  mkdir -p build-linux32
  printf 'int main(void) { return sizeof(void *) == 4 ? 0 : 1; }\n' >build-linux32/probe.c
  gcc -m32 build-linux32/probe.c -o build-linux32/probe || return 1
  if ! ./build-linux32/probe 2>/dev/null; then
    echo "this kernel does not run 32-bit programs: using qemu-i386"
    need qemu "32-bit Linux run: the kernel runs no 32-bit programs and qemu-user could not be installed" || return 0
    emulator=$(command -v qemu-i386) how="under qemu-i386"
  fi
  configure build-linux32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-linux-i686.cmake" -DZEBVRML2_BENCH=OFF \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$emulator" && build build-linux32 &&
    run_ctest build-linux32 && ran+=("32-bit Linux ($how)")
}

# ---- 4 and 5: Windows -----------------------------------------------------
# start_wine PREFIX LOADER [WINEARCH]: a Wine prefix in the build tree, made
# on first use, and one server kept running for every program of the run
# (each program start is otherwise slow).
wine_prefix=""
start_wine() {
  export WINEPREFIX="$root/$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "making the Wine prefix $WINEPREFIX"
    WINEARCH=${3:-win64} "$2" wineboot -i >/dev/null 2>&1 || true
  fi
  wineserver -w  # until a server left from an earlier program has ended
  wineserver -p >/dev/null 2>&1 </dev/null && wine_prefix=$WINEPREFIX || return 1
  # Start Wine's own services now, away from the test runner's pipes: a
  # service started by a test program would hold its output pipe open for as
  # long as the server lives.
  "$2" wineboot >/dev/null 2>&1 </dev/null
}
stop_wine() {
  if [ -n "$wine_prefix" ]; then WINEPREFIX=$wine_prefix wineserver -k || true; fi
  wine_prefix=""
}
trap stop_wine EXIT

have_mingw=unknown
mingw() {
  [ $have_mingw != unknown ] || { extras; have_mingw=no; bash tools/install-deps.sh mingw && have_mingw=yes; }
  [ $have_mingw = yes ]
}

# windows BITS ARCH LOADERS: the mingw-w64 build for ARCH run under Wine.
# Without Wine the 64-bit build is only built, and of the 32-bit one only the
# DLLs, whose export tables are checked.
windows() {
  local bits=$1 dir=build-win$1 wine=wine toolchain="-DCMAKE_TOOLCHAIN_FILE=$root/cmake/toolchain-mingw-$2.cmake"
  [ "$bits" = 64 ] || wine=wine32
  if ! mingw; then
    [ "$bits" = 32 ] || skipped+=("Windows: the mingw-w64 compilers could not be installed")
    return 0
  fi
  if ! bash tools/install-deps.sh $wine; then
    if [ "$bits" = 64 ]; then
      skipped+=("64-bit Windows run: Wine could not be installed (built only)")
      configure "$dir" "$toolchain" && build "$dir"
      return
    fi
    skipped+=("32-bit Windows test run: the 32-bit Wine (wine32:i386) cannot be installed here; only the DLLs were built and their export tables checked")
    configure "$dir" "$toolchain" && cmake --build "$dir" -j"$jobs" --target zebvrml2 zebio &&
      run_ctest "$dir" -R '^exports\.' && ran+=("32-bit Windows DLL export tables (objdump)")
    return
  fi
  # Configured once Wine is installed, so that the build finds its loader.
  configure "$dir" "$toolchain" && build "$dir" &&
    start_wine "build-wine$bits" "$(command -v $3 | head -n 1)" "win$bits" &&
    run_ctest "$dir" && ran+=("$bits-bit Windows (wine$bits)")
  local status=$?
  stop_wine
  return $status
}

# ---- fuzzing ------------------------------------------------------------
fuzzing() {
  extras
  need fuzz "fuzzing: clang's libFuzzer runtime (libclang-rt-14-dev) is missing" || return 0
  bash tools/fuzz.sh "${FUZZ_SECONDS:-45}" build-fuzz && ran+=("fuzzing (libFuzzer, ${FUZZ_SECONDS:-45} s)")
}

stage "native build and tests" native
stage "number conversions (fieldnum_check)" numbers
stage "sanitizer build and tests" sanitized
stage "thread sanitizer (native runtime)" threads
stage "32-bit Linux build and tests" linux32
stage "64-bit Windows build and tests" windows 64 x86_64 "/usr/lib/wine/wine64 wine64"
stage "32-bit Windows build and tests" windows 32 i686 "/usr/lib/wine/wine wine"
stage "fuzzing the loader and printer" fuzzing

echo
echo "== summary"
printf '  %s\n' "${times[@]}"
# show TITLE ITEM...: the items under their title, when there are any.
show() { [ $# -gt 1 ] || return 0; echo "$1"; shift; printf '  %s\n' "$@"; }
show "ran:" "${ran[@]}"
show "skipped:" "${skipped[@]}"
show "failed stages:" "${broken[@]}"
echo "total: $passed passed, $failed failed, $skips skipped"
[ ${#broken[@]} -eq 0 ] && [ "$failed" -eq 0 ]
