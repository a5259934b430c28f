#!/usr/bin/env python3
"""Robustness of the plug-in in the stand-in host, under Wine.

filled: images of every valid size filled with 0x00 or 0xFF, through qvxhost with every view;
        the trace and the views are held to what manifest.json (written with the images) says
        their layout gives.
together: 64 viewer windows open at once in one process, each changing views its own number of
        times, then all closed; every text is compared with the same image's views opened alone,
        and GDI objects, windows and heap must be back where they were.
fake-together: the same against the test's fake plug-in, whose leaking mode the measurements
        must notice.
"""

import argparse
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_host as host  # noqa: E402

WINDOWS = 64
# Toggles per window, taken in turn: 17 counts against 14 images, so that each count meets
# different images, and two full cycles and more for the largest.
TOGGLE_COUNTS = list(range(17))
HEAP_GROWTH_LIMIT = host.HEAP_GROWTH_LIMIT
COMMITTED_GROWTH_LIMIT = host.COMMITTED_GROWTH_LIMIT


def fingerprint(text):
    """64-bit FNV-1a over the text's UTF-16LE bytes, as qvxhost --together reports it."""
    h = 0xCBF29CE484222325
    for b in text.encode("utf-16-le"):
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return f"{h:016x}"


def lines_of(text):
    assert text.endswith("\r"), repr(text[-20:])
    return text[:-1].split("\r")


def map_rows(c, where, text, rows, digits):
    lines = lines_of(text)
    if not c.eq(f"{where} lines", len(lines), 3 + rows):
        return
    for t, row in enumerate(lines[3:], start=1):
        c.eq(f"{where} track {t} prefix", row[:5], f"{t:03d}: ")
        c.true(f"{where} track {t} digits", set(row[5:]) <= set(digits), repr(row))


# ---------------------------------------------------------------- filled images

def test_filled(opts):
    c = host.Checker()
    with open(os.path.join(opts.hostile, "manifest.json"), encoding="utf-8") as f:
        manifest = json.load(f)
    files = [os.path.join(opts.hostile, m["file"]) for m in manifest]
    r = host.plugin_run(opts, files)
    c.eq("images reported", len(r["images"]), len(manifest))
    for img, path, m in zip(r["images"], files, manifest):
        where = m["file"]
        host.check_plugin_window(c, where, img, host.expected_face(opts.plugin))
        readers = host.split_trace(c, where, img["trace"], host.winpath(path), "0", [0, 1, 0, 1])
        c.eq(f"{where} readers' lines", readers, ["QVX: " + l for l in m["readerLines"]])
        views = img["views"]
        if not c.eq(f"{where} views", len(views), 5):
            continue
        c.eq(f"{where} results", [v["result"] for v in views], [None, 0, 0, 0, 0])
        texts = {}
        for k, view in enumerate(host.view_cycle(m["errorBytes"])):
            texts.setdefault(view, host.crlf_to_cr(views[k]["text"]))
        listing = lines_of(texts[0])
        entries = m["fileEntries"]
        if c.eq(f"{where} listing lines", len(listing), 2 + entries + 4):
            c.eq(f"{where} header line", listing[1][:2], "0 ")
            for k in range(entries):
                c.eq(f"{where} entry {k} blocks", listing[2 + k][:6], '-1   "')
            c.eq(f"{where} free blocks", listing[2 + entries], f"{m['blocksFree']} BLOCKS FREE.")
        c.true(f"{where} type and error info",
               texts[0].endswith(host.listing_tail(m["typeName"], m["errorBytes"])),
               repr(texts[0][-60:]))
        c.eq(f"{where} second listing", texts[1], host.second_charset(texts[0]))
        map_rows(c, f"{where} BAM map", texts[2], m["bamTracks"], "1" if m["fill"] else "0")
        if m["errorBytes"]:
            map_rows(c, f"{where} error map", texts[3], m["errorMapTracks"],
                     "F" if m["fill"] else "0")
    c.finish()


# ---------------------------------------------------------------- many windows at once

def together_files(opts, names):
    return [os.path.join(opts.images, names[i % len(names)]) for i in range(WINDOWS)]


