#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (core sanitised too) and runs each
# for the given number of seconds (default 180): scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-180}"; shift || true
command -v clang++ >/dev/null || { echo "clang++ is needed (apt-get install clang)"; exit 1; }
CXX=clang++ cmake -S . -B build-fuzz -DVELTOD_FUZZ=ON -DVELTOD_WITH_UI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target $(ls tests/fuzz/fuzz_*.cpp | xargs -n1 basename | sed 's/\.cpp$//') >/dev/null
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=($(ls tests/fuzz/fuzz_*.cpp | xargs -n1 basename | sed 's/\.cpp$//'))
for target in "${targets[@]}"; do
  # Absolute paths: targets that work in a scratch installation change the
  # working directory, and libFuzzer reads and writes these during the run.
  corpus="$PWD/build-fuzz/corpus/$target"; mkdir -p "$corpus" build-fuzz/artifacts
  echo "== $target for ${seconds}s"
  "build-fuzz/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$PWD/build-fuzz/artifacts/$target-" "$corpus" 2>&1 |
    grep -E 'stat::number_of_executed_units|Done|ERROR|SUMMARY|Test unit written|invariant broken' || true
done
