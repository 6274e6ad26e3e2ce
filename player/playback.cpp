// Module playback: ticks into rows, rows into positions, effects into the
// sound device's channel registers.
#include "player/playback.h"

#include "base/random.h"
#include "player/module.h"
#include "sound/device_operations.h"

namespace {

PtState state;
PtChannel channels[kPtChannels];
// Channels 0 and 3 of every four lean left, 1 and 2 right; E8 rewrites these.
uint8_t default_panning[kPtChannels] = {7, 9, 9, 7, 7, 9, 9, 7, 7, 9, 9, 7, 7, 9, 9, 7,
                                        7, 9, 9, 7, 7, 9, 9, 7, 7, 9, 9, 7, 7, 9, 9, 7};

int16_t waveforms[4][64] = {
    {0,   24,   49,   74,   97,   120,  141,  161,  180,  197,  212,  224,  235,  244,  250,  253,
     255, 253,  250,  244,  235,  224,  212,  197,  180,  161,  141,  120,  97,   74,   49,   24,
     0,   -24,  -49,  -74,  -97,  -120, -141, -161, -180, -197, -212, -224, -235, -244, -250, -253,
     -255, -253, -250, -244, -235, -224, -212, -197, -180, -161, -141, -120, -97, -74,  -49,  -24},
    {},  // ramp down, built by pt_reset
    {0,   0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
     255, 255,  255,  255,  255,  255,  255,  255,  255,  255,  255,  255,  255,  255,  255,  255,
     0,   0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
     -256, -256, -256, -256, -256, -256, -256, -256, -256, -256, -256, -256, -256, -256, -256, -256},
    {},  // random, drawn by pt_reset
};

// Effect keys: the command, or 0xE0 + sub-command for the E commands.
enum : int {
  kArpeggio = 0x0, kSlideUp = 0x1, kSlideDown = 0x2, kTonePorta = 0x3, kVibrato = 0x4,
  kPortaVolSlide = 0x5, kVibratoVolSlide = 0x6, kTremolo = 0x7, kPanning = 0x8, kOffset = 0x9,
  kVolumeSlide = 0xA, kPositionJump = 0xB, kSetVolume = 0xC, kPatternBreak = 0xD, kSpeed = 0xF,
  kFineSlideUp = 0xE1, kFineSlideDown = 0xE2, kGlissando = 0xE3, kVibratoWave = 0xE4,
  kFinetune = 0xE5, kPatternLoop = 0xE6, kTremoloWave = 0xE7, kCoarsePanning = 0xE8,
  kRetrigger = 0xE9, kFineVolUp = 0xEA, kFineVolDown = 0xEB, kNoteCut = 0xEC, kNoteDelay = 0xED,
  kPatternDelay = 0xEE,
};

struct Cell {
  int sample, note, command, param, hi, lo, key;
};

Cell read_cell(const uint8_t* c) {
  Cell cell{c[0], c[1], c[2] & 0x0F, c[3], c[3] >> 4, c[3] & 0x0F, 0};
  cell.key = cell.command == 0xE ? 0xE0 | cell.hi : cell.command;
  return cell;
}

const SoundDevice& device() { return sd_device; }

// Arpeggio can reach note 98; notes past the table play its highest entry.
int period_of(const PtChannel& ch, int note) { return pt_period(ch.finetune, note); }

int clamp_volume(int v) { return v < 0 ? 0 : v > 64 ? 64 : v; }

// Tone portamento never passes its target.
void tone_portamento(PtChannel& ch) {
  if (ch.period < ch.target) {
    ch.period += ch.porta_speed;
    if (ch.period > ch.target) ch.period = ch.target;
  } else if (ch.period > ch.target) {
    ch.period -= ch.porta_speed;
    if (ch.period < ch.target) ch.period = ch.target;
  }
}

// The first entry from the top of the row whose period is at least the
// current one: the period rounded down in pitch to a semitone.
int glissando_period(const PtChannel& ch) {
  for (int n = kPtNotes; n > 0; --n)
    if (pt_period(ch.finetune, n) >= ch.period) return pt_period(ch.finetune, n);
  return pt_period(ch.finetune, 0);
}

void vibrato(PtChannel& ch) {
  int w = state.vibrato_waveform[ch.vibrato_position];
  device().set_period(ch.period + w * ch.vibrato_depth / 127);
  ch.vibrato_position = (ch.vibrato_position + ch.vibrato_speed) & 63;
}

void tremolo(PtChannel& ch) {
  int w = state.tremolo_waveform[ch.tremolo_position];
  device().set_volume(clamp_volume(ch.volume + w * ch.tremolo_depth / 127));
  ch.tremolo_position = (ch.tremolo_position + ch.tremolo_speed) & 63;
}

void volume_slide(PtChannel& ch, int param) {
  ch.volume = clamp_volume(param > 15 ? ch.volume + (param >> 4) : ch.volume - (param & 15));
  device().set_volume(ch.volume);
}

// Restarts note n from the sample's start at the channel's volume.
void trigger(PtChannel& ch, int note) {
  ch.note = note;
  ch.period = period_of(ch, note);
  device().set_volume(ch.volume);
  device().set_period(ch.period);
  device().set_offset(0);
}

// Tick lo of the row, or its last tick when the row is not that long.
bool is_effect_tick(uint32_t lo) {
  uint32_t speed = state.speed.load(std::memory_order_relaxed);
  return state.tick == lo || (speed <= lo && state.tick == speed - 1);
}

void pattern_loop(PtChannel& ch, int lo) {
  if (lo == 0) {
    ch.loop_row = int32_t(state.row);
  } else if (ch.loop_count == 0) {
    ch.loop_count = lo;
    state.row = uint32_t(ch.loop_row - 1);
  } else if (--ch.loop_count > 0) {
    state.row = uint32_t(ch.loop_row - 1);
  }
}

void set_waveform(const int16_t** waveform, int32_t* position, int lo) {
  if (lo <= 3) *position = 0;
  *waveform = waveforms[lo & 3];
}

// Sample and note of a row's first tick.
void new_row_cell(int i, PtChannel& ch, const Cell& cell) {
  // Sample numbers above 31 name no sample: they are ignored like an empty
  // sample column, and the note plays with the channel's current sample.
  if (cell.sample != 0 && cell.sample <= kPtSamples) {
    ch.instrument = cell.sample;
    ch.panning = default_panning[i] * 16;
    ch.volume = pt_module.samples[cell.sample].volume;
    if (cell.command != kSetVolume) device().set_volume(ch.volume);
    if (cell.command != kPanning) device().set_panning(ch.panning);
    device().set_instrument(cell.sample);
  }
  if (cell.note >= kPtNotes) return;
  ch.finetune = pt_module.samples[ch.instrument].finetune;
  ch.target = period_of(ch, cell.note);
  // ED0 delays by nothing: the note plays now, as it would without the E.
  bool delayed = cell.key == kNoteDelay && cell.lo != 0;
  if (cell.command == kTonePorta || cell.command == kPortaVolSlide || delayed) return;
  ch.period = ch.target;
  device().set_period(ch.period);
  if (cell.command != kOffset) device().set_offset(0);
  ch.note = cell.note;
}

void first_tick(int i, PtChannel& ch, const Cell& cell) {
  new_row_cell(i, ch, cell);
  const int p = cell.param, lo = cell.lo;
  switch (cell.key) {
    case kArpeggio:
      if (p) device().set_period(period_of(ch, ch.note));
      break;
    case kPanning:
      ch.panning = p;
      device().set_panning(p);
      break;
    case kOffset:  // also without a note
      device().set_offset(uint32_t(p) * 256);
      break;
    case kPositionJump:  // takes effect at the next row start
      state.row = 63;
      state.position = uint32_t(p - 1);
      break;
    case kSetVolume:  // not limited: C50 plays at 80
      ch.volume = p;
      device().set_volume(p);
      break;
    case kPatternBreak:
      state.row = 63;
      // Rows past the pattern's end do not exist; such a break starts the
      // next pattern at its top.
      state.break_row = uint32_t(cell.hi * 10 + lo);
      if (state.break_row > 63) state.break_row = 0;
      break;
    case kFineSlideUp:  // one period step per row, the mirror of E2
      if (ch.period >= kPtMinPeriod + 1) device().set_period(--ch.period);
      break;
    case kFineSlideDown:
      if (ch.period <= kPtMaxPeriod - 1) device().set_period(++ch.period);
      break;
    case kGlissando:
      ch.glissando = lo;
      break;
    case kVibratoWave:
      set_waveform(&state.vibrato_waveform, &ch.vibrato_position, lo);
      break;
    case kFinetune:
      ch.finetune = lo;
      break;
    case kPatternLoop:
      pattern_loop(ch, lo);
      break;
    case kTremoloWave:
      set_waveform(&state.tremolo_waveform, &ch.tremolo_position, lo);
      break;
    case kCoarsePanning:
      default_panning[i] = uint8_t(lo);
      device().set_panning(lo * 16);
      break;
    case kFineVolUp:
      if (ch.volume <= 63) device().set_volume(++ch.volume);
      break;
    case kFineVolDown:
      if (ch.volume > 0) device().set_volume(--ch.volume);
      break;
    case kPatternDelay:
      ch.delay = lo;
      break;
    case kSpeed:
      if (p <= 31) {
        state.speed.store(uint32_t(p), std::memory_order_relaxed);
      } else {
        state.tempo = uint32_t(p);
      }
      break;
    default:  // 3 and 5 only set the target; E0, EF and the rest do nothing
      break;
  }
}

void later_tick(PtChannel& ch, const Cell& cell) {
  const int p = cell.param, hi = cell.hi, lo = cell.lo;
  switch (cell.key) {
    case kArpeggio:
      if (p) {
        int steps[3] = {0, hi, lo};
        device().set_period(period_of(ch, ch.note + steps[state.tick % 3]));
      }
      break;
    case kSlideUp:
      ch.period -= p;
      if (ch.period < kPtMinPeriod) ch.period = kPtMinPeriod;
      device().set_period(ch.period);
      break;
    case kSlideDown:
      ch.period += p;
      if (ch.period > kPtMaxPeriod) ch.period = kPtMaxPeriod;
      device().set_period(ch.period);
      break;
    case kTonePorta:
      if (p) ch.porta_speed = p;
      tone_portamento(ch);
      device().set_period(ch.glissando ? glissando_period(ch) : ch.period);
      break;
    case kVibrato:
      if (lo) ch.vibrato_depth = lo;
      if (hi) ch.vibrato_speed = hi;
      vibrato(ch);
      break;
    case kPortaVolSlide:
      tone_portamento(ch);
      device().set_period(ch.period);
      volume_slide(ch, p);
      break;
    case kVibratoVolSlide:
      vibrato(ch);
      volume_slide(ch, p);
      break;
    case kTremolo:
      if (lo) ch.tremolo_depth = 2 * lo;
      if (hi) ch.tremolo_speed = hi;
      tremolo(ch);
      break;
    case kVolumeSlide:
      volume_slide(ch, p);
      break;
    case kRetrigger:
      if (lo && cell.note < kPtNotes && state.tick % uint32_t(lo) == 0) trigger(ch, cell.note);
      break;
    case kNoteCut:  // EC0 never cuts: tick 0 is not a later tick
      if (is_effect_tick(uint32_t(lo))) device().set_volume(0);
      break;
    case kNoteDelay:
      if (cell.note < kPtNotes && is_effect_tick(uint32_t(lo))) trigger(ch, cell.note);
      break;
    default:
      break;
  }
}

// Starts the next row, unless a pattern delay holds the current one.
// Returns false when the delay swallowed this tick.
bool start_row() {
  state.tick = 0;
  bool delayed = false;
  for (int i = 0; i < pt_module.channels; ++i) {
    if (channels[i].delay > 0) {
      --channels[i].delay;
      delayed = true;
    }
  }
  if (delayed) return false;
  if (++state.row > 63) {
    state.row = state.break_row;
    state.break_row = 0;
    ++state.position;
  }
  // Past the song: also when a jump aimed before position 0 (B00 sets -1)
  // and a pattern loop on a later channel of the same row kept the row from
  // wrapping, so the -1 was never stepped back into the song.
  if (state.position >= pt_module.song_length || state.position >= 128) state.position = pt_module.restart;
  state.pattern = pt_module.orders[state.position];
  state.row_cells = pt_module.patterns[state.pattern] + state.row * pt_module.channels * 4;
  state.cells_position = state.position;
  state.cells_row = state.row;
  ++state.rows_started;
  return true;
}

}  // namespace

