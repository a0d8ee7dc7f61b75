#!/bin/sh
# Printing is stable: for every world that loads without a fatal exit, the
# printed text (the scene writer's, print's default) loaded and printed again
# gives the same bytes at the first round.
# Usage: check_print_stable.sh ZEBVRML DIR...
# ZEBVRML_RUN, when set, is the emulator that runs ZEBVRML (wine64, qemu-i386).
tool=$1; shift
tmp=$(mktemp -d)
found=0 stable=0 bad=0 fatal=0
for dir in "$@"; do
  [ -d "$dir" ] || continue
  for f in $(find "$dir" -type f \( -name '*.wrl' -o -name '*.vrml' \) | sort); do
    found=$((found + 1))
    ${ZEBVRML_RUN:-} "$tool" print "$f" -o "$tmp/1.wrl" 2>/dev/null
    rc=$?
    if [ $rc -ge 3 ]; then
      [ $rc -eq 3 ] || { bad=$((bad + 1)); echo "FAIL exit $rc: $f"; }
      fatal=$((fatal + 1)); continue
    fi
    ${ZEBVRML_RUN:-} "$tool" print "$tmp/1.wrl" -o "$tmp/2.wrl" 2>/dev/null
    rc=$?
    if [ $rc -ge 3 ]; then bad=$((bad + 1)); echo "FAIL second print exit $rc: $f"; continue; fi
    if cmp -s "$tmp/1.wrl" "$tmp/2.wrl"; then stable=$((stable + 1)); continue; fi
    bad=$((bad + 1)); echo "FAIL unstable: $f"; diff "$tmp/1.wrl" "$tmp/2.wrl" | head -n 10
  done
done
rm -rf "$tmp"
if [ $found -eq 0 ]; then echo "no worlds found in $*"; exit 77; fi
echo "$found worlds: $stable stable, $fatal fatal, $bad failed"
[ $bad -eq 0 ]
