#!/usr/bin/env python3
"""Checks of the release binaries and their split-off debug information.

usage: check_release.py PACKAGE_DIR SYMBOLS_DIR TRIPLE LINKED_DIR

For qxempduty.dll, qxtable.exe and qxcheck.exe: no build time in the PE header, no debug
sections left, a .gnu_debuglink that names the debug file and carries its
CRC-32; the DLL at most 1 MiB; code, data and resources the same bytes as in the
programs as linked (in LINKED_DIR, where the static checks read them). Then each export's address, looked up in the
debug file with addr2line, resolves to its function and source line, with
the source path free of the build machine's folders.
Prints one line per check and a closing 'N passed, N failed' line.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_dll import PE  # noqa: E402

EXPORT_SOURCE = "src/entry/qxempduty_win.cpp"
MAX_DLL_BYTES = 1024 * 1024

results = []


def check(what, ok, detail=""):
    results.append(bool(ok))
    print("%s  %s%s" % ("ok  " if ok else "FAIL", what, "" if ok or not detail else ": " + str(detail)))


def sections(triple, path):
    out = subprocess.run([triple + "-objdump", "-h", path], check=True, capture_output=True, text=True).stdout
    names = []
    for line in out.splitlines():
        fields = line.split()
        if len(fields) >= 7 and fields[0].isdigit():
            names.append(fields[1])
    return names


def section_bytes(triple, path, section):
    with tempfile.TemporaryDirectory() as tmp:
        dump = os.path.join(tmp, "section")
        subprocess.run([triple + "-objcopy", "--dump-section", section + "=" + dump, path, os.path.join(tmp, "copy")],
                       check=True, capture_output=True)
        with open(dump, "rb") as f:
            return f.read()


def debuglink(triple, path):
    with tempfile.TemporaryDirectory() as tmp:
        dump = os.path.join(tmp, "link")
        subprocess.run([triple + "-objcopy", "--dump-section", ".gnu_debuglink=" + dump, path, os.path.join(tmp, "copy")],
                       check=True, capture_output=True)
        with open(dump, "rb") as f:
            data = f.read()
    name = data[:data.index(b"\0")].decode()
    crc = struct.unpack_from("<I", data, len(data) - 4)[0]
    return name, crc


def main():
    package, symbols, triple, linked = sys.argv[1:5]
    for program in ("qxempduty.dll", "qxtable.exe", "qxcheck.exe"):
        path = os.path.join(package, program)
        debug = os.path.join(symbols, program + ".debug")
        with open(path, "rb") as f:
            data = f.read()
        pe_offset = struct.unpack_from("<I", data, 0x3C)[0]
        stamp = struct.unpack_from("<I", data, pe_offset + 8)[0]
        # The linker writes none; strip writes SOURCE_DATE_EPOCH when set.
        fixed = {0, int(os.environ.get("SOURCE_DATE_EPOCH", "0"))}
        check("%s: no build time in the PE header (0 or SOURCE_DATE_EPOCH)" % program, stamp in fixed, "%#x" % stamp)
        names = sections(triple, path)
        left = [n for n in names if n.startswith(".debug")]
        check("%s: stripped of debug information" % program, not left, left)
        if ".gnu_debuglink" not in names:
            check("%s: .gnu_debuglink present" % program, False, names)
            continue
        name, crc = debuglink(triple, path)
        with open(debug, "rb") as f:
            want = zlib.crc32(f.read()) & 0xFFFFFFFF
        check("%s: .gnu_debuglink names %s.debug with its CRC-32" % (program, program),
              name == program + ".debug" and crc == want, "%s %#x, file %#x" % (name, crc, want))
        same = [s for s in (".text", ".rdata", ".data", ".rsrc", ".edata", ".idata")
                if s in names and section_bytes(triple, path, s) == section_bytes(triple, os.path.join(linked, program), s)]
        check("%s: code, data and resources unchanged by stripping" % program,
              len(same) == len([s for s in (".text", ".rdata", ".data", ".rsrc", ".edata", ".idata") if s in names])
              and ".text" in same, same)
        check("%s: the debug file holds the debug information" % program,
              ".debug_info" in sections(triple, debug) and ".debug_line" in sections(triple, debug))

    for program in ("qxtable.exe", "qxcheck.exe"):
        with open(os.path.join(package, program), "rb") as f:
            tool = f.read()
        opt = struct.unpack_from("<I", tool, 0x3C)[0] + 24
        magic, subsystem = struct.unpack_from("<H", tool, opt)[0], struct.unpack_from("<H", tool, opt + 68)[0]
        check("%s: a 32-bit console program" % program, magic == 0x10B and subsystem == 3,
              "magic %#x subsystem %d" % (magic, subsystem))

    dll = os.path.join(package, "qxempduty.dll")
    size = os.path.getsize(dll)
    check("qxempduty.dll at most 1 MiB", size <= MAX_DLL_BYTES, "%d bytes" % size)

    with open(dll, "rb") as f:
        pe = PE(f.read())
    _, _, exports = pe.exports()
    addresses = {name: pe.image_base + rva for name, rva in exports.values()}
    query = [hex(addresses[n]) for n in sorted(addresses)]
    out = subprocess.run([triple + "-addr2line", "-f", "-e", os.path.join(symbols, "qxempduty.dll.debug")] + query,
                         check=True, capture_output=True, text=True).stdout.splitlines()
    for i, name in enumerate(sorted(addresses)):
        function, place = out[2 * i], out[2 * i + 1]
        source, _, line = place.rpartition(":")
        line = line.split()[0] if line else ""
        check("%s at %#x resolves to its function and source line" % (name, addresses[name]),
              function.split("@")[0].lstrip("_") == name and source.replace("\\", "/").endswith(EXPORT_SOURCE)
              and line.isdigit() and int(line) > 0,
              "%s %s" % (function, place))
        check("%s: source path free of the build's folders" % name,
              not os.path.isabs(source) and "/work/" not in source, source)

    failed = results.count(False)
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
