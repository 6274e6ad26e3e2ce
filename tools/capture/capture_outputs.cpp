#include "tools/capture/capture_outputs.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "show/options.h"

namespace {

// Writes larger than this go out at once; smaller ones are gathered.
constexpr size_t kBufferBytes = size_t{1} << 20;

struct Made {
  std::string path;
  dev_t dev;
  ino_t ino;
  bool folder;
};

std::vector<Made> made;  // in the order the run made them
std::vector<pid_t> children;
volatile sig_atomic_t stop_signal = 0;

extern "C" void note_stop(int signal_number) {
  if (stop_signal == 0) stop_signal = signal_number;
}

bool failed(std::string* why, const std::string& name, int error) {
  *why = shown(name) + ": " + std::strerror(error);
  return false;
}

// Files are never left on descriptors 0 to 2: with a standard stream closed
// when the run started, a later write meant for it would land in the file.
int above_standard_streams(int fd) {
  if (fd > 2) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

// Memory running out ends the run by taking back what it made: everything
// remembering a file needs (room in the list, the path) is made before the
// file is, so that no file can exist unremembered.
Made prepared(const std::string& path, bool folder) {
  if (made.size() == made.capacity()) made.reserve(2 * made.size() + 8);
  return {path, 0, 0, folder};
}

void remember(int fd, Made&& entry) {
  struct stat st;
  if (fstat(fd, &st) != 0) return;
  entry.dev = st.st_dev;
  entry.ino = st.st_ino;
  made.push_back(std::move(entry));
}

// Removes what the name leads to only when it is, without following a link,
// the very file or folder the run made.
void remove_if_made(const Made& m) {
  struct stat st;
  if (lstat(m.path.c_str(), &st) != 0 || st.st_dev != m.dev || st.st_ino != m.ino) return;
  if (m.folder && S_ISDIR(st.st_mode)) rmdir(m.path.c_str());
  if (!m.folder && S_ISREG(st.st_mode)) unlink(m.path.c_str());
}

void kill_children() {
  for (pid_t pid : children) {
    kill(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  children.clear();
}

// Children first: an encoder still running would write on into its file.
void take_back() {
  kill_children();
  for (auto m = made.rbegin(); m != made.rend(); ++m) remove_if_made(*m);
  made.clear();
}

Made* made_entry(const std::string& path) {
  for (Made& m : made)
    if (m.path == path) return &m;
  return nullptr;
}

// Takes a file the run has just made, remembered as entry (see prepared).
bool adopt(OutputFile& f, int fd, Made&& entry, std::string* why) {
  if (fd < 0) return failed(why, f.name, errno);
  remember(fd, std::move(entry));
  f.write_path = made.back().path;
  fd = above_standard_streams(fd);
  if (fd < 0) return failed(why, f.name, errno);
  f.fd = fd;
  return true;
}

// A device or a FIFO: opened as it is. Opening a FIFO waits for its reader,
// which a stop signal interrupts.
bool open_stream(OutputFile& f, std::string* why) {
  int fd;
  while ((fd = open(f.name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY)) < 0 && errno == EINTR) outputs_check_stop();
  if (fd >= 0) fd = above_standard_streams(fd);
  if (fd < 0) return failed(why, f.name, errno);
  f.fd = fd;
  f.write_path = f.name;
  f.stream = true;
  return true;
}

// The extension of the last component of path, dot included ("" for none).
std::string extension(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot);
}

// A new file of the run's own beside path: path, tag, six random characters
// and suffix ("out.mp4.video-k3Xq9Z.mp4"), which tells the user whose it
// is; or, where that name would pass the system's limit for a name, the
// shorter ".tundrix" tag ... in the same folder.
bool open_made(OutputFile& f, const std::string& path, const char* tag, const std::string& suffix,
               std::string* why) {
  const size_t base = path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1;
  const bool fits = path.size() - base + std::strlen(tag) + 6 + suffix.size() <= NAME_MAX;
  const std::string prefix = fits ? path + tag : path.substr(0, base) + ".tundrix" + tag;
  Made entry = prepared(prefix + "XXXXXX" + suffix, false);
  int fd = mkostemps(entry.path.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  return adopt(f, fd, std::move(entry), why);
}

// An existing regular file, or a link to one: the new content is written
// beside the file the name leads to, and replaces it at commit with its mode
// and owner.
bool open_replacement(OutputFile& f, const struct stat& old, std::string* why) {
  char target[PATH_MAX];
  if (!realpath(f.name.c_str(), target)) return failed(why, f.name, errno);
  // A file the user may not write stays as it is, as with writing in place.
  if (access(target, W_OK) != 0) return failed(why, f.name, errno);
  if (!open_made(f, target, ".part-", extension(target), why)) return false;
  fchmod(f.fd, old.st_mode & 07777);
  if (geteuid() == 0 && fchown(f.fd, old.st_uid, old.st_gid) != 0) {
    // The new file keeps the run's owner.
  }
  f.final_path = target;
  return true;
}

bool write_out(OutputFile& f, const uint8_t* data, size_t bytes) {
  while (bytes > 0 && f.error == 0) {
    ssize_t n = write(f.fd, data, bytes);
    if (n < 0 && errno == EINTR) {
      outputs_check_stop();
      continue;
    }
    if (n <= 0) {
      f.error = n < 0 ? errno : EIO;
      break;
    }
    data += n;
    bytes -= static_cast<size_t>(n);
    f.flushed += static_cast<size_t>(n);
  }
  return f.error == 0;
}

void flush(OutputFile& f) {
  if (!f.buffer.empty()) write_out(f, f.buffer.data(), f.buffer.size());
  f.buffer.clear();
}

// The descriptor a name stands for: "-" and /dev/stdout are 1, /dev/stderr
// 2, /dev/fd/N N; -1 for other names. Written through the descriptor itself,
// an output keeps what the shell set up (appending, a terminal).
int named_descriptor(const std::string& name) {
  if (name == "-" || name == "/dev/stdout") return 1;
  if (name == "/dev/stderr") return 2;
  if (name.rfind("/dev/fd/", 0) != 0 || name.size() == 8 || name.size() > 12 ||
      name.find_first_not_of("0123456789", 8) != std::string::npos)
    return -1;
  return std::atoi(name.c_str() + 8);
}

}  // namespace

void outputs_catch_signals() {
  // A run has at most one child at a time (ffmpeg encoding, then muxing):
  // with the room made here, a child started is always remembered.
  children.reserve(4);
  struct sigaction stop = {};
  stop.sa_handler = note_stop;
  sigemptyset(&stop.sa_mask);
  // No SA_RESTART: a write into a full pipe or the open of a FIFO without a
  // reader returns, and the stop is seen at once.
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &stop, nullptr);
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
}

void outputs_check_stop() {
  int s = stop_signal;
  if (s == 0) return;
  take_back();
  signal(s, SIG_DFL);
  raise(s);
  _exit(128 + s);
}

void outputs_fail(const std::string& line) {
  // Ctrl-C reaches ffmpeg or a reader at the other end of a pipe too: the
  // failure it causes is the stop's.
  outputs_check_stop();
  take_back();
  std::fprintf(stderr, "tundrix-capture: %s\n", line.c_str());
  std::exit(1);
}

void outputs_out_of_memory() {
  // The first thread to run out takes back and ends the process; another
  // that runs out meanwhile waits for that end. _exit: the other thread may
  // still be working, and nothing buffered is wanted of a failed run.
  static std::atomic_flag ending = ATOMIC_FLAG_INIT;
  if (ending.test_and_set())
    for (;;) pause();
  outputs_check_stop();
  take_back();
  static const char kLine[] = "tundrix-capture: out of memory\n";
  (void)!write(2, kLine, sizeof kLine - 1);
  _exit(1);
}

void outputs_abandon() { take_back(); }

bool output_open(OutputFile& f, const std::string& name, std::string* why) {
  f = OutputFile{};
  f.name = name;
  if (int fd = named_descriptor(name); fd >= 0) {
    output_attach(f, fd, name == "-" ? "standard output" : name);
    f.own_fd = false;
    return true;
  }
  struct stat st;
  if (stat(name.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return failed(why, name, EISDIR);
    if (!S_ISREG(st.st_mode)) return open_stream(f, why);
    return open_replacement(f, st, why);
  }
  if (errno != ENOENT) return failed(why, name, errno);
  if (lstat(name.c_str(), &st) == 0) {
    *why = shown(name) + ": a link to nothing";
    return false;
  }
  Made entry = prepared(name, false);
  return adopt(f, open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666), std::move(entry), why);
}

bool output_open_temporary(OutputFile& f, const std::string& name, const char* tag, const std::string& suffix,
                           std::string* why) {
  f = OutputFile{};
  f.name = name;
  return open_made(f, name, tag, suffix, why);
}

void output_attach(OutputFile& f, int fd, const std::string& name) {
  f = OutputFile{};
  f.name = name;
  f.write_path = name;
  f.fd = fd;
  f.stream = true;
}

void output_write(OutputFile& f, const void* data, size_t bytes) {
  if (f.error) return;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  // A stream gets what is written at once: a reader follows it as it grows,
  // and a reader that went away is seen at the next write. The buffer of an
  // output that is not held never grows past kBufferBytes.
  bool at_once = f.stream || bytes >= kBufferBytes;
  if (!f.hold && (at_once || f.buffer.size() + bytes > kBufferBytes)) flush(f);
  if (!f.hold && at_once) {
    write_out(f, p, bytes);
    return;
  }
  f.buffer.insert(f.buffer.end(), p, p + bytes);
  if (!f.hold && f.buffer.size() >= kBufferBytes) flush(f);
}

void output_reserve(OutputFile& f) { f.buffer.reserve(kBufferBytes); }

bool output_failed(const OutputFile& f) { return f.error != 0; }

void output_patch(OutputFile& f, size_t offset, const void* data, size_t bytes) {
  if (f.error) return;
  if (offset >= f.flushed && offset - f.flushed + bytes <= f.buffer.size()) {
    std::memcpy(f.buffer.data() + (offset - f.flushed), data, bytes);
    return;
  }
  flush(f);
  if (f.error) return;
  ssize_t n = pwrite(f.fd, data, bytes, static_cast<off_t>(offset));
  if (n != static_cast<ssize_t>(bytes)) f.error = n < 0 ? errno : EIO;
}

bool output_finish(OutputFile& f, std::string* why) {
  flush(f);
  if (f.fd >= 0 && f.own_fd && close(f.fd) != 0 && f.error == 0) f.error = errno;
  f.fd = -1;
  if (f.error) return failed(why, f.name, f.error);
  return true;
}

bool output_commit(OutputFile& f, std::string* why) {
  if (f.final_path.empty()) return true;
  // The list learns the new name without allocating once the file has it.
  Made* m = made_entry(f.write_path);
  std::string new_path = f.final_path;
  if (rename(f.write_path.c_str(), f.final_path.c_str()) != 0) return failed(why, f.name, errno);
  if (m) std::swap(m->path, new_path);
  std::swap(f.write_path, f.final_path);
  f.final_path.clear();
  return true;
}

void output_remove(OutputFile& f) {
  if (f.fd >= 0 && f.own_fd) close(f.fd);
  f.fd = -1;
  auto m = std::find_if(made.begin(), made.end(), [&](const Made& e) { return e.path == f.write_path; });
  if (m == made.end()) return;
  remove_if_made(*m);
  made.erase(m);
}

bool output_make_folder(const std::string& path, std::string* why) {
  std::string folder = path.size() > 1 ? path.substr(0, path.find_last_not_of('/') + 1) : path;
  Made entry = prepared(folder, true);
  if (mkdir(folder.c_str(), 0777) == 0) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
      remember(fd, std::move(entry));
      close(fd);
    }
    return true;
  }
  if (errno != EEXIST) return failed(why, folder, errno);
  struct stat st;
  if (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
  *why = shown(folder) + ": exists and is not a folder";
  return false;
}

void outputs_add_child(pid_t pid) { children.push_back(pid); }

int outputs_wait_child(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) break;
    outputs_check_stop();
  }
  children.erase(std::remove(children.begin(), children.end(), pid), children.end());
  return status;
}

int outputs_stdout_status() {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  std::fprintf(stderr, "tundrix-capture: standard output: %s\n", std::strerror(errno ? errno : EIO));
  return 1;
}
