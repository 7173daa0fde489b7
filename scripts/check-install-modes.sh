#!/usr/bin/env bash
# Fails when the staged installation, or a fresh `cmake --install` of it,
# holds a file another account could not read: data files must be 0644,
# folders and the programs of bin/ 0755.
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
    find "$tree" -type d ! -perm 0755 -printf '%m %p\n'
    find "$tree" -type f ! -path "$tree/bin/*" ! -perm 0644 -printf '%m %p\n'
    find "$tree/bin" -type f \( -name '*.exe' -o -name 'veltod-unpack' \) ! -perm 0755 -printf '%m %p\n'
    find "$tree/bin" -type f ! -name '*.exe' ! -name 'veltod-unpack' ! -perm 0644 -printf '%m %p\n'
  )
}
check "$target"
# The staged tree is what the build's own programs wrote: readable by all.
find "$build/VeltoD" -type f ! -perm -0444 -printf 'not readable by all: %m %p\n' | grep . && status=1
exit $status
