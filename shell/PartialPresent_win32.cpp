// WGL has no copy of a part of the back buffer: frames are shown whole.
#include "shell/PartialPresent.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

bool CanPresentPart(GLFWwindow* /*window*/) { return false; }
void PresentPart(GLFWwindow* window, const PixelRect& /*region*/) { glfwSwapBuffers(window); }
