#!/usr/bin/env python3
"""dist.py BUILD OUT: packs the release zip from a win64 build folder.

Writes OUT/ovrix-<version>-win64.zip (the two programs, the files that ship
beside them, README.txt and LICENSE.txt with CR LF line ends, and SHA256SUMS
of those files) and OUT/SHA256SUMS for the zip. The zip is the same bytes
every time for the same programs: entries sorted by name, fixed attributes,
and every file dated at the last commit (or SOURCE_DATE_EPOCH).
"""
import hashlib
import os
import re
import subprocess
import sys
import time
import zipfile

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAMS = ["ovrix.exe", "ovrix-report.exe"]


def version():
    with open(os.path.join(SOURCE, "CMakeLists.txt"), encoding="utf-8") as f:
        found = re.search(r"project\(ovrix VERSION (\d+)\.(\d+)", f.read())
    return "%s.%s" % found.groups()


def source_date():
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    # safe.directory: a checkout made by another user (as in CI) is still read.
    out = subprocess.run(["git", "-c", "safe.directory=*", "-C", SOURCE, "log", "-1", "--format=%ct"],
                         capture_output=True, text=True)
    if out.returncode != 0 or not out.stdout.strip():
        sys.exit("dist: no commit to date the files by; set SOURCE_DATE_EPOCH")
    return int(out.stdout.strip())


def read(path):
    with open(path, "rb") as f:
        return f.read()


def with_crlf(data):
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def package_files(build):
    """The files of the zip as (name, bytes), SHA256SUMS last."""
    files = [(name, read(os.path.join(build, name))) for name in PROGRAMS]
    ship = os.path.join(SOURCE, "resources", "ship")
    for name in sorted(os.listdir(ship)):
        data = read(os.path.join(ship, name))
        files.append((name, with_crlf(data) if name.endswith(".txt") else data))
    files.append(("LICENSE.txt", with_crlf(read(os.path.join(SOURCE, "LICENSE")))))
    files.sort()
    sums = "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name) for name, data in files)
    files.append(("SHA256SUMS", sums.encode("ascii")))
    return files


def write_zip(path, files, epoch):
    # Zip times have no time zone and start in 1980; they are read as UTC here.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(path, "w") as z:
        for name, data in sorted(files):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 0  # MS-DOS attributes only
            info.external_attr = 0x20  # archive
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data, compresslevel=9)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: dist.py BUILD OUT")
    build, out = sys.argv[1:]
    os.makedirs(out, exist_ok=True)
    name = "ovrix-%s-win64.zip" % version()
    zip_path = os.path.join(out, name)
    write_zip(zip_path + ".part", package_files(build), source_date())
    os.replace(zip_path + ".part", zip_path)
    with open(os.path.join(out, "SHA256SUMS"), "w", encoding="ascii", newline="\n") as f:
        f.write("%s  %s\n" % (hashlib.sha256(read(zip_path)).hexdigest(), name))
    print("wrote %s and %s" % (zip_path, os.path.join(out, "SHA256SUMS")))


if __name__ == "__main__":
    main()
