#!/usr/bin/env bash
# Frames per second of `tundrix-capture show` over the polar scenes' windows
# (70 frames per second of show, one frame per tick). Prints figures only.
#   bench/scenes/capture_rate.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
capture="$build/tools/capture/tundrix-capture"
out=$(mktemp -d /tmp/tundrix-capture-rate-XXXXXX)
trap 'rm -rf "$out"' EXIT

# Seconds for one capture run; its frames are all rendered, only those from
# --from on are written.
run() {
  local start end
  start=$(date +%s.%N)
  "$capture" show "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

rate() { printf '%-52s %8.0f frames/s\n' "$1" "$(echo "$2 / $3" | bc -l)"; }

# Scene 1 holds ticks 0..2940: rendered without writing, then written as y4m.
t=$(run --from 2940 --to 2940 -o "$out/a.y4m")
rate "scene 1 (ticks 0-2940), rendered" 2941 "$t"
t=$(run --to 2940 -o "$out/b.y4m")
rate "scene 1 (ticks 0-2940), rendered and written as y4m" 2941 "$t"
rm -f "$out"/*

# Scene 6's window, 13121..14191, as the difference of two runs from tick 0.
before=$(run --from 13121 --to 13121 -o "$out/c.y4m")
through=$(run --from 14191 --to 14191 -o "$out/d.y4m")
rate "scene 6 (ticks 13121-14191), rendered" 1070 "$(echo "$through - $before" | bc -l)"
