// The desktop window of `--window` on X11: a GLFW window that keeps its
// picture (KeptPicture), so that a flip's frame draws and shows only the
// tiles that changed.
#include <GL/glx.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#define GLFW_EXPOSE_NATIVE_X11
#define GLFW_EXPOSE_NATIVE_GLX
#include <GLFW/glfw3native.h>

#include "clock/Scene.h"
#include "shell/GlfwAppWindow.h"
#include "shell/HostWindow.h"
#include "shell/KeptPicture_x11.h"
#include "shell/ViewSize.h"

namespace {

class DesktopAppWindow final : public GlfwAppWindow {
 public:
  using GlfwAppWindow::GlfwAppWindow;

  bool KeepPicture() override {
    return kept_.Start(glfwGetX11Display(), glfwGetGLXWindow(glfwWindow()), ViewSize.width,
                       ViewSize.height);
  }
  void FollowSize() override { kept_.Resize(ViewSize.width, ViewSize.height); }
  void PresentRegion(const PixelRect& region) override { kept_.Show(region); }

 private:
  KeptPicture kept_;
};

}  // namespace

GlfwAppWindow* OpenDesktopWindow(int width, int height, const char* title) {
  Display* display = glfwGetX11Display();
  const bool keep = display != nullptr && KeptPicture::Offered(display, DefaultScreen(display));
  if (keep) glfwWindowHint(GLFW_SAMPLES, 0);  // the kept frame is the multisampled one
  GLFWwindow* window = glfwCreateWindow(width, height, title, nullptr, nullptr);
  if (window == nullptr) return nullptr;
  return keep ? new DesktopAppWindow(window) : new GlfwAppWindow(window);
}
