// The front end's costs: transform, projection and culling of a 400-face
// model, and a whole frame of the ring of ten environment-mapped objects at
// 320x200x32 with the fade-add, beside the tunnel scene's frame routine on
// the same machine (the ring should cost at most three tunnel frames).
// With TUNDRIX_ENGINE_MODELS=FILE.ppm set, one more benchmark draws the
// contact sheet of the four embedded models in every render mode into FILE:
// a row per model; depth-8 modes 1, 2, 4, 6, 8, 12 through a grey palette,
// then depth-32 modes 4, 8, 36 and 68 (the last two with a depth buffer).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "data/content.h"
#include "engine3d/faces.h"
#include "engine3d/frame_blend.h"
#include "engine3d/texture.h"
#include "engine3d/world.h"
#include "scenes/tunnel.h"

namespace {

// A 32-bit Texture256 of smooth colour bands, for the environment map.
std::vector<uint8_t> make_texture(int bytes_per_texel) {
  std::vector<uint8_t> buffer(kTextureAlignment + kTextureTexels * bytes_per_texel);
  auto* origin = const_cast<uint8_t*>(static_cast<const uint8_t*>(texture_origin(buffer.data())));
  for (int v = 0; v < 256; v++)
    for (int u = 0; u < 256; u++) {
      const int i = v * 256 + u;
      if (bytes_per_texel == 1) {
        origin[i] = static_cast<uint8_t>(((u >> 3) ^ (v >> 3)) & 1 ? 200 : 90);
      } else {
        reinterpret_cast<uint32_t*>(origin)[i] = static_cast<uint32_t>((u / 2) << 16 | (v / 2) << 8 | 40);
      }
    }
  return buffer;
}

Object3D* load_model(ModelId id) {
  const Blob b = model_data(id);
  Object3D* o = object_from_data(b.data, b.size, nullptr, true);
  if (!o || object_build_normals(o) != 0) std::abort();
  return o;
}

void BM_TransformProjectCull400(benchmark::State& state) {
  engine_reset();
  World w;
  world_init(&w);
  w.eye_z = 8000;
  w.target_x = 0;
  Object3D* o = load_model(MODEL_B);
  world_add(&w, o);
  o->render_flags = kModeEnvironment;
  int angle = 0;
  for (auto _ : state) {
    o->angle_x = angle++, o->angle_y = angle * 3;
    world_cull_and_sort(&w);
    object_rotate(o);
    object_place_and_project(&w, o);
    benchmark::DoNotOptimize(faces_cull_and_key(o));
  }
  state.SetItemsProcessed(state.iterations() * o->face_count);
  world_destroy_objects(&w);
  world_release(&w);
}
BENCHMARK(BM_TransformProjectCull400);

// The ring of ten as the fourth scene lays it out, spinning per frame.
struct Ring {
  World w;
  std::vector<uint8_t> texture = make_texture(4);
  std::vector<uint32_t> render = std::vector<uint32_t>(320 * 200), background = std::vector<uint32_t>(320 * 200, 0x00101010),
                        display = std::vector<uint32_t>(320 * 400);
  Ring() {
    engine_reset();
    world_init(&w);
    w.eye_z = 8000;
    for (int k = 1; k <= 10; k++) {
      Object3D* o = load_model(k % 2 ? MODEL_A : MODEL_B);
      world_add(&w, o);
      const double a = 2 * M_PI * 0.1 * k;
      o->position_x = static_cast<int32_t>(std::sin(a) * 13076.923076923076);
      o->position_y = static_cast<int32_t>(std::cos(k * 2.5132741228718345) * 769.2307692307692);
      o->position_z = static_cast<int32_t>(std::cos(a) * 20769.230769230766);
      o->render_flags = kModeEnvironment;
      o->texture1 = o->texture2 = texture.data();
    }
    viewport_set(320, 200, 32);
    render_target_set(render.data());
    fade_table_init();
  }
  ~Ring() {
    world_destroy_objects(&w);
    world_release(&w);
    engine_reset();
  }
  // As the scene draws it: the camera turns about the ring, and every
  // object goes through the pipeline whatever its depth.
  void frame(int tick) {
    w.target_x = static_cast<int32_t>(14096 * std::cos(tick * M_PI / 512));
    w.target_y = static_cast<int32_t>(1096 * std::cos(tick * M_PI / 1024));
    w.target_z = static_cast<int32_t>(-8000 + 14096 * std::sin(tick * M_PI / 512));
    world_cull_and_sort(&w);
    world_rewind(&w);
    while (Object3D* o = world_next(&w)) {
      o->angle_x = tick * (o->position_x >> 13), o->angle_y = tick * (o->position_z >> 13);
      object_rotate(o);
      object_place_and_project(&w, o);
      object_draw(o);
    }
    frame_fade_add(background.data(), render.data(), display.data() + 320 * 20, 63680);
  }
};

void BM_RingFrame(benchmark::State& state) {
  Ring ring;
  int tick = 0;
  for (auto _ : state) ring.frame(tick++);
}
BENCHMARK(BM_RingFrame)->Unit(benchmark::kMicrosecond);

void BM_TunnelFrame(benchmark::State& state) {
  TunnelScene s{};
  if (!tunnel_open(s)) std::abort();
  uint32_t e = 0;
  for (auto _ : state) {
    tunnel_build_bands(s, e += 3);
    tunnel_map_frame(s);
    benchmark::DoNotOptimize(s.frame[1000]);
  }
  tunnel_close(s);
}
BENCHMARK(BM_TunnelFrame)->Unit(benchmark::kMicrosecond);

constexpr int kCellW = 160, kCellH = 100;
struct SheetColumn {
  int32_t mode, depth;
  bool depth_buffer;
};
constexpr SheetColumn kColumns[] = {{1, 8, false},  {2, 8, false}, {4, 8, false},  {6, 8, false},  {8, 8, false},
                                    {12, 8, false}, {4, 32, false}, {8, 32, false}, {36, 32, true}, {68, 32, true}};
constexpr int kColumnCount = sizeof kColumns / sizeof kColumns[0];

// One model in one mode, into a kCellW x kCellH cell of the sheet (RGB).
void draw_cell(std::vector<uint8_t>& sheet, int row, int column, ModelId id, const std::vector<uint8_t>& t8,
               const std::vector<uint8_t>& t32) {
  const SheetColumn& c = kColumns[column];
  World w;
  world_init(&w);
  w.eye_z = 15000;  // the whole model inside the cell
  w.target_x = 0;
  Object3D* o = load_model(id);
  world_add(&w, o);
  o->angle_x = 150, o->angle_y = 90, o->angle_z = 40;
  o->render_flags = c.mode;
  o->texture1 = o->texture2 = c.depth == 8 ? t8.data() : t32.data();
  viewport_set(kCellW, kCellH, c.depth);
  depth_buffer_alloc(c.depth_buffer);
  std::vector<uint32_t> pixels(kCellW * kCellH, 0);
  render_target_set(pixels.data());
  world_draw(&w);
  const auto* bytes = reinterpret_cast<const uint8_t*>(pixels.data());
  for (int y = 0; y < kCellH; y++)
    for (int x = 0; x < kCellW; x++) {
      const int i = y * kCellW + x;
      uint8_t* out = &sheet[3 * ((row * kCellH + y) * kCellW * kColumnCount + column * kCellW + x)];
      if (c.depth == 8) {
        out[0] = out[1] = out[2] = bytes[i];  // the grey palette
      } else {
        out[0] = static_cast<uint8_t>(pixels[i] >> 16), out[1] = static_cast<uint8_t>(pixels[i] >> 8),
        out[2] = static_cast<uint8_t>(pixels[i]);
      }
    }
  depth_buffer_alloc(false);
  world_destroy_objects(&w);
  world_release(&w);
}

void BM_EngineModelsSheet(benchmark::State& state, const char* path) {
  const std::vector<uint8_t> t8 = make_texture(1), t32 = make_texture(4);
  std::vector<uint8_t> sheet(3 * kCellW * kColumnCount * kCellH * MODEL_COUNT);
  for (auto _ : state) {
    engine_reset();
    for (int m = 0; m < MODEL_COUNT; m++)
      for (int c = 0; c < kColumnCount; c++) draw_cell(sheet, m, c, static_cast<ModelId>(m), t8, t32);
  }
  FILE* f = std::fopen(path, "wb");
  if (!f) return state.SkipWithError("cannot write the sheet");
  std::fprintf(f, "P6\n%d %d\n255\n", kCellW * kColumnCount, kCellH * MODEL_COUNT);
  std::fwrite(sheet.data(), 1, sheet.size(), f);
  std::fclose(f);
}

const int sheet_registered = [] {
  if (const char* path = std::getenv("TUNDRIX_ENGINE_MODELS"))
    benchmark::RegisterBenchmark("BM_EngineModelsSheet", BM_EngineModelsSheet, path)->Iterations(1);
  return 0;
}();

}  // namespace
