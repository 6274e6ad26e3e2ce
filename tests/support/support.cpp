#include "tests/support/support.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

// After gtest: Xlib defines None and Bool as macros.
#include <X11/Xlib.h>

double now_seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

namespace {

std::string getenv_or(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}

// Drains whatever is readable on fd into out without blocking; false at EOF.
bool drain(int fd, std::string& out) {
  char buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, static_cast<size_t>(n));
      continue;
    }
    if (n == 0) return false;
    return errno == EAGAIN || errno == EINTR;
  }
}

int decode_status(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

}  // namespace

const char kSoundMenuText[] =
    "Select your sound device:\n0 - None\n1 - /dev/dsp 8-bit\n2 - /dev/dsp 16-bit\n";
const char kModeMenuText[] =
    "Internal window size: 320x200\n"
    "1 - Standard X11 (Grayscale in 8-bit)\n"
    "2 - Standard X11 double pixels\n"
    "3 - X11 Shm (Grayscale in 8-bit)\n"
    "4 - X11 Shm double pixels\n"
    "5 - XF86 fullscreen DGA (Grayscale in 8-bit)\n"
    "6 - XF86 fullscreen DGA double pixels\n";

std::string xvfb_display(int depth) {
  std::string dir = getenv_or("TUNDRIX_XVFB_DIR", "");
  std::ifstream in(dir + "/depth-" + std::to_string(depth));
  std::string display;
  if (dir.empty() || !(in >> display)) {
    ADD_FAILURE() << "no test X server of depth " << depth
                  << " (run the tests through ctest, which starts them)";
    return "";
  }
  return display;
}

std::string tundrix_binary() { return getenv_or("TUNDRIX_BIN", TUNDRIX_BIN_DEFAULT); }
std::string capture_binary() { return getenv_or("TUNDRIX_CAPTURE_BIN", TUNDRIX_CAPTURE_BIN_DEFAULT); }
std::string testdata_path(const std::string& relative) {
  return std::string(TUNDRIX_TESTDATA_DIR) + "/" + relative;
}

