#!/usr/bin/env bash
# Builds Zelvan and runs every test. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
ctest --test-dir "${ZELVAN_BUILD_DIR:-build}" --output-on-failure -j"$(nproc)"
