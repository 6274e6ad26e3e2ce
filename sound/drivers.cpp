// The three sound devices: the silent one and the OSS device at 8 and at 16
// bits (through ALSA's default device where /dev/dsp cannot be opened). Each
// installs the mixer's channel operations in sd_device (sound/device_table.cpp).
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sound/devices.h"
#include "sound/writer_device.h"

namespace {

// OSS requests, as the driver expects them in this order.
constexpr unsigned long kSetFragment = 0xC004500A;
constexpr unsigned long kSetFormat = 0xC0045005;
constexpr unsigned long kStereo = 0xC0045003;
constexpr unsigned long kSpeed = 0xC0045002;
constexpr int kFormatS16LE = 16;

int fd = -1;
const char* name = "";
const char* error = "";
char failure_reason[320] = "";
const WriterDevice* writer = nullptr;

void close_device() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Without /dev/dsp the same stream goes to ALSA's default device, which the
// writer process opens for itself. Only when that fails too does the device
// fail, with its OSS error text, and both reasons for the user.
int use_alsa(int device_kind, const char* failure, int dsp_error) {
  char alsa_said[160];
  if (!alsa_probe(device_kind, alsa_said, sizeof alsa_said)) {
    error = failure;
    std::snprintf(failure_reason, sizeof failure_reason,
                  "no sound device: /dev/dsp: %s; ALSA's default device: %s", std::strerror(dsp_error),
                  alsa_said);
    return kSdFailed;
  }
  sd_device = sd_mixer_device(device_kind);
  writer = &kAlsaWriter;
  name = device_kind == kSound8Bit ? "ALSA default 8-bit mono" : "ALSA default 16-bit stereo";
  return kSdReady;
}

// One OSS request and the value it sends.
struct OssSetting {
  unsigned long request;
  int value;
};

// Opens /dev/dsp for writing and sends the device's requests in order. The
// driver's answers are not checked: the mixer always renders at the nominal
// rate, and the block lengths use it too. On success installs the kind's
// mixer table with a close that closes the descriptor.
template <int N>
int open_oss(const char* failure, const OssSetting (&settings)[N], int device_kind, const char* device_name) {
  fd = open("/dev/dsp", O_WRONLY | O_CLOEXEC);
  if (fd < 0) return use_alsa(device_kind, failure, errno);
  for (OssSetting setting : settings) ioctl(fd, setting.request, &setting.value);
  sd_device = sd_mixer_device(device_kind);
  sd_device.close = close_device;
  writer = &kOssWriter;
  name = device_name;
  return kSdReady;
}

}  // namespace

int sd_nosound_init() {
  sd_device = sd_mixer_device(kSoundNone);
  writer = nullptr;
  name = "Super Qor NoSound Device 2.0c";
  return kSdReady;
}

int sd_dsp8_init() {
  static const OssSetting kSettings[] = {
      {kSetFragment, 0x2000B},  // 2 fragments of 2048 bytes
      {kStereo, 0},
      {kSpeed, kSoundRate8Bit},
  };
  return open_oss("sd_dsp8_init: Cannot open /dev/dsp!", kSettings, kSound8Bit, "/dev/dsp 8-bit mono");
}

int sd_dsp16_init() {
  static const OssSetting kSettings[] = {
      {kSetFragment, 0x2000D},  // 2 fragments of 8192 bytes
      {kSetFormat, kFormatS16LE},
      {kStereo, 1},
      {kSpeed, kSoundRate16Bit},
  };
  return open_oss("sd_dsp16_init: Cannot find /dev/dspW!", kSettings, kSound16Bit, "/dev/dspW 16-bit stereo");
}

int sd_fd() { return fd; }
const char* sd_name() { return name; }
const char* sd_error() { return error; }
const char* sd_failure() { return failure_reason; }
void sd_set_failure(const char* reason) {
  std::snprintf(failure_reason, sizeof failure_reason, "%s", reason);
}
const WriterDevice* sd_writer_device() { return writer; }
