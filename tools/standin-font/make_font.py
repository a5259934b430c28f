#!/usr/bin/python3
"""Builds a stand-in for the viewer's display font from Sixtyfour (Debian fonts-sixtyfour, SIL Open
Font License 1.1).

The real font cannot be had here. This one takes Sixtyfour's glyphs and places each at the
private-use code point of its screen code in both character sets (U+EE00 + code, U+EF00 + code),
reverse-video glyphs (code + 0x80) drawn inverted. The printable ASCII glyphs, which the listing
uses for digits, quotes and "BLOCKS FREE.", are redrawn on the same solid pixel grid (Sixtyfour
draws its pixels as scanlines).

Two uses:
- pictures of the Windows module (the default): under the face name the viewer asks for, never
  shipped. It is marked bold: that viewer leaves the control's default weight, which is bold,
  and a regular face would be thickened by the rasteriser until the holes of the reverse-video
  glyphs close; as its own bold face it is drawn as designed.
- the Linux plug-in's shipped font: `--face` gives it a name of its own (the OFL forbids a
  Modified Version the original's reserved names, and the display font's name is not ours),
  `--weight regular` suits toolkits that ask for a regular face, and `--licence` writes the
  licence text that must travel with it.

usage: make_font.py [--face NAME] [--weight bold|regular] [--licence OUT.txt] GLYPH_TABLE OUT.ttf
       (GLYPH_TABLE: the output of the glyph_table program)
"""
import argparse
import re

from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

SOURCE = "/usr/share/fonts/truetype/sixtyfour/C-64-Regular.ttf"
SOURCE_COPYRIGHT = "/usr/share/doc/fonts-sixtyfour/copyright"
DISPLAY_FACE = "C64 Pro Mono"
GRID = 8  # the Commodore character cell is 8 x 8 pixels


def outline(font, glyph_name):
    """The glyph's contours as lists of points (the source font draws only straight lines)."""
    pen = DecomposingRecordingPen(font.getGlyphSet())
    font.getGlyphSet()[glyph_name].draw(pen)
    contours, current = [], []
    for op, args in pen.value:
        if op == "moveTo":
            current = [args[0]]
        elif op in ("lineTo", "qCurveTo", "curveTo"):
            current.extend(args)  # off-curve points are close enough on a pixel grid
        elif op in ("closePath", "endPath"):
            if current:
                contours.append(current)
            current = []
    return contours


def winding(contours, x, y):
    w = 0
    for pts in contours:
        for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]):
            if y0 <= y < y1 and (x1 - x0) * (y - y0) - (x - x0) * (y1 - y0) > 0:
                w += 1
            elif y1 <= y < y0 and (x1 - x0) * (y - y0) - (x - x0) * (y1 - y0) < 0:
                w -= 1
    return w


def bitmap(font, glyph_name, pixel, bottom):
    """Samples the glyph at the centre of each cell pixel (non-zero winding)."""
    contours = outline(font, glyph_name)
    rows = []
    for row in range(GRID):
        y = bottom + (GRID - row - 0.5) * pixel
        rows.append([winding(contours, (col + 0.5) * pixel, y) != 0 for col in range(GRID)])
    return rows


def pixel_glyph(rows, pixel, bottom, width):
    """One rectangle per run of set pixels in a row: no overlapping contours."""
    pen = TTGlyphPen(None)
    for row, bits in enumerate(rows):
        top = bottom + (GRID - row) * pixel
        col = 0
        while col < GRID:
            if not bits[col]:
                col += 1
                continue
            start = col
            while col < GRID and bits[col]:
                col += 1
            x0, x1 = start * pixel, col * pixel
            pen.moveTo((x0, top - pixel))
            pen.lineTo((x0, top))
            pen.lineTo((x1, top))
            pen.lineTo((x1, top - pixel))
            pen.closePath()
    return pen.glyph()


def source_licence():
    """The copyright lines and the licence text of Debian's copyright file for the font files."""
    stanza = open(SOURCE_COPYRIGHT, encoding="utf-8").read().split("\n\n")
    fonts = next(s for s in stanza if re.search(r"^Files: \*$", s, re.M))
    copyright, licence, field = [], [], None
    for line in fonts.splitlines():
        if line.startswith(" ") and field is not None:
            text = line[1:]
            (copyright if field == "Copyright" else licence).append("" if text == "." else text)
        elif ":" in line:
            field, value = line.split(":", 1)
            if field == "Copyright":
                copyright.append(value.strip())
            elif field != "License":
                field = None
    copyright = ["Copyright " + c.strip() for c in copyright if c.strip()]
    return copyright, "\n".join(licence).strip() + "\n"


