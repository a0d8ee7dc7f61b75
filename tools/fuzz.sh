#!/usr/bin/env bash
# Fuzzes the loader, the printer and the release with libFuzzer for a bounded
# time:
#
#   tools/fuzz.sh [SECONDS [BUILD_DIR]]     (defaults: 120 and build-fuzz)
#
# Builds BUILD_DIR with clang, -DZEBVRML2_FUZZ=ON (coverage, AddressSanitizer
# and UndefinedBehaviorSanitizer), seeds the fuzzer with the sample corpus
# and examples/, and runs it in rounds of at most ROUND seconds (environment;
# default 300) that share one growing corpus in BUILD_DIR/fuzz-corpus, so a
# long session keeps what it found. Leak checks slow fuzzing twentyfold, so
# the rounds run without them and then every input of the corpus and the
# seeds is run once more with LeakSanitizer watching (inputs that end through
# the fatal exit are exempt: see fuzz/load_print_fuzzer.cpp). Extra libFuzzer options may be given in
# FUZZ_OPTIONS. Every input that crashes, trips a sanitizer, overflows the
# stack or runs out of time or memory is kept in BUILD_DIR/fuzz-artifacts and
# makes the script fail; make each one a regression test in tests/hostile/.
# Exit status 0 when nothing was found, 1 when something was, 2 when the
# fuzzer cannot be built.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-120}
dir=${2:-build-fuzz}
round=${ROUND:-300}
corpus_seed=${ZEBVRML2_CORPUS:-../shared/corpus}

CC=clang CXX=clang++ cmake -S . -B "$dir" -DZEBVRML2_WERROR=ON -DZEBVRML2_FUZZ=ON \
  -DZEBVRML2_TESTS=OFF >/dev/null || exit 2
cmake --build "$dir" -j"$(nproc 2>/dev/null || echo 2)" --target load_print_fuzzer >/dev/null || exit 2

mkdir -p "$dir/fuzz-corpus" "$dir/fuzz-artifacts"
seeds=(examples)
[ -d "$corpus_seed" ] && seeds+=("$corpus_seed")
# libFuzzer also keeps inputs that ran longer than 10 s ("slow-unit-"):
# those are shown, not failures (a loaded machine makes them); inputs past
# the 60 s time-out are failures ("timeout-").
failures() { find "$dir/fuzz-artifacts" -type f ! -name 'slow-unit-*' | wc -l; }
found_before=$(failures)

left=$seconds
status=0
while [ "$left" -gt 0 ]; do
  now=$(( left < round ? left : round ))
  # Stack overflows, sanitizer reports and timeouts end the run with an
  # artifact.
  ASAN_OPTIONS=detect_leaks=0:abort_on_error=0:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$dir/fuzz/load_print_fuzzer" -max_total_time="$now" -max_len=65536 -timeout=60 -detect_leaks=0 \
      -rss_limit_mb=4096 -close_fd_mask=1 -print_final_stats=1 \
      -artifact_prefix="$dir/fuzz-artifacts/" ${FUZZ_OPTIONS:-} \
      "$dir/fuzz-corpus" "${seeds[@]}" 2>"$dir/fuzz.log" || status=1
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$dir/fuzz.log" || true
  [ $status -eq 0 ] || break
  left=$(( left - now ))
done

if [ $status -eq 0 ]; then
  echo "replaying the corpus with leak checks"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$dir/fuzz/load_print_fuzzer" -runs=0 -detect_leaks=1 -timeout=60 -rss_limit_mb=4096 \
      -close_fd_mask=1 -artifact_prefix="$dir/fuzz-artifacts/" \
      "$dir/fuzz-corpus" "${seeds[@]}" 2>"$dir/fuzz-leaks.log" || status=1
  grep -E '^#[0-9]+ +(INITED|DONE)' "$dir/fuzz-leaks.log" || true
  [ $status -eq 0 ] || grep -E 'ERROR|SUMMARY' "$dir/fuzz-leaks.log" || true
fi

found=$(failures)
slow=$(find "$dir/fuzz-artifacts" -type f -name 'slow-unit-*')
[ -z "$slow" ] || echo "inputs that ran longer than 10 s (kept, not failures):" $slow
if [ $status -ne 0 ] || [ "$found" -gt "$found_before" ]; then
  echo "fuzzing found a failing input; see $dir/fuzz.log and $dir/fuzz-artifacts:"
  grep -E 'ERROR|SUMMARY|Test unit written' "$dir/fuzz.log" || true
  exit 1
fi
echo "fuzzing: $seconds s, nothing found"
