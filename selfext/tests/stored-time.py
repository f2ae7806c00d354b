#!/usr/bin/env python3
"""Prints the local time (seconds since 1970) that a self-extracting file
stores for one entry: stored-time.py FILE NAME [STUB_SIZE]."""
import os
import struct
import sys
import time

data = open(sys.argv[1], 'rb').read()
if len(sys.argv) > 3:
    at = int(sys.argv[3])
else:
    at = int(open(os.path.join(os.path.dirname(__file__), '..', 'STUB_SIZE')).read())
while data[at:at + 4] == b'KZ\x05\x07':
    stamp, size = struct.unpack_from('<Ii', data, at + 11)
    name_length, extra_length = struct.unpack_from('<HH', data, at + 33)
    if data[at + 37:at + 37 + name_length].decode('cp949') == sys.argv[2]:
        d, t = stamp >> 16, stamp & 0xFFFF
        print(int(time.mktime(((d >> 9) + 1980, (d >> 5) & 15, d & 31,
                               t >> 11, (t >> 5) & 63, (t & 31) * 2, 0, 0, -1))))
        break
    at += 37 + name_length + size + extra_length
