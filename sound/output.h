// Sound output: the writer process and the tick driving of the player.
#pragma once

// Starts the writer process (with a sound device) and the tick timer at rate
// ticks per second.
void sound_start(int rate);
// Ends the writer process and restores signal handling, timer and device.
// Safe to call when sound_start never ran.
void sound_stop();
