// Platform seam: the native handle of a GLFW window (HWND / X11 Window).
#pragma once

#include <cstdint>

struct GLFWwindow;

std::uintptr_t NativeWindowHandle(GLFWwindow* window);
