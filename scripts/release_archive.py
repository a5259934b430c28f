#!/usr/bin/env python3
"""The Windows release archives, the viewer's and the packer's: made the same, byte for byte, from
the same files, and checked.

    release_archive.py zip STAGE ARCHIVE         # every file of STAGE, flat, dated SOURCE_DATE_EPOCH
    release_archive.py check --version V PACKAGES   # what package.sh leaves in build/packages

Only reads files: nothing is run, so the check works on machines without Wine or 32-bit support.
"""

import argparse
import configparser
import hashlib
import os
import pathlib
import struct
import sys
import time
import zipfile
import zlib

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tools"))
from pe_module import PeImage, interface_faults  # noqa: E402

DOCS = ["README.md", "LICENSE"]
# The font shipped beside the viewer's modules, and its licence, made by the build from the glyph
# source.
FONT = "QVX-Mono.ttf"
FONT_LICENCE = "QVX-Mono-OFL.txt"
FONT_SIZE_LIMIT = 64 * 1024
INSTALL_DESCRIPTION = "pluginst.inf"
IMAGE_EXTENSIONS = "d64,d71,d80,d81,d82,g64"

# One plug-in per archive, as file managers install them: its modules (file managers take the
# module by its name and the 64-bit one by the same name + "64"), their exports and largest size,
# the other files and the install description's keys besides its description. The packer carries
# the chain reader and the file writer besides the readers, and the 32-bit build's unwind tables
# are large: about 270 KiB.
ARCHIVES = {
    "windows": {
        "modules": {"qvx.wlx": "i386", "qvx.wlx64": "amd64"},
        "exports": ["ListCloseWindow", "ListGetDetectString", "ListGetPreviewBitmap",
                    "ListGetPreviewBitmapW", "ListLoad", "ListLoadNext", "ListLoadNextW",
                    "ListLoadW", "ListSearchText", "ListSearchTextW", "ListSendCommand"],
        "size_limit": 256 * 1024,
        "files": [FONT, FONT_LICENCE],
        "install": {"type": "wlx", "file": "qvx.wlx", "defaultdir": "qvx"},
    },
    "windows-packer": {
        "modules": {"qvx.wcx": "i386", "qvx.wcx64": "amd64"},
        "exports": ["CanYouHandleThisFile", "CanYouHandleThisFileW", "CloseArchive",
                    "GetBackgroundFlags", "GetPackerCaps", "OpenArchive", "OpenArchiveW",
                    "PackSetDefaultParams", "ProcessFile", "ProcessFileW", "ReadHeader",
                    "ReadHeaderEx", "ReadHeaderExW", "SetChangeVolProc", "SetChangeVolProcW",
                    "SetProcessDataProc", "SetProcessDataProcW"],
        "size_limit": 320 * 1024,
        "files": [],
        "install": {"type": "wcx", "file": "qvx.wcx", "defaultdir": "qvx",
                    "defaultextension": IMAGE_EXTENSIONS},
    },
}
# Zip dates are local DOS times in two-second steps, from 1980 on; ours are UTC.
DOS_EPOCH = 315532800


def epoch():
    value = os.environ.get("SOURCE_DATE_EPOCH")
    if not value or not value.isdigit():
        sys.exit("release_archive: SOURCE_DATE_EPOCH must hold the time of the sources")
    return int(value)


