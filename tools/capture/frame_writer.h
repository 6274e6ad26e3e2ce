// A second thread that turns frames into Y'CbCr planes and writes them to a
// stream (a y4m file or FIFO, the pipe into ffmpeg) while the main flow draws
// the next ones: the conversion and the copying into the pipe then cost the
// capture no time of its own on a machine with a second core.
//
// Only the main flow calls these; while the thread runs, it alone touches the
// stream. Stop signals stay with the main flow, which checks for them while
// it waits for the thread.
#pragma once
#include <cstdint>

struct OutputFile;

// Starts the thread for frames enlarged scale times (4:2:0 when subsampled),
// each after "FRAME\n" when y4m. When no thread can start, frames are
// written by frame_writer_push itself, with the same bytes.
void frame_writer_start(OutputFile* stream, int scale, bool subsampled, bool y4m);

// Hands over a copy of one 320 x 200 frame; waits while the thread is three
// frames behind. Returns false once a write has failed (the stream holds the
// error; later frames are dropped).
bool frame_writer_push(const uint32_t* frame);

// Waits until every frame handed over is written and ends the thread; the
// stream is the caller's again. Does nothing when no thread runs.
void frame_writer_stop();
