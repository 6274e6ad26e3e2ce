// The display: output-mode menu, X11 / MIT-SHM / DGA set-up, presentation of a
// FrameBuffer, Escape polling and restore.
#pragma once
#include <cstdint>

// A FrameBuffer is 320 x 200 pixels, row-major, 0x00RRGGBB little-endian words.
constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 200;
constexpr int kFramePixels = kFrameWidth * kFrameHeight;

// display_open's size kinds (the show opens 320 x 200) and its success value;
// failures are 1 or 2.
constexpr int kDisplaySize320x240 = 1;
constexpr int kDisplaySizeShow = 2;
constexpr int kDisplayOpened = 0;

// Asks for an output mode on standard input (flags bit 0 clear) and opens the
// display. size_kind 1 is 320 x 240, 2 is 320 x 200. Flags bit 0 set skips the
// menu and takes mode 1, or mode 5 when bit 1 is set too.
// Returns 0 on success; 1 or 2 on failure (the caller treats both alike):
// 1 for a bad size kind or mode answer (EOF, a word, 0, 7, negatives, huge
// numbers), no X display, no VidMode or no video mode of the output size;
// 2 for a missing MIT-SHM or DGA extension, a server that cannot attach the
// shared memory, a display depth without a converter, or video memory the
// DGA pages do not fit. A failed open leaves nothing open.
int display_open(int size_kind, int flags);

// Opens output mode 1..6 for an internal size of width x height without the
// menu (the command line's --mode); what display_open does after reading the
// mode. Returns 0; 1 or 2 on failure (see display_open), nothing left open.
int display_open_mode(int width, int height, int mode);

// Why the last display_open or display_open_mode failed, in one line for the
// user: the display that could not be opened, the extension, visual or video
// mode that is missing ("" after a success).
const char* display_failure();

// Converts and shows the internal height's rows (200 in the show) of 320
// pixels read from frame, which may be a window into a taller picture of
// 320-pixel rows. Only after a successful display_open. Then gathers the
// show's keys (see display_set_poll_hook).
// Paced by default: when the show clock runs in real time, a frame that is
// ready within the show tick of the previous present waits, asleep, until
// the clock reads the next tick (see display_set_flat_out).
void display_present(const uint32_t* frame);

// The tick of the frame display_present is showing: the clock's last
// reading before the call (the one a scene draws its frame at, or a later
// one of its own), for a sink that passes it on (the page's canvas).
uint32_t display_frame_tick();

// true: present every frame as soon as it is ready, as fast as the machine
// goes (for measuring); false (the default): at most one frame per show tick.
// The command line's --flat-out calls it before the show starts.
void display_set_flat_out(bool on);

// Returns 1 when an Escape key event (key code 9, press or release) was taken
// from the event queue during this call, else 0; events after it stay queued.
// A closed window (see display_window_closed) is reported the same way.
// With a poll hook installed (display_set_poll_hook), returns what the hook
// makes of that answer.
int display_poll_escape();

// The keys the show acts on besides Escape: Space, Left and Right on a
// keyboard; the page's buttons too.
enum DisplayKey { kKeyNone = 0, kKeyPause, kKeyPreviousScene, kKeyNextScene };

// A sink's poll pushes the presses of those keys it takes, in order; the
// show takes them. At most 16 wait; more are dropped.
void display_push_key(DisplayKey key);
// The oldest key pushed and not taken, or kKeyNone.
DisplayKey display_take_key();

// What display_poll_escape hands the sink's answer to (1 Escape or a closed
// window, else 0): the show's controls, which act on the keys pushed
// meanwhile and may hold the caller while the show is paused. Every
// display_present also gathers the keys (FrameSink::gather_keys) and calls
// it with 0, so that the keys work in phases that present without polling;
// its result is then not used. nullptr: none.
void display_set_poll_hook(int (*hook)(int escape));
// The sink's own poll, without the hook: for the hook itself.
int display_poll_sink();

// While held, display_present shows nothing and does not wait: the scene
// being left at a scene change draws nothing more on the screen.
void display_hold_frames(bool held);

// Whether the show's window was closed: its close button (the window
// manager's WM_DELETE_WINDOW message), or the window destroyed by another
// client. Once it is, display_poll_escape reports it like Escape, so the show
// ends at the next scene that polls. Ask before display_close.
bool display_window_closed();

// Sets what runs first when the connection to the X server is lost (the
// server ended, or the show's client was killed): the display then gives back
// what it can without the server (its shared memory), writes one line naming
// the display to standard error and ends the process with status 1, from
// inside Xlib, which cannot go on. The show stops its sound in hook. nullptr:
// nothing runs first.
void display_set_lost_hook(void (*hook)());

// Gives the screen back (DGA: ends direct video and restores the video mode;
// windows: releases the shared-memory image and the window). Call once.
void display_close();

// display_close after a show that failed: the sink gives its output back
// without keeping anything of it (a capture removes what it made). Call
// once, in place of display_close.
void display_abandon();

// Where presented frames go: the X11 output opened by display_open, or the
// sink of a capture run. display_present, display_poll_escape and
// display_close forward to the installed sink.
struct FrameSink {
  void (*present)(const uint32_t* frame);
  int (*poll_escape)();
  void (*close)();
  // Whether the viewer closed the output (see display_window_closed); null
  // for a sink nobody can close (a capture, the browser's canvas).
  bool (*window_closed)() = nullptr;
  // display_abandon's work; null when it is close's.
  void (*abandon)() = nullptr;
  // Takes the presses of the show's keys besides Escape that wait in the
  // input and pushes them (display_push_key), leaving every other event
  // where it is for the next poll; null for a sink without keys.
  void (*gather_keys)() = nullptr;
};

// Installs a frame sink in place of the home sink (nullptr restores it).
void display_set_sink(const FrameSink* sink);

// The sink frames go to until another is installed: the X11 output in the
// show's own build (display/x11_home.cpp), the page's canvas in the
// browser's (web/); each build links its own.
const FrameSink* display_home_sink();
