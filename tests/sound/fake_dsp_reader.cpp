#include "tests/sound/fake_dsp.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

double now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// Reads no faster than the card would play: the FIFO then fills and the
// writer blocks in its device write, as with a real card.
void drain(FakeDsp* dsp) {
  const double start = now();
  uint8_t buf[65536];
  for (;;) {
    const double allowed = (now() - start) * dsp->byte_rate - double(dsp->bytes.size());
    size_t want = allowed < 1 ? 0 : allowed > sizeof buf ? sizeof buf : size_t(allowed);
    if (dsp->stop.load()) {
      want = sizeof buf;  // finishing: take the rest at once
      if (now() > dsp->deadline.load()) return;
    }
    if (want == 0) {
      usleep(2000);
      continue;
    }
    pollfd p = {dsp->fifo, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    ssize_t n = read(dsp->fifo, buf, want);
    if (n > 0) {
      dsp->bytes.insert(dsp->bytes.end(), buf, buf + n);
      dsp->received = dsp->bytes.size();
    } else if (n == 0) {
      return;  // every writer closed the device
    }
  }
}

}  // namespace

void fake_dsp_start(FakeDsp* dsp, int byte_rate, int buffer_bytes, bool missing) {
  char tmpl[] = "/tmp/tundrix-dsp-XXXXXX";
  dsp->dir = mkdtemp(tmpl);
  dsp->byte_rate = byte_rate;
  setenv("FAKE_DSP_DIR", dsp->dir.c_str(), 1);
  if (missing) fake_dsp_mark(*dsp, "missing");
  if (byte_rate <= 0) return;
  std::string fifo = dsp->dir + "/dsp";
  mkfifo(fifo.c_str(), 0600);
  // Opened for reading (and kept open) before the show opens it for writing,
  // so neither side blocks in open.
  dsp->fifo = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  fcntl(dsp->fifo, F_SETPIPE_SZ, buffer_bytes);
  dsp->keep_open = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  // The show has one thread, which takes the writer's SIGCHLD requests and
  // the timer's SIGALRM. The reader thread must not take them instead: a
  // request it took while the test thread still blocks SIGCHLD around the
  // fork would be answered by nobody. It inherits this mask.
  sigset_t sound_signals, previous;
  sigemptyset(&sound_signals);
  sigaddset(&sound_signals, SIGCHLD);
  sigaddset(&sound_signals, SIGALRM);
  pthread_sigmask(SIG_BLOCK, &sound_signals, &previous);
  dsp->reader = std::thread(drain, dsp);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

bool fake_dsp_finish(FakeDsp* dsp, double timeout_seconds) {
  if (dsp->fifo < 0) return true;
  dsp->deadline = now() + timeout_seconds;
  dsp->stop = true;
  ::close(dsp->keep_open);
  dsp->reader.join();
  uint8_t probe;
  bool ended = read(dsp->fifo, &probe, 1) == 0;
  ::close(dsp->fifo);
  dsp->fifo = -1;
  return ended;
}

std::vector<std::string> fake_dsp_log(const FakeDsp& dsp) {
  std::ifstream in(dsp.dir + "/log");
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::vector<int> fake_dsp_write_sizes(const FakeDsp& dsp, int* writer_pid) {
  std::vector<int> sizes;
  if (writer_pid) *writer_pid = -1;
  for (const std::string& line : fake_dsp_log(dsp)) {
    std::istringstream s(line);
    std::string word;
    int pid = 0, n = 0;
    if (s >> word && word == "write" && s >> pid >> n) {
      sizes.push_back(n);
      if (writer_pid) *writer_pid = pid;
    }
  }
  return sizes;
}

std::vector<std::string> fake_dsp_ioctls(const FakeDsp& dsp) {
  std::vector<std::string> out;
  for (const std::string& line : fake_dsp_log(dsp))
    if (line.rfind("ioctl ", 0) == 0) out.push_back(line.substr(6));
  return out;
}

void fake_dsp_mark(const FakeDsp& dsp, const char* name, bool present) {
  std::string path = dsp.dir + "/" + name;
  if (present) {
    std::ofstream(path) << "";
  } else {
    unlink(path.c_str());
  }
}

bool fake_dsp_wait_bytes(const FakeDsp& dsp, size_t bytes, double timeout_seconds) {
  const double end = now() + timeout_seconds;
  while (dsp.received.load() <= bytes) {
    if (now() > end) return false;
    usleep(10000);
  }
  return true;
}

std::string fake_alsa_home(const FakeDsp& dsp, bool working) {
  std::string home = dsp.dir + (working ? "/home-alsa" : "/home-no-alsa");
  mkdir(home.c_str(), 0700);
  std::ofstream rc(home + "/.asoundrc");
  if (working) {
    rc << "pcm.!default {\n  type file\n  slave.pcm \"null\"\n  file \"" << dsp.dir
       << "/dsp\"\n  format \"raw\"\n}\n";
  } else {
    rc << "pcm.!default {\n  type hw\n  card 31\n}\n";
  }
  return home;
}

int fake_dsp_failed_writes(const FakeDsp& dsp) {
  int failed = 0;
  for (const std::string& line : fake_dsp_log(dsp)) failed += line.rfind("fail ", 0) == 0;
  return failed;
}
