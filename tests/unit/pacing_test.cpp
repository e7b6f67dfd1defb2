// The frame pacing on a model of a screen and of the system's waits, driving
// the real clock on simulated time: a swap that either waits for the next
// vertical blank or never waits, timed waits that end on time or at the next
// tick of a 1/64 s timer (Windows), and a display that goes off and on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "clock/ClockState.h"
#include "clock/Scene.h"
#include "clock/TimeSource.h"
#include "shell/AppWindow.h"
#include "shell/FramePacing.h"
#include "shell/ViewSize.h"

namespace {

double now = 0.0;
double Now() { return now; }
// 10:59:50: the face turns every half second, the hour and minute at 10 s.
double Wall() { return 10 * 3600 + 59 * 60 + 50 + now; }
bool TwentyFourHour() { return false; }

double offFrom = 0.0, onAt = 0.0;  // the display is off in between
int looks = 0;
bool DisplayOff() { return ++looks, now >= offFrom && now < onAt; }

double tick = 0.0;  // 0: waits end on time
bool precise = false;
void HoldPrecise(bool hold) { precise = hold; }

// A waiting swap returns at the first blank after the call, up to 0.4 ms
// late; one that does not wait takes 0.1 ms. A poll takes 0.05 ms. A wait
// ends early for a message: the display's change, where the system tells.
class ModelWindow final : public AppWindow {
 public:
  ModelWindow(double screenHz, bool swapWaits, bool told)
      : blank_(1.0 / screenHz), swapWaits_(swapWaits), told_(told) {}

  void MakeContextCurrent() override {}
  void SetSwapInterval(int /*interval*/) override {}
  void HideCursor() override {}
  void SwapBuffers() override {
    if (!swapWaits_) {
      shownAt = now += 0.0001;
      return;
    }
    const double shown = std::floor(now / blank_) + 1;
    seed_ = seed_ * 1103515245u + 12345u;
    shownAt = shown * blank_;
    now = shownAt + 0.0004 * ((seed_ >> 16) % 1000) / 1000.0;
  }
  void PollEvents() override { now += 0.00005 + pollExtra; pollExtra = 0.0; }
  void WaitEvents(double seconds) override {
    if (seconds <= 0.0) return PollEvents();
    ++waits;
    if (FlapFalling()) ++waitsWhileFalling;
    if (precise && !FlapFalling()) ++preciseAtRest;
    if (now >= offFrom && now < onAt) ++waitsWhileOff;
    double end = now + seconds;
    if (tick > 0.0 && !precise) end = std::ceil(end / tick) * tick;
    for (double message : {offFrom, onAt}) {
      if (told_ && message > now && message < end) end = message;
    }
    now = std::isinf(end) ? 1e9 : end;
    PollEvents();
  }
  bool TakeExposed() override { return false; }
  bool ShouldClose() override { return false; }
  bool HostGone() override { return false; }
  std::uintptr_t NativeHandle() override { return 0; }

  double shownAt = 0.0;
  double pollExtra = 0.0;
  int waits = 0, waitsWhileFalling = 0, waitsWhileOff = 0, preciseAtRest = 0;

