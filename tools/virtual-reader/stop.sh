#!/usr/bin/env bash
# Stops the virtual reader started by start.sh: the namespace's init script
# stops pcscd and zelvan-vpassport; any of the three still running after that
# is stopped by its recorded process id.
#
#   stop.sh [--state DIR]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

state=$VR_DEFAULT_STATE
if [ "${1:-}" = --state ]; then state=$2; shift 2; fi
[ -d "$state" ] || exit 0
pid_of() { cat "$state/$1.pid" 2>/dev/null || true; }
vr_stop_pid "$(pid_of inner)" namespace-init.sh
vr_stop_pid "$(pid_of vpassport)" zelvan-vpassport
vr_stop_pid "$(pid_of pcscd)" pcscd
vr_stop_pid "$(pid_of holder)" namespace-init.sh
rm -rf "$state"
