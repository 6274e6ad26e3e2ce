// The second scene: the twisting silhouette.
#include "scenes/twisting_silhouette.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/clock.h"
#include "base/random.h"
#include "base/tables.h"
#include "base/trig.h"
#include "display/display.h"
#include "scenes/scene_kit.h"
#include "scenes/scenes.h"

namespace {

constexpr int32_t kHalfWidth = kFrameWidth / 2;         // the turning axis, screen column 160
constexpr double kAngleRadians = 0.006135923151542565;  // 2 pi / 1,024

// Faces in drawing order: from corner a to corner b, with the light offset
// added to the row angle. (1,0) and (3,2) are the ends, (2,1) and (0,3) the
// sides; a face shows when its first corner lies left of its second.
struct SlabFace {
  int a, b;
  int32_t light;
};
constexpr SlabFace kFaces[4] = {{1, 0, 255}, {2, 1, 1023}, {3, 2, 767}, {0, 3, 511}};

// End faces take these columns of the texture whatever the slab's width.
constexpr int32_t kEndU0 = 300, kEndU1 = 319;

// Turns a corner about the vertical axis; only x and z change.
SlabCorner turn(const SlabCorner& p, double c, double s) {
  return {static_cast<int32_t>(p.x * c - p.z * s), p.y, static_cast<int32_t>(p.x * s + p.z * c)};
}

void turn_row(SilhouetteScene& s, int j) {
  double theta = s.row_angle[j] * kAngleRadians;
  double c = trig_cos(theta), sn = trig_sin(theta);
  for (int k = 0; k < 4; k++) s.turned.row[j][k] = turn(s.rest.row[j][k], c, sn);
}

// From n = 1,024 each row is pushed sideways by the wobble and turned further
// by the twist; A and W computed here take effect in the next frame.
void twist_rows(SilhouetteScene& s, int32_t n) {
  for (int j = 0; j < kSlabRows; j++) {
    double e = 0.01 * j;
    turn_row(s, j);
    double push = s.wobble * trig_sin(3 * s.wave + e);
    for (SlabCorner& p : s.turned.row[j]) p.x = static_cast<int32_t>(p.x + push);
    int32_t twist = static_cast<int32_t>(s.twist + s.twist * trig_sin(s.wave + e));
    s.row_angle[j] = (twist + 2 * n - 1200) & 1023;
  }
  s.wobble = std::min(15.0, (n - 1024) * 0.2);
  s.twist = std::min(500.0, (n - 1024) * 0.3);
}

const uint32_t* row_texture(const SilhouetteScene& s, int32_t n, int j, bool late_flag) {
  if (n <= 1023 || j > n - 1024) return s.title;
  return late_flag ? s.late_texture : s.second_texture;
}

void draw_row(SilhouetteScene& s, int32_t n, int j) {
  const SlabCorner* turned = s.turned.row[j];
  const SlabCorner* rest = s.rest.row[j];
  int32_t angle = s.row_angle[j];
  for (const SlabFace& f : kFaces) {
    int32_t x1 = turned[f.a].x, x2 = turned[f.b].x;
    if (x1 >= x2) continue;
    int32_t c = SineTable[256 + ((angle + f.light) & 1023)];
    const uint8_t* shade = s.shade.level[std::abs(c) >> 9];
    bool end_face = f.a & 1;
    int32_t u0 = end_face ? kEndU0 : rest[f.a].x + kHalfWidth;
    int32_t u1 = end_face ? kEndU1 : rest[f.b].x + kHalfWidth;
    bool late_flag = !end_face && !(angle >= 256 && angle <= 767);
    const uint32_t* texture = row_texture(s, n, j, late_flag);
    draw_slab_span(s.frame + j * kFrameWidth, texture + j * kFrameWidth, x1, x2, u0, u1, shade);
  }
}

// Phase 1 until tick 3,539: clock first, then the poll. Returns false when
// the poll after the loop sees Escape.
bool title_phase(SilhouetteScene& s) {
  while (show_ticks() <= kTitleEnd && !display_poll_escape()) {
    silhouette_sink_surroundings(s);
    display_present(s.frame);
  }
  return !display_poll_escape();
}

// Phase 2 until tick 6,540: poll first, then the clock; n from a second reading.
bool solid_phase(SilhouetteScene& s) {
  silhouette_dim_title(s);
  while (frame_goes_on(kSolidEnd)) {
    int32_t n = static_cast<int32_t>(show_ticks() - kSolidStart);
    silhouette_solid_frame(s, n);
    display_present(s.frame);
    silhouette_dim_title(s);
    s.wave = (n - 700) * 0.01;
  }
  return !display_poll_escape();
}

// Phase 3 until tick 6,795, without polling; ends on a black frame.
void dissolve_phase(SilhouetteScene& s) {
  uint8_t unused_palette[768];
  load_picture(PIC_THRESHOLD, s.indices, kFramePixels, unused_palette);
  while (show_ticks() <= kSilhouetteEnd) {
    silhouette_dissolve(s, static_cast<int32_t>(show_ticks() - kSolidEnd));
    display_present(s.frame);
  }
  std::memset(s.frame, 0, kFrameBytes);
  display_present(s.frame);
}

}  // namespace

void build_slab_shape(SlabShape& shape, const uint8_t* indices, int32_t depth) {
  for (int32_t j = 0; j < kSlabRows; j++) {
    const uint8_t* row = indices + j * kFrameWidth;
    int32_t left = 0;
    while (left < kFrameWidth && row[left] == 0) left++;
    SlabCorner* c = shape.row[j];
    if (left == kFrameWidth) {
      for (int k = 0; k < 4; k++) c[k] = {0, j, 0};
      continue;
    }
    int32_t right = left;
    while (right < kFrameWidth && row[right] != 0) right++;
    c[0] = {right - kHalfWidth, j, depth};
    c[1] = {right - kHalfWidth, j, -depth};
    c[2] = {left - kHalfWidth, j, -depth};
    c[3] = {left - kHalfWidth, j, depth};
  }
}

