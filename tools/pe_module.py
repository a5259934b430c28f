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
# The plug-in runs inside any file manager: only DLLs every Windows has may be imported; the
# language runtime must be linked in.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll",
               "shell32.dll", "ole32.dll", "oleaut32.dll", "comctl32.dll", "comdlg32.dll"}


class PeImage:
    """The parts of a PE file the check looks at, read from its bytes."""

    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        (self.machine, count, self.timestamp, symbols_at, self.symbol_count, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        strings = symbols_at + 18 * self.symbol_count
        self.sections = []
        for i in range(count):
            at = optional + optional_size + 40 * i
            raw_name = data[at:at + 8].rstrip(b"\0")
            vsize, vaddr, rsize, raddr = struct.unpack_from("<IIII", data, at + 8)
            if raw_name.startswith(b"/"):  # a long name, kept in the string table
                start = strings + int(raw_name[1:])
                raw_name = data[start:data.index(b"\0", start)]
            self.sections.append((raw_name.decode("latin-1"), vaddr, vsize, raddr, rsize))

    def section(self, name):
        for n, vaddr, vsize, raddr, rsize in self.sections:
            if n == name:
                return self.data[raddr:raddr + min(vsize, rsize)]
        return None

    def offset(self, rva):
        for _, vaddr, vsize, raddr, rsize in self.sections:
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raddr + rva - vaddr
        raise ValueError(f"address {rva:#x} lies in no section")

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("latin-1")

    def exports(self):
        rva, size = self.directories[0]
        if rva == 0:
            return 0, []
        at = self.offset(rva)
        functions, names = struct.unpack_from("<II", self.data, at + 20)
        names_at = struct.unpack_from("<I", self.data, at + 32)[0]
        name_rvas = struct.unpack_from(f"<{names}I", self.data, self.offset(names_at))
        return functions, [self.string(r) for r in name_rvas]

    def imports(self):
        rva, _ = self.directories[1]
        found = []
        at = self.offset(rva) if rva else None
        while at is not None:
            name_rva = struct.unpack_from("<I", self.data, at + 12)[0]
            if name_rva == 0:
                break
            found.append(self.string(name_rva))
            at += 20
        return found

    def resource_types(self):
        rva, size = self.directories[2]
        if not size:
            return []
        at = self.offset(rva)
        named, ids = struct.unpack_from("<HH", self.data, at + 12)
        return [struct.unpack_from("<I", self.data, at + 16 + 8 * i)[0]
                for i in range(named, named + ids)]


def interface_faults(pe, machine, exports):
    """What makes a module unfit for a file manager of that machine: its width, not being a DLL,
    other exports than these plain names, imports of DLLs that not every Windows has."""
    faults = []
    want_machine, want_magic = MACHINES[machine]
    if (pe.machine, pe.magic) != (want_machine, want_magic):
        faults.append(f"machine {pe.machine:#06x}, optional header {pe.magic:#x}: "
                      f"not a {machine} module")
    if not pe.characteristics & IMAGE_FILE_DLL:
        faults.append("not a DLL")
    functions, exported = pe.exports()
    if sorted(exported) != sorted(exports) or functions != len(exports):
        faults.append(f"exports {functions} functions, by name {sorted(exported)}; "
                      f"expected {sorted(exports)}")
    foreign = [d for d in pe.imports() if d.lower() not in SYSTEM_DLLS]
    if foreign:
        faults.append(f"imports DLLs that are not part of Windows: {foreign}")
    return faults


def stdcall_sizes(def_text):
    """NAME -> argument bytes, from a linker .def's 'NAME = NAME@N' lines."""
    return {m.group(1): int(m.group(2))
            for m in re.finditer(r"^\s*(\w+)\s*=\s*\w+@(\d+)", def_text, re.M)}


def check(pe, machine, wanted, def_text):
    names = {name: size for name, _, size in (w.partition("@") for w in wanted)}
    faults = interface_faults(pe, machine, list(names))
    if def_text is not None:
        sizes = stdcall_sizes(def_text)
        for name, size in names.items():
            if size and sizes.get(name) != int(size):
                faults.append(f"{name} takes {sizes.get(name)} bytes of arguments, expected {size}")
    if RT_VERSION not in pe.resource_types():
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
            pe = PeImage(f.read())
        def_text = open(args.def_file, encoding="utf-8").read() if args.def_file else None
        faults = check(pe, args.machine, args.export, def_text)
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
