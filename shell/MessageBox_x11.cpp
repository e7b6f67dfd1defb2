#include <cstdio>

#include "shell/HostRun.h"
#include "shell/MessageBox.h"

// A screensaver has no one at its console to press OK, and a dialog would
// hold a headless run forever, so the Linux build reports on standard error.
// A run that a host owns says why it failed once: the first report, the
// most specific one, stands for the reports that follow from it.
void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) {
  static bool said = false;
  if (hostRun.hosted && said) return;
  said = true;
  std::fprintf(stderr, "morvane: [%s%s] %s\n", caption,
               icon == MessageIcon::Warning ? ", warning" : "", text);
  std::fflush(stderr);
}
