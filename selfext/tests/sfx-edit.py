#!/usr/bin/env python3
"""Reads or damages the entries of a self-extracting file, for the tests.
  sfx-edit.py names FILE                print each stored name as hex bytes
  sfx-edit.py damage FILE NAME...       flip a bit in the middle of each entry's data
  sfx-edit.py declare FILE NAME SIZE    set an entry's declared uncompressed size
NAME is compared with the stored name read as code page 949."""
import os
import struct
import sys

STUB = int(open(os.path.join(os.path.dirname(__file__), '..', 'STUB_SIZE')).read())


def entries(data):
    at = STUB
    while data[at:at + 4] == b'KZ\x05\x07':
        packed, = struct.unpack_from('<i', data, at + 15)
        name_length, extra_length = struct.unpack_from('<HH', data, at + 33)
        name = data[at + 37:at + 37 + name_length]
        yield at, name, at + 37 + name_length, packed
        at += 37 + name_length + packed + extra_length


def find(data, wanted):
    for entry in entries(data):
        if entry[1].decode('cp949') == wanted:
            return entry
    sys.exit(f'no entry {wanted}')


command, path = sys.argv[1], sys.argv[2]
data = bytearray(open(path, 'rb').read())
if command == 'names':
    for _, name, _, _ in entries(data):
        print(name.hex())
    sys.exit(0)
if command == 'damage':
    for wanted in sys.argv[3:]:
        _, _, start, packed = find(data, wanted)
        data[start + packed // 2] ^= 0x20
elif command == 'declare':
    at, _, _, _ = find(data, sys.argv[3])
    struct.pack_into('<i', data, at + 19, int(sys.argv[4]))
else:
    sys.exit(__doc__)
open(path, 'wb').write(bytes(data))
