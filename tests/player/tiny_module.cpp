#include "tests/player/tiny_module.h"

DeviceLog device_log;

namespace {
void none() {}
void set_sample(int n, const int8_t* data, uint32_t length, uint32_t loop_start, uint32_t loop_end,
                int looped) {
  DeviceLog& d = device_log;
  d.sample_numbers[d.sample_count++ & 31] = n;
  d.sample_data[n & 31] = data;
  d.sample_length[n & 31] = length;
  d.loop_start[n & 31] = loop_start;
  d.loop_end[n & 31] = loop_end;
  d.looped[n & 31] = looped;
}
void select_channel(int i) {
  device_log.current = i & 31;
  ++device_log.selects;
}
void set_instrument(int n) { device_log.instrument[device_log.current] = n; }
void set_period(int p) {
  device_log.period[device_log.current] = p;
  ++device_log.period_calls[device_log.current];
}
void set_volume(int v) { device_log.volume[device_log.current] = v; }
void set_panning(int p) { device_log.panning[device_log.current] = p; }
void set_offset(uint32_t o) {
  device_log.offset[device_log.current] = int(o);
  ++device_log.offset_calls[device_log.current];
}
void set_master(int) {}
void set_channels(int n) { device_log.channels_set = n; }
}  // namespace

void install_recording_device() {
  sd_device = {none, none, none, none, set_sample, select_channel, set_instrument, set_period,
               set_volume, set_panning, set_offset, set_master, set_channels};
  device_log = DeviceLog{};
  for (int& o : device_log.offset) o = -1;
}

void begin_tick() {
  for (int& o : device_log.offset) o = -1;
}

int load_tiny(const TinyModule& m, std::vector<uint8_t>* storage) {
  install_recording_device();
  *storage = m.bytes();
  return pt_load(storage->data(), storage->size());
}
