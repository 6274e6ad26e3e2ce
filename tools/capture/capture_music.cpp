// tundrix-capture music: renders a module to WAV exactly as the 8-bit or
// 16-bit sound device would stream it, block by block, one block per tick.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/content.h"
#include "player/loader.h"
#include "player/module.h"
#include "player/playback.h"
#include "show/music_tick.h"
#include "sound/devices.h"
#include "sound/stream.h"
#include "tools/capture/capture.h"
#include "tools/capture/capture_files.h"
#include "tools/capture/capture_outputs.h"
#include "tools/capture/capture_usage.h"

namespace {

// --seconds is counted in microseconds: up to six decimals, at most 600 s.
constexpr long long kMaxMicroseconds = 600000000;

struct MusicOptions {
  const char* module = nullptr;
  const char* output = nullptr;
  const char* timeline = nullptr;
  int kind = kSound16Bit;
  long long microseconds = kMaxMicroseconds;
};

// Written twice: first with no data, then with the size once it is known.
void write_wav_header(OutputFile& f, int kind, uint32_t data_bytes, bool patch) {
  uint8_t h[44];
  wav_header(h, kind == kSound16Bit ? 2 : 1, sound_rate(kind), kind == kSound16Bit ? 16 : 8, data_bytes);
  if (patch) output_patch(f, 0, h, sizeof h);
  else output_write(f, h, sizeof h);
}

int parse(int argc, char** argv, MusicOptions* o) {
  long long device = 16;
  const std::vector<Option> known = {
      {.name = "--module", .text = &o->module},
      {.name = "--device", .number = &device, .low = 8, .high = 16, .range = "8 or 16"},
      {.name = "--seconds",
       .number = &o->microseconds,
       .low = 1,
       .high = kMaxMicroseconds,
       .decimals = 6,
       .range = "a number of seconds above 0 and at most 600"},
      {.name = "--timeline", .text = &o->timeline},
      {.name = "-o", .text = &o->output},
  };
  std::vector<const char*> arguments;
  if (int status = capture_read_options("music", argc, argv, known, &arguments, 0)) return status;
  if (device != 8 && device != 16)
    return capture_usage_error("music: " + refused_value(known[1], std::to_string(device).c_str()));
  o->kind = device == 8 ? kSound8Bit : kSound16Bit;
  if (!o->output) return capture_usage_error("music: -o OUT.wav is required");
  if (int status = check_output_file("music", o->output, ".wav")) return status;
  if (o->timeline && !std::strcmp(o->timeline, o->output))
    return capture_usage_error("music: --timeline and -o name the same file");
  if (o->timeline && !std::strcmp(o->timeline, "-") && !std::strcmp(o->output, "-"))
    return capture_usage_error("music: --timeline and -o cannot both be standard output");
  return 0;
}

int fail(const char* what, const char* detail) {
  std::fprintf(stderr, "tundrix-capture: music: %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
  return 1;
}

// The loader's own text, and for a tag it does not know the tag itself
// (printable bytes as they are, others as \xNN).
std::string load_failure(const std::vector<uint8_t>& bytes) {
  std::string text = pt_load_error();
  if (bytes.size() < size_t(kPtHeaderSize))
    return text + " (" + std::to_string(bytes.size()) + " bytes, shorter than the " +
           std::to_string(kPtHeaderSize) + "-byte header of a module)";
  if (text.find("unknown module type") == std::string::npos) return text;
  std::string tag;
  for (size_t i = kPtHeaderSize - 4; i < size_t(kPtHeaderSize); ++i) {
    char hex[8];
    if (bytes[i] >= 0x20 && bytes[i] < 0x7F) tag += char(bytes[i]);
    else std::snprintf(hex, sizeof hex, "\\x%02X", bytes[i]), tag += hex;
  }
  return text + " (the format tag \"" + tag + "\" names no supported channel count)";
}

// Renders until the frame limit or until the speed becomes 0 (after that
// tick's block), or until a write fails. Returns the frames rendered.
uint64_t render(const MusicOptions& o, OutputFile& wav, OutputFile* timeline) {
  static uint8_t block[kSoundBlockBytes];
  const int rate = sound_rate(o.kind);
  const int frame_bytes = sound_frame_bytes(o.kind);
  const uint64_t limit = uint64_t(o.microseconds) * uint64_t(rate) / 1000000;
  const bool progress = isatty(2);
  uint64_t frames = 0;
  uint32_t rows_seen = pt_state().rows_started;
  for (uint64_t tick = 0; frames < limit; ++tick) {
    outputs_check_stop();
    const int bytes = sound_render_tick(o.kind, show_music_tick, block);
    if (timeline && pt_state().rows_started != rows_seen) {
      rows_seen = pt_state().rows_started;
      char line[64];
      int n = std::snprintf(line, sizeof line, "%.4f %u %u\n", double(frames) / rate, pt_state().cells_position,
                            pt_state().cells_row);
      output_write(*timeline, line, size_t(n));
    }
    uint64_t take = uint64_t(bytes / frame_bytes);
    if (take > limit - frames) take = limit - frames;
    output_write(wav, block, size_t(frame_bytes) * size_t(take));
    frames += take;
    if (progress && tick % 50 == 0) std::fprintf(stderr, "\rmusic: %.1f s rendered", double(frames) / rate);
    if (pt_speed() == 0 || output_failed(wav) || (timeline && output_failed(*timeline))) break;
  }
  if (progress) std::fprintf(stderr, "\rmusic: %.1f s rendered\n", double(frames) / rate);
  return frames;
}

}  // namespace

int capture_music_main(int argc, char** argv) {
  if (capture_wants_help(argc, argv)) return capture_help("music");
  MusicOptions o;
  if (int status = parse(argc, argv, &o)) return status;
  std::vector<uint8_t> bytes;
  if (o.module) {
    std::string why;
    if (!read_whole_file(o.module, kMaxModuleBytes, &bytes, &why)) return fail("cannot read the module", why.c_str());
  } else {
    // Loading converts the patterns in place: work on a copy.
    if (module_bytes() == nullptr || module_size() == 0)
      return fail("the show has no embedded module; give one with --module FILE", nullptr);
    bytes.assign(module_bytes(), module_bytes() + module_size());
  }
  sd_offline_init(o.kind);
  if (!pt_load(bytes.data(), bytes.size())) return fail("cannot load the module", load_failure(bytes).c_str());

  OutputFile timeline, wav;
  std::string why;
  if (o.timeline && !output_open(timeline, o.timeline, &why)) outputs_fail("music: " + why);
  if (!output_open(wav, o.output, &why)) outputs_fail("music: " + why);
  // A stream cannot go back to its header: it gets the whole file at the end.
  wav.hold = wav.stream;
  write_wav_header(wav, o.kind, 0, false);
  const uint64_t frames = render(o, wav, o.timeline ? &timeline : nullptr);
  write_wav_header(wav, o.kind, uint32_t(frames * uint64_t(sound_frame_bytes(o.kind))), true);
  if ((o.timeline && !output_finish(timeline, &why)) || !output_finish(wav, &why) ||
      (o.timeline && !output_commit(timeline, &why)) || !output_commit(wav, &why))
    outputs_fail("music: " + why);
  return 0;
}
