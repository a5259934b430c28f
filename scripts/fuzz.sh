#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# each for the given number of seconds (default 40), one target per core at a time. A crash leaves
# its input in build/fuzz/artifacts and fails the run. For a long session: scripts/fuzz.sh 3600
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-40}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
out=build/fuzz
mkdir -p "$out/seeds" "$out/seeds-g64" "$out/artifacts" "$out/corpus/load" "$out/corpus/g64" \
  "$out/corpus/listing" "$out/corpus/extract" "$out/corpus/file-views"
"$out/fuzz/fuzz_seeds" "$out/seeds" "$out/seeds-g64"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Each target in the background, as many at a time as there are cores: a fuzzer uses one, so the
# stage's time grows with the rounds, not with the targets.
jobs=$(nproc 2>/dev/null || echo 2)
pids=()
names=()
run() {
  local target=$1 corpus=$2; shift 2
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  echo "fuzz: $target for ${seconds}s"
  "$out/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$target-" "$@" "$corpus" >/dev/null 2>"$out/$target.log" &
  pids+=($!)
  names+=("$target")
}
run load_fuzzer "$out/corpus/load" -max_len=20000 "$out/seeds"
run g64_fuzzer "$out/corpus/g64" -max_len=24000 "$out/seeds-g64"
run listing_fuzzer "$out/corpus/listing" -max_len=4096
run extract_fuzzer "$out/corpus/extract" -max_len=20000 "$out/seeds"
run file_views_fuzzer "$out/corpus/file-views" -max_len=70000

failed=0
for i in "${!pids[@]}"; do
  target=${names[$i]}
  if wait "${pids[$i]}"; then
    grep -E '^stat::number_of_executed_units|^Done' "$out/$target.log" | sed "s/^/  $target: /"
  else
    tail -n 40 "$out/$target.log"
    echo "fuzz: $target FAILED"
    failed=1
  fi
done
exit "$failed"
