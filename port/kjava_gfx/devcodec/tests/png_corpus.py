#!/usr/bin/env python3
"""Writes the PNG conformance corpus: valid images of every colour type, bit
depth and interlace method, refused data, and the hostile sizes the decoder
must survive.

Usage: png_corpus.py OUTPUT_DIR

Beside each file NAME.png it writes, for images that must decode:
  NAME.argb   the words JkImageGetARGB must read back, little-endian u32,
              row after row;
  NAME.rgba   the samples an independent decoder must produce with tRNS
              expanded to alpha: R, G, B, A per pixel, little-endian u16, at
              16 bits for 16-bit images and 8 bits (scaled) otherwise.
seeds/ holds a copy of every PNG of at most 16 KB, the seed corpus of the
fuzz target. manifest.txt has one line per file:
  NAME ok WIDTH HEIGHT LIBPNG     (LIBPNG 1: the independent check applies)
  NAME error CODE                 (JkImageCreate must fail with CODE)

The expected words follow the decoder's rules: samples scale to 8 bits
(1 bit: 0/255, 2 bits: x85, 4 bits: x17, 16 bits: the high byte), a tRNS key
or table gives alpha, the ARGB word goes to a pixel in alpha mode (opaque
when alpha bit 3 is set) and reads back with each channel's low 3 bits
cleared and alpha 0x08 or 0x00. Pixels no row wrote read back as 0.

Only zlib and struct are used; the seed is fixed, so every run writes the
same files.
"""

import os
import random
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4),
         (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
SAMPLES = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
FORMATS = [(0, 1), (0, 2), (0, 4), (0, 8), (0, 16), (2, 8), (2, 16),
           (3, 1), (3, 2), (3, 4), (3, 8), (4, 8), (4, 16), (6, 8), (6, 16)]
SIZES = [(1, 1), (1, 9), (9, 1), (3, 5), (8, 8), (33, 17)]
SEED_LIMIT = 16384


# ---- encoding ---------------------------------------------------------------

def chunk(ctype, data, crc=None, length=None):
    if crc is None:
        crc = zlib.crc32(ctype + data)
    if length is None:
        length = len(data)
    return struct.pack(">I", length) + ctype + data + struct.pack(">I", crc)


def ihdr(width, height, depth, ctype, interlace=0, compression=0, filt=0):
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, ctype,
                                      compression, filt, interlace))


IEND = chunk(b"IEND", b"")


