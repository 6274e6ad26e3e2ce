// `tundrix-capture show`: the show's own scene sequence on the virtual
// machine, every slot written out, with the sound the 16-bit device would
// have played.
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/timeline.h"
#include "display/virtual_machine.h"
#include "show/sequence.h"
#include "show/start_up.h"
#include "tools/capture/capture.h"
#include "tools/capture/capture_outputs.h"
#include "tools/capture/capture_sound.h"
#include "tools/capture/capture_usage.h"
#include "tools/capture/video_output.h"

namespace {

struct ShowOptions {
  std::string out;
  long long fps = 70, from = 0, to = -1, scale = 1;
  bool draw_at_fps = false;  // the scenes draw fps frames a second instead of 70
};

// Output frame j shows tick j * 70 / fps (rounded down). Normally the scenes
// draw one frame per tick, as the show does, and the frames on that grid are
// kept (or repeated, above 70); with --draw-at-fps the virtual machine's
// slots are the output frames themselves.
struct ShowCapture {
  long long fps = 70;
  bool resample = true;       // slots are ticks, thinned or repeated to fps
  long long first_frame = 0;  // frames before it are rendered, not written
  long long last_frame = -1;  // the last frame written; -1: to the end of the show
  long long end_slot = 0;     // the slot the progress line expects to end at
  bool progress = false;     // a progress line on a terminal
  timespec started = {};
  VideoOutput video;
  std::vector<int16_t> sound;  // from the start of the show
} capture;

// A failed capture leaves nothing of its output behind.
[[noreturn]] void abort_capture(const std::string& why) {
  if (capture.progress) std::fputc('\n', stderr);
  outputs_fail("show: " + why);
}

const char* frames_word(long long n) { return n == 1 ? "frame" : "frames"; }

double seconds_since(const timespec& t0) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec - t0.tv_sec) + 1e-9 * double(now.tv_nsec - t0.tv_nsec);
}

// Frames written, speed, and the time left until the expected end (the
// music may end the seventh scene a little earlier).
void show_progress(long long slot) {
  double wall = seconds_since(capture.started);
  if (wall <= 0) return;
  double slots_per_second = double(slot + 1) / wall;
  long long left = capture.end_slot > slot ? capture.end_slot - slot : 0;
  std::fprintf(stderr, "\rtundrix-capture: %lld %s written, %.1f s of show, %.0f frames/s (%.1fx real time), about %.0f s left ",
               capture.video.frames, frames_word(capture.video.frames), slot * vm_slot_seconds(), slots_per_second,
               slots_per_second * vm_slot_seconds(), double(left) / slots_per_second);
}

// Slot k is output frame k * 70 / fps rounded down, the first at or after
// tick from; the last at or before tick to.
long long first_frame_from(long long from, long long fps) { return (from * fps + 69) / 70; }
long long last_frame_to(long long to, long long fps) { return to * fps / 70; }
long long tick_of_frame(long long frame, long long fps) { return frame * 70 / fps; }

void write_frame(long long j, const uint32_t* frame) {
  if (j < capture.first_frame || (capture.last_frame >= 0 && j > capture.last_frame)) return;
  std::string why;
  if (!video_frame(capture.video, frame, &why)) abort_capture(why);
}

void write_slot(long long slot, const uint32_t* frame) {
  outputs_check_stop();
  if (!capture.resample) {
    write_frame(slot, frame);
  } else {
    // The frames whose tick is this slot's: none, one, or several above 70.
    for (long long j = first_frame_from(slot, capture.fps); tick_of_frame(j, capture.fps) == slot; j++)
      write_frame(j, frame);
  }
  if (capture.progress && slot % 70 == 0) show_progress(slot);
}

void render_sound(double seconds) { capture_sound_render_to(seconds, &capture.sound); }

// A scene that failed ends the show through end_show, which abandons the
// display: nothing of the run is kept.
void abandon() {
  if (capture.progress) std::fputc('\n', stderr);
  outputs_abandon();
}

