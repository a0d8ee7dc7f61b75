#!/bin/sh
# Runs "zebvrml check" on every world below the given folders and fails on
# any exit other than 0, 1, 2 or 3 (a signal, a sanitizer report, a crash).
# Usage: check_corpus.sh ZEBVRML DIR...
# ZEBVRML_RUN, when set, is the emulator that runs ZEBVRML (wine64, qemu-i386).
tool=$1; shift
found=0 bad=0 n0=0 n1=0 n2=0 n3=0
tmp=$(mktemp)
for dir in "$@"; do
  [ -d "$dir" ] || continue
  for f in $(find "$dir" -type f \( -name '*.wrl' -o -name '*.vrml' \) | sort); do
    found=$((found + 1))
    ${ZEBVRML_RUN:-} "$tool" check "$f" >/dev/null 2>"$tmp"
    rc=$?
    case $rc in
      0) n0=$((n0 + 1)) ;; 1) n1=$((n1 + 1)) ;; 2) n2=$((n2 + 1)) ;; 3) n3=$((n3 + 1)) ;;
      *) bad=$((bad + 1)); echo "FAIL exit $rc: $f"; tail -n 20 "$tmp" ;;
    esac
    if grep -q 'Sanitizer' "$tmp"; then
      bad=$((bad + 1)); echo "FAIL sanitizer report: $f"; tail -n 20 "$tmp"
    fi
  done
done
rm -f "$tmp"
if [ $found -eq 0 ]; then echo "no worlds found in $*"; exit 77; fi
echo "$found worlds: $n0 clean, $n1 with problems, $n2 unreadable, $n3 fatal, $bad failed"
[ $bad -eq 0 ]
