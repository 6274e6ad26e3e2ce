#include "tests/content/content_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "picture/iff.h"

DecodedPicture decode_embedded(PictureRole role) {
  DecodedPicture d;
  Blob blob = picture_data(role);
  if (!blob.data || !iff_decode(blob.data, blob.size, nullptr, 0, nullptr)) return d;
  d.width = iff_header.width;
  d.height = iff_header.height;
  d.chunky = iff_header.chunky;
  size_t pixels = static_cast<size_t>(d.width) * d.height;
  std::vector<uint8_t> body(iff_output_size(iff_header), 0);
  if (!iff_decode(blob.data, blob.size, body.data(), body.size(), d.palette)) return d;
  if (d.chunky) {
    d.indices = body;
  } else {
    d.indices.assign(pixels, 0);
    iff_planar_to_chunky(body.data(), body.size(), d.indices.data(), d.indices.size());
  }
  d.ok = true;
  return d;
}

std::string make_temp_dir() {
  char pattern[] = "/tmp/tundrix-content-XXXXXX";
  const char* dir = mkdtemp(pattern);
  return dir ? dir : "";
}
