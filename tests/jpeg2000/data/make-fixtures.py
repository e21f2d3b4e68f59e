#!/usr/bin/env python3
"""Regenerates the JPEG 2000 test fixtures in this folder.

Every fixture <name>.jp2 or <name>.j2k comes with <name>.planes, the source
samples of its components in codestream order; the tests compute the pixels
they expect from those samples. All fixtures but the face are lossless.

Codestreams come from opj_compress (PGM, PPM and raw input) where it can
write them, and otherwise from encode-planes.cpp, a small OpenJPEG encoder
kept beside this script (subsampled components at odd sizes). JP2 files whose
boxes opj_compress does not write (channel definitions, enumerated colour
space 18, grey plus alpha) are assembled here around such a codestream.

Every codestream is checked by decoding it with opj_decompress and comparing
the components with the planes before anything is written.

Needs opj_compress and opj_decompress (libopenjp2-tools), libopenjp2-dev,
pkg-config and a C++ compiler. Usage: python3 make-fixtures.py
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------- planes

@dataclass
class Component:
    w: int
    h: int
    dx: int
    dy: int
    prec: int
    sgnd: int
    samples: list


@dataclass
class Planes:
    x0: int
    y0: int
    x1: int
    y1: int
    components: list = field(default_factory=list)

    def text(self):
        lines = ["jpeg2000-planes 1", f"area {self.x0} {self.y0} {self.x1} {self.y1}"]
        for c in self.components:
            lines.append(f"component {c.w} {c.h} {c.dx} {c.dy} {c.prec} {c.sgnd}")
            for row in range(c.h):
                lines.append(" ".join(str(s) for s in c.samples[row * c.w:(row + 1) * c.w]))
        return "\n".join(lines) + "\n"


def ceil_div(a, b):
    return -(-a // b)


def plane(width, height, prec, sgnd, pattern, dx=1, dy=1, x0=0, y0=0):
    """One component over the area (x0, y0)-(x0+width, y0+height); pattern(x, y)
    gives a sample in the unsigned range, shifted down for signed components."""
    w = ceil_div(x0 + width, dx) - ceil_div(x0, dx)
    h = ceil_div(y0 + height, dy) - ceil_div(y0, dy)
    top = 1 << prec
    shift = top // 2 if sgnd else 0
    samples = [pattern(x, y) % top - shift for y in range(h) for x in range(w)]
    return Component(w, h, dx, dy, prec, sgnd, samples)


def planes(width, height, components, x0=0, y0=0):
    return Planes(x0, y0, x0 + width, y0 + height, components)


def with_corners(pattern, top):
    """The pattern, with the lowest and the highest sample in two corners."""
    def corners(x, y):
        if (x, y) == (0, 0):
            return 0
        if (x, y) == (1, 0):
            return top - 1
        return pattern(x, y)
    return corners


def ramp(a, b, c):
    return lambda x, y: a * x + b * y + c


# ---------------------------------------------------------------- encoders

def run(*args, cwd=None):
    subprocess.run(args, check=True, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def netpbm_bytes(p):
    comps = p.components
    magic = {1: b"P5", 3: b"P6"}[len(comps)]
    width, height = p.x1 - p.x0, p.y1 - p.y0
    pixels = bytes(c.samples[i] for i in range(width * height) for c in comps)
    return magic + f"\n{width} {height}\n255\n".encode() + pixels


def raw_bytes(p):
    """Planar raw input for opj_compress -F: one byte a sample up to 8 bits,
    two big-endian bytes above; signed samples in two's complement."""
    out = bytearray()
    for c in p.components:
        size = 1 if c.prec <= 8 else 2
        for s in c.samples:
            out += (s % (1 << (8 * size))).to_bytes(size, "big")
    return bytes(out)


def raw_format(p):
    c0 = p.components[0]
    sign = "s" if c0.sgnd else "u"
    return f"{p.x1 - p.x0},{p.y1 - p.y0},{len(p.components)},{c0.prec},{sign}"


