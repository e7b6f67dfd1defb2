#include "shell/Startup.h"

#include "about/AboutWindow.h"
#include "shell/HostRun.h"
#include "shell/InstanceGuard.h"
#include "shell/ScreensaverApp.h"
#include "sound/SoundDevice.h"

LaunchOptions* launchOptions = nullptr;
HostRun hostRun;

int MorvaneMain(const char* commandLine, void* instance, int showCommand) {
  launchOptions = new LaunchOptions(ParseCommandLine(commandLine));
  // A host starts one process per screen or monitor: no guard for them.
  if ((launchOptions->mode == Preview || launchOptions->mode == Default) && !hostRun.hosted) {
    if (!AcquireInstanceGuard()) return 0;
  }
  if (launchOptions->mode == Configure) {
    AboutWindow about(instance, showCommand);
    return 0;
  }
  // A run that opens the sound device (runs of our own do not) quiets its
  // libraries before the window, whose OpenGL driver starts threads: the
  // environment is still this thread's alone.
  if (!hostRun.OwnRun()) QuietSoundLibraries();
  screensaverApp = new ScreensaverApp(launchOptions);
  screensaverApp->RunMainLoop();
  return 0;
}
