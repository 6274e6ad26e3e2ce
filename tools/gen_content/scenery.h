// The northern night every picture shares: sky, stars, aurora curtains, a
// moon or low sun, mountain ridges and snow. All drawn onto colour images
// with fixed seeds, so that the pictures of the show look like one place.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/gen_content/raster.h"

// The show's colours.
namespace tint {
inline const Rgb kNight = hex(0x05071a);
inline const Rgb kIndigo = hex(0x141a48);
inline const Rgb kDusk = hex(0x3a2a6e);
inline const Rgb kViolet = hex(0x8a4cc8);
inline const Rgb kAuroraGreen = hex(0x48ff84);
inline const Rgb kAuroraTeal = hex(0x30c8d8);
inline const Rgb kAuroraPink = hex(0xd050c0);
inline const Rgb kIce = hex(0xc8ecff);
inline const Rgb kSnow = hex(0xe8f0ff);
inline const Rgb kSnowShade = hex(0x5068a8);
inline const Rgb kSunGold = hex(0xffc060);
inline const Rgb kSunRose = hex(0xff7a70);
inline const Rgb kEmber = hex(0xffa040);
}  // namespace tint

// Vertical gradient through the given stops (position 0..1 over rows
// y0..y1); rows outside take the end colours.
void sky_gradient(Image& image, int y0, int y1, const Rgb* stops, const float* at, int count);

// Stars above row limit (exclusive): roughly density per pixel, a few
// larger ones with a soft cross.
void add_stars(Image& image, uint32_t seed, float density, int limit, float brightness = 1.0f);

struct Aurora {
  float base;       // row of the curtain's lower edge
  float wave;       // how far the edge swings up and down, in rows
  float height;     // how far the glow reaches up, in rows
  float strength;   // overall intensity
  float x_scale;    // horizontal frequency of the folds
  uint32_t seed;
  Rgb low, high;    // colour at the lower edge and at the top
};
// Adds an aurora curtain (additive light) over rows y0..y1.
void add_aurora(Image& image, const Aurora& aurora, int y0, int y1);

// A glowing disc with a halo (moon or sun), added over what is there.
void add_glow_disc(Image& image, float cx, float cy, float radius, Rgb core, Rgb halo, float halo_size);

// Height of a mountain ridge at column x (row of the ridge line).
float ridge_row(float x, float base, float amplitude, float scale, uint32_t seed);

// Fills everything below a ridge with snowy rock lit from light_dir (-1 left,
// +1 right); far ridges take more of the sky colour haze.
void add_ridge(Image& image, float base, float amplitude, float scale, uint32_t seed, Rgb rock, Rgb snow,
               float haze, Rgb haze_colour, float light_dir);

// The outline of a spruce standing at (x, base), h pixels tall: a stem and
// five tiers of drooping branches, for filling as a silhouette.
std::vector<Vec2> spruce_outline(float x, float base, float h);

// Clamps every channel to 0..1.
void clamp_image(Image& image);

// The aurora's colours as a cycle: t = 0 green, then teal, violet, pink and
// back to green at t = 1 (t wraps).
Rgb aurora_cycle(float t);

// The night as seen reflected in a mirror ball at pixel (x, y) of a size x
// size sphere map (sky with aurora above, snow below, the moon up left).
// Outside the ball the rim colour continues.
Rgb night_reflection(float x, float y, float size);
