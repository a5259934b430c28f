#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: natively, then the 32-bit and
# the 64-bit Windows programs under Wine inside a virtual X display. Exits non-zero when any test
# fails.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/setup.sh

echo "== native"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

echo "== native with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

echo "== fuzzing"
bash scripts/fuzz.sh "${QVX_FUZZ_SECONDS:-60}"

echo "== win32 (under Wine)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
prefix_root=$(mktemp -d /tmp/qvx-wine.XXXXXX)
trap 'for p in prefix prefix64; do WINEPREFIX="$prefix_root/$p" wineserver -k 2>/dev/null || true;
      done; rm -rf "$prefix_root"' EXIT
export QVX_WINEPREFIX="$prefix_root/prefix"
# A window made while a fresh prefix is still being set up can fail: finish the set-up first.
WINEARCH=win32 WINEPREFIX="$QVX_WINEPREFIX" WINEDEBUG=-all wineboot -i >/dev/null 2>&1
WINEPREFIX="$QVX_WINEPREFIX" wineserver -w
xvfb-run -a ctest --preset win32

echo "== win64 (under 64-bit Wine)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
export QVX_WINEPREFIX="$prefix_root/prefix64"
WINEARCH=win64 WINEPREFIX="$QVX_WINEPREFIX" WINEDEBUG=-all /usr/lib/wine/wine64 wineboot -i \
  >/dev/null 2>&1
WINEPREFIX="$QVX_WINEPREFIX" wineserver -w
xvfb-run -a ctest --preset win64

echo "== packages"
bash scripts/package.sh
