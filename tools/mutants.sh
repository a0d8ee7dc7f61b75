#!/usr/bin/env bash
# Mutation check of the test suite: applies each deliberate fault listed in
# tools/mutants.faults (beside this script) to a scratch copy of a tree, one
# at a time, rebuilds and runs the suite. A suite that is cut down or
# reorganised must still catch every fault the old one caught.
#
#   tools/mutants.sh [--only REGEX] [--list] [--tree DIR] [--keep]
#
# --only REGEX  only the faults whose name matches (a Python regular expression)
# --list        print the selected fault names and stop
# --tree DIR    the checkout to copy (default: the one holding this script)
# --keep        keep the scratch folder (its logs/ holds each fault's output)
# MUTANTS_JOBS  parallel build and test jobs (default 2)
#
# Prints "caught NAME", "MISSED NAME", "STALE NAME" (its text does not occur
# exactly once) or "BROKEN NAME" (it no longer builds) per fault, then a
# summary. Exit status 0 when no fault is stale or broken, else 1.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
faults=$here/mutants.faults
tree=$(dirname "$here")
only='' list=0 keep=0
while [ $# -gt 0 ]; do
    case $1 in
        --only) only=${2:?--only needs a REGEX}; shift 2 ;;
        --list) list=1; shift ;;
        --tree) tree=$(cd "${2:?--tree needs a DIR}" && pwd); shift 2 ;;
        --keep) keep=1; shift ;;
        *) sed -n '7,13p' "$0" >&2; exit 2 ;;
    esac
done

# faults.py names REGEX | faults.py apply NAME ROOT SAVED
# apply replaces the fault's text in ROOT/FILE (a copy of the file goes to
# SAVED) and prints FILE; exit 3 when the text does not occur exactly once.
fault_tool() {
    python3 - "$faults" "$@" <<'PY'
import re, sys
path, command, *args = sys.argv[1:]
faults, block = [], {}
for line in open(path, encoding="utf-8").read().split("\n") + [""]:
    if not line.strip():
        if block:
            faults.append(block)
        block = {}
    elif not (line.startswith("#") and not block):
        key, _, value = line.partition(": ")
        block[key.rstrip(":")] = value
for f in faults:
    if set(f) != {"name", "file", "from", "to"}:
        sys.exit(f"{path}: malformed block {f}")
if len({f["name"] for f in faults}) != len(faults):
    sys.exit(f"{path}: fault names repeat")
if command == "names":
    print("\n".join(f["name"] for f in faults if re.search(args[0], f["name"])))
    sys.exit(0)
name, root, saved = args
fault = next(f for f in faults if f["name"] == name)
target = f"{root}/{fault['file']}"
try:
    with open(target, encoding="utf-8", newline="") as fh:
        text = fh.read()
except OSError:
    sys.exit(3)
if text.count(fault["from"]) != 1:
    sys.exit(3)
with open(saved, "w", encoding="utf-8", newline="") as fh:
    fh.write(text)
with open(target, "w", encoding="utf-8", newline="") as fh:
    fh.write(text.replace(fault["from"], fault["to"]))
print(fault["file"])
PY
}

mapfile -t names < <(fault_tool names "$only")
[ "${#names[@]}" -gt 0 ] && [ -n "${names[0]}" ] || { echo "mutants: no fault selected" >&2; exit 2; }
if [ "$list" = 1 ]; then printf '%s\n' "${names[@]}"; exit 0; fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/mutants.XXXXXX")
if [ "$keep" = 1 ]; then echo "mutants: scratch folder $scratch" >&2
else trap 'rm -rf "$scratch"' EXIT; fi
src=$scratch/src build=$scratch/build logs=$scratch/logs
mkdir -p "$src" "$logs"
git -C "$tree" ls-files -z --cached --others --exclude-standard |
    (cd "$tree" && xargs -0 -r sh -c 'for f; do [ -f "$f" ] && printf "%s\0" "$f"; done' sh) |
    grep -zv '^build' | tar -C "$tree" --null -T - -cf - | tar -C "$src" -xf -

config=(-DZEBVRML2_WERROR=ON)
if command -v ccache >/dev/null; then
    # Paths relative to the scratch folder, so that later runs hit the cache.
    export CCACHE_BASEDIR=$scratch CCACHE_NOHASHDIR=1
    config+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
[ -d "$tree/../shared/corpus" ] && config+=("-DZEBVRML2_CORPUS=$(cd "$tree/../shared/corpus" && pwd)")
jobs=${MUTANTS_JOBS:-2}
build_tree() { cmake --build "$build" -j"$jobs" >"$1" 2>&1; }
run_suite() {
    ctest --test-dir "$build" -LE valgrind --stop-on-failure --timeout 120 -j"$jobs" >"$1" 2>&1
}

start=$SECONDS
if ! cmake -S "$src" -B "$build" "${config[@]}" >"$logs/configure" 2>&1 ||
    ! build_tree "$logs/build" || ! run_suite "$logs/suite"; then
    echo "mutants: the unchanged tree does not build or pass (see $logs)" >&2
    keep=1; trap - EXIT; exit 2
fi

caught=0 missed=0 stale=0 broken=0
for name in "${names[@]}"; do
    if ! file=$(fault_tool apply "$name" "$src" "$scratch/saved"); then
        echo "STALE $name"; stale=$((stale + 1)); continue
    fi
    if ! build_tree "$logs/$name.build"; then
        echo "BROKEN $name"; broken=$((broken + 1))
    elif run_suite "$logs/$name.suite"; then
        echo "MISSED $name"; missed=$((missed + 1))
    else
        echo "caught $name"; caught=$((caught + 1))
    fi
    # A fresh time stamp, so that the next build compiles the file again.
    cp "$scratch/saved" "$src/$file"
done
echo "mutants: $caught caught, $missed missed, $stale stale, $broken broken of ${#names[@]}"
echo "mutants: $((SECONDS - start)) s" >&2
[ $((stale + broken)) -eq 0 ]
