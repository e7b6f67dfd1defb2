#include "shell/ScreensaverApp.h"

#include <cstdlib>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "clock/Scene.h"
#include "shell/AppIcon.h"
#include "shell/Covers.h"
#include "shell/DisplayState.h"
#include "shell/FramePacing.h"
#include "shell/FullscreenWindow.h"
#include "shell/GlEntryPoints.h"
#include "shell/GlfwAppWindow.h"
#include "shell/HostRun.h"
#include "shell/HostWindow.h"
#include "shell/MessageBox.h"
#include "shell/MonitorRate.h"
#include "shell/OsVersion.h"
#include "shell/PreciseWaits.h"
#include "shell/ViewSize.h"

ScreensaverApp* screensaverApp = nullptr;
bool windowingLibraryStarted = false;

void OnLibraryError(int /*code*/, const char* description) {
  ShowMessageBox(description, "Error", MessageIcon::Information);
}

void OnWindowSize(GLFWwindow* /*window*/, int width, int height) { SetViewSize(width, height); }

// Any key or mouse button ends the screensaver at once, whatever the action.
void OnKey(GLFWwindow* /*window*/, int /*key*/, int /*scancode*/, int /*action*/, int /*mods*/) {
  std::exit(0);
}

void OnMouseButton(GLFWwindow* /*window*/, int /*button*/, int /*action*/, int /*mods*/) {
  std::exit(0);
}

// Moving the mouse or turning the wheel does not end it.
void OnCursorPos(GLFWwindow* /*window*/, double /*x*/, double /*y*/) {}
void OnScroll(GLFWwindow* /*window*/, double /*x*/, double /*y*/) {}

ScreensaverApp::ScreensaverApp(LaunchOptions* launch) : options(launch) {
  glfwSetErrorCallback(OnLibraryError);
  windowingLibraryStarted = glfwInit() == GLFW_TRUE;
  if (!windowingLibraryStarted) {
    // The window cannot open now; OpenMainWindow ends the program.
    ShowMessageBox("Failed to initialize GLFW", "Debug", MessageIcon::Information);
  }
  ChooseWindowSize();
  OpenMainWindow();
  InitRenderState();
}

void ScreensaverApp::ChooseWindowSize() {
  int width = 1280;
  int height = 768;
  if (options->mode == Preview) {
    if (!HostClientSize(options->parentWindow, &width, &height)) width = height = 0;
  } else if (hostRun.desktopWindow) {
    // Two thirds of the primary monitor each way, 1280 x 768 without one.
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* mode = monitor != nullptr ? glfwGetVideoMode(monitor) : nullptr;
    if (mode != nullptr) {
      width = mode->width * 2 / 3;
      height = mode->height * 2 / 3;
    }
  } else if (OsVersionTimesTen() >= 60) {
    // Without a monitor (the library failed to start) the 1280 x 768 of old
    // systems stands; no window can open in that case anyway.
    GLFWmonitor* monitor = glfwGetPrimaryMonitor();
    const GLFWvidmode* mode = monitor != nullptr ? glfwGetVideoMode(monitor) : nullptr;
    if (mode != nullptr) {
      width = mode->width;
      height = mode->height;
    }
  }
  SetViewSize(width, height);
}

void SetContextHints() {
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
  glfwWindowHint(GLFW_CONTEXT_ROBUSTNESS, GLFW_LOSE_CONTEXT_ON_RESET);
  glfwWindowHint(GLFW_SAMPLES, 4);
  glfwWindowHint(GLFW_STEREO, GLFW_FALSE);
}

void SetRenderStartState() {
  glCullFace(GL_BACK);
  glFrontFace(GL_CW);  // culling itself stays off
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDepthRange(0.0, 1.0);
  glEnable(GL_MULTISAMPLE);
  glEnable(GL_LINE_SMOOTH);
  glEnable(GL_POLYGON_SMOOTH);
}

void ScreensaverApp::OpenMainWindow() {
  static constexpr char kTitle[] = "Morvane Screensaver";
  SetContextHints();

  GLFWwindow* made = nullptr;
  if (options->mode == Preview) {
    window = AdoptHostWindow(options->parentWindow);
  } else if (hostRun.desktopWindow) {
    // An ordinary window: resizable, the library's default.
    GlfwAppWindow* desktop = OpenDesktopWindow(ViewSize.width, ViewSize.height, kTitle);
    if (desktop != nullptr) made = desktop->glfwWindow();
    window = desktop;
  } else {
    made = CreateFullscreenWindow(ViewSize.width, ViewSize.height, kTitle,
                                  glfwGetPrimaryMonitor());
    if (made != nullptr) window = new FullscreenAppWindow(made);
  }
  if (window == nullptr && hostRun.hosted) {
    // The host owns the run: what went wrong has been said, and the window
    // stays black until the host ends the run.
    HoldHostWindow(options->parentWindow);
  }
  if (window == nullptr) {
    ShowMessageBox("Failed to open window", "Debug", MessageIcon::Information);
    HoldCovers();
    glfwTerminate();
    std::exit(0);
  }

  if (made != nullptr) {
    glfwSetWindowSizeCallback(made, OnWindowSize);
    if (!hostRun.desktopWindow) {  // a desktop window ends only when closed
      glfwSetKeyCallback(made, OnKey);
      glfwSetMouseButtonCallback(made, OnMouseButton);
    }
    glfwSetCursorPosCallback(made, OnCursorPos);
    glfwSetScrollCallback(made, OnScroll);
  }
  window->MakeContextCurrent();
  if (made != nullptr) {
    GLFWimage icon{kAppIconSize, kAppIconSize, const_cast<unsigned char*>(AppIconPixels())};
    glfwSetWindowIcon(made, 1, &icon);
  }
  LoadGlEntryPoints();  // the context's version was enforced when it was made
}

void ScreensaverApp::InitRenderState() {
  SetRenderStartState();
  window->SetSwapInterval(1);
  if (!hostRun.desktopWindow) window->HideCursor();
}

void ScreensaverApp::RunMainLoop() {
  // The click is never played: a run of our own keeps it in memory only,
  // since an open device would hold the user's sound server awake.
  AssembleScene(window->NativeHandle(),
                hostRun.OwnRun() ? ClickSound::kInMemory : ClickSound::kDeviceBuffer);
  // Paced at the rate of the monitor that shows the window: the primary for
  // the full screen, any for a preview.
  FramePacing* pacing = new FramePacing(
      PacingSeams{glfwGetTime, RefreshRateShowing, WatchDisplay(window->NativeHandle()),
                  WaitTimer{kTimedWaitsEndLate, HoldPreciseWaits}});
  for (;;) {
    AdvanceFrame();
    if (pacing->ShouldPresent(*window)) pacing->Present(*window);
    pacing->Wait(*window);  // polls or waits; a key or button ends the process in here
    if (window->ShouldClose()) break;
    if (options->mode == Preview && window->HostGone()) break;
  }
  DestroySceneSound();
}
