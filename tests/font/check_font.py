#!/usr/bin/python3
"""Checks a font made from the glyph source against the pixel renderer:

    check_font.py --cells RENDER_CELLS --font F.ttf --face NAME --weight bold|regular

Each glyph is sampled at the centre of its 64 pixels, placed as a rasteriser places it (the
left side bearing counts), and must equal what the renderer (the program RENDER_CELLS) draws
for the character, for every code point the font maps; all 512 screen-code points are there,
only the spaces are empty, the outlines cover exactly the set pixels once (holes wound against
their outer contour), every advance is the cell, and the file is at most 64 KiB. Prints one line
per fault and exits 1 on any.
"""
import argparse
import pathlib
import subprocess
import sys

from fontTools.ttLib import TTFont

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools" / "font"))
from extract_glyphs import BOTTOM, PIXEL, contours, sample  # noqa: E402

MAX_BYTES = 64 * 1024
CELL = 8 * PIXEL
SCREEN_CODES = list(range(0xEE00, 0xF000))
SPACES = {0x20, 0xEE20, 0xEE60, 0xEF20, 0xEF60}
# What the viewer writes without the Commodore code points: block counts, quotes, the markers of
# unclosed and locked files, BLOCKS FREE., the maps' digits.
VIEWER_ASCII = " \"*<-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"


def renderer_cells(program):
    cells = {}
    out = subprocess.run([program], capture_output=True, text=True, check=True).stdout
    for line in out.splitlines():
        fields = line.split()
        cells[int(fields[0], 16)] = None if fields[1] == "-" else [int(f, 16) for f in fields[1:]]
    return cells


def signed_area(outline):
    """Shoelace area; negative for clockwise contours with y up."""
    area = 0
    for pts in outline:
        for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]):
            area += x0 * y1 - x1 * y0
    return area / 2


def check(args):
    problems = []
    data = pathlib.Path(args.font).read_bytes()
    if len(data) > MAX_BYTES:
        problems.append(f"{len(data)} bytes, over {MAX_BYTES}")
    font = TTFont(args.font)
    family = font["name"].getDebugName(1)
    if family != args.face:
        problems.append(f"face {family!r}, not {args.face!r}")
    bold = font["OS/2"].usWeightClass >= 700
    if bold != (args.weight == "bold"):
        problems.append(f"weight class {font['OS/2'].usWeightClass}")
    if not font["post"].isFixedPitch:
        problems.append("not marked fixed pitch")
    if font["OS/2"].fsType != 0:
        problems.append(f"embedding restricted (fsType {font['OS/2'].fsType}), the licence allows it")
    cmap = font.getBestCmap()
    cells = renderer_cells(args.cells)
    missing = [f"U+{cp:04X}" for cp in SCREEN_CODES + [ord(c) for c in VIEWER_ASCII]
               if cp not in cmap]
    if missing:
        problems.append(f"no glyph for {', '.join(missing[:10])} ({len(missing)} in all)")
    for cp, name in sorted(cmap.items()):
        expected = cells.get(cp)
        if expected is None:
            problems.append(f"U+{cp:04X}: in the font, but the renderer draws nothing for it")
            continue
        if font["hmtx"][name][0] != CELL:
            problems.append(f"U+{cp:04X}: advance {font['hmtx'][name][0]}")
        drawn = sample(font, name)
        if drawn != expected:
            problems.append(f"U+{cp:04X}: the font draws rows {drawn}, the renderer {expected}")
        set_pixels = sum(bin(r).count("1") for r in expected)
        if (set_pixels == 0) != (cp in SPACES):
            problems.append(f"U+{cp:04X}: {set_pixels} pixels set")
        area = signed_area(contours(font, name))
        if area != -set_pixels * PIXEL * PIXEL:
            problems.append(f"U+{cp:04X}: outlines cover {-area / PIXEL / PIXEL} pixels "
                            f"clockwise, not the {set_pixels} set")
    if font["hhea"].ascent - font["hhea"].descent != CELL or font["hhea"].descent != BOTTOM:
        problems.append(f"line from {font['hhea'].descent} to {font['hhea'].ascent}, not the cell")
    for p in problems:
        print(f"{args.font}: {p}")
    print(f"{args.font}: {len(cmap)} code points, {len(font.getGlyphOrder())} glyphs, "
          f"{len(data)} bytes: {'FAILED' if problems else 'as the renderer draws them'}")
    return not problems


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cells", required=True)
    ap.add_argument("--font", required=True)
    ap.add_argument("--face", required=True)
    ap.add_argument("--weight", choices=("bold", "regular"), required=True)
    sys.exit(0 if check(ap.parse_args()) else 1)


if __name__ == "__main__":
    main()
