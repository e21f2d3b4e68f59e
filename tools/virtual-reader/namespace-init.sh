#!/usr/bin/env bash
# Runs inside the private mount and network namespace made by start.sh:
# a fresh /run/pcscd, loopback only, pcscd reading only our reader entry, and
# the virtual passport connected to the vpcd driver. Stays until TERM, then
# stops the two processes it started.
# Arguments: STATE_DIR DOCUMENT PORT DRIVER [zelvan-vpassport options...]
set -euo pipefail
state=$1 document=$2 port=$3 driver=$4
shift 4
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

echo $$ >"$state/inner.pid"
children=()
cleanup() {
  for pid in "${children[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  wait || true
}
trap 'cleanup; exit 0' TERM INT
trap cleanup EXIT

mkdir -p /run/pcscd
mount -t tmpfs -o mode=0755 zelvan-pcscd /run/pcscd
ip link set lo up

conf="$state/reader.conf.d"
mkdir -p "$conf"
hex_port=$(printf '0x%X' "$port")
cat >"$conf/zelvan-vpcd" <<CONF
FRIENDLYNAME "Zelvan Virtual ACR122"
DEVICENAME   /dev/null:$hex_port
LIBPATH      $driver
CHANNELID    $hex_port
CONF

pcscd --foreground --config "$conf" >"$state/pcscd.log" 2>&1 &
children+=($!)
echo $! >"$state/pcscd.pid"

# What the passport was started with, for restart-pcscd.sh: one argument a line.
printf '%s\n' "$document" "$port" "$@" >"$state/vpassport.args"
"$VR_VPASSPORT" --document "$document" --port "$port" "$@" >"$state/vpassport.log" 2>&1 &
children+=($!)
echo $! >"$state/vpassport.pid"

if "$VR_PROBE" wait --timeout 20 >>"$state/probe.log" 2>&1; then
  touch "$state/ready"
else
  touch "$state/failed"
  exit 1
fi
wait
