// How the main loop paces its frames, the same in every mode. A frame is
// drawn and presented only when its picture would differ from the one on the
// window: a flap falling, a digit changing, a new size, or a window that lost
// its picture (AppWindow::TakeExposed). None is drawn while the display is
// off. Where the window keeps its pixels (AppWindow::KeepPicture), a frame
// draws and shows only the tiles that changed (FaceDamage).
//  - While a flap falls there is one frame per vertical blank: the next frame
//    starts as soon as the swap returns. Only the swaps tell whether they
//    wait: while the frames, counted from one swap's return to the next, run
//    six frames ahead of the fastest the monitor may be, the swap does not
//    wait (vertical sync forced off by a driver's settings, a remote session,
//    a software renderer, a copy of a part). Then each frame starts no sooner
//    than one period of the slowest the monitor may be after the one before,
//    handling events meanwhile: one frame per refresh, never more, whatever a
//    frame costs. Frames that come late after such waits, three frames'
//    worth, show a swap that waits after all, and the run presents at once
//    again. Where the swap waits, a slow poll, a preemption or a missed blank
//    never brings a wait.
//  - At rest the run waits for events until the face next turns, looking at
//    the wall clock every 50 ms for a jump. Where a timed wait may end a
//    timer tick late (Windows), it wakes that much early and the swap's wait
//    for the blank bridges the rest: the unchanged face is presented until
//    the face turns, so the turn shows no later than drawing at every blank
//    would show it.
//  - While the display is off the run only waits: for a message that says it
//    is back, or for the next look at the display's state, at most one a
//    second where a look costs a round trip to the display server. Back on,
//    the face of that moment is drawn whole.
#pragma once

#include <cstdint>

#include "clock/Scene.h"

class AppWindow;

// The refresh rate of the monitor that shows the window: the true rate lies
// between the two, in Hz (MonitorRate.h tells it).
struct DisplayRate {
  double slowestHz;
  double fastestHz;
};

// No monitor refreshes slower than a film's 23.976 Hz; a rate below it is no
// rate.
inline constexpr double kSlowestRefreshHz = 23.0;

// A rate the system gives in whole Hz, which is that much `below` and
// `above` the true one at most (Windows cuts 59.94 Hz to 59 and 23.976 Hz to
// 23: 0 and 1; RandR's rate rounded: 0.5 and 0.5). Under 23 Hz the figure
// means nothing (Windows says 0 or 1 for "the hardware's default"): 60 Hz is
// taken, as Windows gives it.
DisplayRate WholeHertzRate(int hz, double below, double above);

// Whether the display that shows the run is off, and how that is learnt
// (DisplayState.h gives the platform's).
struct DisplayWatch {
  bool (*off)();
  // 0: the system says when it changes, in a message that ends the run's
  // wait for events. Otherwise the least time between two looks.
  double lookEvery;
};

// How the system's timed waits for events end (PreciseWaits.h gives the
// platform's).
struct WaitTimer {
  double endsLate;  // how late a wait may end, unless precise waits are held
  void (*holdPrecise)(bool hold);
};

// What the pacing reads besides the clock's face: the program's own, or a
// model's in a test.
struct PacingSeams {
  double (*clock)();  // seconds, as glfwGetTime (the clock's own timer)
  // The rate of the monitor that shows a window (its native handle), read
  // again once a second at rest: a new mode, a preview dragged to another
  // monitor.
  DisplayRate (*rate)(std::uintptr_t window);
  DisplayWatch display;
  WaitTimer waits;
};

class FramePacing {
 public:
  explicit FramePacing(const PacingSeams& seams);

  // After AdvanceFrame: whether this iteration paints and presents a frame.
  bool ShouldPresent(AppWindow& window);
  // Paints and presents the frame that ShouldPresent allowed.
  void Present(AppWindow& window);
  // After the frame, in place of a poll: handles the window's events, waiting
  // for them as long as the face and the display allow. A key or button may
  // end the process in here.
  void Wait(AppWindow& window);

 private:
  void LookAtMonitor(AppWindow& window);
  void NoteSwap(double returned);
  void HoldToRate(AppWindow& window);

  PacingSeams seams_;

  // The monitor.
  double shortest_ = 0.0;  // the period at the fastest rate it may have
  double longest_ = 0.0;   // and at the slowest
  double rateReadAt_ = -1.0;

  // The picture on the window.
  FaceSignature face_;
  FaceSignature shown_;
  bool shownOnce_ = false;
  bool lost_ = false;      // the window lost it (or the display was off)
  bool bridging_ = false;  // presented unchanged until the face turns
  bool keepsPicture_ = false;
  bool resized_ = false;
  PixelRect region_;

  bool displayOff_ = false;
  double lookedAt_ = -1.0;

  // What the swaps have shown of themselves, over frames that followed one
  // another with no wait for the face between them.
  bool presented_ = false;
  double lastReturn_ = -1.0;
  double ahead_ = 0.0;
  bool unpaced_ = false;     // the swaps do not wait
  bool keepingUp_ = false;  // the last frame came within its period
  bool held_ = false;       // this frame waited for its period
  double overslept_ = 0.0;  // and started this much after it was due
  double released_ = 0.0;
};
