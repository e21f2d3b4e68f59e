#!/usr/bin/env bash
# Where the virtual reader cannot be made, the end-to-end tests say why and are
# skipped; with CI=true they fail instead, so that a CI run never passes with
# them left out. Checks both for with-virtual-reader.sh (namespaces refused)
# and for the end-to-end test binary run outside it.
#
#   virtual-reader-unavailable.sh APP_PCSCD_TESTS
#
# ZELVAN_VPASSPORT and ZELVAN_CARD_PROBE name the built programs, as for the
# end-to-end tests.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wrapper=$here/../../tools/virtual-reader/with-virtual-reader.sh
tests=${1:?usage: virtual-reader-unavailable.sh APP_PCSCD_TESTS}

# Namespaces refused: root runs the wrapper with no capabilities left (its
# files stay readable, unlike for another user); anyone else is refused anyway.
unprivileged=()
if [ "$(id -u)" = 0 ]; then unprivileged=(setpriv --inh-caps=-all --bounding-set=-all); fi

status=0
# expect NAME STATUS PATTERN... -- command...: the command exits with STATUS
# and its output contains each PATTERN.
expect() {
  local name=$1 want=$2 patterns=() pattern out got=0 ok=1
  shift 2
  while [ "$1" != -- ]; do patterns+=("$1"); shift; done
  shift
  out=$("$@" 2>&1) || got=$?
  [ "$got" = "$want" ] || ok=0
  for pattern in "${patterns[@]}"; do grep -qF -- "$pattern" <<<"$out" || ok=0; done
  if ((ok)); then
    echo "ok: $name: exit $got: $(grep -m1 -F -- "${patterns[0]}" <<<"$out")"
  else
    echo "FAILED: $name: exit $got, expected $want with each of these in the output:"
    printf '    "%s"\n' "${patterns[@]}"
    echo "  output:"
    sed 's/^/    /' <<<"$out"
    status=1
  fi
}

state_missing="no virtual reader: ZELVAN_VIRTUAL_READER_STATE is not set"
expect "with-virtual-reader.sh without namespaces, CI=true" 1 \
  "cannot make mount and network namespaces" "CI=true, so" -- \
  env CI=true "${unprivileged[@]}" "$wrapper" -- true
expect "with-virtual-reader.sh without namespaces, outside CI" 77 \
  "skipped: cannot make mount and network namespaces" -- \
  env -u CI "${unprivileged[@]}" "$wrapper" -- true
expect "end-to-end tests outside the virtual reader, CI=true" 1 \
  "$state_missing" "CI=true, so" "PASSED  ] 0 tests" -- \
  env -u ZELVAN_VIRTUAL_READER_STATE CI=true "$tests"
expect "end-to-end tests outside the virtual reader, outside CI" 0 \
  "$state_missing" "SKIPPED ]" "PASSED  ] 0 tests" -- \
  env -u CI -u ZELVAN_VIRTUAL_READER_STATE "$tests"
exit $status
