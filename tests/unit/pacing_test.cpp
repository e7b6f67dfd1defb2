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

// The main loop's road for `seconds`, at a rate reported in whole Hz as
// Windows cuts it: present, the frame's `work`, swap, the pacing's wait.
// Frame 300 has a poll `longPoll` longer, frame 600 a preemption of 3 ms
// after its swap, frame 900 costs 2.4 times the others. Returns the frames
// whose swap returned in the second half of the run.
int RunFrames(ModelWindow* window, int reportedHz, double work, double seconds,
              double longPoll) {
  std::unique_ptr<FramePacing> pacing(
      NewEveryFramePacing(WholeHertzRate(reportedHz, 0.0, 1.0), SimulatedClock));
  simulatedNow = 0.0;
  int lateFrames = 0;
  for (int frame = 0; simulatedNow < seconds; ++frame) {
    pacing->ShouldPresent(*window);
    simulatedNow += frame == 900 ? work * 2.4 : work;
    window->SwapBuffers();
    if (frame == 600) simulatedNow += 0.003;
    if (frame == 300) window->nextPollExtra = longPoll;
    if (simulatedNow >= seconds / 2) ++lateFrames;
    pacing->Wait(*window);
  }
  return lateFrames;
}

// Where the swap waits (a frame costs half a blank), the pacing never
// waits, and every blank but the one that frame 900 misses shows a new
// frame, at rates cut to whole Hz and at a rate that means nothing.
TEST(FramePacing, NeverWaitsWhereTheSwapWaits) {
  const struct { const char* name; double screenHz; int reportedHz; double longPoll; } cases[] = {
      {"59.94 Hz reported as 59", 59.94, 59, 0.005},
      {"60 Hz reported as 60", 60.0, 60, 0.005},
      {"143.98 Hz reported as 143", 143.98, 143, 0.002},
      {"60 Hz reported as 1", 60.0, 1, 0.005},
  };
  for (const auto& c : cases) {
    ModelWindow window(c.screenHz, true);
    RunFrames(&window, c.reportedHz, 0.5 / c.screenHz, 30.0, c.longPoll);
    EXPECT_EQ(window.waits, 0) << c.name;
    EXPECT_EQ(window.missedBlanks, 1) << c.name << ": blanks without a new frame";
  }
}

// A swap that never waits: in the second 10 s, as many frames as the 60 Hz
// screen shows, never more, whatever a frame costs.
TEST(FramePacing, HoldsASwapThatNeverWaitsToTheRate) {
  const struct { const char* name; int reportedHz; double work; } cases[] = {
      {"60 Hz, 0.8 of a period", 60, 0.8},
      {"60 Hz, 0.95 of a period", 60, 0.95},
      {"reported as 1 Hz, 0.2 of a 60 Hz period", 1, 0.2},
  };
  for (const auto& c : cases) {
    ModelWindow window(60.0, false);
    const int frames = RunFrames(&window, c.reportedHz, c.work / 60.0, 20.0, 0.0);
    EXPECT_LE(frames, 601) << c.name;
    EXPECT_GE(frames, 598) << c.name;
  }
}

}  // namespace
