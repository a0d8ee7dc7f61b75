#!/bin/sh
# Runs "zebvrml print" under valgrind on every world below the given folders
# that loads without a fatal exit (and can be read), and fails on any block
# lost or still reachable at exit and on any invalid read, write or free.
# Usage: check_valgrind.sh ZEBVRML DIR...
# JOBS sets the number of parallel runs (default 2). Exit 77: nothing to do.
if [ "$1" = "--one" ]; then
  tool=$2 f=$3
  "$tool" print "$f" >/dev/null 2>&1
  case $? in 0|1) ;; *) echo "skipped: $f"; exit 0 ;; esac
  log=$(mktemp)
  valgrind -q --leak-check=full --show-leak-kinds=all --errors-for-leak-kinds=all \
    --error-exitcode=99 "$tool" print "$f" >/dev/null 2>"$log"
  rc=$?
  if [ $rc -eq 99 ] || grep -q '^==[0-9]*==' "$log"; then
    echo "FAIL: $f"
    grep '^==[0-9]*==' "$log" | head -n 60
  else
    echo "clean: $f"
  fi
  rm -f "$log"
  exit 0
fi

tool=$1; shift
command -v valgrind >/dev/null 2>&1 || { echo "valgrind is not installed"; exit 77; }
list=$(mktemp)
for dir in "$@"; do
  [ -d "$dir" ] && find "$dir" -type f \( -name '*.wrl' -o -name '*.vrml' \)
done | sort >"$list"
if [ ! -s "$list" ]; then rm -f "$list"; echo "no worlds found in $*"; exit 77; fi
results=$(mktemp)
xargs -P "${JOBS:-2}" -I{} sh "$0" --one "$tool" {} <"$list" >"$results"
clean=$(grep -c '^clean: ' "$results")
skipped=$(grep -c '^skipped: ' "$results")
failed=$(grep -c '^FAIL: ' "$results")
grep -v '^clean: \|^skipped: ' "$results"
echo "$(wc -l <"$list") worlds: $clean clean under valgrind, $skipped skipped (fatal or unreadable), $failed failed"
rm -f "$list" "$results"
[ "$failed" -eq 0 ]
