#!/usr/bin/env bash
# Rendering speed in seconds of 32 kHz stereo audio per CPU second:
# tundrix-capture music (16-bit device) against xmp (nearest neighbour) and
# openmpt123 (filter 1 = nearest), on the same modules, in one run.
#   bench/music/render_speed.sh [path/to/tundrix-capture] [module...]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
capture=${1:-$here/build/tools/capture/tundrix-capture}
shift || true
modules=("$@")
[ ${#modules[@]} -gt 0 ] || modules=("$here"/tests/testdata/mods/*.mod)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpu() {  # CPU seconds (user + system) of a command, output discarded
  /usr/bin/time -f '%U %S' -o "$work/t" "$@" >/dev/null 2>&1
  awk '{print $1 + $2}' "$work/t"
}
seconds_of() { soxi -D "$1"; }

printf '%-28s %8s %10s %10s %10s %8s\n' module audio_s tundrix xmp openmpt tx/xmp
tot_audio=0 tot_t=0 tot_x=0 tot_o=0
for m in "${modules[@]}"; do
  name=$(basename "$m" .mod)
  cp "$m" "$work/$name.mod"
  # xmp plays the song once; the others render the same length.
  tx=$(cpu xmp -q -i nearest -f 32000 -o "$work/x.wav" "$work/$name.mod")
  len=$(seconds_of "$work/x.wav")
  tt=$(cpu "$capture" music --module "$work/$name.mod" --seconds "$len" -o "$work/t.wav")
  to=$(cpu openmpt123 --quiet --render --force --filter 1 --samplerate 32000 --end-time "$len" "$work/$name.mod")
  # Below the timer's resolution a module is too short to weigh.
  printf '%-28s %8.1f %10.2f %10.2f %10.2f %8s\n' "$name" "$len" "$tt" "$tx" "$to" \
    "$(awk -v a="$tx" -v b="$tt" 'BEGIN { if (b > 0) printf "%.1f", a / b; else print "-" }')"
  tot_audio=$(awk -v a="$tot_audio" -v b="$len" 'BEGIN { print a + b }')
  tot_t=$(awk -v a="$tot_t" -v b="$tt" 'BEGIN { print a + b }')
  tot_x=$(awk -v a="$tot_x" -v b="$tx" 'BEGIN { print a + b }')
  tot_o=$(awk -v a="$tot_o" -v b="$to" 'BEGIN { print a + b }')
done
awk -v a="$tot_audio" -v t="$tot_t" -v x="$tot_x" -v o="$tot_o" 'BEGIN {
  printf "total: %.0f s of audio; CPU s: tundrix %.2f, xmp %.2f, openmpt123 %.2f\n", a, t, x, o
  printf "audio seconds per CPU second: tundrix %.0f, xmp %.0f, openmpt123 %.0f\n", a / t, a / x, a / o
  printf "tundrix is %.1fx as fast as xmp, %.1fx as fast as openmpt123\n", x / t, o / t }'
