// poll() and the library's waits take their timeouts to the millisecond or
// finer here.
#include "shell/PreciseWaits.h"

void AskForPreciseWaits() {}
