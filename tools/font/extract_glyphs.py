#!/usr/bin/python3
"""Takes the Commodore characters' pixels from Sixtyfour (Debian fonts-sixtyfour, SIL Open Font
License 1.1) into the glyph source, font/glyphs.txt. Run once to make the source; the source is
what is edited afterwards, and a rerun keeps every glyph marked "drawn".

    extract_glyphs.py GLYPH_TABLE GLYPHS.txt

GLYPH_TABLE is the output of the glyph_table program: the Unicode character of each screen code.
Each glyph is sampled at the centre of its 8 x 8 pixels from Sixtyfour's glyph for that
character; where Sixtyfour has none, from the glyph it draws the Commodore character with
(ALTERNATES: its heavy box drawing lines are the Commodore's two-pixel lines, and its
private-use glyphs hold the line and block graphics Unicode gained later). What is still
missing is written blank and marked "drawn", to be drawn by hand.
"""
import os
import sys

from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.ttLib import TTFont

import glyph_source

SOURCE = "/usr/share/fonts/truetype/sixtyfour/C-64-Regular.ttf"
PIXEL = glyph_source.PIXEL
BOTTOM = -glyph_source.DESCENT

ALTERNATES = {
    0x2500: 0x2501, 0x2502: 0x2503, 0x250C: 0x250F, 0x2510: 0x2513, 0x2514: 0x2517,
    0x2518: 0x251B, 0x251C: 0x2523, 0x2524: 0x252B, 0x252C: 0x2533, 0x2534: 0x253B,
    0x253C: 0x254B, 0x1FB95: 0x2593, 0x1FB98: 0x25A7, 0x1FB99: 0x25A8,
    0x1FB78: 0xE000, 0x1FB77: 0xE001, 0x1FB76: 0xE002, 0x1FB7A: 0xE003, 0x1FB71: 0xE004,
    0x1FB74: 0xE005, 0x1FB7C: 0xE006, 0x1FB7D: 0xE007, 0x1FB7E: 0xE008, 0x1FB7B: 0xE009,
    0x1FB70: 0xE00A, 0x1FB75: 0xE00B, 0x1FB8C: 0xE00C, 0x1FB72: 0xE00D, 0x1FB8F: 0xE00E,
    0x1FB87: 0xE00F, 0x1FB88: 0xE010, 0x1FB82: 0xE011, 0x1FB83: 0xE012, 0x1FB7F: 0xE013,
}


def contours(font, glyph_name):
    """The glyph's contours as point lists, placed as a rasteriser places them."""
    pen = DecomposingRecordingPen(font.getGlyphSet())
    font.getGlyphSet()[glyph_name].draw(pen)
    out, current = [], []
    for op, args in pen.value:
        if op == "moveTo":
            current = [args[0]]
        elif op in ("lineTo", "qCurveTo", "curveTo"):
            current.extend(args)  # Sixtyfour draws straight lines only
        elif op in ("closePath", "endPath"):
            if current:
                out.append(current)
            current = []
    return out


def winding(outline, x, y):
    w = 0
    for pts in outline:
        for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]):
            cross = (x1 - x0) * (y - y0) - (x - x0) * (y1 - y0)
            if y0 <= y < y1 and cross > 0:
                w += 1
            elif y1 <= y < y0 and cross < 0:
                w -= 1
    return w


def sample(font, glyph_name):
    outline = contours(font, glyph_name)
    rows = []
    for row in range(glyph_source.SIZE):
        y = BOTTOM + (glyph_source.SIZE - row - 0.5) * PIXEL
        bits = 0
        for col in range(glyph_source.SIZE):
            bits = bits << 1 | (winding(outline, (col + 0.5) * PIXEL, y) != 0)
        rows.append(bits)
    return rows


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    table, out = sys.argv[1:]
    font = TTFont(SOURCE)
    cmap = font.getBestCmap()
    kept = glyph_source.read(out) if os.path.exists(out) else {}
    glyphs = {}
    for line in open(table):
        charset, code, unicode = line.split()
        key = (int(charset), int(code))
        unicode = int(unicode, 16)
        old = kept.get(key)
        if old is not None and "drawn" in old.note.replace(":", " ").split():
            glyphs[key] = glyph_source.Glyph(*key, unicode, old.note, old.rows)
            continue
        for source in (unicode, ALTERNATES.get(unicode)):
            if source in cmap:
                note = f"{chr(unicode)} sixtyfour" + ("" if source == unicode else
                                                      f" U+{source:04X}")
                glyphs[key] = glyph_source.Glyph(*key, unicode, note, sample(font, cmap[source]))
                break
        else:
            glyphs[key] = glyph_source.Glyph(*key, unicode, f"{chr(unicode)} drawn", [0] * 8)
    glyph_source.write(out, glyphs, [
        "The Commodore characters: screen codes $00-$7F of the first (upper case and graphics)",
        "and the second (lower and upper case) character set, eight rows of eight pixels each,",
        "'#' set and '.' clear. Reverse video ($80-$FF) is the exact inverse of each glyph and",
        "is not stored. Everything that draws these characters is made from this file: the",
        "fonts and the pixel renderer.",
        "",
        "Each header: set, screen code, the Unicode character that stands for it in text,",
        "then where the glyph comes from. \"sixtyfour\" glyphs were taken from Sixtyfour by",
        "tools/font/extract_glyphs.py (from the glyph named after it, where that is not the",
        "character itself); \"drawn\" ones were drawn here after the Commodore character.",
        "Sixtyfour is by Jens Kutilek and the Homecomputer Fonts Project, under the SIL Open",
        "Font License 1.1: see OFL.txt beside this file, which travels with everything made",
        "from it.",
    ])


if __name__ == "__main__":
    main()
