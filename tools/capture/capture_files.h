// Files tundrix-capture reads and writes: whole input files, PNG pictures
// (through libpng) and WAV sound.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct OutputFile;

// Writes width x height pixels of 0x00RRGGBB words as an 8-bit RGB PNG file,
// opened and put in place as output_open and output_commit do. Returns false
// with "PATH: reason" in *why when it cannot be written; nothing of it is
// left then.
bool png_write_rgb(const std::string& path, const uint32_t* pixels, int width, int height,
                   std::string* why);

// Writes width x height palette indices as an 8-bit palette PNG; palette holds
// 256 entries of 8-bit red, green, blue.
bool png_write_indexed(const std::string& path, const uint8_t* indices, int width, int height,
                       const uint8_t palette[768], std::string* why);

// Writes text in the show's 8x8 font, light grey, with its top left corner at
// (x, y) into a width x height canvas of pixels; what falls outside is left out.
void draw_label(std::vector<uint32_t>& canvas, int width, int height, int x, int y, const std::string& text);

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

// True for "-" (standard output) and for names of existing files that are
// neither regular files nor folders (devices, FIFOs): outputs written to as
// streams, whatever their names end with.
bool names_stream(const std::string& path);

// Checks an output file name before anything is written: unless it names a
// stream, it must end with suffix (else a usage error, status 2) and its
// folder must exist (else a failure naming that folder, status 1). Prints the
// message and returns the status, or returns 0 when the name is fine.
int check_output_file(const char* command, const std::string& path, const char* suffix);

// The folder a path names a file in ("." for a bare name).
std::string folder_of(const std::string& path);

// Fills the canonical 44-byte header of a PCM WAV file holding data_bytes of
// samples (little-endian, as on every machine the show runs on).
void wav_header(uint8_t out[44], int channels, int rate, int bits, uint32_t data_bytes);

// Appends a PCM WAV file holding interleaved 16-bit samples to file.
void wav_append_s16(OutputFile& file, const std::vector<int16_t>& samples, int channels, int rate);
