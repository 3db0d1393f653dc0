#!/usr/bin/env bash
# Builds the libFuzzer targets natively with clang and runs each for a bounded
# time: PELISAN_FUZZ_SECONDS per target (60 by default). The committed seeds
# in fuzz/corpus/ stay untouched; new inputs and any crashing input go to the
# build tree (PELISAN_FUZZ_BUILD, build-fuzz by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PELISAN_FUZZ_BUILD:-$root/build-fuzz}
seconds=${PELISAN_FUZZ_SECONDS:-60}
"$root/tools/setup.sh"
cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
for target in rtf commandline; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus" "$build/crashes"
  echo "fuzzing $target for ${seconds}s"
  "$build/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/crashes/$target-" "$corpus" "$root/fuzz/corpus/$target" 2>"$build/$target.log" || {
    tail -n 40 "$build/$target.log" >&2
    echo "$target: failure; the input is in $build/crashes/" >&2
    exit 1
  }
  grep -E '^(Done|stat::number_of_executed_units)' "$build/$target.log" || true
done
