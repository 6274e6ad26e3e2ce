#!/usr/bin/env bash
# Renders the whole show and the embedded music through tundrix-capture, and
# the show through the check run (web/check_run.h: one hash per frame and the
# sound's samples), and compares the SHA-256 of every output with a
# checked-in list, so a change that moves one pixel or one sample shows up.
# Builds for other compilers and CPUs and the browser build compare their
# check runs with the same list.
#
#   show_hashes.sh CAPTURE_BIN CHECK_BIN EXPECTED_FILE          compare (exit 1 on a difference)
#   show_hashes.sh CAPTURE_BIN CHECK_BIN EXPECTED_FILE --update rewrite EXPECTED_FILE
#
# The video (3.5 GB of y4m) is never stored: the capture writes it into a FIFO
# that sha256sum reads.
set -euo pipefail

capture=$1
check=$2
expected=$3
mode=${4:-check}

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
# The check run's frame list ("SLOT HASH" lines); its closing message follows.
"$check" --sound "$work/check_run.pcm" | grep -E '^[0-9]+ [0-9a-f]{16}$' >"$work/check_run.frames"

{
  for name in check_run.frames check_run.pcm m16.wav m8.wav show.wav; do
    echo "$(sha256sum <"$work/$name" | sed 's/ .*//')  $name"
  done
  echo "$(sed 's/ .*//' "$work/show.y4m.sha256")  show.y4m"
} | LC_ALL=C sort -k2 >"$work/actual"

if [ "$(wc -l <"$work/check_run.frames")" -lt 20000 ]; then
  echo "the check run listed only $(wc -l <"$work/check_run.frames") frames"
  exit 1
fi
if [ "$mode" = --update ]; then
  cp "$work/actual" "$expected"
  echo "recorded in $expected:"
  cat "$expected"
  exit 0
fi
if ! diff -u "$expected" "$work/actual"; then
  echo "the show's pictures or sound changed; if that is intended, record them again with"
  echo "  $0 $capture $check $expected --update"
  echo "(the check run lists its frames with: $check --sound FILE)"
  exit 1
fi
echo "show, its sound and both music renders are unchanged"
