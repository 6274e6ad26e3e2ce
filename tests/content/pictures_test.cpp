// Every embedded picture as a file: its chunk layout, what the show's
// decoder makes of it, and what an independent reader (netpbm) makes of it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/content/content_support.h"

namespace {

struct Expected {
  int width, height;
  bool chunky;
};

Expected expected(PictureRole role) {
  switch (role) {
    case PIC_SWIRL:
    case PIC_TRANSITION: return {320, 400, true};
    case PIC_RING_TEXTURE:
    case PIC_TEXTURE_0:
    case PIC_WARP_SOURCE:
    case PIC_TUNNEL: return {256, 256, true};
    case PIC_TEXTURE_1:
    case PIC_TEXTURE_2: return {256, 256, false};
    default: return {320, 200, true};
  }
}

uint32_t be32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

struct Chunk {
  std::string tag;
  size_t offset;  // of the tag
  uint32_t length;
};

// The chunk list as a careful reader walks it (by lengths, not by tags).
std::vector<Chunk> walk(const Blob& blob) {
  std::vector<Chunk> chunks;
  size_t at = 12;
  while (at + 8 <= blob.size) {
    uint32_t length = be32(blob.data + at + 4);
    chunks.push_back({std::string(reinterpret_cast<const char*>(blob.data + at), 4), at, length});
    at += 8 + length + (length & 1);
  }
  return chunks;
}

long first_tag(const Blob& blob, const char* tag, size_t last) {
  for (size_t at = 0; at <= last && at + 4 <= blob.size; at++)
    if (!std::memcmp(blob.data + at, tag, 4)) return static_cast<long>(at);
  return -1;
}

class EveryPicture : public ::testing::TestWithParam<int> {
 protected:
  PictureRole role() const { return static_cast<PictureRole>(GetParam()); }
};

TEST_P(EveryPicture, DecodesToItsRolesSizeAndType) {
  DecodedPicture d = decode_embedded(role());
  ASSERT_TRUE(d.ok) << picture_role_name(role());
  Expected e = expected(role());
  EXPECT_EQ(d.width, e.width);
  EXPECT_EQ(d.height, e.height);
  EXPECT_EQ(d.chunky, e.chunky);
}

TEST_P(EveryPicture, IsAWellFormedPaintProgramFile) {
  Blob blob = picture_data(role());
  ASSERT_GT(blob.size, 12u);
  EXPECT_EQ(std::memcmp(blob.data, "FORM", 4), 0);
  EXPECT_EQ(be32(blob.data + 4), blob.size - 8);
  Expected e = expected(role());
  EXPECT_EQ(std::memcmp(blob.data + 8, e.chunky ? "PBM " : "ILBM", 4), 0);
  std::vector<Chunk> chunks = walk(blob);
  size_t end = chunks.empty() ? 0 : chunks.back().offset + 8 + chunks.back().length + (chunks.back().length & 1);
  EXPECT_EQ(end, blob.size) << "chunk lengths must add up to the file";
  std::string order;
  for (const Chunk& c : chunks) order += c.tag + ",";
  if (e.chunky)
    EXPECT_EQ(order, "BMHD,CMAP,DPPS,CRNG,CRNG,CRNG,CRNG,TINY,BODY,");
  else
    EXPECT_EQ(order, "BMHD,CMAP,DPPS,CRNG,CRNG,CRNG,CRNG,BODY,");
  for (const Chunk& c : chunks) {
    if (c.tag == "CMAP") {
      EXPECT_EQ(c.length, 768u);
    }
    if (c.tag == "BMHD") {
      ASSERT_EQ(c.length, 20u);
      const uint8_t* h = blob.data + c.offset + 8;
      EXPECT_EQ(h[8], 8) << "planes";
      EXPECT_EQ(h[10], 1) << "ByteRun1";
    }
  }
}

// The decoder scans for tags, so the first occurrence of each tag must be
// the chunk itself, and the form type must be found where it belongs.
TEST_P(EveryPicture, NoChunkTagOccursBeforeItsChunk) {
  Blob blob = picture_data(role());
  for (const Chunk& c : walk(blob)) {
    if (c.tag != "BMHD" && c.tag != "CMAP" && c.tag != "BODY") continue;
    EXPECT_EQ(first_tag(blob, c.tag.c_str(), 64001), static_cast<long>(c.offset)) << c.tag;
  }
  long ilbm = first_tag(blob, "ILBM", 17);
  if (expected(role()).chunky)
    EXPECT_EQ(ilbm, -1) << "a PBM file must not spell ILBM near its start";
  else
    EXPECT_EQ(ilbm, 8);
}

// netpbm's ilbmtoppm reads both kinds of file on its own; its pixels must
// match the show's decoder through the palette.
TEST_P(EveryPicture, IndependentReaderSeesTheSamePixels) {
  if (std::system("command -v ilbmtoppm >/dev/null 2>&1") != 0) GTEST_SKIP() << "ilbmtoppm not installed";
  std::string dir = make_temp_dir();
  std::string iff = dir + "/p.iff", ppm = dir + "/p.ppm";
  Blob blob = picture_data(role());
  FILE* f = std::fopen(iff.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(blob.data, 1, blob.size, f);
  std::fclose(f);
  ASSERT_EQ(std::system(("ilbmtoppm " + iff + " > " + ppm + " 2>/dev/null").c_str()), 0);
  std::vector<uint8_t> out = read_file(ppm);
  std::remove(iff.c_str());
  std::remove(ppm.c_str());
  std::remove(dir.c_str());
  DecodedPicture d = decode_embedded(role());
  ASSERT_TRUE(d.ok);
  std::string header = "P6\n" + std::to_string(d.width) + " " + std::to_string(d.height) + "\n255\n";
  ASSERT_GE(out.size(), header.size());
  ASSERT_EQ(std::string(out.begin(), out.begin() + header.size()), header);
  ASSERT_EQ(out.size(), header.size() + d.indices.size() * 3);
  size_t mismatches = 0;
  for (size_t i = 0; i < d.indices.size(); i++)
    for (int k = 0; k < 3; k++) {
      uint8_t c = d.palette[d.indices[i] * 3 + k];
      if (out[header.size() + i * 3 + k] != static_cast<uint8_t>(c << 2 | c >> 4)) mismatches++;
    }
  EXPECT_EQ(mismatches, 0u);
}

INSTANTIATE_TEST_SUITE_P(Roles, EveryPicture, ::testing::Range(0, static_cast<int>(PIC_COUNT)),
                         [](const ::testing::TestParamInfo<int>& info) {
                           std::string name = picture_role_name(static_cast<PictureRole>(info.param));
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

TEST(PictureRoles, NamesAreDistinctAndUnknownRolesAreEmpty) {
  for (int a = 0; a < PIC_COUNT; a++)
    for (int b = a + 1; b < PIC_COUNT; b++)
      EXPECT_STRNE(picture_role_name(static_cast<PictureRole>(a)), picture_role_name(static_cast<PictureRole>(b)));
  EXPECT_EQ(picture_data(PIC_COUNT).data, nullptr);
  EXPECT_STREQ(picture_role_name(static_cast<PictureRole>(-1)), "none");
}

}  // namespace
