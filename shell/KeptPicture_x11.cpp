#include "shell/KeptPicture_x11.h"

#include <string_view>

#include "clock/Scene.h"

KeptPicture::CopySubBuffer KeptPicture::Find(Display* display, int screen) {
  const char* extensions = glXQueryExtensionsString(display, screen);
  if (extensions == nullptr ||
      std::string_view(extensions).find("GLX_MESA_copy_sub_buffer") == std::string_view::npos) {
    return nullptr;
  }
  return reinterpret_cast<CopySubBuffer>(
      glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCopySubBufferMESA")));
}

bool KeptPicture::Offered(Display* display, int screen) {
  return Find(display, screen) != nullptr;
}

bool KeptPicture::Start(Display* display, GLXDrawable drawable, int width, int height) {
  copySubBuffer_ = Find(display, DefaultScreen(display));
  if (copySubBuffer_ == nullptr || !frame_.Resize(width, height)) {
    KeptFrame::DrawToWindow();
    copySubBuffer_ = nullptr;
    return false;
  }
  display_ = display;
  drawable_ = drawable;
  return true;
}

void KeptPicture::Resize(int width, int height) {
  glXSwapBuffers(display_, drawable_);
  frame_.Resize(width, height);
}

void KeptPicture::Show(const PixelRect& region) {
  frame_.Resolve(region.x, region.y, region.width, region.height);
  copySubBuffer_(display_, drawable_, region.x, region.y, region.width, region.height);
}
