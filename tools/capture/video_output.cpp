#include "tools/capture/video_output.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "display/display.h"
#include "show/options.h"
#include "tools/capture/capture_files.h"
#include "tools/capture/frame_writer.h"
#include "tools/capture/yuv_frame.h"

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

// An even scale gives ffmpeg 4:2:0 planes whose chroma samples each cover one
// show pixel, so it converts nothing; other scales give 4:4:4, which it
// subsamples itself.
bool feeds_420(const VideoOutput& out) { return out.scale % 2 == 0; }

// A bigger pipe buffer than the system's 64 KB takes a frame in fewer
// writes, and fewer switches to the reader. A stream that is no pipe, or a
// size the system refuses, keeps what it has.
void widen_pipe(int fd, size_t frame_bytes) {
  int want = static_cast<int>(frame_bytes < (size_t{1} << 20) ? frame_bytes : size_t{1} << 20);
  if (fcntl(fd, F_GETPIPE_SZ) < want) fcntl(fd, F_SETPIPE_SZ, want);
}

// Codec choices per container; everything bit-exact so two runs give the same
// file. x264's superfast preset at CRF 18 encodes the whole show at scale 2
// in about a third of its length on two busy cores, into about 100 MB, with
// an SSIM of 0.98 or more on the busiest scenes; the medium preset at CRF 16
// took 853 s for the show at scale 4 and wrote 227 MB.
struct Codecs {
  const char* suffix;
  std::vector<std::string> video;
  std::vector<std::string> audio;
};
const Codecs kCodecs[] = {
    {".mp4", {"-c:v", "libx264", "-preset", "superfast", "-crf", "18", "-pix_fmt", "yuv420p"},
     {"-c:a", "aac", "-b:a", "192k"}},
    {".mkv", {"-c:v", "libx264", "-preset", "superfast", "-crf", "18", "-pix_fmt", "yuv420p"},
     {"-c:a", "flac"}},
    {".webm", {"-c:v", "libvpx-vp9", "-crf", "20", "-b:v", "0", "-pix_fmt", "yuv420p"},
     {"-c:a", "libopus", "-b:a", "160k"}},
};
const std::vector<std::string> kBitExact = {"-fflags", "+bitexact", "-flags", "+bitexact",
                                            "-map_metadata", "-1"};

// The planes hold BT.601 studio-range values; said so, a player does not
// guess BT.709 from the frame size.
const std::vector<std::string> kColourTags = {"-colorspace", "smpte170m", "-color_range", "tv"};

const Codecs* codecs_for(const std::string& path) {
  for (const Codecs& c : kCodecs)
    if (names_file(path, c.suffix)) return &c;
  return nullptr;
}

// ffmpeg's standard error goes to an unnamed file, so that its lines do not
// stand in for the tool's one-line message; the last of them becomes the
// reason in it.
int ffmpeg_messages_file() {
  FILE* f = std::tmpfile();
  int fd = f ? fcntl(fileno(f), F_DUPFD_CLOEXEC, 3) : -1;
  if (f) std::fclose(f);
  return fd >= 0 ? fd : open("/dev/null", O_WRONLY | O_CLOEXEC);
}

// ": " and the last line ffmpeg wrote, or how it ended when it wrote nothing.
std::string ffmpeg_said(const VideoOutput& out, int status) {
  char text[1024];
  off_t size = lseek(out.ffmpeg_messages, 0, SEEK_END);
  off_t from = size > off_t(sizeof text) ? size - off_t(sizeof text) : 0;
  ssize_t n = size > 0 ? pread(out.ffmpeg_messages, text, sizeof text, from) : 0;
  std::string all(text, n > 0 ? static_cast<size_t>(n) : 0);
  while (!all.empty() && std::strchr("\r\n ", all.back())) all.pop_back();
  size_t start = all.find_last_of("\r\n");
  std::string line = start == std::string::npos ? all : all.substr(start + 1);
  // ffmpeg names the files it was given: the run's own intermediate files
  // are the user's video to the user.
  for (const OutputFile* own : {&out.video_temp, &out.sound}) {
    if (own->write_path.empty()) continue;
    for (size_t at; (at = line.find(own->write_path)) != std::string::npos;)
      line.replace(at, own->write_path.size(), shown(out.path));
  }
  if (line.size() > 200) line = line.substr(0, 200) + "...";
  if (!line.empty()) return ": " + line;
  if (WIFSIGNALED(status)) return std::string(": ffmpeg was killed by signal ") + std::to_string(WTERMSIG(status));
  if (WIFEXITED(status)) return ": ffmpeg ended with status " + std::to_string(WEXITSTATUS(status));
  return "";
}

