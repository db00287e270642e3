#!/usr/bin/env python3
"""Writes a small JPEG-shaped file whose APP1 Exif segment holds what the arguments give:
   exif_photo.py OUT [--date "YYYY:MM:DD HH:MM:SS"] [--gps LAT LON] [--into JPEG]
Only the Exif block matters to the caption reader: without --into the file has no picture
data; with it, the segment goes right after the start of that JPEG's bytes."""
import argparse
import struct


def ifd(entries, at):
    """An IFD placed at `at` of (tag, type, count, bytes) entries; values over 4 bytes follow it."""
    tail_at = at + 2 + 12 * len(entries) + 4
    head, tail = struct.pack('<H', len(entries)), b''
    for tag, typ, count, value in sorted(entries):
        if len(value) <= 4:
            head += struct.pack('<HHI', tag, typ, count) + value.ljust(4, b'\0')
        else:
            head += struct.pack('<HHII', tag, typ, count, tail_at + len(tail))
            tail += value
    return head + struct.pack('<I', 0) + tail


def rationals(degrees):
    d = abs(degrees)
    minutes = (d - int(d)) * 60
    return struct.pack('<6I', int(d), 1, int(minutes), 1, round((minutes - int(minutes)) * 60 * 1000), 1000)


parser = argparse.ArgumentParser()
parser.add_argument('out')
parser.add_argument('--date')
parser.add_argument('--gps', nargs=2, type=float)
parser.add_argument('--into')
a = parser.parse_args()
subs = []  # the Exif and the GPS IFDs: their pointer tag in IFD0 and their entries
if a.date is not None:
    text = a.date.encode() + b'\0'
    subs.append((0x8769, [(0x9003, 2, len(text), text)]))
if a.gps is not None:
    lat, lon = a.gps
    subs.append((0x8825, [(1, 2, 2, (b'N' if lat >= 0 else b'S') + b'\0'), (2, 5, 3, rationals(lat)),
                          (3, 2, 2, (b'E' if lon >= 0 else b'W') + b'\0'), (4, 5, 3, rationals(lon))]))
at = 8 + 2 + 12 * len(subs) + 4  # past the header and IFD0
pointers, blocks = [], b''
for tag, entries in subs:
    pointers.append((tag, 4, 1, struct.pack('<I', at + len(blocks))))
    blocks += ifd(entries, at + len(blocks))
app1 = b'Exif\0\0' + b'II*\0' + struct.pack('<I', 8) + ifd(pointers, 8) + blocks
rest = b'\xff\xd9'
if a.into is not None:
    rest = open(a.into, 'rb').read()
    assert rest[:2] == b'\xff\xd8'
    rest = rest[2:]
with open(a.out, 'wb') as f:
    f.write(b'\xff\xd8\xff\xe1' + struct.pack('>H', len(app1) + 2) + app1 + rest)
