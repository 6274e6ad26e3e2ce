// Whirl, object ring and greetings, the fifth scene (until show tick 13,121).
#include "scenes/whirl_greetings.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "base/clock.h"
#include "base/trig.h"
#include "display/display.h"
#include "engine3d/frame_blend.h"
#include "engine3d/maths.h"
#include "engine3d/raster.h"
#include "engine3d/texture.h"
#include "scenes/scenes.h"

const RingShape kWhirlRingShape = {kWhirlObjects, 0, 0.05, 17000.0, 17000.0, 3700.0, 1.2566370614359172};

namespace {

constexpr size_t kBufferBytes = 280000;
constexpr int kWhirlSourcePixels = 64000;
constexpr int kWhirlPictureBytes = 256 * 256;
constexpr double kStartPhase = 510.0;
constexpr double kPhaseStep = 0.01;
// 255 / 2 pi: angle steps 0 to 255 over one turn.
constexpr double kAngleScale = 40.58451048843331;
// A radius step is a third of a source pixel; one turn is 256 angle steps.
constexpr PolarGrid kGrid = {0.3333333333333333, 0.01227184630308513, 128.0, 128.0, 256};
constexpr int kHalvingShift = 3;
constexpr int kQuarteringShift = 4;
constexpr PictureRole kTextures[3] = {PIC_TEXTURE_0, PIC_TEXTURE_1, PIC_TEXTURE_2};
constexpr int32_t kOpeningLife = 120;
constexpr int32_t kTextLife = 80;
constexpr int32_t kFadeOutSteps = 30;
constexpr int kFontCells = 10;  // glyphs per font row
constexpr uint8_t kFirstGlyph = 32, kLastGlyph = 90;

bool take_buffers(WhirlGreetings* s) {
  SceneMemory& m = s->memory;
  for (uint32_t*& t : s->texture) t = m.take<uint32_t>(kBufferBytes / 4);
  s->whirl_source = m.take<uint32_t>(kBufferBytes / 4);
  s->work = m.take<uint32_t>(kBufferBytes / 4);
  s->threshold = m.take<uint8_t>(kFramePixels);
  s->maps = m.take<PolarMaps>(1);
  s->lookup = m.take<int32_t>(kPolarSteps * kPolarSteps);
  s->font = m.take<uint8_t>(kFramePixels);
  return !m.failed;
}

// False when a texture cannot be loaded (memory ran out).
bool load_textures(WhirlGreetings* s) {
  for (int n = 0; n < 3; n++) {
    LoadedTexture t;
    if (!t.load(kTextures[n], s->palette)) return false;
    palette_to_rgb32(t.texels(), s->palette, texels32(s->texture[n]), 65536, kQuarteringShift);
  }
  return true;
}

// The view rocks upside down: a roll of 992 to 1,056 in 1/2048 turn.
int32_t camera_roll(uint32_t t) { return 1056 - (std::abs(static_cast<int32_t>(t % 1024) - 512) >> 3); }

void aim_camera(World& w, uint32_t t) {
  constexpr double pi = std::numbers::pi;
  int32_t roll = camera_roll(t);
  w.roll = roll;
  w.eye_x = static_cast<int32_t>(trig_sin(2 * pi * t * 0.0009765625) * 3970);
  w.eye_y = static_cast<int32_t>(trig_cos(t * (pi / 1024)) * trig_sin(t * (pi / 1024)) * 1280);
  w.eye_z = static_cast<int32_t>(trig_cos(t * 0.009203884727313847) * trig_sin(2 * pi * t * 0.0009765625) * 7970);
  Point3 ahead = {0, 0, 65535}, view;
  rotate_points(1, &ahead, &view, 2, static_cast<int32_t>(t >> 2), roll);
  w.target_x = w.eye_x + view.x;
  w.target_y = w.eye_y + view.y;
  w.target_z = w.eye_z + view.z;
}

void whirl_turn(Object3D* o, uint32_t t) {
  o->angle_z = static_cast<int32_t>((t >> 1) % 1024);
  o->angle_y = spin_angle(o->position_y >> 13, t);
  o->angle_x = spin_angle(o->position_x >> 12, t);
}

void new_jitter(Greetings* g) {
  for (int i = 0; i < kJitterPairs; i++) {
    g->dx[i] = static_cast<uint8_t>(greet_random(g) % 5);
    g->dy[i] = static_cast<uint8_t>(greet_random(g) % 5);
  }
}

}  // namespace