// Starts ffmpeg with argv, its standard input from stdin_fd (-1: the
// capture's) and its standard error into the messages file; the run kills it
// when it fails or is stopped. Returns the pid, or -1 with the reason in
// *error.
pid_t spawn_ffmpeg(const VideoOutput& out, const std::vector<std::string>& argv, int stdin_fd, int* error) {
  posix_spawn_file_actions_t actions;
  *error = posix_spawn_file_actions_init(&actions);
  if (*error) return -1;
  if (stdin_fd >= 0) *error = posix_spawn_file_actions_adddup2(&actions, stdin_fd, 0);
  if (!*error) *error = posix_spawn_file_actions_adddup2(&actions, out.ffmpeg_messages, 2);
  // ffmpeg inherits the ignored SIGXFSZ: under a file size limit it fails
  // with a reason instead of being killed without one.
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (!*error) *error = posix_spawnp(&pid, "ffmpeg", &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (*error) return -1;
  outputs_add_child(pid);
  return pid;
}

// Why ffmpeg could not be started.
std::string not_started(int error) {
  return std::string("cannot start ffmpeg: ") + std::strerror(error) +
         (error == ENOENT ? " (is it installed?)" : "");
}

bool open_ffmpeg(VideoOutput& out, const Codecs& codecs, std::string* why) {
  if (!output_open_temporary(out.video_temp, out.path, ".video-", codecs.suffix, why)) return false;
  // ffmpeg writes into the file the run made: it truncates, keeping the inode.
  close(out.video_temp.fd);
  out.video_temp.fd = -1;
  std::string size = std::to_string(kFrameWidth * out.scale) + "x" + std::to_string(kFrameHeight * out.scale);
  std::string rate = std::to_string(out.rate_num) + "/" + std::to_string(out.rate_den);
  std::vector<std::string> argv = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
                                   "-f", "rawvideo", "-pix_fmt", feeds_420(out) ? "yuv420p" : "yuv444p", "-s", size,
                                   "-framerate", rate, "-i", "pipe:0"};
  argv.insert(argv.end(), codecs.video.begin(), codecs.video.end());
  argv.insert(argv.end(), kColourTags.begin(), kColourTags.end());
  argv.insert(argv.end(), kBitExact.begin(), kBitExact.end());
  argv.push_back(out.video_temp.write_path);

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return fail(why, std::string("pipe: ") + std::strerror(errno));
  out.ffmpeg_messages = ffmpeg_messages_file();
  int error = 0;
  out.ffmpeg_pid = spawn_ffmpeg(out, argv, fds[0], &error);
  close(fds[0]);
  if (out.ffmpeg_pid < 0) {
    close(fds[1]);
    return fail(why, not_started(error));
  }
  output_attach(out.stream, fds[1], "the pipe into ffmpeg");
  widen_pipe(fds[1], yuv_frame_bytes(out.scale, feeds_420(out)));
  frame_writer_start(&out.stream, out.scale, feeds_420(out), false);
  return true;
}

// Muxes the video ffmpeg made with the sound into out.path.
bool mux_ffmpeg(VideoOutput& out, const std::vector<int16_t>& sound, int rate, std::string* why) {
  if (!output_open_temporary(out.sound, out.path, ".sound-", ".wav", why)) return false;
  wav_append_s16(out.sound, sound, 2, rate);
  if (!output_finish(out.sound, why)) return false;
  OutputFile video;
  if (!output_open(video, out.path, why)) return false;
  if (!video.stream) {
    close(video.fd);
    video.fd = -1;
  }
  const Codecs& codecs = *codecs_for(out.path);
  std::vector<std::string> argv = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                   "-i", out.video_temp.write_path, "-i", out.sound.write_path,
                                   "-map", "0:v", "-map", "1:a", "-c:v", "copy"};
  argv.insert(argv.end(), codecs.audio.begin(), codecs.audio.end());
  argv.insert(argv.end(), kBitExact.begin(), kBitExact.end());
  argv.push_back(video.write_path);
  int error = 0;
  pid_t pid = spawn_ffmpeg(out, argv, -1, &error);
  if (pid < 0) return fail(why, not_started(error));
  int status = outputs_wait_child(pid);
  std::string ignored;
  if (video.stream) output_finish(video, &ignored);
  output_remove(out.video_temp);
  output_remove(out.sound);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return fail(why, shown(out.path) + ": ffmpeg could not mux video and sound" + ffmpeg_said(out, status));
  return output_commit(video, why);
}

