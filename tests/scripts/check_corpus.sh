#!/bin/sh
# Runs "zebvrml check" on every world below the given folders and fails on
# any exit other than 0, 1, 2 or 3 (a signal, a sanitizer report, a crash).
# A folder that does not exist (the optional sample corpus) is skipped with
# a message. Usage: check_corpus.sh ZEBVRML DIR...
# ZEBVRML_RUN, when set, is the emulator that runs ZEBVRML (wine64, qemu-i386).
tool=$1; shift
found=0 bad=0
tmp=$(mktemp)
for dir in "$@"; do
  [ -d "$dir" ] || { echo "skipped, absent: $dir"; continue; }
  for f in $(find "$dir" -type f \( -name '*.wrl' -o -name '*.vrml' \) | sort); do
    found=$((found + 1))
    ${ZEBVRML_RUN:-} "$tool" check "$f" >/dev/null 2>"$tmp"
    rc=$?
    if [ $rc -gt 3 ] || grep -q 'Sanitizer' "$tmp"; then
      bad=$((bad + 1)); echo "FAIL exit $rc: $f"; tail -n 20 "$tmp"
    fi
  done
done
rm -f "$tmp"
[ $found -gt 0 ] || { echo "no worlds found in $*"; exit 77; }
echo "$found worlds, $bad failed"
[ $bad -eq 0 ]
