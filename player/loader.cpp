// Module loader: 31-sample modules with a four-letter tag.
#include "player/loader.h"

#include <cstring>

#include "player/module.h"
#include "player/playback.h"
#include "sound/device_operations.h"

Module pt_module;

namespace {

const char kUnknownType[] = "pt_takemod error: unknown module type!";
const char kNoModule[] = "pt_takemod error: no module data!";
const char kTruncated[] = "pt_takemod error: truncated module!";

struct FormatTag {
  char tag[5];
  uint16_t channels;
};

// Searched in this order; "STOP" ends the table.
const FormatTag kTags[] = {
    {"2CHN", 2},  {"4CHN", 4},  {"M.K.", 4},  {"M!K!", 4},  {"FLT4", 4},  {"FLT8", 8},
    {"OCTA", 8},  {"6CHN", 6},  {"8CHN", 8},  {"10CH", 10}, {"12CH", 12}, {"14CH", 14},
    {"16CH", 16}, {"18CH", 18}, {"20CH", 20}, {"22CH", 22}, {"24CH", 24}, {"26CH", 26},
    {"28CH", 28}, {"30CH", 30}, {"32CH", 32}, {"STOP", 0},
};

// Readers over the cursor. pt_takemod checks that the header fits before it
// reads, so these never run past the data.
uint8_t read_byte() { return pt_module.bytes[pt_module.cursor++]; }
uint16_t read_word() {
  uint16_t high = read_byte();
  return uint16_t(high << 8 | read_byte());
}
void skip(size_t n) { pt_module.cursor += n; }

uint16_t channels_for_tag(const char* tag) {
  for (const FormatTag& t : kTags)
    if (!std::strcmp(t.tag, "STOP") || !std::memcmp(t.tag, tag, 4)) return t.channels;
  return 0;
}

void read_sample_header(PtSample& s) {
  skip(22);
  // Lengths are kept in 32 bits: samples of 64 KB and more exist in real
  // modules, and a 16-bit length would misplace every sample after them.
  s.length = 2u * read_word();
  s.finetune = read_byte() & 0x0F;
  uint8_t volume = read_byte();
  s.volume = volume > 64 ? 64 : volume;
  s.loop_start = 2u * read_word();
  s.loop_length = 2u * read_word();
}

// Rewrites the cells of one pattern into sample, note, command, parameter.
void convert_pattern(uint8_t* cell, int cells) {
  for (int i = 0; i < cells; ++i, cell += 4) {
    int period = (cell[0] & 0x0F) << 8 | cell[1];
    uint8_t sample = uint8_t((cell[0] & 0xF0) | (cell[2] >> 4));
    cell[0] = sample;
    cell[2] = cell[2] & 0x0F;
    cell[1] = pt_period_to_note(period);
  }
}

// A sample that runs past the data keeps what is there; its loop is cut to
// the bytes it has and plays once if less than 3 bytes of it remain.
void register_samples() {
  for (int n = 1; n <= kPtSamples; ++n) {
    PtSample& s = pt_module.samples[n];
    size_t left = pt_module.size - pt_module.cursor;
    if (s.length > left) s.length = uint32_t(left);
    if (s.length == 0) continue;
    uint32_t loop_end = s.loop_start + s.loop_length;
    if (loop_end > s.length) loop_end = s.length;
    int looped = s.loop_length > 2 && loop_end > s.loop_start && loop_end - s.loop_start > 2;
    sd_device.set_sample(n, reinterpret_cast<const int8_t*>(pt_module.bytes + pt_module.cursor),
                         s.length, s.loop_start, loop_end, looped);
    skip(s.length);
  }
}

int fail(const char* error) {
  pt_module.channels = 0;
  pt_module.error = error;
  return kPtLoadFailed;
}

}  // namespace

int pt_takemod(uint8_t* module, size_t length) {
  pt_module = Module{};
  pt_module.error = "";
  if (module == nullptr || length == 0) return fail(kNoModule);
  pt_module.bytes = module;
  pt_module.size = length;
  if (length < size_t(kPtHeaderSize)) return fail(kTruncated);
  skip(20);
  for (int n = 1; n <= kPtSamples; ++n) read_sample_header(pt_module.samples[n]);
  pt_module.song_length = read_byte();
  // The order table has 128 entries; a longer song would play past it.
  if (pt_module.song_length > kPtOrders) pt_module.song_length = kPtOrders;
  uint8_t restart = read_byte();
  pt_module.restart = restart > 126 ? 0 : restart;
  for (uint8_t& order : pt_module.orders) order = read_byte();
  for (int k = 0; k < 4; ++k) pt_module.tag[k] = char(read_byte());
  pt_module.tag[4] = 0;

  uint16_t channels = channels_for_tag(pt_module.tag);
  if (channels == 0) return fail(kUnknownType);
  uint8_t highest = 0;
  for (uint8_t order : pt_module.orders) highest = order > highest ? order : highest;
  const size_t pattern_bytes = size_t(channels) * kPtRows * 4;
  if ((size_t(highest) + 1) * pattern_bytes > length - pt_module.cursor) return fail(kTruncated);

  pt_module.highest_pattern = highest;
  for (int p = 0; p <= highest; ++p) {
    pt_module.patterns[p] = module + pt_module.cursor;
    convert_pattern(pt_module.patterns[p], channels * kPtRows);
    skip(pattern_bytes);
  }
  pt_module.channels = channels;
  register_samples();
  sd_device.set_channels(channels);
  return kPtLoaded;
}

int pt_load(uint8_t* module, size_t length) {
  pt_clear_position();
  if (!pt_takemod(module, length)) return 0;
  pt_reset();
  return 1;
}

const char* pt_load_error() { return pt_module.error ? pt_module.error : ""; }
