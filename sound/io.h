// Whole reads and writes on the pipes and devices of the sound output.
#pragma once
#include <cstddef>
#include <cstdint>

// Writes all length bytes, retrying what a signal or a full non-blocking
// descriptor interrupted (EINTR, EAGAIN). False when the descriptor refuses
// for good (a closed pipe, a device that is gone). Async-signal-safe.
bool sound_write_all(int fd, const uint8_t* data, size_t length);

// Reads exactly length bytes, retrying EINTR. False on end of file or an
// error. Async-signal-safe.
bool sound_read_all(int fd, uint8_t* data, size_t length);
