// A device with no device file behind it, for rendering the stream to a file.
#include "sound/devices.h"

int sd_offline_init(int kind) {
  if (kind != kSound8Bit && kind != kSound16Bit) return kSdFailed;
  sd_set_kind(kind);
  sd_device = sd_mixer_device(kind);
  sd_ready();
  return kSdReady;
}
