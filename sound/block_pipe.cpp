#include "sound/block_pipe.h"

#include <cstring>

#include "sound/io.h"

namespace {

constexpr int32_t kEndOfStream = 65535;

}  // namespace

bool block_pipe_send(int fd, BlockMessage* message, int32_t length) {
  std::memcpy(message->bytes, &length, 4);
  return sound_write_all(fd, message->bytes, 4 + size_t(length));
}

bool block_pipe_send_end(int fd) {
  const int32_t end = kEndOfStream;
  return sound_write_all(fd, reinterpret_cast<const uint8_t*>(&end), 4);
}

BlockReceived block_pipe_receive(int fd, uint8_t* block, int32_t* length) {
  if (!sound_read_all(fd, reinterpret_cast<uint8_t*>(length), 4)) return kBlockPipeClosed;
  if (*length == kEndOfStream) return kBlockEndOfStream;
  if (*length < 0 || *length > kSoundBlockBytes) return kBlockBadLength;
  if (!sound_read_all(fd, block, size_t(*length))) return kBlockPipeClosed;
  return kBlockReceived;
}
