#!/usr/bin/env python3
"""Writes archives whose entries would reach outside the target directory.

rar refuses to store such names, so the RAR5 archives are made by rar with
placeholder names of the same length, whose name fields are then overwritten
and whose header CRCs are recomputed; link kinds that rar cannot make here
(Windows symbolic links, junctions) are Unix links with their redirection
type changed. rar 7 no longer writes RAR4, so the RAR4 archives are written
here directly: stored entries in the RAR 2.9 block format.

Usage: hostile-archives.py OUTDIR (run with rar on PATH, in an empty folder)
"""
import os
import struct
import subprocess
import sys
import zlib

# Entries of the name archives: (stored name, placeholder rar is given). A
# placeholder of None is a harmless entry that must be extracted. Names with
# the marker "kitesc" are looked for outside the target by the test.
NAMES5 = [
    ("good1.txt", None),
    ("/kitesc-abs.txt", "_kitesc-abs.txt"),
    ("C:/kitesc-drive.txt", "C__kitesc-drive.txt"),
    ("//srv/share/kitesc-unc.txt", "__srv_share_kitesc-unc.txt"),
    ("../kitesc-up.txt", "___kitesc-up.txt"),
    ("sub/../../kitesc-up2.txt", "sub_______kitesc-up2.txt"),
    (".. /kitesc-dots.txt", "____kitesc-dots.txt"),
    ("good1.txt:kitesc-ads", "good1.txt_kitesc-ads"),
    ("CON", "C0N"),
    ("nul.txt", "nu1.txt"),
    ("Com1.log", "Com_.log"),
    ("lpt9", "lpt_"),
    ("aux .txt", "aux_.txt"),
    ("good2.txt", None),
]

# The same classes as a Windows archiver writes them.
NAMES4 = [
    "good1.txt",
    "\\kitesc-abs.txt",
    "C:\\kitesc-drive.txt",
    "C:kitesc-drive2.txt",
    "\\\\srv\\share\\kitesc-unc.txt",
    "..\\kitesc-up.txt",
    "sub\\..\\..\\kitesc-up2.txt",
    "good1.txt:kitesc-ads",
    "PRN",
    "NUL.TXT",
    "lpt1.dat",
    "sub\\com9",
    "good2.txt",
]

# RAR5 redirection types (the library's FSREDIR_*).
WINSYMLINK, JUNCTION = 2, 3


def vint(data, pos):
    value, shift = 0, 0
    while True:
        b = data[pos]
        value |= (b & 0x7F) << shift
        pos += 1
        shift += 7
        if not b & 0x80:
            return value, pos


def rar5_blocks(data):
    """Yields (crc position, header start, header end, data size) per block."""
    pos = 8
    while pos < len(data):
        size, start = vint(data, pos + 4)
        end = start + size
        htype, p = vint(data, start)
        flags, p = vint(data, p)
        extra = datasize = 0
        if flags & 1:
            extra, p = vint(data, p)
        if flags & 2:
            datasize, p = vint(data, p)
        yield pos, start, end, htype, p, extra, datasize
        pos = end + datasize


def rar5_patch(path, names, redirs):
    """Overwrites name fields (placeholder -> name) and redirection types."""
    data = bytearray(open(path, "rb").read())
    for crcpos, start, end, htype, p, extra, _ in list(rar5_blocks(data)):
        if htype == 2:  # file header
            fflags, p = vint(data, p)
            _, p = vint(data, p)  # unpacked size
            _, p = vint(data, p)  # attributes
            p += 4 if fflags & 2 else 0
            p += 4 if fflags & 4 else 0
            _, p = vint(data, p)  # compression
            _, p = vint(data, p)  # host system
            length, p = vint(data, p)
            name = bytes(data[p:p + length]).decode()
            if name in names:
                new = names[name].encode()
                assert len(new) == length
                data[p:p + length] = new
            if name in redirs:
                q = end - extra
                while q < end:
                    rsize, r = vint(data, q)  # the size counts from the type on
                    rtype, t = vint(data, r)
                    if rtype == 5:  # redirection record: its type is one byte
                        data[t] = redirs[name]
                    q = r + rsize
        crc = zlib.crc32(data[crcpos + 4:end])
        data[crcpos:crcpos + 4] = struct.pack("<I", crc)
    open(path, "wb").write(data)


