#!/usr/bin/env bash
# ./build.sh show   install what is missing, build, and run the show
# ./build.sh test   install what is missing, build, and run every test
#                   (its own Xvfb servers), again under ASan and UBSan, then
#                   the fuzzers for a bounded time
# ./build.sh build  only build (into build/)
set -euo pipefail
cd "$(dirname "$0")"

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libx11-dev libxext-dev libxxf86dga-dev
  libxxf86vm-dev libpng-dev libasound2-dev)
TEST_PACKAGES=(libgtest-dev libbenchmark-dev xvfb x11-utils xdotool netpbm ffmpeg sox
  openmpt123 xmp libopenmpt-dev clang libclang-rt-14-dev)
# Seconds per fuzzer: the module fuzzer plays thousands of ticks per input
# and needs longer for the same coverage.
FUZZ_SECONDS=${TUNDRIX_FUZZ_SECONDS:-30}

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

ensure_packages() {
  local need
  need=$(missing_packages "$@" | tr '\n' ' ')
  need=${need% }
  [ -z "$need" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "These Debian packages are missing. Install them as root, then run this again:"
    echo "  apt-get install -y $need"
    exit 1
  fi
  echo "Installing: $need"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $need
}

build() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build build
}

# Every test again on a build with AddressSanitizer and UndefinedBehaviorSanitizer.
run_sanitized_tests() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNDRIX_SANITIZE=ON \
    -DTUNDRIX_BENCH=OFF >/dev/null
  cmake --build build-asan
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
}

run_fuzzers() {
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTUNDRIX_FUZZ=ON -DTUNDRIX_TESTS=OFF -DTUNDRIX_BENCH=OFF >/dev/null
  cmake --build build-fuzz
  local fuzzer name corpus seconds
  for fuzzer in build-fuzz/fuzz/fuzz_*; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    name=${name#fuzz_}
    corpus=build-fuzz/corpus-$name
    mkdir -p "$corpus"
    seconds=$FUZZ_SECONDS
    [ "$name" = module ] && seconds=$((3 * FUZZ_SECONDS))
    echo "== fuzzing $name for ${seconds}s"
    if ! "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix=build-fuzz/ \
      "$corpus" "fuzz/corpus/$name" \
      >"build-fuzz/fuzz-$name.log" 2>&1; then
      tail -n 60 "build-fuzz/fuzz-$name.log"
      echo "fuzzer $name found a fault; the input is in build-fuzz/"
      return 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "build-fuzz/fuzz-$name.log" || true
  done
}

case "${1:-show}" in
show)
  ensure_packages "${BUILD_PACKAGES[@]}"
  build
  exec build/tundrix
  ;;
build)
  ensure_packages "${BUILD_PACKAGES[@]}"
  build
  ;;
test)
  ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
  build
  ctest --test-dir build --output-on-failure -j "$(nproc)"
  run_sanitized_tests
  run_fuzzers
  ;;
*)
  sed -n '2,5p' "$0"
  exit 2
  ;;
esac
