#!/usr/bin/env bash
# Builds the release archive in fresh build trees, writes the checksums and checks it all:
#
#   bash scripts/package.sh     # build/packages/qvx-VERSION-windows.zip,
#                               # qvx-VERSION-windows-packer.zip,
#                               # qvx-VERSION-doublecmd-linux-x86_64.tar.gz, the .deb and SHA256SUMS
#
# The viewer's archive holds both its modules (qvx.wlx, qvx.wlx64), the font they fall back on
# (QVX-Mono.ttf) with its licence (QVX-Mono-OFL.txt), pluginst.inf (the file manager installs the
# plug-in from it when the archive is opened), README.md and LICENSE, nothing else; the packer's
# (one plug-in per archive, as file managers install them) its modules (qvx.wcx, qvx.wcx64), its
# own pluginst.inf, README.md and LICENSE. The modules' debug information goes to
# build/packages/debug; the tar.gz is described at its own step below.
# SHA256SUMS covers every archive in build/packages. Two runs from one commit give the same bytes:
# every date in an archive is the commit's time (or SOURCE_DATE_EPOCH, when set), the modules
# carry none. Nothing is run under Wine: this works on machines without it. The version is the
# one in CMakeLists.txt.
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
for system in win32 win64; do
  echo "== $system modules"
  tree="$out/$system"
  # Only the modules are needed, and installing builds nothing.
  cmake --preset "$system" -B "$tree" -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$tree" -j "$jobs" --target qvx_plugin qvx_packer >/dev/null
  for component in plugin packer; do
    cmake --install "$tree" --component "$component" --prefix "$out/stage-$component" >/dev/null
  done
  cmake --install "$tree" --component debug --prefix "$out/debug" >/dev/null
done
/usr/bin/python3 scripts/release_archive.py zip "$out/stage-plugin" "$out/qvx-$version-windows.zip"
/usr/bin/python3 scripts/release_archive.py zip "$out/stage-packer" \
  "$out/qvx-$version-windows-packer.zip"
rm -rf "$out/stage-plugin" "$out/stage-packer"

# The Linux plug-ins for Double Commander: qvx-VERSION-doublecmd-linux-x86_64.tar.gz holds the
# folder qvx/ as a user installs it (the viewer qvx.wlx, its Qt5 and GTK2 parts, the shipped font
# and its licence, the packer qvx.wcx) with README.md and LICENSE. The same commit gives the same
# bytes: times set to the commit's, names sorted, owner 0, modes fixed, gzip without name or time.
package_doublecmd() {
  local tree="$out/doublecmd-linux" stage="$out/doublecmd-stage"
  local archive="$out/qvx-$version-doublecmd-linux-x86_64.tar.gz"
  local stamp=$SOURCE_DATE_EPOCH
  echo "== doublecmd-linux package"
  # With Debian's hardening flags, as the Debian package wants its programs.
  CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    cmake --preset native -B "$tree" -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$tree" -j "$jobs" --target qvx_doublecmd_folder qvx >/dev/null
  rm -rf "$stage"
  mkdir -p "$stage/qvx"
  local built="$tree/doublecmd/qvx"
  install -m 755 -s --strip-program=strip "$built/qvx.wlx" "$built/qvx-qt5.so" \
    "$built/qvx-gtk2.so" "$built/qvx.wcx" "$stage/qvx/"
  install -m 644 "$built/QVX-Mono.ttf" "$built/QVX-Mono-OFL.txt" README.md LICENSE "$stage/qvx/"
  chmod 755 "$stage/qvx"
  for attempt in 1 2; do
    tar --sort=name --mtime="@$stamp" --owner=0 --group=0 --numeric-owner --format=gnu \
      -C "$stage" -cf - qvx | gzip -n -9 >"$archive.$attempt"
  done
  cmp -s "$archive.1" "$archive.2" || { echo "package: FAIL the tar.gz differs between two runs"; exit 1; }
  mv "$archive.1" "$archive"
  rm -f "$archive.2"

  /usr/bin/python3 - "$archive" "$stage/qvx" "$stamp" <<'PYEOF'
import pathlib
import subprocess
import sys
import tarfile

archive, stage, stamp = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), int(sys.argv[3])
binaries = ["qvx.wlx", "qvx-qt5.so", "qvx-gtk2.so", "qvx.wcx"]
exports = {
    "qvx.wlx": ["ListCloseWindow", "ListGetDetectString", "ListLoad", "ListLoadNext",
                "ListSearchText", "ListSearchTextW", "ListSendCommand"],
    "qvx.wcx": ["CanYouHandleThisFile", "CanYouHandleThisFileW", "CloseArchive",
                "GetBackgroundFlags", "GetPackerCaps", "OpenArchive", "OpenArchiveW",
                "PackSetDefaultParams", "ProcessFile", "ProcessFileW", "ReadHeader",
                "ReadHeaderEx", "ReadHeaderExW", "SetChangeVolProc", "SetChangeVolProcW",
                "SetProcessDataProc", "SetProcessDataProcW"],
}
others = ["QVX-Mono.ttf", "QVX-Mono-OFL.txt", "README.md", "LICENSE"]
problems = []
with tarfile.open(archive) as tar:
    members = tar.getmembers()
    names = [m.name for m in members]
    want = sorted(["qvx"] + [f"qvx/{n}" for n in binaries + others])
    if names != want:
        problems.append(f"holds {names}, expected {want} in that order")
    for m in members:
        if (m.uid, m.gid, m.uname, m.gname, m.mtime) != (0, 0, "", "", stamp):
            problems.append(f"{m.name}: owner {m.uid}:{m.gid} {m.uname!r}, time {m.mtime}")
        mode = 0o755 if m.isdir() or m.name.split("/")[-1] in binaries else 0o644
        if m.mode != mode:
            problems.append(f"{m.name}: mode {m.mode:o}, expected {mode:o}")
    for doc in ("README.md", "LICENSE"):
        if f"qvx/{doc}" in names and \
                tar.extractfile(f"qvx/{doc}").read() != pathlib.Path(doc).read_bytes():
            problems.append(f"{doc} differs from the source tree's")


