#!/usr/bin/env bash
# Builds Zelvan and starts it. Installs what is missing first.
#
# With an ACR122 reader attached (system pcscd with the CCID driver) the
# program uses it, with the user's own trust store. Without one, the virtual
# reader comes up first, holding the sample passport that the window's
# pre-filled values open, and goes down when the window closes; the trust
# store is then the sample one (tools/samples/trust), which holds the CSCA
# that signed the sample passport, so that its reading ends in "Geçerli".
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
BUILD_DIR=${ZELVAN_BUILD_DIR:-build}
BIN="$BUILD_DIR/app/zelvan"
PROBE="$BUILD_DIR/tools/virtual-reader/zelvan-card-probe"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. Start Zelvan from a desktop session, or under a virtual X server:"
  echo "  xvfb-run -a -s '-screen 0 1024x768x24' $0"
  exit 1
fi

# A system pcscd serves real readers; start it when it is installed but idle,
# and stop it again afterwards if this script started it.
started_pcscd=
if ! pidof pcscd >/dev/null 2>&1 && command -v pcscd >/dev/null; then
  if pcscd 2>/dev/null; then
    started_pcscd=yes
    sleep 1
  fi
fi
stop_system_pcscd() {
  [ -n "$started_pcscd" ] || return 0
  local pid
  pid=$(tr -d '\0' </run/pcscd/pcscd.pid 2>/dev/null || true)
  if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = pcscd ]; then kill "$pid" 2>/dev/null || true; fi
}
trap stop_system_pcscd EXIT

if "$PROBE" reader --reader ACR122; then
  echo "Using the ACR122 reader attached to this machine."
  "$BIN"
else
  echo "No ACR122 reader found: starting the virtual reader with the sample passport."
  stop_system_pcscd
  started_pcscd=
  ZELVAN_TRUST_STORE="$PWD/tools/samples/trust" tools/virtual-reader/with-virtual-reader.sh -- "$BIN"
fi
