// The three sound devices and the menu that picks one.
#include "sound/devices.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "player/sync.h"
#include "sound/mixer.h"
#include "sound/writer_device.h"

namespace {

// OSS requests, as the driver expects them in this order.
constexpr unsigned long kSetFragment = 0xC004500A;
constexpr unsigned long kSetFormat = 0xC0045005;
constexpr unsigned long kStereo = 0xC0045003;
constexpr unsigned long kSpeed = 0xC0045002;
constexpr int kFormatS16LE = 16;
constexpr int kRate8Bit = 21700;
constexpr int kRate16Bit = 32000;

int kind = kSoundNone;
int fd = -1;
const char* name = "";
const char* error = "";
const WriterDevice* writer = nullptr;

void do_nothing() {}
void mixer_init_8bit() { mixer_init(kRate8Bit); }
void mixer_init_16bit() { mixer_init(kRate16Bit); }
void close_device() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

SoundDevice with_mixer(void (*init)(), void (*close)()) {
  return {init,
          do_nothing,
          do_nothing,
          close,
          mix_set_sample,
          mix_select_channel,
          mix_set_instrument,
          mix_set_period,
          mix_set_volume,
          mix_set_panning,
          mix_set_offset,
          mix_set_master_volume,
          mix_set_channels};
}

// The driver's answers are not checked: the mixer always renders at the
// nominal rate, and the block lengths use it too.
void send(unsigned long request, int value) { ioctl(fd, request, &value); }

int open_dsp() {
  fd = open("/dev/dsp", O_WRONLY | O_CLOEXEC);
  return fd >= 0;
}

// Without /dev/dsp the same stream goes to ALSA's default device, which the
// writer process opens for itself. Only when that fails too does the device
// fail, with its OSS error text.
int use_alsa(int alsa_kind, const char* failure) {
  if (!alsa_probe(alsa_kind)) {
    error = failure;
    return 0;
  }
  const bool mono8 = alsa_kind == kSound8Bit;
  sd_device = with_mixer(mono8 ? mixer_init_8bit : mixer_init_16bit, do_nothing);
  writer = &kAlsaWriter;
  name = mono8 ? "ALSA default 8-bit mono" : "ALSA default 16-bit stereo";
  return 1;
}

}  // namespace

SoundDevice sd_device = with_mixer(do_nothing, do_nothing);

int sd_nosound_init() {
  sd_device = with_mixer(do_nothing, do_nothing);
  writer = nullptr;
  name = "Super Qor NoSound Device 2.0c";
  return 1;
}

int sd_dsp8_init() {
  if (!open_dsp()) return use_alsa(kSound8Bit, "sd_dsp8_init: Cannot open /dev/dsp!");
  send(kSetFragment, 0x2000B);  // 2 fragments of 2048 bytes
  send(kStereo, 0);
  send(kSpeed, kRate8Bit);
  sd_device = with_mixer(mixer_init_8bit, close_device);
  writer = &kOssWriter;
  name = "/dev/dsp 8-bit mono";
  return 1;
}

int sd_dsp16_init() {
  if (!open_dsp()) return use_alsa(kSound16Bit, "sd_dsp16_init: Cannot find /dev/dspW!");
  send(kSetFragment, 0x2000D);  // 2 fragments of 8192 bytes
  send(kSetFormat, kFormatS16LE);
  send(kStereo, 1);
  send(kSpeed, kRate16Bit);
  sd_device = with_mixer(mixer_init_16bit, close_device);
  writer = &kOssWriter;
  name = "/dev/dspW 16-bit stereo";
  return 1;
}

int sd_choose(int chosen) {
  switch (chosen) {
    case kSoundNone:
      kind = kSoundNone;
      sd_nosound_init();
      break;
    case kSound8Bit:
      kind = kSound8Bit;
      if (!sd_dsp8_init()) return 0;
      break;
    case kSound16Bit:
      kind = kSound16Bit;
      if (!sd_dsp16_init()) return 0;
      break;
    default:
      kind = kSoundNone;
      return 0;
  }
  sync_clear();
  sd_device.init();
  sd_device.set_master_volume(64);
  sd_device.start();
  return 1;
}

int sd_menu() {
  std::puts("Select your sound device:");
  std::puts("0 - None");
  std::puts("1 - /dev/dsp 8-bit");
  std::puts("2 - /dev/dsp 16-bit");
  std::fflush(stdout);
  char word[100];
  if (std::scanf("%99s", word) != 1) return 0;  // end of input: no answer
  // The answer is the whole line: the rest of a long word, or more words,
  // must not become the next menu's answer.
  for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
  }
  // Only the first character counts.
  return sd_choose(word[0] >= '0' && word[0] <= '2' ? word[0] - '0' : -1);
}

int sd_offline_init(int offline_kind) {
  if (offline_kind != kSound8Bit && offline_kind != kSound16Bit) return 0;
  kind = offline_kind;
  writer = nullptr;
  sd_device = with_mixer(offline_kind == kSound8Bit ? mixer_init_8bit : mixer_init_16bit, do_nothing);
  sync_clear();
  sd_device.init();
  sd_device.set_master_volume(64);
  sd_device.start();
  return 1;
}

void set_master_fraction(double fraction) { sd_device.set_master_volume(int(fraction * 63)); }

int sd_kind() { return kind; }
int sd_fd() { return fd; }
const char* sd_name() { return name; }
const char* sd_error() { return error; }
const WriterDevice* sd_writer_device() { return writer; }
