// `tundrix-capture sheet`: a contact sheet of the show, one frame every few
// seconds at half size with its time beneath, drawn on the same virtual
// machine as a show capture but without writing any video.
#include <cstdio>
#include <string>
#include <vector>

#include "base/timeline.h"
#include "display/virtual_machine.h"
#include "show/sequence.h"
#include "show/start_up.h"
#include "tools/capture/capture.h"
#include "tools/capture/capture_files.h"
#include "tools/capture/capture_outputs.h"
#include "tools/capture/capture_sound.h"
#include "tools/capture/capture_usage.h"

namespace {

constexpr int kThumbWidth = kFrameWidth / 2, kThumbHeight = kFrameHeight / 2;
constexpr int kGap = 4, kLabelHeight = 12;
constexpr int kCellWidth = kThumbWidth + kGap, kCellHeight = kThumbHeight + kLabelHeight;
constexpr uint32_t kBackground = 0x181818;

struct Sheet {
  std::string out;
  long long every = 840;  // ticks between the frames kept
  long long from = 0, to = kShowLastTick;  // the stretch of the show the sheet covers
  int columns = 6;
  int count = 0;   // frames the sheet holds
  int placed = 0;  // frames drawn on it so far
  int width = 0, height = 0;
  std::vector<uint32_t> canvas;
  std::vector<int16_t> sound;  // the music must run (it ends the seventh scene); nobody hears it
} sheet;

// Frame k of the sheet is the one shown at the middle of its stretch of
// every ticks from --from on: the start of a stretch is often a cut to black.
long long tick_of(int k) { return sheet.from + k * sheet.every + sheet.every / 2; }

// Each thumbnail pixel is the average of its 2 x 2 show pixels.
void place(int k, const uint32_t* frame) {
  int ox = kGap + (k % sheet.columns) * kCellWidth, oy = kGap + (k / sheet.columns) * kCellHeight;
  for (int y = 0; y < kThumbHeight; y++)
    for (int x = 0; x < kThumbWidth; x++) {
      const uint32_t* p = frame + (2 * y) * kFrameWidth + 2 * x;
      uint32_t sum_rb = 0, sum_g = 0;
      for (uint32_t v : {p[0], p[1], p[kFrameWidth], p[kFrameWidth + 1]}) {
        sum_rb += v & 0xFF00FF;
        sum_g += v & 0x00FF00;
      }
      sheet.canvas[static_cast<size_t>(oy + y) * sheet.width + ox + x] =
          (sum_rb >> 2 & 0xFF00FF) | (sum_g >> 2 & 0x00FF00);
    }
  int seconds = static_cast<int>(tick_of(k) / 70);
  char text[16];
  std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  draw_label(sheet.canvas, sheet.width, sheet.height, ox, oy + kThumbHeight + 2, text);
  sheet.placed++;
}

void keep_slot(long long slot, const uint32_t* frame) {
  outputs_check_stop();
  for (int k = 0; k < sheet.count; k++)
    if (tick_of(k) == slot) place(k, frame);
}

void run_music(double seconds) {
  capture_sound_render_to(seconds, &sheet.sound);
  sheet.sound.clear();
}

const char* frames_word(int n) { return n == 1 ? "frame" : "frames"; }

// A sheet with a hole is no sheet: one the show ended before filling (the
// music ends the seventh scene early for nobody, but should it) is refused.
void finish() {
  if (sheet.placed < sheet.count)
    outputs_fail("sheet: the show ended after " + std::to_string(sheet.placed) + " of the sheet's " +
                 std::to_string(sheet.count) + " frames");
  std::string why;
  if (!png_write_rgb(sheet.out, sheet.canvas.data(), sheet.width, sheet.height, &why))
    outputs_fail("sheet: " + why);
  std::fprintf(stderr, "tundrix-capture: %d %s on %s\n", sheet.placed, frames_word(sheet.placed),
               shown(sheet.out).c_str());
}

int parse(int argc, char** argv) {
  long long columns = sheet.columns;
  const char* out = nullptr;
  const std::string ticks = "a tick from 0 to " + std::to_string(kShowLastTick);
  const std::vector<Option> known = {
      {.name = "-o", .text = &out},
      {.name = "--every",
       .number = &sheet.every,
       .low = 70,
       .high = kShowLastTick,
       .range = "a number of ticks from 70 to " + std::to_string(kShowLastTick)},
      {.name = "--columns", .number = &columns, .low = 1, .high = 20, .range = "a whole number from 1 to 20"},
      {.name = "--from", .number = &sheet.from, .low = 0, .high = kShowLastTick, .range = ticks},
      {.name = "--to", .number = &sheet.to, .low = 0, .high = kShowLastTick, .range = ticks},
  };
  std::vector<const char*> arguments;
  if (int status = capture_read_options("sheet", argc, argv, known, &arguments, 0)) return status;
  if (!out) return capture_usage_error("sheet: -o OUT.png is required");
  if (tick_of(0) > sheet.to) return capture_usage_error("sheet: no frame falls between --from and --to");
  sheet.out = out;
  sheet.columns = static_cast<int>(columns);
  return check_output_file("sheet", sheet.out, ".png");
}

}  // namespace

int capture_sheet_main(int argc, char** argv) {
  if (capture_wants_help(argc, argv)) return capture_help("sheet");
  if (int status = parse(argc, argv)) return status;
  while (tick_of(sheet.count) <= sheet.to) sheet.count++;
  int rows = (sheet.count + sheet.columns - 1) / sheet.columns;
  sheet.width = kGap + sheet.columns * kCellWidth;
  sheet.height = kGap + rows * kCellHeight;
  sheet.canvas.assign(static_cast<size_t>(sheet.width) * sheet.height, kBackground);

  if (show_prepare(capture_sound_init) == kShowNoMemory) outputs_out_of_memory();
  vm_start(70, tick_of(sheet.count - 1), keep_slot, run_music, finish, outputs_abandon);
  show_run_scenes();
}