def write_licence(path, face, copyright, licence):
    with open(path, "w", encoding="utf-8") as out:
        out.write(f"{face} is a Modified Version of the Sixtyfour font (Debian package\n"
                  "fonts-sixtyfour): its glyphs, placed at the private-use code points of the\n"
                  "Commodore screen codes and drawn on a solid pixel grid. It is released under\n"
                  "the same licence.\n\n")
        out.write("\n".join(copyright) + "\n\n" + licence)


def rename(font, face, weight, copyright):
    style = "Bold" if weight == "bold" else "Regular"
    postscript = face.replace(" ", "") + "-" + style
    full = face + " " + style if weight == "bold" else face
    names = font["name"]
    for record in list(names.names):
        replacement = {1: face, 16: face, 2: style, 17: style, 4: full, 6: postscript,
                       3: face + " stand-in"}.get(record.nameID)
        if replacement is not None:
            names.setName(replacement, record.nameID, record.platformID, record.platEncID,
                          record.langID)
    # Where the OFL's notice can be read by anyone who has only the font file.
    names.setName("; ".join(copyright), 0, 3, 1, 0x409)
    names.setName("SIL Open Font License, Version 1.1", 13, 3, 1, 0x409)
    names.setName("https://openfontlicense.org", 14, 3, 1, 0x409)
    os2 = font["OS/2"]
    if weight == "bold":
        os2.usWeightClass = 700
        os2.fsSelection = (os2.fsSelection & ~0x0040) | 0x0020  # BOLD, not REGULAR
        font["head"].macStyle |= 0x0001
    else:
        os2.usWeightClass = 400
        os2.fsSelection = (os2.fsSelection & ~0x0021) | 0x0040  # REGULAR
        font["head"].macStyle &= ~0x0001


def main():
    parser = argparse.ArgumentParser(description="Builds a stand-in display font.")
    parser.add_argument("--face", default=DISPLAY_FACE)
    parser.add_argument("--weight", choices=("bold", "regular"), default="bold")
    parser.add_argument("--licence", help="write the font's licence text here")
    parser.add_argument("glyph_table")
    parser.add_argument("out")
    args = parser.parse_args()
    table_path, out_path = args.glyph_table, args.out
    # The source's own time stamp, not the build's: the same input gives the same file.
    font = TTFont(SOURCE, recalcTimestamp=False)
    cmap = font.getBestCmap()
    width = font["hmtx"]["A"][0]
    pixel = width // GRID
    bottom = font["OS/2"].sTypoDescender if hasattr(font["OS/2"], "sTypoDescender") else 0
    bottom = max(bottom, -pixel)  # the cell sits on the baseline, one pixel of descent at most

    glyph_order = list(font.getGlyphOrder())
    glyf = font["glyf"]
    hmtx = font["hmtx"]
    new_cmap = dict(cmap)
    for line in open(table_path):
        charset, code, hexcp = line.split()
        charset, code, cp = int(charset), int(code), int(hexcp, 16)
        source = cmap.get(cp) or cmap.get(0x20)
        rows = bitmap(font, source, pixel, bottom)
        base = 0xEE00 if charset == 0 else 0xEF00
        for reverse in (False, True):
            bits = [[b != reverse for b in r] for r in rows]
            name = "sc%d_%02X" % (charset, code + (0x80 if reverse else 0))
            glyf.glyphs[name] = pixel_glyph(bits, pixel, bottom, width)
            hmtx[name] = (width, 0)
            if name not in glyph_order:
                glyph_order.append(name)
            new_cmap[base + code + (0x80 if reverse else 0)] = name
    # All sampled before any is replaced: some ASCII glyphs are made of others.
    ascii_rows = {cmap[cp]: bitmap(font, cmap[cp], pixel, bottom)
                  for cp in range(0x21, 0x7F) if cp in cmap}
    for name, rows in ascii_rows.items():
        glyf.glyphs[name] = pixel_glyph(rows, pixel, bottom, width)
    font.setGlyphOrder(glyph_order)
    glyf.glyphOrder = glyph_order
    for table in font["cmap"].tables:
        if table.isUnicode():
            table.cmap = {cp: g for cp, g in new_cmap.items() if cp <= 0xFFFF or table.format == 12}
    copyright, licence = source_licence()
    rename(font, args.face, args.weight, copyright)
    font["maxp"].numGlyphs = len(glyph_order)
    font.save(out_path)
    if args.licence:
        write_licence(args.licence, args.face, copyright, licence)


if __name__ == "__main__":
    main()
