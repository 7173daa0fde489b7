#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (core sanitised too) and runs each
# from its seed inputs (tests/fuzz/seeds/<target>/):
#   scripts/fuzz.sh [SECONDS] [TARGET...]   each given target (default: all) for SECONDS (default 180);
#                                           the corpus grows in build-fuzz/corpus/ from run to run
#   scripts/fuzz.sh --ci [SECONDS]          every target for SECONDS (default 15) from the seeds alone
# Exits non-zero when any target finds a crash, a leak, a sanitizer error, an
# input over the memory bound or one that runs too long; its log and the input
# that did it stay in build-fuzz/logs/ and build-fuzz/artifacts/. The seeds in
# the repository are only read: each run works on a scratch copy.
set -euo pipefail
cd "$(dirname "$0")/.."
ci=0
if [ "${1:-}" = "--ci" ]; then
  ci=1
  shift
fi
seconds="${1:-$([ $ci -eq 1 ] && echo 15 || echo 180)}"
shift || true
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: scripts/fuzz.sh [--ci] [SECONDS] [TARGET...]"; exit 2; }
# Bounds of one input: memory (ASan's own overhead included) and time.
rss_limit_mb="${FUZZ_RSS_LIMIT_MB:-1536}"
input_timeout="${FUZZ_INPUT_TIMEOUT:-20}"
command -v clang++ >/dev/null || { echo "clang++ is needed (apt-get install clang)"; exit 1; }

all_targets=($(ls tests/fuzz/fuzz_*.cpp | xargs -n1 basename | sed 's/\.cpp$//'))
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Undefined behaviour stops the run like any other finding.
CXX=clang++ cmake -S . -B build-fuzz -DVELTOD_FUZZ=ON -DVELTOD_WITH_UI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${launcher[@]}" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" >/dev/null
cmake --build build-fuzz -j"${JOBS:-$(nproc)}" --target "${all_targets[@]}" >/dev/null

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
[ $ci -eq 1 ] && targets=("${all_targets[@]}")
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
mkdir -p build-fuzz/artifacts build-fuzz/logs
failed=()
for target in "${targets[@]}"; do
  [ -x "build-fuzz/tests/fuzz/$target" ] || { echo "no fuzz target $target"; exit 2; }
  # Absolute paths: targets that work in a scratch installation change the
  # working directory, and libFuzzer reads and writes these during the run.
  # New inputs go to the first folder only; the seeds are a fresh copy.
  corpus="$PWD/build-fuzz/corpus/$target"
  # A CI run starts from the seeds alone and leaves the growing corpus be.
  if [ $ci -eq 1 ]; then
    corpus="$PWD/build-fuzz/ci-corpus/$target"
    rm -rf "$corpus"
  fi
  seeds="$PWD/build-fuzz/seeds/$target"
  rm -rf "$seeds"
  mkdir -p "$corpus" "$seeds"
  [ -d "tests/fuzz/seeds/$target" ] && cp -R "tests/fuzz/seeds/$target/." "$seeds/"
  log="$PWD/build-fuzz/logs/$target.log"
  echo "== $target for ${seconds}s"
  status=0
  "build-fuzz/tests/fuzz/$target" -max_total_time="$seconds" -timeout="$input_timeout" \
    -rss_limit_mb="$rss_limit_mb" -print_final_stats=1 \
    -artifact_prefix="$PWD/build-fuzz/artifacts/$target-" "$corpus" "$seeds" >"$log" 2>&1 || status=$?
  grep -E 'INITED|DONE|stat::number_of_executed_units|ERROR|SUMMARY|Test unit written|invariant broken' "$log" || true
  if [ $status -ne 0 ]; then
    echo "-- $target failed (exit $status); the end of $log:"
    tail -n 40 "$log"
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]}"
  exit 1
fi
echo "Fuzzing: ${#targets[@]} targets ran clean"
