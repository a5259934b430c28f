#!/usr/bin/env python3
"""Drives the real Double Commander (its Qt5 or its GTK2 build) with the plug-in folder registered,
under an X display of its own with a window manager, and checks what the viewer shows and what the
plug-in traces.

One run of the host opens the first image with F3, reads every view of it, moves on with `n`
through all the images of the folder and closes the viewer with `q`:
- a view's text is read back through the host's Select all and Copy and the clipboard, and must
  equal `qvx --color never --view N`, the text as it reads;
- in the first image (when it has the names of the images the tests make), a file name is found
  with Ctrl+F and the host's Find dialog, then its next and previous occurrence with F3 and
  Shift+F3, and a name with graphics characters; each selection is read back through Copy;
- a file that is no readable image makes the plug-in decline `n` (ListLoadNext), and the host
  opens it anew with ListLoad;
- views are picked in the text's context menu (its items carry the view numbers 1 to 4);
- the "QVX: " lines on the host's standard error must be what `qvx --trace` writes for the same
  images, framed by the entry points' own lines;
- the host must not get the other toolkit's part or library;
- then, in the other panel (a folder holding one image with files), Ctrl+PgDn opens the image as
  a folder through the packer (qvx.wcx, registered for the image extensions) and F5 copies its
  files out: their bytes and times must be those `qvx --extract` writes; F3 on its BASIC program
  (which the host has the packer write to a file of its own) shows what `qvx` shows for it.
Every step waits for something it can see (a window, a trace line, the clipboard's text) within
a time limit, and a failure names the step that did not happen. The main window must appear
within a few seconds: it takes about one.
"""

import argparse
import contextlib
import os
import re
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from x_display import DisplayFailure, XDisplay  # noqa: E402

TIMEOUT = 10.0  # seconds for any one step once the host is up
START_LIMIT = 5.0  # seconds for the main window to appear; it takes about one
KEY_GRACE = 3.0  # seconds after which a key the host has not acted on counts as dropped
DETECT = (
    'EXT="D64" | EXT="D71" | EXT="D80" | EXT="D81" | EXT="D82" | EXT="G64" | '
    'EXT="PRG" | EXT="SEQ" | EXT="USR" | EXT="P00" | EXT="S00" | EXT="U00" | EXT="R00"'
)
TOOLKITS = {
    "qt5": {"part": "qvx-qt5.so", "library": "libQt5Widgets.so.5"},
    "gtk2": {"part": "qvx-gtk2.so", "library": "libgtk-x11-2.0.so.0"},
}
SELECT_ALL = "ListSendCommand - c=$3, p=$0"
COPY = "ListSendCommand - c=$1, p=$0"


class Failure(Exception):
    pass


