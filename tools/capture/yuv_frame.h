// A show frame as Y'CbCr planes for the y4m stream and the encoder: full-range
// RGB to BT.601 studio range in integers, every show pixel enlarged to a
// scale x scale block.
#pragma once
#include <cstddef>
#include <cstdint>

// Bytes of one frame at scale: the Y plane, then Cb and Cr, each as large as
// Y (4:4:4) or, with subsampled, half as wide and half as high (4:2:0).
// subsampled needs an even scale, so that each chroma sample covers one show
// pixel and the colours stay exact.
size_t yuv_frame_bytes(int scale, bool subsampled);

// Converts a 320 x 200 frame of 0x00RRGGBB pixels into yuv_frame_bytes bytes
// at out. Each show pixel is converted once and then copied into its block,
// so every scale gives the same values as scale 1.
void yuv_frame(const uint32_t* frame, int scale, bool subsampled, uint8_t* out);
