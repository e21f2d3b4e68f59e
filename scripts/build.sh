#!/usr/bin/env bash
# Configures and builds Zelvan into build/ (or $ZELVAN_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${ZELVAN_BUILD_DIR:-build}
# Paths relative to the tree, so that builds in other folders share ccache's objects.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
