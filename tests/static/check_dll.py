#!/usr/bin/env python3
"""Static checks of the 32-bit product DLL, which cannot run on this machine.

Reads the PE file itself: machine, export table (names, ordinals), imports,
version record, the pictures' bitmap resources; and, with objdump, that every
export removes its own arguments from the stack (stdcall, `ret $N`).

usage: check_dll.py DLL OBJDUMP
Prints one line per check and a closing 'N passed, N failed' line.
"""
import os
import re
import struct
import subprocess
import sys

EXPORTS = {1: ("SetLanguageID", 4), 2: ("EmpOffDuty", 4), 3: ("EmpOnDuty", 4), 4: ("EmpTest", 0)}
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "odbc32.dll", "ole32.dll", "oleaut32.dll",
    "comctl32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll", "winmm.dll", "msimg32.dll",
    "comdlg32.dll", "version.dll", "uxtheme.dll",
}
FIXED_VERSION = (2, 5, 2011, 106)
PICTURES = {"QXKEYS": "keys.bmp", "QXCROSS": "cross.bmp", "QXTICK": "tick.bmp"}
STRINGS = {
    "CompanyName": "", "FileDescription": "", "FileVersion": "", "InternalName": "",
    "LegalCopyright": "", "LegalTrademarks": "", "OriginalFilename": "", "ProductName": "",
    "ProductVersion": "1.0.0.0", "Comments": "",
}


