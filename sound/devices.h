// Sound devices: the start-up menu and the chosen output. Every device shares
// the mixer's channel operations, so loading and playback work unchanged
// without sound.
#pragma once
#include <cstdint>

#include "sound/device_operations.h"

enum SoundKind : int { kSoundNone = 0, kSound8Bit = 1, kSound16Bit = 2 };

// Results of the menu and the device initialisers.
constexpr int kSdReady = 1;
constexpr int kSdFailed = 0;

// Output rates of the two OSS devices (frames per second). The mixer renders
// at these nominal rates whatever the driver chose, and the block lengths use
// them too.
constexpr int kSoundRate8Bit = 21700;
constexpr int kSoundRate16Bit = 32000;
// Frames a device buffers ahead of what is heard, in both formats: the two
// OSS fragments (2 x 2048 bytes of 8-bit mono, 2 x 8192 bytes of 16-bit
// stereo), and as much asked of ALSA.
constexpr int kSoundBufferFrames = 4096;

// Shows the sound-device menu, reads the answer and installs the device.
// Returns 1 when a device is ready, 0 otherwise (an answer not starting with
// 0, 1 or 2, end of input, or neither /dev/dsp nor ALSA's default device
// opens). The sync triggers belong to the player: the show's start-up
// empties their registry along with this choice.
int sd_menu();

// The menu's work without the menu: installs the device of kind (0 silent,
// 1 8-bit, 2 16-bit) and readies it. Returns 1 when it is ready, 0 for
// another kind or a device that cannot be opened.
int sd_choose(int kind);

// Device initialisers: return 1 after filling the table and the name text
// (and for OSS the descriptor). When /dev/dsp cannot be opened for writing
// the 8-bit and 16-bit devices play the same stream through ALSA's default
// device instead (opened by the writer process); 0 with the error text set
// when that cannot be opened either.
int sd_nosound_init();
int sd_dsp8_init();
int sd_dsp16_init();

// Installs the 8-bit (kind 1) or 16-bit (kind 2) device's table and runs its
// mixer set-up exactly like the menu does, without opening any device file:
// for rendering a stream to a file. Returns 1, or 0 for another kind.
int sd_offline_init(int kind);

// The table of the device kind with the mixer's channel operations and no
// device file behind it: the kind's mixer set-up as init, the other device
// operations empty. The silent table for any kind but 1 and 2.
SoundDevice sd_mixer_device(int kind);
// Records the chosen kind (read by the sound output).
void sd_set_kind(int kind);
// The last steps of every device choice: the installed device's init, the
// master volume 64, its start.
void sd_ready();

// Master volume as a fraction of 63 (1.0 gives 63), truncated.
void set_master_fraction(double fraction);

// The chosen device kind (SoundKind), its open descriptor (-1 when none),
// and its name and error texts ("" until set).
int sd_kind();
int sd_fd();
const char* sd_name();
const char* sd_error();

// Why the last choice of a device failed, in one line for the user: the
// answer that names no device, or the devices tried and their errors (""
// until a choice fails). sd_set_failure records it.
const char* sd_failure();
void sd_set_failure(const char* reason);
