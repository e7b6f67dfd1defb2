// Platform seam: how late a timed wait for events ends. Windows rounds a wait
// up to its timer's tick, 15.6 ms unless a program asks for finer; elsewhere
// waits are as fine as a millisecond already.
#pragma once

// How late a timed wait may end while precise waits are not held.
extern const double kTimedWaitsEndLate;

// While held, waits end within about a millisecond of their time. Held only
// for as long as a run's frames must wait for the screen: a finer timer
// costs power of its own.
void HoldPreciseWaits(bool hold);
