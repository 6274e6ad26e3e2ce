// IFF picture files as a paint program writes them: FORM PBM (chunky) or
// FORM ILBM (planar), BMHD, a 256-colour CMAP and a ByteRun1 BODY.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/gen_content/raster.h"

// Packs bytes with ByteRun1: runs of 3 or more equal bytes become a repeat,
// everything else literal groups of at most 128. Never emits the -128 code.
void byterun1_pack(const uint8_t* data, int count, std::vector<uint8_t>& out);

// A chunky "PBM " file of the picture with DPPS, CRNG and TINY chunks
// besides BMHD, CMAP and BODY. The thumbnail is a quarter of each side.
std::vector<uint8_t> iff_write_pbm(const Picture& picture);

// A planar "ILBM" file of the picture, 8 planes; the width must be a
// multiple of 16 so that plane rows need no padding.
std::vector<uint8_t> iff_write_ilbm(const Picture& picture);

// Offset of the first occurrence of a four-letter tag in file[from, to), or -1.
long iff_find_tag(const std::vector<uint8_t>& file, const char* tag, size_t from, size_t to);
