// Preview and hosted runs on X11: the host names an X window ("/p 12345",
// "--window-id 0x4002b7", $XSCREENSAVER_WINDOW). We draw into a child window
// that exactly covers the host's area, made with a visual of our choosing
// (the host's own visual may have no GL configuration, and never a
// multisampled one), so no top-level window appears. The child selects no
// input, so keys and buttons go on to the host. The host's size changes and
// its destruction arrive as structure events on our own display connection,
// and the child's lost contents (another window was over it, or the host was
// unmapped and mapped again) as Expose events there.
#include <GL/glx.h>
#include <poll.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string_view>
#include <X11/Xlib.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "clock/Scene.h"
#include "shell/AppWindow.h"
#include "shell/HostFramebuffer_x11.h"
#include "shell/HostRun.h"
#include "shell/HostWindow.h"
#include "shell/KeptPicture_x11.h"
#include "shell/ScreensaverApp.h"

namespace {

// Errors about the host (gone between two requests) must not end the
// process, as Xlib's default handler would: they are expected once the
// host is destroyed, and the main loop stops on the DestroyNotify.
int IgnoreXError(Display* /*display*/, XErrorEvent* /*event*/) { return 0; }

using CreateContextAttribs = GLXContext (*)(Display*, GLXFBConfig, GLXContext, Bool, const int*);
using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);

// A GLX attribute list of name-value pairs, built by appending, so that no
// entry is ever addressed by a position that could drift.
class GlxAttributes {
 public:
  GlxAttributes& Add(int name, int value) {
    if (count_ + 3 <= kCapacity) {
      values_[count_++] = name;
      values_[count_++] = value;
      values_[count_] = None;
    }
    return *this;
  }
  const int* List() const { return values_; }

 private:
  static constexpr int kCapacity = 32;
  int values_[kCapacity] = {None};
  int count_ = 0;
};

// RGBA 8-8-8-8, depth 24, stencil 8, double-buffered, with 4 samples where
// the server has them, else the same without multisampling.
GlxAttributes FramebufferAttributes(bool multisample) {
  GlxAttributes attributes;
  attributes.Add(GLX_X_RENDERABLE, True)
      .Add(GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT)
      .Add(GLX_RENDER_TYPE, GLX_RGBA_BIT)
      .Add(GLX_DOUBLEBUFFER, True)
      .Add(GLX_RED_SIZE, 8)
      .Add(GLX_GREEN_SIZE, 8)
      .Add(GLX_BLUE_SIZE, 8)
      .Add(GLX_ALPHA_SIZE, 8)
      .Add(GLX_DEPTH_SIZE, 24)
      .Add(GLX_STENCIL_SIZE, 8);
  if (multisample) attributes.Add(GLX_SAMPLE_BUFFERS, 1).Add(GLX_SAMPLES, 4);
  return attributes;
}

}  // namespace

GLXFBConfig ChooseHostFramebufferConfig(Display* display, int screen, bool multisample) {
  int count = 0;
  GLXFBConfig* configs =
      glXChooseFBConfig(display, screen, FramebufferAttributes(multisample).List(), &count);
  GLXFBConfig chosen = configs != nullptr && count > 0 ? configs[0] : nullptr;
  if (configs != nullptr) XFree(configs);
  return chosen;
}

namespace {

// Multisampled, but for a window that keeps its picture in a multisampled
// framebuffer object of its own (KeptPicture); the other where there is none.
GLXFBConfig ChooseConfig(Display* display, int screen, bool multisample) {
  GLXFBConfig config = ChooseHostFramebufferConfig(display, screen, multisample);
  return config != nullptr ? config : ChooseHostFramebufferConfig(display, screen, !multisample);
}

class X11AdoptedWindow final : public AppWindow {
 public:
  X11AdoptedWindow(Display* display, Window host, Window child, GLXContext context, bool keep)
      : display_(display), host_(host), child_(child), context_(context), keep_(keep) {}

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

  // A hosted run's frames are drawn in part; a preview's are swapped whole,
  // as on Windows.
  bool KeepPicture() override {
    keep_ = keep_ && kept_.Start(display_, child_, width_, height_);
    return keep_;
  }

  void FollowSize() override {
    if (!gone_) kept_.Resize(width_, height_);
  }

  void PresentRegion(const PixelRect& region) override {
    if (!gone_) kept_.Show(region);
  }