// The show ends through end_show, which closes the display: the files are
// finished here.
void finish() {
  outputs_check_stop();
  // The sound covers the frames written: they follow each other from the first.
  double frame_seconds = 70.0 * kTickMicros / 1e6 / double(capture.fps);
  double end = double(capture.first_frame + capture.video.frames) * frame_seconds;
  render_sound(end);
  size_t begin_sample = 2 * static_cast<size_t>(double(capture.first_frame) * frame_seconds * kCaptureSoundRate);
  size_t end_sample = 2 * static_cast<size_t>(end * kCaptureSoundRate);
  if (end_sample > capture.sound.size()) end_sample = capture.sound.size();
  std::vector<int16_t> kept;
  if (begin_sample < end_sample) kept.assign(capture.sound.begin() + begin_sample, capture.sound.begin() + end_sample);
  if (capture.video.frames == 0) abort_capture("the show ended before --from");
  std::string why;
  if (!video_finish(capture.video, kept, kCaptureSoundRate, &why)) abort_capture(why);
  std::fprintf(stderr, "%stundrix-capture: %lld %s written to %s\n", capture.progress ? "\n" : "",
               capture.video.frames, frames_word(capture.video.frames), shown(capture.video.path).c_str());
}

// A usage error's status (2) when the command line is refused, else 0.
int parse_options(int argc, char** argv, ShowOptions* o) {
  const char* out = nullptr;
  const std::string ticks = "a tick from 0 to " + std::to_string(kShowLastTick);
  const std::vector<Option> known = {
      {.name = "-o", .text = &out},
      {.name = "--fps", .number = &o->fps, .low = 1, .high = 1000, .range = "a whole number from 1 to 1000"},
      {.name = "--from", .number = &o->from, .low = 0, .high = kShowLastTick, .range = ticks},
      {.name = "--to", .number = &o->to, .low = 0, .high = kShowLastTick, .range = ticks},
      {.name = "--scale", .number = &o->scale, .low = 1, .high = 8, .range = "a whole number from 1 to 8"},
      {.name = "--draw-at-fps", .flag = &o->draw_at_fps},
  };
  std::vector<const char*> arguments;
  if (int status = capture_read_options("show", argc, argv, known, &arguments, 0)) return status;
  if (out) o->out = out;
  VideoKind kind;
  std::string why;
  if (o->out.empty())
    why = "-o OUT is required";
  else if (o->out == "-")
    why = "-o - is not possible: a capture writes pictures and sound into files";
  else if (!video_kind_for(o->out, &kind))
    why = shown(o->out) +
          " is not a folder (a name ending in /, an existing folder or a name without an extension), .y4m, "
          ".mp4, .mkv or .webm";
  else if (o->to >= 0 && o->to < o->from)
    why = "--to is before --from";
  else if (o->to >= 0 && first_frame_from(o->from, o->fps) > last_frame_to(o->to, o->fps))
    why = "at " + std::to_string(o->fps) + " " + frames_word(o->fps) +
          " per second no frame falls between --from and --to";
  return why.empty() ? 0 : capture_usage_error("show: " + why);
}

}  // namespace

int capture_show_main(int argc, char** argv) {
  if (capture_wants_help(argc, argv)) return capture_help("show");
  ShowOptions o;
  if (int status = parse_options(argc, argv, &o)) return status;
  std::string why;

  // The stream's rate is the fps asked for, exactly (30/1, not the show
  // clock's 500000/16667): players and sites expect the usual rates. The
  // show's 70 ticks last 1.00002 s, so against the sound, which follows the
  // show clock, the picture runs 20 ppm fast: 6 ms by the end of the show.
  capture.fps = o.fps;
  capture.resample = !o.draw_at_fps;
  capture.first_frame = first_frame_from(o.from, o.fps);
  capture.last_frame = o.to < 0 ? -1 : last_frame_to(o.to, o.fps);
  long long slots_per_70_ticks = capture.resample ? 70 : o.fps;
  long long last_slot = capture.last_frame < 0 || !capture.resample ? capture.last_frame
                                                                     : tick_of_frame(capture.last_frame, o.fps);
  capture.progress = isatty(2);
  capture.end_slot = last_slot >= 0 ? last_slot : kShowLastTick * slots_per_70_ticks / 70;
  clock_gettime(CLOCK_MONOTONIC, &capture.started);
  if (!video_open(capture.video, o.out, static_cast<int>(o.scale), o.fps, 1, &why))
    abort_capture(why);

  // The show's own start-up, with the capture in place of the sound card,
  // the display and the wall clock.
  if (show_prepare(capture_sound_init) == kShowNoMemory) outputs_out_of_memory();
  vm_start(slots_per_70_ticks, last_slot, write_slot, render_sound, finish, abandon);
  show_run_scenes();
}
