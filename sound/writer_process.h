// The writer process: forked with the chosen device, it asks the show's
// process for a block (a request counted in memory both share, then
// SIGCHLD), plays the block it is sent, and asks again. The sound card's
// demand paces the music that way.
#pragma once
#include <cstdint>

#include "sound/writer_device.h"

// Forks the writer on device and waits until it reports that its device
// plays. SIGCHLD is blocked meanwhile, so the first request waits for the
// caller's handler. False, with nothing left (no process, pipe or shared
// memory), when the writer cannot be started or its device does not open.
bool writer_start(const WriterDevice* device);

// True when the writer has a request that has not been answered yet; the
// request then counts as answered. A SIGCHLD only says "look": notices do
// not queue, and another child's news sends one too. Async-signal-safe.
bool writer_owes_block();

// The pipe's writing end while the writer runs (-1 otherwise).
int writer_pipe();

// True, once, when the writer has left by itself (its device gone for good,
// or killed); it is reaped then. Async-signal-safe.
bool writer_left();

// Sends the end message; the writer leaves after the block it plays.
void writer_send_end();

// Closes the pipe, reaps the writer (killing one that has not left within
// three seconds) and releases the shared memory. Safe when nothing runs.
void writer_finish();

// The writer process's id while it runs (-1 otherwise).
int sound_writer_pid();