void build_shade_table(ShadeTable& table) {
  for (int l = 0; l < 64; l++)
    for (int v = 0; v < 256; v++) table.level[l][v] = static_cast<uint8_t>((l * v) >> 6);
}

bool silhouette_open(SilhouetteScene& s) {
  if (!s.memory.take_each(s.late_texture, kFramePixels, s.title, kFramePixels, s.second_texture, kFramePixels,
                          s.frame, kFramePixels, s.indices, kFramePixels, s.mask, kFramePixels))
    return false;
  uint8_t palette[768];
  load_picture(PIC_SILHOUETTE_MASK, s.mask, kFramePixels, palette);
  load_picture(PIC_SECOND_SILHOUETTE, s.indices, kFramePixels, palette);
  build_slab_shape(s.first, s.mask, 40);
  s.rest = s.first;
  build_slab_shape(s.second, s.indices, 30);
  indexed_to_rgb32(s.second_texture, s.indices, palette, kFramePixels);
  load_picture(PIC_LATE_TEXTURE, s.indices, kFramePixels, palette);
  indexed_to_rgb32(s.late_texture, s.indices, palette, kFramePixels);
  load_picture(PIC_TITLE, s.indices, kFramePixels, palette);
  indexed_to_rgb32(s.title, s.indices, palette, kFramePixels);
  build_shade_table(s.shade);
  std::memcpy(s.frame, s.title, kFrameBytes);
  s.turned = s.rest;
  std::memset(s.row_angle, 0, sizeof s.row_angle);
  s.wobble = s.twist = s.wave = 0.0;
  return true;
}

void silhouette_close(SilhouetteScene& s) { s.memory.release(); }

void silhouette_sink_surroundings(SilhouetteScene& s) {
  for (int i = 0; i < 4000; i++) {
    int pos = show_random() % kFramePixels;
    if (s.mask[pos] == 0) s.frame[pos] = half_brightness(s.title[pos]);
  }
}

void silhouette_dim_title(SilhouetteScene& s) {
  for (int i = 0; i < kFramePixels; i++) s.frame[i] = half_brightness(s.title[i]);
}

void silhouette_turn_rows(SilhouetteScene& s, int32_t n) {
  if (n == 600) return;  // the rest between the turn and the morph keeps its shape
  if (n >= 1024) {
    twist_rows(s, n);
    return;
  }
  for (int j = 0; j < kSlabRows; j++) turn_row(s, j);
  int32_t angle = n <= 512 ? (2 * n) & 1023 : n <= 599 ? 0 : (2 * n - 1200) & 1023;
  for (int32_t& a : s.row_angle) a = angle;
}

void silhouette_draw_slabs(SilhouetteScene& s, int32_t n) {
  int first_row = n >= 2800 ? std::clamp(n - 2800, 0, kSlabRows) : 0;
  for (int j = first_row; j < kSlabRows; j++) draw_row(s, n, j);
}

int32_t morph_weight(int32_t n) { return (255 * (1023 - n)) / 424; }

void silhouette_morph(SilhouetteScene& s, int32_t n) {
  if (n < 601 || n > 1023) return;
  int32_t w = morph_weight(n);
  for (int j = 0; j < kSlabRows; j++)
    for (int k = 0; k < 4; k++) {
      const SlabCorner& a = s.first.row[j][k];
      const SlabCorner& b = s.second.row[j][k];
      s.rest.row[j][k] = {b.x + (((a.x - b.x) * w) >> 8), b.y + (((a.y - b.y) * w) >> 8),
                          b.z + (((a.z - b.z) * w) >> 8)};
    }
}

void silhouette_solid_frame(SilhouetteScene& s, int32_t n) {
  silhouette_turn_rows(s, n);
  silhouette_draw_slabs(s, n);
  silhouette_morph(s, n);
}

void silhouette_dissolve(SilhouetteScene& s, int32_t k) {
  for (int i = 0; i < kFramePixels; i++)
    if (static_cast<int32_t>(s.indices[i]) < k) s.frame[i] = half_brightness(s.frame[i]);
}

void draw_slab_span(uint32_t* frame_row, const uint32_t* texture_row, int32_t x1, int32_t x2, int32_t u0,
                    int32_t u1, const uint8_t* shade) {
  int32_t length = x2 - x1;
  int32_t step = ((u1 - u0) * 65536) / length;
  int32_t start = x1 + kHalfWidth;  // frame column of the span's first pixel
  int32_t first = std::max(0, -start);
  int32_t end = std::min(length, kFrameWidth - start);
  int32_t acc = first * step;
  for (int32_t i = first; i < end; i++) {
    acc += step;
    // A side face of a slab that reaches the right edge ends at column 320.
    int32_t u = std::clamp(u0 + (acc >> 16), 0, kFrameWidth - 1);
    uint32_t t = texture_row[u];
    uint32_t& p = frame_row[start + i];
    p = (p & 0xFF000000u) | shade[t & 255] | static_cast<uint32_t>(shade[(t >> 8) & 255]) << 8 |
        static_cast<uint32_t>(shade[(t >> 16) & 255]) << 16;
  }
}

int scene_twisting_silhouette() {
  SilhouetteScene s{};
  if (!silhouette_open(s)) return kSceneNoMemory;
  if (title_phase(s) && solid_phase(s)) dissolve_phase(s);
  silhouette_close(s);
  return scene_closing_poll();
}
