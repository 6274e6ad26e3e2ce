// Files tundrix-capture reads and writes: whole input files, PNG pictures
// (through libpng) and WAV sound.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes width x height pixels of 0x00RRGGBB words as an 8-bit RGB PNG.
// Returns false (with errno-style reason in *why) when the file cannot be written.
bool png_write_rgb(const std::string& path, const uint32_t* pixels, int width, int height,
                   std::string* why);

// Writes width x height palette indices as an 8-bit palette PNG; palette holds
// 256 entries of 8-bit red, green, blue.
bool png_write_indexed(const std::string& path, const uint8_t* indices, int width, int height,
                       const uint8_t palette[768], std::string* why);

// Reads a whole file. Returns false with a reason.
bool read_whole_file(const char* path, std::vector<uint8_t>* bytes, std::string* why);

// Fills the canonical 44-byte header of a PCM WAV file holding data_bytes of
// samples (little-endian, as on every machine the show runs on).
void wav_header(uint8_t out[44], int channels, int rate, int bits, uint32_t data_bytes);

// Writes interleaved 16-bit samples as a PCM WAV file.
bool wav_write_s16(const std::string& path, const std::vector<int16_t>& samples, int channels,
                   int rate, std::string* why);
// Writes 8-bit unsigned samples (128 = silence) as a PCM WAV file.
bool wav_write_u8(const std::string& path, const std::vector<uint8_t>& samples, int channels,
                  int rate, std::string* why);
