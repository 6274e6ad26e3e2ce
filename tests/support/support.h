// Helpers shared by the tests: the Xvfb servers of the test run, running the
// real binaries, and the repository's test data.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What the show writes before it reads each answer, byte for byte.
extern const char kSoundMenuText[];  // "Select your sound device:" and its three choices
extern const char kModeMenuText[];   // the internal size line and the six modes

// The X display string (":N") of the test Xvfb server of this depth (8, 15,
// 16, 24 or 30). Fails the calling test (and returns "") when the server is not
// running; the servers are started by the xvfb fixture of ctest.
std::string xvfb_display(int depth);

// Seconds on the monotonic clock, for deadlines in tests.
double now_seconds();

// Paths of the built programs and the test data.
std::string tundrix_binary();
std::string capture_binary();
std::string testdata_path(const std::string& relative);

// Reads a whole file; empty when it cannot be read.
std::vector<uint8_t> read_file(const std::string& path);

// The names in a folder but . and .., sorted; empty when it cannot be read.
std::vector<std::string> folder_entries(const std::string& path);

struct RunResult {
  int status = -1;        // exit status, or 128 + signal number
  bool timed_out = false; // killed after the time limit
  std::string out;        // standard output
  std::string err;        // standard error
};

// How a child starts besides its arguments and environment. Every child
// starts with SIGPIPE and SIGXFSZ at their defaults, as from a shell, whatever
// the test process ignores.
struct ChildSetup {
  long long file_size_limit = -1;  // RLIMIT_FSIZE in bytes; -1: unchanged
  std::string working_dir;         // "": the test's own
};

struct RunOptions {
  std::string stdin_text;            // written to standard input, then closed
  bool close_stdin = true;           // false: keep standard input open until exit
  std::vector<std::string> env;      // extra NAME=value entries
  double timeout_seconds = 60.0;
};

// Runs argv[0] with its arguments and waits for it.
RunResult run_program(const std::vector<std::string>& argv, const RunOptions& options = {},
                      const ChildSetup& setup = {});

// A program started in the background, with pipes to its standard streams.
struct Child {
  int pid = -1;
  int stdin_fd = -1;
  int stdout_fd = -1;
  int stderr_fd = -1;
};
Child start_program(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                    const ChildSetup& setup = {});
// Writes text to the child's standard input.
void child_write(const Child& child, const std::string& text);
// Closes stdin, waits up to timeout for exit (killing it after), collects output.
RunResult child_finish(Child& child, double timeout_seconds);
// Reads the child's standard output until it contains needle or the time is up.
bool child_wait_output(Child& child, const std::string& needle, std::string& seen,
                       double timeout_seconds);

// The show's window, the one named "Tundrix in X11", on an open X
// connection (an Xlib Display*), or 0. Declared without Xlib, whose None and
// Bool macros clash with gtest.
unsigned long find_show_window(struct _XDisplay* display);

// Sends one Escape key press (key code 9) to window on an open X connection
// (an Xlib Display*) and flushes it.
void send_escape_key(struct _XDisplay* display, unsigned long window);

// Sends presses Escape key presses (key code 9) to the show's window, the
// one named "Tundrix in X11" on display. Returns false when there is no
// such window (yet, or any more) or no connection.
bool press_escape_on_show(const std::string& display, int presses);

// Runs xdotool on display with args (a "key Escape", say) as a keyboard
// would type them on the show's window: the pointer goes over the window
// first (at 0,0 in every mode), so that the keyboard focus, which follows
// the pointer without a window manager, is there. False when xdotool fails.
bool type_on_show(const std::string& display, std::vector<std::string> args);

// child_finish for a show past the mode menu on display: until the child
// exits, presses Escape on its window three times every 50 ms. Three at once
// meet a scene's phase loop poll, the poll after it and its closing poll, so
// the show ends in the scene it is in rather than minutes later.
RunResult child_finish_escaping(Child& child, const std::string& display, double timeout_seconds);

// Starts the real show on display with no sound in mode 1, its clock moved on
// by `tick` show ticks right after the show starts it (a test-only preload of
// gettimeofday), so that every scene before that tick is entered late and
// returns at once. Tick 0 starts the show as a user would.
Child start_show_at(const std::string& display, unsigned tick);

// Runs a filter program (a netpbm converter, say) with input on its standard
// input; its standard output. Fails the calling test when it exits non-zero.
std::vector<uint8_t> run_filter(const std::vector<std::string>& argv, const std::vector<uint8_t>& input);

// The RGB bytes of a binary PPM (P6, maxval 255), its size in w and h.
// Fails the calling test on another format.
std::vector<uint8_t> ppm_rgb(const std::vector<uint8_t>& ppm, int& w, int& h);