def rar(*args):
    subprocess.run(["rar", *args, "-idq", "-y"], check=True, stdout=subprocess.DEVNULL)


def rar4_block(htype, flags, body, add=b""):
    head = struct.pack("<BHH", htype, flags, 7 + len(body)) + body
    return struct.pack("<H", zlib.crc32(head) & 0xFFFF) + head + add


def rar4_file(name, data, host=2, attr=0x20):
    """A stored entry (method 0x30) as RAR 2.9 writes it."""
    raw = name.encode("latin-1")
    dostime = (44 << 25) | (1 << 21) | (2 << 16) | (3 << 11) | (4 << 5) | 2  # 2024-01-02 03:04:04
    body = struct.pack("<IIBIIBBHI", len(data), len(data), host, zlib.crc32(data), dostime, 29, 0x30,
                       len(raw), attr) + raw
    return rar4_block(0x74, 0x8000, body, data)


def rar4_archive(path, entries):
    out = b"Rar!\x1a\x07\x00" + rar4_block(0x73, 0, struct.pack("<HI", 0, 0))
    for e in entries:
        out += rar4_file(*e)
    out += rar4_block(0x7B, 0x4000, b"")
    open(path, "wb").write(out)


def main():
    out = os.path.abspath(sys.argv[1])
    os.makedirs("src5", exist_ok=True)
    os.chdir("src5")
    files = [placeholder or name for name, placeholder in NAMES5]
    for f in files:
        open(f, "w").write("contents of %s\n" % f)
    rar("a", "-m0", os.path.join(out, "names5.rar"), *files)
    rar5_patch(os.path.join(out, "names5.rar"), {p: n for n, p in NAMES5 if p}, {})

    # Links: a Unix symbolic link out of the target, the same as a Windows
    # symbolic link and as a junction, a hard link and a file copy.
    os.makedirs("../links5", exist_ok=True)
    os.chdir("../links5")
    for f in ["good1.txt", "hard1.txt", "good2.txt"]:
        open(f, "w").write("contents of %s\n" % f)
    open("copy1.txt", "w").write("the same text in two files\n")
    open("kitesc-copy.txt", "w").write("the same text in two files\n")
    os.link("hard1.txt", "kitesc-hard.txt")
    for link in ["kitesc-sym", "kitesc-wsym", "kitesc-junc"]:
        os.symlink("../kitesc-target", link)
    rar("a", "-ol", "-oh", "-oi:1", os.path.join(out, "links5.rar"), "good1.txt", "kitesc-sym", "kitesc-wsym",
        "kitesc-junc", "hard1.txt", "kitesc-hard.txt", "copy1.txt", "kitesc-copy.txt", "good2.txt")
    rar5_patch(os.path.join(out, "links5.rar"), {}, {"kitesc-wsym": WINSYMLINK, "kitesc-junc": JUNCTION})

    rar4_archive(os.path.join(out, "names4.rar"), [(n, ("contents of %s\n" % n).encode()) for n in NAMES4])
    # A Unix symbolic link (its target is the data) and a Windows entry that
    # carries the reparse-point attribute.
    rar4_archive(os.path.join(out, "links4.rar"), [
        ("good1.txt", b"contents of good1.txt\n"),
        ("kitesc-sym", b"../kitesc-target", 3, 0xA1FF),
        ("kitesc-reparse", b"../kitesc-target", 2, 0x420),
        ("good2.txt", b"contents of good2.txt\n"),
    ])


if __name__ == "__main__":
    main()
