// The frame pacing on a model of a screen and of the system's waits, driving
// the real clock on simulated time: a swap that either waits for the next
// vertical blank or never waits, timed waits that end on time, late, or at
// the next tick of a 1/64 s timer (Windows), a monitor whose rate changes,
// and a display that goes off and on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "clock/ClockState.h"
#include "clock/Scene.h"
#include "clock/TimeSource.h"
#include "shell/AppWindow.h"
#include "shell/FramePacing.h"
#include "shell/ViewSize.h"

namespace {

struct Case {
  double screenHz;
  bool swapWaits;
  int reported;       // as Windows cuts it: 59.94 Hz is 59
  double work;        // a frame's cost, in periods
  double tick;        // how late an unheld wait may end
  double lookEvery;   // 0: the display's changes come as messages
  double overshoot = 0.0;  // how late every timed wait ends, in periods
  bool fineTimer = true;   // the system grants a 1 ms timer when asked
  double startHz = 0.0;    // the monitor's rate until 3 s, if another
};

Case model;
double now = 0.0;
double Now() { return now; }
// 10:59:50: the face turns every half second, the hour and minute at 10 s.
double Wall() { return 10 * 3600 + 59 * 60 + 50 + now; }
bool TwentyFourHour() { return false; }
double PeriodAt(double t) {
  return 1.0 / (t < 3.0 && model.startHz > 0.0 ? model.startHz : model.screenHz);
}
DisplayRate Rate(std::uintptr_t /*window*/) {
  return WholeHertzRate(now < 3.0 && model.startHz > 0.0 ? static_cast<int>(model.startHz)
                                                         : model.reported, 0.0, 1.0);
}

double offFrom = 0.0, onAt = 0.0;  // the display is off in between
int looks = 0;
bool DisplayOff() { return ++looks, now >= offFrom && now < onAt; }
// When the pacing must know: at once where the system tells, else at the
// first look at rest.
bool KnownOff(double t) {
  return t >= offFrom + (model.lookEvery > 0.0 ? model.lookEvery + 0.5 : 0.0) && t < onAt;
}

bool precise = false;
void HoldPrecise(bool hold) { precise = hold; }

// A waiting swap returns at the first blank after the call, up to 0.4 ms
// late; one that does not wait takes 0.1 ms. A poll takes 0.05 ms. A wait
// ends early for a message: the display's change, where the system tells.
class ModelWindow final : public AppWindow {
 public:
  void MakeContextCurrent() override {}
  void SetSwapInterval(int /*interval*/) override {}
  void HideCursor() override {}
  void SwapBuffers() override {
    if (!model.swapWaits) {
      shownAt = now += 0.0001;
      return;
    }
    const double blank = PeriodAt(now);
    seed_ = seed_ * 1103515245u + 12345u;
    shownAt = (std::floor(now / blank) + 1) * blank;
    now = shownAt + 0.0004 * ((seed_ >> 16) % 1000) / 1000.0;
  }
  void PollEvents() override { now += 0.00005 + pollExtra; pollExtra = 0.0; }
  void WaitEvents(double seconds) override {
    if (seconds <= 0.0) return PollEvents();
    if (FlapFalling()) ++waitsWhileFalling;
    if (precise && !FlapFalling()) ++preciseAtRest;
    if (KnownOff(now)) waitsWhileOff += 1, preciseWhileOff += precise;
    double end = now + seconds + model.overshoot * PeriodAt(now);
    if (model.tick > 0.0 && (!precise || !model.fineTimer)) {
      end = std::ceil(end / model.tick) * model.tick;
    }
    for (double message : {offFrom, onAt}) {
      if (model.lookEvery == 0.0 && message > now && message < end) end = message;
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
  int waitsWhileFalling = 0, waitsWhileOff = 0, preciseAtRest = 0, preciseWhileOff = 0;

 private:
  std::uint32_t seed_ = 1;
};

struct Outcome {
  int unchanged = 0;       // frames of the face already shown
  int framesFalling = 0;   // from 5 s on, once the swaps have shown what they do
  double secondsFalling = 0.0;
  int missedWhileFalling = 0;
  double worstTurn = 0.0;  // the latest a turn showed, after every-blank drawing would
  int shownWhileOff = 0;
  double firstAfterOn = -1.0;
  ModelWindow window;
};

// The main loop for 20 s: the clock advanced, a frame drawn where the pacing
// says, then its wait. While flaps fall, at 5.6 s a poll takes 0.3 periods
// longer, at 7.6 s a preemption of 0.18 periods follows a swap, at 9.6 s a
// frame costs 2.4 times the others.
Outcome RunLoop(const Case& c) {
  model = c;
  now = 0.0;
  looks = 0;
  precise = false;
  Clock = ClockState{};
  ClockTimeSource = {Now, Wall, TwentyFourHour};
  SetViewSize(640, 360);
  Outcome run;
  FramePacing pacing(PacingSeams{Now, Rate, DisplayWatch{DisplayOff, c.lookEvery},
                                 WaitTimer{c.tick, HoldPrecise}});
  const double hiccups[] = {5.6, 7.6, 9.6};
  int hiccup = 0;
  FaceSignature shown{}, face{};
  bool rested = true, fellBefore = false;
  double lastShown = -1.0;
  while (now < 20.0) {
    AdvanceClock();
    const double start = now, period = PeriodAt(now);
    const bool falling = FlapFalling();
    if (pacing.ShouldPresent(run.window)) {
      TakeFaceSignature(&face);
      const int h = hiccup < 3 && now >= hiccups[hiccup] ? ++hiccup : 0;
      now += period * c.work * (h == 3 ? 2.4 : 1.0);
      run.window.SwapBuffers();
      if (h == 1) run.window.pollExtra = 0.3 * period;
      if (h == 2) now += 0.18 * period;
      const double at = run.window.shownAt;
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
        run.worstTurn = std::fmax(run.worstTurn, (at - everyBlank) / period);
      }
      if (KnownOff(start)) ++run.shownWhileOff;
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
  const double t = 1 / 64.0;
  const Case cases[] = {
      {60.0, true, 60, 0.5, 0.0, 0.0},    {59.94, true, 59, 0.5, t, 0.0},
      {143.98, true, 143, 0.5, t, 0.0},   {144.0, true, 144, 0.5, 0.0, 0.0},
      {60.0, true, 1, 0.5, t, 0.0},       {60.0, false, 60, 0.8, 0.0, 0.0},
      {60.0, false, 60, 0.95, t, 0.0},    {60.0, false, 1, 0.2, t, 0.0},
      {23.976, false, 23, 0.2, 0.0, 0.0}, {60.0, false, 60, 0.2, 0.0, 0.0, 0.9},
      {144.0, false, 144, 0.2, t, 0.0, 0.0, false},
      {144.0, false, 144, 0.2, 0.0, 0.0, 0.0, true, 60.0},
      {144.0, true, 144, 0.5, t, 0.0, 0.0, true, 60.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.screenHz << " Hz (from " << c.startHz << ") reported as "
                                    << c.reported << (c.swapWaits ? ", swap waits" : "")
                                    << ", work " << c.work << ", tick " << c.tick << ", late "
                                    << c.overshoot << (c.fineTimer ? "" : ", no fine timer"));
    const Outcome run = RunLoop(c);
    // A falling flap is 0.3 s of every second, drawn at the screen's rate;
    // at rest nothing is drawn but the turns, and where a wait ends a tick
    // late, the blanks that bridge the last of the way to one.
    EXPECT_GE(run.framesFalling, 0.8 * run.secondsFalling * c.screenHz) << "a flip drawn slowly";
    EXPECT_LE(run.unchanged, c.tick > 0.0 ? 40 * (std::ceil(c.tick * c.screenHz) + 1) : 0.0);
    EXPECT_LE(run.worstTurn, 1.03) << "a turn shown later than a period after every blank would";
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

// Off from 3 to 8 s, and from 3.6 to 8.6 s (while flaps fall): nothing
// shown once a look has seen it (at rest, a flip ends within half a
// second), few wakes and no fine timer, a look a second at most where a
// look costs; back on, the face of the moment at once, or at the next look.
TEST(FramePacing, DrawsNothingWhileTheDisplayIsOff) {
  for (const double from : {3.0, 3.6}) {
    offFrom = from;
    onAt = from + (from == 3.0 ? 5.0 : 1.0);
    for (const double lookEvery : {0.0, 1.0}) {
      for (const bool swapWaits : {true, false}) {
        SCOPED_TRACE(testing::Message() << "off from " << from << ", look every " << lookEvery
                                        << (swapWaits ? ", swap waits" : ""));
        const double tick = lookEvery > 0.0 ? 0.0 : 1 / 64.0;
        const Outcome run = RunLoop({60.0, swapWaits, 60, 0.5, tick, lookEvery});
        EXPECT_EQ(run.shownWhileOff, 0);
        EXPECT_LE(run.window.waitsWhileOff, lookEvery > 0.0 ? 7 : 2);
        EXPECT_EQ(run.window.preciseWhileOff, 0);
        if (lookEvery > 0.0) {
          EXPECT_LE(looks, 22);
        }
        EXPECT_GE(run.firstAfterOn, 0.0);
        EXPECT_LE(run.firstAfterOn, lookEvery + 2.0 / 60.0);
      }
    }
  }
  offFrom = onAt = 1e9;
}

}  // namespace
