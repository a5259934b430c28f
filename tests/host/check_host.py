#!/usr/bin/env python3
"""Runs qvxhost under Wine and checks the JSON it reports.

The viewer texts come back from the rich edit control; before a text is compared with an
expected one, CR LF pairs are turned into single CRs (the one normalisation made, and only where
a comparison says so). The raw text and its line-break counts are checked as reported.
"""

import argparse
import itertools
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

SKIP = 77
WRAP_ON = 0xFFFC0001
VIEWER_STYLE = 0x40300904
WS_VISIBLE = 0x10000000
TEXT_COLOR = 0x00FF8FA2
BACK_COLOR = 0x00ED4960
FACE = "C64 Pro Mono"
DISPLAY_FONT_FILE = "C64_Pro_Mono-STYLE.ttf"
SHIPPED_FACE = "QVX Mono"
SHIPPED_FONT_FILE = "QVX-Mono.ttf"
DETECT = (
    'EXT="D64" | EXT="D71" | EXT="D80" | EXT="D81" | EXT="D82" | EXT="G64" | '
    'EXT="PRG" | EXT="SEQ" | EXT="USR" | EXT="P00" | EXT="S00" | EXT="U00" | EXT="R00"'
)

# Image files written by host_make_images: (file, type name, carries error bytes).
IMAGES = [
    ("d64.d64", "D64 35-TRACK", False), ("d64-errors.d64", "D64 35-TRACK", True),
    ("d64x40.d64", "D64 40-TRACK", False), ("d64x40-errors.d64", "D64 40-TRACK", True),
    ("d71.d71", "D71", False), ("d71-errors.d71", "D71", True),
    ("d80.d80", "D80", False), ("d80-errors.d80", "D80", True),
    ("d81.d81", "D81", False), ("d81-errors.d81", "D81", True),
    ("d82.d82", "D82", False), ("d82-errors.d82", "D82", True),
    ("g64.g64", "G64 35-TRACK", True),
]
# Images in folders named outside the Western code page (Cyrillic, Japanese), written as well.
FOREIGN_IMAGES = [
    ("\u041e\u0431\u0440\u0430\u0437\u044b/d64.d64", "D64 35-TRACK", False),
    ("\u30c7\u30a3\u30b9\u30af/d81-errors.d81", "D81", True),
]


# Growth allowed over the repeated loads after the first (memory of caches, not of windows).
HEAP_GROWTH_LIMIT = 64 * 1024
COMMITTED_GROWTH_LIMIT = 1024 * 1024
NEXT_ITERATIONS = 200


class Failure(Exception):
    pass


class Checker:
    def __init__(self):
        self.failures = []

    def eq(self, what, got, want):
        if got != want:
            self.failures.append(f"{what}: got {got!r}, expected {want!r}")
        return got == want

    def true(self, what, cond, detail=""):
        if not cond:
            self.failures.append(f"{what}{': ' + detail if detail else ''}")
        return bool(cond)

    def finish(self):
        for f in self.failures:
            print("FAIL:", f)
        if self.failures:
            sys.exit(1)
        print("ok")


