#!/usr/bin/env bash
# Makes the README's pictures again, from the sources, into DIR (docs/images by default):
#
#   bash scripts/pictures.sh [DIR]
#
#   view-0.png .. view-3.png   the four views of samples/qvx-sample-errors.d64 in the Windows
#                              module under Wine, installed as the release archive holds it:
#                              QVX Mono beside it, no display font (scripts/demo.sh --screenshot)
#   directory-art.png          qvx --png --scale 2 of a disk whose file names draw a frame in the
#                              Commodore graphics, written here with cc1541
#   doublecmd-qt5.png          the Linux plug-in in both builds of Double Commander
#   doublecmd-gtk2.png         (scripts/doublecmd-screenshot.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/images}")
mkdir -p "$out"

bash scripts/demo.sh --screenshot "$out" >/dev/null
echo "pictures: $out/view-0.png .. view-3.png"

work=$(mktemp -d /tmp/qvx-pictures.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Names with '#' and two hex digits take any Commodore character; lower case is the letters.
line='#c0#c0#c0#c0#c0#c0#c0#c0#c0#c0#c0#c0#c0#c0'
cc1541 -q -n "dir art" -i "qx 2a" \
  -f "#b0${line}#ae" -T DEL -L \
  -f "#dd   qvx mono   #dd" -T DEL -N -L \
  -f "#dd#c1#d3#d8#da #a6#a6#a6#a6 #d1#d7#d6#db#dd" -T DEL -N -L \
  -f "#ab${line}#b3" -T DEL -N -L \
  -f "#dd#a9#df #a1#a2#bf#bc#be#bb #d5#c9#ca#cb#dd" -T DEL -N -L \
  -f "#ad${line}#bd" -T DEL -N -L "$work/art.d64"
build/native/qvx --png "$out/directory-art.png" --scale 2 "$work/art.d64"
echo "pictures: $out/directory-art.png"

bash scripts/doublecmd-screenshot.sh "$out"
