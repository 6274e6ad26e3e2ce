// Presented frames per second of the real tundrix binary in each phase of
// the polar scenes, in the window modes, on the X server named by DISPLAY:
//   DISPLAY=:NN build/bench/scenes/scene_present_rate [modes...]
// Default modes 1 and 3. Each run plays the show without sound until just
// past the hyperbolic whirl (about 205 s), then ends it with two Escape
// presses. The image requests are counted per show tick by a preloaded
// library; show tick 0 is taken at the first presented frame (the opening
// scene's set-up, a few milliseconds, is the error).
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Window_ {
  const char* what;
  int from, to;  // show ticks
};
const Window_ kWindows[] = {
    {"scene 1, sector wipe (0-1279)", 0, 1280},
    {"scene 1, spiral spread (1280-1919)", 1280, 1920},
    {"scene 1, swirl (1940-2940)", 1940, 2940},
    {"scene 6, still picture (13121-13195)", 13121, 13196},
    {"scene 6, growing (13196-13445)", 13196, 13446},
    {"scene 6, whole warp (13446-13945)", 13446, 13946},
    {"scene 6, shrinking (13946-14078)", 13946, 14079},
    {"scene 6, still again (14079-14191)", 14079, 14192},
};
constexpr double kTickSeconds = 0.014286;

double now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

::Window find_named(Display* d, ::Window w, const char* name) {
  char* title = nullptr;
  if (XFetchName(d, w, &title) && title) {
    bool match = std::string(title) == name;
    XFree(title);
    if (match) return w;
  }
  ::Window root, parent, *children = nullptr;
  unsigned n = 0;
  ::Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n && !found; i++) found = find_named(d, children[i], name);
    if (children) XFree(children);
  }
  return found;
}

void press_escape_twice() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return;
  if (::Window w = find_named(d, DefaultRootWindow(d), "Tundrix in X11")) {
    for (int i = 0; i < 2; i++) {
      XEvent e{};
      e.xkey.type = KeyPress;
      e.xkey.window = w;
      e.xkey.root = DefaultRootWindow(d);
      e.xkey.keycode = 9;
      e.xkey.same_screen = True;
      XSendEvent(d, w, True, KeyPressMask, &e);
    }
    XFlush(d);
  }
  XCloseDisplay(d);
}

// Runs the show in mode until past the whirl; returns the presented frames
// per show tick.
std::vector<uint32_t> run_show(int mode) {
  std::string log = "/tmp/tundrix-present-" + std::to_string(getpid()) + ".log";
  int in[2];
  if (pipe(in)) return {};
  std::fflush(stdout);  // or the child's freopen would write our buffer out again
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    close(in[1]);
    if (!std::freopen("/dev/null", "w", stdout)) _exit(127);
    setenv("LD_PRELOAD", PRESENT_COUNTER, 1);
    setenv("TUNDRIX_PRESENT_LOG", log.c_str(), 1);
    execl(TUNDRIX_BIN, TUNDRIX_BIN, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(in[0]);
  std::string answers = "0\n" + std::to_string(mode) + "\n";
  if (write(in[1], answers.data(), answers.size()) < 0) return {};
  close(in[1]);
  double start = now();
  while (now() < start + 14300 * kTickSeconds) {
    int status;
    if (waitpid(pid, &status, WNOHANG) == pid) break;  // the show ended early
    usleep(200000);
  }
  press_escape_twice();
  for (int i = 0; i < 100 && waitpid(pid, nullptr, WNOHANG) == 0; i++) usleep(100000);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);

  std::vector<uint32_t> per_tick(1 << 16);
  FILE* f = std::fopen(log.c_str(), "rb");
  if (!f || std::fread(per_tick.data(), sizeof(uint32_t), per_tick.size(), f) != per_tick.size()) per_tick.clear();
  if (f) std::fclose(f);
  std::remove(log.c_str());
  return per_tick;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> modes;
  for (int i = 1; i < argc; i++) modes.push_back(std::atoi(argv[i]));
  if (modes.empty()) modes = {1, 3};
  if (!std::getenv("DISPLAY")) {
    std::fprintf(stderr, "scene_present_rate: set DISPLAY to an X server\n");
    return 2;
  }
  int failures = 0;
  for (int mode : modes) {
    std::vector<uint32_t> per_tick = run_show(mode);
    if (per_tick.empty()) {
      std::printf("mode %d: no frame was presented\n", mode);
      failures++;
      continue;
    }
    std::printf("mode %d (DISPLAY=%s):\n", mode, std::getenv("DISPLAY"));
    for (const Window_& w : kWindows) {
      double frames = 0;
      for (int tick = w.from; tick < w.to; tick++) frames += per_tick[tick];
      std::printf("  %-40s %8.1f frames/s\n", w.what, frames / ((w.to - w.from) * kTickSeconds));
    }
    std::fflush(stdout);
  }
  return failures ? 1 : 0;
}
