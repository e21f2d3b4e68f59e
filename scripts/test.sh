#!/usr/bin/env bash
# Builds Zelvan and runs every test. Installs what is missing first.
# Then the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer
# (leak checks on), and each fuzz target briefly; ZELVAN_QUICK_TEST=1 skips
# these two.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
ctest --test-dir "${ZELVAN_BUILD_DIR:-build}" --output-on-failure -j"$(nproc)"
if [ "${ZELVAN_QUICK_TEST:-0}" != 1 ]; then
  scripts/test-sanitized.sh
  scripts/fuzz.sh 6
fi