def winpath(path):
    """The Wine name of a Linux path (drive Z: is the root of a fresh prefix)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def western(text):
    """Text through the Western ANSI code page (Wine's under a C or English locale) and back, as
    ListLoad's names and the debugger output's lines come: what it lacks becomes '?'."""
    return text.encode("cp1252", errors="replace").decode("cp1252")


def keep_wineserver():
    """Keeps the prefix's Wine server up between the runs of one test (each would start it)."""
    env = dict(os.environ)
    env["WINEPREFIX"] = os.environ.get("QVX_WINEPREFIX") or os.environ.get(
        "WINEPREFIX") or os.path.expanduser("~/.wine-qvx")
    # Its output must not be the test's: the server outlives us and the caller waits for EOF.
    subprocess.run(["wineserver", "-p5"], env=env, check=False, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def run_host(args, opts, expect_rc=0):
    cmd = [opts.runner, opts.host] + args
    # Files, not pipes: Wine's helper processes inherit the output handles and would keep a pipe
    # open (and the caller waiting) for seconds after the program itself has ended.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                              timeout=600).returncode
        out.seek(0)
        err.seek(0)
        proc = subprocess.CompletedProcess(cmd, code, out.read(), err.read())
    if expect_rc is not None and proc.returncode != expect_rc:
        raise Failure(f"{' '.join(cmd)} exited {proc.returncode}, expected {expect_rc}\n"
                      f"stderr: {proc.stderr.decode(errors='replace')}")
    return proc


def run_json(args, opts):
    proc = run_host(args, opts)
    try:
        return json.loads(proc.stdout.decode("utf-8"))
    except (UnicodeDecodeError, json.JSONDecodeError) as e:
        raise Failure(f"qvxhost printed no valid UTF-8 JSON: {e}\n{proc.stdout[:400]!r}")


def crlf_to_cr(text):
    return text.replace("\r\n", "\r")


def font(text, charset=0, reverse=False):
    """Font code points of ASCII text, the way the viewer converts its own words."""
    base = 0xEF00 if charset else 0xEE00
    out = []
    for ch in text:
        b = ord(ch) & 0xFF
        if b < 0x20 or 0x80 <= b < 0xA0:
            s = 0
        elif b < 0x40:
            s = b
        elif b < 0x60:
            s = b - 0x40
        elif b < 0x80:
            s = b - 0x20
        elif b < 0xC0:
            s = b - 0x40
        elif b < 0xFF:
            s = b - 0x80
        else:
            s = 0x5E
        out.append(chr(base + s + (0x80 if reverse else 0)))
    return "".join(out)


def second_charset(text):
    """The same listing drawn with the second character set."""
    return "".join(chr(ord(c) + 0x100) if 0xEE00 <= ord(c) <= 0xEEFF else c for c in text)


def check_raw_text(c, where, view):
    """The reported line-break counts must describe the reported text."""
    t = view["text"]
    crlf = t.count("\r\n")
    c.eq(f"{where} CRLF count", view["lineBreaks"]["crlf"], crlf)
    c.eq(f"{where} CR count", view["lineBreaks"]["cr"], t.count("\r") - crlf)
    c.eq(f"{where} LF count", view["lineBreaks"]["lf"], t.count("\n") - crlf)
    c.eq(f"{where} length", view["length"], len(t.encode("utf-16-le")) // 2)


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise Failure(f"{path} is not a BMP")
    offset, = struct.unpack_from("<I", data, 10)
    width, height, planes, bits = struct.unpack_from("<iiHH", data, 18)
    stride = (width * 3 + 3) & ~3
    return data, offset, width, height, bits, stride


def bmp_pixel(bmp, x, y):
    data, offset, width, height, bits, stride = bmp
    p = offset + stride * (height - 1 - y) + 3 * x
    b, g, r = data[p], data[p + 1], data[p + 2]
    return r | (g << 8) | (b << 16)


def check_creation(c, where, w, style):
    """The window as ListLoad asked for it, and as it is now."""
    made = w["creation"]
    if not c.true(f"{where} creation recorded", made is not None):
        return
    c.eq(f"{where} created class", made["className"], "RichEdit")
    c.eq(f"{where} created style", made["style"], style)
    c.eq(f"{where} created ex style", made["exStyle"], 0)
    c.eq(f"{where} created text", made["windowName"], "")
    c.eq(f"{where} created in the frame", made["parentIsFrame"], True)
    c.eq(f"{where} created over the client area",
         (made["x"], made["y"], made["width"], made["height"]),
         (0, 0, w["frameClient"]["width"], w["frameClient"]["height"]))
    # Class names are case-insensitive; Wine registers the class as "RICHEDIT".
    c.eq(f"{where} class", w["className"].casefold(), "richedit")
    # The control drops WS_HSCROLL and WS_VSCROLL while it shows no scroll bar.
    scroll = 0x00300000
    c.eq(f"{where} style now", w["style"] & ~scroll, (style | WS_VISIBLE) & ~scroll)
    c.eq(f"{where} ex style now", w["exStyle"], 0)


# ---------------------------------------------------------------- the host itself

def test_usage(opts):
    c = Checker()
    image = winpath(os.path.join(opts.images, "d64.d64"))
    p = run_host([], opts, expect_rc=None)
    c.eq("no arguments: exit status", p.returncode, 2)
    c.true("no arguments: message", b"no image given" in p.stderr, p.stderr.decode(errors="replace"))
    p = run_host(["--toggles", "x", image], opts, expect_rc=None)
    c.eq("bad number: exit status", p.returncode, 2)
    c.true("bad number: message", b"--toggles needs a number" in p.stderr)
    p = run_host(["--frobnicate", "1", image], opts, expect_rc=None)
    c.eq("unknown option: exit status", p.returncode, 2)
    for value in ("10x10", "10:x.bmp", "x10:x.bmp", "10x10:", "10x-1:x.bmp"):
        p = run_host(["--preview", value, image], opts, expect_rc=None)
        c.eq(f"--preview {value}: exit status", p.returncode, 2)
        c.true(f"--preview {value}: message", b"--preview needs" in p.stderr,
               p.stderr.decode(errors="replace"))
    # A module without thumbnails: nothing to call, no picture.
    r = run_json(["--plugin", winpath(opts.plugin), "--preview", "10x10:x.bmp", image], opts)
    c.eq("no thumbnail entry point", r["images"][0]["preview"]["entryPoint"], None)
    c.eq("no thumbnail", r["images"][0]["preview"]["bitmap"], None)
    missing = winpath(os.path.join(opts.work, "no-such-plugin.wlx"))
    p = run_host(["--plugin", missing, image], opts, expect_rc=None)
    c.eq("missing plug-in: exit status", p.returncode, 3)
    c.true("missing plug-in: message", b"cannot load the plug-in" in p.stderr,
           p.stderr.decode(errors="replace"))
    c.eq("missing plug-in: nothing on stdout", p.stdout, b"")
    # A module that loads but lacks the exports: the host program itself.
    p = run_host(["--plugin", winpath(opts.host), image], opts, expect_rc=None)
    c.eq("module without exports: exit status", p.returncode, 3)
    c.true("module without exports: message", b"does not export ListLoad" in p.stderr,
           p.stderr.decode(errors="replace"))
    p = run_host(["--help"], opts, expect_rc=None)
    c.eq("--help: exit status", p.returncode, 0)
    c.true("--help: usage", p.stdout.startswith(b"usage: qvxhost"))
    for bad, message in (("1:HELLO", "needs STEP:FLAGS:TEXT"), ("x:1:HELLO", "STEP is no number"),
                         ("0:2y:HELLO", "FLAGS is no number")):
        p = run_host(["--find", bad, image], opts, expect_rc=None)
        c.eq(f"--find {bad}: exit status", p.returncode, 2)
        c.eq(f"--find {bad}: message", p.stderr.decode(errors="replace").splitlines()[:1],
             [f"qvxhost: --find {bad}: {message}"])
    # A plug-in without ListLoadNext and ListSearchText: the host opens the next image anew and
    # has nothing to search with, as file managers do.
    other = winpath(os.path.join(opts.images, "d81.d81"))
    r = run_json(["--plugin", winpath(opts.plugin), "--next", other, "--find", "1:1:HELLO", image],
                 opts)
    nxt = r["images"][0]["next"][0]
    c.eq("without ListLoadNext: entry point and result", (nxt["entryPoint"], nxt["result"]),
         (None, None))
    c.eq("without ListLoadNext: opened anew", (nxt["fallback"], nxt["sameWindow"]), (True, False))
    c.eq("without ListLoadNext: the new window's view", crlf_to_cr(nxt["views"][0]["text"]),
         crlf_to_cr(fake_text(0)))
    find = nxt["views"][0]["finds"][0]
    c.eq("without ListSearchText", (find["entryPoint"], find["result"], find["beeps"]),
         (None, None, None))
    c.finish()


def fake_text(view):
    return f"fake view {view}\rsecond line\r\n\u00e9\uee01\r"


def test_fake_views(opts):
    c = Checker()
    plugin = winpath(opts.plugin)
    shots = os.path.join(opts.work, "fake-shots")
    os.makedirs(shots, exist_ok=True)
    files = [winpath(os.path.join(opts.images, n)) for n in ("d64.d64", "caf\u00e9.d64")]
    r = run_json(["--plugin", plugin, "--flags", "-1", "--toggles", "4",
                  "--screenshot", winpath(os.path.join(shots, "shot.bmp"))] + files, opts)

    c.eq("plug-in path", r["plugin"]["path"], plugin)
    c.eq("a module without ListLoadW is opened through ListLoad", r["plugin"]["loadEntryPoint"],
         "ListLoad")
    c.eq("DLL directory", r["plugin"]["dllDirectory"], plugin.rsplit("\\", 1)[0])
    c.eq("start-up trace", r["trace"],
         ["QVX: AttachProcess - dll path is " + r["plugin"]["dllDirectory"]])
    d = r["detectString"]
    c.eq("detect string", d["text"], 'EXT="FAKE"')
    c.eq("detect bytes", d["bytes"], list(b'EXT="FAKE"'))
    c.eq("detect bytes written", d["bytesWritten"], 11)
    c.eq("image count", len(r["images"]), 2)
    c.eq("unload trace", r["unloadTrace"], [])

    for i, (img, name) in enumerate(zip(r["images"], files)):
        where = f"image {i}"
        c.eq(f"{where} file", img["file"], name)
        c.eq(f"{where} ANSI name exact", img["ansiExact"], True)
        c.eq(f"{where} flags", img["flags"], -1)
        w = img["window"]
        check_creation(c, where, w, VIEWER_STYLE)
        c.eq(f"{where} user data", w["userDataSet"], True)
        c.eq(f"{where} parent", w["parentIsFrame"], True)
        c.eq(f"{where} rect", (w["rect"]["width"], w["rect"]["height"]),
             (w["frameClient"]["width"], w["frameClient"]["height"]))
        c.eq(f"{where} end face", w["charFormat"]["end"]["face"], "Courier New")
        c.eq(f"{where} end colour", w["charFormat"]["end"]["textColor"], 0x112233)
        c.eq(f"{where} background", w["backgroundColor"], 0x445566)
        c.eq(f"{where} background pixel", (w["backgroundPixel"] or {}).get("color"), 0x445566)
        views = img["views"]
        c.eq(f"{where} view count", len(views), 5)
        for k, v in enumerate(views):
            check_raw_text(c, f"{where} view {k}", v)
            c.eq(f"{where} view {k} text", crlf_to_cr(v["text"]),
                 crlf_to_cr(fake_text([0, 1, 2, 0, 1][k])))
        c.eq(f"{where} results", [v["result"] for v in views], [None, 0, 0, 0, 0])
        c.eq(f"{where} parameters", [v["parameter"] for v in views], [None, 0, 1, 0, 1])
        c.eq(f"{where} notifications",
             [(n["step"], n["wParam"], n["lParamIsWindow"]) for n in img["notifications"]],
             [(0, WRAP_ON, True)])
        c.eq(f"{where} closed", img["isWindowAfterClose"], False)
        want = ([f"QVX: ListLoad - called for '{name}'; flags=-1"] +
                [f"QVX: burst {n}" for n in range(300)] +
                [f"QVX: ListSendCommand - c=2, p={p}" for p in (0, 1, 0, 1)] +
                ["QVX: ListCloseCommand"])
        c.eq(f"{where} trace", img["trace"], want)
        for k, v in enumerate(views):
            path = os.path.join(shots, f"shot-{i}-{k}.bmp")
            c.eq(f"{where} view {k} screenshot name", v.get("screenshot"), winpath(path))
            if not c.true(f"{where} view {k} screenshot exists", os.path.exists(path), path):
                continue
            bmp = read_bmp(path)
            c.eq(f"{path} size", (bmp[2], bmp[3]),
                 (w["frameClient"]["width"], w["frameClient"]["height"]))
            c.eq(f"{path} bits", bmp[4], 24)
            px = w["backgroundPixel"]
            c.eq(f"{path} background pixel", bmp_pixel(bmp, px["x"], px["y"]), 0x445566)
    c.finish()


def test_fake_repeat(opts):
    c = Checker()
    plugin = winpath(opts.plugin)
    n = 200
    image = winpath(os.path.join(opts.images, "d64.d64"))
    leak = winpath(os.path.join(opts.work, "leak.d64"))
    r = run_json(["--plugin", plugin, "--repeat", str(n), image, leak], opts)
    good, bad = (img["repeat"] for img in r["images"])
    # The burst of the first load of a file fell into the single run before the repetitions.
    per_load = 1 + 1 + 1
    for where, rep in (("clean", good), ("leaking", bad)):
        c.eq(f"{where} iterations", rep["iterations"], n)
        c.eq(f"{where} switch results", rep["switchResults"], {"0": n})
        c.eq(f"{where} wrap notifications", rep["wrapNotifications"], n)
        c.eq(f"{where} trace lines", rep["traceLines"], n * per_load)
        c.eq(f"{where} trace counts", rep["iterationsWithOtherTraceCount"], 0)
        c.eq(f"{where} first trace", len(rep["firstIterationTrace"]), per_load)
        for phase in ("listLoad", "viewSwitch"):
            t = rep[phase]
            c.eq(f"{where} {phase} samples", t["samples"], n)
            c.true(f"{where} {phase} median <= p95 <= max",
                   0 <= t["medianMicroseconds"] <= t["p95Microseconds"] <= t["maxMicroseconds"])
    gu, bu = good["usage"], bad["usage"]
    # A process with a window and a rich edit control holds GDI objects and windows: a zero
    # would mean the count is not available, and "flat" would prove nothing.
    c.true("GDI objects counted", gu["afterFirst"]["gdiObjects"] > 0, str(gu))
    c.true("windows counted", gu["afterFirst"]["userObjects"] > 0, str(gu))
    c.eq("clean: windows left", good["windowsLeftOpen"], 0)
    c.eq("clean: GDI flat", gu["final"]["gdiObjects"], gu["afterFirst"]["gdiObjects"])
    c.eq("clean: USER flat", gu["final"]["userObjects"], gu["afterFirst"]["userObjects"])
    c.true("clean: heap growth small",
           gu["final"]["heapBusyBytes"] - gu["afterFirst"]["heapBusyBytes"] < 64 * 1024,
           str(gu))
    # The leaking fake keeps a window, a brush and 64 KiB per load: every count must show it.
    c.eq("leaking: windows left", bad["windowsLeftOpen"], n)
    c.true("leaking: GDI grows", bu["final"]["gdiObjects"] - bu["afterFirst"]["gdiObjects"] >= n - 1,
           str(bu))
    c.true("leaking: USER grows",
           bu["final"]["userObjects"] - bu["afterFirst"]["userObjects"] >= n - 1, str(bu))
    c.true("leaking: heap grows",
           bu["final"]["heapBusyBytes"] - bu["afterFirst"]["heapBusyBytes"] >= (n - 1) * 65536,
           str(bu))
    c.true("leaking: committed memory grows",
           bu["final"]["privateCommitted"] - bu["afterFirst"]["privateCommitted"]
           >= (n - 1) * 65536, str(bu))
    c.finish()


# ---------------------------------------------------------------- the real plug-in

CFM_COLOR = 0x40000000
CFM_FACE = 0x20000000


def listing_tail(type_name, errors, charset=0):
    """The last two lines of a listing: disk type and error info."""
    variant = "(UNKNOWN)" if type_name == "D64 40-TRACK" else ""
    # A G64 tells how many of its sectors failed: host_make_images damages one.
    info = ("1 BAD SECTOR" if type_name.startswith("G64") else "YES") if errors else "NO"
    return (font(f"DISK TYPE: {type_name} {variant}", charset) + "\r" +
            font("ERROR INFO: " + info, charset) + "\r")


def view_cycle(errors, toggles=4):
    """The view shown after load and after each change of the wrap bit."""
    last = 3 if errors else 2
    views, v = [0], 0
    for _ in range(toggles):
        v = 0 if v == last else v + 1
        views.append(v)
    return views


def plugin_run(opts, files, extra=()):
    ansi = ["--ansi"] if getattr(opts, "ansi", False) else []
    return run_json(["--plugin", winpath(opts.plugin), "--toggles", "4"] + ansi + list(extra) +
                    [winpath(f) for f in files], opts)


def split_trace(c, where, trace, name, flags_hex, sends, quiet_views=True):
    """Checks the fixed lines of one open-switch-close run; returns the readers' lines (those
    between ListLoad's own lines and the first command)."""
    if not c.true(f"{where} trace long enough", len(trace) >= 3 + len(sends), repr(trace)):
        return []
    c.eq(f"{where} trace line 1", trace[0],
         f"QVX: ListLoad - called for '{name}'; flags=${flags_hex}")
    c.true(f"{where} trace line 2", re.fullmatch(r"QVX: ListLoad - AddFont=-?\d+", trace[1]),
           repr(trace[1]))
    c.eq(f"{where} last trace line", trace[-1], "QVX: ListCloseCommand")
    command = "QVX: ListSendCommand - "
    first = next((i for i, l in enumerate(trace) if l.startswith(command)), len(trace) - 1)
    after = trace[first:-1]
    c.eq(f"{where} commands traced", [l for l in after if l.startswith(command)],
         [f"{command}c=$2, p=${p}" for p in sends])
    if quiet_views:
        # Switching views of a readable image reads nothing and reports nothing.
        c.eq(f"{where} nothing else traced while switching",
             [l for l in after if not l.startswith(command)], [])
    return trace[2:first]


def expected_face(plugin):
    """The display font when it lies beside the module, else QVX Mono when that does, else the
    display font's face all the same."""
    folder = os.path.dirname(os.path.abspath(plugin))
    if os.path.exists(os.path.join(folder, DISPLAY_FONT_FILE)):
        return FACE
    return SHIPPED_FACE if os.path.exists(os.path.join(folder, SHIPPED_FONT_FILE)) else FACE


def check_plugin_window(c, where, img, face):
    w = img["window"]
    if not c.true(f"{where} window", w is not None):
        return
    check_creation(c, where, w, VIEWER_STYLE)
    c.eq(f"{where} user data", w["userDataSet"], True)
    c.eq(f"{where} visible", w["visible"], True)
    f = w["charFormat"]["wholeText"]
    c.eq(f"{where} face and colour the same over the whole text",
         f["mask"] & (CFM_COLOR | CFM_FACE), CFM_COLOR | CFM_FACE)
    c.eq(f"{where} face", f["face"], face)
    c.eq(f"{where} face reported", w["face"], face)
    c.eq(f"{where} text colour", f["textColor"], TEXT_COLOR)
    c.eq(f"{where} automatic colour", f["autoColor"], False)
    c.eq(f"{where} background", w["backgroundColor"], BACK_COLOR)
    c.eq(f"{where} background on screen", (w["backgroundPixel"] or {}).get("color"), BACK_COLOR)
    c.eq(f"{where} notifications",
         [(n["step"], n["wParam"], n["lParamIsWindow"]) for n in img["notifications"]],
         [(0, WRAP_ON, True)])
    c.eq(f"{where} destroyed by ListCloseWindow", img["isWindowAfterClose"], False)


def test_plugin_views(opts):
    c = Checker()
    kinds = IMAGES + [("caf\u00e9.d64", "D64 35-TRACK", False), ("short.d64", None, False)]
    kinds += FOREIGN_IMAGES
    files = [os.path.join(opts.images, f) for f, _, _ in kinds]
    r = plugin_run(opts, files)

    d = r["detectString"]
    c.eq("detect string", d["text"], DETECT)
    c.eq("detect string bytes", d["bytes"], list(DETECT.encode("ascii")))
    c.eq("detect string length", d["length"], 153)
    c.eq("detect string bytes written, terminator included", d["bytesWritten"], 154)
    c.eq("DLL directory", r["plugin"]["dllDirectory"], winpath(opts.plugin).rsplit("\\", 1)[0])
    c.eq("start-up trace", r["trace"],
         ["QVX: AttachProcess - dll path is " + r["plugin"]["dllDirectory"]])
    c.eq("nothing traced at unload", r["unloadTrace"], [])
    c.eq("images reported", len(r["images"]), len(files))
    c.eq("load entry point", r["plugin"]["loadEntryPoint"], "ListLoad" if opts.ansi else "ListLoadW")

    for img, path, (fname, type_name, errors) in zip(r["images"], files, kinds):
        where = fname
        c.eq(f"{where} file", img["file"], winpath(path))
        ansi_name = western(winpath(path))
        c.eq(f"{where} name in the ANSI code page", img["ansiFile"], ansi_name)
        lost = ansi_name != winpath(path)
        c.eq(f"{where} ANSI name exact", img["ansiExact"], not lost)
        if opts.ansi and lost:
            # The name arrives with question marks: no such file, a window with empty listings.
            type_name, errors = None, False
        check_plugin_window(c, where, img, expected_face(opts.plugin))
        views = img["views"]
        if not c.eq(f"{where} views", len(views), 5):
            continue
        for k, v in enumerate(views):
            check_raw_text(c, f"{where} step {k}", v)
        c.eq(f"{where} results", [v["result"] for v in views], [None, 0, 0, 0, 0])
        # The debugger output is 8-bit: whatever the entry point, the name shows as in ANSI.
        readers = split_trace(c, where, img["trace"], ansi_name, "0", [0, 1, 0, 1],
                              quiet_views=type_name is not None)
        if opts.ansi and lost:
            c.eq(f"{where} readers' trace", readers[:2],
                 ["QVX: setType - disk file not supprted",
                  f"QVX: getDirEntries - can't determine file type for <{ansi_name}>\n"])
        texts = [crlf_to_cr(v["text"]) for v in views]
        cycle = view_cycle(errors)
        by_view = {}
        for k, v in enumerate(cycle):
            if v in by_view:
                c.eq(f"{where} step {k} shows view {v} again", texts[k], by_view[v])
            by_view.setdefault(v, texts[k])
        if type_name is None:
            c.eq(f"{where} empty listing", by_view[0], "")
            c.eq(f"{where} empty second listing", by_view[1], "")
            continue
        c.true(f"{where} listing starts with the header line", by_view[0].startswith("\r0 "),
               repr(by_view[0][:20]))
        c.true(f"{where} listing ends with type and error info",
               by_view[0].endswith(listing_tail(type_name, errors)), repr(by_view[0][-60:]))
        c.eq(f"{where} second listing", by_view[1], second_charset(by_view[0]))
        c.true(f"{where} BAM map", by_view[2].startswith("BAM\r     SEC"), repr(by_view[2][:20]))
        if errors:
            c.true(f"{where} error map", by_view[3].startswith("ERROR MAP\r     SEC"),
                   repr(by_view[3][:20]))
    c.finish()


def test_plugin_flags(opts):
    c = Checker()
    image = os.path.join(opts.images, "d64.d64")
    base = None
    for flags, hex_text in (("-1", "FFFFFFFFFFFFFFFF"), ("0x12AB", "12AB"), ("0", "0")):
        r = plugin_run(opts, [image], ["--flags", flags])
        img = r["images"][0]
        where = f"flags {flags}"
        check_plugin_window(c, where, img, expected_face(opts.plugin))
        split_trace(c, where, img["trace"], winpath(image), hex_text, [0, 1, 0, 1])
        texts = [crlf_to_cr(v["text"]) for v in img["views"]]
        if base is None:
            base = texts
        c.eq(f"{where}: the same views as with other flags", texts, base)
    c.finish()


def need_native(opts):
    if not opts.qvx or not os.access(opts.qvx, os.X_OK):
        print(f"SKIP: no native qvx at {opts.qvx}; build the native preset first")
        sys.exit(SKIP)


def native(opts, args):
    return subprocess.run([opts.qvx] + args, capture_output=True, timeout=60)


def test_plugin_native(opts):
    need_native(opts)
    c = Checker()
    kinds = IMAGES + [("caf\u00e9.d64", "D64 35-TRACK", False)]
    files = [os.path.join(opts.images, f) for f, _, _ in kinds]
    r = plugin_run(opts, files)
    compared = 0
    for img, path, (fname, _, errors) in zip(r["images"], files, kinds):
        readers = split_trace(c, fname, img["trace"], winpath(path), "0", [0, 1, 0, 1])
        for k, (view, shown) in enumerate(zip(view_cycle(errors), img["views"])):
            p = native(opts, ["--raw", "--view", str(view), path])
            if not c.eq(f"{fname} qvx --view {view} exit status", p.returncode, 0):
                continue
            c.eq(f"{fname} step {k}: the window's text (CR LF as CR) is qvx --raw --view {view}",
                 crlf_to_cr(shown["text"]), p.stdout.decode("utf-8"))
            compared += 1
        p = native(opts, ["--trace", "--raw", path])
        # qvx ends each trace line with a line feed of its own on standard error.
        c.eq(f"{fname} readers' trace is qvx --trace", "".join(l + "\n" for l in readers),
             p.stderr.decode("utf-8"))
    c.eq("views compared with qvx", compared, 5 * len(kinds))
    c.finish()


def test_plugin_repeat(opts):
    c = Checker()
    n = opts.iterations
    files = [os.path.join(opts.images, f) for f in ("d64-errors.d64", "d82-errors.d82")]
    # Fewer next images: a record kept each time would still exceed the heap bound many times.
    r = run_json(["--plugin", winpath(opts.plugin), "--repeat", str(n), "--repeat-next",
                  str(NEXT_ITERATIONS)] + [winpath(f) for f in files], opts)
    for img, path in zip(r["images"], files):
        where = os.path.basename(path)
        rep = img["repeat"]
        c.eq(f"{where} iterations", rep["iterations"], n)
        c.eq(f"{where} windows", rep["nullWindows"], 0)
        c.eq(f"{where} windows left open", rep["windowsLeftOpen"], 0)
        c.eq(f"{where} view switches handled", rep["switchResults"], {"0": n})
        c.eq(f"{where} notifications", (rep["wrapNotifications"], rep["otherNotifications"]),
             (n, 0))
        c.eq(f"{where} the same trace every time", rep["iterationsWithOtherTraceCount"], 0)
        split_trace(c, where, rep["firstIterationTrace"], winpath(path), "0", [0])
        u = rep["usage"]
        first, last = u["afterFirst"], u["final"]
        print(f"{where}: {n} loads; GDI {first['gdiObjects']} -> {last['gdiObjects']}, "
              f"USER {first['userObjects']} -> {last['userObjects']}, heap "
              f"{first['heapBusyBytes']} -> {last['heapBusyBytes']}, committed "
              f"{first['privateCommitted']} -> {last['privateCommitted']}, pagefile "
              f"{first['pagefileUsage']} -> {last['pagefileUsage']}")
        for phase in ("listLoad", "viewSwitch"):
            t = rep[phase]
            print(f"{where}: {phase} median {t['medianMicroseconds']:.0f} us, "
                  f"95th percentile {t['p95Microseconds']:.0f} us")
            c.eq(f"{where} {phase} samples", t["samples"], n)
        c.true(f"{where} GDI objects counted", first["gdiObjects"] > 0, str(first))
        c.true(f"{where} windows counted", first["userObjects"] > 0, str(first))
        c.eq(f"{where} GDI objects flat", last["gdiObjects"], first["gdiObjects"])
        c.eq(f"{where} USER objects flat", last["userObjects"], first["userObjects"])
        # A window's record with its texts is kilobytes: leaking it, or a text, on every load
        # would exceed these bounds many times over.
        heap = last["heapBusyBytes"] - first["heapBusyBytes"]
        committed = last["privateCommitted"] - first["privateCommitted"]
        c.true(f"{where} heap growth {heap} bytes", heap < HEAP_GROWTH_LIMIT)
        c.true(f"{where} committed memory growth {committed} bytes",
               committed < COMMITTED_GROWTH_LIMIT)
        # The next image in one window: each one's record replaces the last.
        nexts = rep["listLoadNext"]
        t = nexts["timing"]
        print(f"{where}: ListLoadNext median {t['medianMicroseconds']:.0f} us, "
              f"95th percentile {t['p95Microseconds']:.0f} us")
        c.eq(f"{where} ListLoadNext samples", t["samples"], NEXT_ITERATIONS)
        c.eq(f"{where} ListLoadNext answers", nexts["results"], {"0": NEXT_ITERATIONS + 1})
        first, last = nexts["usage"]["afterFirst"], nexts["usage"]["final"]
        c.eq(f"{where} ListLoadNext: GDI objects flat", last["gdiObjects"], first["gdiObjects"])
        c.eq(f"{where} ListLoadNext: USER objects flat", last["userObjects"], first["userObjects"])
        heap = last["heapBusyBytes"] - first["heapBusyBytes"]
        c.true(f"{where} ListLoadNext: heap growth {heap} bytes", heap < HEAP_GROWTH_LIMIT)
    c.finish()


# ---------------------------------------------------------------- find, copy, the next image

FIRST, CASE, WORDS, BACK = 1, 2, 4, 8
# The name with graphics that host_make_images writes, as its bytes and as the first set reads it.
GRAPHICS_NAME = "\xd3SPLAT\xc2"
GRAPHICS_READ = "\u2665SPLAT\U0001FB72"

# (step, parameter, typed text, what must be selected as the window holds it, which occurrence of
# that in the view's text from its start (-1 the last), or None for no match). Steps 0 to 3 show
# views 0 to 3 of an image with error bytes; the selection after a miss stays where it was.
FIND_CASES = [
    (0, 0, "DATA", font("DATA"), 0, "a find next for a text never seen, from the caret"),
    (0, FIRST, "HELLO", font("HELLO"), 0, "a name from the top"),
    (0, 0, "HELLO", font("HELLO"), 1, "the next one, in HELLO AGAIN"),
    (0, 0, "HELLO", None, None, "no third one"),
    (0, FIRST, "prg", font("PRG"), 0, "small letters in the first set"),
    (0, 0, "PRG", font("PRG"), 1, "next"),
    (0, 0, "PRG", font("PRG"), 2, "next again"),
    (0, BACK, "PRG", font("PRG"), 1, "previous"),
    (0, FIRST | CASE, "hello", font("HELLO"), 0, "match case with one case shown"),
    (0, FIRST | WORDS, "DATA", font("DATA"), 0, "a whole word"),
    (0, FIRST | WORDS, "DAT", None, None, "part of a word"),
    (0, FIRST, GRAPHICS_READ, font(GRAPHICS_NAME), 0, "a name with graphics"),
    (0, FIRST | WORDS, "SPLAT", font("SPLAT"), 0, "a whole word between graphics"),
    (0, FIRST, "{", None, None, "no screen code shows a brace"),
    (0, FIRST | BACK, "PRG", font("PRG"), -1, "backwards from the last line shown"),
    (1, FIRST | CASE, "notes", font("NOTES", 1), 0, "small letters in the second set"),
    (1, FIRST | CASE, "NOTES", None, None, "no capitals there"),
    (1, FIRST, "NOTES", font("NOTES", 1), 0, "either case without match case"),
    (2, FIRST, "001:", "001:", 0, "the BAM map"),
    (3, FIRST, "15", "15", 0, "digits of the error map"),
]


def nth(text, part, n):
    """Where the n-th occurrence of part begins in text (-1: the last)."""
    places = [i for i in range(len(text)) if text.startswith(part, i)]
    return places[n] if places else None


def line_and_column(text, position):
    before = text[:position].replace("\r\n", "\r")
    return before.count("\r") + 1, len(before) - before.rfind("\r")


def find_args(cases):
    return [a for step, flags, typed, *_ in cases for a in ("--find", f"{step}:{flags}:{typed}")]


def check_finds(c, where, views, cases):
    """Every find of cases against the views it ran in; returns the trace lines they should
    have written (None for a line that names a text outside the code page)."""
    want_trace = []
    selection = {}
    by_step = {v["step"]: v for v in views}
    done = {step: iter(by_step[step].get("finds", [])) for step in by_step}
    for step, flags, typed, selected, n, what in cases:
        f = next(done[step], None)
        at = f"{where} step {step} {what}"
        if not c.true(f"{at}: reported", f is not None):
            continue
        c.eq(f"{at}: flags and text", (f["flags"], f["text"]), (flags, typed))
        text = by_step[step]["text"]
        want_trace.append(f"QVX: ListSearchText - called for '{typed}'; flags=${flags:X}"
                          if typed.isascii() else None)
        if selected is None:
            c.eq(f"{at}: result", f["result"], 1)
            c.eq(f"{at}: one beep", f["beeps"], 1)
            if step in selection:
                c.eq(f"{at}: the selection stays", f["selection"], selection[step])
            want_trace.append("QVX: ListSearchText - not found")
            continue
        begin = nth(text, selected, n)
        want = {"begin": begin, "end": None if begin is None else begin + len(selected)}
        c.eq(f"{at}: result", f["result"], 0)
        c.eq(f"{at}: no beep", f["beeps"], 0)
        c.eq(f"{at}: selection", f["selection"], want)
        c.eq(f"{at}: selected", f["selected"], selected)
        selection[step] = f["selection"]
        if begin is not None:
            line, column = line_and_column(text, begin)
            c.true(f"{at}: scrolled to", f["firstVisibleLine"] <= line - 1, str(f))
            want_trace.append(f"QVX: ListSearchText - found at line {line}, column {column}")
    return want_trace


def check_search_trace(c, where, trace, want):
    got = [l for l in trace if l.startswith("QVX: ListSearchText - ")]
    call = "QVX: ListSearchText - called for '"
    filled = [w if w is not None else g if g and g.startswith(call) else call + "..."
              for g, w in itertools.zip_longest(got, want)]
    c.eq(f"{where}: the searches' trace", got, filled)


def test_plugin_find(opts):
    c = Checker()
    ansi = getattr(opts, "ansi", False)
    # The 8-bit entry point gets what the code page has of the text: not the graphics.
    cases = [k for k in FIND_CASES if not (ansi and k[2] != western(k[2]))]
    image = os.path.join(opts.images, "d64-errors.d64")
    r = plugin_run(opts, [image], ["--toggles", "3"] + find_args(cases))
    img = r["images"][0]
    c.eq("search entry point", {f["entryPoint"] for v in img["views"] for f in v.get("finds", [])},
         {"ListSearchText" if ansi else "ListSearchTextW"})
    want = check_finds(c, "d64-errors.d64", img["views"], cases)
    check_search_trace(c, "d64-errors.d64", img["trace"], want)

    # A map longer than the window: a match below it scrolls, and find first starts at the first
    # line shown, so a match above it is only found backwards from the selection.
    image = os.path.join(opts.images, "d82-errors.d82")
    scrolling = [(3, FIRST, "150:", "150:", 0, "a row far down"),
                 (3, FIRST, "001:", None, None, "find first below the top"),
                 (3, BACK, "001:", "001:", 0, "backwards to the top")]
    r = plugin_run(opts, [image], ["--toggles", "3"] + find_args(scrolling))
    img = r["images"][0]
    want = check_finds(c, "d82-errors.d82", img["views"], scrolling)
    finds = img["views"][3]["finds"]
    c.true("the window scrolled down to the row", finds[0]["firstVisibleLine"] > 100, str(finds[0]))
    c.true("and back up", finds[2]["firstVisibleLine"] < finds[0]["firstVisibleLine"], str(finds))
    check_search_trace(c, "d82-errors.d82", img["trace"], want)
    c.finish()


def windows_text(text):
    return text.replace("\n", "\r\n")


def test_plugin_copy(opts):
    need_native(opts)
    c = Checker()
    kinds = IMAGES + [("caf\u00e9.d64", "D64 35-TRACK", False), ("short.d64", None, False)]
    kinds += FOREIGN_IMAGES
    files = [os.path.join(opts.images, f) for f, _, _ in kinds]
    r = plugin_run(opts, files, ["--copy", "--find", "0:1:HELLO", "--find", "1:1:HELLO"])
    sentinel = "qvxhost clipboard sentinel"
    compared = 0
    for img, path, (fname, type_name, errors) in zip(r["images"], files, kinds):
        for k, (view, shown) in enumerate(zip(view_cycle(errors), img["views"])):
            where = f"{fname} step {k} (view {view})"
            copies = shown["copies"]
            for way in ("selection", "all", "keys"):
                c.eq(f"{where} {way}: the clipboard was set before", copies[way]["sentinelSet"],
                     True)
            for way in ("selection", "all"):
                c.eq(f"{where} {way}: Copy answered", copies[way]["result"], 0)
            if type_name is None:
                # Nothing to copy: the clipboard keeps what it had, or gets the empty text.
                for way in ("selection", "all", "keys"):
                    c.true(f"{where} {way}: nothing copied",
                           copies[way]["clipboard"] in (sentinel, ""), str(copies[way]))
                continue
            # After a find the selection is the name; after a view change nothing is selected.
            found = {0: "HELLO", 1: "hello"}.get(view) if k < 2 else None
            c.eq(f"{where} the selection copied", copies["selection"]["clipboard"],
                 found or sentinel)
            p = native(opts, ["--color", "never", "--view", str(view), path])
            want = windows_text(p.stdout.decode("utf-8"))
            c.eq(f"{where} Select All and Copy is qvx --color never",
                 copies["all"]["clipboard"], want)
            c.eq(f"{where} Select All and Ctrl+C is qvx --color never",
                 copies["keys"]["clipboard"], want)
            compared += 1
    c.true("views compared", compared >= 5 * (len(kinds) - 1), str(compared))
    c.finish()


# Programs written by hand from the published token values, each with the first line LIST
# prints: BASIC V2 at $0801 with an RTS after the program's end, 3.5 at $1001, 7.0 at $1C01.
BASIC_PROGRAMS = [
    ("v2.prg", [0x01, 0x08, 0x0E, 0x08, 0x0A, 0x00, 0x99, 0x22, 0x48, 0x45, 0x4C, 0x4C, 0x4F, 0x22,
                0x00, 0x16, 0x08, 0x14, 0x00, 0x89, 0x31, 0x30, 0x00, 0x00, 0x00, 0x60],
     '10 PRINT"HELLO"'),
    ("v35.prg", [0x01, 0x10, 0x0D, 0x10, 0x0A, 0x00, 0xDE, 0x31, 0x3A, 0xE7, 0x30, 0x2C, 0x32, 0x00,
                 0x00, 0x00],
     "10 GRAPHIC1:COLOR0,2"),
    ("v7.prg", [0x01, 0x1C, 0x0D, 0x1C, 0x0A, 0x00, 0xFE, 0x02, 0x31, 0x3A, 0xCE, 0x08, 0x00, 0x00,
                0x00],
     "10 BANK1:XOR"),
]
SEQ_TEXT = [0x48, 0x49, 0x0D, 0x12, 0x41, 0x0D]


def test_plugin_files(opts):
    """Single files in the real module: each BASIC dialect's listing as LIST prints it, every view
    as qvx shows it, a keyword found, and Copy as qvx --color never."""
    need_native(opts)
    c = Checker()
    kinds = [(name, data, [0, 1, 2, 3, 0]) for name, data, _ in BASIC_PROGRAMS]
    kinds.append(("notes.seq", SEQ_TEXT, [0, 1, 2, 0, 1]))
    files = []
    for name, data, _ in kinds:
        files.append(os.path.join(opts.work, name))
        with open(files[-1], "wb") as f:
            f.write(bytes(data))
    r = plugin_run(opts, files, ["--copy", "--find", "0:1:GOTO"])
    c.eq("files reported", len(r["images"]), len(files))
    for img, path, (name, _, cycle) in zip(r["images"], files, kinds):
        check_plugin_window(c, name, img, expected_face(opts.plugin))
        for k, (view, shown) in enumerate(zip(cycle, img["views"])):
            p = native(opts, ["--raw", "--view", str(view), path])
            c.eq(f"{name} step {k}: the window's text is qvx --raw --view {view}",
                 crlf_to_cr(shown["text"]), p.stdout.decode("utf-8"))
            p = native(opts, ["--color", "never", "--view", str(view), path])
            c.eq(f"{name} step {k}: Select All and Copy is qvx --color never",
                 shown["copies"]["all"]["clipboard"], windows_text(p.stdout.decode("utf-8")))
    for img, (name, _, first) in zip(r["images"], BASIC_PROGRAMS):
        listing = crlf_to_cr(img["views"][0]["text"])
        c.eq(f"{name} listing", listing.split("\r")[0], font(first))
    found = r["images"][0]["views"][0]["finds"][0]
    c.eq("GOTO found", (found["result"], found["selected"]), (0, font("GOTO")))
    c.finish()


def test_plugin_next(opts):
    need_native(opts)
    c = Checker()
    ansi = getattr(opts, "ansi", False)
    first = os.path.join(opts.images, "d64.d64")
    # A readable image, one the window declines (the host then loads it anew), one in a folder
    # named outside the code page (through the 8-bit entry point: no such file, declined too).
    nexts = [os.path.join(opts.images, f) for f in
             ("d81-errors.d81", "short.d64", FOREIGN_IMAGES[0][0], "d82.d82")]
    for flags in (0, 1):
        r = plugin_run(opts, [first], ["--flags", str(flags), "--toggles", "2", "--next",
                                       ",".join(winpath(f) for f in nexts)])
        img = r["images"][0]
        check_plugin_window(c, f"flags {flags}", dict(img, notifications=img["notifications"][:1]),
                            expected_face(opts.plugin))
        trace = img["trace"]
        starts = [i for i, l in enumerate(trace) if l.startswith("QVX: ListLoadNext - ")]
        if not c.eq(f"flags {flags}: ListLoadNext calls", len(starts), len(nexts)):
            continue
        step = 3
        loads = [(0, winpath(first))]
        for n, (path, shown, start, end) in enumerate(
                zip(nexts, img["next"], starts, starts[1:] + [len(trace)])):
            where = f"flags {flags} next {n} {os.path.basename(path)}"
            name = western(winpath(path)) if ansi else winpath(path)
            readable = native(opts, ["--raw", path]).returncode == 0 and name == winpath(path)
            c.eq(f"{where} entry point", shown["entryPoint"],
                 "ListLoadNext" if ansi else "ListLoadNextW")
            c.eq(f"{where} result", (shown["result"], shown["fallback"]),
                 (0, False) if readable else (1, True))
            c.eq(f"{where} the same window", shown["sameWindow"], readable)
            c.eq(f"{where} windows made", shown["window"]["windowsCreated"], 0 if readable else 1)
            c.eq(f"{where} record", shown["window"]["userDataSet"], True)
            c.eq(f"{where} visible", shown["window"]["visible"], True)
            c.eq(f"{where} steps", [v["step"] for v in shown["views"]], [step, step + 1, step + 2])
            c.eq(f"{where} first trace line", trace[start],
                 f"QVX: ListLoadNext - called for '{western(winpath(path))}'; flags=${flags}")
            part = trace[start + 1:end]
            if not readable:
                loads.append((step, name))
                at = part.index("QVX: ListCloseCommand") if "QVX: ListCloseCommand" in part else 0
                c.eq(f"{where} the host opens it anew", part[at:at + 2],
                     ["QVX: ListCloseCommand", f"QVX: ListLoad - called for '{name}'; flags=${flags}"])
            texts = [crlf_to_cr(v["text"]) for v in shown["views"]]
            results = [v["result"] for v in shown["views"]]
            # ListLoad starts with wrap on; ListLoadNext takes the wrap bit of the flags, so the
            # host's first change (to off) only moves on from a flag with the bit set.
            moves = flags == 1 or not readable
            c.eq(f"{where} toggle results", results, [None, 0 if moves else 1, 0])
            if readable:
                errors = "errors" in path
                views = [0, 1, 2] if moves else [0, 0, 1]
                for k, view in enumerate(views):
                    p = native(opts, ["--raw", "--view", str(view), path])
                    c.eq(f"{where} step {k}: qvx --raw --view {view}", texts[k],
                         p.stdout.decode("utf-8"))
                p = native(opts, ["--trace", "--raw", path])
                readers = [l for l in part if not l.startswith("QVX: ListSendCommand") and
                           l != "QVX: ListCloseCommand"]
                c.eq(f"{where} readers' trace is qvx --trace", "".join(
                    l + "\n" for l in readers), p.stderr.decode("utf-8"))
            step += 3
        c.eq(f"flags {flags}: notifications",
             [(n["step"], n["wParam"], n["lParamIsWindow"]) for n in img["notifications"]],
             [(s, WRAP_ON, True) for s, _ in loads])
        c.eq(f"flags {flags}: closed at the end", img["isWindowAfterClose"], False)
        c.eq(f"flags {flags}: last trace line", trace[-1], "QVX: ListCloseCommand")
    c.finish()


def test_plugin_fonts(opts):
    """Which face the viewer draws with, by what lies beside the module: the display font wins,
    QVX Mono stands in for it, and without either the display font's face is still asked for.
    The trace is the same in each but for the AddFont result, and so are the texts."""
    c = Checker()
    image = os.path.join(opts.images, "d64-errors.d64")
    fonts = {"display": opts.display_font,
             "shipped": os.path.join(os.path.dirname(opts.plugin), SHIPPED_FONT_FILE)}
    for name, path in fonts.items():
        if not path or not os.path.exists(path):
            raise Failure(f"no {name} font at {path}")
    cases = [("display and shipped", [("display", DISPLAY_FONT_FILE),
                                      ("shipped", SHIPPED_FONT_FILE)], FACE, True),
             ("shipped alone", [("shipped", SHIPPED_FONT_FILE)], SHIPPED_FACE, False),
             ("no font", [], FACE, False)]
    traces, texts = [], []
    for where, files, face, added in cases:
        folder = os.path.join(opts.work, "fonts-" + where.replace(" ", "-"))
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        module = os.path.join(folder, os.path.basename(opts.plugin))
        shutil.copyfile(opts.plugin, module)
        for font_name, file_name in files:
            shutil.copyfile(fonts[font_name], os.path.join(folder, file_name))
        r = run_json(["--plugin", winpath(module), "--toggles", "4", winpath(image)], opts)
        img = r["images"][0]
        check_plugin_window(c, where, img, face)
        trace = img["trace"]
        c.true(f"{where}: AddFont", len(trace) > 1 and (trace[1] != "QVX: ListLoad - AddFont=0")
               == added, repr(trace[:2]))
        traces.append([line for line in trace if not line.startswith("QVX: ListLoad - AddFont=")])
        texts.append([v["text"] for v in img["views"]])
    c.eq("the same trace lines with any font", traces[1:], traces[:1] * 2)
    c.eq("the same texts with any font", texts[1:], texts[:1] * 2)
    c.finish()


def png_rgb(path):
    """Width, height and the RGB bytes of a PNG, through ImageMagick."""
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True,
                          check=True, text=True).stdout.split()
    rgb = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                         check=True).stdout
    return int(size[0]), int(size[1]), rgb


def fitted_size(width, height, box_width, box_height):
    """The thumbnail's size, and its whole scale factor or 0 when reduced: the top of the
    picture, no taller than the box's proportions, enlarged by whole factors or reduced."""
    h = min(height, max(1, -(-width * box_height // box_width)))
    scale = min(box_width // width, box_height // h)
    if scale >= 1:
        return width * scale, h * scale, scale
    if box_width * h <= box_height * width:
        return box_width, max(1, h * box_width // width), 0
    return max(1, width * box_height // h), box_height, 0


def test_plugin_preview(opts):
    """Thumbnails through ListGetPreviewBitmapW (ListGetPreviewBitmap with --ansi), against the
    picture qvx --png draws of the same listing: pixel for pixel where it is shown at a whole
    factor, the right size where it is reduced, none for a file that is no image."""
    need_native(opts)
    c = Checker()
    entry = "ListGetPreviewBitmap" if opts.ansi else "ListGetPreviewBitmapW"
    sizes = [(1000, 1000), (200, 200), (900, 100), (96, 96), (64, 300), (16, 16)]
    images = ["d64-errors.d64", "d82.d82", "caf\u00e9.d64"]
    references = []
    for index, name in enumerate(images):
        png = os.path.join(opts.work, f"preview-reference-{index}.png")
        p = native(opts, ["--png", png, os.path.join(opts.images, name)])
        if not c.eq(f"{name}: qvx --png exit status", p.returncode, 0):
            c.finish()
        references.append(png_rgb(png))
    paths = [os.path.join(opts.images, name) for name in images]
    for box in sizes:
        bmp_stem = os.path.join(opts.work, f"preview-{box[0]}x{box[1]}")
        args = ["--plugin", winpath(opts.plugin), "--preview",
                f"{box[0]}x{box[1]}:{winpath(bmp_stem + '.bmp')}"] + [winpath(p) for p in paths]
        r = run_json((["--ansi"] if opts.ansi else []) + args, opts)
        for index, (name, path, img) in enumerate(zip(images, paths, r["images"])):
            where = f"{name} at most {box[0]}x{box[1]}"
            pv = img["preview"]
            c.eq(f"{where}: entry point", pv["entryPoint"], entry)
            c.eq(f"{where}: content given", pv["contentBytes"], 8192)
            traced = western(winpath(path)) if opts.ansi else winpath(path)
            c.eq(f"{where}: first trace line", pv["trace"][:1],
                 [f"QVX: ListGetPreviewBitmap - called for '{traced}'; size={box[0]}x{box[1]}"])
            width, height, rgb = references[index]
            want_w, want_h, scale = fitted_size(width, height, *box)
            b = pv["bitmap"]
            if not c.true(f"{where}: a bitmap", b is not None):
                continue
            c.eq(f"{where}: size", (b["width"], b["height"]), (want_w, want_h))
            c.true(f"{where}: within the box", b["width"] <= box[0] and b["height"] <= box[1])
            if scale == 0 or (b["width"], b["height"]) != (want_w, want_h):
                continue
            bmp = read_bmp(f"{bmp_stem}-{index}.bmp")
            wrong = [(x, y) for y in range(want_h) for x in range(want_w)
                     if bmp_pixel(bmp, x, y) != int.from_bytes(
                         rgb[3 * ((y // scale) * width + x // scale):][:3], "little")]
            c.eq(f"{where}: pixels that differ from qvx --png at {scale}x", wrong[:5], [])
    none = run_json(["--plugin", winpath(opts.plugin), "--preview",
                     f"100x100:{winpath(os.path.join(opts.work, 'none.bmp'))}",
                     winpath(os.path.join(opts.images, "short.d64"))], opts)
    c.eq("no thumbnail of a file that is no image", none["images"][0]["preview"]["bitmap"], None)
    c.finish()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runner", required=True, help="runs a Win32 program (wine-run.sh)")
    ap.add_argument("--host", required=True, help="qvxhost.exe")
    ap.add_argument("--images", required=True, help="folder written by host_make_images")
    ap.add_argument("--work", required=True, help="scratch folder")
    ap.add_argument("test")
    ap.add_argument("--plugin", help="plug-in module")
    ap.add_argument("--qvx", help="native qvx program")
    ap.add_argument("--display-font", help="a stand-in for the display font")
    ap.add_argument("--iterations", type=int, default=1000, help="loads for the repeat test")
    ap.add_argument("--ansi", action="store_true",
                    help="the host opens files through ListLoad, not ListLoadW")
    opts = ap.parse_args()
    os.makedirs(opts.work, exist_ok=True)
    keep_wineserver()
    tests = {"usage": test_usage, "fake-views": test_fake_views, "fake-repeat": test_fake_repeat,
             "views": test_plugin_views, "flags": test_plugin_flags, "native": test_plugin_native,
             "repeat": test_plugin_repeat, "fonts": test_plugin_fonts,
             "preview": test_plugin_preview, "find": test_plugin_find, "copy": test_plugin_copy,
             "next": test_plugin_next, "files": test_plugin_files}
    try:
        tests[opts.test](opts)
    except Failure as e:
        print("FAIL:", e)
        sys.exit(1)


if __name__ == "__main__":
    main()
