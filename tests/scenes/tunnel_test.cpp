// The tunnel of picture bands: its angle, table and bands, and the whole
// scene on a fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "display/display.h"
#include "scenes/scenes.h"
#include "scenes/tunnel.h"
#include "tests/support/scene_run.h"

namespace {

TEST(TunnelAngle, AxesAndQuadrants) {
  EXPECT_EQ(tunnel_angle(0, 5, 256), 192);  // straight down
  EXPECT_EQ(tunnel_angle(0, -5, 256), 64);  // straight up
  EXPECT_EQ(tunnel_angle(0, 0, 256), 64);
  EXPECT_EQ(tunnel_angle(7, 0, 256), 0);
  EXPECT_EQ(tunnel_angle(-7, 0, 256), 128);
  // The factor 0.15915494307111402 is a hair below 1/2 pi: 45 degrees are
  // 31.99999999 steps and truncate to 31.
  EXPECT_EQ(tunnel_angle(10, -10, 256), 31);
  EXPECT_EQ(tunnel_angle(-10, -10, 256), 97);
  EXPECT_EQ(tunnel_angle(-10, 10, 256), 159);
  EXPECT_EQ(tunnel_angle(10, 10, 256), 225);
  // atan(1/2) is 0.4636 rad: 18.89 steps of 256.
  EXPECT_EQ(tunnel_angle(20, -10, 256), 18);
  EXPECT_EQ(tunnel_angle(-20, 10, 256), 146);
  EXPECT_EQ(tunnel_angle(100, 1, 256), 256);  // just below +x: full, wrapped by the table
  EXPECT_EQ(tunnel_angle(0, 3, 1024), 768);
}

TEST(TunnelTable, ByteOffsetsOfDepthAndAngle) {
  std::vector<uint32_t> table(kFramePixels);
  build_tunnel_table(table.data(), kTunnelSqueeze);
  auto at = [&](int column, int row) { return table[320 * row + column]; };
  EXPECT_EQ(at(160, 100), (0 + 256 * 64) * 4u);  // the centre: row 64, column 0
  EXPECT_EQ(at(161, 100), (16 + 256 * 0) * 4u);  // sqrt(1 / 3.3) * 30 = 16.5
  EXPECT_EQ(at(160, 101), (16 + 256 * 192) * 4u);
  EXPECT_EQ(at(0, 0), (226 + 256 * 106) * 4u);  // the corners are the deepest, 226
  EXPECT_EQ(at(319, 0), (226 + 256 * 22) * 4u);
  EXPECT_EQ(at(0, 199), (226 + 256 * 150) * 4u);
  EXPECT_EQ(at(319, 199), (226 + 256 * 234) * 4u);
  EXPECT_EQ(at(250, 150), (167 + 256 * 236) * 4u);
  EXPECT_EQ(at(300, 101), 195 * 4u);  // angle 256 wraps to row 0
  for (uint32_t entry : table) ASSERT_LT(entry, 65536u * 4u);
}

TEST(PictureBands, PlacementFollowsXAndA) {
  PictureBand b = picture_band(0.0, 0);
  EXPECT_EQ(b.count, 115);
  EXPECT_EQ(b.row, 100);
  EXPECT_EQ(b.column, 10);
  b = picture_band(1.1 * 7.0, 1440);  // band 1 at e = 1,000
  EXPECT_EQ(b.count, 112);
  EXPECT_EQ(b.row, 196);
  EXPECT_EQ(b.column, 5);
}

// A picture whose pixels hold their row number.
std::vector<uint32_t> row_numbers() {
  std::vector<uint32_t> picture(kTunnelTexels);
  for (int i = 0; i < kTunnelTexels; i++) picture[i] = static_cast<uint32_t>(i / 256);
  return picture;
}

TEST(PictureBands, RowsWrapAndThePictureIsSqueezed) {
  std::vector<uint32_t> texture(kTunnelTexels, 0), picture = row_numbers();
  lay_picture_band(texture.data(), picture.data(), {100, 200, 7});
  for (int row = 0; row < 256; row++) {
    bool covered = row >= 200 || row <= 43;
    int i = (row - 200) & 255;  // band row
    for (int column = 0; column < 256; column++) {
      uint32_t expected = covered && column >= 7 && column < 227 ? static_cast<uint32_t>((i * 652) >> 8) : 0;
      ASSERT_EQ(texture[256 * row + column], expected) << row << "," << column;
    }
  }
  EXPECT_EQ(texture[256 * 43 + 7], 252u);  // the last band row is picture row 252
  std::vector<uint32_t> before = texture;
  lay_picture_band(texture.data(), picture.data(), {0, 10, 0});
  lay_picture_band(texture.data(), picture.data(), {-3, 10, 0});
  EXPECT_EQ(texture, before);
}

TEST(PictureBands, OverlapsAddAndCarryIntoTheNextChannel) {
  std::vector<uint32_t> texture(kTunnelTexels, 0), picture(kTunnelTexels, 0x0000F0);
  lay_picture_band(texture.data(), picture.data(), {5, 0, 0});
  lay_picture_band(texture.data(), picture.data(), {5, 2, 0});
  EXPECT_EQ(texture[0], 0x0000F0u);
  EXPECT_EQ(texture[256 * 3], 0x0001E0u);
}

// At e = 1,000 the ten bands lie as computed on the side: a picture of ones
// turns the texture into a count of the bands over each texel.
TEST(PictureBands, TenBandsAtAKnownTime) {
  TunnelScene s{};
  ASSERT_TRUE(tunnel_open(s));
  for (int i = 0; i < kTunnelTexels; i++) s.picture[i] = 1;
  const PictureBand bands[10] = {{112, 196, 5}, {13, 142, 0}, {70, 55, 12}, {93, 8, 19}, {5, 45, 9},
                                 {100, 122, 0}, {59, 190, 8}, {19, 191, 19}, {114, 24, 13}, {35, 15, 18}};
  std::vector<uint32_t> expected(kTunnelTexels, 0);
  for (const PictureBand& b : bands)
    for (int i = 0; i < b.count; i++)
      for (int c = b.column; c < b.column + 220; c++) expected[256 * ((b.row + i) & 255) + c]++;
  s.texture[77] = 99;  // cleared first
  tunnel_build_bands(s, 1000);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), s.texture));
  tunnel_close(s);
}

