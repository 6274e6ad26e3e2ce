// Sound output: the tick driving of the player, by the writer process's
// requests (sound/writer_process.h) or the interval timer
// (sound/tick_timer.h).
#pragma once
#include <signal.h>

#include <cstdint>

#include "sound/stream.h"

// Starts the writer process (with a sound device) and the tick timer at rate
// ticks per second. music_tick is the music's tick: the writer's requests run
// it before mixing each block, and without a device the timer runs it. If
// the writer cannot be started, its device does not open in it, or the
// device goes away for good later, the music runs from the timer instead,
// silently. Returns once the writer's device plays.
void sound_start(int rate, MusicTick music_tick);
// Ends the writer process (and reaps it) and restores signal handling, timer
// and device. Safe to call when sound_start never ran, and more than once.
void sound_stop();
// SIGALRM ticks since sound_start.
uint32_t sound_ticks();

// held: the music stands still (the show's pause, or while it is moved): the
// writer's requests are answered with silence and the timer runs no music
// tick. false: it goes on from where it stood. Safe before sound_start.
void sound_hold(bool held);

// The sound the output has queued beyond what is heard, in microseconds:
// music moved to a point must start that much later to be heard there. The
// device's buffer and one block while the writer plays; 0 before
// sound_start and without a device.
double sound_queued_micros();

// The music was moved to micros of show time (a later start, a scene change)
// while held or before sound_start: the page's output drops what it had
// queued and times its stream from there. The writer's device plays on.
void sound_moved(double micros);

// The SIGALRM work: counts, and without a sound device (or once the writer
// is gone) runs the music tick.
void timer_tick();
// The SIGCHLD handler: answers the writer's outstanding request, if there is
// one, with one tick's block, and notices a writer that has left.
void sound_tick(int signal, siginfo_t* info, void* context);
