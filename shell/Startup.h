// The portable entry point behind main (Linux) and WinMain (Windows).
#pragma once

#include <cstdint>

enum ScreensaverMode : std::int32_t { Preview = 0, Fullscreen = 1, Configure = 2, Default = 3 };

struct LaunchOptions {
  ScreensaverMode mode = Default;
  std::uintptr_t parentWindow = 0;
};

extern LaunchOptions* launchOptions;

// Parses the switches ("/p HANDLE", "/s", "/c[:HANDLE]"); every "/" is
// examined, the last recognised letter wins.
LaunchOptions ParseCommandLine(const char* text);

// Runs the program for a command line (without the program name). `instance`
// and `showCommand` are WinMain's; the Linux entry passes null and 0.
int MorvaneMain(const char* commandLine, void* instance, int showCommand);
