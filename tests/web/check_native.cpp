// The browser build's check run, built natively: the reference the page's own
// check run must equal. Writes one line per frame ("SLOT HASH", the hash in
// 16 hex digits) to standard output and the sound's bytes (16-bit
// little-endian stereo) to the file named by --sound.
//
//   web_check_native [--from TICK] [--to TICK] --sound FILE
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "web/check_run.h"

namespace {

const char* sound_path = nullptr;

void report(const CheckResult& r) {
  for (size_t i = 0; i < r.frames; i++)
    std::printf("%lld %016" PRIx64 "\n", r.first_slot + static_cast<long long>(i), r.frame_hashes[i]);
  std::fflush(stdout);
  FILE* f = std::fopen(sound_path, "wb");
  if (!f || std::fwrite(r.sound, sizeof(int16_t), r.sound_samples, f) != r.sound_samples || std::fclose(f)) {
    std::fprintf(stderr, "web_check_native: cannot write %s\n", sound_path);
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  long long from = 0, to = -1;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--from")) from = std::atoll(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--to")) to = std::atoll(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--sound")) sound_path = argv[i + 1];
  }
  if (!sound_path) {
    std::fprintf(stderr, "usage: web_check_native [--from TICK] [--to TICK] --sound FILE\n");
    return 2;
  }
  // The show's closing line goes to standard output after the frames; the
  // frames are what a reader takes.
  check_run(from, to, {report, nullptr, nullptr});
}
