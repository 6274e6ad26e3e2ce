#!/usr/bin/env bash
# The whole show through tundrix-capture, twice: to y4m (into a FIFO that
# cat empties, so no disk is involved) and as the README's share video. Prints
# frames per second, times real time, the file size and, for the share video,
# SSIM and PSNR against the lossless frames on the whirl and the tunnel, the
# scenes with the most motion. Not a test: it takes minutes and its times
# depend on the machine and what else runs on it, so the load is printed too.
#
#   bench/share/share_bench.sh [CAPTURE_BIN] [SCALE]    (defaults: build/tools/capture/tundrix-capture, 2)
set -euo pipefail

capture=${1:-build/tools/capture/tundrix-capture}
scale=${2:-2}
capture=$(realpath "$capture")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
show_seconds=$(echo "20392 * 0.014286" | bc -l)

load() { cut -d' ' -f1-3 /proc/loadavg; }
seconds_since() { echo "$(date +%s.%N) - $1" | bc -l; }

# The y4m stream.
mkfifo "$work/show.y4m"
cat "$work/show.y4m" >/dev/null &
echo "load before y4m: $(load)"
start=$(date +%s.%N)
"$capture" show -o "$work/show.y4m" >/dev/null 2>&1
wait
took=$(seconds_since "$start")
printf 'y4m:   %d frames in %.2f s wall: %.0f frames/s, %.1fx real time (load after: %s)\n' \
  20392 "$took" "$(echo "20392 / $took" | bc -l)" "$(echo "$show_seconds / $took" | bc -l)" "$(load)"
rm -f "$work/show.wav"

# The share video.
echo "load before share video: $(load)"
start=$(date +%s.%N)
"$capture" show --scale "$scale" -o "$work/share.mp4" >/dev/null 2>&1
took=$(seconds_since "$start")
size=$(stat -c %s "$work/share.mp4")
printf 'share: --scale %s in %.1f s wall (%.2fx real time), %.1f MB (load after: %s)\n' "$scale" "$took" \
  "$(echo "$show_seconds / $took" | bc -l)" "$(echo "$size / 1000000" | bc -l)" "$(load)"

# Quality: the video's frames FROM..TO against the same frames rendered again
# without loss, both as 4:2:0 (the lossless chroma of an even scale is exact
# there).
quality() {
  local name=$1 from=$2 to=$3
  rm -f "$work/ref.y4m" "$work/ref.wav"
  mkfifo "$work/ref.y4m"
  "$capture" show --from "$from" --to "$to" --scale "$scale" -o "$work/ref.y4m" >/dev/null 2>&1 &
  ffmpeg -hide_banner -nostdin -i "$work/share.mp4" -i "$work/ref.y4m" -lavfi \
    "[0:v]select='between(n,$from,$to)',setpts=PTS-STARTPTS,settb=AVTB,split[a][b];[1:v]format=yuv420p,setpts=PTS-STARTPTS,settb=AVTB,split[c][d];[a][c]ssim;[b][d]psnr" \
    -f null - 2>&1 | grep -E "Parsed_(ssim|psnr)" | sed "s/.*\] /$name: /"
  wait
}
quality whirl 10451 13121
quality tunnel 16191 20391
