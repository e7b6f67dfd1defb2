#include "shell/FramePacing.h"

#include <limits>

#include "shell/AppWindow.h"

namespace {

// More than a driver's queue of frames (three at most) and a late reading of
// the clock: a swap that waits never gets this far ahead.
constexpr double kFramesAhead = 6.0;
// Held to the rate until the run falls this far back: a few late frames (a
// preemption, or a swap that waits after all and misses blanks).
constexpr double kStillAhead = 3.0;
// A frame after a wait that takes this many periods came late.
constexpr double kLate = 1.5;
constexpr double kShortestWaitSeconds = 0.001;
// A jump of the wall clock shows within this and one frame.
constexpr double kLongestWaitSeconds = 0.05;
constexpr double kRateReadSeconds = 1.0;
constexpr double kForever = std::numeric_limits<double>::infinity();

}  // namespace

FramePacing::FramePacing(const PacingSeams& seams) : seams_(seams) {}

bool FramePacing::ShouldPresent(AppWindow& window) {
  if (window.TakeExposed()) lost_ = true;
  // A look that costs is made only at rest, a flip being over within half a
  // second; while the display is off, at every wake (the clock flips on,
  // undrawn).
  if (displayOff_ || !FlapFalling() || seams_.display.lookEvery <= 0.0 || rateReadAt_ < 0.0) {
    LookAtMonitor(window);
  }
  if (displayOff_) return false;
  TakeFaceSignature(&face_);
  if (shownOnce_ && !lost_ && !bridging_ && SameFace(face_, shown_)) return false;
  if (!shownOnce_) keepsPicture_ = window.KeepPicture();
  resized_ = shownOnce_ && (face_.width != shown_.width || face_.height != shown_.height);
  region_ = shownOnce_ && !lost_ ? FaceDamage(shown_, face_)
                                 : PixelRect{0, 0, face_.width, face_.height};
  shown_ = face_;
  shownOnce_ = true;
  lost_ = false;
  bridging_ = false;
  presented_ = true;
  return true;
}

void FramePacing::Present(AppWindow& window) {
  if (!keepsPicture_) {
    PaintFrame();
    window.SwapBuffers();
    return;
  }
  if (resized_) window.FollowSize();
  PaintFrameRegion(region_);
  window.PresentRegion(region_);
}

void FramePacing::Wait(AppWindow& window) {
  if (presented_) NoteSwap(seams_.clock());
  presented_ = false;

  if (displayOff_) {
    seams_.waits.holdPrecise(false);
    lastReturn_ = -1.0;
    const DisplayWatch& display = seams_.display;
    window.WaitEvents(display.lookEvery > 0.0 ? lookedAt_ + display.lookEvery - seams_.clock()
                                               : kForever);
    return;
  }
  if (FlapFalling()) return HoldToRate(window);

  seams_.waits.holdPrecise(false);
  const double turn = SecondsUntilFaceTurns();
  // The rest of the way to the turn is shorter than a wait can be sure to
  // keep. Where the swap waits for the blank and the frames keep up with it,
  // the swap waits it out, a blank at a time; elsewhere a late wait costs no
  // blank that a frame could have made.
  const bool lastStretch = turn > 0.0 && turn <= seams_.waits.endsLate;
  if (lastStretch && !keepsPicture_ && !unpaced_ && keepingUp_) {
    bridging_ = true;
    window.PollEvents();
    return;
  }
  double wait = lastStretch ? turn : turn - seams_.waits.endsLate;
  if (wait > kLongestWaitSeconds) wait = kLongestWaitSeconds;
  if (wait > 0.0) {
    window.WaitEvents(wait);
  } else {
    window.PollEvents();
  }
  // The next frame's start says nothing of the swap, and starts the periods
  // that hold a flip's frames to the rate.
  lastReturn_ = -1.0;
  released_ = seams_.clock();
}

// Its rate once a second; its power state at most once per `lookEvery`. Back
// on, the picture is drawn whole.
void FramePacing::LookAtMonitor(AppWindow& window) {
  const double now = seams_.clock();
  if (rateReadAt_ < 0.0 || now >= rateReadAt_ + kRateReadSeconds) {
    const DisplayRate rate = seams_.rate(window.NativeHandle());
    shortest_ = 1.0 / rate.fastestHz;
    longest_ = 1.0 / rate.slowestHz;
    rateReadAt_ = now;
  }
  const DisplayWatch& display = seams_.display;
  if (display.lookEvery > 0.0 && lookedAt_ >= 0.0 &&
      now < lookedAt_ + display.lookEvery - kShortestWaitSeconds) {
    return;
  }
  lookedAt_ = now;
  const bool off = display.off();
  if (displayOff_ && !off) lost_ = true;
  displayOff_ = off;
}

// How many frames the run is ahead of the fastest the screen may be. A swap
// that waits keeps this within the frames that its driver queues, and a
// hiccup only ever lowers it. A frame that waited for its period says nothing
// of the swap, unless it came late all the same: then the swap waited too, or
// the frame costs its period. Late is counted from when the frame was due: a
// wait for events that ended late is the system's, not the swap's.
void FramePacing::NoteSwap(double returned) {
  if (lastReturn_ >= 0.0) {
    const double frame = returned - lastReturn_ - overslept_;
    keepingUp_ = frame <= longest_ * kLate;
    if (!held_ || !keepingUp_) {
      ahead_ += 1.0 - frame / shortest_;
      if (ahead_ < 0.0) ahead_ = 0.0;
      if (ahead_ > kFramesAhead) ahead_ = kFramesAhead;
    }
    unpaced_ = ahead_ >= (unpaced_ ? kStillAhead : kFramesAhead);
  }
  lastReturn_ = returned;
  held_ = false;
  overslept_ = 0.0;
}

// The next frame of a falling flap: at once where the swap waits, else one
// period of the slowest rate the screen may have after the last one. Events
// end a wait early; the last part of a millisecond is not waited for, as the
// system's waits count whole ones. The next period is counted from when this
// frame was due, so those parts do not add up to more frames than the screen
// shows.
void FramePacing::HoldToRate(AppWindow& window) {
  if (!unpaced_) return window.PollEvents();
  const double due = released_ + longest_;
  double now = seams_.clock();
  if (due <= now) {
    released_ = now;  // late: no period is owed to the next frame
    return window.PollEvents();
  }
  released_ = due;
  if (due - now <= kShortestWaitSeconds) return window.PollEvents();
  seams_.waits.holdPrecise(true);
  do {
    window.WaitEvents(due - now);
    now = seams_.clock();
  } while (due - now > kShortestWaitSeconds);
  held_ = true;
  if (now > due) overslept_ = now - due;
}

DisplayRate WholeHertzRate(int hz, double below, double above) {
  if (hz < kSlowestRefreshHz) return DisplayRate{60.0, 61.0};
  return DisplayRate{hz - below, hz + above};
}
