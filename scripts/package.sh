#!/usr/bin/env bash
# Builds the release archive in fresh build trees, writes the checksums and checks it all:
#
#   bash scripts/package.sh     # build/packages/qvx-VERSION-windows.zip and SHA256SUMS
#
# The archive holds both modules (qvx.wlx, qvx.wlx64), pluginst.inf (the file manager installs the
# plug-in from it when the archive is opened), README.md and LICENSE, nothing else; the modules'
# debug information goes to build/packages/debug. SHA256SUMS covers every archive in
# build/packages. Two runs from one commit give the same bytes: every date in an archive is the
# commit's time (or SOURCE_DATE_EPOCH, when set), the modules carry none. Nothing is run under
# Wine: this works on machines without it. The version is the one in CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
out="$root/build/packages"

bash scripts/setup.sh

version=$(sed -n 's/^project(qvx VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
    { echo "package: not a git checkout: set SOURCE_DATE_EPOCH to the sources' time" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH

rm -rf "$out"
mkdir -p "$out"
stage="$out/stage"
for system in win32 win64; do
  echo "== $system module"
  tree="$out/$system"
  # Only the module is needed, and installing builds nothing.
  cmake --preset "$system" -B "$tree" -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$tree" -j "$jobs" --target qvx_plugin >/dev/null
  cmake --install "$tree" --component plugin --prefix "$stage" >/dev/null
  cmake --install "$tree" --component debug --prefix "$out/debug" >/dev/null
done
/usr/bin/python3 scripts/release_archive.py zip "$stage" "$out/qvx-$version-windows.zip"
rm -rf "$stage"

# Every archive here, whatever its kind and whoever made it: the files at the top.
sums=$(cd "$out" && find . -maxdepth 1 -type f ! -name SHA256SUMS -printf '%f\n' | LC_ALL=C sort |
  xargs -r sha256sum --)
printf '%s\n' "$sums" >"$out/SHA256SUMS"

/usr/bin/python3 scripts/release_archive.py check --version "$version" "$out"
echo "package: $out/qvx-$version-windows.zip"
cat "$out/SHA256SUMS"
