// poll() and the X server wait to the millisecond: nothing to hold.
#include "shell/PreciseWaits.h"

const double kTimedWaitsEndLate = 0.0;

void HoldPreciseWaits(bool /*hold*/) {}
