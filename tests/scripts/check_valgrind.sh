#!/bin/sh
# Runs "zebvrml print" under valgrind on every world of the given folders and
# files, and fails on any block lost or still reachable at exit and on any
# invalid read, write or free. Worlds that end through the fatal exit or
# cannot be read are skipped; so are folders and files that do not exist
# (the optional sample corpus), with a message.
# Usage: check_valgrind.sh ZEBVRML DIR|FILE...   JOBS: parallel runs (2).
if [ "$1" = "--one" ]; then
  "$2" print "$3" >/dev/null 2>&1
  case $? in 0|1) ;; *) echo "skipped: $3"; exit 0 ;; esac
  log=$(valgrind -q --leak-check=full --show-leak-kinds=all --errors-for-leak-kinds=all \
        --error-exitcode=99 "$2" print "$3" 2>&1 >/dev/null)
  if [ $? -eq 99 ] || printf '%s\n' "$log" | grep -q '^==[0-9]*=='; then
    echo "FAIL: $3"; printf '%s\n' "$log" | head -n 60
  else echo "clean: $3"; fi
  exit 0
fi
tool=$1; shift
command -v valgrind >/dev/null 2>&1 || { echo "valgrind is not installed"; exit 77; }
list=$(mktemp) results=$(mktemp)
trap 'rm -f "$list" "$results"' EXIT
for place in "$@"; do
  if [ -e "$place" ]; then find "$place" -type f \( -name '*.wrl' -o -name '*.vrml' \)
  else echo "skipped, absent: $place" >&2; fi
done | sort >"$list"
[ -s "$list" ] || { echo "no worlds found in $*"; exit 77; }
xargs -P "${JOBS:-2}" -I{} sh "$0" --one "$tool" {} <"$list" >"$results"
grep -v '^clean: \|^skipped: ' "$results"
echo "$(wc -l <"$list") worlds: $(grep -c '^clean: ' "$results") clean under valgrind," \
     "$(grep -c '^skipped: ' "$results") skipped (fatal or unreadable)"
! grep -q '^FAIL: ' "$results"
