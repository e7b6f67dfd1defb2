// The X11 window layer of the preview and of hosted runs, on the test's
// Xvfb: the framebuffer configuration with and without multisampling, and
// the adoption of a host window: refused without the windowing library,
// refused with a reason for a window that does not exist, and bound to a
// live window with its size; its lost picture reported, and a wait for
// events ended by the host's destruction.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <string>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "shell/AppWindow.h"
#include "shell/HostFramebuffer_x11.h"
#include "shell/HostWindow.h"
#include "shell/ScreensaverApp.h"
#include "shell/ViewSize.h"

namespace {

int Attribute(Display* display, GLXFBConfig config, int name) {
  int value = -1;
  EXPECT_EQ(glXGetFBConfigAttrib(display, config, name, &value), 0);
  return value;
}

class HostWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr);
  }
  void TearDown() override { XCloseDisplay(display_); }

  Window MakeHost(int width, int height) {
    const Window host = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10,
                                            static_cast<unsigned>(width),
                                            static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(display_, host);
    XSync(display_, False);
    return host;
  }

  Display* display_ = nullptr;
};

// Both configurations keep every buffer the clock draws with: without
// multisampling only the samples go, never the stencil or depth buffer.
TEST_F(HostWindowTest, FramebufferWithAndWithoutMultisampling) {
  const int screen = DefaultScreen(display_);
  for (bool multisample : {true, false}) {
    GLXFBConfig config = ChooseHostFramebufferConfig(display_, screen, multisample);
    ASSERT_NE(config, nullptr) << "multisample " << multisample;
    EXPECT_GE(Attribute(display_, config, GLX_STENCIL_SIZE), 8) << "multisample " << multisample;
    EXPECT_GE(Attribute(display_, config, GLX_DEPTH_SIZE), 24);
    EXPECT_GE(Attribute(display_, config, GLX_ALPHA_SIZE), 8);
    EXPECT_GE(Attribute(display_, config, GLX_RED_SIZE), 8);
    EXPECT_EQ(Attribute(display_, config, GLX_DOUBLEBUFFER), True);
    if (multisample) {
      EXPECT_GE(Attribute(display_, config, GLX_SAMPLES), 4);
    }
  }
}

TEST_F(HostWindowTest, AdoptionSaysWhyItRefuses) {
  const Window host = MakeHost(320, 200);

  // Without the windowing library: one report, no window.
  windowingLibraryStarted = false;
  testing::internal::CaptureStderr();
  EXPECT_EQ(AdoptHostWindow(host), nullptr);
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "morvane: [Error] The GLFW library is not initialized\n");

  ASSERT_EQ(glfwInit(), GLFW_TRUE);
  windowingLibraryStarted = true;
  glfwSetErrorCallback(OnLibraryError);
  testing::internal::CaptureStderr();
  EXPECT_EQ(AdoptHostWindow(0x1fffffe), nullptr);
  said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said, "morvane: [Error] X11: window 0x1fffffe does not exist\n");

  // A live window: adopted, with its size in ViewSize, and a child that
  // covers it exactly.
  SetViewSize(1, 1);
  SetContextHints();
  AppWindow* window = AdoptHostWindow(host);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ViewSize.width, 320);
  EXPECT_EQ(ViewSize.height, 200);
  XWindowAttributes child;
  ASSERT_NE(XGetWindowAttributes(display_, static_cast<Window>(window->NativeHandle()), &child), 0);
  EXPECT_EQ(child.width, 320);
  EXPECT_EQ(child.height, 200);
  EXPECT_EQ(child.map_state, IsViewable);
  EXPECT_EQ(child.all_event_masks & (KeyPressMask | ButtonPressMask), 0)
      << "no one of ours may take the host's input";

  // A window over ours, gone again (an unlock dialog): the lost picture is
  // reported once. (The child's first mapping may have been reported too.)
  window->PollEvents();
  window->TakeExposed();
  const Window dialog = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 40, 40, 100,
                                            60, 0, 0, 0);
  XSetWindowAttributes over{};
  over.override_redirect = True;
  XChangeWindowAttributes(display_, dialog, CWOverrideRedirect, &over);
  XMapRaised(display_, dialog);
  XSync(display_, False);
  window->PollEvents();
  EXPECT_FALSE(window->TakeExposed());
  XDestroyWindow(display_, dialog);
  XSync(display_, False);
  window->WaitEvents(5.0);
  EXPECT_TRUE(window->TakeExposed());
  EXPECT_FALSE(window->TakeExposed());

  // Destroyed: a wait for events ends with it, long before its time is up.
  EXPECT_FALSE(window->HostGone());
  XDestroyWindow(display_, host);
  XSync(display_, False);
  const double before = glfwGetTime();
  window->WaitEvents(30.0);
  EXPECT_TRUE(window->HostGone());
  EXPECT_LT(glfwGetTime() - before, 10.0);
}

}  // namespace
