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
