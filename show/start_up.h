// The show's start-up. The live show and the capture share everything up to
// the display: the lookup tables, the sound device, the module.
#pragma once
#include <cstdint>

struct StartOptions;

// The start-up steps the live show and the capture share, in order: build
// SineTable and MulTable; choose_sound (sd_menu for the show, an offline
// device for a capture), which installs and starts the sound device; empty
// the sync-trigger registry; load the embedded module (its result is
// ignored: a module that fails to load leaves the show silent). Stops at the
// first step that fails: no memory for SineTable, or choose_sound not ready.
enum ShowPrepared { kShowPrepared, kShowNoMemory, kShowNoSound };
ShowPrepared show_prepare(int (*choose_sound)());

// Start-up of the live show: show_prepare with the sound menu, the display
// menu, the sound output at the show clock's rate, the show clock. Options
// given on the command line answer the menus in advance, and a starting tick
// moves the music and the clock on to it. Exits with status 1, a reversed
// failure text on standard output and the reason on standard error when
// memory for the tables, the sound or the display set-up fails.
void show_start_up(const StartOptions& options);
