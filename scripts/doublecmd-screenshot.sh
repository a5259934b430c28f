#!/usr/bin/env bash
# Pictures of the Linux plug-in inside the real Double Commander, one per build of the file
# manager, for the README:
#
#   bash scripts/doublecmd-screenshot.sh [DIR]    # DIR/doublecmd-qt5.png, DIR/doublecmd-gtk2.png
#
# DIR defaults to docs/images. Each shows the viewer on samples/qvx-sample-errors.d64 with the
# text's context menu open, drawn in the font the plug-in ships (QVX Mono). The run is the same
# as the tests': the texts and the trace are checked on the way.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/images}")
mkdir -p "$out"

bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native --target qvx qvx_doublecmd_folder >/dev/null

# A fixed folder: the viewer's status bar shows the file's path, and the same run should give
# the same picture.
work=/tmp/qvx-screenshot
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
declare -A hosts=(
  [qt5]=/usr/lib/doublecmd/doublecmd
  [gtk2]=/usr/local/lib/qvx/doublecmd-gtk/doublecmd
)
for toolkit in qt5 gtk2; do
  /usr/bin/python3 tests/doublecmd/check_doublecmd.py --doublecmd "${hosts[$toolkit]}" \
    --toolkit "$toolkit" --plugin build/native/doublecmd/qvx --qvx build/native/qvx \
    --files samples/qvx-sample-errors.d64 --work "$work/$toolkit" \
    --screenshot "$out/doublecmd-$toolkit.png"
  echo "doublecmd-screenshot: $out/doublecmd-$toolkit.png"
done