def zip_date(seconds):
    t = time.gmtime(max(seconds, DOS_EPOCH))
    return (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec // 2 * 2)


def make_zip(stage, archive):
    """Entries in name order, all with one date, the same attributes and compression."""
    date = zip_date(epoch())
    files = sorted(p for p in pathlib.Path(stage).iterdir())
    with zipfile.ZipFile(archive, "w") as z:
        for path in files:
            if not path.is_file():
                sys.exit(f"release_archive: {path} is not a file; the archive is flat")
            info = zipfile.ZipInfo(path.name, date_time=date)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            z.writestr(info, path.read_bytes(), compresslevel=9)


def check_module(name, data, kind, debug_dir, root, problems):
    try:
        check_pe_module(name, data, kind, debug_dir, root, problems)
    except (ValueError, struct.error) as e:
        problems.append(f"{name}: unreadable: {e}")


def check_pe_module(name, data, kind, debug_dir, root, problems):
    pe = PeImage(data)
    problems += [f"{name}: {fault}"
                 for fault in interface_faults(pe, kind["modules"][name], kind["exports"])]
    if len(data) > kind["size_limit"]:
        problems.append(f"{name}: {len(data)} bytes, over the limit of {kind['size_limit']}")
    if pe.timestamp != 0:
        problems.append(f"{name}: carries a time stamp ({pe.timestamp})")
    if pe.symbol_count != 0:
        problems.append(f"{name}: not stripped, {pe.symbol_count} symbols")
    debug_sections = [s[0] for s in pe.sections if s[0].startswith((".debug", ".zdebug"))]
    if debug_sections:
        problems.append(f"{name}: debug sections {debug_sections}")
    for form in (os.fsencode(root), str(root).encode("utf-16-le")):
        if form in data:
            problems.append(f"{name}: holds the build path {root}")
    # The module names its debug file, with the file's CRC: a debugger takes no other.
    link = pe.section(".gnu_debuglink") or b""
    debug = debug_dir / f"{name}.debug"
    end = link.find(b"\0")
    if end < 0 or len(link) < ((end + 4) & ~3) + 4:
        problems.append(f"{name}: names no debug file")
    elif link[:end] != os.fsencode(debug.name):
        problems.append(f"{name}: names the debug file {link[:end]!r}")
    elif not debug.is_file():
        problems.append(f"{name}: its debug file {debug} is missing")
    else:
        debug_data = debug.read_bytes()
        crc = struct.unpack_from("<I", link, (end + 4) & ~3)[0]
        if crc != zlib.crc32(debug_data):
            problems.append(f"{name}: {debug.name} is not the debug file of this build")
        if not any(s[0].startswith(".debug_") for s in PeImage(debug_data).sections):
            problems.append(f"{name}: {debug.name} holds no debug information")


def check_font(data, problems):
    """A TrueType file of the face QVX Mono, small enough to travel with every module."""
    if len(data) > FONT_SIZE_LIMIT:
        problems.append(f"{FONT}: {len(data)} bytes, over the limit of {FONT_SIZE_LIMIT}")
    if data[:4] != b"\0\1\0\0":
        problems.append(f"{FONT}: not a TrueType font")
    elif "QVX Mono".encode("utf-16-be") not in data:
        problems.append(f"{FONT}: does not name the face QVX Mono")


def check_install_description(data, want, problems):
    """The INI file the file manager installs from: one section, the wanted keys and a
    description."""
    if b"\n" in data.replace(b"\r\n", b""):
        problems.append(f"{INSTALL_DESCRIPTION}: lines not ended by CR LF")
    ini = configparser.ConfigParser(interpolation=None)
    try:
        ini.read_string(data.decode("ascii"))
    except (UnicodeDecodeError, configparser.Error) as e:
        problems.append(f"{INSTALL_DESCRIPTION}: {e}")
        return
    if ini.sections() != ["plugininstall"]:
        problems.append(f"{INSTALL_DESCRIPTION}: sections {ini.sections()}")
        return
    keys = dict(ini["plugininstall"])
    if {k: keys.get(k) for k in want} != want or set(keys) != set(want) | {"description"}:
        problems.append(f"{INSTALL_DESCRIPTION}: keys {keys}")
    if not keys.get("description", "").strip():
        problems.append(f"{INSTALL_DESCRIPTION}: no description")


def check_checksums(packages, problems):
    sums = packages / "SHA256SUMS"
    if not sums.is_file():
        problems.append("SHA256SUMS was not written")
        return
    listed = {}
    for line in sums.read_text().splitlines():
        digest, _, name = line.partition("  ")
        listed[name] = digest
    archives = {p.name for p in packages.iterdir() if p.is_file() and p.name != sums.name}
    if set(listed) != archives:
        problems.append(f"SHA256SUMS lists {sorted(listed)}, the folder holds {sorted(archives)}")
    for name, digest in listed.items():
        path = packages / name
        if path.is_file() and hashlib.sha256(path.read_bytes()).hexdigest() != digest:
            problems.append(f"SHA256SUMS: {name} has another checksum")


def check_archive(archive, kind, packages, root, problems):
    with zipfile.ZipFile(archive) as z:
        names = sorted(z.namelist())
        print(f"package: {archive.name}: {', '.join(names)}")
        wanted = sorted(list(kind["modules"]) + DOCS + [INSTALL_DESCRIPTION] + kind["files"])
        if names != wanted:
            problems.append(f"{archive.name} holds {names}, not {wanted}")
        date = zip_date(epoch())
        dates = {i.filename: i.date_time for i in z.infolist() if i.date_time != date}
        if dates:
            problems.append(f"{archive.name}: entries not dated {date}: {dates}")
        for doc in DOCS:
            if doc in names and z.read(doc) != (root / doc).read_bytes():
                problems.append(f"{archive.name}: {doc} differs from the source tree's")
        if FONT_LICENCE in names and \
                z.read(FONT_LICENCE) != (root / "font" / "OFL.txt").read_bytes():
            problems.append(f"{FONT_LICENCE} differs from the glyph source's font/OFL.txt")
        if FONT in names:
            check_font(z.read(FONT), problems)
        if INSTALL_DESCRIPTION in names:
            check_install_description(z.read(INSTALL_DESCRIPTION), kind["install"], problems)
        for module in kind["modules"]:
            if module in names:
                data = z.read(module)
                print(f"package: {module}: {len(data)} bytes")
                check_module(module, data, kind, packages / "debug", root, problems)


def check(packages, version, root):
    problems = []
    archives = {packages / f"qvx-{version}-{suffix}.zip": kind for suffix, kind in ARCHIVES.items()}
    strays = sorted(p.name for p in packages.glob("*.zip") if p not in archives)
    if strays:
        problems.append(f"unexpected zip archives {strays}")
    for archive, kind in archives.items():
        if not archive.is_file():
            problems.append(f"{archive.name} was not made")
        else:
            check_archive(archive, kind, packages, root, problems)
    check_checksums(packages, problems)
    for p in problems:
        print(f"package: FAIL {p}")
    return not problems


def main():
    ap = argparse.ArgumentParser()
    sub = ap.add_subparsers(dest="command", required=True)
    z = sub.add_parser("zip")
    z.add_argument("stage")
    z.add_argument("archive")
    c = sub.add_parser("check")
    c.add_argument("--version", required=True)
    c.add_argument("packages")
    opts = ap.parse_args()
    if opts.command == "zip":
        make_zip(opts.stage, opts.archive)
    else:
        root = pathlib.Path(__file__).resolve().parent.parent
        sys.exit(0 if check(pathlib.Path(opts.packages), opts.version, root) else 1)


if __name__ == "__main__":
    main()
