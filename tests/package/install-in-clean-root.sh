#!/usr/bin/env bash
# Installs the Debian package into a clean Debian 12 root made by debootstrap,
# as a desk's administrator would (apt resolves pcscd, libccid, Qt and the
# rest), then runs the installed program: --version, and --import of the
# sample CSCA into the user's trust store. Needs root (debootstrap, chroot)
# and Debian's mirror; skipped (77) without root, a failure under CI=true.
#
#   install-in-clean-root.sh SOURCE_DIR WORK_DIR VERSION
set -euo pipefail
source_dir=$1
work=$2
version=$3

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: debootstrap and chroot need root"
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null

# The package, built as scripts/package.sh builds it; the objects of the
# test build (same build type) are reused.
package_dir="$source_dir/build-package-test"
deb=$(cd "$source_dir" && ZELVAN_PACKAGE_DIR="$package_dir" ZELVAN_PACKAGE_BUILD_TYPE=RelWithDebInfo \
  scripts/package.sh | tail -n 1)
case "$deb" in /*) ;; *) deb="$source_dir/$deb" ;; esac
echo "package: $(basename "$deb")"

root="$work/root"
rm -rf "$root"
mkdir -p "$work"
mirror=$(awk '$1 == "URIs:" { print $2; exit }' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
debootstrap --variant=minbase bookworm "$root" "${mirror:-http://deb.debian.org/debian}" >"$work/debootstrap.log" 2>&1 ||
  { tail -n 20 "$work/debootstrap.log"; exit 1; }

# Services are not started inside the root.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
cp "$deb" "$root/tmp/"
cp "$source_dir/tools/samples/trust/utopia-sample-csca.pem" "$root/tmp/"

in_root() { unshare --mount --fork sh -c 'mount -t proc proc "$0/proc" && exec chroot "$0" "$@"' "$root" "$@"; }
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "/tmp/$(basename "$deb")" \
  >"$work/install.log" 2>&1 || { tail -n 30 "$work/install.log"; exit 1; }

fail() { echo "FAILED: $*"; exit 1; }
[ -x "$root/usr/bin/zelvan" ] || fail "no /usr/bin/zelvan"
[ -d "$root/etc/zelvan/trust" ] || fail "no /etc/zelvan/trust"
grep -qx 'blacklist pn533_usb' "$root/etc/modprobe.d/zelvan-acr122.conf" || fail "no NFC driver blacklist"
in_root dpkg -s pcscd libccid >/dev/null || fail "pcscd and libccid not installed with it"

said=$(in_root zelvan --version)
[ "$said" = "Zelvan $version" ] || fail "--version said '$said'"
echo "zelvan --version: $said"

imported=$(in_root env HOME=/root zelvan --import /tmp/utopia-sample-csca.pem)
echo "$imported"
grep -qx 'Imported utopia-sample-csca.pem: 1 CSCA certificate' <<<"$imported" || fail "--import"
[ -f "$root/root/.local/share/zelvan/trust/utopia-sample-csca.pem" ] || fail "the CSCA is not in the user's trust store"
echo "1 passed, 0 failed"
