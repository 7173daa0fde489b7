#!/usr/bin/env bash
# Fails when the staged installation, or a fresh `cmake --install` of it,
# holds a file another account could not read: folders and the programs
# (bin/ and lib/veltod/) must be 0755, every other file 0644.
# Usage: check-install-modes.sh BUILD_DIR
set -euo pipefail
build=$1
target=$(mktemp -d)
trap 'rm -rf "$target"' EXIT
cmake --install "$build" --prefix "$target" >/dev/null
status=0
check() {
  local tree=$1
  while IFS= read -r line; do
    echo "wrong mode: $line"
    status=1
  done < <(
    find "$tree" -mindepth 1 -type d ! -perm 0755 -printf '%m %p\n'
    find "$tree" -type f \( -path "$tree/bin/*" -o -path "$tree/lib/veltod/*" \) ! -perm 0755 -printf '%m %p\n'
    find "$tree" -type f ! -path "$tree/bin/*" ! -path "$tree/lib/veltod/*" ! -perm 0644 -printf '%m %p\n'
  )
}
check "$target"
# The staged tree is what the build's own programs wrote: readable by all.
find "$build/VeltoD" -type f ! -perm -0444 -printf 'not readable by all: %m %p\n' | grep . && status=1
exit $status
