#!/usr/bin/env bash
# Opens a disk image in the real plug-in, inside Wine, the way the file manager does (through
# qvxhost), and shows what the viewer window held in each view, drawn by the native qvx.
#
#   bash scripts/demo.sh [--screenshot DIR] [IMAGE...]
#
# Without IMAGE the built-in sample (samples/qvx-sample-errors.d64, all four views) is opened.
# With --screenshot DIR every view is also saved as a 24-bit BMP of the viewer window in DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

screenshots=""
images=()
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) [ $# -ge 2 ] || { echo "demo: --screenshot needs a folder" >&2; exit 2; }
                  screenshots="$2"; shift 2 ;;
    -h|--help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) images+=("$1"); shift ;;
  esac
done
[ ${#images[@]} -gt 0 ] || images=("samples/qvx-sample-errors.d64")
for image in "${images[@]}"; do
  [ -f "$image" ] || { echo "demo: no such image: $image" >&2; exit 2; }
done

bash scripts/setup.sh

echo "== building (native qvx, Win32 plug-in and host)"
cmake --preset native >/dev/null
cmake --build --preset native --target qvx >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target qvx_plugin qvxhost >/dev/null
qvx="$root/build/native/qvx"
host="$root/build/win32/qvxhost.exe"

work=$(mktemp -d /tmp/qvx-demo.XXXXXX)
export QVX_WINEPREFIX="$work/prefix"
trap 'WINEPREFIX="$QVX_WINEPREFIX" wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
echo "== preparing a Wine prefix"
# A window made while a fresh prefix is still being set up can fail: finish the set-up first.
WINEPREFIX="$QVX_WINEPREFIX" WINEDEBUG=-all wineboot -i >/dev/null 2>&1
WINEPREFIX="$QVX_WINEPREFIX" wineserver -w

# Wine sees the Linux file system as drive Z:.
winpath() { printf 'Z:%s' "$(realpath "$1" | tr / '\\')"; }

args=(--toggles 4)
if [ -n "$screenshots" ]; then
  mkdir -p "$screenshots"
  args+=(--screenshot "$(winpath "$screenshots")\\view.bmp")
fi
for image in "${images[@]}"; do args+=("$(winpath "$image")"); done

echo "== opening ${images[*]} in qvx.wlx through qvxhost (Wine, virtual X display)"
# Output into files, not a pipe: Wine's helper processes would hold a pipe open.
xvfb-run -a cmake/wine-run.sh "$host" "${args[@]}" >"$work/report.json" 2>"$work/host.err" || {
  cat "$work/host.err" >&2
  echo "demo: qvxhost failed" >&2
  exit 1
}

python3 - "$work/report.json" "$qvx" "${images[@]}" <<'EOF'
import json
import subprocess
import sys

report_file, qvx, images = sys.argv[1], sys.argv[2], sys.argv[3:]
r = json.load(open(report_file, encoding="utf-8"))
names = {0: "listing", 1: "listing, second character set", 2: "BAM map", 3: "error map"}


def qvx_out(args):
    return subprocess.run([qvx] + args, capture_output=True).stdout.decode("utf-8")


print(f"plug-in      {r['plugin']['path']}")
print(f"detect       {r['detectString']['text']}  ({r['detectString']['length']} characters)")
for line in r["trace"]:
    print(f"trace        {line!r}")
for img, path in zip(r["images"], images):
    w = img["window"]
    print()
    print(f"## {path}")
    if not w:
        print("ListLoad returned no window")
        continue
    made, fmt = w["creation"] or {}, w["charFormat"]["wholeText"]
    print(f"window       class {made.get('className')!r}, style 0x{made.get('style', 0):08X} "
          f"(now 0x{w['style']:08X}), {w['rect']['width']}x{w['rect']['height']}")
    print(f"font         {fmt['face']!r}, text colour 0x{fmt['textColor']:06X}, "
          f"background 0x{(w['backgroundColor'] or 0):06X}")
    for n in img["notifications"]:
        print(f"notification WM_COMMAND wParam 0x{n['wParam']:08X}, lParam "
              f"{'the viewer window' if n['lParamIsWindow'] else hex(n['lParam'])}")
    # Which view a text is: the one whose qvx --raw text it equals (CR LF read as CR).
    raw = {v: qvx_out(["--raw", "--view", str(v), path]) for v in range(4)}
    for view in img["views"]:
        text = view["text"].replace("\r\n", "\r")
        match = [v for v in range(4) if raw[v] and raw[v] == text]
        how = ("after ListLoad" if view["step"] == 0 else
               f"after wrap bit {view['parameter']} (ListSendCommand returned {view['result']})")
        print()
        if match:
            v = match[0]
            print(f"--- step {view['step']}, {how}: view {v}, {names[v]} "
                  f"(line breaks {view['lineBreakForm']}; the same text as qvx --view {v})")
            print(qvx_out(["--color", "always", "--view", str(v), path]), end="")
        else:
            print(f"--- step {view['step']}, {how}: a text qvx does not produce:")
            print(repr(view["text"]))
        if view.get("screenshot"):
            shot = view["screenshot"]
            if shot[:2].upper() == "Z:":
                shot = shot[2:].replace("\\", "/")
            print(f"[screenshot {shot}]")
    print()
    for line in img["trace"]:
        print(f"trace        {line!r}")
EOF

echo
echo "The same views without Wine: $qvx --view N IMAGE (N = 0 to 3; --help for more)."
