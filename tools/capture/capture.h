// tundrix-capture: the show rendered on a virtual clock, modules rendered to
// WAV, pictures decoded to PNG. Each subcommand lives in its own file and
// returns the process's exit status.
#pragma once

int capture_show_main(int argc, char** argv);      // show -o OUT [--fps N] [--from T] [--to T] [--scale K]
int capture_music_main(int argc, char** argv);     // music [--module F] [--device 8|16] ... -o OUT.wav
int capture_picture_main(int argc, char** argv);   // picture FILE -o OUT.png | --list | --embedded ROLE
int capture_sheet_main(int argc, char** argv);     // sheet -o OUT.png [--every TICKS] [--columns C]
int capture_list_embedded();                       // picture --list
int capture_embedded(const char* role, const char* out);  // picture --embedded ROLE|all -o OUT.png
