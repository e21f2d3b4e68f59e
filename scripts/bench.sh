#!/usr/bin/env bash
# Builds the benchmarks in Release into build-bench/ (or $ZELVAN_BENCH_DIR)
# and runs each one; the reading through pcscd runs inside the virtual reader
# (root and unshare needed; skipped otherwise, a failure with CI=true).
# Installs what is missing first.
#
#   scripts/bench.sh [extra Google Benchmark options...]
#
# ZELVAN_BENCH_REPETITIONS (default 5) sets the repetitions of each benchmark;
# medians and minima are printed beside the means. See README.md, "Benchmarks".
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=${ZELVAN_BENCH_DIR:-build-bench}
REPETITIONS=${ZELVAN_BENCH_REPETITIONS:-5}

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target \
  secure_messaging_bench read_in_process_bench read_through_pcscd_bench jpeg2000_bench startup_bench passive_auth_bench \
  active_auth_bench \
  zelvan-vpassport zelvan-card-probe

options=(--benchmark_repetitions="$REPETITIONS" --benchmark_report_aggregates_only=true
         --benchmark_counters_tabular=true "$@")
status=0
section() {
  echo
  echo "== $1"
  echo "   load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
}

section "1. Secure messaging per command: a protected READ BINARY of 100 bytes against raw DES"
"$BUILD_DIR/bench/access/secure_messaging_bench" "${options[@]}" || status=1

section "2. A whole reading in process: CPU time by stage, per command against 1 % of a 20 ms round trip"
"$BUILD_DIR/bench/read/read_in_process_bench" "${options[@]}" || status=1

section "3. A whole reading through pcscd, vpcd and the virtual passport against as many minimal round trips"
pcscd_status=0
ZELVAN_BUILD_DIR="$BUILD_DIR" tools/virtual-reader/with-virtual-reader.sh -- \
  "$BUILD_DIR/bench/pcscd/read_through_pcscd_bench" "${options[@]}" || pcscd_status=$?
if ((pcscd_status == 77)); then
  echo "   skipped: the virtual reader needs root and unshare"
elif ((pcscd_status != 0)); then
  status=1
fi

section "4. The face: conversion against decode, the whole load against decode, two threads against one"
"$BUILD_DIR/bench/jpeg2000/jpeg2000_bench" "${options[@]}" || status=1

section "5. Start-up to the window shown against an empty Qt window (offscreen)"
"$BUILD_DIR/bench/startup/startup_bench" "${options[@]}" || status=1

section "6. Passive Authentication of a reading against the same hashing plus one raw signature verification"
"$BUILD_DIR/bench/trust/passive_auth_bench" "${options[@]}" || status=1

section "7. Active Authentication's signature check against libcrypto's own operation for the same signature"
"$BUILD_DIR/bench/trust/active_auth_bench" "${options[@]}" || status=1

exit $status
