// The Windows modes' frame pacing on a model of a screen: simulated time,
// and a swap that either waits for the next vertical blank or never waits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "shell/AppWindow.h"
#include "shell/FramePacing.h"

namespace {

double simulatedNow = 0.0;
double SimulatedClock() { return simulatedNow; }

// A waiting swap returns at the first blank after the call, up to 0.4 ms
// late; one that does not wait takes 0.1 ms. A poll takes 0.05 ms.
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
  void WaitEvents(double seconds) override { ++waits; simulatedNow += seconds; PollEvents(); }
  bool ShouldClose() override { return false; }
  bool HostGone() override { return false; }
  std::uintptr_t NativeHandle() override { return 0; }

  double nextPollExtra = 0.0;
  int waits = 0;
  int missedBlanks = 0;
  double blank_;
  bool swapWaits_;
  std::int64_t lastShown_ = -1;
  std::uint32_t seed_ = 1;
};

// The main loop for 20 s at a rate cut to whole Hz as Windows cuts it; frame
// 300 polls `longPoll` longer, frame 600 is preempted 3 ms after its swap,
// frame 900 costs 2.4 times the `work` (in periods) of the others. A waiting
// swap is never waited after, and only frame 900 misses a blank; one that
// never waits shows in the second 10 s as many frames as the screen, no more.
TEST(FramePacing, FollowsTheSwapOrHoldsItToTheRate) {
  const struct { double screenHz; bool swapWaits; int reported; double work, longPoll; } cases[] = {
      {59.94, true, 59, 0.5, 0.005}, {60.0, true, 60, 0.5, 0.005}, {143.98, true, 143, 0.5, 0.002},
      {60.0, true, 1, 0.5, 0.005},   {60.0, false, 60, 0.8, 0.0},  {60.0, false, 60, 0.95, 0.0},
      {60.0, false, 1, 0.2, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.screenHz << " Hz reported as " << c.reported
                                    << (c.swapWaits ? ", swap waits" : "") << ", work " << c.work);
    ModelWindow window(c.screenHz, c.swapWaits);
    std::unique_ptr<FramePacing> pacing(
        NewEveryFramePacing(WholeHertzRate(c.reported, 0.0, 1.0), SimulatedClock));
    const double work = c.work / c.screenHz;
    simulatedNow = 0.0;
    int lateFrames = 0;
    for (int frame = 0; simulatedNow < 20.0; ++frame) {
      pacing->ShouldPresent(window);
      simulatedNow += frame == 900 ? work * 2.4 : work;
      window.SwapBuffers();
      if (frame == 600) simulatedNow += 0.003;
      if (frame == 300) window.nextPollExtra = c.longPoll;
      lateFrames += simulatedNow >= 10.0;
      pacing->Wait(window);
    }
    if (c.swapWaits) {
      EXPECT_EQ(window.waits, 0);
      EXPECT_EQ(window.missedBlanks, 1) << "blanks without a new frame";
    } else {
      EXPECT_LE(lateFrames, 601);
      EXPECT_GE(lateFrames, 598);
    }
  }
}

}  // namespace
