#!/usr/bin/env bash
# Restarts the virtual reader's pcscd under the programs that use it, as a
# service manager restarts a system's pcscd: stops pcscd, starts a new one on
# the same reader entry, and starts the passport again as start.sh did (it
# leaves when the old pcscd's vpcd closes its connection). Returns once the
# card answers through the new pcscd. Runs inside the namespace (through
# run.sh, or from a program run by it); the new process ids go into the state,
# so stop.sh stops them.
#
#   restart-pcscd.sh [--state DIR]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

state=${ZELVAN_VIRTUAL_READER_STATE:-$VR_DEFAULT_STATE}
if [ "${1:-}" = --state ]; then state=$2; shift 2; fi
[ -r "$state/vpassport.args" ] || vr_die "not running (no state in $state); start it with start.sh"
mapfile -t args <"$state/vpassport.args"

vr_stop_pid "$(cat "$state/vpassport.pid" 2>/dev/null || true)" zelvan-vpassport
vr_stop_pid "$(cat "$state/pcscd.pid" 2>/dev/null || true)" pcscd
for _ in $(seq 50); do [ -e /run/pcscd/pcscd.comm ] || break; sleep 0.1; done

setsid pcscd --foreground --config "$state/reader.conf.d" >>"$state/pcscd.log" 2>&1 </dev/null &
echo $! >"$state/pcscd.pid"
setsid "$VR_VPASSPORT" --document "${args[0]}" --port "${args[1]}" "${args[@]:2}" \
  >>"$state/vpassport.log" 2>&1 </dev/null &
echo $! >"$state/vpassport.pid"
"$VR_PROBE" wait --timeout 20 >>"$state/probe.log" 2>&1 || vr_die "the card did not come back after pcscd restarted"
