#!/usr/bin/env bash
# Measures the load: natively against its I/O floor (Google Benchmark), then the real plug-in under
# Wine through qvxhost (median and 95th percentile of ListLoad, of a view switch and of the next
# image in the same window, ListLoadNext), on images of every type with a full directory (41
# sectors, 328 entries) and error bytes. Prints two tables.
#
#   bash scripts/bench.sh [REPEATS]     (qvxhost loads per image, default 100)
set -euo pipefail
cd "$(dirname "$0")/.."
repeats=${1:-100}

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
