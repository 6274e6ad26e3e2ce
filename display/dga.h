// The XFree86-DGA and VidMode part of the display: the calls go through one
// table so that a test can stand in for a server that has the extensions.
#pragma once
#include <X11/Xlib.h>
#include <X11/extensions/xf86vmode.h>

struct DgaCalls {
  Bool (*dga_query_version)(Display*, int* major, int* minor);
  // Whether the server offers direct video and this process may map video
  // memory; asked before dga_get_video, which ends the process on failure.
  Bool (*dga_direct_possible)(Display*, int screen);
  // Maps the video memory; the library itself ends the process on failure.
  Status (*dga_get_video)(Display*, int screen, char** base, int* line_width, int* bank_size,
                          int* memory_kb);
  Status (*dga_direct_video)(Display*, int screen, int enable);
  Status (*dga_install_colormap)(Display*, int screen, Colormap);
  Status (*dga_set_viewport)(Display*, int screen, int x, int y);
  Bool (*dga_viewport_changed)(Display*, int screen, int pages);
  Bool (*vm_query_version)(Display*, int* major, int* minor);
  // The list is freed with XFree, so a stand-in must return one malloc block.
  Bool (*vm_get_all_mode_lines)(Display*, int screen, int* count, XF86VidModeModeInfo*** modes);
  Bool (*vm_switch_to_mode)(Display*, int screen, XF86VidModeModeInfo*);
  Bool (*vm_set_viewport)(Display*, int screen, int x, int y);
};

// The real libXxf86dga and libXxf86vm functions.
extern const DgaCalls kDgaLibraryCalls;

// Installs the calls the DGA modes use (nullptr restores the libraries).
void dga_set_calls(const DgaCalls* calls);

// Whether modes 5 and 6 can take the DGA path on the open display: the
// extension is there with direct video that this process can map. Without
// it they show in a full-screen window instead.
bool dga_available();

// DGA set-up for modes 5 and 6 on the open display state: maps the video
// memory, switches to a video mode of exactly the output size, turns direct
// video on, grabs the keyboard and clears the video memory.
// Returns 0; 2 with banked memory, or when the pages do not fit
// the video memory; 1 without VidMode or without a mode of the output size.
int dga_open();

// Shows the frame just written: nothing in mode 6; in mode 5 waits for the
// last flip to take effect, moves the viewport to the page just drawn and
// draws the next frame into the other page.
void dga_show();

// Ends direct video and switches back to the mode that had the remembered
// size (the last such in the list), keeping the current one when none has.
// Leaves the display connection open.
void dga_restore();
