#include "tools/capture/frame_writer.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "display/display.h"
#include "tools/capture/capture_outputs.h"
#include "tools/capture/yuv_frame.h"

namespace {

constexpr int kSlots = 3;

struct Writer {
  std::mutex lock;
  std::condition_variable changed;
  uint32_t frames[kSlots][kFramePixels];
  long long pushed = 0;   // frames handed over
  long long written = 0;  // frames the thread is done with
  bool closing = false;
  std::atomic<bool> failed{false};
  OutputFile* stream = nullptr;
  int scale = 1;
  bool subsampled = false, y4m = false;
  std::vector<uint8_t> planes;
};

// Made once and never destroyed: a run that fails ends the process while the
// thread may still be writing.
Writer* writer = nullptr;
pthread_t thread;
bool threaded = false;  // false: the thread could not start, frames are written as they come

// The planes and the stream's buffer are made before the thread starts: it
// allocates nothing, so memory running out is always the main flow's.
void write_frame(Writer& w, const uint32_t* frame) {
  size_t header = w.y4m ? 6 : 0;
  std::memcpy(w.planes.data(), "FRAME\n", header);
  yuv_frame(frame, w.scale, w.subsampled, w.planes.data() + header);
  output_write(*w.stream, w.planes.data(), w.planes.size());
  if (output_failed(*w.stream)) w.failed = true;
}

void* run(void*) {
  Writer& w = *writer;
  std::unique_lock<std::mutex> held(w.lock);
  for (;;) {
    w.changed.wait(held, [&] { return w.written < w.pushed || w.closing; });
    if (w.written == w.pushed) return nullptr;
    const uint32_t* frame = w.frames[w.written % kSlots];
    held.unlock();
    if (!w.failed) write_frame(w, frame);
    held.lock();
    w.written++;
    w.changed.notify_all();
  }
}

// Waits, a slice at a time so that a stop signal is acted on, until done.
template <typename Done>
void wait_checking_stops(std::unique_lock<std::mutex>& held, Done done) {
  while (!writer->changed.wait_for(held, std::chrono::milliseconds(50), done)) {
    held.unlock();
    outputs_check_stop();
    held.lock();
  }
}

}  // namespace

void frame_writer_start(OutputFile* stream, int scale, bool subsampled, bool y4m) {
  if (!writer) writer = new Writer;
  Writer& w = *writer;
  w.pushed = w.written = 0;
  w.closing = false;
  w.failed = false;
  w.stream = stream;
  w.scale = scale;
  w.subsampled = subsampled;
  w.y4m = y4m;
  w.planes.resize((y4m ? 6 : 0) + yuv_frame_bytes(scale, subsampled));
  output_reserve(*stream);
  // The thread starts with the stop signals blocked, so they reach the main
  // flow and no write of the thread's is interrupted by them. Where no
  // thread can start (no memory for its stack), the main flow writes each
  // frame itself, as slowly as that is.
  sigset_t stops, before;
  sigemptyset(&stops);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, s);
  pthread_sigmask(SIG_BLOCK, &stops, &before);
  threaded = pthread_create(&thread, nullptr, run, nullptr) == 0;
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

bool frame_writer_push(const uint32_t* frame) {
  Writer& w = *writer;
  if (!threaded) {
    if (!w.failed) write_frame(w, frame);
    return !w.failed;
  }
  std::unique_lock<std::mutex> held(w.lock);
  wait_checking_stops(held, [&] { return w.pushed - w.written < kSlots; });
  // The thread never reads the slot being filled: it lies fewer than kSlots
  // frames ahead of the one the thread works on.
  held.unlock();
  std::memcpy(w.frames[w.pushed % kSlots], frame, sizeof w.frames[0]);
  held.lock();
  w.pushed++;
  w.changed.notify_all();
  return !w.failed;
}

void frame_writer_stop() {
  if (!threaded) return;
  {
    std::unique_lock<std::mutex> held(writer->lock);
    wait_checking_stops(held, [&] { return writer->written == writer->pushed; });
    writer->closing = true;
    writer->changed.notify_all();
  }
  pthread_join(thread, nullptr);
  threaded = false;
}
