// Preview on X11: the host names an X window ("/p 12345"). We draw into a
// child window that exactly covers the host's area, made with a visual of
// our choosing (the host's own visual may have no GL configuration, and
// never a multisampled one), so no top-level window appears. The host's
// size changes and its destruction arrive as structure events on our own
// display connection.
#include <GL/glx.h>

#include <string_view>
#include <X11/Xlib.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "shell/AppWindow.h"
#include "shell/HostWindow.h"
#include "shell/ScreensaverApp.h"

namespace {

// Errors about the host (gone between two requests) must not end the
// process, as Xlib's default handler would: they are expected once the
// host is destroyed, and the main loop stops on the DestroyNotify.
int IgnoreXError(Display* /*display*/, XErrorEvent* /*event*/) { return 0; }

using CreateContextAttribs = GLXContext (*)(Display*, GLXFBConfig, GLXContext, Bool, const int*);
using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);

GLXFBConfig ChooseConfig(Display* display, int screen) {
  int attributes[] = {GLX_X_RENDERABLE, True, GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT,
                      GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_DOUBLEBUFFER, True,
                      GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, GLX_ALPHA_SIZE, 8,
                      GLX_DEPTH_SIZE, 24, GLX_STENCIL_SIZE, 8,
                      GLX_SAMPLE_BUFFERS, 1, GLX_SAMPLES, 4, None};
  for (int attempt = 0; attempt < 2; ++attempt) {
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, screen, attributes, &count);
    if (configs != nullptr && count > 0) {
      GLXFBConfig chosen = configs[0];
      XFree(configs);
      return chosen;
    }
    if (configs != nullptr) XFree(configs);
    // No multisampled configuration: take a plain one.
    attributes[18] = None;
  }
  return nullptr;
}

class X11AdoptedWindow final : public AppWindow {
 public:
  X11AdoptedWindow(Display* display, Window host, Window child, GLXContext context)
      : display_(display), host_(host), child_(child), context_(context) {}

  void MakeContextCurrent() override { glXMakeCurrent(display_, child_, context_); }

  void SetSwapInterval(int interval) override {
    auto swapInterval = reinterpret_cast<SwapIntervalExt>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
    const char* extensions = glXQueryExtensionsString(display_, DefaultScreen(display_));
    if (swapInterval != nullptr && extensions != nullptr &&
        std::string_view(extensions).find("GLX_EXT_swap_control") != std::string_view::npos) {
      swapInterval(display_, child_, interval);
    }
  }

  // The cursor belongs to the host's settings dialog.
  void HideCursor() override {}

  void SwapBuffers() override {
    if (!gone_) glXSwapBuffers(display_, child_);
  }

  void PollEvents() override {
    glfwPollEvents();
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == DestroyNotify &&
          (event.xdestroywindow.window == host_ || event.xdestroywindow.window == child_)) {
        gone_ = true;
      } else if (event.type == UnmapNotify && event.xunmap.window == host_) {
        // An unmapped preview is a dismissed one, the X11 reading of a
        // disabled host window.
        gone_ = true;
      } else if (event.type == ConfigureNotify && event.xconfigure.window == host_) {
        const int width = event.xconfigure.width;
        const int height = event.xconfigure.height;
        if (!gone_ && (width != width_ || height != height_)) {
          width_ = width;
          height_ = height;
          XResizeWindow(display_, child_, static_cast<unsigned>(width), static_cast<unsigned>(height));
          OnWindowSize(nullptr, width, height);
        }
      }
    }
  }

  bool ShouldClose() override { return false; }
  bool HostGone() override { return gone_; }
  std::uintptr_t NativeHandle() override { return static_cast<std::uintptr_t>(child_); }

  void SetSize(int width, int height) {
    width_ = width;
    height_ = height;
  }

 private:
  Display* display_;
  Window host_;
  Window child_;
  GLXContext context_;
  bool gone_ = false;
  int width_ = 0;
  int height_ = 0;
};

// The preview's own connection to the display, opened on first use and kept:
// the size query and the adoption share it.
Display* PreviewDisplay() {
  static Display* display = [] {
    Display* opened = XOpenDisplay(nullptr);
    if (opened != nullptr) XSetErrorHandler(IgnoreXError);
    return opened;
  }();
  return display;
}

}  // namespace

bool HostClientSize(std::uintptr_t host, int* width, int* height) {
  Display* display = PreviewDisplay();
  XWindowAttributes attributes;
  if (display == nullptr || host == 0 ||
      XGetWindowAttributes(display, static_cast<Window>(host), &attributes) == 0) {
    return false;
  }
  *width = attributes.width;
  *height = attributes.height;
  return true;
}

AppWindow* AdoptHostWindow(std::uintptr_t handle) {
  Display* display = PreviewDisplay();
  if (handle == 0 || display == nullptr) return nullptr;
  const Window host = static_cast<Window>(handle);

  XWindowAttributes hostAttributes;
  if (XGetWindowAttributes(display, host, &hostAttributes) == 0) return nullptr;
  const int screen = XScreenNumberOfScreen(hostAttributes.screen);
  GLXFBConfig config = ChooseConfig(display, screen);
  XVisualInfo* visual = config != nullptr ? glXGetVisualFromFBConfig(display, config) : nullptr;
  if (visual == nullptr) return nullptr;

  // Structure events of the host: its size changes and its end.
  XSelectInput(display, host, StructureNotifyMask);

  XSetWindowAttributes attributes{};
  attributes.colormap = XCreateColormap(display, RootWindow(display, screen), visual->visual, AllocNone);
  attributes.border_pixel = 0;
  attributes.background_pixmap = None;
  attributes.event_mask = StructureNotifyMask;
  const Window child = XCreateWindow(
      display, host, 0, 0, static_cast<unsigned>(hostAttributes.width > 0 ? hostAttributes.width : 1),
      static_cast<unsigned>(hostAttributes.height > 0 ? hostAttributes.height : 1), 0, visual->depth,
      InputOutput, visual->visual, CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &attributes);
  XFree(visual);
  XMapRaised(display, child);  // above any child the host has of its own

  const int contextAttributes[] = {GLX_CONTEXT_MAJOR_VERSION_ARB, 3, GLX_CONTEXT_MINOR_VERSION_ARB, 0, None};
  auto createContext = reinterpret_cast<CreateContextAttribs>(
      glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCreateContextAttribsARB")));
  GLXContext context = createContext != nullptr
                           ? createContext(display, config, nullptr, True, contextAttributes)
                           : glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
  XSync(display, False);
  if (context == nullptr) {
    XDestroyWindow(display, child);
    return nullptr;
  }
  auto* window = new X11AdoptedWindow(display, host, child, context);
  window->SetSize(hostAttributes.width, hostAttributes.height);
  return window;
}
