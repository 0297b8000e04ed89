#!/usr/bin/env python3
"""Writes a HEIC picture as phones do: a grid of 512 x 512 tiles, each its own HEVC picture.

heif-enc of libheif 1.15 cannot write a grid, so each tile is encoded alone with heif-enc and its
HEVC configuration and coded data are taken out of that file into one grid picture.

  heif-grid.py [--quality Q] SOURCE OUT.heic
      SOURCE (anything ImageMagick's convert reads) cut into tiles; the last row and column of
      tiles are padded with the picture's edge, the grid stating the true size.
  heif-grid.py [--quality Q] --repeat COLUMNS ROWS TILE-SOURCE OUT.heic
      The first tile of TILE-SOURCE repeated COLUMNS x ROWS times, every tile's item pointing at
      the same coded bytes: a huge picture in a small file.

Needs ImageMagick and libheif-examples (heif-enc).
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile

TILE = 512


class Refusal(Exception):
    pass


def box(kind, payload):
    return struct.pack(">I4s", 8 + len(payload), kind) + payload


def full_box(kind, version, flags, payload):
    return box(kind, struct.pack(">I", version << 24 | flags) + payload)


def boxes(data, start, end):
    """(type, payload start, end) of each box in data[start:end]."""
    while start < end:
        if end - start < 8:
            raise Refusal("a box is cut short")
        size, kind = struct.unpack_from(">I4s", data, start)
        header = 8
        if size == 1:
            (size,) = struct.unpack_from(">Q", data, start + 8)
            header = 16
        elif size == 0:
            size = end - start
        if size < header or start + size > end:
            raise Refusal(f"the {kind!r} box does not fit")
        yield kind, start + header, start + size
        start += size


def child(data, start, end, kind):
    for k, s, e in boxes(data, start, end):
        if k == kind:
            return s, e
    raise Refusal(f"no {kind!r} box")


class Reader:
    def __init__(self, data, at, end):
        self.data, self.at, self.end = data, at, end

    def uint(self, size):
        if self.at + size > self.end:
            raise Refusal("a box is shorter than its fields")
        value = int.from_bytes(self.data[self.at : self.at + size], "big")
        self.at += size
        return value


def read_tile(path):
    """The primary picture of a HEIC file: its properties as boxes (hvcC first) and its data."""
    with open(path, "rb") as f:
        data = f.read()
    meta_start, meta_end = child(data, 0, len(data), b"meta")
    meta_start += 4
    s, e = child(data, meta_start, meta_end, b"pitm")
    r = Reader(data, s, e)
    primary = r.uint(2 if r.uint(4) >> 24 == 0 else 4)

    s, e = child(data, meta_start, meta_end, b"iloc")
    r = Reader(data, s, e)
    version = r.uint(4) >> 24
    sizes = r.uint(2)
    offset_size, length_size, base_size = sizes >> 12, sizes >> 8 & 15, sizes >> 4 & 15
    index_size = sizes & 15 if version > 0 else 0
    extents = None
    for _ in range(r.uint(2 if version < 2 else 4)):
        item = r.uint(2 if version < 2 else 4)
        method = r.uint(2) & 15 if version > 0 else 0
        r.uint(2)
        base = r.uint(base_size)
        found = [
            (r.uint(index_size), base + r.uint(offset_size), r.uint(length_size))[1:]
            for _ in range(r.uint(2))
        ]
        if item == primary:
            if method != 0:
                raise Refusal("the coded data is not in the file's mdat")
            extents = found
    if extents is None:
        raise Refusal("the primary picture has no location")
    coded = b"".join(data[offset : offset + length] for offset, length in extents)
    if sum(length for _, length in extents) != len(coded):
        raise Refusal("the coded data lies past the end of the file")

    s, e = child(data, meta_start, meta_end, b"iprp")
    ipco = child(data, s, e, b"ipco")
    properties = [box(k, data[b:end]) for k, b, end in boxes(data, *ipco)]
    r = Reader(data, *child(data, s, e, b"ipma"))
    version_flags = r.uint(4)
    wide_index = version_flags & 1
    associated = []
    for _ in range(r.uint(4)):
        item = r.uint(2 if version_flags >> 24 == 0 else 4)
        mask = 0x7FFF if wide_index else 0x7F
        indices = [r.uint(2 if wide_index else 1) & mask for _ in range(r.uint(1))]
        if item == primary:
            associated = [properties[i - 1] for i in indices if 0 < i <= len(properties)]
    if not any(p[4:8] == b"hvcC" for p in associated):
        raise Refusal("the primary picture is not HEVC")
    associated.sort(key=lambda p: p[4:8] != b"hvcC")
    return associated, coded


def grid_file(width, height, columns, rows, tiles, placement):
    """A HEIF file whose primary item, 1, is a grid of items 2... in rows; placement[i] is the
    index in tiles, a list of (properties, coded data), of the i-th tile."""
    count = columns * rows
    if not (0 < columns <= 256 and 0 < rows <= 256):
        raise Refusal("a grid holds 1 to 256 rows and columns")
    # Item numbers of 16 bits, as libheif and phones write them.
    if count + 1 > 0xFFFF:
        raise Refusal("more tiles than items of 16-bit numbers")

    ipco = []

    def index(prop):
        if prop not in ipco:
            ipco.append(prop)
        return ipco.index(prop) + 1

    first_properties = tiles[placement[0]][0]
    grid_ispe = full_box(b"ispe", 0, 0, struct.pack(">II", width, height))
    grid_properties = [index(grid_ispe)] + [
        index(p) for p in first_properties if p[4:8] not in (b"hvcC", b"ispe")
    ]
    tile_properties = [[index(p) for p in properties] for properties, _ in tiles]
    wide_index = len(ipco) > 127
    essential = 0x8000 if wide_index else 0x80

    def associations(item, indices, essential_first):
        out = struct.pack(">HB", item, len(indices))
        for n, i in enumerate(indices):
            flag = essential if n == 0 and essential_first else 0
            out += struct.pack(">H" if wide_index else ">B", i | flag)
        return out

    ipma = struct.pack(">I", count + 1) + associations(1, grid_properties, False)
    for n, t in enumerate(placement):
        ipma += associations(n + 2, tile_properties[t], True)
    iprp = box(b"iprp", box(b"ipco", b"".join(ipco)) + full_box(b"ipma", 0, int(wide_index), ipma))

    large = width > 0xFFFF or height > 0xFFFF
    grid = struct.pack(">BBBB", 0, int(large), rows - 1, columns - 1)
    grid += struct.pack(">II" if large else ">HH", width, height)

    def infe(item, kind, hidden):
        return full_box(b"infe", 2, int(hidden), struct.pack(">HH4s", item, 0, kind) + b"\0")

    infes = [infe(1, b"grid", False)] + [infe(n + 2, b"hvc1", True) for n in range(count)]
    iinf = full_box(b"iinf", 0, 0, struct.pack(">H", len(infes)) + b"".join(infes))
    tile_items = struct.pack(f">{count}H", *range(2, count + 2))
    dimg = box(b"dimg", struct.pack(">HH", 1, count) + tile_items)
    ftyp = box(b"ftyp", b"heic" + struct.pack(">I", 0) + b"mif1heic")

    offsets = []
    at = 0
    for _, coded in tiles:
        offsets.append(at)
        at += len(coded)

    def meta(mdat_data):
        # Offsets and lengths of 4 bytes, the grid's data in idat (construction method 1).
        iloc = struct.pack(">BBH", 0x44, 0, count + 1)
        iloc += struct.pack(">HHHHII", 1, 1, 0, 1, 0, len(grid))
        for n, t in enumerate(placement):
            at_tile = mdat_data + offsets[t]
            iloc += struct.pack(">HHHHII", n + 2, 0, 0, 1, at_tile, len(tiles[t][1]))
        return full_box(
            b"meta",
            0,
            0,
            full_box(b"hdlr", 0, 0, struct.pack(">I4s12x", 0, b"pict") + b"\0")
            + full_box(b"pitm", 0, 0, struct.pack(">H", 1))
            + full_box(b"iloc", 1, 0, iloc)
            + iinf
            + iprp
            + full_box(b"iref", 0, 0, dimg)
            + box(b"idat", grid),
        )

    mdat_data = len(ftyp) + len(meta(0)) + 8
    if mdat_data + at > 0xFFFFFFFF:
        raise Refusal("the coded tiles pass 4 GB")
    mdat = struct.pack(">I4s", 8 + at, b"mdat") + b"".join(c for _, c in tiles)
    return ftyp + meta(mdat_data) + mdat


def run(command):
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if done.returncode != 0:
        raise Refusal(f"{command[0]} failed: {done.stderr.strip()}")
    return done.stdout


def encode_tiles(source, quality, folder, only_first):
    """Cuts source into tiles and encodes them: the picture's size, the columns and rows, and
    the tiles' HEIC files in rows."""
    # Turned upright, for the grid carries no turn of its own; transparent parts on white.
    prepare = [source, "-auto-orient", "-background", "white", "-alpha", "remove", "-alpha", "off"]
    width, height = map(int, run(["convert"] + prepare + ["-format", "%w %h", "info:"]).split())
    columns, rows = -(-width // TILE), -(-height // TILE)
    # The padding repeats the edge pixels, which costs the encoder least and keeps its blocks at
    # the picture's edge from ringing.
    run(
        ["convert"]
        + prepare
        + ["+profile", "!icc,*", "-depth", "8"]
        + ["-set", "option:distort:viewport", f"{columns * TILE}x{rows * TILE}+0+0"]
        + ["-virtual-pixel", "edge", "-filter", "point", "-distort", "SRT", "0", "+repage"]
        + ["-crop", f"{TILE}x{TILE}", "+repage", os.path.join(folder, "tile-%d.png")]
    )
    heics = []
    for n in range(1 if only_first else columns * rows):
        png = os.path.join(folder, f"tile-{n}.png")
        heics.append(png[:-4] + ".heic")
        run(["heif-enc", "-q", str(quality), "-o", heics[-1], png])
    return width, height, columns, rows, heics


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--quality", type=int, default=80, metavar="Q", help="heif-enc -q (80)")
    parser.add_argument("--repeat", nargs=2, type=int, metavar=("COLUMNS", "ROWS"))
    parser.add_argument("source")
    parser.add_argument("out")
    args = parser.parse_args()
    try:
        with tempfile.TemporaryDirectory(prefix="heif-grid-") as folder:
            width, height, columns, rows, heics = encode_tiles(
                args.source, args.quality, folder, bool(args.repeat)
            )
            tiles = [read_tile(h) for h in heics]
        if args.repeat:
            columns, rows = args.repeat
            width, height = columns * TILE, rows * TILE
            placement = [0] * (columns * rows)
        else:
            placement = list(range(columns * rows))
        data = grid_file(width, height, columns, rows, tiles, placement)
    except (Refusal, OSError, struct.error) as e:
        sys.exit(f"heif-grid.py: {args.source}: {e}")
    with open(args.out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
