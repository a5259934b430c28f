#!/usr/bin/env bash
# Opens a disk image in the real plug-in, inside Wine, the way the file manager does (through
# qvxhost), and shows what the viewer window held in each view, drawn by the native qvx.
#
#   bash scripts/demo.sh [--screenshot DIR] [IMAGE...]
#
# Without IMAGE the built-in sample (samples/qvx-sample-errors.d64, all four views) is opened.
# With --screenshot DIR every view is also saved as a PNG of the viewer window in DIR (view-N.png,
# or NAME-view-N.png for several images), from the plug-in as the release archive installs it
# (the module with QVX Mono beside it, without the display font, which is not ours) in a scratch
# folder that is removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

screenshots=""
images=()
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) [ $# -ge 2 ] || { echo "demo: --screenshot needs a folder" >&2; exit 2; }
                  screenshots="$2"; shift 2 ;;
    -h|--help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) images+=("$1"); shift ;;
  esac
done
[ ${#images[@]} -gt 0 ] || images=("samples/qvx-sample-errors.d64")
for image in "${images[@]}"; do
  [ -f "$image" ] || { echo "demo: no such image: $image" >&2; exit 2; }
done

source scripts/wine.sh
# Every failure names the step it happened in; the commands' own messages come first.
step="checking the arguments"
trap 'echo "demo: failed while $step (exit status $?)" >&2' ERR
set -E

step="installing what is missing (scripts/setup.sh)"
bash scripts/setup.sh

if qvx_runs_32bit; then
  qvx_wine_width 32
  echo "== this machine runs 32-bit programs: the 32-bit module qvx.wlx, under Wine"
else
  qvx_wine_width 64
  echo "== $qvx_no_32bit_reason: the 64-bit module qvx.wlx64 instead, through the 64-bit" \
    "qvxhost under 64-bit Wine"
fi

step="building the native qvx and the $qvx_width-bit plug-in and host ($qvx_preset preset)"
echo "== building (native qvx, $qvx_module and qvxhost)"
cmake --preset native >/dev/null
cmake --build --preset native --target qvx >/dev/null
cmake --preset "$qvx_preset" >/dev/null
cmake --build --preset "$qvx_preset" --target qvx_plugin qvxhost >/dev/null
qvx="$root/build/native/qvx"

work=$(mktemp -d /tmp/qvx-demo.XXXXXX)
export QVX_WINEPREFIX="$work/prefix"
trap 'qvx_stop_prefixes "$QVX_WINEPREFIX"; rm -rf "$work"' EXIT
step="preparing a $qvx_width-bit Wine prefix"
echo "== preparing a Wine prefix"
qvx_prepare_prefix "$QVX_WINEPREFIX" "$qvx_width"


args=(--toggles 4)
plugin=$qvx_plugin
if [ -n "$screenshots" ]; then
  step="installing the plug-in as the release archive holds it"
  echo "== installing the plug-in as the release archive holds it"
  mkdir -p "$screenshots" "$work/plugin" "$work/shots"
  cmake --install "build/$qvx_preset" --component plugin --prefix "$work/plugin" >/dev/null
  plugin="$work/plugin/$qvx_module"
  args+=(--screenshot "$(qvx_winpath "$work/shots")\\view.bmp")
fi
args+=(--plugin "$(qvx_winpath "$plugin")")
for image in "${images[@]}"; do args+=("$(qvx_winpath "$image")"); done

step="opening the images in $qvx_module through qvxhost"
echo "== opening ${images[*]} in $plugin through qvxhost (Wine, virtual X display)"
# Output into files, not a pipe: Wine's helper processes would hold a pipe open.
xvfb-run -a "$qvx_runner" "$qvx_host" "${args[@]}" >"$work/report.json" 2>"$work/host.err" || {
  status=$?
  cat "$work/host.err" >&2
  exit "$status"
}

step="showing what the viewer held"
shots_dir=""
[ -z "$screenshots" ] || shots_dir=$(realpath "$screenshots")
python3 - "$work/report.json" "$qvx" "$shots_dir" "${images[@]}" <<'EOF'
import json
import os
import subprocess
import sys

report_file, qvx, shots_dir, images = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
r = json.load(open(report_file, encoding="utf-8"))
names = {0: "listing", 1: "listing, second character set", 2: "BAM map", 3: "error map"}


def qvx_out(args):
    return subprocess.run([qvx] + args, capture_output=True).stdout.decode("utf-8")


failed = False
pictures = []


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
        if shots_dir and view.get("screenshot") and match:
            # One picture per view: the first time it is shown.
            stem = "" if len(images) == 1 else os.path.splitext(os.path.basename(path))[0] + "-"
            png = os.path.join(shots_dir, f"{stem}view-{match[0]}.png")
            if png not in pictures:
                bmp = view["screenshot"][2:].replace("\\", "/")  # Z:\... is the Linux path
                # Without the dates ImageMagick adds, the same picture gives the same file.
                subprocess.run(["convert", bmp, "-strip", png], check=True)
                pictures.append(png)
                print(f"[screenshot {png}]")
    print()
    for line in img["trace"]:
        print(f"trace        {line!r}")
    if shots_dir and fmt["face"] != "QVX Mono":
        print(f"demo: the viewer drew {path} in {fmt['face']!r}, not in QVX Mono",
              file=sys.stderr)
        failed = True
sys.exit(1 if failed else 0)
EOF

echo
echo "The same views without Wine: $qvx --view N IMAGE (N = 0 to 3; --help for more)."
