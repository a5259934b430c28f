#!/usr/bin/env bash
# Measures the load: natively against its I/O floor (Google Benchmark), then the real plug-in under
# Wine through qvxhost (median and 95th percentile of ListLoad and of a view switch), on images of
# every type with a full directory (41 sectors, 328 entries) and error bytes. Prints two tables.
#
#   bash scripts/bench.sh [REPEATS]     (qvxhost loads per image, default 100)
set -euo pipefail
cd "$(dirname "$0")/.."
repeats=${1:-100}

bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target bench >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target qvx_plugin qvxhost >/dev/null

work=$(mktemp -d /tmp/qvx-bench.XXXXXX)
export QVX_WINEPREFIX="$work/prefix"
trap 'WINEPREFIX="$QVX_WINEPREFIX" wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

echo "## Native: load against its I/O floor"
echo
build/native/bench/bench --benchmark_min_time=0.5 2>/dev/null | sed -n '/^| type/,$p'
echo

mkdir -p "$work/images"
mapfile -t images < <(build/native/bench/bench --write-images "$work/images")
WINEARCH=win32 WINEPREFIX="$QVX_WINEPREFIX" WINEDEBUG=-all wineboot -i >/dev/null 2>&1
WINEPREFIX="$QVX_WINEPREFIX" wineserver -w

winpath() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }
for mode in listening quiet; do
  for image in "${images[@]}"; do
    flag=()
    [ "$mode" = quiet ] && flag=(--no-debug-channel)
    xvfb-run -a cmake/wine-run.sh build/win32/qvxhost.exe "${flag[@]}" --repeat "$repeats" \
      "$(winpath "$image")" >"$work/$mode-$(basename "$image").json" 2>"$work/host.err" \
      || { cat "$work/host.err" >&2; exit 1; }
  done
done

echo "## Under Wine: the real plug-in through qvxhost, $repeats loads per image"
echo
/usr/bin/python3 - "$work" "${images[@]}" <<'PY'
import json, os, sys
work, images = sys.argv[1], sys.argv[2:]
print("| image | debug output | ListLoad median (ms) | ListLoad p95 (ms) | view switch median (ms) | view switch p95 (ms) |")
print("|---|---|---|---|---|---|")
for mode, label in (("quiet", "nobody listening"), ("listening", "a listener attached")):
    for image in images:
        name = os.path.basename(image)
        r = json.load(open(os.path.join(work, f"{mode}-{name}.json"), encoding="utf-8"))
        rep = r["images"][0]["repeat"]
        load, switch = rep["listLoad"], rep["viewSwitch"]
        print(f"| {name} | {label} | {load['medianMicroseconds']/1000:.2f} | "
              f"{load['p95Microseconds']/1000:.2f} | {switch['medianMicroseconds']/1000:.2f} | "
              f"{switch['p95Microseconds']/1000:.2f} |")
PY