void make_text_colours(uint32_t* colours) {
  int r = 217, g = 40, b = 120;
  for (int i = 9; i >= 0; i--) {
    colours[i] = static_cast<uint32_t>(r << 16 | g << 8 | b);
    r = static_cast<int>(r * 0.9);
    g = static_cast<int>(g * 0.9);
    b = static_cast<int>(b * 0.9);
  }
}

void init_whirl_tables(WhirlGreetings* s) {
  fill_frame_map(s->maps->radius, [](int x, int y) {
    double xs = x * kSqueezeX;
    uint8_t r = truncated_byte(std::sqrt(xs * xs + y * y));
    return truncated_byte(r * (1 - 0.25 * trig_sin(0.02 * x + 0.02 * y)));
  });
  fill_frame_map(s->maps->angle, [](int x, int y) { return polar_angle(x * kSqueezeX, y, kAngleScale); });
  fill_polar_lookup(s->lookup, kGrid);
  s->phase = kStartPhase;
}

void render_whirl(WhirlGreetings* s) {
  double P = s->phase;
  int shift = static_cast<int>(trig_sin(P) * 20 + 256);
  const uint32_t* source = s->whirl_source + shift;
  for (int m = 0; m < kFramePixels; m++) s->work[m] = source[warped_offset(*s->maps, s->warp, s->lookup, m)];
  // b and c are stepped, not multiplied, and the tables follow their rounding.
  double b = 35, c = 0;
  for (int n = 0; n < kPolarSteps; n++) {
    s->warp.angle_shift[n] = truncated_byte(P + b * trig_sin(P + 2 * c) + 128);
    s->warp.radius_shift[n] = truncated_byte(3 * trig_sin(P - c + 2 * b) * (7 + 7 * trig_cos(3 * c - 5 * P)) - 210);
    b -= 0.1;
    c += 0.02;
  }
  s->phase = P + kPhaseStep;
}

int greet_random(Greetings* g) {
  // The classic portable generator, seeded 1 like an unseeded rand().
  g->random = g->random * 1103515245u + 12345u;
  return static_cast<int>((g->random / 65536) % 32768);
}

void greet_start(Greetings* g, int32_t x, int32_t y, const char* text, int32_t life) {
  new_jitter(g);
  g->x = x;
  g->y = y;
  g->text = text;
  g->life = life;
}

void greet_tick(Greetings* g) {
  if (g->life % 6 == 0) new_jitter(g);
  if (g->life > kFadeOutSteps) {
    if (g->fade < kFadeLevels) g->fade++;
    g->life--;
  }
  if (g->life >= 1 && g->life <= kFadeOutSteps) {
    if (g->fade > 0) g->fade--;
    g->life--;
  }
  if (g->life == 0) {
    // An "e" that was never drawn (a frame longer than a whole text) would
    // leave the list: it starts again instead.
    if (++g->index >= kGreetingCount) g->index = 0;
    int32_t y = 30 + greet_random(g) % 50;
    greet_start(g, 0, y, kGreetings[g->index], kTextLife);
  }
}

void draw_glyph(uint8_t c, int32_t column, int32_t row, uint32_t colour, const uint8_t* font, uint32_t* frame) {
  if (c < kFirstGlyph || c > kLastGlyph) return;  // the font has no cell for it
  int g = c - kFirstGlyph;
  const uint8_t* cell = font + kGlyphSize * (g / kFontCells) * kFrameWidth + kGlyphSize * (g % kFontCells);
  int64_t start = static_cast<int64_t>(row) * kFrameWidth + column;
  for (int y = 0; y < kGlyphSize; y++)
    for (int x = 0; x < kGlyphSize; x++) {
      if (cell[y * kFrameWidth + x] != kFontGlyphIndex) continue;
      int64_t p = start + y * kFrameWidth + x;
      if (p >= 0 && p < kFramePixels) frame[p] = colour;
    }
}

