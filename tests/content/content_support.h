// Shared helpers of the content tests: decoding an embedded picture with the
// show's own decoder, and temporary folders.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "data/content.h"
#include "tests/support/support.h"

struct DecodedPicture {
  bool ok = false;
  int width = 0, height = 0;
  bool chunky = false;
  std::vector<uint8_t> indices;  // width x height palette indices
  uint8_t palette[768] = {};     // 6-bit components
};

// Decodes a role's embedded bytes with iff_decode (and iff_planar_to_chunky
// for planar pictures).
DecodedPicture decode_embedded(PictureRole role);

// A fresh empty folder under the system's temporary directory.
std::string make_temp_dir();
