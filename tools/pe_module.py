#!/usr/bin/env python3
"""Reads a Windows module file without running it, and checks it against what the plug-in must be.

    pe_module.py check MODULE --machine i386|amd64 --export NAME[@BYTES] ... [--def FILE]

Checks: a DLL of that machine; exactly the named exports, by their plain names; with --def (the
linker's --output-def of a 32-bit module) each export's stdcall argument bytes; imports from
Windows system DLLs only; a version resource. Prints one line per fault and exits 1 on any.
Usable where no Windows program can run (no Wine, or no 32-bit support in the kernel).
"""
import argparse
import re
import struct
import sys

MACHINES = {"i386": (0x014C, 0x10B), "amd64": (0x8664, 0x20B)}
IMAGE_FILE_DLL = 0x2000
RT_VERSION = 16
# The plug-in runs inside any file manager: only DLLs every Windows has may be imported.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll"}


class Module:
    """The parts of a PE file the checks need: headers, sections, exports, imports, resources."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ" or len(data) < 0x40:
            raise ValueError("no DOS header")
        pe = self._u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, self.characteristics = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(min(16, self._u32(directories - 4)))]
        self.sections = []
        first = optional + optional_size
        for i in range(sections):
            name, vsize, rva, raw_size, raw = struct.unpack_from("<8sIIII", data, first + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), rva, max(vsize, raw_size),
                                  raw))

    def _u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def _offset(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"address {rva:#x} lies in no section")

    def _text(self, rva):
        at = self._offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("latin-1")

    def _directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def exports(self):
        rva, size = self._directory(0)
        if not size:
            return []
        at = self._offset(rva)
        count = self._u32(at + 24)  # NumberOfNames
        names = self._u32(at + 32)  # AddressOfNames
        return [self._text(self._u32(self._offset(names) + 4 * i)) for i in range(count)]

    def imports(self):
        rva, size = self._directory(1)
        dlls = []
        at = self._offset(rva) if size else None
        while at is not None:
            name = self._u32(at + 12)
            if name == 0:
                break
            dlls.append(self._text(name))
            at += 20
        return dlls

    def resource_types(self):
        rva, size = self._directory(2)
        if not size:
            return []
        at = self._offset(rva)
        named, ids = struct.unpack_from("<HH", self.data, at + 12)
        entries = at + 16
        return [self._u32(entries + 8 * i) for i in range(named, named + ids)]


def stdcall_sizes(def_text):
    """NAME -> argument bytes, from a linker .def's 'NAME = NAME@N' lines."""
    return {m.group(1): int(m.group(2))
            for m in re.finditer(r"^\s*(\w+)\s*=\s*\w+@(\d+)", def_text, re.M)}


def check(module, machine, wanted, def_text):
    faults = []
    want_machine, want_magic = MACHINES[machine]
    if module.machine != want_machine or module.magic != want_magic:
        faults.append(f"machine {module.machine:#06x}, optional header {module.magic:#x}: "
                      f"not a {machine} module")
    if not module.characteristics & IMAGE_FILE_DLL:
        faults.append("not a DLL")
    names = {name: size for name, _, size in (w.partition("@") for w in wanted)}
    exported = module.exports()
    if sorted(exported) != sorted(names):
        faults.append(f"exports {sorted(exported)}, expected {sorted(names)}")
    if def_text is not None:
        sizes = stdcall_sizes(def_text)
        for name, size in names.items():
            if size and sizes.get(name) != int(size):
                faults.append(f"{name} takes {sizes.get(name)} bytes of arguments, expected {size}")
    foreign = [d for d in module.imports() if d.lower() not in SYSTEM_DLLS]
    if foreign:
        faults.append(f"imports DLLs that are not part of Windows: {foreign}")
    if RT_VERSION not in module.resource_types():
        faults.append("no version resource")
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    c = sub.add_parser("check")
    c.add_argument("module")
    c.add_argument("--machine", choices=MACHINES, required=True)
    c.add_argument("--export", action="append", default=[], required=True)
    c.add_argument("--def", dest="def_file")
    args = parser.parse_args()
    try:
        with open(args.module, "rb") as f:
            module = Module(f.read())
        def_text = open(args.def_file, encoding="utf-8").read() if args.def_file else None
        faults = check(module, args.machine, args.export, def_text)
    except (OSError, ValueError, struct.error) as e:
        faults = [f"unreadable: {e}"]
    for fault in faults:
        print(f"{args.module}: {fault}")
    if not faults:
        print(f"{args.module}: {args.machine} DLL, exports {', '.join(args.export)}, "
              f"system imports only, version resource present")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
