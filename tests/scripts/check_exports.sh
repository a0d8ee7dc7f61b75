#!/bin/sh
# Checks the names a shared library exports against its module definition
# file ("name", "name DATA" or "name = target"; ";" comments): exactly its
# names, no others, each "a = b" at the same address as b (one function, as a
# host comparing the two sees it). For a Windows DLL, read with OBJDUMP,
# also: names marked DATA lead outside the code section, the others into it;
# it imports from system DLLs and zebio.dll only (the C and C++ runtimes are
# linked in).
# With --list, checks instead that the definition file exports exactly the
# names of the interface list (platform/exported-names.txt): "name", "name
# DATA" (a table, which the .def must mark DATA) or "name extension" (one of
# our documented extensions).
# Usage: check_exports.sh LIB DEF [OBJDUMP] | check_exports.sh --list DEF LIST
set -eu
lib=$1 def=$2 objdump=${3:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
sed -n '/^EXPORTS/,$p' "$def" | sed -e 's/;.*//' -e '/EXPORTS/d' | awk 'NF' >"$tmp/def"
awk '{ print $1 }' "$tmp/def" | sort -u >"$tmp/want"
if [ "$lib" = --list ]; then
  lib=$objdump objdump=
  sed -e 's/#.*//' "$lib" | awk 'NF' >"$tmp/list"
  twice=$(awk '{ print $1 }' "$tmp/list" | sort | uniq -d)
  [ -z "$twice" ] || { echo "listed twice:" $twice; exit 1; }
  while read -r name mark; do
    case $mark in
      "" | extension | DATA) ;;
      *) echo "unknown mark '$mark' of $name"; exit 1 ;;
    esac
    if [ "$mark" = DATA ] && awk -v n="$name" '$1 == n && $2 != "DATA"' "$tmp/def" | grep -q .; then
      echo "a table, not marked DATA in the .def: $name"; exit 1
    fi
  done <"$tmp/list"
  mv "$tmp/want" "$tmp/have"
  awk '{ print $1 }' "$tmp/list" | sort -u >"$tmp/want"
elif [ -z "$objdump" ]; then
  nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRVWiu]$/ { sub(/@.*/, "", $3); print $3, $1 }' | sort >"$tmp/have_rva"
  awk '{ print $1 }' "$tmp/have_rva" | sort -u >"$tmp/have"
else
  "$objdump" -p "$lib" >"$tmp/p"
  "$objdump" -h "$lib" >"$tmp/h"
  # Index -> address from the Export Address Table, index -> name from the
  # name table.
  awk '/^Export Address Table -- Ordinal Base/ { eat = 1; next }
       eat && /^\t\[/ { gsub(/[][]/, " "); print $1, $(NF - 2); next }
       eat { eat = 0 }' "$tmp/p" | sort -k1,1 >"$tmp/rva"
  awk '/^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
       names && /^\t\[/ { gsub(/[][]/, " "); print $1, $2; next }
       names { names = 0 }' "$tmp/p" | sort -k1,1 >"$tmp/names"
  join "$tmp/names" "$tmp/rva" | awk '{ print $2, $3 }' | sort >"$tmp/have_rva"
  awk '{ print $1 }' "$tmp/have_rva" | sort -u >"$tmp/have"
fi
[ -s "$tmp/have" ] || { echo "no exports read from $lib"; exit 1; }
missing=$(comm -23 "$tmp/want" "$tmp/have") extra=$(comm -13 "$tmp/want" "$tmp/have")
status=0
[ -z "$missing" ] || { echo "not exported:" $missing; status=1; }
[ -z "$extra" ] || { echo "exported but not listed:" $extra; status=1; }
rva() { awk -v n="$1" '$1 == n { print $2 }' "$tmp/have_rva"; }
while [ -s "$tmp/have_rva" ] && read -r name eq target; do
  [ "$eq" != "=" ] || [ "$(rva "$name")" = "$(rva "$target")" ] || { echo "$name does not lead to $target"; status=1; }
done <"$tmp/def"
if [ -n "$objdump" ]; then
  # The code section as offsets from the image base.
  base=$(awk '$1 == "ImageBase" { print $2 }' "$tmp/p")
  text=$(awk '$2 == ".text" { print $4, $3 }' "$tmp/h")
  text_start=$(( 0x${text% *} - 0x$base ))
  text_end=$(( text_start + 0x${text#* } ))
  while read -r name rest; do
    a=$(rva "$name")
    [ -n "$a" ] || continue
    inside=0
    [ $((0x$a)) -ge $text_start ] && [ $((0x$a)) -lt $text_end ] && inside=1
    case $rest in
      DATA*) [ $inside -eq 0 ] || { echo "$name is marked DATA but is code"; status=1; } ;;
      *) [ $inside -eq 1 ] || { echo "$name is not code: mark it DATA"; status=1; } ;;
    esac
  done <"$tmp/def"
  for dll in $(awk '$1 == "DLL" && $2 == "Name:" { print $3 }' "$tmp/p" | sort -u); do
    case $(printf '%s' "$dll" | tr 'A-Z' 'a-z') in
      kernel32.dll|msvcrt.dll|user32.dll|advapi32.dll|ws2_32.dll|zebio.dll|api-ms-win-*) ;;
      *) echo "imports from $dll, which is not a system DLL"; status=1 ;;
    esac
  done
fi
[ $status -ne 0 ] || echo "$(wc -l <"$tmp/want") names exported, no others"
exit $status
