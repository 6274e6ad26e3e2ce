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
  std::atomic<size_t> received{0};  // bytes.size(), readable while the thread runs
};

// Makes the folder and its FIFO (sized like the card's buffer), starts the
// draining thread at byte_rate bytes per second, and sets FAKE_DSP_DIR for
// this process and its children. missing: /dev/dsp "does not exist"; the
// FIFO is still there (and drained when byte_rate > 0) for an ALSA `file`
// PCM to write into.
void fake_dsp_start(FakeDsp* dsp, int byte_rate, int buffer_bytes, bool missing = false);
// Creates (or removes) the marker file name in the folder: "flaky" and
// "gone" make the device's writes fail (see fake_dsp.c), "missing" hides it.
void fake_dsp_mark(const FakeDsp& dsp, const char* name, bool present = true);
// Waits until the device has received more than bytes, up to timeout.
bool fake_dsp_wait_bytes(const FakeDsp& dsp, size_t bytes, double timeout_seconds);
// A HOME folder whose .asoundrc makes ALSA's default device a `file` PCM
// over `null` that writes the raw stream into the FIFO (working), or a sound
// card that does not exist (not working).
std::string fake_alsa_home(const FakeDsp& dsp, bool working);
// The log's failed writes ("fail" lines).
int fake_dsp_failed_writes(const FakeDsp& dsp);
// Waits up to timeout for the device's writers to close it, then stops the
// thread. Returns true when end of file was seen.
bool fake_dsp_finish(FakeDsp* dsp, double timeout_seconds);
// The log lines (empty when nothing opened /dev/dsp).
std::vector<std::string> fake_dsp_log(const FakeDsp& dsp);
// Sizes of the device writes, and the pid that made them (-1 if none).
std::vector<int> fake_dsp_write_sizes(const FakeDsp& dsp, int* writer_pid = nullptr);
// The log's ioctl lines.
std::vector<std::string> fake_dsp_ioctls(const FakeDsp& dsp);
