// Files tundrix-capture reads and writes: whole input files, PNG pictures
// (through libpng) and WAV sound.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Writes width x height pixels of 0x00RRGGBB words as an 8-bit RGB PNG.
// Returns false (with errno-style reason in *why) when the file cannot be
// written; what was written of it is removed.
bool png_write_rgb(const std::string& path, const uint32_t* pixels, int width, int height,
                   std::string* why);

// Writes width x height palette indices as an 8-bit palette PNG; palette holds
// 256 entries of 8-bit red, green, blue.
bool png_write_indexed(const std::string& path, const uint8_t* indices, int width, int height,
                       const uint8_t palette[768], std::string* why);

// Inputs larger than these are refused rather than read: the largest module
// the loader can describe is about 6 MB, and a picture of the most pixels the
// tool decodes compresses to well under 64 MB.
constexpr size_t kMaxModuleBytes = size_t{16} << 20;
constexpr size_t kMaxPictureBytes = size_t{64} << 20;

// Reads a whole regular file of at most max_bytes. Anything else (a device,
// a pipe, a folder, a larger file) is refused without reading it. Returns
// false with a reason that starts with the path.
bool read_whole_file(const char* path, size_t max_bytes, std::vector<uint8_t>* bytes, std::string* why);

// True when path ends with suffix, letters compared without case.
bool has_suffix(const std::string& path, const char* suffix);

// Checks an output file name before anything is written: it must end with
// suffix (else a usage error, status 2) and its folder must exist (else a
// failure naming that folder, status 1). Prints the message and returns the
// status, or returns 0 when the name is fine.
int check_output_file(const char* command, const std::string& path, const char* suffix);

// The folder a path names a file in ("." for a bare name).
std::string folder_of(const std::string& path);

// Fills the canonical 44-byte header of a PCM WAV file holding data_bytes of
// samples (little-endian, as on every machine the show runs on).
void wav_header(uint8_t out[44], int channels, int rate, int bits, uint32_t data_bytes);

// Writes interleaved 16-bit samples as a PCM WAV file; on failure the
// partial file is removed.
bool wav_write_s16(const std::string& path, const std::vector<int16_t>& samples, int channels,
                   int rate, std::string* why);
// Writes 8-bit unsigned samples (128 = silence) as a PCM WAV file.
bool wav_write_u8(const std::string& path, const std::vector<uint8_t>& samples, int channels,
                  int rate, std::string* why);
