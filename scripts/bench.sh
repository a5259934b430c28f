#!/usr/bin/env bash
# Measures the load: natively against its I/O floor (Google Benchmark), then the real plug-in under
# Wine through qvxhost (median and 95th percentile of ListLoad, of a view switch and of the next
# image in the same window, ListLoadNext), on images of every type with a full directory (41
# sectors, 328 entries) and error bytes; then qvx over a collection of 10,000 mixed images
# against its I/O floor and against a shell loop of cc1541; then qvx --extract on a D81 of 281
# files written by cc1541 against cbmconvert -N -d and against its I/O floor. Prints four tables.
#
#   bash scripts/bench.sh [REPEATS]       (qvxhost loads per image, default 100)
#   bash scripts/bench.sh --collection    (the collection table alone)
#   bash scripts/bench.sh --extract       (the extraction table alone)
set -euo pipefail
cd "$(dirname "$0")/.."
only_collection=0
only_extract=0
if [ "${1:-}" = --collection ]; then
  only_collection=1
  shift
elif [ "${1:-}" = --extract ]; then
  only_extract=1
  shift
fi
repeats=${1:-100}

# The best of nine runs of a command, in seconds; its output is thrown away, and an exit status
# above 1 fails. Other work on the machine slows single runs a lot, the best one little. With
# fresh set to a folder, the command runs in it, emptied before each run (not timed).
fresh=
best_of_nine() {
  local best= start end took
  for _ in 1 2 3 4 5 6 7 8 9; do
    [ -z "$fresh" ] || { rm -rf "$fresh" && mkdir -p "$fresh"; }
    start=$(date +%s%N)
    # qvx answers 1 for the damaged images among the rest; more is a failure, not a time.
    (cd "${fresh:-.}" && "$@") >/dev/null 2>&1 || [ $? -le 1 ] ||
      { echo "bench: $* failed" >&2; return 1; }
    end=$(date +%s%N)
    took=$((end - start))
    if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

# qvx over 10,000 images of every type (sparse files in a temporary folder, some G64s, a few
# damaged), warm, against the I/O floor of the same folder walk, stats, opens and reads on as many
# threads, and against cc1541 started once per D64 and D81 image in a shell loop.
bench_collection() {
  local dir="$1/collection" qvx=build/native/qvx made images seconds
  cmake --build --preset native --target qvx collection_bench >/dev/null
  made=$(build/native/bench/collection_bench write "$dir" 10000 | paste -sd' ')
  cc1541_loop() { for f in "$dir"/d64/*.d64 "$dir"/d81/*.d81; do cc1541 "$f"; done; }
  # Warm: every file read once.
  cat "$dir"/*/* >/dev/null
  "$qvx" -r --json "$dir" >/dev/null 2>&1 || true
  read -r images seconds _ < <(build/native/bench/collection_bench floor 9 "$dir")
  rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }
  local json text find
  json=$(best_of_nine "$qvx" -r --json "$dir")
  text=$(best_of_nine "$qvx" -r --color never "$dir")
  find=$(best_of_nine "$qvx" -r --find 'GAME 1*' "$dir")
  local same=$(( $(ls "$dir"/d64 | wc -l) + $(ls "$dir"/d81 | wc -l) ))
  local start end loop same_json same_text
  start=$(date +%s%N)
  cc1541_loop >/dev/null 2>&1
  end=$(date +%s%N)
  loop=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')
  same_json=$(best_of_nine "$qvx" --json "$dir/d64" "$dir/d81")
  same_text=$(best_of_nine "$qvx" --color never "$dir/d64" "$dir/d81")

  echo "## qvx over a collection: $images images ($made), warm, $(nproc) cores"
  echo
  echo "| run | images | seconds | images/s | against the I/O floor | against the cc1541 loop |"
  echo "|---|---|---|---|---|---|"
  echo "| I/O floor: walk, stat, opens and reads as --json, no parsing | $images | $seconds | $(rate "$images" "$seconds") | 1.00 | |"
  echo "| qvx -r --json | $images | $json | $(rate "$images" "$json") | $(ratio "$json" "$seconds") | |"
  echo "| qvx -r (listings as text) | $images | $text | $(rate "$images" "$text") | $(ratio "$text" "$seconds") | |"
  echo "| qvx -r --find 'GAME 1*' (directories only) | $images | $find | $(rate "$images" "$find") | $(ratio "$find" "$seconds") | |"
  echo "| cc1541 IMAGE in a shell loop, D64 and D81 | $same | $loop | $(rate "$same" "$loop") | | 1 |"
  echo "| qvx --json, the same D64 and D81 | $same | $same_json | $(rate "$same" "$same_json") | | 1/$(awk -v a="$loop" -v b="$same_json" 'BEGIN { printf "%.0f", a / b }') |"
  echo "| qvx (text), the same D64 and D81 | $same | $same_text | $(rate "$same" "$same_text") | | 1/$(awk -v a="$loop" -v b="$same_text" 'BEGIN { printf "%.0f", a / b }') |"
  echo
}

# a / b with two decimals.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

best_of_nine_into() {
  fresh=$1
  shift
  best_of_nine "$@"
  fresh=
}

# qvx --extract against cbmconvert -N -d and the I/O floor (the image read, the same bytes written
# into as many files) on a D81 of 281 files of 1 to 18 blocks that cc1541 writes; warm.
bench_extract() {
  local dir="$1/extract" qvx=$PWD/build/native/qvx floor=$PWD/build/native/bench/extract_floor
  cmake --build --preset native --target qvx extract_floor >/dev/null
  mkdir -p "$dir/data"
  local args=(-q -m -n "extract bench" -i "eb") i
  for ((i = 1; i <= 281; i++)); do
    head -c $((254 * (1 + i % 18) - i % 200)) /dev/urandom >"$dir/data/$i"
    args+=(-f "file $i" -w "$dir/data/$i")
  done
  cc1541 "${args[@]}" "$dir/281.d81" >/dev/null
  "$qvx" --extract "$dir/reference" "$dir/281.d81" >/dev/null
  local files bytes ours theirs io
  files=$(ls "$dir/reference" | wc -l)
  bytes=$(du -cb "$dir"/reference/* | tail -1 | cut -f1)
  ours=$(best_of_nine_into "$dir/out" "$qvx" --extract . "$dir/281.d81")
  theirs=$(best_of_nine_into "$dir/out" cbmconvert -N -d "$dir/281.d81")
  io=$(best_of_nine_into "$dir/out" "$floor" "$dir/281.d81" "$dir/reference" .)

  echo "## Files out of a D81 of $files files ($bytes bytes) written by cc1541, warm"
  echo
  echo "| run | seconds | against cbmconvert | against the I/O floor |"
  echo "|---|---|---|---|"
  echo "| I/O floor: the image read, the same bytes written into as many files | $io | $(ratio "$io" "$theirs") | 1.00 |"
  echo "| qvx --extract DIR IMAGE | $ours | $(ratio "$ours" "$theirs") | $(ratio "$ours" "$io") |"
  echo "| cbmconvert -N -d IMAGE | $theirs | 1.00 | $(ratio "$theirs" "$io") |"
  echo
}

if [ "$only_extract" = 1 ]; then
  cmake --preset native >/dev/null
  # QVX_BENCH_DIR=/dev/shm measures without the disk's cost of making files.
  work=$(mktemp -d "${QVX_BENCH_DIR:-/tmp}/qvx-bench.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  bench_extract "$work"
  exit 0
fi

if [ "$only_collection" = 1 ]; then
  bash scripts/setup.sh
  cmake --preset native >/dev/null
  work=$(mktemp -d /tmp/qvx-bench.XXXXXX)
  trap 'rm -rf "$work"' EXIT
  bench_collection "$work"
  exit 0
fi

source scripts/wine.sh

bash scripts/setup.sh
# The 32-bit module where this machine runs 32-bit programs, else the 64-bit one.
if qvx_runs_32bit; then qvx_wine_width 32; else qvx_wine_width 64; fi
cmake --preset native >/dev/null
cmake --build --preset native --target bench >/dev/null
cmake --preset "$qvx_preset" >/dev/null
cmake --build --preset "$qvx_preset" --target qvx_plugin qvxhost >/dev/null

work=$(mktemp -d /tmp/qvx-bench.XXXXXX)
export QVX_WINEPREFIX="$work/prefix"
trap 'qvx_stop_prefixes "$QVX_WINEPREFIX"; rm -rf "$work"' EXIT

echo "## Native: load against its I/O floor"
echo
build/native/bench/bench --benchmark_min_time=0.5 2>/dev/null | sed -n '/^| type/,$p'
echo

mkdir -p "$work/images"
mapfile -t images < <(build/native/bench/bench --write-images "$work/images")
qvx_prepare_prefix "$QVX_WINEPREFIX" "$qvx_width"

for mode in listening quiet; do
  for image in "${images[@]}"; do
    flag=()
    [ "$mode" = quiet ] && flag=(--no-debug-channel)
    xvfb-run -a "$qvx_runner" "$qvx_host" "${flag[@]}" --repeat "$repeats" \
      "$(qvx_winpath "$image")" >"$work/$mode-$(basename "$image").json" 2>"$work/host.err" \
      || { cat "$work/host.err" >&2; exit 1; }
  done
done

echo "## Under Wine: the real plug-in ($qvx_module) through qvxhost, $repeats loads per image"
echo
/usr/bin/python3 - "$work" "${images[@]}" <<'PY'
import json, os, sys
work, images = sys.argv[1], sys.argv[2:]
print("| image | debug output | ListLoad median (ms) | ListLoad p95 (ms) | ListLoadNext median (ms) | ListLoadNext p95 (ms) | view switch median (ms) | view switch p95 (ms) |")
print("|---|---|---|---|---|---|---|---|")
for mode, label in (("quiet", "nobody listening"), ("listening", "a listener attached")):
    for image in images:
        name = os.path.basename(image)
        r = json.load(open(os.path.join(work, f"{mode}-{name}.json"), encoding="utf-8"))
        rep = r["images"][0]["repeat"]
        load, switch = rep["listLoad"], rep["viewSwitch"]
        nxt = rep["listLoadNext"]["timing"]
        print(f"| {name} | {label} | {load['medianMicroseconds']/1000:.2f} | "
              f"{load['p95Microseconds']/1000:.2f} | {nxt['medianMicroseconds']/1000:.2f} | "
              f"{nxt['p95Microseconds']/1000:.2f} | {switch['medianMicroseconds']/1000:.2f} | "
              f"{switch['p95Microseconds']/1000:.2f} |")
PY
echo
bench_collection "$work"
bench_extract "$work"
