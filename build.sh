#!/usr/bin/env bash
# ./build.sh show   install what is missing, build, and run the show
# ./build.sh test   install what is missing, build, and run every test
#                   (its own Xvfb servers; other compilers and CPUs), again
#                   under ASan and UBSan, then replay the fuzzers' regression
#                   inputs and fuzz a bounded number of runs
# ./build.sh build  only build (into build/)
# ./build.sh package  build the Debian package build/tundrix_VERSION_ARCH.deb
# ./build.sh web    build the browser version (build-web/site) and serve it
#                   on http://127.0.0.1:8000/ until Ctrl-C; TUNDRIX_SITE_URL,
#                   the address the site will be served from, makes the
#                   shared link's preview tags absolute
set -euo pipefail
cd "$(dirname "$0")"

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libx11-dev libxext-dev libxxf86dga-dev
  libxxf86vm-dev libpng-dev libasound2-dev)
TEST_PACKAGES=(libgtest-dev libbenchmark-dev xvfb x11-utils xdotool netpbm ffmpeg sox
  openmpt123 xmp libopenmpt-dev clang libclang-rt-14-dev man-db bsdextrautils libmpfr-dev
  lintian desktop-file-utils appstream)
# cpack's Debian package: dpkg-shlibdeps finds the dependencies, file the binaries.
PACKAGE_PACKAGES=(dpkg-dev file)
# The show's frames and sound from other CPUs: cross compilers for arm64 and
# 32-bit x86, and qemu-user to run what this machine cannot.
PLATFORM_PACKAGES=(crossbuild-essential-arm64 crossbuild-essential-i386 qemu-user)
# The browser version: Emscripten builds it, headless Chromium tests it (driven
# by puppeteer-core from npm, installed into build-web/node_modules).
WEB_PACKAGES=(emscripten chromium python3 imagemagick)
PUPPETEER_VERSION=24.43.1
# Runs per fuzzer and test run, for the fuzzers named here; the others fuzz
# for FUZZ_SECONDS. TUNDRIX_FUZZ_PERCENT scales the runs (100 = as listed).
declare -A FUZZ_RUNS=([iff]=1000000 [module_loader]=1000000 [module_player]=50000)
FUZZ_PERCENT=${TUNDRIX_FUZZ_PERCENT:-100}
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

# Debian's em++ runs on Debian's node modules; a node from elsewhere does not
# find them by itself.
emscripten_env() { NODE_PATH=/usr/share/nodejs "$@"; }

# The browser version into build-web/site: the content generators run
# natively (in build/), then Emscripten builds the show's sources.
build_web() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build --target tundrix_content tune_module tundrix_icon tundrix-capture
  emscripten_env emcmake cmake -S web -B build-web/cmake -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCONTENT_DIR="$PWD/build/data" -DICON_DIR="$PWD/build/icons/hicolor" \
    -DCAPTURE_TOOL="$PWD/build/tools/capture/tundrix-capture" -DSITE_URL="${TUNDRIX_SITE_URL:-}" \
    -DSITE_DIR="$PWD/build-web/site" >/dev/null
  emscripten_env cmake --build build-web/cmake
}

# npm comes with Debian's npm package, or with a nodejs from elsewhere.
ensure_web_packages() {
  local extra=()
  command -v npm >/dev/null || extra=(npm)
  ensure_packages "${WEB_PACKAGES[@]}" "${extra[@]}"
}

# The browser build in headless Chromium against the native show.
run_web_tests() {
  build_web
  if [ ! -f "build-web/node_modules/puppeteer-core/package.json" ] ||
    ! grep -q "\"version\": \"$PUPPETEER_VERSION\"" build-web/node_modules/puppeteer-core/package.json; then
    npm install --prefix build-web --no-audit --no-fund --loglevel=error "puppeteer-core@$PUPPETEER_VERSION"
  fi
  tests/web/browser_test.sh build build-web
}

# The show's check run built by Clang, by GCC -O3 -march=native, for arm64 and
# for 32-bit x86: each must give the recorded frames and sound.
run_platform_checks() {
  tests/platforms/platform_check.sh build build-platforms
}

