#!/usr/bin/env bash
# Regenerates the fuzz targets' seed inputs (tests/fuzz/seeds/) from what the
# publisher produces for a catalogue of the repository's sample Debian index.
# The output is the same bytes on every run, so a diff shows what changed,
# except in the signed packages (their gzip time stamp and signature).
#   scripts/make-fuzz-seeds.sh [BUILD_FOLDER]   (default build/, configured when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target make_fuzz_seeds >/dev/null
"$build/tools/make_fuzz_seeds" tests/data/Packages.sample tests/fuzz/seeds
