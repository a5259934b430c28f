#!/usr/bin/env bash
# Installs what is missing, builds every preset and runs every test: natively, then the 32-bit and
# the 64-bit Windows programs under Wine inside a virtual X display. Exits non-zero when any test
# fails, and ends by printing the time each stage took.
#
#   bash scripts/test.sh           # everything (what CI runs)
#   bash scripts/test.sh --quick   # the native build and its tests only
#
# On a machine that runs no 32-bit programs (or without 32-bit Wine, or with QVX_NO_32BIT=1) the
# 32-bit module is built and its file checked, but not run; the 64-bit module's tests run the same
# code under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine.sh
jobs=$(nproc 2>/dev/null || echo 2)

quick=0
case "${1:-}" in
  "") ;;
  --quick) quick=1 ;;
  -h | --help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  *) echo "test: unknown option $1 (--quick or nothing)" >&2; exit 2 ;;
esac

stages=()
stage_started=
current=
# Starts the next stage and notes how long the previous one took.
stage() {
  finish_stage
  current=$1
  stage_started=$SECONDS
  echo "== $current"
}
finish_stage() {
  if [ -n "$current" ]; then
    stages+=("$(printf '%5ds  %s' $((SECONDS - stage_started)) "$current")")
  fi
  current=
}

prefix_root=
on_exit() {
  local status=$?
  set +e
  finish_stage
  if [ -n "$prefix_root" ]; then
    qvx_stop_prefixes "$prefix_root/prefix" "$prefix_root/prefix64"
    rm -rf "$prefix_root"
  fi
  echo
  echo "== time per stage"
  printf '%s\n' "${stages[@]}"
  printf '%5ds  in all, %s\n' "$SECONDS" "$([ "$status" -eq 0 ] && echo passed || echo FAILED)"
  exit "$status"
}
trap on_exit EXIT

stage "setup"
bash scripts/setup.sh

stage "native"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"
[ "$quick" = 0 ] || exit 0

stage "formatting (clang-format)"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t sources < <(find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
fi
unformatted=()
for source in "${sources[@]}"; do
  clang-format --dry-run --Werror "$source" >/dev/null 2>&1 || unformatted+=("$source")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "test: clang-format would change ${unformatted[*]}; run clang-format -i on them" >&2
  exit 1
fi
echo "${#sources[@]} C++ sources formatted as .clang-format says"

stage "native with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

stage "fuzzing"
bash scripts/fuzz.sh "${QVX_FUZZ_SECONDS:-25}"

prefix_root=$(mktemp -d /tmp/qvx-wine.XXXXXX)
if qvx_runs_32bit; then
  stage "win32 (under Wine)"
else
  stage "win32 (built; the module file checked without Wine)"
fi
cmake --preset win32 >/dev/null
if qvx_runs_32bit; then
  cmake --build --preset win32 -j "$jobs"
  export QVX_WINEPREFIX="$prefix_root/prefix"
  qvx_prepare_prefix "$QVX_WINEPREFIX" 32
  xvfb-run -a ctest --preset win32
else
  # Only the modules: their files are all that can be checked here.
  cmake --build --preset win32 -j "$jobs" --target qvx_plugin qvx_packer
  ctest --preset win32 -L without-wine
  echo "test: the 32-bit Wine tests were skipped because $qvx_no_32bit_reason;" \
    "the 64-bit module's tests below cover the same code."
fi

stage "win64 (under 64-bit Wine)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
export QVX_WINEPREFIX="$prefix_root/prefix64"
qvx_prepare_prefix "$QVX_WINEPREFIX" 64
xvfb-run -a ctest --preset win64

stage "packages"
bash scripts/package.sh
