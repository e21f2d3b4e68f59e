#!/usr/bin/env bash
# Builds Zelvan and starts it. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
BIN="${ZELVAN_BUILD_DIR:-build}/app/zelvan"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. Run Zelvan under a virtual X server, for example:"
  echo "  xvfb-run -s '-screen 0 1024x768x24' $0"
  exit 1
fi
exec "$BIN"
