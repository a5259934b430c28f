"""Reads and writes font/glyphs.txt, the one source of the Commodore characters' pixels.

The file holds screen codes 0x00-0x7F of both character sets, each as a header line and eight
rows of eight pixels ('#' set, '.' clear), top row first:

    set 0 $41 U+2660 ♠ sixtyfour
    ....#...
    ...

The header names the set, the screen code, the Unicode character that stands for the glyph in
text (the first set's ASCII characters are found through it) and, after it, free words for the
reader (where the glyph came from). Lines starting with ';' are comments. Reverse video
(0x80-0xFF) is never stored: it is the exact inverse of its base glyph.
"""
import re

SETS = 2
CODES = 128
SIZE = 8
# The cell of every font made of the source, and of the one it was taken from: the em square,
# eight pixels of 128 units, the bottom row below the baseline.
PIXEL = 128
DESCENT = PIXEL
HEADER = re.compile(r"set ([01]) \$([0-9A-F]{2}) U\+([0-9A-F]{4,6})(?: (.*))?$")


class Glyph:
    def __init__(self, charset, code, unicode, note, rows):
        self.charset, self.code, self.unicode, self.note = charset, code, unicode, note
        self.rows = rows  # eight integers, bit 7 the leftmost pixel

    def pixels(self, reverse=False):
        """Rows of booleans, top first; reverse video inverted."""
        return [[bool(row >> (7 - col) & 1) != reverse for col in range(SIZE)]
                for row in self.rows]


def read(path):
    """The glyphs by (set, code). Raises ValueError naming the line of any fault."""
    glyphs = {}
    lines = open(path, encoding="utf-8").read().splitlines()
    at = 0

    def fault(message):
        raise ValueError(f"{path}:{at + 1}: {message}")

    while at < len(lines):
        line = lines[at]
        if not line.strip() or line.startswith(";"):
            at += 1
            continue
        m = HEADER.match(line)
        if not m:
            fault(f"expected 'set S $CC U+XXXX ...', got {line!r}")
        charset, code = int(m.group(1)), int(m.group(2), 16)
        if code >= CODES:
            fault(f"screen code ${code:02X} is reverse video, which is derived, not stored")
        if (charset, code) in glyphs:
            fault(f"set {charset} ${code:02X} given twice")
        rows = []
        for _ in range(SIZE):
            at += 1
            row = lines[at] if at < len(lines) else ""
            if len(row) != SIZE or set(row) - set(".#"):
                fault(f"expected a row of {SIZE} '.' or '#', got {row!r}")
            rows.append(int(row.replace(".", "0").replace("#", "1"), 2))
        glyphs[(charset, code)] = Glyph(charset, code, int(m.group(3), 16), m.group(4) or "", rows)
        at += 1
    missing = [(s, c) for s in range(SETS) for c in range(CODES) if (s, c) not in glyphs]
    if missing:
        raise ValueError(f"{path}: no glyph for " +
                         ", ".join(f"set {s} ${c:02X}" for s, c in missing[:8]))
    return glyphs


def header(glyph):
    text = f"set {glyph.charset} ${glyph.code:02X} U+{glyph.unicode:04X}"
    return text + (" " + glyph.note if glyph.note else "")


def write(path, glyphs, comments):
    with open(path, "w", encoding="utf-8") as out:
        for line in comments:
            out.write(f"; {line}".rstrip() + "\n")
        for key in sorted(glyphs):
            g = glyphs[key]
            out.write("\n" + header(g) + "\n")
            for row in g.rows:
                out.write(f"{row:08b}".replace("0", ".").replace("1", "#") + "\n")


def ascii_glyphs(glyphs):
    """The ASCII characters drawn with a screen code's glyph: the first set's glyph whose Unicode
    character it is, else the second set's."""
    found = {}
    for charset in range(SETS):
        for code in range(CODES):
            u = glyphs[(charset, code)].unicode
            if 0x20 <= u < 0x7F and u not in found:
                found[u] = (charset, code)
    return found