def dynamic(path, what):
    out = subprocess.run(["readelf", "--wide", what, path], capture_output=True, text=True)
    return out.stdout


toolkits = {"qvx-qt5.so": "libQt5Widgets.so.5", "qvx-gtk2.so": "libgtk-x11-2.0.so.0"}
for name in binaries:
    path = stage / name
    header = dynamic(path, "--file-header")
    if "ELF64" not in header or "DYN (Shared object file)" not in header or \
            "Advanced Micro Devices X86-64" not in header:
        problems.append(f"{name} is not an x86-64 shared object")
    needed = [line.split("[")[1].rstrip("]") for line in dynamic(path, "--dynamic").splitlines()
              if "(NEEDED)" in line]
    toolkit_libraries = [n for n in needed if n.startswith(("libQt", "libgtk", "libgdk"))]
    if name in exports:
        if toolkit_libraries:
            problems.append(f"{name} links a toolkit: {toolkit_libraries}")
        exported = sorted(line.split()[-1] for line in dynamic(path, "--dyn-syms").splitlines()
                          if " FUNC " in line and " GLOBAL " in line and " UND " not in line)
        if exported != exports[name]:
            problems.append(f"{name} exports {exported}, expected {exports[name]}")
    elif toolkits[name] not in needed or \
            any(not n.startswith(toolkits[name][:6]) for n in toolkit_libraries
                if n.startswith(("libQt", "libgtk"))):
        problems.append(f"{name} needs {toolkit_libraries}, expected {toolkits[name]} alone")
print(f"package: {archive.name}: {', '.join(names)}")
for p in problems:
    print(f"package: FAIL {archive.name} {p}")
sys.exit(1 if problems else 0)
PYEOF
  # What a user gets: the unpacked folder, registered in both builds of the file manager.
  local unpacked="$out/doublecmd-unpacked" toolkit host
  rm -rf "$unpacked"
  mkdir -p "$unpacked"
  tar -C "$unpacked" -xzf "$archive"
  for toolkit in qt5 gtk2; do
    host=/usr/lib/doublecmd/doublecmd
    [ "$toolkit" = qt5 ] || host=/usr/local/lib/qvx/doublecmd-gtk/doublecmd
    /usr/bin/python3 tests/doublecmd/check_doublecmd.py --doublecmd "$host" --toolkit "$toolkit" \
      --plugin "$unpacked/qvx" --qvx "$tree/qvx" --files samples/*.d64 \
      --packer-image samples/qvx-sample.d64 \
      --work "$unpacked/run-$toolkit" | sed "s/^/package: unpacked in the $toolkit host: /"
  done
  rm -rf "$stage" "$unpacked"
  echo "package: $archive"

  echo "== Debian package"
  bash scripts/debian_package.sh "$tree" "$out" "$version" | sed 's/^deb: /package: /'
  rm -rf "$tree"
}
package_doublecmd

# Every archive here, whatever its kind and whoever made it: the files at the top.
sums=$(cd "$out" && find . -maxdepth 1 -type f ! -name SHA256SUMS -printf '%f\n' | LC_ALL=C sort |
  xargs -r sha256sum --)
printf '%s\n' "$sums" >"$out/SHA256SUMS"

/usr/bin/python3 scripts/release_archive.py check --version "$version" "$out"
echo "package: $out/qvx-$version-windows.zip $out/qvx-$version-windows-packer.zip" \
  "$out/qvx-$version-doublecmd-linux-x86_64.tar.gz"
cat "$out/SHA256SUMS"
