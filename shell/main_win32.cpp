// The Windows entry point. The screensaver host passes the switches in the
// command line ("/s", "/p HWND", "/c"); WinMain gets them without the
// program's name.
#include <windows.h>

#include "shell/Startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
  return MorvaneMain(commandLine != nullptr ? commandLine : "", instance, showCommand);
}
