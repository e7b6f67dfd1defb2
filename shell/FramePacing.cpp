#include "shell/FramePacing.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "clock/Scene.h"
#include "shell/AppWindow.h"
#include "shell/HostRun.h"

namespace {

// One frame per vertical blank: every iteration draws, the swap waits.
class EveryFramePacing final : public FramePacing {
 public:
  bool ShouldPresent(AppWindow& /*window*/) override { return true; }
  void Wait(AppWindow& window) override { window.PollEvents(); }
};

// A frame only when the face changed or the window lost its picture.
class FaceChangePacing final : public FramePacing {
 public:
  bool ShouldPresent(AppWindow& window) override {
    TakeFaceSignature(&face_);
    const bool exposed = window.TakeExposed();
    if (shownOnce_ && !exposed && SameFace(face_, shown_)) return false;
    shown_ = face_;
    shownOnce_ = true;
    lastFrameStart_ = glfwGetTime();
    return true;
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
  double lastFrameStart_ = 0.0;
};

}  // namespace

FramePacing* ChooseFramePacing(const HostRun& run) {
  if (run.OwnRun()) return new FaceChangePacing();
  return new EveryFramePacing();
}
