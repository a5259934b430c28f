#!/usr/bin/python3
"""qvx -r --json over the test corpus, every line validated against docs/qvx-json.schema.json.

The corpus: the folders given (images written by cc1541 and cbmconvert, the samples) and a folder
made here of what those lack: D80, D82 and the 40-track variants, images filled with 0x00 and
0xFF in every size, broken directory chains, files of no image size, a folder named like an
image, a dangling link, a FIFO, and files that do not count. Besides validating, it checks what
each made file must give, and that the schema rejects lines that are wrong.

  check_json_schema.py --qvx QVX --schema SCHEMA --work DIR FOLDER...
"""
import argparse
import copy
import json
import os
import pathlib
import shutil
import subprocess
import sys

import jsonschema

SECTOR = 256
# type: (sectors, header offset, first dir sector, dir track, name offset), as on the disk
FORMATS = {
    "d64": (683, 0x16500, 1, 18, 0x90),
    "d64x40": (768, 0x16500, 1, 18, 0x90),
    "d71": (1366, 0x16500, 1, 18, 0x90),
    "d80": (2083, 0x44E00, 1, 39, 0x06),
    "d81": (3200, 0x61800, 3, 40, 0x04),
    "d82": (4166, 0x44E00, 1, 39, 0x06),
}


class Disk:
    def __init__(self, kind, error_bytes=False, fill=0):
        sectors, self.header, self.first, self.track, self.name_at = FORMATS[kind]
        self.bytes = bytearray([fill]) * (sectors * (SECTOR + (1 if error_bytes else 0)))

    def put(self, offset, data):
        self.bytes[offset:offset + len(data)] = data
        return self

    def named(self, name):
        return self.put(self.header + self.name_at, name.ljust(16, b"\xa0"))

    def link(self, sector, track, to):
        return self.put(self.header + SECTOR * sector, bytes([track, to]))

    def slot(self, sector, k, type_byte, name, blocks):
        at = self.header + SECTOR * sector + 32 * (k - 1)
        self.put(at + 2, bytes([type_byte]))
        self.put(at + 5, name.ljust(16, b"\xa0"))
        return self.put(at + 30, blocks.to_bytes(2, "little"))

    def write(self, path):
        path.write_bytes(self.bytes)
        return path


