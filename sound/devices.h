// Sound devices: the start-up menu and the chosen output.
#pragma once

// Shows the sound-device menu, reads the answer and installs the device.
// Returns 1 when a device is ready, 0 otherwise.
int sd_menu();