  void PollEvents() override {
    glfwPollEvents();
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == DestroyNotify &&
          (event.xdestroywindow.window == host_ || event.xdestroywindow.window == child_)) {
        gone_ = true;
      } else if (event.type == UnmapNotify && event.xunmap.window == host_ && !hostRun.hosted) {
        // An unmapped preview is a dismissed one, the X11 reading of a
        // disabled host window. A screensaver host may unmap its window
        // for a while and map it again; it ends the run itself.
        gone_ = true;
      } else if (event.type == Expose && event.xexpose.window == child_) {
        exposed_ = true;
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

  void WaitEvents(double seconds) override {
    // Xlib may have read events already, which poll() cannot see on the
    // connection; XPending also sends what is still buffered.
    if (seconds > 0.0 && XPending(display_) == 0) {
      pollfd connection{ConnectionNumber(display_), POLLIN, 0};
      poll(&connection, 1, static_cast<int>(std::ceil(std::fmin(seconds, 3600.0) * 1000.0)));
    }
    PollEvents();
  }

  bool TakeExposed() override {
    const bool exposed = exposed_;
    exposed_ = false;
    return exposed;
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
  bool keep_;
  KeptPicture kept_;
  bool gone_ = false;
  bool exposed_ = false;
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

namespace {

// Says why an adoption failed, the way the windowing library reports its own
// errors, and gives no window.
AppWindow* Refuse(const char* format, unsigned long window = 0) {
  char text[200];
  std::snprintf(text, sizeof text, format, window);
  OnLibraryError(GLFW_PLATFORM_ERROR, text);
  return nullptr;
}

}  // namespace

AppWindow* AdoptHostWindow(std::uintptr_t handle) {
  if (!windowingLibraryStarted) {
    OnLibraryError(GLFW_NOT_INITIALIZED, "The GLFW library is not initialized");
    return nullptr;
  }
  Display* display = PreviewDisplay();
  if (display == nullptr) return Refuse("X11: the display could not be opened");
  if (handle == 0) return Refuse("X11: no window to draw into (window 0)");
  const Window host = static_cast<Window>(handle);

  // Structure events of the host (its size changes and its end) first, then
  // its size: a change between the two arrives as an event.
  XSelectInput(display, host, StructureNotifyMask);
  XWindowAttributes hostAttributes;
  if (XGetWindowAttributes(display, host, &hostAttributes) == 0) {
    return Refuse("X11: window 0x%lx does not exist", host);
  }
  OnWindowSize(nullptr, hostAttributes.width, hostAttributes.height);
  const int screen = XScreenNumberOfScreen(hostAttributes.screen);
  const bool keep = hostRun.hosted && KeptPicture::Offered(display, screen);
  GLXFBConfig config = ChooseConfig(display, screen, !keep);
  XVisualInfo* visual = config != nullptr ? glXGetVisualFromFBConfig(display, config) : nullptr;
  if (visual == nullptr) {
    return Refuse("GLX: no double-buffered RGBA 8-8-8-8 visual with depth 24 and stencil 8");
  }

  XSetWindowAttributes attributes{};
  attributes.colormap = XCreateColormap(display, RootWindow(display, screen), visual->visual, AllocNone);
  attributes.border_pixel = 0;
  attributes.background_pixmap = None;
  attributes.event_mask = StructureNotifyMask | ExposureMask;
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
    XSync(display, False);
    return Refuse("GLX: no OpenGL 3.0 context could be made for window 0x%lx", host);
  }
  auto* window = new X11AdoptedWindow(display, host, child, context, keep);
  window->SetSize(hostAttributes.width, hostAttributes.height);
  return window;
}

void HoldHostWindow(std::uintptr_t handle) {
  std::fflush(nullptr);
  Display* display = PreviewDisplay();
  if (display == nullptr) {
    for (;;) pause();  // only a signal ends this
  }
  const Window host = static_cast<Window>(handle);
  Window black = None;
  if (host != 0) {
    XSelectInput(display, host, StructureNotifyMask);
    XWindowAttributes hostAttributes;
    if (XGetWindowAttributes(display, host, &hostAttributes) != 0) {
      // A plain child of the host's own visual, black, with no input.
      XSetWindowAttributes attributes{};
      attributes.background_pixel = BlackPixelOfScreen(hostAttributes.screen);
      black = XCreateWindow(display, host, 0, 0,
                            static_cast<unsigned>(hostAttributes.width > 0 ? hostAttributes.width : 1),
                            static_cast<unsigned>(hostAttributes.height > 0 ? hostAttributes.height : 1),
                            0, CopyFromParent, InputOutput, CopyFromParent, CWBackPixel, &attributes);
      XMapRaised(display, black);
    }
  }
  XFlush(display);
  for (;;) {
    // Blocks; a lost display ends the process in the I/O error handler.
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == DestroyNotify && event.xdestroywindow.window == host) {
      std::fflush(nullptr);
      _exit(0);
    }
    if (event.type == ConfigureNotify && event.xconfigure.window == host && black != None) {
      XResizeWindow(display, black, static_cast<unsigned>(event.xconfigure.width),
                    static_cast<unsigned>(event.xconfigure.height));
      XFlush(display);
    }
  }
}
