// Platform seam: the single-instance guard shared by preview and default
// launches. A named object of the logon session; creating it tells whether it
// already existed, and it exists for as long as its holder process lives.
#pragma once

// True when this process is now the holder of the name, false when another
// live process holds it. A failure to create the object returns true (the
// program then runs unguarded).
bool AcquireInstanceGuard();
