// The interval timer that ticks the music 70 times a second: ITIMER_REAL and
// its SIGALRM handler.
#pragma once

// ITIMER_REAL every 1000000 / rate microseconds (rate 0 or less counts as
// 70), calling callback from the SIGALRM handler, which keeps errno. The
// handler goes in before the timer starts.
void tick_timer_start(int rate, void (*callback)());
// Restores the timer and the SIGALRM handler that were there before
// tick_timer_start; nothing when the timer is not running.
void tick_timer_stop();
