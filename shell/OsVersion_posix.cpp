#include "shell/OsVersion.h"

// Every Linux desktop gets the primary monitor's own mode size.
int OsVersionTimesTen() { return 100; }
