#include "shell/GlfwAppWindow.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "shell/NativeHandle.h"

void GlfwAppWindow::MakeContextCurrent() { glfwMakeContextCurrent(window_); }
void GlfwAppWindow::SetSwapInterval(int interval) { glfwSwapInterval(interval); }
void GlfwAppWindow::HideCursor() { glfwSetInputMode(window_, GLFW_CURSOR, GLFW_CURSOR_HIDDEN); }
void GlfwAppWindow::SwapBuffers() { glfwSwapBuffers(window_); }
void GlfwAppWindow::PollEvents() { glfwPollEvents(); }
bool GlfwAppWindow::ShouldClose() { return glfwWindowShouldClose(window_) != 0; }
std::uintptr_t GlfwAppWindow::NativeHandle() { return NativeWindowHandle(window_); }
