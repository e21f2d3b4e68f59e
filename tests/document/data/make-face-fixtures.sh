#!/usr/bin/env bash
# Makes the small face pictures of the DG2 tests: a 16 x 12 colour pattern as
# PPM (the expected pixels) and its lossless JPEG 2000 forms, a JP2 file and a
# raw codestream; and a 4 x 4 grey ramp as PGM and a codestream small enough
# for a record with a one-byte length after 0x81. Run it here when the pattern changes; the outputs are kept
# in the repository, so building and testing need no JPEG 2000 encoder.
set -euo pipefail
cd "$(dirname "$0")"

python3 - <<'PY'
width, height = 16, 12
pixels = bytearray()
for y in range(height):
    for x in range(width):
        pixels += bytes(((x * 16) & 0xFF, (y * 21) & 0xFF, ((x + y) * 9) & 0xFF))
with open("face.ppm", "wb") as out:
    out.write(b"P6\n%d %d\n255\n" % (width, height))
    out.write(pixels)
with open("small.pgm", "wb") as out:
    out.write(b"P5\n4 4\n255\n")
    out.write(bytes(range(0, 256, 16)))
PY

# No rate given: the reversible 5/3 wavelet, so decoding gives the PPM's pixels back.
opj_compress -i face.ppm -o face.jp2 -n 2 >/dev/null
opj_compress -i face.ppm -o face.j2k -n 2 >/dev/null
opj_compress -i small.pgm -o small.j2k -n 1 >/dev/null
ls -l face.ppm face.jp2 face.j2k small.pgm small.j2k
