// The virtual machine a show runs on when it is rendered rather than watched
// (the capture, the browser build's check run): a virtual clock behind the
// show clock and a row of frame slots behind display_present.
//
// Slot k is shown at k / fps seconds; the frame for it is worked on in the
// window [k P + 0.4 P, (k + 1) P + 0.4 P) of virtual time, P being the slot
// length. Every clock reading costs 0.2 P, so a frame's readings step through
// its window: the first three see the slot's own tick, and a fourth (the
// greetings count the ticks that pass while objects are drawn) sees the next
// one. Presenting waits for the end of the window, as for a vertical blank.
// A loop that reads the clock without presenting advances time by its
// readings alone, so every wait ends; slots that pass while a scene works or
// waits repeat the frame last shown.
#pragma once
#include <cstdint>

#include "display/display.h"

// Time is counted in whole units of 14,286 / fps microseconds: a slot is 70
// units, a reading 14, a window starts 28 units into its slot, a show tick is
// fps units. Counting in integers, with each reading taken half a unit into
// its step, keeps every reading off the tick boundaries whatever the frame
// rate.
struct VirtualMachine {
  long long fps;
  long long now;                 // units since the show clock started
  long long next_slot;           // first slot not yet filled
  long long last_slot;           // polls report Escape once it is filled; -1: never
  uint32_t shown[kFramePixels];  // the frame on screen
  // Called for every filled slot, in order, with the frame it shows.
  void (*fill_slot)(long long slot, const uint32_t* frame);
  // Called after every clock reading with the virtual time reached, in seconds.
  void (*time_passed)(double seconds);
  // Called at every poll, before it answers, and after every present, with
  // the slot of the virtual time reached; a run that presses keys pushes
  // them here (display_push_key).
  // Null (vm_start's choice): no keys.
  void (*polled)(long long slot);
};

extern VirtualMachine vm;

// Sets up vm for fps slots per 70 show ticks of 14,286 microseconds (70: one
// slot per tick), installs the virtual clock and the capture frame sink, and
// starts the show clock at the start of slot 0's window. close and abandon
// are the sink's display_close and display_abandon (null: close). last_slot
// -1 runs to the end of the show.
void vm_start(long long fps, long long last_slot, void (*fill_slot)(long long, const uint32_t*),
              void (*time_passed)(double), void (*close)(), void (*abandon)() = nullptr);

// The slot whose window the virtual time has reached.
long long vm_current_slot();

// Slot length in seconds.
double vm_slot_seconds();
