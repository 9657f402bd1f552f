#!/usr/bin/env python3
"""check_zip.py OUT: the release zip in OUT holds exactly the files a user
gets, its SHA256SUMS lists each of them with its hash, OUT/SHA256SUMS holds the
zip's, and the texts for Windows have CR LF line ends."""
import hashlib
import os
import sys
import zipfile

EXPECTED = ["LICENSE.txt", "README.txt", "SHA256SUMS", "ovrix-report.exe", "ovrix.exe",
            "ovrix_language_template.cfg", "ovrix_list.cfg"]


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def main():
    out = sys.argv[1]
    with open(os.path.join(out, "SHA256SUMS"), encoding="ascii") as f:
        outer = f.read().split()
    assert len(outer) == 2 and outer[1].endswith("-win64.zip"), outer
    zip_path = os.path.join(out, outer[1])
    with open(zip_path, "rb") as f:
        assert sha256(f.read()) == outer[0], "SHA256SUMS does not match the zip"
    with zipfile.ZipFile(zip_path) as z:
        names = z.namelist()
        assert names == EXPECTED, names  # sorted, and nothing else
        files = {name: z.read(name) for name in names}
        assert len({info.date_time for info in z.infolist()}) == 1, "files dated differently"
    listed = [line.split("  ") for line in files.pop("SHA256SUMS").decode("ascii").splitlines()]
    assert sorted(name for _, name in listed) == sorted(files), listed
    for digest, name in listed:
        assert sha256(files[name]) == digest, name + ": hash does not match"
    for name in ("README.txt", "LICENSE.txt"):
        text = files[name]
        assert b"\r\n" in text and text.count(b"\n") == text.count(b"\r\n"), name + ": not CR LF throughout"
    assert files["ovrix.exe"][:2] == b"MZ" and files["ovrix-report.exe"][:2] == b"MZ"
    print("%s: %d files, sums match" % (outer[1], len(names)))


if __name__ == "__main__":
    main()
