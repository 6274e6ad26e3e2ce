#!/usr/bin/env bash
# The README's contact sheet shows the show as it is built: the committed PNG
# holds the same pixels as the one tundrix-capture makes now (compared
# decoded, so that another zlib's bytes do not matter).
#
#   contact_sheet.sh CAPTURE_BIN COMMITTED_PNG
set -euo pipefail

capture=$1
committed=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$capture" sheet -o "$work/sheet.png" >/dev/null 2>&1
pngtopnm "$committed" >"$work/committed.ppm"
pngtopnm "$work/sheet.png" >"$work/made.ppm"
if ! cmp -s "$work/committed.ppm" "$work/made.ppm"; then
  echo "$committed shows an old show; make it again with"
  echo "  cmake --build build --target contact_sheet"
  exit 1
fi
echo "the contact sheet is the show's own"