# Every test again on a build with AddressSanitizer and UndefinedBehaviorSanitizer.
run_sanitized_tests() {
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNDRIX_SANITIZE=ON \
    -DTUNDRIX_BENCH=OFF >/dev/null
  cmake --build build-asan
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
}

# One fuzzer: its regression inputs (fuzz/regressions/NAME, every input that
# once found a fault) run once each, then fuzzing from the seeds in
# fuzz/corpus/NAME. Output goes to build-fuzz/fuzz-NAME.log; the status says
# whether a fault showed.
fuzz_one() {
  local name=$1 fuzzer=build-fuzz/fuzz/fuzz_$1 log=build-fuzz/fuzz-$1.log
  local corpus=build-fuzz/corpus-$1 seeds=() bound
  : >"$log"
  if compgen -G "fuzz/regressions/$name/*" >/dev/null; then
    echo "== replaying fuzz/regressions/$name" >>"$log"
    "$fuzzer" -timeout=10 fuzz/regressions/"$name"/* >>"$log" 2>&1 || return 1
  fi
  mkdir -p "$corpus"
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  if [ -n "${FUZZ_RUNS[$name]:-}" ]; then
    # The time bound only guards against a machine far slower than planned.
    bound=(-runs=$((FUZZ_RUNS[$name] * FUZZ_PERCENT / 100)) -max_total_time=900)
  else
    bound=(-max_total_time="$FUZZ_SECONDS")
  fi
  echo "== fuzzing: ${bound[*]}" >>"$log"
  "$fuzzer" "${bound[@]}" -timeout=10 -print_final_stats=1 -artifact_prefix=build-fuzz/"$name"- \
    "$corpus" "${seeds[@]}" >>"$log" 2>&1
}

run_fuzzers() {
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTUNDRIX_FUZZ=ON -DTUNDRIX_TESTS=OFF -DTUNDRIX_BENCH=OFF >/dev/null
  cmake --build build-fuzz
  # The fuzzers are the sources' (a binary left from a removed one is not).
  local names=() source name failed=() running=0 slots
  rm -f build-fuzz/fuzz-*.status
  for source in fuzz/fuzz_*.cpp; do
    name=$(basename "$source" .cpp)
    names+=("${name#fuzz_}")
  done
  # As many at once as there are cores; a finished one frees its core. Each
  # leaves its status in a file, read once all have finished.
  slots=$(nproc)
  for name in "${names[@]}"; do
    if [ "$running" -ge "$slots" ]; then
      wait -n || true
      running=$((running - 1))
    fi
    (if fuzz_one "$name"; then echo 0; else echo 1; fi >"build-fuzz/fuzz-$name.status") &
    running=$((running + 1))
  done
  wait
  for name in "${names[@]}"; do
    [ "$(cat "build-fuzz/fuzz-$name.status")" = 0 ] || failed+=("$name")
    echo "== fuzzer $name"
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "build-fuzz/fuzz-$name.log" || true
  done
  for name in "${failed[@]}"; do
    tail -n 60 "build-fuzz/fuzz-$name.log"
    echo "fuzzer $name found a fault; the input is in build-fuzz/ (add it, minimised, to fuzz/regressions/$name)"
  done
  [ ${#failed[@]} -eq 0 ]
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
package)
  ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
  build
  cpack -G DEB --config build/CPackConfig.cmake -B build
  ;;
web)
  ensure_packages "${BUILD_PACKAGES[@]}"
  ensure_web_packages
  build_web
  echo "The show is at http://127.0.0.1:8000/ (Ctrl-C stops the server)"
  exec python3 -m http.server 8000 -b 127.0.0.1 -d build-web/site
  ;;
test)
  ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}" \
    "${PLATFORM_PACKAGES[@]}"
  ensure_web_packages
  build
  ctest --test-dir build --output-on-failure -j "$(nproc)"
  run_platform_checks
  run_web_tests
  run_sanitized_tests
  run_fuzzers
  ;;
*)
  sed -n '2,10p' "$0"
  exit 2
  ;;
esac
