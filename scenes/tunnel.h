// The tunnel of picture bands: the screen looks down a tunnel whose 256x256
// wall texture is rebuilt every frame from ten squeezed, moving copies of a
// picture laid in as horizontal bands.
//
// The frame routines are public so that tests and benchmarks can build bands
// and map frames at any time of the scene.
#pragma once
#include <cstdint>

#include "base/timeline.h"
#include "scenes/scene_kit.h"

constexpr int kTunnelTexels = 256 * 256;
constexpr double kTunnelSqueeze = 3.3;

// Everything the scene keeps. The buffers come from memory at tunnel_open
// and go with it.
struct TunnelScene {
  SceneMemory memory;
  uint8_t* indices;   // the decoded 256x256 picture
  uint32_t* texture;  // the band texture: row = angle, column = depth
  uint32_t* picture;  // the picture in raw 6-bit colours
  uint32_t* table;    // per screen pixel: byte offset (texel index * 4) into texture
  uint32_t* frame;
};

// Where a band goes and how tall it is.
struct PictureBand {
  int32_t count;   // band rows, 5..115 (nothing is added below 1)
  int32_t row;     // first texture row, 0..200; rows wrap at 256
  int32_t column;  // first texture column, 0..20
};

// The angle of (x, y) in full steps per turn, y growing downward: 0 along +x,
// full/4 up, full/2 along -x, 3 full/4 down. Just below the +x axis it gives
// full itself, which callers wrap.
int32_t tunnel_angle(int32_t x, int32_t y, int32_t full);

// Fills 64,000 entries, one per screen pixel: texel column trunc(sqrt(r /
// squeeze) * 30) for the distance r from (160, 100), row tunnel_angle, as a
// byte offset ((column + 256 row) mod 65,536) * 4.
void build_tunnel_table(uint32_t* table, double squeeze);

// The band's rows, first row and first column for x and a.
PictureBand picture_band(double x, int32_t a);
// Adds the 256 picture rows, squeezed into the band's count rows and 220
// pixels wide, onto the texture from the band's row (wrapping at 256) and
// column, as plain 32-bit sums (so a channel past 255 carries into the next).
// A band of fewer than one row adds nothing.
void lay_picture_band(uint32_t* texture, const uint32_t* picture, const PictureBand& band);
// lay_picture_band at picture_band(x, a).
void add_picture_band(uint32_t* texture, const uint32_t* picture, double x, int32_t a);

// Takes the five zeroed buffers, decodes and converts the picture and builds
// the table; the texture and the frame start black. Returns false, with
// nothing left allocated, when memory runs out. s is fresh or closed.
bool tunnel_open(TunnelScene& s);
// Frees the buffers (the state's destructor does it too); safe to call twice.
void tunnel_close(TunnelScene& s);
// The frame through the tunnel table from the texture as it stands.
void tunnel_map_frame(TunnelScene& s);
// Clears the texture and adds the ten bands of scene time e (ticks).
void tunnel_build_bands(TunnelScene& s, uint32_t e);
