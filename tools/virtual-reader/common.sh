# Shared by the virtual reader scripts: where things are and how to stop
# exactly the processes the scripts started. Sourced, not run.

VR_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
VR_REPO=$(cd "$VR_HERE/../.." && pwd)
VR_BUILD=${ZELVAN_BUILD_DIR:-$VR_REPO/build}
VR_VPASSPORT=${ZELVAN_VPASSPORT:-$VR_BUILD/tools/vpassport/zelvan-vpassport}
VR_PROBE=${ZELVAN_CARD_PROBE:-$VR_BUILD/tools/virtual-reader/zelvan-card-probe}
VR_DEFAULT_STATE=${TMPDIR:-/tmp}/zelvan-virtual-reader
VR_SKIP=77   # exit status for "cannot run here" (no namespaces), as CTest's SKIP_RETURN_CODE

vr_die() { echo "virtual-reader: $*" >&2; exit 1; }

# The virtual reader cannot be made here, for the reason given: skipped (exit
# 77) with the reason; with CI=true a failure instead, so that a CI run never
# passes with the end-to-end tests left out.
vr_unavailable() {
  if [ "${CI:-}" = true ]; then
    echo "virtual-reader: $*; CI=true, so this fails instead of being skipped" >&2
    exit 1
  fi
  echo "virtual-reader: skipped: $*" >&2
  exit $VR_SKIP
}

# The vpcd driver of the installed package, from its own reader entry.
vr_vpcd_driver() {
  local entry=/etc/reader.conf.d/vpcd path=
  [ -r "$entry" ] && path=$(awk '$1 == "LIBPATH" { print $2; exit }' "$entry")
  [ -n "$path" ] || path=/usr/lib/pcsc/drivers/serial/libifdvpcd.so
  [ -e "$path" ] || vr_die "vpcd driver not found ($path); install vsmartcard-vpcd (scripts/install-deps.sh)"
  echo "$path"
}

# Whether PID is alive and runs a program whose command line contains NAME.
vr_is_ours() {
  local pid=$1 name=$2
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q -- "$name"
}

# Sends TERM to PID if it is ours, waits up to 5 s, then KILL.
vr_stop_pid() {
  local pid=$1 name=$2 i
  vr_is_ours "$pid" "$name" || return 0
  kill -TERM "$pid" 2>/dev/null || return 0
  for i in $(seq 50); do vr_is_ours "$pid" "$name" || return 0; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
}
