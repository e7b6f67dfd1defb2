// The Windows modes' frame pacing, driven on a model of a screen: simulated
// time, and a swap that either waits for the next vertical blank or never
// waits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "shell/AppWindow.h"
#include "shell/FramePacing.h"

namespace {

double simulatedNow = 0.0;
double SimulatedClock() { return simulatedNow; }

// The window of the model. A waiting swap returns at the first blank after
// the call, a little late by a jitter of up to 0.4 ms; a swap that does not
// wait takes 0.1 ms. A poll takes 0.05 ms, a wait as long as it is asked for.
class ModelWindow final : public AppWindow {
 public:
  ModelWindow(double screenHz, bool swapWaits) : blank_(1.0 / screenHz), swapWaits_(swapWaits) {}

  void MakeContextCurrent() override {}
  void SetSwapInterval(int /*interval*/) override {}
  void HideCursor() override {}
  void SwapBuffers() override {
    if (!swapWaits_) {
      simulatedNow += 0.0001;
      return;
    }
    const std::int64_t shown = static_cast<std::int64_t>(std::floor(simulatedNow / blank_)) + 1;
    if (lastShown_ >= 0) missedBlanks += static_cast<int>(shown - lastShown_ - 1);
    lastShown_ = shown;
    seed_ = seed_ * 1103515245u + 12345u;
    simulatedNow = shown * blank_ + 0.0004 * ((seed_ >> 16) % 1000) / 1000.0;
  }
  void PollEvents() override { simulatedNow += 0.00005 + nextPollExtra; nextPollExtra = 0.0; }
  void WaitEvents(double seconds) override {
    ++waits;
    simulatedNow += seconds;
    PollEvents();
  }
  bool ShouldClose() override { return false; }
  bool HostGone() override { return false; }
  std::uintptr_t NativeHandle() override { return 0; }

  double nextPollExtra = 0.0;
  int waits = 0;
  int missedBlanks = 0;

 private:
  double blank_;
  bool swapWaits_;
  std::int64_t lastShown_ = -1;
  std::uint32_t seed_ = 1;
};

struct Hiccups {
  double longPoll = 0.0;  // one poll this much longer than the others
};

// Runs the main loop's road for `seconds` of simulated time: present, the
// frame's work, swap, the pacing's wait. Frame 300 has the long poll, frame
// 600 a preemption of 3 ms right after its swap, and frame 900 costs 1.2
// blanks, so that it misses one. Returns the frames whose swap returned in
// the second half of the run.
int RunFrames(FramePacing* pacing, ModelWindow* window, double work, double seconds,
              Hiccups hiccups) {
  simulatedNow = 0.0;
  int frame = 0;
  int lateFrames = 0;
  while (simulatedNow < seconds) {
    pacing->ShouldPresent(*window);
    simulatedNow += frame == 900 ? work / 0.5 * 1.2 : work;
    window->SwapBuffers();
    if (frame == 600) simulatedNow += 0.003;
    if (frame == 300) window->nextPollExtra = hiccups.longPoll;
    if (simulatedNow >= seconds / 2) ++lateFrames;
    pacing->Wait(*window);
    ++frame;
  }
  return lateFrames;
}

// A swap that waits for the blank: after a long poll, a preemption and a
// frame that missed its blank, the pacing never waits, and every other
// blank shows a new frame, at rates that Windows reports cut to whole Hz
// and at a rate that means nothing.
TEST(FramePacing, NeverWaitsWhereTheSwapWaits) {
  struct Case {
    const char* name;
    double screenHz;
    int reportedHz;
    double longPoll;
  };
  const Case cases[] = {
      {"59.94 Hz reported as 59", 59.94, 59, 0.005},
      {"60 Hz reported as 60", 60.0, 60, 0.005},
      {"143.98 Hz reported as 143", 143.98, 143, 0.002},
      {"60 Hz reported as 1", 60.0, 1, 0.005},
  };
  for (const Case& c : cases) {
    ModelWindow window(c.screenHz, true);
    std::unique_ptr<FramePacing> pacing(
        NewEveryFramePacing(WholeHertzRate(c.reportedHz, 0.0, 1.0), SimulatedClock));
    RunFrames(pacing.get(), &window, 0.5 / c.screenHz, 30.0, Hiccups{c.longPoll});
    EXPECT_EQ(window.waits, 0) << c.name;
    EXPECT_EQ(window.missedBlanks, 1) << c.name << ": blanks without a new frame";
  }
}

// A swap that never waits: never more frames than the screen shows, and
// not fewer, whatever a frame costs.
TEST(FramePacing, HoldsASwapThatNeverWaitsToTheRate) {
  struct Case {
    const char* name;
    int reportedHz;
    double work;  // of a 60 Hz period
  };
  const Case cases[] = {
      {"60 Hz, 0.8 of a period", 60, 0.8},
      {"60 Hz, 0.95 of a period", 60, 0.95},
      {"reported as 1 Hz, 0.2 of a 60 Hz period", 1, 0.2},
  };
  for (const Case& c : cases) {
    ModelWindow window(60.0, false);
    std::unique_ptr<FramePacing> pacing(
        NewEveryFramePacing(WholeHertzRate(c.reportedHz, 0.0, 1.0), SimulatedClock));
    // The second 10 s: the swaps have shown by then that they do not wait.
    const int frames = RunFrames(pacing.get(), &window, c.work / 60.0, 20.0, Hiccups{});
    EXPECT_LE(frames, 601) << c.name;
    EXPECT_GE(frames, 598) << c.name;
  }
}

}  // namespace
