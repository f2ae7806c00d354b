#!/usr/bin/python3
"""Reads back the manifest and the version resource of each shipped program
from the built file, with Debian's python3-pefile.
Usage: shipped_resources.py VERSION PROGRAM.exe=LEVEL ... [LIBRARY.dll=library]
A library is the UnRAR library, which carries its own maker's version."""
import re
import sys

import pefile

SUPPORTED_OS = {
    "e2011457-1546-43c5-a5fe-008deee3d3f0": "Vista",
    "35138b9a-5d96-4fbd-8e2d-a2440225f93a": "7",
    "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38": "8",
    "1f676c76-80e1-4239-95bb-83d0f6d0da78": "8.1",
    "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a": "10 and 11",
}
fails = 0


def check(ok, what):
    global fails
    print(("ok: " if ok else "FAIL: ") + what)
    fails += 0 if ok else 1


def manifest_of(pe):
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if rtype.id != pefile.RESOURCE_TYPE["RT_MANIFEST"]:
            continue
        for rid in rtype.directory.entries:
            if rid.id != 1:
                continue
            data = rid.directory.entries[0].data.struct
            return pe.get_data(data.OffsetToData, data.Size).decode("utf-8")
    return None


def strings_of(pe):
    table = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for st in getattr(entry, "StringTable", []):
                table.update({k.decode(): v.decode() for k, v in st.entries.items()})
    return table


version = sys.argv[1]
numbers = [int(n) for n in (version + ".0.0.0").split(".")[:4]]
for arg in sys.argv[2:]:
    path, level = arg.rsplit("=", 1)
    name = path.replace("\\", "/").rsplit("/", 1)[-1]
    pe = pefile.PE(path)
    if level == "library":
        s = strings_of(pe)
        check(bool(s.get("FileVersion")), f"{name}: its own version {s.get('FileVersion')!r}")
        check(s.get("OriginalFilename", "").lower() == name.lower(), f"{name}: original file name")
        check(bool(s.get("FileDescription")), f"{name}: {s.get('FileDescription')!r}")
        continue
    m = manifest_of(pe)
    check(m is not None, f"{name}: manifest resource 1")
    m = m or ""
    check(f'requestedExecutionLevel level="{level}"' in m, f"{name}: runs {level}")
    ids = set(re.findall(r'supportedOS Id="\{([0-9a-f-]+)\}"', m))
    check(ids == set(SUPPORTED_OS), f"{name}: declares Windows " + ", ".join(SUPPORTED_OS[i] for i in ids))
    check("dpiAware" not in m and "Common-Controls" not in m, f"{name}: classic look, no DPI awareness")
    s = strings_of(pe)
    check(s.get("FileVersion") == version and s.get("ProductVersion") == version, f"{name}: version {version}")
    check(s.get("OriginalFilename", "").lower() == name.lower(), f"{name}: original file name")
    for key in ("FileDescription", "ProductName", "CompanyName", "LegalCopyright"):
        check(bool(s.get(key)), f"{name}: {key} = {s.get(key)!r}")
    fixed = pe.VS_FIXEDFILEINFO[0]
    got = [fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF, fixed.FileVersionLS >> 16,
           fixed.FileVersionLS & 0xFFFF]
    check(got == numbers, f"{name}: fixed file version {got}")
sys.exit(1 if fails else 0)
