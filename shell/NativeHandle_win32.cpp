#include "shell/NativeHandle.h"

#include <windows.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_WIN32
#include <GLFW/glfw3native.h>

std::uintptr_t NativeWindowHandle(GLFWwindow* window) {
  return reinterpret_cast<std::uintptr_t>(glfwGetWin32Window(window));
}
