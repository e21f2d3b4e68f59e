#!/usr/bin/env bash
# Regenerates the sample documents into a scratch directory and compares them
# with the committed ones, so that documents.json and the *.zdoc files cannot
# drift apart. Exits 77 (skip) when the image encoders are not installed.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for tool in python3 opj_compress convert; do
  command -v "$tool" >/dev/null || { echo "check-samples: $tool not installed" >&2; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
python3 "$here/make-samples.py" "$scratch" >/dev/null
status=0
for made in "$scratch"/*.zdoc; do
  name=$(basename "$made")
  if ! cmp -s "$made" "$here/$name"; then
    echo "check-samples: $name differs from what documents.json gives; run make-samples.py" >&2
    status=1
  fi
done
committed=$(ls "$here"/*.zdoc | wc -l)
made=$(ls "$scratch"/*.zdoc | wc -l)
[ "$committed" -eq "$made" ] || { echo "check-samples: $committed committed documents, $made described" >&2; status=1; }
[ $status -eq 0 ] && echo "check-samples: $made documents up to date"
exit $status