def pack_row(samples, depth):
    """Samples of one row at `depth` bits, packed most significant first."""
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out = bytearray()
    acc = bits = 0
    for s in samples:
        acc = (acc << depth) | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc = bits = 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(ftype, line, prior, dist):
    out = bytearray([ftype])
    for i, x in enumerate(line):
        a = line[i - dist] if i >= dist else 0
        b = prior[i]
        c = prior[i - dist] if i >= dist else 0
        pred = [0, a, b, (a + b) // 2, paeth(a, b, c)][ftype]
        out.append((x - pred) & 0xFF)
    return bytes(out)


def passes(width, height, interlace):
    """(x start, y start, x step, y step, columns, rows) of each stored pass."""
    if not interlace:
        return [(0, 0, 1, 1, width, height)]
    out = []
    for xs, ys, xst, yst in ADAM7:
        cols = (width - xs + xst - 1) // xst if width > xs else 0
        rows = (height - ys + yst - 1) // yst if height > ys else 0
        if cols and rows:
            out.append((xs, ys, xst, yst, cols, rows))
    return out


class Counter:
    """Hands out filter types so that all five appear on real rows."""

    def __init__(self, rng):
        self.rng = rng
        self.n = rng.randrange(5)

    def next(self):
        self.n += 1
        return self.n % 5


def filtered_data(pixels, width, height, depth, ctype, interlace, filters):
    """The filtered scanlines of an image; pixels[y][x] is a tuple of samples."""
    bpp = depth * SAMPLES[ctype]
    dist = max(1, bpp // 8)
    out = bytearray()
    rows_out = []
    for xs, ys, xst, yst, cols, rows in passes(width, height, interlace):
        prior = bytes((cols * bpp + 7) // 8)
        for r in range(rows):
            y = ys + yst * r
            flat = [s for i in range(cols) for s in pixels[y][xs + xst * i]]
            line = pack_row(flat, depth)
            f = filters.next()
            out += filter_row(f, line, prior, dist)
            rows_out.append(len(out))
            prior = line
    return bytes(out), rows_out


def split_idat(z, mode):
    """IDAT chunks for the zlib stream z."""
    if mode == "one":
        parts = [z]
    elif mode == "first1":  # a 1-byte first IDAT splits the zlib header
        parts = [z[:1], z[1:]]
    elif mode == "empty":  # an empty IDAT first and another in the middle
        half = len(z) // 2
        parts = [b"", z[:half], b"", z[half:]]
    elif mode == "bytes":  # one byte per IDAT
        parts = [z[i:i + 1] for i in range(len(z))]
    elif mode == "halves":
        half = len(z) // 2
        parts = [z[:half], z[half:]]
    else:
        raise ValueError(mode)
    return b"".join(chunk(b"IDAT", p) for p in parts)


# ---- expectations -----------------------------------------------------------

def scale8(v, depth):
    return {1: 255 * v, 2: 85 * v, 4: 17 * v, 8: v, 16: v >> 8}[depth]


def readback(r, g, b, a):
    """The word JkImageGetARGB gives for 8-bit channels decoded in alpha mode."""
    word = (r & 0xF8) << 16 | (g & 0xF8) << 8 | (b & 0xF8)
    return word | (0x08000000 if a & 0x08 else 0)


class Image:
    """An image's samples and its tRNS data, with both expectations."""

    def __init__(self, width, height, depth, ctype, pixels, palette=None,
                 trns=None):
        self.width, self.height, self.depth, self.ctype = width, height, depth, ctype
        self.pixels = pixels
        self.palette = palette
        self.trns = trns  # grey key, (r, g, b) key or alpha table

    def expanded(self, x, y, out_depth):
        """(r, g, b, a) of a pixel at out_depth (8 or 16) after tRNS expansion."""
        d, t, s = self.depth, self.ctype, self.pixels[y][x]
        top = (1 << out_depth) - 1

        def sc(v):
            return v if out_depth == 16 else scale8(v, d)

        if t == 3:
            r, g, b = self.palette[s[0]]
            table = self.trns or b""
            if len(table) > len(self.palette):
                table = b""  # an over-long table is ignored
            return r, g, b, table[s[0]] if s[0] < len(table) else 255
        if t == 0:
            mask = 0xFFFF if d == 16 else (1 << d) - 1
            keyed = self.trns is not None and s[0] == (self.trns & mask)
            v = sc(s[0])
            return v, v, v, 0 if keyed else top
        if t == 2:
            mask = 0xFFFF if d == 16 else (1 << d) - 1
            keyed = self.trns is not None and tuple(s) == tuple(k & mask for k in self.trns)
            return sc(s[0]), sc(s[1]), sc(s[2]), 0 if keyed else top
        if t == 4:
            v = sc(s[0])
            return v, v, v, sc(s[1])
        return sc(s[0]), sc(s[1]), sc(s[2]), sc(s[3])

    def out_depth(self):
        return 16 if self.depth == 16 else 8

    def words(self, written=None):
        out = []
        for y in range(self.height):
            for x in range(self.width):
                if written is not None and (x, y) not in written:
                    out.append(0)
                    continue
                r, g, b, a = self.expanded(x, y, 8)
                out.append(readback(r, g, b, a))
        return out

    def samples(self):
        od = self.out_depth()
        return [self.expanded(x, y, od) for y in range(self.height)
                for x in range(self.width)]

    def chunks_before_idat(self):
        out = b""
        if self.palette is not None:
            out += chunk(b"PLTE", b"".join(bytes(c) for c in self.palette))
        if self.trns is not None:
            if self.ctype == 0:
                out += chunk(b"tRNS", struct.pack(">H", self.trns))
            elif self.ctype == 2:
                out += chunk(b"tRNS", struct.pack(">HHH", *self.trns))
            else:
                out += chunk(b"tRNS", bytes(self.trns))
        return out


def random_image(rng, width, height, depth, ctype, palette_size=None,
                 trns=False):
    top = (1 << depth) - 1
    palette = None
    if ctype == 3:
        count = palette_size or rng.randint(1, min(256, 1 << depth))
        palette = [tuple(rng.randrange(256) for _ in range(3))
                   for _ in range(count)]
        top = count - 1
    pixels = [[tuple(rng.randint(0, top) for _ in range(SAMPLES[ctype]))
               for _ in range(width)] for _ in range(height)]
    key = None
    if trns and ctype == 0:
        key = pixels[0][0][0]
    elif trns and ctype == 2:
        key = pixels[0][0]
    if key is not None:
        # Make the key common: about a third of the pixels carry it.
        for y in range(height):
            for x in range(width):
                if rng.randrange(3) == 0:
                    pixels[y][x] = key if ctype == 2 else (key,)
    return Image(width, height, depth, ctype, pixels, palette, key)


# ---- the corpus -------------------------------------------------------------

class Corpus:
    def __init__(self, out):
        self.out = out
        self.lines = []
        self.names = set()

    def _write_png(self, name, data):
        assert name not in self.names, name
        self.names.add(name)
        for folder, limit in ((self.out, None), (os.path.join(self.out, "seeds"), SEED_LIMIT)):
            if limit is None or len(data) <= limit:
                with open(os.path.join(folder, name + ".png"), "wb") as f:
                    f.write(data)
        return os.path.join(self.out, name)

    def ok(self, name, data, image, words=None, libpng=True):
        base = self._write_png(name, data)
        words = image.words() if words is None else words
        with open(base + ".argb", "wb") as f:
            f.write(struct.pack("<%dI" % len(words), *words))
        if libpng:
            flat = [v for px in image.samples() for v in px]
            with open(base + ".rgba", "wb") as f:
                f.write(struct.pack("<%dH" % len(flat), *flat))
        self.lines.append("%s ok %d %d %d" % (name, image.width, image.height,
                                              1 if libpng else 0))

    def error(self, name, data, code):
        self._write_png(name, data)
        self.lines.append("%s error %d" % (name, code))

    def finish(self):
        with open(os.path.join(self.out, "manifest.txt"), "w") as f:
            f.write("\n".join(self.lines) + "\n")


def encode(image, rng, interlace=0, split="one", level=None, filters=None,
           before=b"", after_iend=b"", iend=IEND):
    raw, _ = filtered_data(image.pixels, image.width, image.height,
                           image.depth, image.ctype, interlace,
                           filters or Counter(rng))
    z = zlib.compress(raw, rng.randint(1, 9) if level is None else level)
    return (SIGNATURE + ihdr(image.width, image.height, image.depth,
                             image.ctype, interlace)
            + before + image.chunks_before_idat() + split_idat(z, split)
            + iend + after_iend)


def conformance(c, rng):
    splits = ["one", "first1", "empty", "bytes", "halves"]
    n = 0
    for ctype, depth in FORMATS:
        for interlace in (0, 1):
            for w, h in SIZES:
                img = random_image(rng, w, h, depth, ctype)
                split = splits[n % len(splits)]
                n += 1
                name = "t%d_d%d_%s_%dx%d_%s" % (ctype, depth, "adam7" if interlace else "plain",
                                                 w, h, split)
                c.ok(name, encode(img, rng, interlace, split), img)


def transparency(c, rng):
    for depth in (1, 2, 4, 8, 16):
        for interlace in (0, 1):
            img = random_image(rng, 9, 7, depth, 0, trns=True)
            c.ok("trns_grey_d%d_i%d" % (depth, interlace), encode(img, rng, interlace), img)
    for depth in (8, 16):
        img = random_image(rng, 9, 7, depth, 2, trns=True)
        c.ok("trns_rgb_d%d" % depth, encode(img, rng), img)
    # A table shorter than the palette: entries past it stay opaque. 0x80 and
    # 0xF7 have alpha bit 3 clear, 0x08 and 0xFF have it set.
    for depth in (2, 4, 8):
        size = 4 if depth == 2 else 6
        img = random_image(rng, 8, 8, depth, 3, palette_size=size)
        img.trns = bytes([0x80, 0x08, 0xF7, 0xFF][:size - 1])
        for i in range(size):
            img.pixels[0][i] = (i,)
        c.ok("trns_palette_d%d" % depth, encode(img, rng), img)
    # An RGB key with bits above the depth: compared in the depth's bits only.
    img = random_image(rng, 9, 7, 8, 2, trns=True)
    img.trns = tuple(0x0100 * (c + 1) | k for c, k in enumerate(img.trns))
    c.ok("trns_rgb_d8_high_key_bits", encode(img, rng), img)
    # A table longer than the palette is ignored: every pixel stays opaque.
    img = random_image(rng, 8, 8, 8, 3, palette_size=4)
    img.trns = bytes([0x00, 0x10, 0x20, 0x30, 0x40])
    for i in range(4):
        img.pixels[0][i] = (i,)
    c.ok("trns_palette_longer_than_plte", encode(img, rng), img)
    # Alpha samples whose bit 3 decides: 0xF0 and 0xF7 transparent, 0x08 opaque.
    alphas = [0x00, 0x08, 0x0F, 0x80, 0xF0, 0xF7, 0xF8, 0xFF]
    img = Image(8, 1, 8, 6, [[(200, 100, 50, a) for a in alphas]])
    c.ok("alpha_bit3_rgba8", encode(img, rng), img)
    img = Image(8, 1, 16, 4, [[(0xABCD, a << 8 | 0xFF) for a in alphas]])
    c.ok("alpha_bit3_ga16", encode(img, rng), img)


def chunk_order(c, rng):
    img = random_image(rng, 5, 4, 8, 2)
    text = chunk(b"tEXt", b"Comment\0corpus")
    gama = chunk(b"gAMA", struct.pack(">I", 45455))
    unknown_critical = chunk(b"ABCD", b"skipped", crc=0)
    unknown_ancillary = chunk(b"zzZz", bytes(300), crc=1)
    c.ok("ancillary_before_idat", encode(img, rng, before=text + gama), img)
    c.ok("unknown_chunks_bad_crc", encode(img, rng, before=unknown_critical + unknown_ancillary), img)
    c.ok("gama_after_idat",
         encode(img, rng, iend=gama + IEND), img)
    # IEND's CRC is never read.
    c.ok("iend_without_crc", encode(img, rng, iend=IEND[:8]), img)
    c.ok("iend_bad_crc", encode(img, rng, iend=chunk(b"IEND", b"", crc=0)), img)
    c.ok("three_bytes_after_iend", encode(img, rng, after_iend=b"xyz"), img)
    c.error("four_bytes_after_iend", encode(img, rng, after_iend=b"wxyz"), -2)
    # No image data: a transparent image.
    blank = SIGNATURE + ihdr(6, 3, 8, 6) + IEND
    c.ok("no_idat", blank, Image(6, 3, 8, 6, None), words=[0] * 18, libpng=False)
    # A palette suggestion in an RGB image is allowed and ignored.
    img2 = random_image(rng, 4, 4, 16, 6)
    plte = chunk(b"PLTE", bytes(range(30)))
    c.ok("rgba16_with_plte", encode(img2, rng, before=plte), img2)


def refused(c, rng):
    img = random_image(rng, 5, 4, 8, 2)
    good = encode(img, rng)
    c.error("not_png_gif", b"GIF89a" + bytes(40), -2)
    c.error("empty_file", b"", -2)
    for n in (7, 8, 20, 32):
        c.error("cut_at_%d" % n, good[:n], -2)
    c.error("ihdr_length_12", SIGNATURE + chunk(b"IHDR", good[16:29], length=12) + good[33:], -2)
    pal = random_image(rng, 4, 4, 8, 3, palette_size=4)
    grey = random_image(rng, 4, 4, 8, 0)
    ga = random_image(rng, 4, 4, 8, 4)

    def with_ihdr(depth, ctype, interlace=0, compression=0, filt=0):
        return (SIGNATURE + ihdr(5, 4, depth, ctype, interlace, compression, filt)
                + good[33:])

    c.error("ihdr_type5", with_ihdr(8, 5), -2)
    c.error("ihdr_type3_depth16", with_ihdr(16, 3), -2)
    c.error("ihdr_type2_depth4", with_ihdr(4, 2), -2)
    c.error("ihdr_type0_depth3", with_ihdr(3, 0), -2)
    c.error("ihdr_compression1", with_ihdr(8, 2, compression=1), -2)
    c.error("ihdr_filter1", with_ihdr(8, 2, filt=1), -2)
    c.error("ihdr_interlace2", with_ihdr(8, 2, interlace=2), -2)
    c.error("ihdr_width0", SIGNATURE + ihdr(0, 4, 8, 2) + good[33:], -2)

    def bad_crc(name, data, ctype):
        at = len(SIGNATURE)
        while data[at + 4:at + 8] != ctype:
            at += 12 + struct.unpack(">I", data[at:at + 4])[0]
        crc = at + 8 + struct.unpack(">I", data[at:at + 4])[0]
        c.error(name, data[:crc] + bytes([data[crc] ^ 1]) + data[crc + 1:], -2)

    bad_crc("crc_ihdr", good, b"IHDR")
    bad_crc("crc_idat", good, b"IDAT")
    pal.trns = bytes([1, 2])
    pal_png = encode(pal, rng, before=chunk(b"gAMA", struct.pack(">I", 45455)))
    bad_crc("crc_plte", pal_png, b"PLTE")
    bad_crc("crc_trns", pal_png, b"tRNS")
    bad_crc("crc_gama", pal_png, b"gAMA")

    split = encode(img, rng, split="halves")
    second = split.index(b"IDAT", split.index(b"IDAT") + 1) - 4
    text = chunk(b"tEXt", b"a\0b")
    c.error("ancillary_between_idats", split[:second] + text + split[second:], -2)
    c.error("unknown_between_idats", split[:second] + chunk(b"abCD", b"") + split[second:], -2)
    c.error("iend_between_idats", split[:second] + IEND + split[second:], -2)

    plte = chunk(b"PLTE", bytes(12))
    pal.trns = None
    c.error("plte_twice", encode(pal, rng, before=plte), -2)
    c.error("plte_after_idat", encode(pal, rng, iend=plte + IEND), -2)
    c.error("plte_in_type0", encode(grey, rng, before=plte), -2)
    c.error("plte_in_type4", encode(ga, rng, before=plte), -2)
    pal_bad = Image(pal.width, pal.height, 8, 3, pal.pixels, None)
    c.error("plte_length_not_3n", encode(pal_bad, rng, before=chunk(b"PLTE", bytes(13))), -2)
    c.error("plte_too_many_for_depth",
            encode(Image(2, 2, 1, 3, [[(0,), (1,)], [(1,), (0,)]]), rng,
                   before=chunk(b"PLTE", bytes(9))), -2)
    c.error("plte_300_rgb16", encode(random_image(rng, 3, 3, 16, 2), rng,
                                     before=chunk(b"PLTE", bytes(900))), -2)
    c.error("plte_300_rgb8", encode(random_image(rng, 3, 3, 8, 2), rng,
                                    before=chunk(b"PLTE", bytes(900))), -2)

    trns2 = chunk(b"tRNS", b"\0\1")
    grey.trns = 1
    c.error("trns_twice", encode_with(grey, rng, extra_after_trns=trns2), -2)
    grey.trns = None
    c.error("trns_after_idat", encode(grey, rng, iend=trns2 + IEND), -2)
    c.error("trns_type0_length3", encode(grey, rng, before=chunk(b"tRNS", b"\0\1\2")), -2)
    rgb = random_image(rng, 3, 3, 8, 2)
    c.error("trns_type2_length2", encode(rgb, rng, before=trns2), -2)
    c.error("trns_in_type4", encode(ga, rng, before=trns2), -2)
    c.error("trns_in_type6", encode(random_image(rng, 3, 3, 8, 6), rng, before=trns2), -2)
    pal_no_plte = Image(pal.width, pal.height, 8, 3, pal.pixels, None)
    c.error("trns_before_plte",
            encode(pal_no_plte, rng, before=trns2 + chunk(b"PLTE", bytes(12))), -2)
    c.error("gama_length_3", encode(img, rng, before=chunk(b"gAMA", b"\0\0\1")), -2)
    c.error("gama_length_5", encode(img, rng, before=chunk(b"gAMA", b"\0\0\0\0\1")), -2)

    c.error("type3_without_plte", encode(pal_no_plte, rng), -2)
    short = Image(4, 4, 8, 3, pal.pixels, pal.palette[:2])
    assert any(s[0] >= 2 for row in pal.pixels for s in row)
    c.error("palette_index_beyond_count", encode(short, rng), -2)

    raw, _ = filtered_data(img.pixels, 5, 4, 8, 2, 0, Counter(rng))
    bad_filter = bytearray(raw)
    bad_filter[len(raw) // 2 - (len(raw) // 2) % 16] = 5  # a filter byte (rows are 16 bytes)
    c.error("filter_byte_5", with_stream(img, zlib.compress(bytes(bad_filter))), -2)

    z = zlib.compress(raw)
    fdict = bytes([0x78, 0xBB]) + z[2:]  # FDICT set, still divisible by 31
    assert (0x78 * 256 + 0xBB) % 31 == 0
    c.error("zlib_fdict", with_stream(img, fdict), -2)
    flg = (31 - 0x7700 % 31) % 31  # no FDICT, divisible by 31
    method7 = bytes([0x77, flg]) + z[2:]
    c.error("zlib_method7", with_stream(img, method7), -2)
    c.error("zlib_not_31", with_stream(img, bytes([0x78, 0x9D]) + z[2:]), -2)
    # The header check also spans a 1-byte first IDAT.
    c.error("zlib_not_31_split", with_stream(img, bytes([0x78, 0x9D]) + z[2:], split="first1"), -2)
    corrupt = bytearray(z)
    corrupt[2] = 0xFF  # a reserved block type
    c.error("deflate_corrupt", with_stream(img, bytes(corrupt)), -2)


def encode_with(image, rng, extra_after_trns):
    raw, _ = filtered_data(image.pixels, image.width, image.height, image.depth,
                           image.ctype, 0, Counter(rng))
    return (SIGNATURE + ihdr(image.width, image.height, image.depth, image.ctype)
            + image.chunks_before_idat() + extra_after_trns
            + split_idat(zlib.compress(raw), "one") + IEND)


def with_stream(image, z, split="one", interlace=0, before=b""):
    return (SIGNATURE + ihdr(image.width, image.height, image.depth, image.ctype, interlace)
            + before + image.chunks_before_idat() + split_idat(z, split) + IEND)


def hostile(c, rng):
    img = random_image(rng, 3, 3, 8, 2)
    good = encode(img, rng)
    head = good[:33]
    # Chunk lengths near 2^32, on chunks that are read and on skipped ones.
    for ctype in (b"IDAT", b"PLTE", b"tEXt", b"abcd"):
        c.error("length_fffffff8_%s" % ctype.decode(),
                head + struct.pack(">I", 0xFFFFFFF8) + ctype + bytes(64) + IEND, -2)
    c.error("length_beyond_input", head + struct.pack(">I", 1000) + b"tEXt" + bytes(64) + IEND, -2)
    c.error("ihdr_width_2p31", SIGNATURE + ihdr(0x80000000, 1, 8, 2) + good[33:], -2)
    c.error("ihdr_height_2p31", SIGNATURE + ihdr(1, 0x80000000, 8, 2) + good[33:], -2)
    for w, h in ((0x7FFFFFFF, 0x7FFFFFFF), (65536, 65536), (0x7FFFFFFF, 1), (1, 0x7FFFFFFF)):
        c.error("huge_%dx%d" % (w, h), SIGNATURE + ihdr(w, h, 8, 6) + good[33:], -1)

    # A flat 240 x 320 RGBA image: far more filtered bytes than the output
    # buffer may hold, from under 1 KB of compressed data.
    flat = Image(240, 320, 8, 6, [[(30, 160, 90, 255)] * 240 for _ in range(320)])
    raw, _ = filtered_data(flat.pixels, 240, 320, 8, 6, 0, FixedFilter(0))
    z = zlib.compress(raw, 9)
    assert len(z) < 1024 and len(raw) > 286720, (len(z), len(raw))
    c.ok("flat_240x320_one_idat", with_stream(flat, z), flat)
    c.ok("flat_240x320_byte_idats", with_stream(flat, z, split="bytes"), flat)
    c.ok("flat_240x320_adam7",
         with_stream(flat, zlib.compress(filtered_data(flat.pixels, 240, 320, 8, 6, 1,
                                                       FixedFilter(2))[0], 9), interlace=1), flat)

    # Rows of nearly the output maximum, and one row beyond it.
    wide = random_image(rng, 35839, 2, 16, 6)
    c.ok("rgba16_35839x2", encode(wide, rng, level=1), wide)
    beyond = Image(35840, 1, 16, 6, [[(1, 2, 3, 0xFFFF)] * 35840])
    c.error("rgba16_35840x1", encode(beyond, rng, level=9), -2)
    # The row is refused before any data is read: without IDAT the wider
    # image still fails, the narrower one decodes to a transparent image.
    c.error("rgba16_35840x1_no_idat", SIGNATURE + ihdr(35840, 1, 16, 6) + IEND, -2)
    c.ok("rgba16_35839x1_no_idat", SIGNATURE + ihdr(35839, 1, 16, 6) + IEND,
         Image(35839, 1, 16, 6, None), words=[0] * 35839, libpng=False)

    # 1 MB of further decompressed data after the only row.
    one = Image(1, 1, 8, 6, [[(10, 20, 30, 255)]])
    raw = b"\0" + bytes([10, 20, 30, 255]) + bytes(1 << 20)
    c.ok("extra_1mb_after_row", with_stream(one, zlib.compress(raw, 9)), one)
    # And data after the end of the zlib stream.
    c.ok("junk_after_zlib_end", with_stream(one, zlib.compress(raw[:5]) + bytes(20000)), one)

    # Cut after half its rows: the zlib stream stops there; missing rows are 0.
    for interlace in (0, 1):
        cut = random_image(rng, 10, 8, 8, 6)
        raw, ends = filtered_data(cut.pixels, 10, 8, 8, 6, interlace, Counter(rng))
        half = len(ends) // 2
        comp = zlib.compressobj(6)
        z = comp.compress(raw[:ends[half - 1]]) + comp.flush(zlib.Z_SYNC_FLUSH)
        written = set()
        rows = 0
        for xs, ys, xst, yst, cols, nrows in passes(10, 8, interlace):
            for r in range(nrows):
                if rows < half:
                    for i in range(cols):
                        written.add((xs + xst * i, ys + yst * r))
                rows += 1
        c.ok("cut_half_rows_i%d" % interlace, with_stream(cut, z, interlace=interlace), cut,
             words=cut.words(written), libpng=False)

    # A 16-bit grey key matches exactly: 0x1234 is transparent, 0x1235 is not.
    vals = [0x1234, 0x1235, 0x12FF, 0x1200, 0x1234, 0x0034, 0xFFFF, 0x1234]
    key = Image(8, 1, 16, 0, [[(v,) for v in vals]], trns=0x1234)
    c.ok("grey16_key_1234", encode(key, rng), key)


class FixedFilter:
    def __init__(self, f):
        self.f = f

    def next(self):
        return self.f


def main():
    out = sys.argv[1]
    os.makedirs(os.path.join(out, "seeds"), exist_ok=True)
    rng = random.Random(20240611)
    c = Corpus(out)
    conformance(c, rng)
    transparency(c, rng)
    chunk_order(c, rng)
    refused(c, rng)
    hostile(c, rng)
    c.finish()
    print("%d files written" % len(c.lines))


if __name__ == "__main__":
    main()
