#include "tests/display/private_xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

PrivateXvfb private_xvfb_start(const std::vector<std::string>& prefix, const std::string& screen,
                               const std::vector<std::string>& extra) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  std::vector<std::string> argv = prefix;
  for (const char* a : {"Xvfb", "-displayfd"}) argv.push_back(a);
  argv.push_back(std::to_string(fds[1]));
  for (const char* a : {"-screen", "0"}) argv.push_back(a);
  argv.push_back(screen);
  for (const char* a : {"-nolisten", "tcp", "-noreset"}) argv.push_back(a);
  argv.insert(argv.end(), extra.begin(), extra.end());
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    setpgid(0, 0);
    // A test that dies of an X error must not leave its server behind.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(fds[1]);
  PrivateXvfb server{pid, ""};
  std::string number;
  pollfd p = {fds[0], POLLIN, 0};
  while (poll(&p, 1, 10000) > 0) {
    char c;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (number.empty()) {
    private_xvfb_stop(server);
    return {};
  }
  server.display = ":" + number;
  return server;
}

void private_xvfb_stop(PrivateXvfb& server) {
  if (server.pid <= 0) return;
  kill(server.pid, SIGTERM);
  waitpid(server.pid, nullptr, 0);
  server = {};
}

PrivateXvfb private_xvfb_start_isolated(const std::string& screen) {
  PrivateXvfb server = private_xvfb_start({"unshare", "--ipc"}, screen);
  if (server.display.empty()) server = private_xvfb_start({"unshare", "--user", "--map-root-user", "--ipc"}, screen);
  return server;
}

int shm_segments_created_by(int pid) {
  shm_info info{};
  int highest = shmctl(0, SHM_INFO, reinterpret_cast<shmid_ds*>(&info));
  int found = 0;
  for (int index = 0; index <= highest; ++index) {
    shmid_ds ds{};
    if (shmctl(index, SHM_STAT, &ds) >= 0 && ds.shm_cpid == pid) ++found;
  }
  return found;
}
