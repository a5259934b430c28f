#!/usr/bin/python3
"""Makes a TrueType font from the glyph source, font/glyphs.txt.

    make_font.py --face NAME --weight bold|regular --version V [--licence OUT.txt]
                 GLYPHS.txt OUT.ttf

Every screen code of both character sets lies at the viewer's private-use code points
(U+EE00 + code in the first set, U+EF00 + code in the second, reverse video + 0x80, drawn as the
exact inverse), and each printable ASCII character that is a Commodore character at the glyph of
its screen code (the first set's, else the second's). The cell is the em square, 8 x 8 pixels
of 128 units with one pixel below the baseline, so 8, 16, 24 ... pixels per em draw the pixels
exactly. Each glyph's outline runs around its regions of set pixels, holes included (outer
contours clockwise, holes counter-clockwise); glyphs with the same pixels are stored once.

Two faces are made: QVX Mono, the font shipped beside the plug-ins (regular), and for tests and
pictures of the display-font path a stand-in under that font's face name (bold, since that
viewer keeps the control's default weight, which is bold: a regular face would be thickened
until the holes of the reverse video close). --licence writes the licence that travels with the
font (font/OFL.txt beside the glyph source).
"""
import argparse
import os
import pathlib
import shutil

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

import glyph_source

PIXEL = glyph_source.PIXEL
SIZE = glyph_source.SIZE
EM = PIXEL * SIZE
DESCENT = glyph_source.DESCENT
BASES = (0xEE00, 0xEF00)
REVERSE = 0x80
# The font's own date when no SOURCE_DATE_EPOCH is given: the same source gives the same file.
DEFAULT_EPOCH = 1704067200


def code_points(glyphs):
    """Each code point the font maps, with its pixel rows."""
    points = {}
    for (charset, code), glyph in glyphs.items():
        points[BASES[charset] + code] = tuple(glyph.rows)
        points[BASES[charset] + code + REVERSE] = tuple(~r & 0xFF for r in glyph.rows)
    for char, key in glyph_source.ascii_glyphs(glyphs).items():
        points[char] = tuple(glyphs[key].rows)
    return points


def outline(rows):
    """The closed contours around the set pixels, as lists of corner points in pixel units
    (x to the right, y up from the cell's bottom). The set pixels lie on the right of every
    edge, so outer contours run clockwise and holes counter-clockwise."""
    def on(x, y):  # pixel whose bottom-left corner is (x, y)
        return 0 <= x < SIZE and 0 <= y < SIZE and rows[SIZE - 1 - y] >> (SIZE - 1 - x) & 1

    edges = {}  # start point -> end points
    for y in range(SIZE):
        for x in range(SIZE):
            if not on(x, y):
                continue
            for start, end, nx, ny in (((x, y + 1), (x + 1, y + 1), x, y + 1),  # top
                                       ((x + 1, y + 1), (x + 1, y), x + 1, y),  # right
                                       ((x + 1, y), (x, y), x, y - 1),  # bottom
                                       ((x, y), (x, y + 1), x - 1, y)):  # left
                if not on(nx, ny):
                    edges.setdefault(start, []).append(end)
    contours = []
    while edges:
        start = min(edges)
        contour, point, heading = [start], start, None
        while True:
            ends = edges[point]
            # Where two regions touch at a corner, turn right: each keeps a contour of its own.
            end = ends[0] if len(ends) == 1 or heading is None else max(
                ends, key=lambda e: right_turn(heading, (e[0] - point[0], e[1] - point[1])))
            ends.remove(end)
            if not ends:
                del edges[point]
            heading = (end[0] - point[0], end[1] - point[1])
            point = end
            if point == start:
                break
            contour.append(point)
        contours.append(corners(contour))
    return contours


def right_turn(heading, step):
    return heading[1] * step[0] - heading[0] * step[1]


def corners(points):
    """The points where the contour changes direction."""
    n = len(points)
    keep = []
    for i, p in enumerate(points):
        before, after = points[i - 1], points[(i + 1) % n]
        if (p[0] - before[0]) * (after[1] - p[1]) != (p[1] - before[1]) * (after[0] - p[0]):
            keep.append(p)
    return keep


