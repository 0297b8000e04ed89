#!/usr/bin/env python3
"""Writes large pictures in small files, for the memory benchmarks.

  large_pictures.py KIND OUT
      png-flat          13376 x 13376 of one colour
      tiff-grey         13376 x 13376 grey in one deflate strip, in blocks of 2048 pixels
      tiff-bilevel      13000 x 13000 bilevel in one deflate strip, in blocks of 2048 pixels
      bmp-rle8-flat     13376 x 13376 of one colour, 8 bits in runs
      bmp-24-bits       8640 x 5760 of colour gradients, uncompressed (146 MB)

Deflate packs blocks of 2048 pixels nearly as far as it goes; no library is needed.
"""

import struct
import sys
import zlib

FLAT = 13376
COLOUR = (0x3C, 0x6E, 0x9A)


def deflated(rows, count):
    packer = zlib.compressobj(9)
    return b"".join(packer.compress(rows(y)) for y in range(count)) + packer.flush()


def png_flat(out):
    row = b"\0" + bytes(COLOUR) * FLAT

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data)))

    out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", FLAT, FLAT, 8, 2, 0, 0, 0))
              + chunk(b"IDAT", deflated(lambda y: row, FLAT)) + chunk(b"IEND", b""))


def tiff(out, size, bits, row):
    strip = deflated(row, size)
    strip += b"\0" * (len(strip) % 2)
    entries = [(256, 4, size), (257, 4, size), (258, 3, bits), (259, 3, 8), (262, 3, 1),
               (273, 4, 8), (277, 3, 1), (278, 4, size), (279, 4, len(strip))]
    ifd = struct.pack("<H", len(entries))
    for tag, kind, value in entries:
        ifd += struct.pack("<HHII" if kind == 4 else "<HHIHH", tag, kind, 1, value,
                           *([] if kind == 4 else [0]))
    out.write(b"II*\0" + struct.pack("<I", 8 + len(strip)) + strip + ifd + b"\0" * 4)


def blocks(make):
    rows = {}

    def row(y):
        if y >> 11 not in rows:
            rows[y >> 11] = make(y >> 11)
        return rows[y >> 11]
    return row


def tiff_grey(out):
    tiff(out, FLAT, 8, blocks(lambda b: bytes(((x >> 11) * 9 + b * 13) & 255 for x in range(FLAT))))


def tiff_bilevel(out):
    tiff(out, 13000, 1, blocks(lambda b: bytes(0xFF if ((x >> 11) ^ b) & 1 else 0
                                               for x in range(1625))))


def bmp(out, width, height, bits, compression, palette, data):
    offset = 14 + 40 + len(palette)
    out.write(b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) +
              struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(data),
                          2835, 2835, len(palette) // 4, 0) + palette + data)


def bmp_rle8_flat(out):
    runs = b"\xff\0" * (FLAT // 255) + bytes([FLAT % 255, 0]) + b"\0\0"
    palette = bytes((COLOUR[2], COLOUR[1], COLOUR[0], 0))
    bmp(out, FLAT, FLAT, 8, 1, palette, runs * (FLAT - 1) + runs[:-2] + b"\0\1")


def bmp_24_bits(out):
    width, height = 8640, 5760
    row = blocks(lambda b: bytes(v for x in range(width) for v in (
        x * 255 // width, b * 255 // (height >> 11), ((x >> 5) + b) & 255)))
    bmp(out, width, height, 24, 0, b"", b"".join(row(y) for y in range(height)))


KINDS = {"png-flat": png_flat, "tiff-grey": tiff_grey, "tiff-bilevel": tiff_bilevel,
         "bmp-rle8-flat": bmp_rle8_flat, "bmp-24-bits": bmp_24_bits}

if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in KINDS:
        sys.exit(__doc__)
    with open(sys.argv[2], "wb") as picture:
        KINDS[sys.argv[1]](picture)
