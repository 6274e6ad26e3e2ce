// The greetings texts, in show order. The scene draws them in the 32-pixel
// font: the opening line from column 40, every other text from column 0
// with its later lines 32 pixels further right, so a first line holds at
// most ten characters and a later line nine. "e" sends the scene back to
// the first text; the blanks are pauses.
#include "data/content.h"

const char* const kGreetings[kGreetingCount] = {
    "TUNDRIX  ",
    "GREETINGS\nTO ALL\nSCENERS",
    "HELLO TO\nTHE NIGHT\nOWLS",
    "WARM HUGS\nTO FROSTY\nCODERS",
    "CHEERS TO\nPIXEL\nPAINTERS",
    "AND TO YOU\nWATCHING!",
    " ",
    " ",
    " ",
    " ",
    "e",
};
