// The browser build's check run, built natively: the reference the page's own
// check run must equal, and the scene changes' check. Writes one line per
// frame ("TICK HASH", the hash in 16 hex digits) to standard output and the
// sound's bytes (16-bit little-endian stereo) to the file named by --sound.
//
//   web_check_native [--from SLOT] [--to SLOT] [--start TICK] [--key SLOT:KEY]... --sound FILE
//
// --start moves the show to TICK first, as a later start does; --key presses
// KEY (pause, previous or next) at slot SLOT's first poll.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "display/display.h"
#include "web/check_run.h"

namespace {

const char* sound_path = nullptr;

void report(const CheckResult& r) {
  for (size_t i = 0; i < r.frames; i++)
    std::printf("%u %016" PRIx64 "\n", r.frame_ticks[i], r.frame_hashes[i]);
  std::fflush(stdout);
  FILE* f = std::fopen(sound_path, "wb");
  if (!f || std::fwrite(r.sound, sizeof(int16_t), r.sound_samples, f) != r.sound_samples || std::fclose(f)) {
    std::fprintf(stderr, "web_check_native: cannot write %s\n", sound_path);
    std::exit(1);
  }
}

bool parse_key(const char* text, CheckKey* key) {
  const char* colon = std::strchr(text, ':');
  if (!colon) return false;
  key->slot = std::atoll(text);
  const char* name = colon + 1;
  key->key = !std::strcmp(name, "pause")      ? kKeyPause
             : !std::strcmp(name, "previous") ? kKeyPreviousScene
             : !std::strcmp(name, "next")     ? kKeyNextScene
                                              : kKeyNone;
  return key->key != kKeyNone;
}

}  // namespace

int main(int argc, char** argv) {
  CheckPlan plan;
  std::vector<CheckKey> keys;
  for (int i = 1; i + 1 < argc; i += 2) {
    CheckKey key;
    if (!std::strcmp(argv[i], "--from"))
      plan.from = std::atoll(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--to"))
      plan.to = std::atoll(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--start"))
      plan.start = uint32_t(std::atoll(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--sound"))
      sound_path = argv[i + 1];
    else if (!std::strcmp(argv[i], "--key") && parse_key(argv[i + 1], &key))
      keys.push_back(key);
    else
      sound_path = nullptr, i = argc;
  }
  if (!sound_path) {
    std::fprintf(stderr,
                 "usage: web_check_native [--from SLOT] [--to SLOT] [--start TICK] [--key SLOT:KEY]... "
                 "--sound FILE\n");
    return 2;
  }
  plan.keys = keys.data();
  plan.key_count = int(keys.size());
  // The show's closing line goes to standard output after the frames; the
  // frames are what a reader takes.
  check_run(plan, {report, nullptr, nullptr});
}
