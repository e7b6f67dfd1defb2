// morvane-snapshot: renders the frame that the screensaver shows at a given
// local time into a PNG, offscreen, through the scene's own code.
//
//   morvane-snapshot --time HH:MM:SS[.fff] [--12h|--24h] [--size WxH] --out FILE.png
//
// The clock runs on simulated sources: a timer that advances at 60 Hz and a
// wall clock that reaches the requested time on the last frame. The run
// starts two seconds earlier; the first frame samples the base, the frames
// in between advance the clock without drawing, and the last one is drawn,
// so a flap in flight stands at the angle it has at that moment.
#include <png.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clock/ClockState.h"
#include "clock/Scene.h"
#include "clock/TimeSource.h"
#include "shell/GlEntryPoints.h"
#include "shell/ScreensaverApp.h"
#include "shell/ViewSize.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

namespace {

constexpr int kLeadUpFrames = 120;    // two seconds at 60 Hz
constexpr double kFrameSeconds = 1.0 / 60.0;
constexpr double kLastFrameTimer = 4.0;  // the timer on the drawn frame
constexpr int kMaxSide = 16384;

struct Options {
  double time = -1.0;  // local seconds since midnight
  int twelveHour = -1;  // -1: from the locale
  int width = 1920;
  int height = 1080;
  std::string out;
};

// The simulated machine.
double simNow = 0.0;
double simTarget = 0.0;
bool simTwelveHour = false;

double SimTimer() { return simNow; }
double SimWall() {
  double wall = std::fmod(simTarget + (simNow - kLastFrameTimer), 86400.0);
  return wall < 0.0 ? wall + 86400.0 : wall;
}
bool SimTwelveHour() { return simTwelveHour; }

void Usage() {
  std::fprintf(stderr,
               "usage: morvane-snapshot --time HH:MM:SS[.fff] [--12h|--24h] [--size WxH] "
               "--out FILE.png\n");
}

// Reads an unsigned decimal of 1 to `maxDigits` digits; advances *p.
bool ReadNumber(const char** p, int maxDigits, long* value) {
  long v = 0;
  int digits = 0;
  while (**p >= '0' && **p <= '9' && digits < maxDigits) {
    v = v * 10 + (**p - '0');
    ++*p;
    ++digits;
  }
  if (digits == 0) return false;
  *value = v;
  return true;
}

bool ParseTime(const char* text, double* seconds) {
  const char* p = text;
  long h = 0, m = 0, s = 0;
  if (!ReadNumber(&p, 2, &h) || *p++ != ':') return false;
  if (!ReadNumber(&p, 2, &m) || *p++ != ':') return false;
  if (!ReadNumber(&p, 2, &s)) return false;
  double fraction = 0.0;
  if (*p == '.') {
    ++p;
    double scale = 0.1;
    int digits = 0;
    while (*p >= '0' && *p <= '9' && digits < 9) {
      fraction += (*p - '0') * scale;
      scale /= 10.0;
      ++p;
      ++digits;
    }
    if (digits == 0) return false;
  }
  if (*p != '\0' || h > 23 || m > 59 || s > 59) return false;
  *seconds = static_cast<double>(h * 3600 + m * 60 + s) + fraction;
  return true;
}

bool ParseSize(const char* text, int* width, int* height) {
  const char* p = text;
  long w = 0, h = 0;
  if (!ReadNumber(&p, 5, &w) || (*p != 'x' && *p != 'X')) return false;
  ++p;
  if (!ReadNumber(&p, 5, &h) || *p != '\0') return false;
  if (w < 1 || h < 1 || w > kMaxSide || h > kMaxSide) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(a, "--time") == 0 && hasValue) {
      if (!ParseTime(argv[++i], &o->time)) {
        std::fprintf(stderr, "morvane-snapshot: bad time '%s'\n", argv[i]);
        return false;
      }
    } else if (std::strcmp(a, "--size") == 0 && hasValue) {
      if (!ParseSize(argv[++i], &o->width, &o->height)) {
        std::fprintf(stderr, "morvane-snapshot: bad size '%s'\n", argv[i]);
        return false;
      }
    } else if (std::strcmp(a, "--out") == 0 && hasValue) {
      o->out = argv[++i];
    } else if (std::strcmp(a, "--12h") == 0) {
      o->twelveHour = 1;
    } else if (std::strcmp(a, "--24h") == 0) {
      o->twelveHour = 0;
    } else {
      std::fprintf(stderr, "morvane-snapshot: unexpected argument '%s'\n", a);
      return false;
    }
  }
  if (o->time < 0.0 || o->out.empty()) return false;
  return true;
}

