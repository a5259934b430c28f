#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# them for the given number of seconds in all (default 120), shared evenly among the targets. A crash
# leaves its input in build/fuzz/artifacts and fails the run. For a long session: scripts/fuzz.sh
# 14400
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-120}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
out=build/fuzz
mkdir -p "$out/seeds" "$out/seeds-g64" "$out/artifacts" "$out/corpus/load" "$out/corpus/g64" \
  "$out/corpus/listing" "$out/corpus/file-views"
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
# Each target: its name, then its corpus and options. The time is split by their count.
targets=(
  "load_fuzzer $out/corpus/load -max_len=20000 $out/seeds"
  "g64_fuzzer $out/corpus/g64 -max_len=24000 $out/seeds-g64"
  "listing_fuzzer $out/corpus/listing -max_len=4096"
  "file_views_fuzzer $out/corpus/file-views -max_len=70000"
)
seconds=$((total / ${#targets[@]}))
for target in "${targets[@]}"; do
  # shellcheck disable=SC2086 # the words of a target's line are its arguments
  run $target
done
