// Test side of the fake /dev/dsp (fake_dsp.c): a folder with a FIFO that a
// thread drains at the device's byte rate, and the log of what the show did.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

struct FakeDsp {
  std::string dir;
  int byte_rate = 0;
  int fifo = -1;
  int keep_open = -1;  // our own write end: no end of file before finish
  std::atomic<double> deadline{0};
  std::thread reader;
  std::atomic<bool> stop{false};
  std::vector<uint8_t> bytes;  // everything written to the device, in order
};

// Makes the folder and its FIFO (sized like the card's buffer), starts the
// draining thread at byte_rate bytes per second, and sets FAKE_DSP_DIR for
// this process and its children. missing: /dev/dsp "does not exist".
void fake_dsp_start(FakeDsp* dsp, int byte_rate, int buffer_bytes, bool missing = false);
// Waits up to timeout for the device's writers to close it, then stops the
// thread. Returns true when end of file was seen.
bool fake_dsp_finish(FakeDsp* dsp, double timeout_seconds);
// The log lines (empty when nothing opened /dev/dsp).
std::vector<std::string> fake_dsp_log(const FakeDsp& dsp);
// Sizes of the device writes, and the pid that made them (-1 if none).
std::vector<int> fake_dsp_write_sizes(const FakeDsp& dsp, int* writer_pid = nullptr);
// The log's ioctl lines.
std::vector<std::string> fake_dsp_ioctls(const FakeDsp& dsp);
