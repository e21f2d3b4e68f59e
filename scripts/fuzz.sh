#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ and runs
# each one for a while, starting from its seed corpus in fuzz/corpus/.
#
#   scripts/fuzz.sh [--no-build] [SECONDS_PER_TARGET] [TARGET...]
#
# TARGET is a corpus name (secure_read_answer, ..., sod, master_list, ldif, dg15, aa_answer); all by
# default, 6 seconds each. New inputs go to build-fuzz/fuzz-work/<target>, so
# the committed seeds stay as they are; a finding is written to
# build-fuzz/findings/<target>/ and fails the run. Further libFuzzer options
# can be given in ZELVAN_FUZZ_FLAGS (e.g. "-fork=1 -ignore_crashes=1" to go on
# after a finding in long runs).
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=1
if [ "${1:-}" = "--no-build" ]; then BUILD=0; shift; fi
SECONDS_PER_TARGET=${1:-6}
shift || true
TARGETS=("$@")
if ((${#TARGETS[@]} == 0)); then
  TARGETS=(secure_read_answer secure_select_answer file_length efcom mrz dg11 dg12 dg2_face jpeg2000 read_session
    card_access general_authenticate sod master_list ldif dg15 aa_answer dg14)
fi
BUILD_DIR=${ZELVAN_FUZZ_BUILD_DIR:-build-fuzz}

if ((BUILD)); then
  CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZELVAN_FUZZ=ON -DZELVAN_BUILD_TESTS=OFF -DZELVAN_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build "$BUILD_DIR" --target fuzzers -j"$(nproc)"
fi

# Qt's platform plugin is never needed; the offscreen one keeps it quiet.
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

failed=()
for target in "${TARGETS[@]}"; do
  work="$BUILD_DIR/fuzz-work/$target"
  findings="$BUILD_DIR/findings/$target"
  log="$BUILD_DIR/fuzz-logs/$target.log"
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  if "$BUILD_DIR/fuzz/fuzz_$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" ${ZELVAN_FUZZ_FLAGS:-} "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    echo "fuzz $target: $(grep -E '^#[0-9]+' "$log" | tail -1)"
  else
    echo "fuzz $target: FINDING (see $log)"
    grep -E 'ERROR|FINDING|SUMMARY|runtime error' "$log" | head -5 || true
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "fuzz findings in: ${failed[*]}"
  exit 1
fi