bool finish_ffmpeg(VideoOutput& out, const std::vector<int16_t>& sound, int rate, std::string* why) {
  std::string ignored;
  bool wrote = output_finish(out.stream, &ignored);
  int status = outputs_wait_child(out.ffmpeg_pid);
  out.ffmpeg_pid = -1;
  if (!wrote || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return fail(why, shown(out.path) + ": ffmpeg could not encode the video" + ffmpeg_said(out, status));
  return mux_ffmpeg(out, sound, rate, why);
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
  if (!video_kind_for(path, &out.kind))
    return fail(why, shown(path) + ": not a folder, .y4m, .mp4, .mkv or .webm");
  // Checked here rather than left to the first write, which would name a
  // temporary file or only see ffmpeg stop.
  std::string folder = folder_of(out.kind == VideoKind::PngFolder ? path.substr(0, path.find_last_not_of('/') + 1) : path);
  if (!is_folder(folder)) return fail(why, shown(folder) + ": no such folder");
  if (out.kind == VideoKind::Ffmpeg) return open_ffmpeg(out, *codecs_for(path), why);
  if (out.kind == VideoKind::Y4m) {
    if (!output_open(out.sound, path.substr(0, path.size() - 4) + ".wav", why)) return false;
    if (!output_open(out.stream, path, why)) return false;
    char header[96];
    int n = std::snprintf(header, sizeof header, "YUV4MPEG2 W%d H%d F%lld:%lld Ip A1:1 C444\n",
                          kFrameWidth * scale, kFrameHeight * scale, rate_num, rate_den);
    output_write(out.stream, header, static_cast<size_t>(n));
    if (out.stream.stream) widen_pipe(out.stream.fd, 6 + yuv_frame_bytes(scale, false));
    frame_writer_start(&out.stream, scale, false, true);
    return true;
  }
  if (!output_make_folder(path, why)) return false;
  return output_open(out.sound, path + (path.back() == '/' ? "" : "/") + "sound.wav", why);
}

bool video_frame(VideoOutput& out, const uint32_t* frame, std::string* why) {
  switch (out.kind) {
    case VideoKind::PngFolder:
      if (!png_write_rgb(frame_path(out, out.frames), scaled(out, frame), kFrameWidth * out.scale,
                         kFrameHeight * out.scale, why))
        return false;
      break;
    case VideoKind::Y4m:
      if (!frame_writer_push(frame)) {
        frame_writer_stop();
        return output_finish(out.stream, why);
      }
      break;
    case VideoKind::Ffmpeg:
      if (!frame_writer_push(frame)) {
        // It stopped reading: it has ended, or ends now that its input is closed.
        frame_writer_stop();
        std::string ignored;
        output_finish(out.stream, &ignored);
        int status = outputs_wait_child(out.ffmpeg_pid);
        out.ffmpeg_pid = -1;
        return fail(why, shown(out.path) + ": ffmpeg stopped reading frames" + ffmpeg_said(out, status));
      }
      break;
  }
  out.frames++;
  return true;
}

bool video_finish(VideoOutput& out, const std::vector<int16_t>& sound, int rate, std::string* why) {
  frame_writer_stop();
  if (out.kind == VideoKind::Ffmpeg) return finish_ffmpeg(out, sound, rate, why);
  if (out.kind == VideoKind::Y4m && !output_finish(out.stream, why)) return false;
  wav_append_s16(out.sound, sound, 2, rate);
  if (!output_finish(out.sound, why)) return false;
  return (out.kind != VideoKind::Y4m || output_commit(out.stream, why)) && output_commit(out.sound, why);
}
