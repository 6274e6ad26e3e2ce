// Not written yet.
#include "data/content.h"

const char* const kGreetings[kGreetingCount] = {"TUNDRIX  ", " ", " ", " ", " ", " ", " ", " ", " ", " ", "e"};
