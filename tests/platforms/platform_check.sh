#!/usr/bin/env bash
# The same frames and sound on other compilers and CPUs. For each platform
# below, builds the show's check run whole (tests/platforms/show_check: the
# content and tune generators run on that CPU, then the show without display
# or sound device), runs it over the whole show, and compares its frame list
# and its sound with the recorded ones (tests/capture/show_hashes.txt):
#
#   clang    x86-64, Clang
#   native   x86-64, GCC -O3 -march=native (FMA and AVX on most CPUs of the
#            last decade; on one without FMA, -march=haswell under qemu-user)
#   arm64    AArch64, GCC's cross compiler, run under qemu-user
#   i386     32-bit x86, GCC's cross compiler, run directly (under qemu-user
#            where the kernel runs no 32-bit programs)
#
# The native build must also hold no fused multiply-add instruction. Each
# platform builds in OUT/NAME while the previous one runs; a check that fails
# leaves its frame list there (frames.txt) beside the native build's
# (reference.txt) and prints the first frames that differ.
#
#   platform_check.sh NATIVE_BUILD OUT [NAME...]     (default: every platform)
set -euo pipefail

native=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
shift 2
here=$(cd "$(dirname "$0")" && pwd)
expected=$here/../capture/show_hashes.txt
names=("$@")
[ ${#names[@]} -eq 0 ] && names=(arm64 i386 native clang)

# GCC's own CPU where it has FMA, else the first x86-64 with it, emulated.
arch=$(grep -qw fma /proc/cpuinfo && echo native || echo haswell)

# Whether this kernel runs 32-bit x86 programs (some virtual machines' do not).
runs_32_bit() {
  echo 'int main() { return 0; }' >"$out/empty.c"
  i686-linux-gnu-gcc -static "$out/empty.c" -o "$out/empty" && "$out/empty" 2>/dev/null
}

# The cmake arguments (args) and the runner of the programs (run) of a platform.
platform() {
  run=() args=()
  case $1 in
  clang) args=(-DCMAKE_CXX_COMPILER=clang++) ;;
  native)
    args=("-DCMAKE_CXX_FLAGS=-O3 -march=$arch")
    if [ "$arch" = haswell ]; then run=(qemu-x86_64 -cpu max); fi
    ;;
  arm64)
    args=(-DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++ -DCMAKE_EXE_LINKER_FLAGS=-static)
    run=(qemu-aarch64)
    ;;
  i386)
    args=(-DCMAKE_CXX_COMPILER=i686-linux-gnu-g++ -DCMAKE_EXE_LINKER_FLAGS=-static)
    if ! runs_32_bit; then run=(qemu-i386); fi
    ;;
  *)
    echo "no such platform: $1"
    return 1
    ;;
  esac
}

build_one() {
  local name=$1 dir=$out/$1 start=$SECONDS
  cmake -S "$here/show_check" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "-DTUNDRIX_RUN=${run[*]}" \
    "${args[@]}" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" >"$dir.build.log" 2>&1 || { tail -n 40 "$dir.build.log"; return 1; }
  echo "$name: built in $((SECONDS - start)) s"
}

recorded() { grep "  $1\$" "$expected" | cut -d' ' -f1; }

# Runs a built check and compares; the verdict's lines go to OUT/NAME.result,
# the status to OUT/NAME.status.
run_one() {
  local name=$1 dir=$out/$1 start=$SECONDS failed=0 fused
  "${run[@]}" "$dir/show_check" --sound "$dir/sound.pcm" | grep -E '^[0-9]+ [0-9a-f]{16}$' >"$dir/frames.txt" || true
  if [ "$name" = native ]; then
    fused=$(objdump -d --no-show-raw-insn "$dir/show_check" | grep -cE '\svfn?m(add|sub)' || true)
    if [ "$fused" != 0 ]; then
      echo "$name: the show's code holds $fused fused multiply-adds"
      failed=1
    fi
  fi
  if [ "$(sha256sum <"$dir/frames.txt" | cut -d' ' -f1)" != "$(recorded check_run.frames)" ]; then
    echo "$name: $(wc -l <"$dir/frames.txt") frames, not the recorded ones (the first ten that differ):"
    "$native/tests/web/web_check_native" --sound "$dir/reference.pcm" |
      grep -E '^[0-9]+ [0-9a-f]{16}$' >"$dir/reference.txt"
    diff "$dir/reference.txt" "$dir/frames.txt" | grep '^>' | head -10 || true
    failed=1
  fi
  if [ "$(sha256sum <"$dir/sound.pcm" | cut -d' ' -f1)" != "$(recorded check_run.pcm)" ]; then
    echo "$name: the sound differs from the recorded one"
    failed=1
  fi
  [ "$failed" -eq 0 ] && echo "$name: $(wc -l <"$dir/frames.txt") frames and the sound as recorded (ran in $((SECONDS - start)) s)"
  echo "$failed" >"$out/$name.status"
}

rm -f "$out"/*.status "$out"/*.result
for name in "${names[@]}"; do
  platform "$name"
  if build_one "$name"; then
    run_one "$name" >"$out/$name.result" 2>&1 &
  else
    echo 1 >"$out/$name.status"
  fi
done
wait
failed=()
for name in "${names[@]}"; do
  [ -f "$out/$name.result" ] && cat "$out/$name.result"
  [ "$(cat "$out/$name.status" 2>/dev/null)" = 0 ] || failed+=("$name")
done
[ ${#failed[@]} -eq 0 ] || { echo "platforms whose frames or sound differ: ${failed[*]}"; exit 1; }
