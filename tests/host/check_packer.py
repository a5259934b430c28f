#!/usr/bin/env python3
"""Drives the Windows packer module through packer_host under Wine as a file manager does (list,
then extract every file) and compares what it wrote with `qvx --extract` of the native build:
the same names in the same order, the same bytes, times and read-only flags; the headers' sizes,
DOS times and attributes agreeing with the files; E_BAD_DATA exactly for the files qvx does not
report whole; GetPackerCaps, GetBackgroundFlags, CanYouHandleThisFileW and a file that is no image.
Exit 77 (skipped) when the native qvx has not been built.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

E_BAD_DATA = 12
E_UNKNOWN_FORMAT = 14
E_END_ARCHIVE = 10
READ_ONLY = 0x01
ARCHIVE = 0x20


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def dos_time(seconds):
    t = time.localtime(seconds)
    if t.tm_year < 1980:
        return 0x00210000
    return ((t.tm_year - 1980) << 25 | t.tm_mon << 21 | t.tm_mday << 16 | t.tm_hour << 11 |
            t.tm_min << 5 | t.tm_sec // 2)


def run(cmd):
    # Files, not pipes: Wine's helpers inherit the handles and would keep a pipe open.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        code = subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                              timeout=300).returncode
        out.seek(0)
        err.seek(0)
        return code, out.read().decode("utf-8"), err.read().decode("utf-8", errors="replace")


def parse(output):
    """caps, background and per image: handles, open result, listing, end code, files, progress."""
    answers, images = {}, []
    for line in output.splitlines():
        word, _, rest = line.partition(" ")
        if word in ("caps", "background"):
            answers[word] = int(rest)
        elif word == "image":
            images.append({"list": [], "files": []})
        elif word == "handles":
            images[-1]["handles"] = rest == "Y"
        elif word in ("open", "end", "progress"):
            images[-1][word] = int(rest)
        elif word == "list":
            name, size, stamp, attr = rest.rsplit(" ", 3)
            images[-1]["list"].append((name, int(size), int(stamp, 16) & 0xFFFFFFFF,
                                       int(attr, 16)))
        elif word == "file":
            code, _, name = rest.partition(" ")
            images[-1]["files"].append((name, int(code)))
        else:
            raise SystemExit(f"FAIL: packer_host said {line!r}")
    return answers, images


def compare(index, image, got, work, qvx, failures):
    where = f"{os.path.basename(image)}"
    host_dir = os.path.join(work, "packer", str(index))
    qvx_dir = os.path.join(work, "qvx", str(index))
    code, out, err = run([qvx, "--extract", qvx_dir, "--json", image])
    if code == 2:
        failures.append(f"{where}: qvx --extract: usage error: {err.strip()}")
        return
    written = [json.loads(line) for line in out.splitlines()]
    names = [os.path.basename(f["file"]) for f in written]
    whole = {os.path.basename(f["file"]): f["whole"] for f in written}
    if not names and got["open"] == E_UNKNOWN_FORMAT:
        if got["handles"]:
            failures.append(f"{where}: CanYouHandleThisFileW says yes to no image")
        return
    if not got["handles"] or got["open"] != 0:
        failures.append(f"{where}: handles {got['handles']}, open {got['open']}")
        return
    listed = [entry[0] for entry in got["list"]]
    if got.get("end") != E_END_ARCHIVE:
        failures.append(f"{where}: the headers ended with {got.get('end')}")
    if [name for name, _ in got["files"]] != listed:
        failures.append(f"{where}: extracted {got['files']}, listed {listed}")
    if listed != names:
        failures.append(f"{where}: the packer lists {listed}, qvx wrote {names}")
        return
    total = 0
    for (name, size, stamp, attr), (_, result) in zip(got["list"], got["files"]):
        ours, theirs = os.path.join(host_dir, name), os.path.join(qvx_dir, name)
        if not os.path.isfile(ours):
            failures.append(f"{where} {name}: not written (result {result})")
            continue
        with open(ours, "rb") as a, open(theirs, "rb") as b:
            if a.read() != b.read():
                failures.append(f"{where} {name}: bytes differ from qvx --extract's")
        mine, other = os.stat(ours), os.stat(theirs)
        total += mine.st_size
        if int(mine.st_mtime) != int(other.st_mtime):
            failures.append(f"{where} {name}: time {mine.st_mtime}, qvx {other.st_mtime}")
        read_only = not mine.st_mode & 0o222
        if read_only != (not other.st_mode & 0o222):
            failures.append(f"{where} {name}: read-only {read_only}, qvx the opposite")
        if (size, stamp, attr) != (mine.st_size, dos_time(other.st_mtime),
                                   ARCHIVE | (READ_ONLY if read_only else 0)):
            failures.append(f"{where} {name}: header size {size}, time {stamp:#x}, attributes "
                            f"{attr:#x}; the file has {mine.st_size} bytes, time "
                            f"{dos_time(other.st_mtime):#x}, read-only {read_only}")
        want = 0 if whole[name] else E_BAD_DATA
        if result != want:
            failures.append(f"{where} {name}: ProcessFileW gave {result}, expected {want}")
    if got.get("progress") != total:
        failures.append(f"{where}: progress reported {got.get('progress')} bytes of {total}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--runner", required=True)
    ap.add_argument("--host", required=True, help="packer_host.exe")
    ap.add_argument("--module", required=True, help="qvx.wcx or qvx.wcx64")
    ap.add_argument("--qvx", required=True, help="the native qvx")
    ap.add_argument("--work", required=True)
    ap.add_argument("--ansi", action="store_true", help="the 8-bit entry points")
    ap.add_argument("images", nargs="+")
    opts = ap.parse_args()
    if not os.access(opts.qvx, os.X_OK):
        print(f"skipped: {opts.qvx} has not been built")
        return 77
    work = os.path.abspath(opts.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "packer"))
    os.makedirs(os.path.join(work, "qvx"))
    empty = os.path.join(work, "empty.d64")
    open(empty, "wb").close()
    images = [os.path.abspath(i) for i in opts.images] + [empty]
    args = [opts.runner, opts.host, winpath(opts.module), winpath(os.path.join(work, "packer"))]
    code, out, err = run(args + (["--ansi"] if opts.ansi else []) + [winpath(i) for i in images])
    if code != 0:
        print(f"FAIL: packer_host exited {code}: {out[-2000:]}{err[-2000:]}")
        return 1
    answers, got = parse(out)
    failures = []
    if answers != {"caps": 68, "background": 1}:
        failures.append(f"GetPackerCaps and GetBackgroundFlags gave {answers}")
    if len(got) != len(images):
        failures.append(f"{len(got)} images reported of {len(images)}")
    for index, (image, result) in enumerate(zip(images, got)):
        compare(index, image, result, work, opts.qvx, failures)
    for failure in failures:
        print("FAIL:", failure)
    if failures:
        return 1
    files = sum(len(g["files"]) for g in got)
    print(f"ok: {len(images)} images, {files} files as qvx --extract writes them")
    return 0


if __name__ == "__main__":
    sys.exit(main())
