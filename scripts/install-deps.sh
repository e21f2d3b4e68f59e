#!/usr/bin/env bash
# Installs the Debian 12 packages Zelvan needs to build, test and run.
# Idempotent: asks apt only for what is missing, and updates the package
# lists only when something has to be installed.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libpcsclite-dev pcscd vsmartcard-vpcd libccid
  libssl-dev libeac-dev
  libopenjp2-7-dev libopenjp2-tools
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth x11-utils imagemagick fonts-liberation
  clang libclang-rt-14-dev clang-format
  python3 iproute2 util-linux procps
  fonts-dejavu-core
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
