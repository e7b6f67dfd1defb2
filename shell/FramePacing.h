// How the main loop paces its frames, chosen once from how the run was
// started.
//  - The Windows modes (/s, /p and the default run) draw and present a frame
//    on every iteration and poll; the swap's wait for the vertical blank
//    paces them. Where the swap does not wait (vertical sync forced off by
//    a driver's settings, a remote session, a software renderer), a frame
//    that ends more than a quarter of a refresh period early waits out the
//    rest of the period, handling events meanwhile: one frame per period of
//    the monitor's refresh rate, never more.
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

// The pacing of this run; made once, kept until the process ends.
// `refreshRate` is the monitor's, in Hz; 0 when unknown (60 is taken).
FramePacing* ChooseFramePacing(const HostRun& run, int refreshRate);
