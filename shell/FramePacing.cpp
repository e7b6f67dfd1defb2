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

// No screen refreshes slower than this; a rate below it is no rate.
constexpr int kSlowestKnownHz = 24;

// One frame per vertical blank: every iteration draws, and the swap waits;
// where it does not, the frames are held to the monitor's rate.
class EveryFramePacing final : public FramePacing {
 public:
  EveryFramePacing(DisplayRate rate, double (*clock)())
      : shortest_(1.0 / rate.fastestHz), longest_(1.0 / rate.slowestHz), clock_(clock) {}

  bool ShouldPresent(AppWindow& /*window*/) override { return true; }

  void Wait(AppWindow& window) override {
    const double returned = clock_();  // the swap's return: the frame's start
    if (lastReturn_ >= 0.0) {
      // How many frames the run is ahead of the fastest the screen may be.
      // A swap that waits keeps this within the frames that its driver
      // queues, and a hiccup only ever lowers it. A frame that waited for
      // its period says nothing of the swap, unless it came late all the
      // same: then the swap waited too, or the frame costs its period.
      const double frame = returned - lastReturn_;
      if (!held_ || frame > longest_ * kLate) {
        ahead_ += 1.0 - frame / shortest_;
        if (ahead_ < 0.0) ahead_ = 0.0;
        if (ahead_ > kFramesAhead) ahead_ = kFramesAhead;
      }
      unpaced_ = ahead_ >= (unpaced_ ? kStillAhead : kFramesAhead);
    }
    lastReturn_ = returned;
    held_ = false;
    window.PollEvents();
    if (!unpaced_) return;

    // One frame per period of the slowest the screen may be. Events end a
    // wait early; the last part of a millisecond is not waited for, as the
    // system's waits count whole ones. The next period is counted from when
    // this frame was due, so those parts do not add up to more frames than
    // the screen shows.
    const double due = released_ + longest_;
    double now = clock_();
    if (due <= now) {
      released_ = now;  // late: no period is owed to the next frame
      return;
    }
    released_ = due;
    if (due - now <= kShortestWaitSeconds) return;
    if (!preciseWaits_) {
      AskForPreciseWaits();
      preciseWaits_ = true;
    }
    do {
      window.WaitEvents(due - now);
      now = clock_();
    } while (due - now > kShortestWaitSeconds);
    held_ = true;
  }

 private:
  // More than a driver's queue of frames (three at most) and a late reading
  // of the clock: a swap that waits never gets this far ahead.
  static constexpr double kFramesAhead = 6.0;
  // Held to the rate until the run falls this far back: a few late frames
  // (a preemption, or a swap that waits after all and misses blanks).
  static constexpr double kStillAhead = 3.0;
  // A frame after a wait that takes this many periods came late.
  static constexpr double kLate = 1.5;
  static constexpr double kShortestWaitSeconds = 0.001;

  double shortest_;  // the period at the fastest rate the screen may have
  double longest_;   // and at the slowest
  double (*clock_)();
  double lastReturn_ = -1.0;
  double ahead_ = 0.0;
  bool unpaced_ = false;  // the swaps have shown that they do not wait
  bool held_ = false;     // this frame waited for its period
  double released_ = 0.0;
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

DisplayRate WholeHertzRate(int hz, double below, double above) {
  if (hz < kSlowestKnownHz) return DisplayRate{60.0, 61.0};
  return DisplayRate{hz - below, hz + above};
}

FramePacing* NewEveryFramePacing(DisplayRate rate, double (*clock)()) {
  return new EveryFramePacing(rate, clock);
}

FramePacing* ChooseFramePacing(const HostRun& run, DisplayRate rate) {
  if (run.OwnRun()) return new FaceChangePacing();
  return NewEveryFramePacing(rate, glfwGetTime);
}
