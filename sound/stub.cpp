// Temporary stand-in until the music engine lands: a silent device only.
#include <cstdio>
#include "sound/devices.h"
#include "sound/output.h"
#include "player/loader.h"
#include "player/playback.h"

int sd_menu() {
  std::puts("Select your sound device:");
  std::puts("0 - None");
  std::puts("1 - /dev/dsp 8-bit");
  std::puts("2 - /dev/dsp 16-bit");
  char word[100];
  if (std::scanf("%99s", word) != 1) return 0;
  return word[0] == '0';
}
void sound_start(int) {}
void sound_stop() {}
int pt_load(uint8_t*, size_t) { return 0; }
uint32_t pt_speed() { return 6; }
