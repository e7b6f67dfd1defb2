#include "shell/Startup.h"

#include "about/AboutWindow.h"
#include "shell/HostRun.h"
#include "shell/InstanceGuard.h"
#include "shell/ScreensaverApp.h"

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
  screensaverApp = new ScreensaverApp(launchOptions);
  screensaverApp->RunMainLoop();
  return 0;
}
