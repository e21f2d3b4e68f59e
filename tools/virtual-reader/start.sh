#!/usr/bin/env bash
# Starts the virtual reader: pcscd with vsmartcard's vpcd driver and
# zelvan-vpassport serving a sample document, inside a private mount and
# network namespace (the vpcd port stays off the network and a system pcscd
# is left alone). Returns once the card answers through pcscd.
#
#   start.sh [--state DIR] [--document FILE] [--port N] [zelvan-vpassport options...]
#
# Then run programs inside with run.sh and end it with stop.sh. Needs root
# (unshare); when namespaces cannot be made here it says why and exits with 77,
# or with 1 when CI=true.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

state=$VR_DEFAULT_STATE
document=$VR_REPO/tools/samples/icao-passport.zdoc
port=35963
passthrough=()
while (($#)); do
  case $1 in
    --state) state=$2; shift 2 ;;
    --document) document=$2; shift 2 ;;
    --port) port=$2; shift 2 ;;
    *) passthrough+=("$1"); shift ;;
  esac
done

[ -x "$VR_VPASSPORT" ] || vr_die "zelvan-vpassport not built ($VR_VPASSPORT); build the project or set ZELVAN_BUILD_DIR"
[ -x "$VR_PROBE" ] || vr_die "zelvan-card-probe not built ($VR_PROBE)"
[ -r "$document" ] || vr_die "no document file $document"
command -v pcscd >/dev/null || vr_die "pcscd not installed (scripts/install-deps.sh)"
driver=$(vr_vpcd_driver)
if ! refused=$(unshare --mount --net true 2>&1); then
  refused=${refused//$'\n'/; }
  [ "$(id -u)" = 0 ] || refused="running as uid $(id -u), not root; $refused"
  vr_unavailable "cannot make mount and network namespaces here (needs root and unshare): $refused"
fi
if [ -f "$state/inner.pid" ] && vr_is_ours "$(cat "$state/inner.pid")" namespace-init.sh; then
  vr_die "already running (state in $state); stop it with stop.sh"
fi

rm -rf "$state"
mkdir -p "$state"
document=$(cd "$(dirname "$document")" && pwd)/$(basename "$document")
setsid unshare --mount --net --propagation private \
  bash "$VR_HERE/namespace-init.sh" "$state" "$document" "$port" "$driver" "${passthrough[@]}" \
  </dev/null >"$state/init.log" 2>&1 &
echo $! >"$state/holder.pid"

for _ in $(seq 300); do
  [ -f "$state/ready" ] && { echo "virtual-reader: card ready (state in $state)"; exit 0; }
  if [ -f "$state/failed" ] || ! kill -0 "$(cat "$state/holder.pid")" 2>/dev/null; then break; fi
  sleep 0.1
done
echo "virtual-reader: the card did not come up; logs:" >&2
for log in init pcscd vpassport probe; do
  [ -s "$state/$log.log" ] && { echo "--- $log.log" >&2; tail -n 20 "$state/$log.log" >&2; }
done
"$VR_HERE/stop.sh" --state "$state"
exit 1
