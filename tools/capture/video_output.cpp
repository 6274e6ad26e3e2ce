#include "tools/capture/video_output.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "display/display.h"
#include "tools/capture/capture_files.h"

extern char** environ;

namespace {

// A file name with something before the suffix.
bool names_file(const std::string& path, const char* suffix) {
  size_t base = path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1;
  return has_suffix(path, suffix) && path.size() - base > std::strlen(suffix);
}

bool fail(std::string* why, const std::string& text) {
  *why = text;
  return false;
}

std::string frame_path(const VideoOutput& out, long long frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06lld.png", frame);
  return out.path + (out.path.back() == '/' ? "" : "/") + name;
}

// Nearest-neighbour enlargement into out.scratch as 0x00RRGGBB words.
const uint32_t* scaled(VideoOutput& out, const uint32_t* frame) {
  if (out.scale == 1) return frame;
  int w = kFrameWidth * out.scale;
  out.scratch.resize(static_cast<size_t>(w) * kFrameHeight * out.scale * 4);
  uint32_t* dst = reinterpret_cast<uint32_t*>(out.scratch.data());
  for (int y = 0; y < kFrameHeight * out.scale; y++) {
    const uint32_t* src = frame + (y / out.scale) * kFrameWidth;
    for (int x = 0; x < w; x++) *dst++ = src[x / out.scale];
  }
  return reinterpret_cast<const uint32_t*>(out.scratch.data());
}

// Full-range RGB to BT.601 studio-range Y'CbCr, 4:4:4, in integers.
void write_y4m_frame(VideoOutput& out, const uint32_t* px, size_t n) {
  std::vector<uint8_t> planes(3 * n);
  for (size_t i = 0; i < n; i++) {
    int r = px[i] >> 16 & 255, g = px[i] >> 8 & 255, b = px[i] & 255;
    planes[i] = static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
    planes[n + i] = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
    planes[2 * n + i] = static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
  }
  std::fputs("FRAME\n", out.stream);
  std::fwrite(planes.data(), 1, planes.size(), out.stream);
}

int run_and_wait(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Codec choices per container; everything bit-exact so two runs give the same file.
struct Codecs {
  const char* suffix;
  std::vector<std::string> video;
  std::vector<std::string> audio;
};
const Codecs kCodecs[] = {
    {".mp4", {"-c:v", "libx264", "-preset", "medium", "-crf", "16", "-pix_fmt", "yuv420p"},
     {"-c:a", "aac", "-b:a", "192k"}},
    {".mkv", {"-c:v", "libx264", "-preset", "medium", "-crf", "16", "-pix_fmt", "yuv420p"},
     {"-c:a", "flac"}},
    {".webm", {"-c:v", "libvpx-vp9", "-crf", "20", "-b:v", "0", "-pix_fmt", "yuv420p"},
     {"-c:a", "libopus", "-b:a", "160k"}},
};
const std::vector<std::string> kBitExact = {"-fflags", "+bitexact", "-flags", "+bitexact",
                                            "-map_metadata", "-1"};

const Codecs* codecs_for(const std::string& path) {
  for (const Codecs& c : kCodecs)
    if (names_file(path, c.suffix)) return &c;
  return nullptr;
}

bool open_ffmpeg(VideoOutput& out, const Codecs& codecs, std::string* why) {
  out.video_temp = out.path + ".video" + codecs.suffix;
  out.sound_path = out.path + ".sound.wav";
  std::string size = std::to_string(kFrameWidth * out.scale) + "x" + std::to_string(kFrameHeight * out.scale);
  std::string rate = std::to_string(out.rate_num) + "/" + std::to_string(out.rate_den);
  std::vector<std::string> argv = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
                                   "-f", "rawvideo", "-pix_fmt", "bgr0", "-s", size,
                                   "-framerate", rate, "-i", "pipe:0"};
  argv.insert(argv.end(), codecs.video.begin(), codecs.video.end());
  argv.insert(argv.end(), kBitExact.begin(), kBitExact.end());
  argv.push_back(out.video_temp);

  int fds[2];
  if (pipe(fds) != 0) return fail(why, std::string("pipe: ") + std::strerror(errno));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid;
  int err = posix_spawnp(&pid, "ffmpeg", &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[0]);
  if (err != 0) {
    close(fds[1]);
    return fail(why, "cannot start ffmpeg (is it installed?)");
  }
  out.ffmpeg_pid = pid;
  out.stream = fdopen(fds[1], "wb");
  return true;
}

bool finish_ffmpeg(VideoOutput& out, const std::vector<int16_t>& sound, int rate, std::string* why) {
  bool wrote = std::fclose(out.stream) == 0;
  out.stream = nullptr;
  int status = 0;
  while (waitpid(out.ffmpeg_pid, &status, 0) < 0 && errno == EINTR) {
  }
  out.ffmpeg_pid = -1;
  if (!wrote || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return fail(why, "ffmpeg could not encode the video");
  if (!wav_write_s16(out.sound_path, sound, 2, rate, why)) return false;
  const Codecs& codecs = *codecs_for(out.path);
  std::vector<std::string> argv = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
                                   "-i", out.video_temp, "-i", out.sound_path,
                                   "-map", "0:v", "-map", "1:a", "-c:v", "copy"};
  argv.insert(argv.end(), codecs.audio.begin(), codecs.audio.end());
  argv.insert(argv.end(), kBitExact.begin(), kBitExact.end());
  argv.push_back(out.path);
  int muxed = run_and_wait(argv);
  std::remove(out.video_temp.c_str());
  std::remove(out.sound_path.c_str());
  if (muxed != 0) return fail(why, "ffmpeg could not mux video and sound into " + out.path);
  return true;
}

bool is_folder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool video_kind_for(const std::string& path, VideoKind* kind) {
  if (path.empty()) return false;
  size_t base = path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1;
  bool no_extension = path.find('.', base) == std::string::npos;
  if (path.back() == '/' || no_extension || is_folder(path)) *kind = VideoKind::PngFolder;
  else if (names_file(path, ".y4m")) *kind = VideoKind::Y4m;
  else if (codecs_for(path)) *kind = VideoKind::Ffmpeg;
  else return false;
  return true;
}

bool video_open(VideoOutput& out, const std::string& path, int scale, long long rate_num,
                long long rate_den, std::string* why) {
  out.path = path;
  out.scale = scale;
  out.rate_num = rate_num;
  out.rate_den = rate_den;
  if (!video_kind_for(path, &out.kind)) return fail(why, path + ": not a folder, .y4m, .mp4, .mkv or .webm");
  // Checked here rather than left to the first write, which would name a
  // temporary file or only see ffmpeg stop.
  std::string folder = folder_of(out.kind == VideoKind::PngFolder ? path.substr(0, path.find_last_not_of('/') + 1) : path);
  if (!is_folder(folder)) return fail(why, folder + ": no such folder");
  if (out.kind == VideoKind::Ffmpeg) return open_ffmpeg(out, *codecs_for(path), why);
  if (out.kind == VideoKind::Y4m) {
    out.sound_path = path.substr(0, path.size() - 4) + ".wav";
    out.stream = std::fopen(path.c_str(), "wb");
    if (!out.stream) return fail(why, path + ": " + std::strerror(errno));
    std::fprintf(out.stream, "YUV4MPEG2 W%d H%d F%lld:%lld Ip A1:1 C444\n", kFrameWidth * scale,
                 kFrameHeight * scale, rate_num, rate_den);
    return true;
  }
  out.sound_path = path + (path.back() == '/' ? "" : "/") + "sound.wav";
  if (mkdir(path.c_str(), 0777) == 0) out.created_folder = true;
  else if (errno != EEXIST) return fail(why, path + ": " + std::strerror(errno));
  return true;
}

void video_discard(VideoOutput& out) {
  if (out.stream) std::fclose(out.stream);
  out.stream = nullptr;
  if (out.ffmpeg_pid > 0) {
    // Its input is closed; it is stopped rather than left to finish a video
    // that is about to be removed.
    kill(out.ffmpeg_pid, SIGTERM);
    while (waitpid(out.ffmpeg_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    out.ffmpeg_pid = -1;
  }
  if (out.kind == VideoKind::PngFolder) {
    for (long long i = 0; i < out.frames; i++) std::remove(frame_path(out, i).c_str());
  } else {
    std::remove(out.path.c_str());
  }
  if (!out.video_temp.empty()) std::remove(out.video_temp.c_str());
  if (!out.sound_path.empty()) std::remove(out.sound_path.c_str());
  if (out.created_folder) rmdir(out.path.c_str());
  out.frames = 0;
}

bool video_frame(VideoOutput& out, const uint32_t* frame, std::string* why) {
  const uint32_t* px = scaled(out, frame);
  int w = kFrameWidth * out.scale, h = kFrameHeight * out.scale;
  switch (out.kind) {
    case VideoKind::PngFolder:
      if (!png_write_rgb(frame_path(out, out.frames), px, w, h, why)) return false;
      break;
    case VideoKind::Y4m:
      write_y4m_frame(out, px, static_cast<size_t>(w) * h);
      break;
    case VideoKind::Ffmpeg:
      // 0x00RRGGBB little-endian words are ffmpeg's bgr0 bytes.
      if (std::fwrite(px, 4, static_cast<size_t>(w) * h, out.stream) != static_cast<size_t>(w) * h)
        return fail(why, "ffmpeg stopped reading frames");
      break;
  }
  if (out.stream && std::ferror(out.stream)) return fail(why, out.path + ": write failed");
  out.frames++;
  return true;
}

bool video_finish(VideoOutput& out, const std::vector<int16_t>& sound, int rate, std::string* why) {
  if (out.kind == VideoKind::Ffmpeg) return finish_ffmpeg(out, sound, rate, why);
  if (out.kind == VideoKind::Y4m) {
    bool ok = std::fclose(out.stream) == 0;
    out.stream = nullptr;
    if (!ok) return fail(why, out.path + ": write failed");
  }
  return wav_write_s16(out.sound_path, sound, 2, rate, why);
}