void pt_tick() {
  uint32_t speed = state.speed.load(std::memory_order_relaxed);
  if (speed != 0 && ++state.tick >= speed && !start_row()) return;
  const int count = pt_module.channels;
  if (count == 0 || state.row_cells == nullptr) return;
  const uint8_t* cells = state.row_cells;
  for (int i = 0; i < count; ++i) {
    Cell cell = read_cell(cells + 4 * i);
    device().select_channel(i);
    if (state.tick == 0) {
      first_tick(i, channels[i], cell);
    } else {
      later_tick(channels[i], cell);
    }
  }
}

void pt_reset() {
  state.speed.store(6, std::memory_order_relaxed);
  state.tempo = 125;
  state.tick = 5;
  state.row = 63;
  state.position = 0xFFFFFFFFu;
  state.break_row = 0;
  state.pattern = 0;
  state.row_cells = nullptr;
  state.vibrato_waveform = waveforms[0];
  state.tremolo_waveform = waveforms[0];
  state.rows_started = 0;
  state.cells_position = state.cells_row = 0;
  for (PtChannel& ch : channels) {
    int32_t panning = ch.panning, glissando = ch.glissando;
    ch = PtChannel{};
    ch.panning = panning;
    ch.glissando = glissando;
  }
  for (int i = 0; i < 64; ++i) {
    waveforms[1][i] = int16_t(255 - 8 * i);
    waveforms[3][i] = int16_t(show_random() % 511 - 256);
  }
}

void pt_restart() {
  for (PtChannel& ch : channels) ch = PtChannel{};
  pt_reset();
}

void pt_clear_position() {
  state.position = 0;
  state.row = 0;
}

uint32_t pt_speed() { return state.speed.load(std::memory_order_relaxed); }
uint32_t pt_tempo() { return state.tempo; }
uint32_t pt_song_position() { return state.position * 100 + state.row; }
const PtState& pt_state() { return state; }
const PtChannel& pt_channel(int i) { return channels[i & (kPtChannels - 1)]; }
