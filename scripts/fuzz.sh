#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# each for the given number of seconds (default 30: two minutes for the four). A crash leaves its
# input in build/fuzz/artifacts and fails the run. For a long session: scripts/fuzz.sh 3600
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
out=build/fuzz
mkdir -p "$out/seeds" "$out/seeds-g64" "$out/artifacts" "$out/corpus/load" "$out/corpus/g64" \
  "$out/corpus/listing" "$out/corpus/extract"
"$out/fuzz/fuzz_seeds" "$out/seeds" "$out/seeds-g64"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run() {
  local target=$1 corpus=$2; shift 2
  echo "fuzz: $target for ${seconds}s"
  "$out/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$target-" "$@" "$corpus" 2>"$out/$target.log" \
    || { tail -n 40 "$out/$target.log"; echo "fuzz: $target FAILED"; return 1; }
  grep -E '^stat::number_of_executed_units|^Done' "$out/$target.log" | sed 's/^/  /'
}
run load_fuzzer "$out/corpus/load" -max_len=20000 "$out/seeds"
run g64_fuzzer "$out/corpus/g64" -max_len=24000 "$out/seeds-g64"
run listing_fuzzer "$out/corpus/listing" -max_len=4096
run extract_fuzzer "$out/corpus/extract" -max_len=20000 "$out/seeds"