def draw(rows):
    pen = TTGlyphPen(None)
    for contour in outline(rows):
        pen.moveTo((contour[0][0] * PIXEL, contour[0][1] * PIXEL - DESCENT))
        for x, y in contour[1:]:
            pen.lineTo((x * PIXEL, y * PIXEL - DESCENT))
        pen.closePath()
    return pen.glyph()


def build(glyphs, licence, face, weight, version):
    points = code_points(glyphs)
    names, shapes = {}, {}
    for cp in sorted(points):
        rows = points[cp]
        if rows not in shapes:
            shapes[rows] = f"p{len(shapes)}"
        names[cp] = shapes[rows]
    order = [".notdef"] + list(shapes.values())
    outlines = {".notdef": TTGlyphPen(None).glyph()}
    outlines.update({name: draw(rows) for rows, name in shapes.items()})
    style = "Bold" if weight == "bold" else "Regular"
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", DEFAULT_EPOCH))

    fb = FontBuilder(EM, isTTF=True)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(names)
    fb.setupGlyf(outlines)
    # Every advance is the cell; the left side bearing is each outline's own left edge, so that
    # rasterisers place it where it was drawn.
    metrics = {}
    for name in order:
        g = fb.font["glyf"][name]
        metrics[name] = (EM, g.xMin if g.numberOfContours else 0)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=EM - DESCENT, descent=-DESCENT)
    copyright = "; ".join(line for line in licence.splitlines()
                          if line.startswith("Copyright"))
    fb.setupNameTable({
        "copyright": copyright,
        "familyName": face,
        "styleName": style,
        "uniqueFontIdentifier": f"{face} {style} {version}",
        "fullName": face if weight == "regular" else f"{face} {style}",
        "version": f"Version {version}",
        "psName": face.replace(" ", "") + "-" + style,
        "licenseDescription": "SIL Open Font License, Version 1.1",
        "licenseInfoURL": "https://openfontlicense.org",
    })
    bold = weight == "bold"
    fb.setupOS2(
        usWeightClass=700 if bold else 400, xAvgCharWidth=EM, sTypoAscender=EM - DESCENT,
        sTypoDescender=-DESCENT, sTypoLineGap=0, usWinAscent=EM - DESCENT, usWinDescent=DESCENT,
        fsSelection=0x0020 if bold else 0x0040, achVendID="QVX ",
        fsType=0,  # installable: the licence lets anyone embed it
        ulUnicodeRange1=0b11, ulUnicodeRange2=1 << (60 - 32),  # Latin, private use
        ulCodePageRange1=1, panose=panose(bold), usFirstCharIndex=0x20)
    fb.setupPost(isFixedPitch=1, keepGlyphNames=False)
    fb.setupHead(unitsPerEm=EM, macStyle=1 if bold else 0, fontRevision=float(
        ".".join(version.split(".")[:2])), created=epoch + MAC_EPOCH, modified=epoch + MAC_EPOCH)
    return fb.font


# Seconds from 1904, where TrueType counts its dates, to 1970.
MAC_EPOCH = 2082844800


def panose(bold):
    from fontTools.ttLib.tables.O_S_2f_2 import Panose
    p = Panose()
    # Latin text, monospaced; the rest "any".
    for field in ("bSerifStyle", "bContrast", "bStrokeVariation", "bArmStyle", "bLetterForm",
                  "bMidline", "bXHeight"):
        setattr(p, field, 0)
    p.bFamilyType, p.bWeight, p.bProportion = 2, 8 if bold else 5, 9
    return p


def main():
    parser = argparse.ArgumentParser(description="Makes a font from the glyph source.")
    parser.add_argument("--face", required=True)
    parser.add_argument("--weight", choices=("bold", "regular"), required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--licence", help="copy the font's licence here")
    parser.add_argument("glyphs")
    parser.add_argument("out")
    args = parser.parse_args()
    licence = pathlib.Path(args.glyphs).with_name("OFL.txt")
    font = build(glyph_source.read(args.glyphs), licence.read_text("utf-8"), args.face,
                 args.weight, args.version)
    font.save(args.out)
    if args.licence:
        shutil.copyfile(licence, args.licence)


if __name__ == "__main__":
    main()