def xml_escape(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;"))


PACKER_EXTENSIONS = ("d64", "d71", "d80", "d81", "d82", "g64")


def config(plugin, packer):
    """A configuration with the viewer and the packer registered, never written back by the
    host."""
    packers = "".join(f"""      <WcxPlugin Enabled="True">
        <ArchiveExt>{extension}</ArchiveExt>
        <Path>{xml_escape(packer)}</Path>
        <Flags>68</Flags>
      </WcxPlugin>
""" for extension in PACKER_EXTENSIONS)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<doublecmd DCVersion="1.0.10" ConfigVersion="13">
  <Configuration Save="False"/>
  <Plugins>
    <WlxPlugins>
      <WlxPlugin Enabled="True">
        <Name>qvx</Name>
        <Path>{xml_escape(plugin)}</Path>
        <DetectString>{xml_escape(DETECT)}</DetectString>
      </WlxPlugin>
    </WlxPlugins>
    <WcxPlugins>
{packers}    </WcxPlugins>
  </Plugins>
</doublecmd>
"""


def wait_for(step, probe, timeout=TIMEOUT, detail=None):
    """probe() until it gives something true; a Failure naming the step after timeout seconds."""
    end = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > end:
            more = f"; {detail()}" if detail else ""
            raise Failure(f"{step}: did not happen within {timeout:.0f} s{more}")
        time.sleep(0.03)


def qvx_run(qvx, args):
    proc = subprocess.run([qvx] + args, capture_output=True, timeout=60)
    return proc.stdout.decode("utf-8"), proc.stderr.decode("utf-8"), proc.returncode


def trace_lines(text):
    return [line[5:] for line in text.splitlines() if line.startswith("QVX: ")]


class Expected:
    """What qvx says about one image: each view's text and the trace of loading and showing it."""

    def __init__(self, qvx, path):
        self.path = path
        self.texts = []
        self.traces = []
        for view in range(4):
            out, err, status = qvx_run(qvx, ["--color", "never", "--trace", "--view", str(view),
                                             path])
            if view == 0:
                self.readable = status == 0
            # Every image has views 0 to 2; the error map, never empty, only with error bytes.
            if view == 3 and not out:
                break
            self.texts.append(out)
            self.traces.append(trace_lines(err))
        load = self.traces[0]
        for view, trace in enumerate(self.traces):
            if trace[:len(load)] != load:
                raise Failure(f"qvx --view {view} {path}: the load's trace differs from view 0's")

    def view_trace(self, view):
        """The lines of entering a view after the load (the listings are built anew)."""
        return self.traces[view][len(self.traces[0]):]


class Host:
    """One X display with a window manager and one Double Commander on it, ended by their own
    process ids."""

    def __init__(self, opts, work, first_file):
        self.opts = opts
        self.work = work
        self.dc = None
        self.display = XDisplay(f"{work}/display")
        try:
            self._start(opts, work, first_file)
        except DisplayFailure as failure:
            self.stop()
            raise Failure(str(failure)) from None
        except BaseException:
            self.stop()
            raise

    def _start(self, opts, work, first_file):
        self.display.start()
        self.env = dict(self.display.env, HOME=f"{work}/home", XDG_RUNTIME_DIR=f"{work}/xdg",
                        LC_ALL="C.UTF-8", NO_AT_BRIDGE="1")
        for name in ("QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "GTK2_RC_FILES"):
            self.env.pop(name, None)
        self.trace_file = f"{work}/host-stderr.txt"
        self.started = time.monotonic()
        # The other panel shows the folder of the image the packer opens.
        with open(self.trace_file, "wb") as err, open(f"{work}/host-stdout.txt", "wb") as out:
            self.dc = subprocess.Popen(
                [opts.doublecmd, f"--config-dir={work}/cfg", "--no-splash", first_file,
                 f"{work}/archive"],
                env=self.env, stdin=subprocess.DEVNULL, stdout=out, stderr=err)

    def stop(self):
        if self.dc is not None and self.dc.poll() is None:
            self.dc.send_signal(signal.SIGTERM)
            try:
                self.dc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.dc.kill()
                self.dc.wait()
        self.display.stop()

    def alive(self):
        if self.dc.poll() is not None:
            raise Failure(f"the host ended (exit status {self.dc.returncode}); its standard "
                          f"error ends with:\n{self.stderr()[-2000:]}")
        return True

    def run(self, program, *args, check=True):
        proc = subprocess.run([program, *args], env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=TIMEOUT)
        if check and proc.returncode != 0:
            raise Failure(f"{program} {' '.join(args)}: exit status {proc.returncode}: "
                          f"{proc.stderr.decode(errors='replace').strip()}")
        return proc

    def xdotool(self, *args):
        return self.run("xdotool", *args)

    def visible_windows(self):
        proc = self.run("xdotool", "search", "--onlyvisible", "--name", "", check=False)
        return set(proc.stdout.decode().split())

    def window_name(self, window):
        proc = self.run("xdotool", "getwindowname", window, check=False)
        return proc.stdout.decode("utf-8", errors="replace").rstrip("\n")

    def find_window(self, pattern):
        self.alive()
        for window in sorted(self.visible_windows()):
            if re.search(pattern, self.window_name(window)):
                return window
        return None

    def stderr(self):
        with open(self.trace_file, "rb") as f:
            return f.read().decode("utf-8", errors="replace")

    def trace(self):
        return trace_lines(self.stderr())

    def count(self, line):
        return self.trace().count(line)

    def count_starting(self, start):
        return sum(line.startswith(start) for line in self.trace())

    def wait_trace(self, step, predicate, timeout=TIMEOUT):
        def probe():
            self.alive()
            return predicate(self.trace())
        return wait_for(step, probe, timeout,
                        detail=lambda: f"last trace lines: {self.trace()[-5:]}")

    def clipboard(self):
        proc = self.run("xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING",
                        check=False)
        return proc.stdout.decode("utf-8", errors="replace") if proc.returncode == 0 else None

    @contextlib.contextmanager
    def clipboard_holding(self, step, text):
        """The clipboard holds text (an xclip owns it) until someone else takes it, at the
        latest until the block ends."""
        owner = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-i"],
                                 env=self.env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        try:
            owner.stdin.write(text.encode())
            owner.stdin.close()
            wait_for(step, lambda: self.clipboard() == text)
            yield
        finally:
            if owner.poll() is None:
                owner.terminate()
            owner.wait()

    def maps(self, name):
        """Whether the host has a file whose name starts with name mapped."""
        with open(f"/proc/{self.dc.pid}/maps") as f:
            return any(os.path.basename(line.split()[-1]).startswith(name)
                       for line in f if "/" in line)


class Viewer:
    """The host's viewer window showing the plug-in, driven through the keyboard and mouse."""

    def __init__(self, host):
        self.host = host
        self.window = None
        self.sentinels = 0

    def focus(self):
        self.host.xdotool("windowfocus", "--sync", self.window)

    def key(self, *keys):
        self.focus()
        self.host.xdotool("key", "--clearmodifiers", *keys)

    def select_all(self, step):
        """Ctrl+A until the host sends Select all to the plug-in.

        The GTK2 build sometimes drops the first key that reaches its viewer after the text has
        changed (a load, a view chosen, its Find dialog closed), however long one waits before
        pressing it; a dropped key never arrives. So a Ctrl+A that brings nothing within a few
        seconds is pressed again. Selecting all twice is the same as once: the trace check allows
        repeats."""
        host = self.host
        end = time.monotonic() + TIMEOUT
        selections = host.count(SELECT_ALL)
        while True:
            self.key("ctrl+a")
            try:
                host.wait_trace(f"{step}: the host sends Select all to the plug-in",
                                lambda t: t.count(SELECT_ALL) > selections,
                                timeout=min(KEY_GRACE, max(0.0, end - time.monotonic())))
                return
            except Failure:
                if time.monotonic() > end:
                    raise

    def read(self, step, expect_text, keys=("ctrl+a", "ctrl+c")):
        """The whole text, through Select all and Copy of the host's Edit menu (lc_selectall and
        lc_copy to the plug-in), or what other keys copy; None when Copy left the clipboard alone
        (an empty text).

        The toolkit claims the clipboard on its next round of events, after lc_copy has returned:
        a text is waited for when one is expected."""
        host = self.host
        self.sentinels += 1
        sentinel = f"qvx-test-sentinel-{self.sentinels}"
        with host.clipboard_holding(f"{step}: the clipboard is cleared", sentinel):
            copies = host.count(COPY)
            if keys[0] == "ctrl+a":
                self.select_all(step)
                keys = keys[1:]
            self.key(*keys)
            host.wait_trace(f"{step}: the host sends Copy to the plug-in",
                            lambda t: t.count(COPY) > copies)
            texts = []
            wait_for(f"{step}: the clipboard takes the text" if expect_text else
                     f"{step}: the clipboard is readable",
                     lambda: texts.append(host.clipboard()) or
                     texts[-1] not in ((None, sentinel) if expect_text else (None,)),
                     detail=lambda: f"it holds {shorten(texts[-1] or '')}")
            text = texts[-1]
        return None if text == sentinel else text

    def search(self, step, keys, typed):
        """A search as the user starts it: Ctrl+F and the text typed into the host's Find dialog,
        or F3 and Shift+F3 for the next and previous one; the plug-in's answer in the trace."""
        host = self.host
        done = len(search_results(host.trace()))
        before = host.visible_windows()
        self.key(keys)
        if keys == "ctrl+f":
            dialog = wait_for(f"{step}: Ctrl+F opens the host's Find dialog",
                              lambda: host.alive() and next(
                                  (w for w in host.visible_windows() - before
                                   if re.match(r"^Find\b", host.window_name(w))), None))
            host.xdotool("windowfocus", "--sync", dialog)
            host.xdotool("key", "--clearmodifiers", "ctrl+a")
            if typed.isascii():
                host.xdotool("type", "--delay", "40", typed)
            else:
                # What no key of the keyboard gives is pasted, as a user would (from this viewer).
                with host.clipboard_holding(step, typed):
                    host.xdotool("key", "--clearmodifiers", "ctrl+v")
            host.xdotool("key", "--clearmodifiers", "Return")
        return host.wait_trace(f"{step}: the plug-in searches",
                               lambda t: (search_results(t)[done:] or [None])[0])

    def open_menu(self, step):
        host = self.host
        before = host.visible_windows()
        self.focus()
        host.xdotool("mousemove", "--window", self.window, "120", "160", "click", "3")
        wait_for(f"{step}: the context menu opens",
                 lambda: host.alive() and host.visible_windows() - before)
        return before

    def picture(self, path):
        """The viewer at the screen's corner with its context menu open, as a PNG."""
        host = self.host
        host.xdotool("windowmove", "--sync", self.window, "0", "0")
        geometry = host.run("xdotool", "getwindowgeometry", "--shell", self.window).stdout
        size = dict(line.split("=") for line in geometry.decode().split())
        # The window manager's frame (left, right, top, bottom) belongs in the picture.
        extents = host.run("xprop", "-id", self.window, "_NET_FRAME_EXTENTS").stdout.decode()
        left, right, top, bottom = (int(n) for n in re.findall(r"\d+", extents.split("=")[-1]))
        width, height = int(size["WIDTH"]) + left + right, int(size["HEIGHT"]) + top + bottom
        before = self.open_menu("the picture")
        # No dates in the file: the same picture gives the same bytes.
        host.run("import", "-window", "root", "-crop", f"{width}x{height}+0+0",
                 "-strip", "-define", "png:exclude-chunks=date,time", path)
        host.xdotool("key", "Escape")
        wait_for("the picture: the context menu closes",
                 lambda: host.alive() and not host.visible_windows() - before)

    def choose(self, view, step):
        """Picks the view in the text's context menu by its number."""
        host = self.host
        before = self.open_menu(step)
        chosen = f"chooseView - view {view}"
        count = host.count(chosen)
        host.xdotool("key", str(view + 1))
        host.wait_trace(f"{step}: the plug-in shows view {view}",
                        lambda t: t.count(chosen) > count)
        # Keys sent while the menu still holds the keyboard would be lost.
        wait_for(f"{step}: the context menu closes",
                 lambda: host.alive() and not host.visible_windows() - before)


def search_results(trace):
    return [l for l in trace if l.startswith("ListSearchText - ") and
            not l.startswith("ListSearchText - called for")]


# What the user does in the listing of the first image (the images name their first file twice,
# the second time in "HELLO AGAIN"; a name with graphics reads "\u2665SPLAT\U0001FB72"): the keys,
# the text typed or searched again, the search parameter the host sends, and the occurrence of
# the text in the listing as it reads that is then selected (None: not found, nothing changes).
SEARCHES = [
    ("ctrl+f", "\u2665SPLAT", 1, 0),
    ("ctrl+f", "HELLO", 1, 0),
    ("F3", "HELLO", 0, 1),
    ("F3", "HELLO", 0, None),
    ("shift+F3", "HELLO", 8, 0),
]


def place(text, part, n):
    """Line and column (from 1) of the n-th occurrence of part in text."""
    at = -1
    for _ in range(n + 1):
        at = text.index(part, at + 1)
    before = text[:at]
    return before.count("\n") + 1, at - (before.rfind("\n") + 1) + 1


def search_names(viewer, name, listing, toolkit, failures):
    """The searches of SEARCHES, each selection read back through Copy; returns the trace lines
    they make."""
    trace = []
    selected = None
    for keys, typed, flags, n in SEARCHES:
        step = f"{name} {keys} {typed!r}"
        got = viewer.search(step, keys, typed)
        if n is None:
            want = "ListSearchText - not found"
        else:
            line, column = place(listing, typed, n)
            want = f"ListSearchText - found at line {line}, column {column}"
            selected = typed
        if got != want:
            failures.append(f"{step}: the plug-in says {got!r}, expected {want!r}")
        trace += [f"ListSearchText - called for '{typed}'; flags=${flags}", want]
        compare_text(failures, f"{step}: the selection", viewer.read(step, True, ("ctrl+c",)),
                     selected)
        trace.append(COPY)
    if toolkit == "qt5":
        # The keys that move through the text still reach it: Shift+End selects on from the
        # last match to the end of its line.
        line, column = place(listing, selected, 0)
        rest = listing.split("\n")[line - 1][column - 1:]
        compare_text(failures, f"{name} Shift+End", viewer.read(f"{name} Shift+End", True,
                                                                ("shift+End", "ctrl+c")), rest)
        trace.append(COPY)
    return trace


def shorten(text, limit=300):
    return repr(text) if len(text) <= limit else repr(text[:limit]) + f"... ({len(text)} in all)"


def compare_text(failures, step, got, want):
    if want == "":
        if got is not None:
            failures.append(f"{step}: the viewer shows {shorten(got)}, expected nothing")
        return
    if got != want:
        at = next((i for i, (g, w) in enumerate(zip(got or "", want)) if g != w),
                  min(len(got or ""), len(want)))
        failures.append(f"{step}: the viewer shows {shorten(got or '')}\n  expected "
                        f"{shorten(want)}\n  first difference at character {at}")


def without_repeated(trace, line):
    """The trace with each run of the given line kept once."""
    return [t for i, t in enumerate(trace) if not (t == line and i > 0 and trace[i - 1] == line)]


def compare_trace(got, want):
    if got == want:
        return []
    at = next((i for i, (g, w) in enumerate(zip(got, want)) if g != w), min(len(got), len(want)))
    return [f"trace differs at line {at + 1} of {len(got)} (expected {len(want)}):\n"
            f"  got      {got[max(0, at - 2):at + 3]}\n  expected {want[max(0, at - 2):at + 3]}"]


def prepare(opts, work):
    if os.path.exists(work):
        shutil.rmtree(work)
    for folder in ("home", "xdg", "cfg", "files", "plugins"):
        os.makedirs(f"{work}/{folder}")
    os.chmod(f"{work}/xdg", 0o700)
    plugin_dir = f"{work}/plugins/qvx"
    shutil.copytree(opts.plugin, plugin_dir)
    if opts.display_font:
        shutil.copy(opts.display_font, f"{plugin_dir}/C64_Pro_Mono-STYLE.ttf")
    with open(f"{work}/cfg/doublecmd.xml", "w", encoding="utf-8") as f:
        f.write(config(f"{plugin_dir}/qvx.wlx", f"{plugin_dir}/qvx.wcx"))
    # The other panel's folder: the image the packer opens, alone.
    os.makedirs(f"{work}/archive")
    shutil.copy(opts.packer_image, f"{work}/archive/")
    # Images in a subfolder (named in Cyrillic or Japanese) come in under that name as a prefix.
    sources = {os.path.basename(f): f for f in opts.files} if opts.files else {
        os.path.relpath(os.path.join(d, n), opts.images).replace(os.sep, "-"): os.path.join(d, n)
        for d, _, names in os.walk(opts.images) for n in names}
    files = []
    for name, source in sorted(sources.items()):
        files.append(f"{work}/files/{name}")
        shutil.copy(source, files[-1])
    if not opts.files:
        # Bad input beside the images the folder has (a wrong-sized one among them).
        files.append(f"{work}/files/empty.d64")
        open(files[-1], "wb").close()
    return plugin_dir, sorted(files)


def check_toolkit(host, toolkit, failures):
    own = TOOLKITS[toolkit]
    if not host.maps(own["part"]):
        failures.append(f"the host has not loaded {own['part']}")
    for other, names in TOOLKITS.items():
        if other != toolkit:
            for name in names.values():
                if host.maps(name):
                    failures.append(f"the {toolkit} host got {name}")


MAIN_WINDOW = r"^Double Commander"


def start_host(opts, work, first_file):
    """The host with its main window up, and the seconds that took."""
    host = Host(opts, work, first_file)
    try:
        wait_for("the main window appears", lambda: host.find_window(MAIN_WINDOW),
                 timeout=START_LIMIT,
                 detail=lambda: "a host on a display with a window manager shows it in about "
                                "a second")
    except BaseException:
        host.stop()
        raise
    return host, time.monotonic() - host.started


def open_viewer(host, first_file, loads=0):
    """F3 on the file under the cursor; the ListLoad line it brings (after loads earlier ones).

    Until its panel has put the cursor on the file, the host may answer F3 with a message ("No
    files selected.") instead of the viewer, and nothing outside tells when the panel is ready.
    So each F3 waits for one of the two answers, and a message is dismissed before the next F3."""
    opened = lambda t: nth_line(t, "ListLoad - called", loads)
    viewer_name = re.escape(os.path.basename(first_file)) + "$"
    main = host.find_window(MAIN_WINDOW)
    end = time.monotonic() + TIMEOUT
    while True:
        before = host.visible_windows()
        host.xdotool("windowfocus", "--sync", main)
        host.xdotool("key", "F3")
        # Toolkits map windows of their own without names on the way: only a title counts.
        titled = lambda: {w: host.window_name(w) for w in host.visible_windows() - before
                          if host.window_name(w)}
        answer = wait_for("F3 opens the plug-in (ListLoad) or brings a message",
                          lambda: host.alive() and (opened(host.trace()) or titled()),
                          timeout=max(0.0, end - time.monotonic()))
        if isinstance(answer, str):
            return answer
        if any(re.search(viewer_name, name) for name in answer.values()):
            return host.wait_trace("F3 opens the plug-in (ListLoad)", opened)
        for window in answer:
            host.run("xdotool", "windowfocus", "--sync", window, check=False)
            host.run("xdotool", "key", "Return", check=False)
            wait_for("the host's message goes away",
                     lambda: window not in host.visible_windows(),
                     detail=lambda: f"it is named {host.window_name(window)!r}")


def nth_line(trace, start, n):
    """The n-th line (from 0) that begins with start, or None."""
    lines = [line for line in trace if line.startswith(start)]
    return lines[n] if len(lines) > n else None


def copy_out(host, opts, work, failures):
    """In the other panel: Ctrl+PgDn on the image opens it through the packer, Ctrl+A and F5 copy
    all its files to the panel of the images; each copy must be what qvx --extract writes.
    Returns the seconds it took."""
    started = time.monotonic()
    image = f"{work}/archive/{os.path.basename(opts.packer_image)}"
    main = host.find_window(MAIN_WINDOW)
    host.xdotool("windowfocus", "--sync", main)
    host.xdotool("key", "--clearmodifiers", "Tab", "Down", "ctrl+Next")
    listing = f"OpenArchive - called for '{image}'; flags=$0"
    host.wait_trace("Ctrl+PgDn opens the image through the packer (OpenArchive)",
                    lambda t: listing in t)
    host.wait_trace("the packer lists the image (CloseArchive)",
                    lambda t: "CloseArchive" in t[t.index(listing):])
    before = host.visible_windows()
    host.xdotool("key", "--clearmodifiers", "ctrl+a", "F5")
    dialog = wait_for("F5 opens the copy dialog",
                      lambda: host.alive() and next(
                          (w for w in host.visible_windows() - before if host.window_name(w)),
                          None))
    host.xdotool("windowfocus", "--sync", dialog)
    host.xdotool("key", "--clearmodifiers", "Return")
    extracting = f"OpenArchive - called for '{image}'; flags=$1"
    trace = host.wait_trace("the packer writes the files (ProcessFile, CloseArchive)",
                            lambda t: extracting in t and
                            "CloseArchive" in t[t.index(extracting):] and t)
    trace = trace[trace.index(extracting):]
    wanted = f"{work}/qvx-extract"
    qvx_run(opts.qvx, ["--extract", wanted, image])
    copied = [re.match(r"ProcessFile - called for '(.*)'; flags=\$2$", line)
              for line in trace if line.startswith("ProcessFile - called for")]
    if sorted(os.path.basename(m.group(1)) for m in copied if m) != sorted(os.listdir(wanted)):
        failures.append(f"copy out: the packer wrote {[m and m.group(0) for m in copied]}, qvx "
                        f"--extract {sorted(os.listdir(wanted))}")
        return time.monotonic() - started
    for match in copied:
        ours, theirs = match.group(1), os.path.join(wanted, os.path.basename(match.group(1)))
        with open(ours, "rb") as a, open(theirs, "rb") as b:
            if a.read() != b.read():
                failures.append(f"copy out: {ours} differs from qvx --extract's {theirs}")
        if int(os.stat(ours).st_mtime) != int(os.stat(theirs).st_mtime) or \
                os.stat(ours).st_mode != os.stat(theirs).st_mode:
            failures.append(f"copy out: {ours} has another time or mode than qvx --extract's")
    view_inside(host, opts, wanted, failures)
    return time.monotonic() - started


def view_inside(host, opts, extracted, failures):
    """F3 on the image's BASIC program in the packer's panel: the host has the packer write it to
    a file of its own and the viewer shows it as qvx shows the file qvx --extract wrote. A BASIC
    listing starts with a line number and one space, the 6502 view with an address and two."""
    names = sorted(os.listdir(extracted), key=str.lower)  # as the panel sorts them, after ".."
    program = next((n for n in names if n.endswith(".prg") and
                    re.match(r"\d+ \S", qvx_run(opts.qvx, ["--color", "never",
                                                         os.path.join(extracted, n)])[0])), None)
    if program is None:
        failures.append(f"F3 inside the image: {opts.packer_image} holds no BASIC program")
        return
    want = qvx_run(opts.qvx, ["--color", "never", os.path.join(extracted, program)])[0]
    # Just after the copy the main window is at times not yet found by its title.
    main = wait_for("F3 inside the image: the main window is back after the copy",
                    lambda: host.find_window(MAIN_WINDOW))
    host.xdotool("windowfocus", "--sync", main)
    host.xdotool("key", "--clearmodifiers", "Home", *["Down"] * (names.index(program) + 1))
    loaded = open_viewer(host, program, host.count_starting("ListLoad - called"))
    path = re.match(r"ListLoad - called for '(.*)'; flags=", loaded).group(1)
    if os.path.basename(path) != program:
        failures.append(f"F3 inside the image: the viewer got {path!r}, expected {program}")
    viewer = Viewer(host)
    viewer.window = wait_for(f"{program}: the viewer window shows it",
                             lambda: host.find_window(re.escape(program) + "$"))
    compare_text(failures, f"{program} inside the image", viewer.read(program, True), want)
    viewer.key("q")


def run(opts):
    work = os.path.abspath(opts.work)
    plugin_dir, files = prepare(opts, work)
    expected = {path: Expected(opts.qvx, path) for path in files}
    failures = []
    visited = []
    searches = []
    reloads = 0  # images the plug-in declined and the host opened anew
    host, start_time = start_host(opts, work, files[0])
    try:
        viewer = Viewer(host)
        loaded = open_viewer(host, files[0])
        for index in range(len(files)):
            path = re.match(r"ListLoad(?:Next)? - called for '(.*)'; flags=", loaded).group(1)
            if path not in expected or path in visited:
                raise Failure(f"the host opened {path!r}, expected one of the images not yet "
                              f"shown")
            visited.append(path)
            name = os.path.basename(path)
            viewer.window = wait_for(f"{name}: the viewer window shows it",
                                     lambda: host.find_window(re.escape(name) + "$"))
            if index == 0:
                check_toolkit(host, opts.toolkit, failures)
            want = expected[path]
            if index == 0 and opts.screenshot:
                viewer.picture(opts.screenshot)
            compare_text(failures, f"{name} view 0",
                         viewer.read(f"{name} view 0", want.texts[0] != ""), want.texts[0])
            if index == 0 and all(typed in want.texts[0] for _, typed, _, _ in SEARCHES):
                searches = search_names(viewer, name, want.texts[0], opts.toolkit, failures)
            for view in range(1, len(want.texts)):
                step = f"{name} view {view}"
                viewer.choose(view, step)
                compare_text(failures, step, viewer.read(step, want.texts[view] != ""),
                             want.texts[view])
            if index + 1 < len(files):
                viewer.key("n")
                loaded = host.wait_trace(f"{name}: n opens the next image (ListLoadNext)",
                                         lambda t: nth_line(t, "ListLoadNext - called", index))
                declined = re.match(r"ListLoadNext - called for '(.*)'; flags=", loaded).group(1)
                if declined in expected and not expected[declined].readable:
                    reloads += 1
                    host.wait_trace(f"{name}: the host opens the image the plug-in declined anew "
                                    f"(ListLoad)", lambda t: nth_line(t, "ListLoad - called",
                                                                      reloads))
        closes = host.count("ListCloseCommand")
        viewer.key("q")
        host.wait_trace("q closes the viewer (ListCloseWindow)",
                        lambda t: t.count("ListCloseCommand") > closes)
        trace = host.trace()
        copy_time = copy_out(host, opts, work, failures)
    except Failure as failure:
        picture = f"{work}/failure.png"
        host.run("import", "-window", "root", picture, check=False)
        raise Failure(f"{failure}\n  the screen then: {picture}") from None
    finally:
        host.stop()

    flags = re.search(r"; flags=\$([0-9A-F]+)$", trace[1] if len(trace) > 1 else "")
    flags = flags.group(1) if flags else "?"
    want = [f"AttachProcess - dll path is {plugin_dir}"]
    load = [f"ListLoad - called for '{{}}'; flags=${flags}",
            f"ListLoad - AddFont={1 if opts.display_font else 0}"]
    for index, path in enumerate(visited):
        images = expected[path]
        if index == 0:
            want += [line.format(path) for line in load]
        else:
            want.append(f"ListLoadNext - called for '{path}'; flags=${flags}")
            if not images.readable:
                want += images.traces[0] + ["ListCloseCommand"] + [l.format(path) for l in load]
        want += images.traces[0] + [SELECT_ALL, COPY]
        if index == 0:
            want += searches
        for view in range(1, len(images.texts)):
            want += [f"chooseView - view {view}"] + images.view_trace(view) + [SELECT_ALL, COPY]
    want.append("ListCloseCommand")
    failures += compare_trace(without_repeated(trace, SELECT_ALL), want)
    return failures, visited, start_time, copy_time


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--doublecmd", required=True, help="the host program")
    parser.add_argument("--toolkit", required=True, choices=sorted(TOOLKITS))
    parser.add_argument("--plugin", required=True, help="the plug-in folder as built")
    parser.add_argument("--qvx", required=True)
    parser.add_argument("--images", help="a folder of images, all opened")
    parser.add_argument("--files", nargs="+", help="these images instead of --images")
    parser.add_argument("--display-font", help="put beside the plug-in as the display font")
    parser.add_argument("--packer-image", required=True,
                        help="an image with files, opened as a folder through the packer")
    parser.add_argument("--work", required=True, help="scratch folder, made anew")
    parser.add_argument("--screenshot",
                        help="PNG of the viewer showing the first image, its context menu open")
    opts = parser.parse_args()
    if not (opts.images or opts.files):
        parser.error("--images or --files is needed")
    for program in (opts.doublecmd, opts.qvx):
        if not os.access(program, os.X_OK):
            print(f"FAIL: {program} is missing: run scripts/setup.sh and build the native preset")
            return 1
    started = time.monotonic()
    try:
        failures, visited, start_time, copy_time = run(opts)
    except Failure as e:
        failures, visited, start_time, copy_time = [str(e)], [], None, None
    for failure in failures:
        print("FAIL:", failure)
    if failures:
        return 1
    print(f"ok: {len(visited)} images in the {opts.toolkit} host (main window after "
          f"{start_time:.1f} s), the packer's copy in {copy_time:.1f} s, "
          f"{time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
