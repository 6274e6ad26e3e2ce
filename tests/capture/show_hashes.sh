#!/usr/bin/env bash
# Renders the whole show and the embedded music through tundrix-capture and
# compares the SHA-256 of every output with a checked-in list, so a change
# that moves one pixel or one sample shows up.
#
#   show_hashes.sh CAPTURE_BIN EXPECTED_FILE          compare (exit 1 on a difference)
#   show_hashes.sh CAPTURE_BIN EXPECTED_FILE --update rewrite EXPECTED_FILE
#
# The video (3.5 GB of y4m) is never stored: the capture writes it into a FIFO
# that sha256sum reads.
set -euo pipefail

capture=$1
expected=$2
mode=${3:-check}

work=$(mktemp -d)
hasher=
cleanup() {
  [ -n "$hasher" ] && kill "$hasher" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/show.y4m"
# One process, so that killing it also ends a wait for a writer that never came.
sha256sum "$work/show.y4m" >"$work/show.y4m.sha256" &
hasher=$!
"$capture" show -o "$work/show.y4m" >/dev/null 2>&1
wait "$hasher"
hasher=
"$capture" music --device 8 -o "$work/m8.wav" 2>/dev/null
"$capture" music --device 16 -o "$work/m16.wav" 2>/dev/null

{
  for name in m16.wav m8.wav show.wav; do
    echo "$(sha256sum <"$work/$name" | sed 's/ .*//')  $name"
  done
  echo "$(sed 's/ .*//' "$work/show.y4m.sha256")  show.y4m"
} | LC_ALL=C sort -k2 >"$work/actual"

if [ "$mode" = --update ]; then
  cp "$work/actual" "$expected"
  echo "recorded in $expected:"
  cat "$expected"
  exit 0
fi
if ! diff -u "$expected" "$work/actual"; then
  echo "the show's pictures or sound changed; if that is intended, record them again with"
  echo "  $0 $capture $expected --update"
  exit 1
fi
echo "show, its sound and both music renders are unchanged"
