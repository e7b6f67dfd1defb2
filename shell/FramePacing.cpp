#include "shell/FramePacing.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "clock/Scene.h"
#include "shell/AppWindow.h"
#include "shell/HostRun.h"
#include "shell/PreciseWaits.h"

void FramePacing::Present(AppWindow& window) {
  PaintFrame();
  window.SwapBuffers();
}

namespace {

// One frame per vertical blank: every iteration draws, and the swap waits.
class EveryFramePacing final : public FramePacing {
 public:
  explicit EveryFramePacing(double period) : period_(period) {}

  bool ShouldPresent(AppWindow& /*window*/) override { return true; }

  void Wait(AppWindow& window) override {
    const double due = frameStart_ + period_;
    double now = glfwGetTime();
    if (due - now <= period_ * kEarliest) {
      // The swap waited for the blank (or the frame took the period).
      window.PollEvents();
      frameStart_ = glfwGetTime();
      return;
    }
    if (!preciseWaits_) {
      AskForPreciseWaits();
      preciseWaits_ = true;
    }
    // Events end a wait early; the last part of a millisecond is not waited
    // for, as the system's waits count whole ones. The next frame's period
    // is counted from when this one was due, so those parts do not add up
    // to more frames than the screen shows.
    do {
      window.WaitEvents(due - now);
      now = glfwGetTime();
    } while (due - now > kShortestWaitSeconds);
    frameStart_ = due;
  }

 private:
  // A frame that ends less early than this part of a period counts as paced.
  static constexpr double kEarliest = 0.25;
  static constexpr double kShortestWaitSeconds = 0.001;

  double period_;
  double frameStart_ = 0.0;
  bool preciseWaits_ = false;
};

// A frame only when the face changed or the window lost its picture; where
// the window keeps its pixels, only the part of it that changed.
class FaceChangePacing final : public FramePacing {
 public:
  bool ShouldPresent(AppWindow& window) override {
    TakeFaceSignature(&face_);
    const bool exposed = window.TakeExposed();
    if (shownOnce_ && !exposed && SameFace(face_, shown_)) return false;
    if (!shownOnce_) keepsPicture_ = window.KeepPicture();
    resized_ = shownOnce_ && (face_.width != shown_.width || face_.height != shown_.height);
    region_ = shownOnce_ && !exposed ? FaceDamage(shown_, face_)
                                     : PixelRect{0, 0, face_.width, face_.height};
    shown_ = face_;
    shownOnce_ = true;
    lastFrameStart_ = glfwGetTime();
    return true;
  }

  void Present(AppWindow& window) override {
    if (!keepsPicture_) return FramePacing::Present(window);
    if (resized_) window.FollowSize();
    PaintFrameRegion(region_);
    window.PresentRegion(region_);
  }

  void Wait(AppWindow& window) override {
    // A falling flap needs the next frame at once, where the swap has
    // waited for the vertical blank, or when a 60th of a second has passed
    // since the last one began, where it has not (a software renderer,
    // Xvfb). Otherwise nothing changes before the face's next turn, but for
    // a jump of the wall clock, which only a look at it shows.
    double wait = FlapFalling() ? lastFrameStart_ + kShortestFrameSeconds - glfwGetTime()
                                : SecondsUntilFaceTurns();
    if (wait > kLongestWaitSeconds) wait = kLongestWaitSeconds;
    window.WaitEvents(wait > 0.0 ? wait : 0.0);
  }

 private:
  static constexpr double kShortestFrameSeconds = 1.0 / 60.0;
  // A jump of the wall clock shows within this and one frame.
  static constexpr double kLongestWaitSeconds = 0.05;

  FaceSignature face_;
  FaceSignature shown_;
  bool shownOnce_ = false;
  bool keepsPicture_ = false;
  bool resized_ = false;
  PixelRect region_;
  double lastFrameStart_ = 0.0;
};

}  // namespace

FramePacing* ChooseFramePacing(const HostRun& run, int refreshRate) {
  if (run.OwnRun()) return new FaceChangePacing();
  return new EveryFramePacing(1.0 / (refreshRate > 0 ? refreshRate : 60));
}
