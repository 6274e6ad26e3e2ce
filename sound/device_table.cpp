// The installed sound device and the device kind: the mixer's channel
// operations behind every kind, with the kind's mixer set-up as init. No
// device file is touched here, so every build of the show (the browser's
// too) installs its device through it.
#include "sound/devices.h"
#include "sound/mixer.h"

namespace {

int kind = kSoundNone;

void do_nothing() {}
void mixer_init_8bit() { mixer_init(kSoundRate8Bit); }
void mixer_init_16bit() { mixer_init(kSoundRate16Bit); }

SoundDevice with_mixer(void (*init)()) {
  return {init,
          do_nothing,
          do_nothing,
          do_nothing,
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

}  // namespace

SoundDevice sd_device = with_mixer(do_nothing);

SoundDevice sd_mixer_device(int device_kind) {
  if (device_kind == kSound8Bit) return with_mixer(mixer_init_8bit);
  if (device_kind == kSound16Bit) return with_mixer(mixer_init_16bit);
  return with_mixer(do_nothing);
}

void sd_set_kind(int device_kind) { kind = device_kind; }

void sd_ready() {
  sd_device.init();
  sd_device.set_master_volume(64);
  sd_device.start();
}

void set_master_fraction(double fraction) { sd_device.set_master_volume(int(fraction * 63)); }

int sd_kind() { return kind; }
