// What the writer process plays through. The show's process chooses the
// device at the menu; the writer opens (or takes over) and drives it, because
// a PCM opened through a sound server's plugin does not survive fork.
#pragma once
#include <cstddef>
#include <cstdint>

struct WriterDevice {
  // Runs in the writer before its first request: 1 when the device plays,
  // 0 when it cannot be opened (the show then goes on silently).
  int (*open)();
  // Plays one block of the stream's bytes, retrying what can be retried.
  // 1 when played, 0 when the device is gone for good.
  int (*play)(const uint8_t* data, size_t bytes);
  // Lets go of the device before the writer leaves.
  void (*close)();
};

// The writer side of the chosen device; nullptr for the silent one.
const WriterDevice* sd_writer_device();

// The OSS writer: plays into the descriptor the device initialiser opened
// before the fork.
extern const WriterDevice kOssWriter;

// The ALSA writer: opens ALSA's `default` PCM in the writer for the device
// kind recorded at the menu (8-bit unsigned mono at 21700 Hz, or 16-bit
// signed little-endian stereo at 32000 Hz).
extern const WriterDevice kAlsaWriter;

// Tries, in a short-lived child process, whether ALSA's `default` PCM opens
// and takes the format of device kind (1 or 2). Returns 1 when it does, 0
// otherwise, with ALSA's reason in why (why_size bytes). The show's own
// process never opens the PCM, so nothing of a sound server's plugin lives
// in it when the writer is forked.
int alsa_probe(int kind, char* why, size_t why_size);
