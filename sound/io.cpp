#include "sound/io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

bool sound_write_all(int fd, const uint8_t* data, size_t length) {
  while (length > 0) {
    ssize_t n = write(fd, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Wait for room instead of spinning; a refusal shows on the next write.
      pollfd p = {fd, POLLOUT, 0};
      poll(&p, 1, 100);
      continue;
    }
    if (n <= 0) return false;
    data += n;
    length -= size_t(n);
  }
  return true;
}

bool sound_read_all(int fd, uint8_t* data, size_t length) {
  while (length > 0) {
    ssize_t n = read(fd, data, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    length -= size_t(n);
  }
  return true;
}
