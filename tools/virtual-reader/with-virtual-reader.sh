#!/usr/bin/env bash
# Runs one command with the virtual reader up, then stops it; exits with the
# command's status (77 when namespaces cannot be made here, 1 with CI=true).
#
#   with-virtual-reader.sh [start.sh options...] -- command [args...]
#   with-virtual-reader.sh command [args...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

options=()
if [[ ${1:-} == --* ]]; then
  while (($#)) && [ "$1" != -- ]; do options+=("$1"); shift; done
  [ "${1:-}" = -- ] && shift
fi
(($#)) || { echo "usage: with-virtual-reader.sh [start options...] -- command [args...]" >&2; exit 2; }

state=$(mktemp -d "${TMPDIR:-/tmp}/zelvan-virtual-reader.XXXXXX")
trap '"$here/stop.sh" --state "$state"' EXIT
status=0
"$here/start.sh" --state "$state" "${options[@]}" || status=$?
((status == 0)) || exit $status
"$here/run.sh" --state "$state" "$@" || status=$?
exit $status
