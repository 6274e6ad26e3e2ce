#include "sound/tick_timer.h"

#include <signal.h>
#include <sys/time.h>

#include <cerrno>

namespace {

struct TickTimer {
  bool running;
  void (*callback)();
  struct sigaction old_alrm;
  itimerval old_timer;
};

TickTimer timer = {false, nullptr, {}, {}};

void alarm_handler(int) {
  int saved = errno;
  if (timer.callback) timer.callback();
  errno = saved;
}

}  // namespace

void tick_timer_start(int rate, void (*callback)()) {
  if (rate <= 0) rate = 70;
  timer.callback = callback;
  // The handler goes in before the timer: an alarm without one would end
  // the process.
  struct sigaction alrm = {};
  alrm.sa_handler = alarm_handler;
  alrm.sa_flags = SA_RESTART;
  sigemptyset(&alrm.sa_mask);
  sigaction(SIGALRM, &alrm, &timer.old_alrm);
  itimerval every = {{0, 1000000 / rate}, {0, 1000000 / rate}};
  setitimer(ITIMER_REAL, &every, &timer.old_timer);
  timer.running = true;
}

void tick_timer_stop() {
  if (!timer.running) return;
  setitimer(ITIMER_REAL, &timer.old_timer, nullptr);
  sigaction(SIGALRM, &timer.old_alrm, nullptr);
  timer.running = false;
}
