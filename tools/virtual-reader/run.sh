#!/usr/bin/env bash
# Runs a command inside the virtual reader's namespace, where it reaches the
# private pcscd through /run/pcscd/pcscd.comm.
#
#   run.sh [--state DIR] command [args...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

state=$VR_DEFAULT_STATE
if [ "${1:-}" = --state ]; then state=$2; shift 2; fi
(($#)) || vr_die "usage: run.sh [--state DIR] command [args...]"
inner=$(cat "$state/inner.pid" 2>/dev/null || true)
vr_is_ours "$inner" namespace-init.sh || vr_die "not running (no state in $state); start it with start.sh"
# Programs inside may look at the state (the passport's process id, logs).
export ZELVAN_VIRTUAL_READER_STATE=$state
# Entering a mount namespace moves to its root; keep the caller's directory.
exec nsenter --target "$inner" --mount --net --wd="$PWD" -- "$@"