TEST(TunnelFrame, CentrePixelShowsTexelRow64Column0) {
  TunnelScene s{};
  ASSERT_TRUE(tunnel_open(s));
  build_tunnel_table(s.table, kTunnelSqueeze);
  for (int i = 0; i < kTunnelTexels; i++) s.texture[i] = 0x1000000u + static_cast<uint32_t>(i);
  tunnel_map_frame(s);
  EXPECT_EQ(s.frame[320 * 100 + 160], 0x1000000u + 256 * 64);
  for (int i = 0; i < kFramePixels; i++) ASSERT_EQ(s.frame[i], 0x1000000u + s.table[i] / 4) << i;
  tunnel_close(s);
}

struct WholeTunnelScene : ::testing::Test {
  SceneRun run;
};

TEST_F(WholeTunnelScene, Runs4200TicksFromItsOwnStartWhenever) {
  const std::vector<uint32_t> black(kFramePixels, 0);
  for (uint32_t start : {16000u, 30000u, 1u << 31}) {
    EXPECT_EQ(run_scene_paced(scene_tunnel, &run, start, 50), 1);
    ASSERT_EQ(run.frames.size(), 84u) << start;  // e = 0, 50, ..., 4150
    EXPECT_EQ(run.frames.front().hash, frame_hash(black.data()));  // the first frame is black
    EXPECT_EQ(run.frames.back().tick, start + 4150);
  }
}

// A show started after the seventh scene's limit (tundrix --from) never ran
// that scene, so its tunnel's minute counts from the limit, where a whole
// show starts it: it ends on the same tick and shows the same frames on the
// way. Started before the limit, the tunnel starts when that scene ends.
TEST_F(WholeTunnelScene, AShowStartedInsideItsMinuteEndsWhereAWholeShowDoes) {
  run.keep_frames = true;
  ASSERT_EQ(run_scene_paced(scene_tunnel, &run, 16191, 50), 1);
  const std::vector<uint64_t> whole = run.frame_hashes;  // e = 0, 50, ..., 4150
  ASSERT_EQ(whole.size(), 84u);

  run.show_from = 16191 + 1300;
  ASSERT_EQ(run_scene_paced(scene_tunnel, &run, run.show_from, 50), 1);
  ASSERT_EQ(run.frames.size(), 58u);  // e = 1300, ..., 4150
  EXPECT_EQ(run.frames.back().tick, 16191u + 4150);
  // The first frame shows the texture before any band: black, as always.
  for (size_t i = 1; i < run.frames.size(); i++) EXPECT_EQ(run.frame_hashes[i], whole[26 + i]) << i;

  run.show_from = 20300;
  ASSERT_EQ(run_scene_paced(scene_tunnel, &run, 20300, 50), 1);
  EXPECT_EQ(run.frames.size(), 2u);  // ticks 20300 and 20350; 20400 is past the end
  run.show_from = 20391;
  ASSERT_EQ(run_scene_paced(scene_tunnel, &run, 20391, 50), 1);
  EXPECT_EQ(run.frames.size(), 0u);

  run.show_from = 16000;
  ASSERT_EQ(run_scene_paced(scene_tunnel, &run, 16300, 50), 1);
  ASSERT_EQ(run.frames.size(), 84u);
  EXPECT_EQ(run.frames.back().tick, 16300u + 4150);
}

TEST_F(WholeTunnelScene, EscapeEndsItAndItsResultTellsTheClosingPoll) {
  run.escape_ticks = {16500};
  EXPECT_EQ(run_scene_paced(scene_tunnel, &run, 16000, 50), 1);
  EXPECT_EQ(run.frames.back().tick, 16450u);
  run.escape_ticks = {16500, 16500};
  EXPECT_EQ(run_scene_paced(scene_tunnel, &run, 16000, 50), 0);
}

}  // namespace
