// The four models as the engine will read them: counts, a closed surface,
// coordinates in range, texture coordinates that wrap without a seam, and a
// winding that makes the renderer keep exactly the faces turned to the eye.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "data/content.h"

namespace {

struct Model {
  int vertices = 0, faces = 0;
  std::vector<int> xyz;     // 3 per vertex
  std::vector<int> index;   // 3 per face, in stored order
  std::vector<int> uv;      // 2 per vertex
  bool ok = false;
};

int s16(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }
int u16(const uint8_t* p) { return p[0] | p[1] << 8; }

Model read_model(ModelId id) {
  Model m;
  Blob blob = model_data(id);
  if (!blob.data || blob.size < 4) return m;
  m.vertices = s16(blob.data);
  m.faces = s16(blob.data + 2);
  size_t need = 4 + 6 * static_cast<size_t>(m.vertices) + 6 * static_cast<size_t>(m.faces) + 2 * static_cast<size_t>(m.vertices);
  if (blob.size != need) return m;
  const uint8_t* p = blob.data + 4;
  for (int i = 0; i < 3 * m.vertices; i++, p += 2) m.xyz.push_back(s16(p));
  for (int i = 0; i < 3 * m.faces; i++, p += 2) m.index.push_back(u16(p));
  for (int i = 0; i < 2 * m.vertices; i++, p++) m.uv.push_back(*p);
  m.ok = true;
  return m;
}

class EveryModel : public ::testing::TestWithParam<int> {
 protected:
  Model model() const { return read_model(static_cast<ModelId>(GetParam())); }
};

TEST_P(EveryModel, HasItsCountsAndNoTrailingBytes) {
  const int expected[4][2] = {{130, 256}, {202, 400}, {128, 256}, {202, 400}};
  Model m = model();
  ASSERT_TRUE(m.ok) << "size must be exactly counts, vertices, faces and texture coordinates";
  EXPECT_EQ(m.vertices, expected[GetParam()][0]);
  EXPECT_EQ(m.faces, expected[GetParam()][1]);
}

TEST_P(EveryModel, IsAClosedConsistentlyWoundSurface) {
  Model m = model();
  ASSERT_TRUE(m.ok);
  std::map<std::pair<int, int>, int> directed;
  std::vector<int> used(m.vertices, 0);
  for (int f = 0; f < m.faces; f++)
    for (int e = 0; e < 3; e++) {
      int a = m.index[f * 3 + e], b = m.index[f * 3 + (e + 1) % 3];
      ASSERT_LT(a, m.vertices);
      EXPECT_NE(a, b) << "face " << f << " repeats a vertex";
      directed[{a, b}]++;
      used[a]++;
    }
  for (const auto& [edge, count] : directed) {
    EXPECT_EQ(count, 1) << "edge " << edge.first << "-" << edge.second << " used twice the same way";
    auto reverse = directed.find({edge.second, edge.first});
    EXPECT_TRUE(reverse != directed.end() && reverse->second == 1)
        << "edge " << edge.first << "-" << edge.second << " has no partner face";
  }
  for (int v = 0; v < m.vertices; v++) EXPECT_GT(used[v], 0) << "vertex " << v << " belongs to no face";
}

TEST_P(EveryModel, StaysInTheEnginesCoordinateRange) {
  Model m = model();
  ASSERT_TRUE(m.ok);
  int lo = 0, hi = 0;
  for (int v = 0; v < m.vertices; v++) {
    long long r2 = 0;
    for (int k = 0; k < 3; k++) {
      int c = m.xyz[v * 3 + k];
      lo = std::min(lo, c);
      hi = std::max(hi, c);
      r2 += static_cast<long long>(c) * c;
    }
    EXPECT_LT(r2, 1LL << 31) << "vertex " << v;
  }
  EXPECT_GE(lo, -3500);
  EXPECT_LE(hi, 3300);
  EXPECT_GE(hi - lo, 4000) << "the scenes were tuned for models a few thousand units across";
}

// Affine interpolation runs straight from one corner's u to another's: a
// face that spans more than half the texture would show it squeezed.
TEST_P(EveryModel, TextureCoordinatesWrapWithoutASeam) {
  Model m = model();
  ASSERT_TRUE(m.ok);
  std::vector<int> us, vs;
  for (int f = 0; f < m.faces; f++)
    for (int k = 0; k < 2; k++) {
      int lo = 255, hi = 0;
      for (int e = 0; e < 3; e++) {
        int c = m.uv[m.index[f * 3 + e] * 2 + k];
        lo = std::min(lo, c);
        hi = std::max(hi, c);
      }
      EXPECT_LE(hi - lo, 128) << "face " << f << (k ? " v" : " u");
    }
  int u_lo = 255, u_hi = 0;
  for (int v = 0; v < m.vertices; v++) {
    u_lo = std::min(u_lo, m.uv[v * 2]);
    u_hi = std::max(u_hi, m.uv[v * 2]);
  }
  EXPECT_EQ(u_hi - u_lo, 255) << "the texture is used across its whole width";
}

// The engine's path for one object: turn it (angles in 1/1024 turn, the
// engine's matrix), view it from eye (0, 0, 8000) looking at the origin,
// project to 320x200 and cull with its screen test on the loader's order
// (first and third index swapped). The faces it keeps must be the ones whose
// outside faces the eye: anything else would draw the model inside out.
TEST_P(EveryModel, RendererKeepsExactlyTheFacesTurnedToTheEye) {
  Model m = model();
  ASSERT_TRUE(m.ok);
  const double k = 3.14159265358979323846 / 512;
  const int angles[][3] = {{0, 0, 0}, {100, 200, 300}, {256, 0, 0}, {700, 900, 50}, {512, 333, 777}};
  for (const auto& a : angles) {
    double sA = std::sin(a[0] * k), cA = std::cos(a[0] * k), sB = std::sin(a[1] * k), cB = std::cos(a[1] * k);
    double sC = std::sin(a[2] * k), cC = std::cos(a[2] * k);
    const double r[9] = {cB * cC - sA * sB * sC, cA * sC, -sB * cC - sA * cB * sC,
                         -cB * sC - sA * sB * cC, cA * cC, sB * sC - sA * cB * cC,
                         cA * sB, sA, cA * cB};
    std::vector<double> view(m.vertices * 3);
    std::vector<int> sx(m.vertices), sy(m.vertices);
    std::vector<double> fx(m.vertices), fy(m.vertices);
    for (int v = 0; v < m.vertices; v++) {
      const int* p = &m.xyz[v * 3];
      int x = static_cast<int>(r[0] * p[0] + r[1] * p[1] + r[2] * p[2]);
      int y = static_cast<int>(r[3] * p[0] + r[4] * p[1] + r[5] * p[2]);
      int z = static_cast<int>(r[6] * p[0] + r[7] * p[1] + r[8] * p[2]) - 8000;
      view[v * 3] = x, view[v * 3 + 1] = y, view[v * 3 + 2] = z;
      int d = std::max(1, -z);
      sx[v] = 160 + 480 * x / d;
      sy[v] = 100 - 400 * y / d;
      fx[v] = 480.0 * x / d;
      fy[v] = -400.0 * y / d;
    }
    int disagreements = 0, kept = 0;
    for (int f = 0; f < m.faces; f++) {
      int pa = m.index[f * 3 + 2], pb = m.index[f * 3 + 1], pc = m.index[f * 3];  // loader's order
      long long lhs = static_cast<long long>(sy[pb] - sy[pa]) * (sx[pc] - sx[pb]);
      long long rhs = static_cast<long long>(sy[pc] - sy[pb]) * (sx[pb] - sx[pa]);
      bool keeps = lhs <= rhs;
      // Outward normal from the stored order, and the direction to the eye.
      const double* p0 = &view[m.index[f * 3] * 3];
      const double* p1 = &view[m.index[f * 3 + 1] * 3];
      const double* p2 = &view[m.index[f * 3 + 2] * 3];
      double e1[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
      double e2[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
      double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
      double to_eye[3] = {-p0[0], -p0[1], -p0[2]};
      double facing = n[0] * to_eye[0] + n[1] * to_eye[1] + n[2] * to_eye[2];
      kept += keeps;
      // Faces so thin on screen that whole-pixel corners can turn them over:
      // rounding every corner by up to a pixel moves the doubled area by up
      // to about twice the edges' lengths.
      double ux = fx[pb] - fx[pa], uy = fy[pb] - fy[pa], vx = fx[pc] - fx[pa], vy = fy[pc] - fy[pa];
      double area = ux * vy - uy * vx;
      double slack = 2 * (std::fabs(ux) + std::fabs(uy) + std::fabs(vx) + std::fabs(vy)) + 4;
      if (std::fabs(area) < slack) continue;
      disagreements += keeps != (facing > 0);
    }
    EXPECT_EQ(disagreements, 0) << "angles " << a[0] << "," << a[1] << "," << a[2];
    EXPECT_GT(kept, m.faces / 4);
    EXPECT_LT(kept, m.faces * 3 / 4);
  }
}

// A closed surface wound outward in stored order encloses a positive volume.
TEST_P(EveryModel, StoredOrderWindsOutward) {
  Model m = model();
  ASSERT_TRUE(m.ok);
  double volume = 0;
  for (int f = 0; f < m.faces; f++) {
    const int* a = &m.xyz[m.index[f * 3] * 3];
    const int* b = &m.xyz[m.index[f * 3 + 1] * 3];
    const int* c = &m.xyz[m.index[f * 3 + 2] * 3];
    volume += (a[0] * (static_cast<double>(b[1]) * c[2] - static_cast<double>(b[2]) * c[1]) -
               a[1] * (static_cast<double>(b[0]) * c[2] - static_cast<double>(b[2]) * c[0]) +
               a[2] * (static_cast<double>(b[0]) * c[1] - static_cast<double>(b[1]) * c[0])) / 6;
  }
  EXPECT_GT(volume, 1e9);
}

INSTANTIATE_TEST_SUITE_P(Models, EveryModel, ::testing::Range(0, static_cast<int>(MODEL_COUNT)),
                         [](const ::testing::TestParamInfo<int>& info) { return std::string(1, static_cast<char>('A' + info.param)); });

TEST(Models, TheReplayedModelIsNotTheRingModel) {
  Blob b = model_data(MODEL_B), d = model_data(MODEL_D);
  ASSERT_TRUE(b.data && d.data);
  EXPECT_FALSE(b.size == d.size && std::equal(b.data, b.data + b.size, d.data));
  EXPECT_EQ(model_data(MODEL_COUNT).data, nullptr);
}

}  // namespace
