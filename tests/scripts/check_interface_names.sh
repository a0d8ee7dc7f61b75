#!/bin/sh
# Checks that a module definition file exports every name of the interface
# list (platform/exported-names.txt): "name", "name DATA" (a table, which the
# .def must mark DATA) or "name pending" (not built yet: may be missing).
# Names the .def exports beyond the list are the documented extensions and
# are shown, not refused.
# Usage: check_interface_names.sh LIST DEF
set -eu
list=$1 def=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sed -e 's/#.*//' "$list" | awk 'NF' >"$tmp/list"
# The definition file: "name", "name DATA" or "name = target", ";" comments.
sed -n '/^EXPORTS/,$p' "$def" | sed -e 's/;.*//' -e '/EXPORTS/d' | awk 'NF' >"$tmp/def"

status=0 missing_pending=0
if [ "$(wc -l <"$tmp/list")" -eq 0 ]; then echo "no names read from $list"; exit 1; fi
if [ -n "$(awk '{ print $1 }' "$tmp/list" | sort | uniq -d)" ]; then
  echo "listed twice:"; awk '{ print $1 }' "$tmp/list" | sort | uniq -d; status=1
fi
while read -r name mark; do
  exported=$(awk -v n="$name" '$1 == n' "$tmp/def")
  case $mark in
    "") [ -n "$exported" ] || { echo "not in the .def: $name"; status=1; } ;;
    DATA)
      if [ -z "$exported" ]; then echo "not in the .def: $name"; status=1
      elif [ "$(printf '%s\n' "$exported" | awk '{ print $2 }')" != DATA ]; then
        echo "a table, not marked DATA in the .def: $name"; status=1
      fi ;;
    pending)
      if [ -z "$exported" ]; then echo "not built yet: $name"; missing_pending=$((missing_pending + 1))
      else echo "built now, its pending mark can go: $name"; fi ;;
    *) echo "unknown mark '$mark' of $name"; status=1 ;;
  esac
done <"$tmp/list"

awk '{ print $1 }' "$tmp/list" | sort -u >"$tmp/names"
extra=$(awk '{ print $1 }' "$tmp/def" | sort -u | comm -13 "$tmp/names" -)
[ -z "$extra" ] || echo "extensions:" $extra
total=$(wc -l <"$tmp/names")
[ $status -eq 0 ] && echo "$((total - missing_pending)) of $total interface names exported"
exit $status
