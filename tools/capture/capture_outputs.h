// The files a capture run writes, and taking back exactly what the run made
// itself when it fails or is stopped.
//
// A name that does not exist yet is created (never taken over: O_EXCL) and
// remembered by device and inode; a name that exists as a regular file, or
// as a link to one, keeps its old content until the new one is complete: the
// bytes go to a file of the run's own beside it, renamed over it at commit.
// "-" and /dev/stdout are standard output (and /dev/stderr, /dev/fd/N their
// descriptors); a device or a FIFO is written to in place as a stream. Only
// files and folders the run made are ever removed, and only while their name
// still leads to that same file.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Turns SIGINT, SIGTERM and SIGHUP into a request that outputs_check_stop
// acts on (the handler only records the signal), and ignores SIGPIPE and
// SIGXFSZ so that a closed pipe or a file size limit fails the write (EPIPE,
// EFBIG) instead of killing the run. Call before the first output is opened.
void outputs_catch_signals();

// When a stop signal has arrived: removes what the run made, kills and reaps
// its children, and ends the process by that signal (status 128 + its
// number). Returns otherwise. Called between frames and ticks and wherever a
// system call was interrupted.
void outputs_check_stop();

// Removes what the run made, kills and reaps its children, writes
// "tundrix-capture: " and line to standard error and exits with status 1 -
// or, when a stop signal has arrived, ends as outputs_check_stop does.
[[noreturn]] void outputs_fail(const std::string& line);

// Memory ran out (the tool's new handler): outputs_fail("out of memory"),
// allocating nothing, from whichever thread it happened on.
[[noreturn]] void outputs_out_of_memory();

// Removes what the run made and kills and reaps its children, as a failure
// does, but leaves the reporting and the exit to the caller (the show's own
// ending after a scene failed).
void outputs_abandon();

struct OutputFile {
  std::string name;        // the name messages use
  std::string write_path;  // where the bytes go: the name, or the run's own file beside the one it replaces
  std::string final_path;  // the file write_path is renamed over at commit; empty when none
  int fd = -1;
  bool stream = false;     // standard output, a device, a FIFO, a pipe
  bool hold = false;       // keep everything in the buffer until output_finish (a stream whose header is patched)
  bool own_fd = true;      // output_finish closes fd (not standard output)
  size_t flushed = 0;      // bytes already handed to the system
  int error = 0;           // errno of the first failed write
  std::vector<uint8_t> buffer;
};

// Opens name for writing as described above. Fails, with "NAME: reason" in
// *why, for a folder, a link to nothing, or what cannot be opened or created.
bool output_open(OutputFile& f, const std::string& name, std::string* why);

// Creates a new file of the run's own beside name, called name, tag, six
// random characters and suffix (the intermediate files of a video:
// "out.mp4.video-k3Xq9Z.mp4"; a shorter ".tundrix" one where that name would
// be too long), and opens it like output_open. Messages call it name: the
// user's own file that it goes into.
bool output_open_temporary(OutputFile& f, const std::string& name, const char* tag, const std::string& suffix,
                           std::string* why);

// Makes f a stream over an open descriptor (the pipe into ffmpeg) called name.
void output_attach(OutputFile& f, int fd, const std::string& name);

// Appends bytes. After the first failed write nothing more is written; the
// failure is reported by output_finish (and output_failed tells it at once).
void output_write(OutputFile& f, const void* data, size_t bytes);

// Makes room in f's buffer for every later write of an output that is not
// held: output_write then allocates nothing (the frame writer's thread).
void output_reserve(OutputFile& f);
bool output_failed(const OutputFile& f);

// Rewrites bytes at offset from the start (a header whose sizes are known only
// at the end): in place in a file, in the buffer of a held stream.
void output_patch(OutputFile& f, size_t offset, const void* data, size_t bytes);

// Writes out what is buffered and closes the file. Returns false with
// "NAME: reason" when any write failed.
bool output_finish(OutputFile& f, std::string* why);

// Puts a finished file in place: renames the run's own file over the one it
// replaces. The file stays the run's own: a later failure removes it.
bool output_commit(OutputFile& f, std::string* why);

// Removes a file of the run's own that is no longer wanted (a video's
// intermediate files once muxed).
void output_remove(OutputFile& f);

// Makes the folder path, or uses it when it exists; a folder the run made is
// removed on failure when it is empty by then. False with "PATH: reason" when
// path exists as something else or cannot be made.
bool output_make_folder(const std::string& path, std::string* why);

// A child process (ffmpeg) that outputs_fail and a stop signal kill and reap.
void outputs_add_child(pid_t pid);

// Waits for a child given to outputs_add_child and returns its wait status;
// a stop signal while waiting ends the run (the child is killed with it).
int outputs_wait_child(pid_t pid);

// Flushes standard output (the help, the picture list). Returns 0 when all
// of it was written, or 1 after writing "tundrix-capture: standard output:
// REASON" to standard error.
int outputs_stdout_status();
