// How the main loop paces its frames, chosen once from how the run was
// started.
//  - The Windows modes (/s, /p and the default run) draw and present a frame
//    on every iteration and poll; the swap's wait for the vertical blank
//    paces them. Only the swaps themselves tell whether they wait: while
//    the frames, counted from one swap's return to the next, run six frames
//    ahead of the fastest the monitor may be, the swap does not wait
//    (vertical sync forced off by a driver's settings, a remote session, a
//    software renderer). Then each frame starts no sooner than one period
//    of the slowest the monitor may be after the one before, handling
//    events meanwhile: one frame per refresh, never more, whatever a frame
//    costs. Frames that come late after such waits, three frames' worth,
//    show a swap that waits after all (or frames that cost their period),
//    and the run presents at once again. Where the swap waits, a slow poll,
//    a preemption or a missed blank never brings a wait.
//  - The runs of a Linux screensaver host and the desktop window present a
//    frame only when its picture would differ from the one on the window (or
//    that one was lost), and otherwise wait for an event until the face can
//    next change, looking at the wall clock every 50 ms. While a flap falls
//    they draw on every iteration, each swap still waiting for its vertical
//    blank, but never more than 60 frames a second: the cap that holds
//    where the swap does not wait (a software renderer, Xvfb). Where the
//    window keeps its pixels (AppWindow::KeepPicture), such a frame draws
//    and shows only the tiles that changed (FaceDamage), and the whole of it
//    where the window lost its picture or changed its size.
#pragma once

class AppWindow;
struct HostRun;

class FramePacing {
 public:
  virtual ~FramePacing() = default;
  // After AdvanceFrame: whether this iteration paints and presents a frame.
  virtual bool ShouldPresent(AppWindow& window) = 0;
  // Paints and presents the frame ShouldPresent allowed: all of it, and
  // swaps.
  virtual void Present(AppWindow& window);
  // After the frame, in place of a poll: handles the window's events, waiting
  // for them as long as the face allows. A key or button may end the process
  // in here.
  virtual void Wait(AppWindow& window) = 0;
};

// The refresh rate of the monitor that shows the window: the true rate lies
// between the two, in Hz (MonitorRate.h tells it).
struct DisplayRate {
  double slowestHz;
  double fastestHz;
};

// A rate the system gives in whole Hz, which is that much `below` and
// `above` the true one at most (Windows cuts 59.94 Hz to 59: 0 and 1; RandR's
// rate rounded: 0.5 and 0.5). Under 24 Hz the figure means nothing (Windows
// says 0 or 1 for "the hardware's default"): 60 Hz is taken, as Windows gives
// it.
DisplayRate WholeHertzRate(int hz, double below, double above);

// The pacing of this run; made once, kept until the process ends.
FramePacing* ChooseFramePacing(const HostRun& run, DisplayRate rate);

// The Windows modes' pacing, reading `clock` (seconds, as glfwGetTime).
FramePacing* NewEveryFramePacing(DisplayRate rate, double (*clock)());
