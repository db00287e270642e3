#!/usr/bin/env python3
"""Writes a small photo-shaped file whose EXIF block holds what the arguments give:
   exif_photo.py OUT [--date "YYYY:MM:DD HH:MM:SS"] [--gps LAT LON] [--rating N]
                     [--rating-percent N] [--xmp-rating N] [--into JPEG]
The container follows OUT's extension: .heic/.avif (an Exif item in the file after the meta
box), .png (eXIf chunk), .webp (EXIF chunk), .orf and .rw2 (TIFF with the raw maker's
number), anything else a JPEG's APP1 segment. Only the EXIF block matters to the caption
reader: the files hold no picture data, except a JPEG written --into another JPEG, whose
segment goes right after the start of that JPEG's bytes. --rating and --rating-percent
write EXIF's Rating (0x4746, -1 for rejected) and RatingPercent (0x4749) into IFD0, as
Windows does; --xmp-rating an XMP packet with xmp:Rating (JPEG, PNG and WebP)."""
import argparse
import os
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
parser.add_argument('--rating', type=int)
parser.add_argument('--rating-percent', type=int)
parser.add_argument('--xmp-rating', type=int)
parser.add_argument('--into')
a = parser.parse_args()
own = []  # IFD0's own entries
if a.rating is not None:
    own.append((0x4746, 3, 1, struct.pack('<H', a.rating & 0xFFFF)))
if a.rating_percent is not None:
    own.append((0x4749, 3, 1, struct.pack('<H', a.rating_percent)))
xmp = b''
if a.xmp_rating is not None:
    xmp = ('<?xpacket begin="" id="W5M0MpCehiHzreSzNTczkc9d"?><x:xmpmeta xmlns:x="adobe:ns:meta/">'
           '<rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"><rdf:Description rdf:about="" '
           'xmlns:xmp="http://ns.adobe.com/xap/1.0/" xmp:Rating="%d"/></rdf:RDF></x:xmpmeta>'
           '<?xpacket end="w"?>' % a.xmp_rating).encode()
subs = []  # the Exif and the GPS IFDs: their pointer tag in IFD0 and their entries
if a.date is not None:
    text = a.date.encode() + b'\0'
    subs.append((0x8769, [(0x9003, 2, len(text), text)]))
if a.gps is not None:
    lat, lon = a.gps
    subs.append((0x8825, [(1, 2, 2, (b'N' if lat >= 0 else b'S') + b'\0'), (2, 5, 3, rationals(lat)),
                          (3, 2, 2, (b'E' if lon >= 0 else b'W') + b'\0'), (4, 5, 3, rationals(lon))]))
at = 8 + 2 + 12 * (len(subs) + len(own)) + 4  # past the header and IFD0
pointers, blocks = [], b''
for tag, entries in subs:
    pointers.append((tag, 4, 1, struct.pack('<I', at + len(blocks))))
    blocks += ifd(entries, at + len(blocks))
tiff_body = struct.pack('<I', 8) + ifd(pointers + own, 8) + blocks
tiff = b'II*\0' + tiff_body


def box(kind, body, version=None):
    if version is not None:
        body = bytes([version, 0, 0, 0]) + body
    return struct.pack('>I', len(body) + 8) + kind + body


def heif(brand):
    """ftyp, then meta naming item 1 the picture and item 2 the Exif block, stored in mdat."""
    payload = struct.pack('>I', 6) + b'Exif\0\0' + tiff
    iinf = box(b'iinf', struct.pack('>H', 2) + box(b'infe', b'\0\1\0\0' + brand_item + b'\0', 2)
               + box(b'infe', b'\0\2\0\0Exif\0', 2), 0)

    def meta(offset):
        iloc = box(b'iloc', b'\x44\0' + struct.pack('>H', 1) + struct.pack('>HHHHII', 2, 0, 0, 1, offset, len(payload)), 1)
        return box(b'meta', box(b'hdlr', b'\0' * 4 + b'pict' + b'\0' * 13, 0) + iinf + iloc, 0)
    ftyp = box(b'ftyp', brand + b'\0\0\0\0mif1' + brand)
    return ftyp + meta(len(ftyp) + len(meta(0)) + 8) + box(b'mdat', payload)


def chunk_png(kind, data):
    return struct.pack('>I', len(data)) + kind + data + b'\0' * 4


def chunk_riff(kind, data):
    return kind + struct.pack('<I', len(data)) + data + b'\0' * (len(data) % 2)


kind = os.path.splitext(a.out)[1].lower()
brand_item = b'av01' if kind == '.avif' else b'hvc1'
if kind in ('.heic', '.heif', '.avif'):
    photo = heif(b'avif' if kind == '.avif' else b'heic')
elif kind == '.png':
    photo = (b'\x89PNG\r\n\x1a\n' + chunk_png(b'IHDR', struct.pack('>IIBBBBB', 1, 1, 8, 6, 0, 0, 0))
             + chunk_png(b'eXIf', tiff)
             + (chunk_png(b'iTXt', b'XML:com.adobe.xmp\0\0\0\0\0' + xmp) if xmp else b'')
             + chunk_png(b'IEND', b''))
elif kind == '.webp':
    body = b'WEBP' + chunk_riff(b'VP8X', b'\x08' + b'\0' * 9) + chunk_riff(b'EXIF', tiff) + (chunk_riff(b'XMP ', xmp) if xmp else b'')
    photo = b'RIFF' + struct.pack('<I', len(body)) + body
elif kind == '.orf':
    photo = b'IIRO' + tiff_body
elif kind == '.rw2':
    photo = b'IIU\0' + tiff_body
else:
    app1 = b'Exif\0\0' + tiff
    rest = b'\xff\xd9'
    if a.into is not None:
        rest = open(a.into, 'rb').read()
        assert rest[:2] == b'\xff\xd8'
        rest = rest[2:]
    photo = b'\xff\xd8\xff\xe1' + struct.pack('>H', len(app1) + 2) + app1
    if xmp:
        packet = b'http://ns.adobe.com/xap/1.0/\0' + xmp
        photo += b'\xff\xe1' + struct.pack('>H', len(packet) + 2) + packet
    photo += rest
with open(a.out, 'wb') as f:
    f.write(photo)
