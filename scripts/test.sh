#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Warnings are errors here, so a new warning fails the tests, not just scrolls by.
scripts/build.sh -DVELTOD_WERROR=ON
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600
