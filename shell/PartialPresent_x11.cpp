#include "shell/PartialPresent.h"

#include <GL/glx.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#define GLFW_EXPOSE_NATIVE_GLX
#include <GLFW/glfw3native.h>

#include "clock/Scene.h"
#include "shell/HostFramebuffer_x11.h"

namespace {
CopySubBuffer copySubBuffer = nullptr;
}  // namespace

bool CanPresentPart(GLFWwindow* window) {
  Display* display = glfwGetX11Display();
  if (display == nullptr || glfwGetGLXWindow(window) == None) return false;
  copySubBuffer = FindCopySubBuffer(display, DefaultScreen(display));
  return copySubBuffer != nullptr;
}

void PresentPart(GLFWwindow* window, const PixelRect& region) {
  copySubBuffer(glfwGetX11Display(), glfwGetGLXWindow(window), region.x, region.y, region.width,
                region.height);
}
