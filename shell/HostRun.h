// How the Linux entry point asks the portable code to run, beyond the
// Windows-style switches: drawn into a screensaver host's window, or in an
// ordinary desktop window. Both stay false on Windows.
#pragma once

struct HostRun {
  // A host (XScreenSaver, xsecurelock) owns the window and the run: no
  // single-instance guard, input stays with the host, the run ends only
  // when the host ends it (SIGTERM, or the window destroyed). A failure is
  // said once and the window kept black until then.
  bool hosted = false;
  // An ordinary resizable window titled "Morvane Screensaver" that follows
  // its size and ends when it is closed; keys and buttons do not end it.
  bool desktopWindow = false;
  // Set just before the process ends because the host ended the run.
  bool ending = false;

  // Either of the two: a run that the Windows modes do not describe. It
  // opens no sound device.
  bool OwnRun() const { return hosted || desktopWindow; }
};

extern HostRun hostRun;