def make_corpus(root):
    """Writes the made part of the corpus; returns {path: check(line)} for the files that count."""
    root.mkdir(parents=True, exist_ok=True)
    checks = {}

    def expect(path, readable, problem=None, entries=None):
        def check(line):
            problems = [p["code"] for p in line["problems"]]
            assert line["readable"] == readable, f"readable {line['readable']}"
            assert problem is None or problem in problems, f"problems {problems}"
            assert problem is not None or not problems, f"problems {problems}"
            assert entries is None or len(line["entries"]) == entries, len(line["entries"])
        checks[str(path)] = check

    (root / "filled").mkdir(exist_ok=True)
    for kind in FORMATS:
        for errors in (False, True):
            d = Disk(kind, errors).named(b"MADE " + kind.upper().encode())
            d.slot(d.first, 1, 0x82, b"GAME \xc1\xff", 5).slot(d.first, 2, 0xC4, b"REL", 7)
            ext = "d64" if kind.startswith("d64") else kind
            if kind == "d64x40":
                d.put(d.header + 0xAC + 4 * errors, b"\x11")  # Dolphin, or SpeedDOS's area
            path = d.write(root / f"{kind}{'-errors' if errors else ''}.{ext}")
            expect(path, True, entries=2)
        for fill in (0x00, 0xFF):
            for errors in (False, True):
                ext = "d64" if kind.startswith("d64") else kind
                path = Disk(kind, errors, fill).write(
                    root / "filled" / f"{fill:02x}-{kind}{'-errors' if errors else ''}.{ext}")
                # Filled with 0xFF the chain leaves the track at once; with 0x00 it ends quietly.
                expect(path, True, "unknown-dir-track" if fill == 0xFF else None)

    chains = root / "chains"
    chains.mkdir(exist_ok=True)
    d = Disk("d64").named(b"CYCLE").link(1, 18, 4).link(4, 18, 1)
    expect(d.slot(1, 1, 0x82, b"ONE", 1).slot(4, 1, 0x82, b"FOUR", 4).write(chains / "cycle.d64"),
           True, "cyclic-dir-sector", 2)
    d = Disk("d81").named(b"AWAY").link(3, 39, 0).slot(3, 8, 0x81, b"AWAY", 1)
    expect(d.write(chains / "away.d81"), True, "unknown-dir-track", 1)
    d = Disk("d71").named(b"HIGH").link(1, 18, 41).slot(1, 1, 0x82, b"HIGH", 1)
    expect(d.write(chains / "high.d71"), True, "invalid-dir-sector", 1)

    bad = root / "bad"
    bad.mkdir(exist_ok=True)
    (bad / "short.d64").write_bytes(b"\0" * 1000)
    expect(bad / "short.d64", False, "unsupported-size")
    (bad / "empty.D81").write_bytes(b"")
    expect(bad / "empty.D81", False, "unsupported-size")
    (bad / "folder.d64").mkdir(exist_ok=True)
    Disk("d64").named(b"INSIDE").write(bad / "folder.d64" / "inside.d64")
    expect(bad / "folder.d64" / "inside.d64", True)
    if not (bad / "dangling.d64").is_symlink():
        (bad / "dangling.d64").symlink_to(bad / "gone")
    expect(bad / "dangling.d64", False, "not-a-file")
    if not (bad / "fifo.d82").exists():
        os.mkfifo(bad / "fifo.d82")
    expect(bad / "fifo.d82", False, "not-a-file")
    (bad / "image.txt").write_bytes(b"\0" * 174848)  # not counted: its extension
    (bad / "no-extension").write_bytes(b"\0" * 174848)
    return checks


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--qvx", required=True)
    parser.add_argument("--schema", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("folders", nargs="+")
    args = parser.parse_args()

    schema = json.loads(pathlib.Path(args.schema).read_text(encoding="utf-8"))
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    made = pathlib.Path(args.work) / "made"
    checks = make_corpus(made)

    failures = []
    passed = 0
    # The corpus holds unreadable images (status 1); --find matches some entries (status 0);
    # --extract writes the files of the tool images and the samples, some damaged (status 1).
    extract_to = pathlib.Path(args.work) / "extracted"
    shutil.rmtree(extract_to, ignore_errors=True)
    images = sorted(str(p) for folder in args.folders for p in pathlib.Path(folder).iterdir()
                    if p.suffix.lower() in (".d64", ".d71", ".d81", ".g64"))
    runs = {"images": (["-r", "--json", *args.folders, str(made)], 1),
            "matches": (["-r", "--json", "--find", "*", *args.folders, str(made)], 0),
            "files": (["--extract", str(extract_to), "--json", *images], 1)}
    lines = {}
    for what, (options, status) in runs.items():
        run = subprocess.run([args.qvx, *options], capture_output=True)
        out = run.stdout.decode("utf-8")  # strict: the output must be UTF-8
        lines[what] = [json.loads(text) for text in out.splitlines()]
        if run.returncode != status:
            failures.append(f"{what}: exit status {run.returncode}, expected {status}")
        for line in lines[what]:
            errors = [e.message for e in validator.iter_errors(line)]
            if errors:
                failures.append(f"{what}: {line.get('path')}: {errors[0]}")
            else:
                passed += 1

    seen = {line["path"]: line for line in lines["images"]}
    for path, check in checks.items():
        if path not in seen:
            failures.append(f"{path}: no line")
            continue
        try:
            check(seen[path])
            passed += 1
        except AssertionError as e:
            failures.append(f"{path}: {e}")
    uncounted = [p for p in seen if p.endswith(("image.txt", "no-extension"))]
    if uncounted:
        failures.append(f"files that do not count were read: {uncounted}")
    written = [line for line in lines["files"] if pathlib.Path(line["file"]).is_file()]
    if len(written) != len(lines["files"]) or len(written) < 100:
        failures.append(f"{len(written)} of {len(lines['files'])} files written: too few")
    if len(lines["images"]) < 50 or not lines["matches"]:
        failures.append(f"{len(lines['images'])} images, {len(lines['matches'])} matches: too few")

    # The schema must see what is wrong.
    good = next(line for line in lines["images"] if line["readable"] and line["entries"])
    broken = []
    for change in ("drop header", "blocks as text", "unknown problem", "readable but no type",
                   "raw name too short", "extra key"):
        line = copy.deepcopy(good)
        if change == "drop header":
            del line["header"]
        elif change == "blocks as text":
            line["entries"][0]["blocks"] = "5"
        elif change == "unknown problem":
            line["problems"] = [{"code": "bad-luck", "source": "directory"}]
        elif change == "readable but no type":
            line["type"] = None
        elif change == "raw name too short":
            line["entries"][0]["name"]["raw"] = "4142"
        else:
            line["comment"] = "x"
        if validator.is_valid(line):
            broken.append(change)
        else:
            passed += 1
    if broken:
        failures.append(f"the schema accepts lines that are wrong: {broken}")

    for f in failures:
        print(f"FAIL {f}")
    print(f"{passed} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
