// The multimedia timer's resolution: asked for once, only by a run whose
// frames must wait for the screen (FramePacing.cpp), and given back when the
// process ends.
#include "shell/PreciseWaits.h"

#include <windows.h>
#include <timeapi.h>

void AskForPreciseWaits() { timeBeginPeriod(1); }
