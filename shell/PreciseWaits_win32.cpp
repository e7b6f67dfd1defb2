// The multimedia timer's resolution, asked for while a run whose swap does
// not wait holds a flip's frames to the screen's rate, and given back at rest.
#include "shell/PreciseWaits.h"

#include <windows.h>
#include <timeapi.h>

// The system timer's default tick, 1/64 s.
const double kTimedWaitsEndLate = 0.015625;

void HoldPreciseWaits(bool hold) {
  static bool held = false;
  if (hold == held) return;
  held = hold;
  if (hold) {
    timeBeginPeriod(1);
  } else {
    timeEndPeriod(1);
  }
}
