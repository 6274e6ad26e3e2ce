// Where a show capture's frames and sound go: numbered PNG frames in a folder
// (with sound.wav), a y4m stream (with a WAV of the same name beside it), or a
// video encoded by ffmpeg with the sound muxed in.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/capture_outputs.h"

enum class VideoKind { PngFolder, Y4m, Ffmpeg };

struct VideoOutput {
  VideoKind kind = VideoKind::PngFolder;
  std::string path;         // as given by the user
  int scale = 1;
  long long rate_num = 0, rate_den = 1;  // frames per second as a fraction
  OutputFile stream;        // the y4m file, or the pipe into ffmpeg
  OutputFile sound;         // the WAV beside frames or y4m, or the one ffmpeg muxes in
  OutputFile video_temp;    // ffmpeg: the video before the sound is muxed in
  int ffmpeg_pid = -1;
  int ffmpeg_messages = -1; // an unnamed file that receives ffmpeg's standard error
  long long frames = 0;     // frames written so far
  std::vector<uint8_t> scratch;  // an enlarged frame for PNG
};

// The kind of output a name asks for: a folder is a name ending in /, an
// existing folder or a name without an extension; otherwise a .y4m name, or a
// .mp4/.mkv/.webm name. Returns false for any other name (out.avi, out.txt).
bool video_kind_for(const std::string& path, VideoKind* kind);

// Opens the output for 320 x 200 frames enlarged scale times, at
// rate_num / rate_den frames per second; the kind follows video_kind_for. A
// folder that does not exist yet is created; the folder a file goes into
// must exist. The files are made as output_open makes them, the WAV beside
// frames or y4m included, so that a name that cannot be written fails here.
// Returns false with a reason that names the file or the missing folder;
// what was made by then is the run's own (outputs_fail removes it).
bool video_open(VideoOutput& out, const std::string& path, int scale, long long rate_num,
                long long rate_den, std::string* why);

// Appends one 320 x 200 frame of 0x00RRGGBB pixels. Returns false with a reason.
bool video_frame(VideoOutput& out, const uint32_t* frame, std::string* why);

// Writes the sound (interleaved 16-bit stereo at rate) and finishes the files:
// the WAV beside frames or y4m, or muxes video and sound through ffmpeg.
// Every file is complete before any is put in place. Returns false with a
// reason that names the file.
bool video_finish(VideoOutput& out, const std::vector<int16_t>& sound, int rate, std::string* why);