void greet_draw(Greetings* g, const uint32_t* colours, const uint8_t* font, uint32_t* frame) {
  if (g->fade <= 0) return;
  int32_t column = g->x, row = g->y;
  for (int i = 0; g->text[i]; i++) {
    char c = g->text[i];
    if (c == '\n') {
      row += kGlyphSize;
      column = g->x;
    } else if (c == 'e') {
      g->index = -1;
    } else {
      int j = i % kJitterPairs;
      draw_glyph(static_cast<uint8_t>(c), column + g->dx[j], row + g->dy[j], colours[g->fade / 3], font, frame);
    }
    column += kGlyphSize;
  }
}

SceneSetUp whirl_greetings_open(WhirlGreetings* s) {
  if (!take_buffers(s)) return kSetUpNoMemory;
  uint8_t* indices = reinterpret_cast<uint8_t*>(s->work);
  load_picture(PIC_FADE_THRESHOLD, s->threshold, kFramePixels, s->palette);
  load_picture(PIC_RING_TEXTURE, indices, kWhirlPictureBytes, s->palette);
  palette_to_rgb32(indices, s->palette, s->whirl_source, kWhirlSourcePixels, kHalvingShift);
  init_whirl_tables(s);
  viewport_set(kFrameWidth, kFrameHeight, 32);
  if (!s->world.open() || !load_textures(s)) return kSetUpNoMemory;
  make_text_colours(s->text_colour);
  load_picture(PIC_FONT, s->font, kFramePixels, s->palette);
  const Blob models[3] = {model_data(MODEL_A), model_data(MODEL_C), model_data(MODEL_B)};
  const SceneSetUp built = ring_build(&s->world.world, kWhirlRingShape, models, 3);
  if (built != kSetUpDone) return built;
  World& w = s->world.world;
  world_rewind(&w);
  int j = 0;
  for (Object3D* o = world_next(&w); o; o = world_next(&w), j++) {
    o->render_flags = j % 2 ? kModeEnvironment : kModeTexture;
    o->texture1 = o->texture2 = s->texture[(4 * j) % 3];
  }
  s->render = s->memory.take<uint32_t>(kFramePixels);
  s->frame = s->memory.take<uint32_t>(kFramePixels);
  if (s->memory.failed) return kSetUpNoMemory;
  render_target_set(s->render);
  s->greet.random = 1;
  greet_start(&s->greet, 40, 50, kGreetings[0], kOpeningLife);
  fade_table_init();
  return kSetUpDone;
}

void whirl_draw_objects(WhirlGreetings* s, uint32_t t) {
  aim_camera(s->world.world, t);
  render_target_set(s->render);
  draw_ring(&s->world.world, t, whirl_turn, true);
}

void whirl_compose(WhirlGreetings* s) {
  frame_fade_add(s->work, s->render, s->frame, kTrailPixels);
  greet_draw(&s->greet, s->text_colour, s->font, s->frame);
}

void threshold_fade(WhirlGreetings* s, int32_t m) {
  for (int i = 0; i < kFramePixels; i++)
    if (s->threshold[i] > m) s->frame[i] = 0;
}

int scene_whirl_greetings() {
  WhirlGreetings s{};
  const SceneSetUp set_up = whirl_greetings_open(&s);
  if (set_up != kSetUpDone) return set_up_failed(set_up);
  for (;;) {
    uint32_t start = show_ticks();
    if (!frame_goes_on(kWhirlGreetingsLimit)) break;
    uint32_t t = show_ticks();
    whirl_draw_objects(&s, t);
    // The text takes one step per tick spent so far in this frame, so it
    // runs slower than the clock.
    for (uint32_t n = show_ticks() - start; n > 0; n--) greet_tick(&s.greet);
    render_whirl(&s);
    whirl_compose(&s);
    if (kFadeEnd - static_cast<int64_t>(show_ticks()) <= 254) {
      int64_t m = kFadeEnd - static_cast<int64_t>(show_ticks());
      threshold_fade(&s, m < 0 ? 0 : static_cast<int32_t>(m));
    }
    display_present(s.frame);
  }
  std::memset(s.frame, 0, kFrameBytes);
  display_present(s.frame);
  s.world.release();
  s.memory.release();
  return scene_closing_poll();
}
