// The Linux entry point. The options of the Linux screensaver hosts
// (XScreenSaver, xsecurelock: --root, --window-id ID, the standard hack
// options) and --window, --help and --version are read here; everything else
// is joined by single spaces into the command-line text that Windows would
// hand to WinMain.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <X11/Xlib.h>

#include "clock/TimeSource.h"
#include "shell/HostOptions.h"
#include "shell/HostRun.h"
#include "shell/HostWindow.h"
#include "shell/Startup.h"

namespace {

// Losing the X server ends every mode at once with status 0 (Xlib's own
// handler would end it with 1).
int OnDisplayLost(Display* /*display*/) {
  std::fflush(stdout);
  _exit(0);
}

// The host ends a run with SIGTERM: at once, with status 0.
void OnTerminate(int /*signal*/) { _exit(0); }

// A hosted run never ends on its own: if anything calls exit before the
// host has ended the run, the window is kept black until it does.
void HoldHostedRunOnExit() {
  if (!hostRun.ending) HoldHostWindow(launchOptions != nullptr ? launchOptions->parentWindow : 0);
}

void BecomeHosted() {
  hostRun.hosted = true;
  signal(SIGTERM, OnTerminate);
  // xsecurelock's reset request; the clock has nothing to reset.
  signal(SIGUSR1, SIG_IGN);
  std::atexit(HoldHostedRunOnExit);
}

}  // namespace

int main(int argc, char** argv) {
  XSetIOErrorHandler(OnDisplayLost);
  const HostOptions host = ReadHostOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
  if (!host.display.empty()) setenv("DISPLAY", host.display.c_str(), 1);

  std::string commandLine;
  if (host.launch == HostLaunch::Classic) {
    for (int i = 1; i < argc; ++i) {
      if (i > 1) commandLine += ' ';
      commandLine += argv[i];
    }
  }
  const bool underHost = std::getenv("XSCREENSAVER_WINDOW") != nullptr;
  if (!host.unknown.empty()) {
    // Named once, whatever follows. Alone - no option and no switch that is
    // understood - they start nothing: a mistyped option must not blank the
    // screen. (Under a host they draw into its window, as --root: the host
    // would answer an exit with a relaunch at once.)
    if (host.launch == HostLaunch::Classic &&
        ParseCommandLine(commandLine.c_str()).mode == Default) {
      std::fprintf(stderr, "morvane: unknown options: %s (see morvane --help)\n",
                   host.unknown.c_str());
      return 2;
    }
    std::fprintf(stderr, "morvane: ignoring unknown options: %s\n", host.unknown.c_str());
  }

  switch (host.launch) {
    case HostLaunch::Help:
      std::fputs(kHostUsage, stdout);
      return 0;
    case HostLaunch::Version:
      std::fputs(kHostVersion, stdout);
      return 0;
    case HostLaunch::Hosted:
      BecomeHosted();
      if (!host.problem.empty()) {
        std::fprintf(stderr, "morvane: %s\n", host.problem.c_str());
        HoldHostWindow(0);
      }
      commandLine = "/p " + std::to_string(host.window);
      break;
    case HostLaunch::DesktopWindow:
      hostRun.desktopWindow = true;
      commandLine = "/s";  // unguarded, like a full-screen run
      break;
    case HostLaunch::Classic:
      // "/p" under a host (its window in the environment: XScreenSaver's
      // programs line or preview) is hosted: a bad window then waits for
      // the host instead of ending, which the host would answer with a
      // relaunch at once. Elsewhere "/p" keeps the Windows contract.
      if (underHost && ParseCommandLine(commandLine.c_str()).mode == Preview) BecomeHosted();
      break;
  }
  // The clock's runs only, while this thread is still the only one: the
  // About window's browser would inherit the variable, and a path in TZ is
  // no zone name to it.
  if (ParseCommandLine(commandLine.c_str()).mode != Configure) PinTimeZoneVariable();
  const int status = MorvaneMain(commandLine.c_str(), nullptr, 0);
  hostRun.ending = true;
  return status;
}
