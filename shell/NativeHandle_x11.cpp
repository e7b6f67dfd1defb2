#include "shell/NativeHandle.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>

std::uintptr_t NativeWindowHandle(GLFWwindow* window) {
  return static_cast<std::uintptr_t>(glfwGetX11Window(window));
}
