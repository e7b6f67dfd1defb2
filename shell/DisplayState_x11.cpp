#include "shell/DisplayState.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3native.h>

namespace {

bool NeverOff() { return false; }

bool MonitorsOff() {
  CARD16 level = DPMSModeOn;
  BOOL enabled = False;
  return DPMSInfo(glfwGetX11Display(), &level, &enabled) && enabled && level != DPMSModeOn;
}

}  // namespace

DisplayWatch WatchDisplay(std::uintptr_t /*window*/) {
  Display* display = glfwGetX11Display();
  int event = 0;
  int error = 0;
  if (display == nullptr || !DPMSQueryExtension(display, &event, &error) || !DPMSCapable(display)) {
    return DisplayWatch{NeverOff, 0.0};
  }
  return DisplayWatch{MonitorsOff, 1.0};
}
