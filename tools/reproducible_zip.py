#!/usr/bin/env python3
"""Writes a zip file whose bytes depend on the files' contents only: the
entries in the order given, each dated SOURCE_DATE_EPOCH (no earlier than
1980, which zip cannot express), with fixed permissions and compression.

usage: reproducible_zip.py OUT.zip FOLDER NAME...
"""
import os
import sys
import time
import zipfile


def main():
    out, folder, names = sys.argv[1], sys.argv[2], sys.argv[3:]
    epoch = max(int(os.environ.get("SOURCE_DATE_EPOCH", "315532800")), 315532800)
    stamp = time.gmtime(epoch)[:6]
    with zipfile.ZipFile(out, "w") as z:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0
            with open(os.path.join(folder, name), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    return 0


if __name__ == "__main__":
    sys.exit(main())
