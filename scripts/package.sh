#!/usr/bin/env bash
# Builds the release archives in fresh build trees and checks what is in them:
#
#   bash scripts/package.sh     # build/packages/qvx-VERSION-win32.zip and qvx-VERSION-win64.zip
#
# Each zip holds the plug-in module of its width (qvx.wlx, qvx.wlx64), README.md and LICENSE,
# nothing else. The version is the one in CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)
out="$root/build/packages"

bash scripts/setup.sh

version=$(sed -n 's/^project(qvx VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
for system in win32 win64; do
  echo "== $system package"
  tree="$out/$system"
  # Only the module is needed; cpack then installs without building everything first.
  cmake --preset "$system" -B "$tree" -DBUILD_TESTING=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    >/dev/null
  cmake --build "$tree" -j "$jobs" --target qvx_plugin >/dev/null
  cpack --config "$tree/CPackConfig.cmake" -B "$out" >/dev/null
done
rm -rf "$out/_CPack_Packages"

/usr/bin/python3 - "$out" "$version" <<'EOF'
import pathlib
import struct
import sys
import zipfile

out, version = pathlib.Path(sys.argv[1]), sys.argv[2]
# PE machine and optional-header magic of each width.
widths = {"win32": ("qvx.wlx", 0x014C, 0x10B), "win64": ("qvx.wlx64", 0x8664, 0x20B)}
failed = False
for system, (module, machine, magic) in widths.items():
    path = out / f"qvx-{version}-{system}.zip"
    if not path.is_file():
        print(f"package: FAIL {path.name} was not made")
        failed = True
        continue
    with zipfile.ZipFile(path) as z:
        names = sorted(z.namelist())
        problems = []
        if names != sorted([module, "README.md", "LICENSE"]):
            problems.append(f"holds {names}")
        else:
            for doc in ("README.md", "LICENSE"):
                if z.read(doc) != pathlib.Path(doc).read_bytes():
                    problems.append(f"{doc} differs from the source tree's")
            dll = z.read(module)
            pe = struct.unpack_from("<I", dll, 0x3C)[0]
            sig, got_machine = struct.unpack_from("<4sH", dll, pe)
            characteristics = struct.unpack_from("<H", dll, pe + 22)[0]
            got_magic = struct.unpack_from("<H", dll, pe + 24)[0]
            if sig != b"PE\0\0" or got_machine != machine or got_magic != magic:
                problems.append(f"{module} is not a {system} module")
            if not characteristics & 0x2000:
                problems.append(f"{module} is not a DLL")
    print(f"package: {path.name}: {', '.join(names)}")
    for p in problems:
        print(f"package: FAIL {path.name} {p}")
    failed = failed or bool(problems)
strays = sorted(p.name for p in out.glob("*.zip") if p.name not in
                {f"qvx-{version}-{s}.zip" for s in widths})
if strays:
    print(f"package: FAIL unexpected archives {strays}")
    failed = True
sys.exit(1 if failed else 0)
EOF
echo "package: $out/qvx-$version-win32.zip $out/qvx-$version-win64.zip"