def opj_compress(p, source_kind, out_path, work, extra=()):
    args = ["opj_compress", "-n", "1", "-o", out_path] + list(extra)
    if source_kind in ("pgm", "ppm"):
        src = os.path.join(work, "in." + source_kind)
        with open(src, "wb") as f:
            f.write(netpbm_bytes(p))
    else:
        src = os.path.join(work, "in.raw")
        with open(src, "wb") as f:
            f.write(raw_bytes(p))
        args += ["-F", raw_format(p)]
    if p.x0 or p.y0:
        args += ["-d", f"{p.x0},{p.y0}"]
    run(*args, "-i", src)


def build_helper(work):
    exe = os.path.join(work, "encode-planes")
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "libopenjp2"],
                           check=True, capture_output=True, text=True).stdout.split()
    cxx = os.environ.get("CXX", "c++")
    run(cxx, "-std=c++17", "-O1", os.path.join(HERE, "encode-planes.cpp"), "-o", exe, *flags)
    return exe


# ---------------------------------------------------------------- JP2 boxes

def box(kind, payload):
    return struct.pack(">I4s", 8 + len(payload), kind) + payload


def ihdr(p):
    comps = p.components
    depths = {(c.prec, c.sgnd) for c in comps}
    assert len(depths) == 1, "the hand-made JP2 files use one depth for all components"
    prec, sgnd = depths.pop()
    bpc = (prec - 1) | (0x80 if sgnd else 0)
    return box(b"ihdr", struct.pack(">IIHBBBB", p.y1 - p.y0, p.x1 - p.x0, len(comps), bpc, 7, 0, 0))


def colr(enumcs):
    return box(b"colr", struct.pack(">BBBI", 1, 0, 0, enumcs))


def cdef(entries):
    body = struct.pack(">H", len(entries))
    for channel, kind, association in entries:
        body += struct.pack(">HHH", channel, kind, association)
    return box(b"cdef", body)


def jp2_file(p, codestream, enumcs, cdef_entries=None):
    header = ihdr(p) + colr(enumcs)
    if cdef_entries is not None:
        header += cdef(cdef_entries)
    return (box(b"jP  ", b"\r\n\x87\n")
            + box(b"ftyp", b"jp2 " + struct.pack(">I", 0) + b"jp2 ")
            + box(b"jp2h", header)
            + box(b"jp2c", codestream))


def top_boxes(data):
    i = 0
    while i + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[i:i + 8])
        header = 8
        if length == 1:
            length = struct.unpack(">Q", data[i + 8:i + 16])[0]
            header = 16
        elif length == 0:
            length = len(data) - i
        yield kind, data[i + header:i + length]
        i += length


def codestream_of(data):
    if data.startswith(b"\xff\x4f\xff\x51"):
        return data
    return dict(top_boxes(data))[b"jp2c"]


def jp2_header_boxes(data):
    return [kind for kind, _ in top_boxes(dict(top_boxes(data))[b"jp2h"])]


# ---------------------------------------------------------------- check

def read_pgx(path):
    with open(path, "rb") as f:
        data = f.read()
    end = data.index(b"\n")
    words = data[:end].decode().replace("+", " + ").replace("-", " - ").split()
    # PG ML <sign> <depth> <width> <height>
    sgnd, prec, w, h = words[2] == "-", int(words[3]), int(words[4]), int(words[5])
    size = 1 if prec <= 8 else 2 if prec <= 16 else 4
    body = data[end + 1:]
    samples = [int.from_bytes(body[i * size:(i + 1) * size], "big", signed=sgnd) for i in range(w * h)]
    return w, h, prec, int(sgnd), samples


def decode_components(j2k, indices, work):
    for name in os.listdir(work):
        if name.endswith(".pgx"):
            os.remove(os.path.join(work, name))
    args = ["opj_decompress", "-i", j2k, "-o", os.path.join(work, "check.pgx")]
    if indices is not None:
        args += ["-c", ",".join(str(i) for i in indices)]
    run(*args)
    count = len(indices) if indices is not None else len([n for n in os.listdir(work) if n.endswith(".pgx")])
    return [read_pgx(os.path.join(work, f"check_{i}.pgx")) for i in range(count)]


def check_codestream(codestream, p, work):
    j2k = os.path.join(work, "check.j2k")
    with open(j2k, "wb") as f:
        f.write(codestream)
    if all(c.dx == 1 and c.dy == 1 for c in p.components):
        decoded = decode_components(j2k, None, work)
    else:
        # One component at a time: opj_decompress would turn three components
        # with subsampled chroma into RGB (these codestreams have no colour transform).
        decoded = [decode_components(j2k, [i], work)[0] for i in range(len(p.components))]
    want = [(c.w, c.h, c.prec, c.sgnd, c.samples) for c in p.components]
    if decoded != want:
        sys.exit("the codestream does not decode to its planes")