def run_together(opts, plugin, files):
    counts = ",".join(str(n) for n in TOGGLE_COUNTS)
    r = host.run_json(["--plugin", host.winpath(plugin), "--together", counts] +
                      [host.winpath(f) for f in files], opts)
    return r["together"]


def alone(opts, paths, errors):
    """The text of every view of each image opened on its own, and the readers' lines."""
    r = host.plugin_run(opts, paths)
    texts = {}
    for img, path in zip(r["images"], paths):
        for view, shown in zip(host.view_cycle(errors[path]), img["views"]):
            texts.setdefault((path, view), shown["text"])
    return r, texts


def check_windows(c, t, files, errors, texts, destroyed=True):
    """Every window: its own number of changes, each answered, each text the right view's."""
    c.eq("windows reported", len(t["perWindow"]), len(files))
    for i, (w, path) in enumerate(zip(t["perWindow"], files)):
        where = f"window {i} ({os.path.basename(path)})"
        toggles = TOGGLE_COUNTS[i % len(TOGGLE_COUNTS)]
        c.eq(f"{where} file", w["file"], host.winpath(path))
        c.eq(f"{where} toggles", w["toggles"], toggles)
        c.eq(f"{where} window", (w["window"], w["userDataSet"]), (True, True))
        c.eq(f"{where} every change answered", w["results"], [0] * toggles)
        c.eq(f"{where} notifications", (w["wrapNotices"], w["otherNotices"]), (1, 0))
        c.eq(f"{where} destroyed", w["isWindowAfterClose"], not destroyed)
        views = host.view_cycle(errors[path], toggles)
        if not c.eq(f"{where} steps", len(w["steps"]), len(views)):
            continue
        for k, (view, got) in enumerate(zip(views, w["steps"])):
            c.eq(f"{where} step {k} shows view {view}", got, fingerprint(texts[(path, view)]))


def check_usage(c, u, leaking):
    before, open_, after = u["before"], u["allOpen"], u["after"]
    print(f"GDI {before['gdiObjects']} -> {open_['gdiObjects']} -> {after['gdiObjects']}, USER "
          f"{before['userObjects']} -> {open_['userObjects']} -> {after['userObjects']}, heap "
          f"{before['heapBusyBytes']} -> {open_['heapBusyBytes']} -> {after['heapBusyBytes']}, "
          f"committed {before['privateCommitted']} -> {after['privateCommitted']}")
    # Counts that do not see the open windows would prove nothing by staying flat.
    c.true("windows counted while open",
           open_["userObjects"] >= before["userObjects"] + 2 * WINDOWS, str(u))
    c.true("GDI objects counted while open", open_["gdiObjects"] > before["gdiObjects"], str(u))
    heap = after["heapBusyBytes"] - before["heapBusyBytes"]
    committed = after["privateCommitted"] - before["privateCommitted"]
    if leaking:
        c.true("leaking: GDI grows", after["gdiObjects"] - before["gdiObjects"] >= WINDOWS, str(u))
        c.true("leaking: heap grows", heap >= WINDOWS * 65536, str(u))
        return
    c.eq("GDI objects back", after["gdiObjects"], before["gdiObjects"])
    c.eq("windows back", after["userObjects"], before["userObjects"])
    c.true(f"heap back (grew {heap} bytes)", heap < HEAP_GROWTH_LIMIT)
    c.true(f"committed memory back (grew {committed} bytes)", committed < COMMITTED_GROWTH_LIMIT)