void OnGlfwError(int, const char* description) {
  std::fprintf(stderr, "morvane-snapshot: %s\n", description);
}

bool WritePng(const std::string& path, const unsigned char* rgb, int width, int height) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "morvane-snapshot: cannot write %s: %s\n", path.c_str(),
                 std::strerror(errno));
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(file);
    return false;
  }
  // GL rows run bottom-up; the picture's run top-down.
  std::vector<png_bytep> rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    rows[static_cast<size_t>(y)] =
        const_cast<png_bytep>(rgb + static_cast<size_t>(height - 1 - y) * width * 3);
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    std::fprintf(stderr, "morvane-snapshot: PNG encoding failed\n");
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, 6);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

// A 4x multisampled colour and depth target of the requested size, and a
// single-sampled one to resolve it into.
struct Target {
  GLuint drawFramebuffer = 0;
  GLuint resolveFramebuffer = 0;
};

bool MakeTarget(int width, int height, Target* t) {
  GLuint buffers[3];
  glGenRenderbuffers(3, buffers);
  glGenFramebuffers(1, &t->drawFramebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, t->drawFramebuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, 4, GL_RGBA8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
  glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, 4, GL_DEPTH24_STENCIL8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                            buffers[1]);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;

  glGenFramebuffers(1, &t->resolveFramebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, t->resolveFramebuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, buffers[2]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[2]);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;

  glBindFramebuffer(GL_FRAMEBUFFER, t->drawFramebuffer);
  return glGetError() == GL_NO_ERROR;
}

GLFWwindow* OpenHiddenContext() {
  SetContextHints();
  glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
  return glfwCreateWindow(64, 64, "morvane-snapshot", nullptr, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    Usage();
    return 2;
  }

  glfwSetErrorCallback(OnGlfwError);
  if (glfwInit() == GLFW_FALSE) return 1;
  GLFWwindow* window = OpenHiddenContext();
  if (window == nullptr) {
    std::fprintf(stderr, "morvane-snapshot: no OpenGL 3.0 context (is DISPLAY set?)\n");
    glfwTerminate();
    return 1;
  }
  glfwMakeContextCurrent(window);
  LoadGlEntryPoints();

  const int width = options.width;
  const int height = options.height;
  Target target;
  if (!MakeTarget(width, height, &target)) {
    std::fprintf(stderr, "morvane-snapshot: cannot make a %dx%d multisampled target\n", width,
                 height);
    return 1;
  }
  SetViewSize(width, height);
  SetRenderStartState();

  simTarget = options.time;
  simTwelveHour =
      options.twelveHour < 0 ? PrefersTwelveHourClock() : options.twelveHour == 1;
  ClockTimeSource = {SimTimer, SimWall, SimTwelveHour};

  AssembleScene(0, ClickSound::kInMemory);
  for (int k = kLeadUpFrames; k >= 1; --k) {
    simNow = kLastFrameTimer - k * kFrameSeconds;
    AdvanceClock();
  }
  simNow = kLastFrameTimer;
  StepFrame();

  glBindFramebuffer(GL_READ_FRAMEBUFFER, target.drawFramebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target.resolveFramebuffer);
  glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, target.resolveFramebuffer);
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  if (glGetError() != GL_NO_ERROR) {
    std::fprintf(stderr, "morvane-snapshot: reading the picture failed\n");
    return 1;
  }
  const bool written = WritePng(options.out, pixels.data(), width, height);
  DestroySceneSound();
  return written ? 0 : 1;
}
