// The guard on Windows: a named event of the logon session. Only its
// existence matters; it is never signalled or waited on.
#include <windows.h>

#include "shell/InstanceGuard.h"

bool AcquireInstanceGuard() {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, L"K_OPENGL_SCREENSAVER");
  if (event != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(event);
    return false;
  }
  // Held open, deliberately never closed, until the process ends. A failed
  // creation runs unguarded.
  return true;
}
