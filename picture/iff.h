// IFF FORM picture decoder for the ILBM (planar) and PBM (chunky) pictures.
#pragma once
#include <cstddef>
#include <cstdint>

// Header of the last picture iff_decode read; also kept when a later step of
// that call failed, and when no destination was given.
struct IffHeader {
  int width;
  int height;
  int planes;
  int chunky;  // 1 for "PBM ", 0 for "ILBM"
  // BMHD byte 10 (-1 when the data ends before it): 0 for a stored body,
  // which the decoder copies; it unpacks every other value as ByteRun1.
  int compression;
};
extern IffHeader iff_header;

// iff_decode's results: all bits set for a decoded picture, 0 for a failure.
constexpr int kIffDecoded = -1;
constexpr int kIffFailed = 0;

// Text of the last outcome: "Picture loaded ok.", "Destination is NULL.",
// "Invalid picture.", "BMHD not found.", "CMAP not found.", "BODY not found.".
extern const char* iff_status;

// Output bytes the body of the last successful decode produced; below the
// picture's output size (iff_output_size) when the body ended early.
extern size_t iff_body_filled;

// Bytes iff_decode writes for a picture with header h: width x height for
// PBM; for ILBM height x planes plane rows of (width + 7) / 8 bytes. SIZE_MAX
// when that does not fit in a size_t.
size_t iff_output_size(const IffHeader& h);

// Decodes the picture in data[0..size) into dest (at most dest_capacity bytes)
// and palette (768 bytes, 6-bit components).
// PBM gives width x height indices; ILBM gives the unpacked body in ILBM row
// order (per row, plane 0 first), for iff_planar_to_chunky. The file pads
// every PBM row to an even byte count and every ILBM plane row to a multiple
// of 16 bits; the padding bytes are unpacked and dropped, so the output has
// no gaps (see iff_output_size). The body is one stream: a run may go on into
// the next row.
// The form type is searched at offsets 0..17 and the chunks by their tags at
// offsets 0..64,001, first match wins; chunk lengths are never read. Nothing
// is read outside data or written outside dest: a run that crosses the end of
// the output or of dest is cut, a body that ends early leaves the rest of the
// output 0 (see iff_body_filled), a tag whose fields run past the
// data counts as absent, and palette bytes past the end of the data read as 0.
// A null dest reads only the header: status "Destination is NULL.", returns -1.
// Returns -1 (all bits set) on success, 0 on failure (see iff_status). A
// failure with a dest leaves all of dest and the palette 0: a black picture.
int iff_decode(const uint8_t* data, size_t size, uint8_t* dest, size_t dest_capacity,
               uint8_t* palette);

// Turns the planar output of the last ILBM decode (iff_header's width, height
// and planes; plane rows of (width + 7) / 8 bytes) into width x height
// indices, plane k giving bit k, planes past the eighth ignored. Planar bytes
// past planar_size read as 0; nothing is written past dest_capacity.
void iff_planar_to_chunky(const uint8_t* planar, size_t planar_size, uint8_t* dest,
                          size_t dest_capacity);