 private:
  double blank_;
  bool swapWaits_;
  bool told_;
  std::uint32_t seed_ = 1;
};

struct Case {
  double screenHz;
  bool swapWaits;
  int reported;     // as Windows cuts it: 59.94 Hz is 59
  double work;      // a frame's cost, in periods
  double tick;      // how late an unheld wait may end
  double lookEvery; // 0: the display's changes come as messages
};

struct Outcome {
  int frames = 0;
  int unchanged = 0;         // frames of the face already shown
  int framesFalling = 0;     // from 5 s on, once the swaps have shown what they do
  double secondsFalling = 0.0;
  int missedWhileFalling = 0;
  double worstTurn = 0.0;    // the latest a turn showed, after every-blank drawing would
  int shownWhileOff = 0;
  double firstAfterOn = -1.0;
  ModelWindow window;
};

// The main loop for 20 s: the clock advanced, a frame drawn where the pacing
// says, then its wait. While flaps fall, at 5.6 s a poll takes 0.3 periods
// longer, at 7.6 s a preemption of 0.18 periods follows a swap, at 9.6 s a
// frame costs 2.4 times the others.
Outcome RunLoop(const Case& c) {
  now = 0.0;
  looks = 0;
  tick = c.tick;
  precise = false;
  Clock = ClockState{};
  ClockTimeSource = {Now, Wall, TwentyFourHour};
  SetViewSize(640, 360);
  Outcome run{0, 0, 0, 0.0, 0, 0.0, 0, -1.0,
              ModelWindow(c.screenHz, c.swapWaits, c.lookEvery == 0.0)};
  FramePacing pacing(WholeHertzRate(c.reported, 0.0, 1.0),
                     PacingSeams{Now, DisplayWatch{DisplayOff, c.lookEvery},
                                 WaitTimer{c.tick, HoldPrecise}});
  const double period = 1.0 / c.screenHz;
  const double hiccups[] = {5.6, 7.6, 9.6};
  int hiccup = 0;
  FaceSignature shown{}, face{};
  bool rested = true, fellBefore = false;
  double lastShown = -1.0;
  while (now < 20.0) {
    AdvanceClock();
    const double start = now;
    const bool falling = FlapFalling();
    if (pacing.ShouldPresent(run.window)) {
      TakeFaceSignature(&face);
      const int h = hiccup < 3 && now >= hiccups[hiccup] ? ++hiccup : 0;
      now += period * c.work * (h == 3 ? 2.4 : 1.0);
      run.window.SwapBuffers();
      if (h == 1) run.window.pollExtra = 0.3 * period;
      if (h == 2) now += 0.18 * period;
      const double at = run.window.shownAt;
      ++run.frames;
      run.unchanged += SameFace(face, shown);
      run.framesFalling += falling && start >= 5.0;
      if (c.swapWaits && falling && fellBefore) {
        run.missedWhileFalling += static_cast<int>(std::lround((at - lastShown) / period)) - 1;
      }
      if (rested && !SameFace(face, shown)) {
        // The turn: the wall clock's last half second. Drawn at every blank,
        // its face shows a blank after the first blank that follows it.
        const double base = Wall() - now;
        const double turn = std::floor((base + start) * 2.0) / 2.0 - base;
        const double everyBlank =
            c.swapWaits ? (std::ceil(turn / period) + 1) * period : turn + period;
        run.worstTurn = std::fmax(run.worstTurn, at - everyBlank);
      }
      if (start >= offFrom + c.lookEvery + 0.5 && start < onAt) ++run.shownWhileOff;
      if (start >= onAt && run.firstAfterOn < 0.0) run.firstAfterOn = at - onAt;
      shown = face;
      lastShown = at;
      fellBefore = falling;
    }
    rested = !falling;
    pacing.Wait(run.window);
    if (falling && start >= 5.0) run.secondsFalling += now - start;
  }
  return run;
}

TEST(FramePacing, DrawsChangedFacesOnlyAtTheScreensRate) {
  offFrom = onAt = 1e9;
  const Case cases[] = {
      {60.0, true, 60, 0.5, 0.0, 0.0},         {59.94, true, 59, 0.5, 1 / 64.0, 0.0},
      {143.98, true, 143, 0.5, 1 / 64.0, 0.0}, {144.0, true, 144, 0.5, 0.0, 0.0},
      {60.0, true, 1, 0.5, 1 / 64.0, 0.0},     {60.0, false, 60, 0.8, 0.0, 0.0},
      {60.0, false, 60, 0.95, 1 / 64.0, 0.0},  {60.0, false, 1, 0.2, 1 / 64.0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.screenHz << " Hz reported as " << c.reported
                                    << (c.swapWaits ? ", swap waits" : "") << ", work " << c.work
                                    << ", tick " << c.tick);
    const Outcome run = RunLoop(c);
    const double period = 1.0 / c.screenHz;
    // A falling flap is 0.3 s of every second, drawn at the screen's rate;
    // at rest nothing is drawn but the turns, and where a wait ends a tick
    // late, the blanks that bridge the last of the way to one.
    EXPECT_GE(run.frames, 0.28 * c.screenHz * 20.0);
    EXPECT_LE(run.unchanged, c.tick > 0.0 ? 40 * (std::ceil(c.tick / period) + 1) : 0.0);
    EXPECT_LE(run.worstTurn, period + 0.0005) << "a turn shown late";
    EXPECT_EQ(run.window.preciseAtRest, 0) << "a fine timer held at rest";
    if (c.swapWaits) {
      EXPECT_EQ(run.window.waitsWhileFalling, 0);
      EXPECT_LE(run.missedWhileFalling, 1) << "blanks without a new frame while a flap fell";
    } else {
      EXPECT_LE(run.framesFalling, run.secondsFalling * c.screenHz + 16)
          << "more frames than the screen shows";
    }
  }
}

// Off from 3 to 8 s: nothing shown once a look has seen it (at rest, a flip
// ends within half a second), few wakes, a look a second at most where a look
// costs; back on, the face of the moment at once, or at the next look.
TEST(FramePacing, DrawsNothingWhileTheDisplayIsOff) {
  offFrom = 3.0;
  onAt = 8.0;
  for (const double lookEvery : {0.0, 1.0}) {
    for (const bool swapWaits : {true, false}) {
      SCOPED_TRACE(testing::Message() << "look every " << lookEvery
                                      << (swapWaits ? ", swap waits" : ""));
      const double tick = lookEvery > 0.0 ? 0.0 : 1 / 64.0;
      const Outcome run = RunLoop({60.0, swapWaits, 60, 0.5, tick, lookEvery});
      EXPECT_EQ(run.shownWhileOff, 0);
      EXPECT_LE(run.window.waitsWhileOff, lookEvery > 0.0 ? 7 : 1);
      if (lookEvery > 0.0) {
        EXPECT_LE(looks, 22);
      }
      EXPECT_GE(run.firstAfterOn, 0.0);
      EXPECT_LE(run.firstAfterOn, lookEvery + 2.0 / 60.0);
    }
  }
  offFrom = onAt = 1e9;
}

}  // namespace
