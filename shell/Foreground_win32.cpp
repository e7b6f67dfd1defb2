#include "shell/Foreground_win32.h"

#include <cstdlib>

void EndRunUnlessForeground(HWND window) {
  // For a window of this thread the activation is done when the call
  // returns: the answer is final.
  if (GetForegroundWindow() == window) return;
  if (SetForegroundWindow(window) && GetForegroundWindow() == window) return;
  std::exit(0);
}
