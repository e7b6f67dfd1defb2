// Platform seam: waits as short as a millisecond. Windows rounds a wait up
// to its timer's tick, 15.6 ms unless a program asks for finer; elsewhere
// waits are that fine already.
#pragma once

// From now until the process ends, the waits of this program (for events,
// with a timeout) end within about a millisecond of their time.
void AskForPreciseWaits();
