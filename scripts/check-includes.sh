#!/usr/bin/env bash
# Fails when a file includes a header of a folder above its own. Folders from
# the top of the program down; folders on one level may include each other.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A level=(
  [server]=6      # the publisher's side, never linked into the program
  [shell]=5       # the program's top: main window, window set, start-up
  [update]=4      # the update run, the mirror fetch, the transfer window
  [apply]=3 [catalogue]=3 [daynews]=3 [sponsors]=3
  [net]=2         # the HTTP client
  [skin]=1        # layout, skin pictures and buttons, skinned windows
  [platform]=0
)
status=0
while IFS= read -r line; do
  file=${line%%:*}
  target=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$line")
  case $file in
    src/main.cpp) own=shell ;;
    src/*) own=$(cut -d/ -f2 <<<"$file") ;;
    *) own=$(cut -d/ -f1 <<<"$file") ;;
  esac
  [ -n "${level[$own]:-}" ] || { echo "$file: folder '$own' has no level here"; status=1; continue; }
  [ -n "${level[$target]:-}" ] || continue
  if [ "${level[$target]}" -gt "${level[$own]}" ]; then
    echo "$file includes $target/, a folder above $own/: $line"
    status=1
  fi
done < <(grep -rHE '^#include "[a-z]+/' src server --include='*.cpp' --include='*.h' | sed -E 's/^([^:]+):/\1:/')
[ $status -eq 0 ] && echo "includes point down: ok"
exit $status