class PE:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", "no PE signature"
        self.machine, nsect = struct.unpack_from("<HH", data, pe + 4)
        opt_size = struct.unpack_from("<H", data, pe + 20)[0]
        self.characteristics = struct.unpack_from("<H", data, pe + 22)[0]
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        self.image_base = struct.unpack_from("<I", data, opt + 28)[0]
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(16)]
        self.sections = []
        for i in range(nsect):
            s = opt + opt_size + 40 * i
            name = data[s:s + 8].rstrip(b"\0").decode()
            vsize, va, rawsize, raw = struct.unpack_from("<IIII", data, s + 8)
            self.sections.append((name, va, max(vsize, rawsize), raw))

    def off(self, rva):
        for _, va, size, raw in self.sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError("rva %#x outside sections" % rva)

    def cstr(self, rva):
        o = self.off(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("latin-1")

    def exports(self):
        rva, _ = self.dirs[0]
        o = self.off(rva)
        name_rva, base, nfuncs, nnames, funcs, names, ords = struct.unpack_from("<IIIIIII", self.data, o + 12)
        result = {}
        for i in range(nnames):
            name = self.cstr(struct.unpack_from("<I", self.data, self.off(names) + 4 * i)[0])
            index = struct.unpack_from("<H", self.data, self.off(ords) + 2 * i)[0]
            func = struct.unpack_from("<I", self.data, self.off(funcs) + 4 * index)[0]
            result[base + index] = (name, func)
        return self.cstr(name_rva), nfuncs, result

    def imports(self):
        rva, _ = self.dirs[1]
        o = self.off(rva)
        names = []
        while True:
            fields = struct.unpack_from("<IIIII", self.data, o)
            if fields == (0, 0, 0, 0, 0):
                return names
            names.append(self.cstr(fields[3]))
            o += 20

    def resource(self, rtype, name):
        """The data of a resource of the given type (a number) and name (a
        number or a text, matched without regard to case), first language."""
        rva, _ = self.dirs[2]
        if not rva:
            return None
        root = self.off(rva)

        def entries(o):
            named, ids = struct.unpack_from("<HH", self.data, o + 12)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", self.data, o + 16 + 8 * i)
                if ident & 0x80000000:
                    s = root + (ident & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, s)[0]
                    ident = self.data[s + 2:s + 2 + 2 * length].decode("utf-16-le")
                yield ident, target

        def matches(ident, want):
            if isinstance(want, str):
                return isinstance(ident, str) and ident.upper() == want.upper()
            return ident == want

        o = root
        for want in (rtype, name):
            found = [t for ident, t in entries(o) if matches(ident, want)]
            if not found:
                return None
            o = root + (found[0] & 0x7FFFFFFF)
        _, t = next(entries(o))
        data_rva, size = struct.unpack_from("<II", self.data, root + t)
        start = self.off(data_rva)
        return self.data[start:start + size]

    def version_resource(self):
        return self.resource(16, 1)  # RT_VERSION, VS_VERSION_INFO


def parse_block(buf, o):
    """One VS_VERSIONINFO-style block: (key, value bytes, value type, children, end)."""
    length, vlen, vtype = struct.unpack_from("<HHH", buf, o)
    end = o + length
    k = o + 6
    kend = k
    while buf[kend:kend + 2] != b"\0\0":
        kend += 2
    key = buf[k:kend].decode("utf-16-le")
    p = (kend + 2 + 3) & ~3
    vbytes = vlen * 2 if vtype == 1 else vlen
    value = buf[p:p + vbytes]
    p = (p + vbytes + 3) & ~3
    children = []
    while p < end:
        child = parse_block(buf, p)
        children.append(child)
        p = (child[4] + 3) & ~3
    return key, value, vtype, children, end


def main():
    dll, objdump = sys.argv[1], sys.argv[2]
    data = open(dll, "rb").read()
    pe = PE(data)
    results = []

    def check(name, ok, detail=""):
        results.append(ok)
        print(("PASS " if ok else "FAIL ") + name + ("" if ok else ": " + detail))

    check("machine is i386, PE32, a DLL", pe.machine == 0x14C and pe.magic == 0x10B and pe.characteristics & 0x2000,
          "machine %#x magic %#x" % (pe.machine, pe.magic))

    dllname, nfuncs, exports = pe.exports()
    check("export table names qxempduty.dll", dllname.lower() == "qxempduty.dll", dllname)
    got = {o: n for o, (n, _) in exports.items()}
    want = {o: n for o, (n, _) in EXPORTS.items()}
    check("exactly the four exports, undecorated, with their ordinals", got == want and nfuncs == 4,
          "%r (%d functions)" % (got, nfuncs))

    disasm = subprocess.run([objdump, "-d", "--no-show-raw-insn", dll], capture_output=True,
                            text=True, check=True).stdout
    functions = {}
    current = None
    for line in disasm.splitlines():
        m = re.match(r"^([0-9a-f]+) <(.+)>:$", line)
        if m:
            current = int(m.group(1), 16)
            functions[current] = []
            continue
        if current is not None and "\t" in line:
            functions[current].append(line.split("\t", 1)[1].strip())
    for ordinal, (name, arg_bytes) in EXPORTS.items():
        if ordinal not in exports:
            continue
        address = pe.image_base + exports[ordinal][1]
        body = functions.get(address)
        if body is None:
            check(name + " disassembles", False, "no symbol at %#x" % address)
            continue
        rets = [i for i in body if re.match(r"^ret[lw]?\b", i)]
        # A body that only tail-jumps to another function returns through it.
        seen = {address}
        while not rets:
            jumps = [int(m.group(1), 16) for m in (re.match(r"^jmp\s+([0-9a-f]+) <", i) for i in body) if m]
            targets = [t for t in jumps if t in functions and t not in seen]
            if not targets:
                break
            seen.add(targets[0])
            body = functions[targets[0]]
            rets = [i for i in body if re.match(r"^ret[lw]?\b", i)]
        want_ret = ("ret    $0x%x" % arg_bytes) if arg_bytes else "ret"
        ok = bool(rets) and all(re.sub(r"^ret[lw]?", "ret", r).replace(" ", "") == want_ret.replace(" ", "")
                                for r in rets)
        check("%s removes its %d argument bytes (stdcall)" % (name, arg_bytes), ok, repr(rets))

    imports = [n.lower() for n in pe.imports()]
    foreign = [n for n in imports if n not in SYSTEM_DLLS and not n.startswith("api-ms-win-")]
    check("imports system DLLs only (C++ runtime linked in)", not foreign and imports, "foreign: %r" % foreign)

    res = pe.version_resource()
    if res is None:
        check("version record present", False, "no RT_VERSION")
    else:
        key, value, _, children, _ = parse_block(res, 0)
        sig, _, fv_ms, fv_ls, pv_ms, pv_ls = struct.unpack_from("<IIIIII", value, 0)
        fixed = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
        check("fixed file and product version 2.5.2011.106",
              sig == 0xFEEF04BD and fixed(fv_ms, fv_ls) == FIXED_VERSION and fixed(pv_ms, pv_ls) == FIXED_VERSION,
              "%r %r" % (fixed(fv_ms, fv_ls), fixed(pv_ms, pv_ls)))
        tables = {}
        translation = None
        for child in children:
            if child[0] == "StringFileInfo":
                for table in child[3]:
                    tables[table[0]] = {s[0]: s[1].decode("utf-16-le").rstrip("\0") for s in table[3]}
            elif child[0] == "VarFileInfo":
                translation = struct.unpack_from("<HH", child[3][0][1], 0)
        # The string table's name is the language and the code page in hex:
        # 0804 and 03A8 (936), the same pair as the Translation value.
        check("language 0x0804 with code page 936", translation == (0x0804, 936)
              and [t.lower() for t in tables] == ["080403a8"],
              "%r %r" % (translation, list(tables)))
        strings = next(iter(tables.values()), {})
        extra = {k: v for k, v in strings.items() if v and k not in STRINGS}
        check("product text 1.0.0.0, every other text empty",
              all(strings.get(k, "") == v for k, v in STRINGS.items()) and not extra, repr(strings))

    # The dialogs' pictures: each bitmap file of the resources folder without
    # its 14-byte file header.
    resources = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")
    for name, file in PICTURES.items():
        with open(os.path.join(resources, file), "rb") as f:
            want = f.read()[14:]
        got = pe.resource(2, name)  # RT_BITMAP
        check("bitmap resource %s holds %s" % (name, file), got == want,
              "missing" if got is None else "%d bytes, file %d" % (len(got), len(want)))

    failed = results.count(False)
    print("%d passed, %d failed" % (len(results) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
