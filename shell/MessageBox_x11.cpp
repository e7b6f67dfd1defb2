#include <cstdio>

#include "shell/MessageBox.h"

// A screensaver has no one at its console to press OK, and a dialog would
// hold a headless run forever, so the Linux build reports on standard error.
void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) {
  std::fprintf(stderr, "morvane: [%s%s] %s\n", caption,
               icon == MessageIcon::Warning ? ", warning" : "", text);
  std::fflush(stderr);
}
