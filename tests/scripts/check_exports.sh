#!/bin/sh
# Compares the dynamic symbols a shared library defines with the names of
# its module definition file. Usage: check_exports.sh LIB DEF
set -eu
lib=$1 def=$2
want=$(sed -n '/^EXPORTS/,$p' "$def" | sed -e 's/;.*//' -e '/EXPORTS/d' \
       | awk 'NF { print $1 }' | sort -u)
have=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRVWiu]$/ { print $3 }' \
       | sed 's/@.*//' | sort -u)
missing=$(printf '%s\n' "$want" | comm -23 - "$(printf '%s\n' "$have" > /tmp/have.$$; echo /tmp/have.$$)")
extra=$(printf '%s\n' "$want" | comm -13 - /tmp/have.$$)
rm -f /tmp/have.$$
status=0
if [ -n "$missing" ]; then echo "not exported:"; echo "$missing"; status=1; fi
if [ -n "$extra" ]; then echo "exported but not listed:"; echo "$extra"; status=1; fi
[ $status -eq 0 ] && echo "$(printf '%s\n' "$want" | wc -l) names exported, no others"
exit $status
