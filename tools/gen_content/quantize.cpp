#include "tools/gen_content/quantize.h"

#include <algorithm>
#include <cmath>

namespace {

int to6(float v) { return std::clamp(static_cast<int>(v * 63.0f + 0.5f), 0, 63); }

struct Box {
  std::vector<uint32_t> colours;  // packed 6-bit rgb, one entry per distinct colour
  long weight;
};

int channel(uint32_t c, int k) { return static_cast<int>(c >> (12 - 6 * k) & 63); }

// The channel with the widest spread in the box, and that spread.
int widest(const Box& box, int& spread) {
  int lo[3] = {63, 63, 63}, hi[3] = {0, 0, 0};
  for (uint32_t c : box.colours)
    for (int k = 0; k < 3; k++) {
      lo[k] = std::min(lo[k], channel(c, k));
      hi[k] = std::max(hi[k], channel(c, k));
    }
  int best = 0;
  for (int k = 1; k < 3; k++)
    if (hi[k] - lo[k] > hi[best] - lo[best]) best = k;
  spread = hi[best] - lo[best];
  return best;
}

}  // namespace

void build_palette(const Image& image, Picture& picture, int first, int count,
                   const std::vector<uint8_t>* region) {
  std::vector<uint32_t> histogram(1 << 18, 0);
  for (size_t i = 0; i < image.px.size(); i++) {
    if (region && !(*region)[i]) continue;
    const Rgb& p = image.px[i];
    histogram[static_cast<uint32_t>(to6(p.r) << 12 | to6(p.g) << 6 | to6(p.b))]++;
  }
  Box all{{}, 0};
  for (uint32_t c = 0; c < histogram.size(); c++)
    if (histogram[c]) {
      all.colours.push_back(c);
      all.weight += histogram[c];
    }
  std::vector<Box> boxes{all};
  while (static_cast<int>(boxes.size()) < count) {
    // Split the box with the largest weighted spread.
    int pick = -1;
    double best = 0;
    for (size_t i = 0; i < boxes.size(); i++) {
      if (boxes[i].colours.size() < 2) continue;
      int spread;
      widest(boxes[i], spread);
      double score = static_cast<double>(spread) * std::sqrt(static_cast<double>(boxes[i].weight));
      if (score > best) {
        best = score;
        pick = static_cast<int>(i);
      }
    }
    if (pick < 0) break;
    Box box = std::move(boxes[pick]);
    int spread;
    int k = widest(box, spread);
    std::sort(box.colours.begin(), box.colours.end(), [&](uint32_t a, uint32_t b) {
      return channel(a, k) != channel(b, k) ? channel(a, k) < channel(b, k) : a < b;
    });
    long half = box.weight / 2, acc = 0;
    size_t cut = 0;
    while (cut + 1 < box.colours.size() && acc + histogram[box.colours[cut]] <= half) acc += histogram[box.colours[cut++]];
    if (cut == 0) cut = 1;
    Box a{std::vector<uint32_t>(box.colours.begin(), box.colours.begin() + cut), 0};
    Box b{std::vector<uint32_t>(box.colours.begin() + cut, box.colours.end()), 0};
    for (uint32_t c : a.colours) a.weight += histogram[c];
    for (uint32_t c : b.colours) b.weight += histogram[c];
    boxes[pick] = std::move(a);
    boxes.push_back(std::move(b));
  }
  for (int i = 0; i < count; i++) {
    uint8_t* entry = &picture.palette[(first + i) * 3];
    if (i >= static_cast<int>(boxes.size())) {
      entry[0] = entry[1] = entry[2] = 0;
      continue;
    }
    double sum[3] = {0, 0, 0};
    for (uint32_t c : boxes[i].colours)
      for (int k = 0; k < 3; k++) sum[k] += static_cast<double>(channel(c, k)) * histogram[c];
    for (int k = 0; k < 3; k++)
      entry[k] = static_cast<uint8_t>(std::lround(sum[k] / static_cast<double>(std::max(1L, boxes[i].weight))));
  }
}

void map_to_palette(const Image& image, Picture& picture, int first, int count, float dither,
                    const std::vector<uint8_t>* region) {
  std::vector<int16_t> cache(1 << 18, -1);
  for (int y = 0; y < image.height; y++)
    for (int x = 0; x < image.width; x++) {
      size_t i = static_cast<size_t>(y) * image.width + x;
      if (region && !(*region)[i]) continue;
      Rgb p = image.px[i];
      float d = bayer8(x, y) * dither / 63.0f;
      uint32_t key = static_cast<uint32_t>(to6(p.r + d) << 12 | to6(p.g + d) << 6 | to6(p.b + d));
      if (cache[key] < 0) {
        int r = channel(key, 0), g = channel(key, 1), b = channel(key, 2);
        long best = -1;
        int pick = first;
        for (int e = first; e < first + count; e++) {
          const uint8_t* c = &picture.palette[e * 3];
          long dr = r - c[0], dg = g - c[1], db = b - c[2];
          long dist = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
          if (best < 0 || dist < best) {
            best = dist;
            pick = e;
          }
        }
        cache[key] = static_cast<int16_t>(pick);
      }
      picture.pixels[i] = static_cast<uint8_t>(cache[key]);
    }
}

Picture quantize(const Image& image, float dither) {
  Picture picture(image.width, image.height);
  build_palette(image, picture, 0, 256);
  map_to_palette(image, picture, 0, 256, dither);
  return picture;
}
