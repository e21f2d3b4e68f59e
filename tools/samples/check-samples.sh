#!/usr/bin/env bash
# Regenerates the sample documents (the negative ones in negative/ included)
# and the sample trust store into a scratch directory and compares them with
# the committed ones, so that documents.json, the sample PKI in pki/ and the
# generated files cannot drift apart. Exits 77 (skip) when the image encoders
# or openssl are not installed.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for tool in python3 opj_compress convert openssl; do
  command -v "$tool" >/dev/null || { echo "check-samples: $tool not installed" >&2; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
python3 "$here/make-samples.py" "$scratch" >/dev/null
status=0
made=0
while IFS= read -r name; do
  made=$((made + 1))
  if ! cmp -s "$scratch/$name" "$here/$name"; then
    echo "check-samples: $name differs from what documents.json and pki/ give; run make-samples.py" >&2
    status=1
  fi
done < <(cd "$scratch" && find . -type f | sed 's|^\./||' | sort)
committed=$(cd "$here" && ls ./*.zdoc negative/*.zdoc trust/* | wc -l)
[ "$committed" -eq "$made" ] || { echo "check-samples: $committed committed files, $made described" >&2; status=1; }
[ $status -eq 0 ] && echo "check-samples: $made files up to date"
exit $status
