// The messages on the pipe from the show's process to the writer: a 4-byte
// length in the machine's order, then that many bytes of one tick's block;
// the length 65535 ends the writer.
#pragma once
#include <cstddef>
#include <cstdint>

#include "sound/stream.h"

// One message as it goes down the pipe: the block is mixed straight into
// samples(), after the room for the length, so sending copies nothing.
struct BlockMessage {
  alignas(4) uint8_t bytes[4 + kSoundBlockBytes];
  uint8_t* samples() { return bytes + 4; }
};

// Sends the length bytes of the block in message->samples() as one message
// in one write. False when the pipe refuses for good (the writer is gone).
// Async-signal-safe.
bool block_pipe_send(int fd, BlockMessage* message, int32_t length);

// Sends the end message. Async-signal-safe.
bool block_pipe_send_end(int fd);

// What block_pipe_receive read: a block of *length bytes into block, the end
// message, a length no block can have, or the pipe's end (the show's
// process is gone).
enum BlockReceived { kBlockReceived, kBlockEndOfStream, kBlockBadLength, kBlockPipeClosed };

// Reads one message; block holds at least kSoundBlockBytes.
BlockReceived block_pipe_receive(int fd, uint8_t* block, int32_t* length);
