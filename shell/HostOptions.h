// The options with which the Linux screensaver hosts start a hack:
// XScreenSaver's "--root" (the window is named in $XSCREENSAVER_WINDOW) and
// "--window-id ID" (the preview of its settings dialog), xsecurelock's
// "-root", and the other standard hack options, which are accepted and
// ignored. The Linux entry point reads them before it builds the
// Windows-style command-line text; ParseCommandLine never sees them.
#pragma once

#include <cstdint>
#include <string>

enum class HostLaunch {
  Classic,        // no host option: the arguments are Windows-style switches
  Hosted,         // --root / --window-id: draw into the host's window; also
                  // only options not understood, with $XSCREENSAVER_WINDOW set
  DesktopWindow,  // --window: an ordinary window on the desktop
  Help,           // --help
  Version,        // --version
};

struct HostOptions {
  HostLaunch launch = HostLaunch::Classic;
  // Hosted: the window to draw into; 0 when none could be read, and then
  // `problem` says why in one line.
  std::uintptr_t window = 0;
  std::string problem;
  // Options not understood, in the order given, separated by spaces. With
  // host options these are every argument not taken; in a Classic launch,
  // the arguments that look like options ("-x", "--x"; the Windows switches
  // are written with '/').
  std::string unknown;
  // --display DISPLAY, when given.
  std::string display;
};

// Reads the arguments (argv[1..argc-1]); `xscreensaverWindow` is the value
// of $XSCREENSAVER_WINDOW, or null when it is not set. Every option is
// accepted with one dash or two.
HostOptions ReadHostOptions(int argc, const char* const* argv, const char* xscreensaverWindow);

// An X window id as the hosts write it: hexadecimal with "0x" or "0X"
// (XScreenSaver), or decimal (xsecurelock). The whole text must be the
// number, and the id must be a non-zero 32-bit value.
bool ReadWindowId(const char* text, std::uintptr_t* id);

// The text of --help.
extern const char kHostUsage[];
// The line of --version: "morvane VERSION".
extern const char kHostVersion[];
