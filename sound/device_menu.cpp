// The start-up question: which sound device plays the show.
#include <cstdio>

#include "sound/devices.h"

int sd_menu() {
  std::puts("Select your sound device:");
  std::puts("0 - None");
  std::puts("1 - /dev/dsp 8-bit");
  std::puts("2 - /dev/dsp 16-bit");
  std::fflush(stdout);
  char word[100];
  if (std::scanf("%99s", word) != 1) return kSdFailed;  // end of input: no answer
  switch (word[0]) {
    case '0':
      sd_set_kind(kSoundNone);
      sd_nosound_init();
      break;
    case '1':
      sd_set_kind(kSound8Bit);
      if (sd_dsp8_init() != kSdReady) return kSdFailed;
      break;
    case '2':
      sd_set_kind(kSound16Bit);
      if (sd_dsp16_init() != kSdReady) return kSdFailed;
      break;
    default:
      sd_set_kind(kSoundNone);
      return kSdFailed;
  }
  sd_ready();
  return kSdReady;
}
