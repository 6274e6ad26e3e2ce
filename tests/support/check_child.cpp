#include "tests/support/check_child.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace {

int report_fd = -1;

void write_all(const void* data, size_t bytes) {
  const char* p = static_cast<const char*>(data);
  while (bytes > 0) {
    const ssize_t n = write(report_fd, p, bytes);
    if (n <= 0) _exit(3);
    p += n;
    bytes -= size_t(n);
  }
}

void send_result(const CheckResult& r) {
  const uint64_t counts[2] = {r.frames, r.sound_samples};
  write_all(counts, sizeof counts);
  write_all(r.frame_ticks, r.frames * sizeof(uint32_t));
  write_all(r.frame_hashes, r.frames * sizeof(uint64_t));
  write_all(r.sound, r.sound_samples * sizeof(int16_t));
}

bool read_all(int fd, void* data, size_t bytes) {
  char* p = static_cast<char*>(data);
  while (bytes > 0) {
    const ssize_t n = read(fd, p, bytes);
    if (n <= 0) return false;
    p += n;
    bytes -= size_t(n);
  }
  return true;
}

}  // namespace

CheckedRun run_check(const CheckPlan& plan) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    report_fd = fds[1];
    // The show's closing line is not the test's output.
    if (!std::freopen("/dev/null", "w", stdout)) _exit(4);
    check_run(plan, {send_result, nullptr, nullptr});
  }
  close(fds[1]);
  CheckedRun run;
  uint64_t counts[2] = {};
  if (read_all(fds[0], counts, sizeof counts)) {
    run.ticks.resize(counts[0]);
    run.hashes.resize(counts[0]);
    run.sound.resize(counts[1]);
    EXPECT_TRUE(read_all(fds[0], run.ticks.data(), counts[0] * sizeof(uint32_t)) &&
                read_all(fds[0], run.hashes.data(), counts[0] * sizeof(uint64_t)) &&
                read_all(fds[0], run.sound.data(), counts[1] * sizeof(int16_t)));
  }
  close(fds[0]);
  int status = -1;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status)) << "the check run died";
  EXPECT_FALSE(run.ticks.empty()) << "the check run sent nothing";
  return run;
}

CheckedRun run_check(uint32_t start, long long to, const std::vector<CheckKey>& keys) {
  CheckPlan plan;
  plan.to = to;
  plan.start = start;
  plan.keys = keys.data();
  plan.key_count = int(keys.size());
  return run_check(plan);
}
