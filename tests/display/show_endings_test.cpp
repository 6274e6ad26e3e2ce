// However the real show ends (a signal, or its X server going away), its
// shared-memory segment goes away with it, as `ipcs -m` lists them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <sstream>
#include <string>

// After gtest: Xlib defines None and Bool as macros.
#include <X11/Xlib.h>

#include "tests/display/private_xvfb.h"
#include "tests/display/show_window.h"
#include "tests/support/support.h"

namespace {

// Segments that `ipcs -m -p` lists with pid as their creator.
int ipcs_segments_created_by(int pid) {
  RunResult r = run_program({"/usr/bin/ipcs", "-m", "-p"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string id, owner, creator;
    if (fields >> id >> owner >> creator && id.find_first_not_of("0123456789") == std::string::npos &&
        creator == std::to_string(pid))
      ++count;
  }
  return count;
}

// The server lets go of a dead client's segment once it notices the closed
// connection, so the listing is read until it is clean or time runs out.
int segments_left_by(int pid) {
  int left = ipcs_segments_created_by(pid);
  for (double give_up = monotonic_seconds() + 10; left > 0 && monotonic_seconds() < give_up; usleep(50000))
    left = ipcs_segments_created_by(pid);
  return left;
}

// The window maps before the segment is made: waits for the segment.
int segments_made_by(int pid) {
  int made = ipcs_segments_created_by(pid);
  for (double give_up = monotonic_seconds() + 10; made == 0 && monotonic_seconds() < give_up; usleep(50000))
    made = ipcs_segments_created_by(pid);
  return made;
}

Child start_show(const std::string& display, const std::string& mode) {
  Child child = start_program({tundrix_binary()}, {"DISPLAY=" + display});
  child_write(child, "0\n" + mode + "\n");
  return child;
}

struct Ending {
  const char* name;
  int signal;
};

TEST(ShowEndings, NoSegmentIsLeftAfterASignal) {
  std::string display = xvfb_display(24);
  ASSERT_FALSE(display.empty());
  const Ending endings[] = {{"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"SIGKILL", SIGKILL}};
  for (const Ending& e : endings) {
    for (const char* mode : {"3", "4", "5"}) {
      Child child = start_show(display, mode);
      int pid = child.pid;
      ASSERT_TRUE(wait_for_show_window(display)) << e.name << " mode " << mode;
      EXPECT_EQ(segments_made_by(pid), 1) << e.name << " mode " << mode;
      kill(pid, e.signal);
      RunResult r = child_finish(child, 20);
      EXPECT_EQ(r.status, 128 + e.signal) << e.name << " mode " << mode;
      EXPECT_EQ(segments_left_by(pid), 0) << e.name << " mode " << mode;
    }
  }
}

TEST(ShowEndings, NoSegmentIsLeftWhenTheServerGoesAway) {
  for (const char* mode : {"3", "4", "5"}) {
    PrivateXvfb server = private_xvfb_start({}, "1024x768x24");
    ASSERT_FALSE(server.display.empty());
    Child child = start_show(server.display, mode);
    int pid = child.pid;
    ASSERT_TRUE(wait_for_show_window(server.display)) << mode;
    EXPECT_EQ(segments_made_by(pid), 1) << mode;
    private_xvfb_stop(server);
    RunResult r = child_finish(child, 20);
    EXPECT_FALSE(r.timed_out) << mode;
    EXPECT_NE(r.status, 0) << mode;
    EXPECT_EQ(segments_left_by(pid), 0) << mode;
  }
}

}  // namespace
