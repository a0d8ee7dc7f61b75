#!/bin/sh
# Every world below the given folders prints normally (exit 0 or 1) or ends
# through the fatal exit (3), never with a crash, another status or a
# sanitizer report. Printing is stable: the printed text (the scene
# writer's, print's default) loaded and printed again gives the same bytes at
# the first round. A folder that does not exist (the optional sample corpus)
# is skipped. Usage: check_print_stable.sh ZEBVRML DIR...
# ZEBVRML_RUN, when set, is the emulator that runs ZEBVRML (wine64, qemu-i386).
tool=$1; shift
tmp=$(mktemp -d)
found=0 stable=0 bad=0 fatal=0
# print FROM TO: rc is the exit status; false after a crash, which is counted.
print() {
  ${ZEBVRML_RUN:-} "$tool" print "$1" -o "$2" >/dev/null 2>"$tmp/err"
  rc=$?
  [ $rc -le 3 ] && ! grep -q 'Sanitizer' "$tmp/err" && return 0
  bad=$((bad + 1)); echo "FAIL exit $rc: $f"; tail -n 20 "$tmp/err"; return 1
}
for dir in "$@"; do
  [ -d "$dir" ] || { echo "skipped, absent: $dir"; continue; }
  for f in $(find "$dir" -type f \( -name '*.wrl' -o -name '*.vrml' \) | sort); do
    found=$((found + 1))
    print "$f" "$tmp/1.wrl" || continue
    if [ $rc -eq 3 ]; then fatal=$((fatal + 1)); continue; fi
    print "$tmp/1.wrl" "$tmp/2.wrl" || continue
    if [ $rc -eq 3 ]; then bad=$((bad + 1)); echo "FAIL second print fatal: $f"; continue; fi
    if cmp -s "$tmp/1.wrl" "$tmp/2.wrl"; then stable=$((stable + 1)); continue; fi
    bad=$((bad + 1)); echo "FAIL unstable: $f"; diff "$tmp/1.wrl" "$tmp/2.wrl" | head -n 10
  done
done
rm -rf "$tmp"
if [ $found -eq 0 ]; then echo "no worlds found in $*"; exit 77; fi
echo "$found worlds: $stable stable, $fatal fatal, $bad failed"
[ $bad -eq 0 ]