# ---------------------------------------------------------------- fixtures

@dataclass
class Fixture:
    name: str
    planes: Planes
    encoder: str  # pgm, ppm, raw (opj_compress) or helper (encode-planes)
    enumcs: int = 0  # hand-made JP2: the enumerated colour space
    cdef_entries: list = None  # hand-made JP2: (channel, type, association)
    hand_made: bool = False


def grey8():
    return planes(5, 4, [plane(5, 4, 8, 0, with_corners(ramp(53, 97, 11), 256))])


def rgb8(width, height, order="rgb"):
    patterns = {"r": ramp(41, 7, 3), "g": ramp(13, 59, 100), "b": ramp(97, 31, 200), "a": ramp(29, 83, 255)}
    return planes(width, height, [plane(width, height, 8, 0, with_corners(patterns[k], 256)) for k in order])


def grey(prec, sgnd, width=4, height=3):
    top = 1 << prec
    pattern = with_corners(ramp(top // 7 + 3, top // 3 + 1, top // 2), top)
    return planes(width, height, [plane(width, height, prec, sgnd, pattern)])


def sycc420(width=7, height=5):
    # Chroma samples reach both ends, so the conversion has to clamp.
    luma = plane(width, height, 8, 0, with_corners(ramp(37, 61, 5), 256))
    cb = plane(width, height, 8, 0, lambda x, y: [128, 0, 255, 90, 200, 30][(x + 2 * y) % 6], 2, 2)
    cr = plane(width, height, 8, 0, lambda x, y: [128, 255, 0, 170, 60, 220][(2 * x + y) % 6], 2, 2)
    return planes(width, height, [luma, cb, cr])


def odd_subsampling(width=7, height=5):
    return planes(width, height, [
        plane(width, height, 8, 0, ramp(31, 17, 2)),
        plane(width, height, 8, 0, ramp(71, 23, 40), 3, 2),
        plane(width, height, 8, 0, ramp(19, 89, 150), 2, 3),
    ])


def grey_offset():
    return planes(5, 3, [plane(5, 3, 8, 0, ramp(43, 67, 9), x0=3, y0=2)], x0=3, y0=2)


SRGB, GREY, SYCC = 16, 17, 18
COLOUR, OPACITY = 0, 1


def fixtures():
    rgb = rgb8(6, 5)
    return [
        Fixture("grey-5x4.jp2", grey8(), "pgm"),
        Fixture("grey-offset-5x3.jp2", grey_offset(), "pgm"),
        Fixture("rgb-6x5.jp2", rgb, "ppm"),
        Fixture("rgb-6x5.j2k", rgb, "ppm"),
        Fixture("bgr-cdef-6x5.jp2", rgb8(6, 5, "bgr"), "raw", SRGB,
                [(0, COLOUR, 3), (1, COLOUR, 2), (2, COLOUR, 1)], True),
        Fixture("rgba-cdef-5x3.jp2", rgb8(5, 3, "rgba"), "raw", SRGB,
                [(0, COLOUR, 1), (1, COLOUR, 2), (2, COLOUR, 3), (3, OPACITY, 0)], True),
        Fixture("argb-cdef-5x3.jp2", rgb8(5, 3, "argb"), "raw", SRGB,
                [(0, OPACITY, 0), (1, COLOUR, 1), (2, COLOUR, 2), (3, COLOUR, 3)], True),
        # An entry for a channel the image does not have, and an opacity
        # channel that has no room in a 3-byte pixel.
        Fixture("rg-opacity-cdef-4x3.jp2", rgb8(4, 3, "rga"), "raw", SRGB,
                [(0, COLOUR, 1), (1, COLOUR, 2), (2, OPACITY, 0), (9, COLOUR, 3)], True),
        Fixture("grey-alpha-cdef-4x4.jp2", rgb8(4, 4, "ga"), "raw", GREY,
                [(0, COLOUR, 1), (1, OPACITY, 0)], True),
        Fixture("four-nodef-4x3.jp2", rgb8(4, 3, "argb"), "raw"),
        Fixture("sycc420-7x5.jp2", sycc420(), "helper", SYCC, None, True),
        Fixture("sycc420-cdef-7x5.jp2", sycc420(), "helper", SYCC,
                [(0, COLOUR, 1), (1, COLOUR, 2), (2, COLOUR, 3)], True),
        Fixture("sycc420-7x5.j2k", sycc420(), "helper"),
        Fixture("odd-subsampling-7x5.jp2", odd_subsampling(), "helper", SRGB, None, True),
        Fixture("grey12-4x3.jp2", grey(12, 0), "raw"),
        Fixture("grey16-4x3.jp2", grey(16, 0), "raw"),
        Fixture("signed8-4x4.jp2", grey(8, 1, 4, 4), "raw"),
        Fixture("signed12-4x3.jp2", grey(12, 1), "raw"),
        Fixture("bilevel-4x2.jp2", grey(1, 0, 4, 2), "raw"),
    ]


def make_fixture(fixture, helper, work):
    p = fixture.planes
    j2k = os.path.join(work, "out.j2k")
    target = j2k if fixture.hand_made or fixture.name.endswith(".j2k") else os.path.join(work, "out.jp2")
    if fixture.encoder == "helper":
        src = os.path.join(work, "in.planes")
        with open(src, "w") as f:
            f.write(p.text())
        run(helper, src, j2k)
    else:
        opj_compress(p, fixture.encoder, target, work)
    with open(target, "rb") as f:
        data = f.read()
    if fixture.hand_made:
        data = jp2_file(p, data, fixture.enumcs, fixture.cdef_entries)
    elif fixture.name.endswith(".jp2"):
        assert b"cdef" not in jp2_header_boxes(data), fixture.name
    check_codestream(codestream_of(data), p, work)
    with open(os.path.join(HERE, fixture.name), "wb") as f:
        f.write(data)
    with open(os.path.join(HERE, fixture.name.rsplit(".", 1)[0] + ".planes"), "w") as f:
        f.write(p.text())


# ---------------------------------------------------------------- face

def face_ppm(width=480, height=640):
    """A synthetic portrait: shaded background, hair, an oval face with eyes
    and mouth, and a little grain, so that it compresses like a photograph."""
    seed = 12345
    out = bytearray()
    cx, cy = width / 2, height * 0.45
    for y in range(height):
        for x in range(width):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            grain = (seed >> 16) % 13 - 6
            r, g, b = 70 + y // 8, 110 + y // 10, 160 - y // 12
            dx, dy = (x - cx) / (width * 0.30), (y - cy) / (height * 0.30)
            d = dx * dx + dy * dy
            if d < 1.3 and y < cy - height * 0.12:
                r, g, b = 60, 40, 25
            if d < 1.0:
                shade = 1.0 - 0.35 * d
                r, g, b = 225 * shade, 180 * shade, 150 * shade
                for ex in (-0.38, 0.38):
                    if (dx - ex) ** 2 + ((dy + 0.2) * 1.8) ** 2 < 0.02:
                        r, g, b = 40, 60, 90
                if abs(dx) < 0.35 and abs(dy - 0.5) < 0.05:
                    r, g, b = 170, 70, 70
            if y > height * 0.82 and abs(x - cx) < width * (0.2 + (y - height * 0.82) / height):
                r, g, b = 30, 45, 80
            out += bytes(max(0, min(255, int(v) + grain)) for v in (r, g, b))
    return f"P6\n{width} {height}\n255\n".encode() + bytes(out)


def make_face(work):
    src = os.path.join(work, "face.ppm")
    with open(src, "wb") as f:
        f.write(face_ppm())
    out = os.path.join(HERE, "face-480x640.jp2")
    # Irreversible wavelet at about 46:1, the size of a passport's face.
    run("opj_compress", "-i", src, "-o", out, "-I", "-r", "46")
    print(f"face-480x640.jp2: {os.path.getsize(out)} bytes")


def main():
    with tempfile.TemporaryDirectory() as work:
        helper = build_helper(work)
        for fixture in fixtures():
            make_fixture(fixture, helper, work)
            print(fixture.name)
        make_face(work)


if __name__ == "__main__":
    main()