std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> folder_entries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = opendir(path.c_str())) {
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

// The child's environment: this process's, with the entries of env put in
// place of those of the same name. LC_ALL is "C" unless env names it: the
// show writes its messages in the locale's encoding, and the tests expect
// the ISO-8859-1 bytes wherever they do not choose another.
std::vector<std::string> child_environment(const std::vector<std::string>& given) {
  std::vector<std::string> out, env = given;
  auto name_of = [](const std::string& e) { return e.substr(0, e.find('=') + 1); };
  bool names_locale = false;
  for (const std::string& mine : env) names_locale |= name_of(mine) == "LC_ALL=";
  if (!names_locale) env.push_back("LC_ALL=C");
  for (char** e = environ; *e; ++e) {
    bool replaced = false;
    for (const std::string& mine : env) replaced |= name_of(mine) == name_of(*e);
    if (!replaced) out.push_back(*e);
  }
  for (const std::string& mine : env) {
    out.push_back(mine);
#ifdef TUNDRIX_SANITIZER_RUNTIME
    // A sanitized program insists on its runtime coming first.
    if (name_of(mine) == "LD_PRELOAD=")
      out.back() = "LD_PRELOAD=" + std::string(TUNDRIX_SANITIZER_RUNTIME) + ":" + mine.substr(11);
#endif
  }
  return out;
}

std::vector<char*> c_strings(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

Child start_program(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                    const ChildSetup& setup) {
  // Everything is prepared before the fork: a test process may have other
  // threads, and the child must not allocate before exec.
  std::vector<std::string> arg_strings = argv, env_strings = child_environment(env);
  std::vector<char*> args = c_strings(arg_strings), envp = c_strings(env_strings);
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe(in_pipe) || pipe(out_pipe) || pipe(err_pipe)) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) close(fd);
    setpgid(0, 0);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGXFSZ, SIG_DFL);
    if (setup.file_size_limit >= 0) {
      rlimit limit = {static_cast<rlim_t>(setup.file_size_limit), static_cast<rlim_t>(setup.file_size_limit)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(127);
    }
    if (!setup.working_dir.empty() && chdir(setup.working_dir.c_str()) != 0) _exit(127);
    execve(args[0], args.data(), envp.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  fcntl(out_pipe[0], F_SETFL, O_NONBLOCK);
  fcntl(err_pipe[0], F_SETFL, O_NONBLOCK);
  signal(SIGPIPE, SIG_IGN);
  return {pid, in_pipe[1], out_pipe[0], err_pipe[0]};
}

void child_write(const Child& child, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(child.stdin_fd, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

bool child_wait_output(Child& child, const std::string& needle, std::string& seen,
                       double timeout_seconds) {
  double end = now_seconds() + timeout_seconds;
  while (seen.find(needle) == std::string::npos) {
    double left = end - now_seconds();
    if (left <= 0) return false;
    pollfd p = {child.stdout_fd, POLLIN, 0};
    poll(&p, 1, static_cast<int>(left * 1000) + 1);
    if (!drain(child.stdout_fd, seen) && seen.find(needle) == std::string::npos) return false;
  }
  return true;
}

RunResult child_finish(Child& child, double timeout_seconds) {
  RunResult result;
  if (child.stdin_fd >= 0) close(child.stdin_fd);
  child.stdin_fd = -1;
  double end = now_seconds() + timeout_seconds;
  bool out_open = true, err_open = true;
  int raw = 0;
  for (;;) {
    pid_t w = waitpid(child.pid, &raw, WNOHANG);
    if (w == child.pid) break;
    if (now_seconds() > end) {
      result.timed_out = true;
      kill(-child.pid, SIGKILL);
      kill(child.pid, SIGKILL);
      waitpid(child.pid, &raw, 0);
      break;
    }
    pollfd p[2] = {{out_open ? child.stdout_fd : -1, POLLIN, 0}, {err_open ? child.stderr_fd : -1, POLLIN, 0}};
    poll(p, 2, 20);
    if (out_open) out_open = drain(child.stdout_fd, result.out);
    if (err_open) err_open = drain(child.stderr_fd, result.err);
  }
  drain(child.stdout_fd, result.out);
  drain(child.stderr_fd, result.err);
  close(child.stdout_fd);
  close(child.stderr_fd);
  result.status = decode_status(raw);
  child.pid = -1;
  return result;
}

RunResult run_program(const std::vector<std::string>& argv, const RunOptions& options, const ChildSetup& setup) {
  Child child = start_program(argv, options.env, setup);
  if (child.pid < 0) return {};
  child_write(child, options.stdin_text);
  if (!options.close_stdin) {
    // Keep stdin open: hand child_finish a closed-later descriptor.
    int keep = child.stdin_fd;
    child.stdin_fd = -1;
    RunResult r = child_finish(child, options.timeout_seconds);
    close(keep);
    return r;
  }
  return child_finish(child, options.timeout_seconds);
}

namespace {

Window find_window_named_show(Display* d, Window w) {
  char* name = nullptr;
  if (XFetchName(d, w, &name) && name) {
    bool found = std::strcmp(name, "Tundrix in X11") == 0;
    XFree(name);
    if (found) return w;
  }
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &count)) {
    for (unsigned i = 0; i < count && !found; i++) found = find_window_named_show(d, children[i]);
    if (children) XFree(children);
  }
  return found;
}

// The show may destroy its window between the search and the send.
int ignore_x_error(Display*, XErrorEvent*) { return 0; }

}  // namespace

unsigned long find_show_window(Display* d) { return find_window_named_show(d, DefaultRootWindow(d)); }

void send_escape_key(Display* d, Window w) {
  XEvent event{};
  event.xkey.type = KeyPress;
  event.xkey.window = w;
  event.xkey.root = DefaultRootWindow(d);
  event.xkey.keycode = 9;
  event.xkey.same_screen = True;
  XSendEvent(d, w, False, KeyPressMask, &event);
  XFlush(d);
}

bool press_escape_on_show(const std::string& display, int presses) {
  Display* d = XOpenDisplay(display.c_str());
  if (!d) return false;
  int (*previous)(Display*, XErrorEvent*) = XSetErrorHandler(ignore_x_error);
  Window w = find_show_window(d);
  for (int i = 0; w && i < presses; i++) send_escape_key(d, w);
  XSync(d, False);
  XCloseDisplay(d);
  XSetErrorHandler(previous);
  return w != 0;
}

bool type_on_show(const std::string& display, std::vector<std::string> args) {
  args.insert(args.begin(), {"/usr/bin/xdotool", "mousemove", "100", "100"});
  RunOptions options;
  options.env = {"DISPLAY=" + display};
  return run_program(args, options).status == 0;
}

RunResult child_finish_escaping(Child& child, const std::string& display, double timeout_seconds) {
  double end = now_seconds() + timeout_seconds;
  siginfo_t info{};
  while (now_seconds() < end) {
    info.si_pid = 0;
    // WNOWAIT leaves the child for child_finish to reap.
    if (waitid(P_PID, child.pid, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == child.pid) break;
    press_escape_on_show(display, 3);
    usleep(50000);
  }
  double left = end - now_seconds();
  return child_finish(child, left > 1 ? left : 1);
}

Child start_show_at(const std::string& display, unsigned tick) {
  std::vector<std::string> env = {"DISPLAY=" + display};
  if (tick > 0) {
    env.push_back(std::string("LD_PRELOAD=") + TUNDRIX_CLOCK_SKIP_LIBRARY);
    env.push_back("TUNDRIX_TEST_SKIP_MICROS=" + std::to_string(static_cast<unsigned long long>(tick) * 14286));
  }
  Child child = start_program({tundrix_binary()}, env);
  child_write(child, "0\n1\n");
  return child;
}

std::vector<uint8_t> run_filter(const std::vector<std::string>& argv, const std::vector<uint8_t>& input) {
  RunOptions options;
  options.stdin_text.assign(input.begin(), input.end());
  RunResult r = run_program(argv, options);
  EXPECT_EQ(r.status, 0) << argv[0] << ": " << r.err;
  return std::vector<uint8_t>(r.out.begin(), r.out.end());
}

std::vector<uint8_t> ppm_rgb(const std::vector<uint8_t>& ppm, int& w, int& h) {
  std::string text(ppm.begin(), ppm.end());
  size_t pos = 0;
  auto field = [&]() {
    while (pos < text.size() && (isspace(static_cast<unsigned char>(text[pos])) || text[pos] == '#')) {
      if (text[pos] == '#')
        while (pos < text.size() && text[pos] != '\n') pos++;
      else
        pos++;
    }
    size_t start = pos;
    while (pos < text.size() && !isspace(static_cast<unsigned char>(text[pos]))) pos++;
    return text.substr(start, pos - start);
  };
  EXPECT_EQ(field(), "P6");
  w = std::stoi(field());
  h = std::stoi(field());
  EXPECT_EQ(field(), "255");
  pos++;
  return std::vector<uint8_t>(ppm.begin() + static_cast<long>(pos), ppm.end());
}
