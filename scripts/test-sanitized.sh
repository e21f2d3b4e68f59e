#!/usr/bin/env bash
# Builds Zelvan and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan/ (or $ZELVAN_ASAN_BUILD_DIR) and runs the whole suite there,
# leak checks on (no suppressions: neither Qt nor anything else leaks here).
# Any finding of a sanitizer fails its test and so the run.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${ZELVAN_ASAN_BUILD_DIR:-build-asan}

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVAN_SANITIZE=ON \
  -DZELVAN_BUILD_TESTS=ON -DZELVAN_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# Every reading is several times slower here: fewer hostile sessions.
export ZELVAN_HOSTILE_SESSIONS=${ZELVAN_HOSTILE_SESSIONS:-2000}
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
