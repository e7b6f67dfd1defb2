#include "shell/Startup.h"

#include "about/AboutWindow.h"
#include "shell/InstanceGuard.h"
#include "shell/ScreensaverApp.h"

LaunchOptions* launchOptions = nullptr;

int MorvaneMain(const char* commandLine, void* instance, int showCommand) {
  launchOptions = new LaunchOptions(ParseCommandLine(commandLine));
  if (launchOptions->mode == Preview || launchOptions->mode == Default) {
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
