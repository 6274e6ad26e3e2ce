// The sound output's table of operations. The module loader and the player
// reach the sound hardware and the mixer only through it, and the sound
// devices fill it; this header is the one both sides include, so neither
// includes the other.
#pragma once
#include <cstdint>

// The operation table of the chosen sound output, chosen once at start-up.
// init/start/stop/close belong to the device; the nine channel operations
// are the mixer's, shared by every device.
struct SoundDevice {
  void (*init)();
  void (*start)();
  void (*stop)();
  void (*close)();
  void (*set_sample)(int n, const int8_t* data, uint32_t length, uint32_t loop_start,
                     uint32_t loop_end, int looped);
  void (*select_channel)(int i);
  void (*set_instrument)(int n);
  void (*set_period)(int period);
  void (*set_volume)(int volume);
  void (*set_panning)(int panning);
  void (*set_offset)(uint32_t offset);
  void (*set_master_volume)(int volume);
  void (*set_channels)(int count);
};

// The installed device (defined with the devices): the silent one, with the
// mixer's channel operations, until a device is chosen.
extern SoundDevice sd_device;
