// The start-up question: which sound device plays the show, asked on the
// terminal or answered on the command line.
#include <cstdio>

#include "sound/devices.h"

int sd_choose(int kind) {
  switch (kind) {
    case kSoundNone:
      sd_set_kind(kSoundNone);
      sd_nosound_init();
      break;
    case kSound8Bit:
      sd_set_kind(kSound8Bit);
      if (sd_dsp8_init() != kSdReady) return kSdFailed;
      break;
    case kSound16Bit:
      sd_set_kind(kSound16Bit);
      if (sd_dsp16_init() != kSdReady) return kSdFailed;
      break;
    default:
      sd_set_kind(kSoundNone);
      sd_set_failure("the sound device must be 0, 1 or 2");
      return kSdFailed;
  }
  sd_ready();
  return kSdReady;
}

int sd_menu() {
  std::puts("Select your sound device:");
  std::puts("0 - None");
  std::puts("1 - /dev/dsp 8-bit");
  std::puts("2 - /dev/dsp 16-bit");
  std::fflush(stdout);
  char word[100];
  if (std::scanf("%99s", word) != 1) {
    sd_set_failure("no answer to the sound question (end of input)");
    return kSdFailed;
  }
  // The answer is the whole line: the rest of a long word, or more words,
  // must not become the next menu's answer.
  for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
  }
  // Only the first character counts.
  return sd_choose(word[0] >= '0' && word[0] <= '2' ? word[0] - '0' : -1);
}
