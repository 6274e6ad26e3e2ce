// The writer's side of the OSS devices: the descriptor was opened (and set
// up) by the device initialiser before the fork.
#include "sound/devices.h"
#include "sound/io.h"
#include "sound/writer_device.h"

namespace {

int oss_open() { return sd_fd() >= 0; }

int oss_play(const uint8_t* data, size_t bytes) { return sound_write_all(sd_fd(), data, bytes); }

// The descriptor goes with the writer's exit.
void oss_close() {}

}  // namespace

const WriterDevice kOssWriter = {oss_open, oss_play, oss_close};
