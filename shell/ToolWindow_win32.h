// Windows: the library's windows kept off the taskbar.
#pragma once

struct GLFWmonitor;
struct GLFWwindow;

// glfwCreateWindow, with the window made a tool window (no taskbar button,
// no Alt+Tab entry) at WM_CREATE, before it is first shown: the library
// gives its windows WS_EX_APPWINDOW and may show them inside the call.
GLFWwindow* CreateToolWindow(int width, int height, const char* title, GLFWmonitor* monitor);
