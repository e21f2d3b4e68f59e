#!/usr/bin/env bash
# Writes the seed corpora of fuzz/corpus/ anew from the sample documents.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${ZELVAN_FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZELVAN_FUZZ=ON -DZELVAN_BUILD_TESTS=OFF -DZELVAN_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$BUILD_DIR" --target zelvan-fuzz-corpus zelvan-fuzz-trust-corpus
rm -rf fuzz/corpus
"$BUILD_DIR/fuzz/zelvan-fuzz-corpus" tools/samples tests/jpeg2000/data fuzz/corpus
"$BUILD_DIR/fuzz/zelvan-fuzz-trust-corpus" tests/trust/data/pa/sod fuzz/corpus
# DG14 seeds: the recorded passports' files of the Chip Authentication sessions.
python3 - tests/support/data/chipauth-vectors.txt fuzz/corpus/dg14 <<'PY'
import os, sys
section = None
os.makedirs(sys.argv[2], exist_ok=True)
for line in open(sys.argv[1]):
    if line.startswith("["):
        section = line.strip().strip("[]")
    elif line.startswith("dg14") and "=" in line:
        with open(os.path.join(sys.argv[2], section), "wb") as seed:
            seed.write(bytes.fromhex(line.split("=", 1)[1].split()[0]))
PY
# and one with the DH key of tests/support/data/ca-dh-leading-zero.txt.
python3 - tests/support/data/ca-dh-leading-zero.txt fuzz/corpus/dg14 <<'PY'
import os, sys
def tlv(tag, value):
    n = len(value)
    length = bytes([n]) if n < 0x80 else bytes([0x81, n]) if n <= 0xFF else bytes([0x82, n >> 8, n & 0xFF])
    return bytes([tag]) + length + value
values = dict((l.split("=")[0].strip(), bytes.fromhex(l.split("=")[1].split()[0])) for l in open(sys.argv[1])
              if "=" in l and not l.startswith("#"))
key = tlv(0x30, tlv(0x06, bytes.fromhex("04007F000702020101")) + values["spki"])
info = tlv(0x30, tlv(0x06, values["protocol"]) + bytes.fromhex("020101"))
with open(os.path.join(sys.argv[2], "dh-aes128"), "wb") as seed:
    seed.write(tlv(0x6E, tlv(0x31, key + info)))
PY
