// The browser's sound output: in place of the writer process and the tick
// timer, the show's own thread renders the 16-bit device's stream and posts
// it to the page's audio worklet, which plays it at 32,000 Hz and reports
// which frame of the stream is leaving it. The feed follows that report, not
// the page's clock: it keeps about a third of a second queued, never more
// than half a second, and when the frame leaving is not the one the picture
// on the screen (less the output's latency) asks for, it has the worklet
// skip the stale sound or wait for the picture. Without a worklet playing, the
// stream is rendered and dropped in the show clock's time, so the music
// keeps its time silently.
#include <emscripten.h>

#include <limits>

#include "base/clock.h"
#include "sound/devices.h"
#include "sound/output.h"
#include "web/page.h"

namespace {

// What the worklet is given beyond the frame leaving it: with the block
// that passes it, less than half a second.
constexpr double kLeadSeconds = 0.3;
// A third of a tick either way is left alone: reports come every few
// milliseconds, and each correction is heard.
constexpr double kSlackFrames = kSoundRate16Bit * kTickMicros / 1e6 / 3;

struct PageSound {
  MusicTick music_tick = nullptr;
  bool held = false;
  double origin_micros = 0.0;  // the show time of the stream's first frame
  double frames = 0.0;         // stream frames rendered so far
} sound;

uint8_t block[kSoundBlockBytes];

// Frames of the stream now leaving the worklet, or -1 when none is playing.
EM_JS(double, worklet_leaving, (), { return Module.soundLeaving(); });
EM_JS(double, output_latency, (), { return Module.soundLatency(); });
// How far, in microseconds, the show clock runs ahead of the picture on the
// screen: a frame is drawn at its tick, shown at the next tick at the
// earliest (one frame a tick), and then at the screen's next refresh.
EM_JS(double, picture_lag, (), { return Module.pictureLag(); });
EM_JS(void, worklet_post, (const uint8_t* bytes, int count, double position),
      { Module.playBlock(HEAPU8.subarray(bytes, bytes + count), position); });
EM_JS(void, worklet_seek, (double position), { Module.seekSound(position); });
EM_JS(void, worklet_restart, (double origin_micros), { Module.restartSound(origin_micros); });
EM_JS(void, page_hold_sound, (int held), { Module.holdSound(held); });
EM_JS(void, worklet_stop, (), { Module.stopSound(); });

double frames_at(double show_micros) { return (show_micros - sound.origin_micros) * kSoundRate16Bit / 1e6; }

// Renders blocks until the stream reaches frame until, and posts those that
// end past frame post_from (the worklet trims the part before it).
void render(double until, double post_from) {
  while (sound.frames < until) {
    const double position = sound.frames;
    const int bytes = sound_render_tick(kSound16Bit, sound.music_tick, block);
    if (bytes <= 0) return;
    sound.frames += bytes / 4;
    if (sound.frames > post_from) worklet_post(block, bytes, position);
  }
}

}  // namespace

void sound_start(int, MusicTick music_tick) {
  sound.music_tick = music_tick;
  worklet_restart(sound.origin_micros);
  page_sound_feed();
}

void sound_stop() {
  if (!sound.music_tick) return;
  sound.music_tick = nullptr;
  worklet_stop();
}

void sound_hold(bool held) {
  sound.held = held;
  page_hold_sound(held ? 1 : 0);
}

// The page drops what it queued when the music moves.
double sound_queued_micros() { return 0.0; }

void sound_moved(double micros) {
  sound.origin_micros = micros;
  sound.frames = 0.0;
  if (sound.music_tick) worklet_restart(micros);
}

void page_sound_feed() {
  if (!sound.music_tick || sound.held) return;
  const double due = frames_at(show_clock_micros() - picture_lag());
  double leaving = worklet_leaving();
  if (leaving < 0.0) {
    render(due, std::numeric_limits<double>::infinity());
    return;
  }
  // The frame leaving now is heard after the output's latency.
  const double wanted = due + output_latency() * kSoundRate16Bit;
  if (leaving < wanted - kSlackFrames || leaving > wanted + kSlackFrames) {
    worklet_seek(wanted);
    leaving = wanted;
  }
  render(leaving + kLeadSeconds * kSoundRate16Bit, leaving);
}
