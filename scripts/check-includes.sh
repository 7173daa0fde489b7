#!/usr/bin/env bash
# Fails when a file includes a header from a room it may not use, or when a
# file of the core includes a Qt header. Each room lists the rooms below it
# that it may include; a room may always include itself.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A may=(
  [core/platform]=""
  [core/view]="core/platform"
  [core/records]="core/platform"
  [core/net]="core/platform"
  [core/skin]="core/platform"
  [core/hypertext]="core/skin"
  [core/apply]="core/records core/platform"
  [core/sponsors]="core/records core/platform"
  [core/catalogue]="core/records core/skin core/view core/platform"
  [core/daynews]="core/catalogue core/records core/skin core/view core/platform"
  [core/update]="core/apply core/catalogue core/net core/records core/platform"
  [core/shell]="core/update core/apply core/platform"
  [ui/platform]="core/platform"
  [ui/view]=""
  [ui/skin]="ui/platform core/skin core/platform"
  [ui/hypertext]="ui/platform core/hypertext core/skin"
  [ui/sponsors]="ui/skin ui/view ui/platform core/sponsors core/records core/skin core/platform"
  [ui/catalogue]="ui/hypertext ui/skin ui/view ui/platform core/catalogue core/hypertext core/records core/skin core/view core/platform"
  [ui/daynews]="ui/catalogue ui/sponsors ui/skin ui/view ui/platform core/daynews core/catalogue core/records core/skin core/view core/platform"
  [ui/update]="ui/hypertext ui/skin ui/view ui/platform core/update core/apply core/net core/hypertext core/records core/skin core/platform"
  [ui/shell]="ui/catalogue ui/daynews ui/sponsors ui/update ui/hypertext ui/skin ui/view ui/platform core/shell core/update core/daynews core/catalogue core/sponsors core/apply core/net core/hypertext core/records core/skin core/view core/platform"
  # the publisher's side, never linked into the program
  [server]="core/apply core/records core/platform"
)
status=0
fail() { echo "$1"; status=1; }
room_of() {
  case $1 in
    src/main.cpp) echo main ;;
    src/*) cut -d/ -f2-3 <<<"$1" ;;
    *) cut -d/ -f1 <<<"$1" ;;
  esac
}
while IFS= read -r file; do
  own=$(room_of "$file")
  if [ "$own" != main ] && [ -z "${may[$own]+set}" ]; then
    fail "$file: room '$own' has no list here"
    continue
  fi
  case $own in
    core/*) grep -qE '^#include <Q' "$file" && fail "$file: a core file includes a Qt header" ;;
  esac
  [ "$own" = main ] && continue
  while IFS= read -r target; do
    [ "$target" = "$own" ] && continue
    [[ " ${may[$own]} " == *" $target "* ]] || fail "$file includes $target/, which $own/ may not use"
  done < <(grep -oE '^#include "(core|ui)/[a-z]+/' "$file" | sed -E 's/^#include "//; s/\/$//')
done < <(find src server -name '*.cpp' -o -name '*.h' | sort)
[ $status -eq 0 ] && echo "includes point down: ok"
exit $status