def test_together(opts):
    c = host.Checker()
    kinds = host.IMAGES + [("caf\u00e9.d64", "D64 35-TRACK", False), ("short.d64", None, False)]
    names = [k[0] for k in kinds]
    errors = {os.path.join(opts.images, f): e for f, _, e in kinds}

    paths = [os.path.join(opts.images, n) for n in names]
    single, texts = alone(opts, paths, errors)
    readers = {}
    for img, path, (name, type_name, _) in zip(single["images"], paths, kinds):
        readers[path] = host.split_trace(c, name, img["trace"], host.winpath(path), "0",
                                         [0, 1, 0, 1], quiet_views=type_name is not None)

    files = together_files(opts, names)
    t = run_together(opts, opts.plugin, files)
    print(f"{WINDOWS} windows: {t['milliseconds']}")
    check_windows(c, t, files, errors, texts)

    # The trace, phase by phase: nothing but the expected lines, as many as the windows make.
    empty = "QVX: setupString - empty list"
    tr = t["trace"]
    load_empty = sum(readers[p].count(empty) for p in files)
    c.eq("load phase", (tr["load"]["loads"], tr["load"]["fonts"], tr["load"]["emptyLists"],
                        tr["load"]["readers"], tr["load"]["others"]),
         (WINDOWS, WINDOWS, load_empty, sum(len(readers[p]) for p in files) - load_empty, 0))
    toggles = [TOGGLE_COUNTS[i % len(TOGGLE_COUNTS)] for i in range(WINDOWS)]
    # An image without a listing says so on every entry into a listing view.
    entered_empty = sum(sum(1 for v in host.view_cycle(errors[p], n)[1:] if v < 2)
                        for p, n in zip(files, toggles) if texts[(p, 0)] == "")
    tg = tr["toggle"]
    c.eq("toggle phase", (tg["sendsWrapOff"], tg["sendsWrapOn"], tg["emptyLists"], tg["others"],
                          tg["unexpected"]),
         (sum((n + 1) // 2 for n in toggles), sum(n // 2 for n in toggles), entered_empty, 0, []))
    c.eq("close phase", (tr["close"]["closes"], tr["close"]["others"]), (WINDOWS, 0))
    check_usage(c, t["usage"], leaking=False)
    c.finish()


def test_fake_together(opts):
    c = host.Checker()
    image = host.winpath(os.path.join(opts.images, "d64.d64"))
    for args, message in ((["--together", "1,x"], b"--together needs a number"),
                          (["--together", "1,"], b"--together needs a number"),
                          (["--together", "2", "--repeat", "3"], b"--together goes with none of"),
                          (["--together", "2", "--preview", "9x9:x.bmp"],
                           b"--together goes with none of"),
                          (["--together", "2", "--copy"], b"--together goes with none of")):
        p = host.run_host(["--plugin", host.winpath(opts.plugin)] + args + [image], opts,
                          expect_rc=None)
        c.eq(f"{args}: exit status", p.returncode, 2)
        c.true(f"{args}: message", message in p.stderr, p.stderr.decode(errors="replace"))
    # The fake has three views, like an image without error bytes.
    for leaking in (False, True):
        path = os.path.join(opts.work, "leak.d64") if leaking else os.path.join(opts.images,
                                                                                "d64.d64")
        errors = {path: False}
        _, texts = alone(opts, [path], errors)
        c.eq(f"{path} alone", host.crlf_to_cr(texts[(path, 2)]), host.crlf_to_cr(host.fake_text(2)))
        files = [path] * WINDOWS
        t = run_together(opts, opts.plugin, files)
        # The leaking fake keeps its windows until their frames go.
        check_windows(c, t, files, errors, texts, destroyed=not leaking)
        check_usage(c, t["usage"], leaking)
    c.finish()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runner", required=True, help="runs a Win32 program (wine-run.sh)")
    ap.add_argument("--host", required=True, help="qvxhost.exe")
    ap.add_argument("--images", required=True, help="folder written by host_make_images")
    ap.add_argument("--hostile", help="folder written by host_make_hostile_images")
    ap.add_argument("--work", required=True, help="scratch folder")
    ap.add_argument("--plugin", required=True, help="plug-in module")
    ap.add_argument("test", choices=["filled", "together", "fake-together"])
    opts = ap.parse_args()
    os.makedirs(opts.work, exist_ok=True)
    host.keep_wineserver()
    tests = {"filled": test_filled, "together": test_together,
             "fake-together": test_fake_together}
    try:
        tests[opts.test](opts)
    except host.Failure as e:
        print("FAIL:", e)
        sys.exit(1)


if __name__ == "__main__":
    main()
