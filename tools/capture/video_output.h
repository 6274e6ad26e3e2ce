// Where a show capture's frames and sound go: numbered PNG frames in a folder
// (with sound.wav), a y4m stream (with a WAV of the same name beside it), or a
// video encoded by ffmpeg with the sound muxed in.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum class VideoKind { PngFolder, Y4m, Ffmpeg };

struct VideoOutput {
  VideoKind kind = VideoKind::PngFolder;
  std::string path;         // as given by the user
  std::string sound_path;   // the WAV written beside frames or y4m, or ffmpeg's temporary
  std::string video_temp;   // ffmpeg: video before the sound is muxed in
  int scale = 1;
  long long rate_num = 0, rate_den = 1;  // frames per second as a fraction
  FILE* stream = nullptr;   // y4m file or the pipe into ffmpeg
  int ffmpeg_pid = -1;
  long long frames = 0;     // frames written so far
  bool created_folder = false;  // the PNG folder did not exist before
  std::vector<uint8_t> scratch;
};

// The kind of output a name asks for: a folder is a name ending in /, an
// existing folder or a name without an extension; otherwise a .y4m name, or a
// .mp4/.mkv/.webm name. Returns false for any other name (out.avi, out.txt).
bool video_kind_for(const std::string& path, VideoKind* kind);

// Opens the output for 320 x 200 frames enlarged scale times, at
// rate_num / rate_den frames per second; the kind follows video_kind_for. A
// folder that does not exist yet is created; the folder a file goes into
// must exist. Returns false with a reason that names the missing folder.
bool video_open(VideoOutput& out, const std::string& path, int scale, long long rate_num,
                long long rate_den, std::string* why);

// Takes back everything the output wrote so far (after a failure): stops
// ffmpeg, removes the files and a folder it created.
void video_discard(VideoOutput& out);

// Appends one 320 x 200 frame of 0x00RRGGBB pixels. Returns false with a reason.
bool video_frame(VideoOutput& out, const uint32_t* frame, std::string* why);

// Writes the sound (interleaved 16-bit stereo at rate) and finishes the files:
// the WAV beside frames or y4m, or muxes video and sound through ffmpeg.
// Returns false with a reason.
bool video_finish(VideoOutput& out, const std::vector<int16_t>& sound, int rate, std::string* why);
