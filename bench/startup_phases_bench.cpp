// Where start-up time goes: the phases between process start and the first
// presented frame of a full-screen run, timed one by one (wall and CPU).
// Needs a display; on a headless machine:
//   tests/xvfb-run.sh build/bench/startup_phases_bench
#include <time.h>

#include <cstdio>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "clock/Scene.h"
#include "shell/AppWindow.h"
#include "shell/GlEntryPoints.h"
#include "shell/ScreensaverApp.h"

namespace {

double Seconds(clockid_t clock) {
  timespec now;
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Phase {
  double wall = Seconds(CLOCK_MONOTONIC);
  double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);

  void Report(const char* name) {
    const double nowWall = Seconds(CLOCK_MONOTONIC);
    const double nowCpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    std::printf("%-40s wall %7.1f ms   cpu %7.1f ms\n", name, (nowWall - wall) * 1e3, (nowCpu - cpu) * 1e3);
    wall = nowWall;
    cpu = nowCpu;
  }
};

}  // namespace

int main() {
  Phase total;
  Phase phase;
  LaunchOptions options;
  options.mode = Fullscreen;
  screensaverApp = new ScreensaverApp(&options);
  phase.Report("window, context, entry points, state");
  AssembleScene(screensaverApp->window->NativeHandle(), ClickSound::kDeviceBuffer);
  glFinish();
  phase.Report("scene assembly (textures, programs, mesh)");
  StepFrame();
  screensaverApp->window->SwapBuffers();
  glFinish();
  phase.Report("first frame drawn and presented");
  total.Report("total since main");
  for (int i = 0; i < 10; ++i) {
    StepFrame();
    screensaverApp->window->SwapBuffers();
  }
  glFinish();
  phase.Report("ten more frames");
  return 0;
}
