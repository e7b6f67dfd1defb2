// The application object of the screensaver modes: the windowing library,
// the window (full screen, or adopted from the preview host) with its
// OpenGL 3.0 context, the input callbacks that end a run, and the main loop.
#pragma once

#include "shell/Startup.h"

struct GLFWwindow;
class AppWindow;

class ScreensaverApp {
 public:
  // Library initialisation, ChooseWindowSize, OpenMainWindow, InitRenderState.
  explicit ScreensaverApp(LaunchOptions* options);

  // Assembles the scene, then draws, swaps and polls until a stop condition.
  void RunMainLoop();

  AppWindow* window = nullptr;
  LaunchOptions* options;

 private:
  void ChooseWindowSize();
  void OpenMainWindow();
  void InitRenderState();
};

extern ScreensaverApp* screensaverApp;

// Whether glfwInit succeeded; the window adoption refuses to work without it.
extern bool windowingLibraryStarted;

// The five window hints of the clock's context: OpenGL 3.0, robustness
// (lose context on reset), 4x multisampling, no stereo.
void SetContextHints();

// The OpenGL state the whole run draws with (the context must be current):
// depth test, alpha blending, multisampling; face culling stays off.
void SetRenderStartState();

// Library callbacks.
void OnLibraryError(int code, const char* description);
void OnWindowSize(GLFWwindow* window, int width, int height);
void OnKey(GLFWwindow* window, int key, int scancode, int action, int mods);
void OnMouseButton(GLFWwindow* window, int button, int action, int mods);
void OnCursorPos(GLFWwindow* window, double x, double y);
void OnScroll(GLFWwindow* window, double x, double y);
