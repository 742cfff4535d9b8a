#!/usr/bin/env bash
# CI: builds the fuzz targets with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each from its seed corpus for a bounded
# time (60 seconds unless given). A finding stops the run with the failing
# input saved under build-fuzz/artifacts/.
#
#   .ci/fuzz.sh [seconds per target] [target ...]    targets: lexer loader tiling html archive shard
#
# Inputs that add coverage are kept in build-fuzz/corpus/, outside the source
# tree, so a later run goes on from them.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(lexer loader tiling html archive shard)

bash scripts/install-deps.sh test clang

cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCODETWIN_FUZZ=ON -DCODETWIN_WERROR=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
cmake --build build-fuzz -j2 --target "${targets[@]/%/_fuzzer}"

mkdir -p build-fuzz/artifacts
for target in "${targets[@]}"; do
  options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$target-")
  # The literal reference tiling costs about La x Lb per pass: keep inputs short.
  [[ $target == tiling ]] && options+=(-max_len=512)
  mkdir -p "build-fuzz/corpus/$target"
  log="build-fuzz/$target.log"
  echo "== fuzzing $target for $seconds s (log: $log)"
  if ! build-fuzz/tests/fuzz/"$target"_fuzzer "${options[@]}" \
      "build-fuzz/corpus/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz target $target found a fault; the input is in build-fuzz/artifacts/"
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log"
done
