#!/usr/bin/env bash
# Builds the Debian package zelvan_<version>_amd64.deb into build-package/
# (or $ZELVAN_PACKAGE_DIR): the program in Release (or
# $ZELVAN_PACKAGE_BUILD_TYPE) without tests and benchmarks, then CPack.
# Installs what is missing first. Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=${ZELVAN_PACKAGE_DIR:-build-package}
# Paths relative to the tree, so that builds in other folders share ccache's objects.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${ZELVAN_PACKAGE_BUILD_TYPE:-Release}" -DCMAKE_INSTALL_PREFIX=/usr \
  -DZELVAN_BUILD_TESTS=OFF -DZELVAN_BUILD_BENCHMARKS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target zelvan zelvan_package_files
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
ls "$BUILD_DIR"/zelvan_*_amd64.deb
