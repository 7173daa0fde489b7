#!/bin/sh
# Prints, one a line and sorted, the packages whose highest version in the
# indices after "--" is newer than (or missing from) the indices before it,
# judged by dpkg --compare-versions: the publisher's day counted without it.
#   changed-packages.sh YESTERDAY_INDEX... -- TODAY_INDEX...
set -eu
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
versions() {  # name and version of every stanza of an index, as apt keeps it
  case $1 in
    *.lz4) lz4cat "$1" ;;
    *.xz) xzcat "$1" ;;
    *.gz) zcat "$1" ;;
    *) cat "$1" ;;
  esac | awk '/^Package:/ { name = $2 } /^Version:/ { print name, $2 }'
}
side=before
for index in "$@"; do
  if [ "$index" = -- ]; then side=after; continue; fi
  versions "$index" >>"$scratch/$side"
done
# Yesterday's highest version of each name: dpkg judges where a name comes
# more than once.
sort -u "$scratch/before" >"$scratch/lines"
awk '{ count[$1]++ } END { for (name in count) if (count[name] > 1) print name }' "$scratch/lines" >"$scratch/repeated"
awk 'NR == FNR { repeated[$1]; next } !($1 in repeated)' "$scratch/repeated" "$scratch/lines" >"$scratch/highest"
while read -r name; do
  best=""
  awk -v name="$name" '$1 == name { print $2 }' "$scratch/lines" >"$scratch/versions"
  while read -r version; do
    if [ -z "$best" ] || dpkg --compare-versions "$version" gt "$best"; then best=$version; fi
  done <"$scratch/versions"
  echo "$name $best"
done <"$scratch/repeated" >>"$scratch/highest"
sort -k1,1 "$scratch/highest" -o "$scratch/highest"
# A line of today that is new, or newer than yesterday's highest.
sort -u "$scratch/after" | join -a 1 - "$scratch/highest" | while read -r name version before; do
  [ "$version" = "${before:-}" ] && continue
  if [ -z "${before:-}" ] || dpkg --compare-versions "$version" gt "$before"; then echo "$name"; fi
done | sort -u
