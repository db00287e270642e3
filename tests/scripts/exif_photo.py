#!/usr/bin/env python3
"""Writes a small JPEG-shaped file whose APP1 Exif segment holds what the arguments give:
   exif_photo.py OUT [--date "YYYY:MM:DD HH:MM:SS"] [--gps LAT LON] [--into JPEG]
Only the Exif block matters to the caption reader: without --into the file has no picture
data; with it, the segment goes right after the start of that JPEG's bytes."""
import struct
import sys


def ifd(entries, start, tail_at):
    """entries: (tag, type, count, bytes); values over 4 bytes go after the IFD, from tail_at."""
    head = struct.pack('<H', len(entries))
    tail = b''
    for tag, typ, count, value in sorted(entries):
        if len(value) <= 4:
            head += struct.pack('<HHI', tag, typ, count) + value.ljust(4, b'\0')
        else:
            head += struct.pack('<HHII', tag, typ, count, tail_at + len(tail))
            tail += value
    return head + struct.pack('<I', 0), tail


def rationals(degrees):
    d = abs(degrees)
    whole = int(d)
    minutes = (d - whole) * 60
    return struct.pack('<6I', whole, 1, int(minutes), 1, round((minutes - int(minutes)) * 60 * 1000), 1000)


def main(argv):
    out, date, gps, into = argv[1], None, None, None
    i = 2
    while i < len(argv):
        if argv[i] == '--date':
            date, i = argv[i + 1], i + 2
        elif argv[i] == '--into':
            into, i = argv[i + 1], i + 2
        elif argv[i] == '--gps':
            gps, i = (float(argv[i + 1]), float(argv[i + 2])), i + 3
        else:
            raise SystemExit('unknown argument ' + argv[i])
    # Layout: header (8), IFD0, then the Exif IFD and the GPS IFD, each followed by its values.
    blocks = []
    ifd0_entries_count = (date is not None) + (gps is not None)
    ifd0_size = 2 + 12 * ifd0_entries_count + 4
    at = 8 + ifd0_size
    pointers = []
    if date is not None:
        text = date.encode() + b'\0'
        size = 2 + 12 + 4
        body, tail = ifd([(0x9003, 2, len(text), text)], at, at + size)
        pointers.append((0x8769, 4, 1, struct.pack('<I', at)))
        blocks.append(body + tail)
        at += len(body + tail)
    if gps is not None:
        lat, lon = gps
        entries = [(1, 2, 2, (b'N' if lat >= 0 else b'S') + b'\0'), (2, 5, 3, rationals(lat)),
                   (3, 2, 2, (b'E' if lon >= 0 else b'W') + b'\0'), (4, 5, 3, rationals(lon))]
        size = 2 + 12 * len(entries) + 4
        body, tail = ifd(entries, at, at + size)
        pointers.append((0x8825, 4, 1, struct.pack('<I', at)))
        blocks.append(body + tail)
    ifd0, _ = ifd(pointers, 8, 8 + ifd0_size)
    tiff = b'II*\0' + struct.pack('<I', 8) + ifd0 + b''.join(blocks)
    app1 = b'Exif\0\0' + tiff
    rest = b'\xff\xd9'
    if into is not None:
        rest = open(into, 'rb').read()
        assert rest[:2] == b'\xff\xd8'
        rest = rest[2:]
    with open(out, 'wb') as f:
        f.write(b'\xff\xd8\xff\xe1' + struct.pack('>H', len(app1) + 2) + app1 + rest)


if __name__ == '__main__':
    main(sys.argv)
