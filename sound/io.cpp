#include "sound/io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Moves length bytes in as many steps as it takes; step(done) reads or
// writes from offset done on. A signal that interrupts a step is not a
// failure, and a descriptor that is not ready (EAGAIN) is waited for, not
// spun on. False on end of file or an error.
template <typename Step>
bool transfer_all(int fd, short ready, size_t length, Step step) {
  size_t done = 0;
  while (done < length) {
    ssize_t n = step(done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p = {fd, ready, 0};
      poll(&p, 1, 100);  // a refusal for good shows on the next step
      continue;
    }
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

}  // namespace

bool sound_write_all(int fd, const uint8_t* data, size_t length) {
  return transfer_all(fd, POLLOUT, length, [&](size_t done) { return write(fd, data + done, length - done); });
}

bool sound_read_all(int fd, uint8_t* data, size_t length) {
  return transfer_all(fd, POLLIN, length, [&](size_t done) { return read(fd, data + done, length - done); });
}
