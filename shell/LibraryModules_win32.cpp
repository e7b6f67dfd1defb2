// GLFW 3.4 creates DirectInput only when a joystick function is first
// called, which this program never does, yet glfwInit still maps
// dinput8.dll. Linked with --wrap=_glfwPlatformLoadModule (shell/
// CMakeLists.txt), every module the library loads passes through here, and
// that one is refused: the library then has no DirectInput joysticks (the
// ones whose enumeration can stall for a minute on some USB devices), and
// no part of DirectInput is ever in the process. Everything else loads as
// the library asks.
#include <string.h>

extern "C" void* __real__glfwPlatformLoadModule(const char* path);

extern "C" void* __wrap__glfwPlatformLoadModule(const char* path) {
  if (_stricmp(path, "dinput8.dll") == 0) return nullptr;
  return __real__glfwPlatformLoadModule(path);
}
