#!/bin/sh
# Checks that a module definition file exports exactly the names of the
# interface list (platform/exported-names.txt): "name", "name DATA" (a table,
# which the .def must mark DATA) or "name extension" (one of our documented
# extensions). A name the .def exports beyond the list is refused.
# Usage: check_interface_names.sh LIST DEF
set -eu
list=$1 def=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sed -e 's/#.*//' "$list" | awk 'NF' >"$tmp/list"
# The definition file: "name", "name DATA" or "name = target", ";" comments.
sed -n '/^EXPORTS/,$p' "$def" | sed -e 's/;.*//' -e '/EXPORTS/d' | awk 'NF' >"$tmp/def"

status=0
if [ "$(wc -l <"$tmp/list")" -eq 0 ]; then echo "no names read from $list"; exit 1; fi
if [ -n "$(awk '{ print $1 }' "$tmp/list" | sort | uniq -d)" ]; then
  echo "listed twice:"; awk '{ print $1 }' "$tmp/list" | sort | uniq -d; status=1
fi
while read -r name mark; do
  exported=$(awk -v n="$name" '$1 == n' "$tmp/def")
  case $mark in
    "" | extension) [ -n "$exported" ] || { echo "not in the .def: $name"; status=1; } ;;
    DATA)
      if [ -z "$exported" ]; then echo "not in the .def: $name"; status=1
      elif [ "$(printf '%s\n' "$exported" | awk '{ print $2 }')" != DATA ]; then
        echo "a table, not marked DATA in the .def: $name"; status=1
      fi ;;
    *) echo "unknown mark '$mark' of $name"; status=1 ;;
  esac
done <"$tmp/list"

awk '{ print $1 }' "$tmp/list" | sort -u >"$tmp/names"
extra=$(awk '{ print $1 }' "$tmp/def" | sort -u | comm -13 "$tmp/names" -)
[ -z "$extra" ] || { echo "exported but not listed:" $extra; status=1; }
[ $status -eq 0 ] && echo "$(wc -l <"$tmp/names") interface names exported"
exit $status
