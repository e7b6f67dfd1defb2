// A current OpenGL context for GL tests: a hidden GLFW window asking for the
// same context as the screensaver (version 3.0, optionally 4x multisampled),
// made current, with the program's entry points loaded. GL tests run under
// tests/xvfb-run.sh, on Mesa's llvmpipe.
//
//   GlTestContext context;             // hidden 64 x 64 window
//   ASSERT_TRUE(context.Ok()) << context.Error();
//
// Draw into a framebuffer object of your own rather than the window: the
// default framebuffer of a hidden window need not keep its pixels. One
// context per process at a time; the destructor ends GLFW.
//
// Never let exit() destroy it (a static GlTestContext, or one alive when the
// code under test calls exit): Mesa's own exit handlers stop its worker
// threads first, and tearing the context down after them hangs in
// XCloseDisplay. Keep it local to a test, or make a process-wide one with
// `new` and never delete it.
#pragma once

#include <string>

#include "shell/GlEntryPoints.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

class GlTestContext {
 public:
  explicit GlTestContext(int width = 64, int height = 64, int samples = 0) {
    glfwSetErrorCallback(&GlTestContext::RecordError);
    if (glfwInit() == GLFW_FALSE) {
      error_ = "glfwInit failed: " + LastError();
      return;
    }
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    glfwWindowHint(GLFW_SAMPLES, samples);
    window_ = glfwCreateWindow(width, height, "morvane-gl-test", nullptr, nullptr);
    if (window_ == nullptr && samples > 0) {  // multisampling is a wish, not a must
      glfwWindowHint(GLFW_SAMPLES, 0);
      window_ = glfwCreateWindow(width, height, "morvane-gl-test", nullptr, nullptr);
    }
    if (window_ == nullptr) {
      error_ = "no window: " + LastError();
      return;
    }
    glfwMakeContextCurrent(window_);
    if (LoadGlEntryPoints() != 0) error_ = "no OpenGL 3 entry points";
  }

  ~GlTestContext() {
    if (window_ != nullptr) glfwDestroyWindow(window_);
    glfwTerminate();
  }

  GlTestContext(const GlTestContext&) = delete;
  GlTestContext& operator=(const GlTestContext&) = delete;

  bool Ok() const { return window_ != nullptr && error_.empty(); }
  const std::string& Error() const { return error_; }
  GLFWwindow* Window() const { return window_; }

 private:
  static std::string& LastError() {
    static std::string text;
    return text;
  }
  static void RecordError(int code, const char* text) {
    LastError() = std::to_string(code) + " " + (text != nullptr ? text : "");
  }

  GLFWwindow* window_ = nullptr;
  std::string error_;
};
