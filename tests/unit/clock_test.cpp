// The clock: digits of a time, the flips over simulated 60 Hz frames, the
// layout and draw order of the tile halves, the 12/24-hour format rule, the
// local time of an instant, and following the wall clock when it jumps.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "clock/ClockState.h"
#include "clock/FlipTiles.h"
#include "clock/TimeSource.h"

namespace {

// A simulated machine: the timer runs from the frame loop; the wall clock is
// the timer plus an offset that a test may move (someone sets the clock).
double simTimer = 0.0;
double simWallOffset = 0.0;
bool simTwelveHour = false;

double SimTimer() { return simTimer; }
double SimWall() {
  double wall = std::fmod(simTimer + simWallOffset, kSecondsPerDay);
  return wall < 0 ? wall + kSecondsPerDay : wall;
}
bool SimTwelveHour() { return simTwelveHour; }

constexpr double kFrame = 1.0 / 60.0;
constexpr double kStartupTimer = 1.25;  // the timer when the first frame runs

class ClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = ClockTimeSource;
    ClockTimeSource = {SimTimer, SimWall, SimTwelveHour};
    Clock = ClockState{};
    simTimer = kStartupTimer;
    simTwelveHour = false;
  }
  void TearDown() override {
    ClockTimeSource = saved_;
    Clock = ClockState{};
  }

  // Starts the run so that the first frame falls at local time `wall`.
  void StartAt(double wall, bool twelveHour = false) {
    simTimer = kStartupTimer;
    simWallOffset = wall - kStartupTimer;
    simTwelveHour = twelveHour;
  }
  // One frame at the current timer; returns the wall clock's time of that
  // frame (not wrapped at midnight).
  double Frame() {
    AdvanceClock();
    return simTimer + simWallOffset;
  }
  double NextFrame() {
    simTimer += kFrame;
    return Frame();
  }

  static std::vector<int> Shown(const ClockDigits& d, int last) {
    std::vector<int> v;
    for (int i = 4; i <= last; ++i) v.push_back(d[i]);
    return v;
  }

  TimeSource saved_{};
};

constexpr double H = 3600.0;
constexpr double M = 60.0;

using Slots = std::vector<int>;

// ---- Digits of a time ----------------------------------------------------

TEST_F(ClockTest, TwelveHourDigitsWithMeridiem) {
  Clock.twelveHour = 1;
  ClockDigits d{};
  DeriveDigits(d, 30 * M);
  EXPECT_EQ(Shown(d, 11), (Slots{1, 2, 3, 0, 0, 0, 10, 11}));  // 12 30 00 A M
  DeriveDigits(d, 11 * H + 59 * M + 59);
  EXPECT_EQ(Shown(d, 11), (Slots{1, 1, 5, 9, 5, 9, 10, 11}));  // 11 59 59 A M
  DeriveDigits(d, 12 * H);
  EXPECT_EQ(Shown(d, 11), (Slots{1, 2, 0, 0, 0, 0, 12, 11}));  // 12 00 00 P M
  DeriveDigits(d, 13 * H + 5 * M + 7);
  EXPECT_EQ(Shown(d, 11), (Slots{0, 1, 0, 5, 0, 7, 12, 11}));  // 01 05 07 P M
  DeriveDigits(d, 23 * H + 59 * M + 59);
  EXPECT_EQ(Shown(d, 11), (Slots{1, 1, 5, 9, 5, 9, 12, 11}));  // 11 59 59 P M
}

TEST_F(ClockTest, TwentyFourHourDigitsLeaveTheMeridiemSlotsAlone) {
  Clock.twelveHour = 0;
  ClockDigits d{};
  DeriveDigits(d, 0.0);
  EXPECT_EQ(Shown(d, 11), (Slots{0, 0, 0, 0, 0, 0, 0, 0}));
  d[10] = 12;
  d[11] = 11;
  DeriveDigits(d, 23 * H + 4 * M + 56);
  EXPECT_EQ(Shown(d, 11), (Slots{2, 3, 0, 4, 5, 6, 12, 11}));
}

TEST_F(ClockTest, RoundsHalvesAwayFromZero) {
  ClockDigits now{}, ahead{};
  DeriveDigits(now, 100.5);  // 00:01:41
  EXPECT_EQ(Shown(now, 9), (Slots{0, 0, 0, 1, 4, 1}));
  DeriveDigits(now, 100.49);  // 00:01:40
  DeriveDigits(ahead, 100.49 + 0.5);
  EXPECT_EQ(Shown(now, 9), (Slots{0, 0, 0, 1, 4, 0}));
  EXPECT_EQ(Shown(ahead, 9), (Slots{0, 0, 0, 1, 4, 1}));
}

TEST_F(ClockTest, MidnightAfterTheBaseDayCountsADay) {
  ClockDigits d{};
  DeriveDigits(d, kSecondsPerDay);
  EXPECT_EQ(Shown(d, 9), (Slots{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(d[3], 1);
  EXPECT_EQ(d[0] + d[1] + d[2], 0);
  Clock.twelveHour = 1;
  DeriveDigits(d, kSecondsPerDay);
  EXPECT_EQ(Shown(d, 11), (Slots{1, 2, 0, 0, 0, 0, 10, 11}));  // 12 00 00 A M
  DeriveDigits(d, 1234 * kSecondsPerDay + 5);
  EXPECT_EQ((Slots{d[0], d[1], d[2], d[3]}), (Slots{1, 2, 3, 4}));
}

TEST_F(ClockTest, DayCountsBeyondTheDaySlotsLeaveTheTimeOfDay) {
  // More than 9999 days: the thousands of days are held at 9, the time of
  // day is still right.
  ClockDigits d{};
  DeriveDigits(d, 2.0e9);  // day 23148, 03:33:20
  EXPECT_EQ(Shown(d, 9), (Slots{0, 3, 3, 3, 2, 0}));
  EXPECT_EQ((Slots{d[0], d[1], d[2], d[3]}), (Slots{9, 1, 4, 8}));
}

// ---- The first frame shows the wall time ---------------------------------

TEST_F(ClockTest, FirstFrameShowsTheWallClocksSecond) {
  simTimer = 5.3;  // a slow start-up: the timer has run 5.3 s already
  simWallOffset = (10 * H + 0.7) - simTimer;
  Frame();
  EXPECT_FALSE(Clock.needsBase);
  // Half a second behind the wall clock, with its fraction.
  EXPECT_NEAR(ClockTime(), 10 * H + 0.2, 1e-9);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{1, 0, 0, 0, 0, 0}));  // 10:00:00
  // .7 is in the second half of the second: the first frame already starts
  // the flip to 10:00:01.
  EXPECT_EQ(Shown(Clock.upcomingDigits, 9), (Slots{1, 0, 0, 0, 0, 1}));
  EXPECT_EQ(Clock.flipActive[9], 1);
  EXPECT_EQ(Clock.flipStart[9], ClockTime());
  // From 10:00:01.0 on the resting halves show :01 and the flip is over.
  simTimer += 0.35;
  Frame();
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{1, 0, 0, 0, 0, 1}));
  EXPECT_EQ(Clock.flipActive[9], 0);
}

TEST_F(ClockTest, MidnightItselfAndTheFlipBeforeIt) {
  // At 00:00:00.000 the face shows 00:00:00 at rest, on the first frame too.
  StartAt(0.0);
  Frame();
  EXPECT_GE(ClockTime(), 0.0);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Shown(Clock.upcomingDigits, 9), (Slots{0, 0, 0, 0, 0, 0}));
  for (int slot = 4; slot <= 9; ++slot) EXPECT_EQ(Clock.flipActive[slot], 0) << slot;

  // At 23:59:59.680 it shows 23:59:59, with all three groups in flight
  // toward 00:00:00 since 23:59:59.5.
  Clock = ClockState{};
  StartAt(23 * H + 59 * M + 59.2);
  double wall = Frame();
  while (wall < 23 * H + 59 * M + 59.68 - 1e-9) wall = NextFrame();
  EXPECT_NEAR(wall, 23 * H + 59 * M + 59.68, kFrame);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{2, 3, 5, 9, 5, 9}));
  EXPECT_EQ(Shown(Clock.upcomingDigits, 9), (Slots{0, 0, 0, 0, 0, 0}));
  const double elapsed = wall - (23 * H + 59 * M + 59.5);
  for (int slot = 4; slot <= 9; ++slot) {
    EXPECT_EQ(Clock.flipActive[slot], 1) << slot;
    EXPECT_GT(Clock.flipAngle[slot], 0.0f) << slot;
    EXPECT_LT(Clock.flipAngle[slot], 180.0f) << slot;
    EXPECT_NEAR(Clock.flipAngle[slot], FlipAngleFactor(slot) * 100 * elapsed * elapsed,
                FlipAngleFactor(slot) * 100 * 2 * elapsed * kFrame)
        << slot;
  }
  // The next frames land the flaps and, from 00:00:00.0 on, rest on the new day.
  while (wall < kSecondsPerDay) wall = NextFrame();
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{0, 0, 0, 0, 0, 0}));
  for (int slot = 4; slot <= 9; ++slot) EXPECT_EQ(Clock.flipActive[slot], 0) << slot;
}

TEST_F(ClockTest, TwelveHourChoiceIsSampledOnceOnTheFirstFrame) {
  StartAt(15 * H, true);
  Frame();
  EXPECT_EQ(Clock.twelveHour, 1);
  simTwelveHour = false;
  NextFrame();
  EXPECT_EQ(Clock.twelveHour, 1);
  EXPECT_EQ(Clock.currentDigits[10], 12);
}

// ---- Flips over 60 Hz frames ---------------------------------------------

TEST_F(ClockTest, SecondsFlipStartsLandsAndEnds) {
  StartAt(41.1);  // wall clock; nothing flips from 41.0 to 41.5
  double wall = Frame();
  double start = -1;
  bool landed = false;
  while (wall < 42.5) {
    const bool active = Clock.flipActive[8] && Clock.flipActive[9];
    // The resting halves show the wall clock's second.
    EXPECT_EQ(Clock.currentDigits[9], wall < 42.0 ? 1 : 2) << "wall " << wall;
    if (wall < 41.5) {
      EXPECT_FALSE(Clock.flipActive[8] || Clock.flipActive[9]) << "wall " << wall;
    } else if (wall < 42.0) {
      ASSERT_TRUE(active) << "wall " << wall;
      EXPECT_EQ(Clock.upcomingDigits[9], 2);
      if (start < 0) {
        start = ClockTime();  // the first frame at or after the half second
        EXPECT_LT(wall - 41.5, kFrame);
      }
      EXPECT_EQ(Clock.flipStart[8], start);
      EXPECT_EQ(Clock.flipStart[9], start);
      const double e = ClockTime() - start;
      EXPECT_FLOAT_EQ(Clock.flipAngle[8], e < 0.3 ? float(2000 * e * e) : 180.0f) << "e=" << e;
      EXPECT_EQ(Clock.flipAngle[9], Clock.flipAngle[8]);
      if (e >= 0.3) landed = true;
      // The minutes do not move.
      EXPECT_FALSE(Clock.flipActive[6] || Clock.flipActive[7] || Clock.flipActive[4]);
    } else {
      EXPECT_FALSE(Clock.flipActive[8] || Clock.flipActive[9]) << "wall " << wall;
    }
    wall = NextFrame();
  }
  EXPECT_GE(start, 0.0);
  EXPECT_TRUE(landed);  // before the wall clock's second changed
}

TEST_F(ClockTest, HourChangeStartsThreeGroupsInOneFrame) {
  StartAt(9 * H + 59 * M + 59.2);
  double wall = Frame();
  while (wall < 9 * H + 59 * M + 59.5) {
    EXPECT_FALSE(Clock.flipActive[8]);  // 59.0 .. 59.5: digits agree
    wall = NextFrame();
  }
  const double start = ClockTime();
  for (int slot : {4, 5, 6, 7, 8, 9}) {
    EXPECT_EQ(Clock.flipActive[slot], 1) << slot;
    EXPECT_EQ(Clock.flipStart[slot], start) << slot;
  }
  // The glyphs: 09:59:59 now, 10:00:00 ahead.
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{0, 9, 5, 9, 5, 9}));
  EXPECT_EQ(Shown(Clock.upcomingDigits, 9), (Slots{1, 0, 0, 0, 0, 0}));
  double secondsLanded = -1, othersLanded = -1;
  while (wall < 10 * H - 1e-9) {
    const double e = ClockTime() - start;
    if (secondsLanded < 0 && Clock.flipAngle[8] == 180.0f) secondsLanded = e;
    if (othersLanded < 0 && Clock.flipAngle[6] == 180.0f) othersLanded = e;
    EXPECT_EQ(Clock.flipAngle[4], Clock.flipAngle[6]);
    EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{0, 9, 5, 9, 5, 9}));
    wall = NextFrame();
  }
  // Landing is on the first frame at or after 0.3 s and sqrt(0.18) s, both
  // before 10:00:00 on the wall clock.
  EXPECT_GE(secondsLanded, 0.3 - 1e-6);
  EXPECT_LT(secondsLanded, 0.3 + kFrame);
  EXPECT_GE(othersLanded, std::sqrt(0.18) - 1e-6);
  EXPECT_LT(othersLanded, std::sqrt(0.18) + kFrame);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{1, 0, 0, 0, 0, 0}));
  for (int slot : {4, 5, 6, 7, 8, 9}) EXPECT_EQ(Clock.flipActive[slot], 0) << slot;
}

TEST_F(ClockTest, MeridiemFlipsAtNoonInTwelveHourMode) {
  StartAt(11 * H + 59 * M + 59.4, true);
  double wall = Frame();
  while (wall < 11 * H + 59 * M + 59.5) {
    EXPECT_EQ(Clock.flipActive[10], 0);
    wall = NextFrame();
  }
  EXPECT_EQ(Clock.flipActive[10], 1);
  EXPECT_EQ(Clock.flipActive[11], 1);
  EXPECT_EQ(Clock.currentDigits[10], 10);
  EXPECT_EQ(Clock.upcomingDigits[10], 12);
  EXPECT_EQ(Clock.upcomingDigits[11], 11);
  const double start = ClockTime();
  while (ClockTime() < start + 0.4) {
    const double e = ClockTime() - start;
    // The seconds' speed: landed after 0.3 s, while the minutes still fall.
    if (e < 0.3 - 1e-6) {
      EXPECT_LT(Clock.flipAngle[10], 180.0f) << e;
    }
    if (e >= 0.3) {
      EXPECT_EQ(Clock.flipAngle[10], 180.0f) << e;
      EXPECT_LT(Clock.flipAngle[6], 180.0f) << e;
    }
    EXPECT_EQ(Clock.flipAngle[11], Clock.flipAngle[10]);
    NextFrame();
  }
}

TEST_F(ClockTest, MeridiemIsNeverTouchedInTwentyFourHourMode) {
  StartAt(11 * H + 59 * M + 59.4, false);
  double wall = Frame();
  while (wall < 12 * H + 1) {
    EXPECT_EQ(Clock.flipActive[10] + Clock.flipActive[11], 0);
    EXPECT_EQ(Clock.currentDigits[10] + Clock.currentDigits[11], 0);
    EXPECT_EQ(Clock.upcomingDigits[10] + Clock.upcomingDigits[11], 0);
    EXPECT_EQ(Clock.flipAngle[10] + Clock.flipAngle[11], 0.0f);
    wall = NextFrame();
  }
  EXPECT_EQ(Clock.currentDigits[4], 1);
  EXPECT_EQ(Clock.currentDigits[5], 2);
}

TEST_F(ClockTest, AStalledLoopNeitherClearsNorRestartsAFlip) {
  StartAt(41.4);
  double wall = Frame();
  while (wall < 41.5) wall = NextFrame();
  const double start = Clock.flipStart[8];
  ASSERT_EQ(Clock.flipActive[8], 1);
  // No frame between 41.5+ and 42.7: the half second of agreement is missed.
  simTimer += 42.7 - wall;
  wall = Frame();
  EXPECT_EQ(Clock.flipActive[8], 1);
  EXPECT_EQ(Clock.flipStart[8], start);
  EXPECT_EQ(Clock.flipAngle[8], 180.0f);
  EXPECT_EQ(Clock.currentDigits[9], 2);  // the new glyph simply shows
  while (wall < 43.0) wall = NextFrame();
  EXPECT_EQ(Clock.flipActive[8], 0);
}

TEST_F(ClockTest, FlapAngleLaw) {
  EXPECT_FLOAT_EQ(FlapAngle(8, 0.1), 20.0f);
  EXPECT_FLOAT_EQ(FlapAngle(10, 0.2), 80.0f);
  EXPECT_FLOAT_EQ(FlapAngle(7, 0.2), 40.0f);
  EXPECT_FLOAT_EQ(FlapAngle(4, 0.4), 160.0f);
  EXPECT_EQ(FlapAngle(4, 0.43), 180.0f);
  EXPECT_EQ(FlapAngle(9, 0.3), 180.0f);
  EXPECT_EQ(FlapAngle(9, 5.0), 180.0f);
  EXPECT_EQ(FlapAngle(9, 0.0), 0.0f);
}

// ---- Layout and draw order -----------------------------------------------

Vec4 Apply(const Mat4& m, float x, float y) {
  Vec4 r{};
  const float v[4] = {x, y, 0.0f, 1.0f};
  float* out = &r.x;
  for (int i = 0; i < 4; ++i) {
    out[i] = 0;
    for (int k = 0; k < 4; ++k) out[i] += m.At(i, k) * v[k];
  }
  return r;
}

// The plane mesh: x -2.5 .. 2.5, y -2.6302 .. 2.3698.
constexpr float kMeshLeft = -2.5f, kMeshRight = 2.5f, kMeshBottom = -2.6302f, kMeshTop = 2.3698f;

TEST(TileLayout, HalvesSitAboutTheHinge) {
  // Upright upper half of a digit tile in column 100.
  Mat4 m = TileHalfModel(100, 7.2f, -100, 7, 0);
  Vec4 hingeSide = Apply(m, kMeshLeft, kMeshBottom);
  Vec4 free = Apply(m, kMeshRight, kMeshTop);
  EXPECT_NEAR(hingeSide.x, 100 - 97.22, 0.01);
  EXPECT_NEAR(free.x, 100 + 97.22, 0.01);
  EXPECT_NEAR(hingeSide.y, 7.2 + 0.927, 0.01);
  EXPECT_NEAR(free.y, 163.68, 0.01);
  EXPECT_NEAR(free.z, -100, 1e-4);
  // Turned by 180 it hangs below the hinge, at the same depth.
  m = TileHalfModel(100, 7.2f, -100, 7, 180);
  EXPECT_NEAR(Apply(m, 0, kMeshBottom).y, 7.2 - 0.927, 0.01);
  EXPECT_NEAR(Apply(m, 0, kMeshTop).y, -149.28, 0.01);
  EXPECT_NEAR(Apply(m, 0, kMeshTop).z, -100, 1e-3);
  // Edge-on at 90: the free edge points at the viewer, about 5 units nearer.
  m = TileHalfModel(100, 7.2f, -40, 7, 90);
  Vec4 edge = Apply(m, 0, kMeshTop);
  EXPECT_NEAR(edge.y, 7.2, 0.01);
  EXPECT_NEAR(edge.z, -40 + 5.0298, 0.01);
  // Meridiem: smaller, hinge at -38.
  m = TileHalfModel(623, -38, -100, 5, 0);
  EXPECT_NEAR(Apply(m, kMeshRight, kMeshTop).y, -38 + 5.0298 * 22.222, 0.02);
  EXPECT_NEAR(Apply(m, kMeshRight, kMeshTop).x, 623 + 69.44, 0.02);
  EXPECT_NEAR(Apply(TileHalfModel(623, -38, -100, 5, 180), 0, kMeshTop).y, -149.78, 0.02);
}

TEST(TileLayout, ColumnsSpanTheClockFace) {
  auto left = [](int row, int slot) {
    const TileKind k = TileKindOf(slot);
    return Apply(TileHalfModel(TileColumns[row][slot], k.hingeY, -100, k.f, 0), kMeshLeft, 0).x;
  };
  auto right = [](int row, int slot) {
    const TileKind k = TileKindOf(slot);
    return Apply(TileHalfModel(TileColumns[row][slot], k.hingeY, -100, k.f, 0), kMeshRight, 0).x;
  };
  EXPECT_NEAR(left(0, 4), -643.2, 0.1);
  EXPECT_NEAR(right(0, 9), 649.2, 0.1);
  EXPECT_NEAR(left(1, 4), -808.2, 0.1);
  EXPECT_NEAR(right(1, 11), 828.4, 0.1);
  for (int row = 0; row < 2; ++row) {
    for (int pair : {4, 6, 8}) {
      // The two tiles of a pair overlap by 2.4 units and read as one panel.
      EXPECT_NEAR(right(row, pair) - left(row, pair + 1), 2.44, 0.05) << row << " " << pair;
      if (pair < 8) {
        const float gap = left(row, pair + 2) - right(row, pair + 1);
        EXPECT_GT(gap, 65.0f);
        EXPECT_LT(gap, 70.0f);
      }
    }
    for (int slot = 4; slot <= 9; ++slot) {
      EXPECT_EQ(TileColumns[1][slot], TileColumns[0][slot] - 165) << slot;
    }
  }
  EXPECT_NEAR(right(1, 10) - left(1, 11), 2.89, 0.05);
}

TEST(TileLayout, GlyphCellsAreWhereTheAtlasHasThem) {
  // Every glyph's cell, left and top, as the atlas is drawn: 0..9, A, M, P.
  const float expected[kGlyphCount][2] = {
      {30, 864}, {30, 1152}, {30, 1440}, {30, 1728}, {420, 0},  {420, 288}, {420, 576},
      {420, 864}, {420, 1152}, {420, 1440}, {10, 30}, {24, 318}, {-4, 606},
  };
  for (int g = 0; g < kGlyphCount; ++g) {
    EXPECT_EQ(GlyphCells[g].tile_left, expected[g][0]) << "glyph " << g;
    EXPECT_EQ(GlyphCells[g].tile_top, expected[g][1]) << "glyph " << g;
  }
}

class TileOrderTest : public ClockTest {};

TEST_F(TileOrderTest, RestingTilesInSlotOrder) {
  for (int twelve = 0; twelve < 2; ++twelve) {
    Clock = ClockState{};
    Clock.twelveHour = twelve;
    DeriveDigits(Clock.currentDigits, 13 * H + 24 * M + 56.2);
    Clock.upcomingDigits = Clock.currentDigits;
    TileHalf halves[kMaxTileHalves];
    const int count = ListTileHalves(halves);
    ASSERT_EQ(count, twelve ? 16 : 12);
    for (int k = 0; k < count; ++k) {
      const TileHalf& h = halves[k];
      EXPECT_EQ(h.slot, 4 + k / 2);
      EXPECT_EQ(h.isAnimator, 0);
      EXPECT_EQ(h.z, kRestingZ);
      EXPECT_EQ(h.glyph, Clock.currentDigits[h.slot]);
      EXPECT_EQ(h.tileMode, k % 2 == 0 ? 1.0f : -1.0f);
      EXPECT_EQ(h.angle, k % 2 == 0 ? 0.0f : 180.0f);
      EXPECT_EQ(h.f, h.slot >= 10 ? 5.0f : 7.0f);
      EXPECT_EQ(h.hingeY, h.slot >= 10 ? -38.0f : 7.2f);
    }
    if (twelve) {
      EXPECT_EQ(halves[12].glyph, 12);  // P
    }
  }
}

TEST_F(TileOrderTest, FlippingTileAddsRevealedHalfAndFlap) {
  Clock.twelveHour = 0;
  DeriveDigits(Clock.currentDigits, 9.2);   // 00:00:09
  DeriveDigits(Clock.upcomingDigits, 10.2);  // 00:00:10
  Clock.flipActive[8] = Clock.flipActive[9] = 1;
  for (float angle : {0.0f, 45.0f, 90.0f, 90.0001f, 180.0f}) {
    Clock.flipAngle[8] = Clock.flipAngle[9] = angle;
    TileHalf halves[kMaxTileHalves];
    ASSERT_EQ(ListTileHalves(halves), 16);
    // Slot 8 (tens: 0 -> 1) at positions 8..11, slot 9 (units: 9 -> 0) at 12..15.
    for (int slot : {8, 9}) {
      const TileHalf* h = &halves[slot == 8 ? 8 : 12];
      const int old = slot == 8 ? 0 : 9, next = slot == 8 ? 1 : 0;
      EXPECT_EQ(h[0].glyph, old);
      EXPECT_EQ(h[1].glyph, old);
      EXPECT_EQ(h[1].angle, 180.0f);
      EXPECT_EQ(h[2].isAnimator, 1);  // revealed upper half of the new glyph
      EXPECT_EQ(h[2].z, kRevealedZ);
      EXPECT_EQ(h[2].glyph, next);
      EXPECT_EQ(h[2].tileMode, 1.0f);
      EXPECT_EQ(h[2].angle, 0.0f);
      EXPECT_EQ(h[3].isAnimator, 1);  // the flap
      EXPECT_EQ(h[3].z, kFlapZ);
      EXPECT_EQ(h[3].angle, angle);
      if (angle <= 90.0f) {
        EXPECT_EQ(h[3].tileMode, 1.0f) << angle;
        EXPECT_EQ(h[3].glyph, old) << angle;
      } else {
        EXPECT_EQ(h[3].tileMode, -1.0f) << angle;
        EXPECT_EQ(h[3].glyph, next) << angle;
      }
    }
  }
}

// ---- The 12/24-hour rule -------------------------------------------------

TEST(TimeFormat, TwelveHourOnlyWhenItBeginsWithATwelveHourHour) {
  EXPECT_FALSE(TimeFormatIsTwelveHour("%H:%M:%S"));
  EXPECT_TRUE(TimeFormatIsTwelveHour("%I:%M:%S %p"));
  EXPECT_TRUE(TimeFormatIsTwelveHour("%r"));
  EXPECT_TRUE(TimeFormatIsTwelveHour("%l:%M:%S %p"));
  EXPECT_TRUE(TimeFormatIsTwelveHour("%l"));
  EXPECT_FALSE(TimeFormatIsTwelveHour("%p %I:%M:%S"));
  EXPECT_FALSE(TimeFormatIsTwelveHour("%T"));
  EXPECT_FALSE(TimeFormatIsTwelveHour("%k:%M"));
  EXPECT_FALSE(TimeFormatIsTwelveHour(""));
  EXPECT_FALSE(TimeFormatIsTwelveHour(nullptr));
  EXPECT_FALSE(TimeFormatIsTwelveHour("I:%M"));
  EXPECT_FALSE(TimeFormatIsTwelveHour("%"));
  EXPECT_TRUE(TimeFormatIsTwelveHour("%-I:%M"));
  EXPECT_TRUE(TimeFormatIsTwelveHour("%OI:%M"));
}

TEST(TimeFormat, RealSourcesFollowTheEnvironment) {
  const char* oldTz = std::getenv("TZ");
  const std::string savedTz = oldTz ? oldTz : "";
  // Two zones 5.5 hours apart give wall clocks 5.5 hours apart.
  setenv("TZ", "UTC0", 1);
  tzset();
  // time() reads the coarse clock, which may lag the precise one by a tick,
  // so the reading is bracketed by two calls.
  const std::time_t before = std::time(nullptr);
  const double utc = LocalSecondsSinceMidnight();
  const std::time_t after = std::time(nullptr) + 1;
  setenv("TZ", "IST-5:30", 1);
  tzset();
  const double india = LocalSecondsSinceMidnight();
  if (oldTz) {
    setenv("TZ", savedTz.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  EXPECT_GE(DifferenceWithinDay(utc, static_cast<double>(before % 86400)), -0.01);
  EXPECT_LE(DifferenceWithinDay(utc, static_cast<double>(after % 86400)), 0.01);
  EXPECT_NEAR(DifferenceWithinDay(india, utc), 5.5 * 3600, 1.0);
  // Sub-second precision: the reading changes in far less than a second.
  const double first = LocalSecondsSinceMidnight();
  double next = first;
  while (next == first) next = LocalSecondsSinceMidnight();
  EXPECT_LT(std::fabs(DifferenceWithinDay(next, first)), 0.01);

  const char* oldLcTime = std::getenv("LC_TIME");
  const std::string savedLcTime = oldLcTime ? oldLcTime : "";
  setenv("LC_TIME", "C", 1);
  EXPECT_FALSE(PrefersTwelveHourClock());  // C: "%H:%M:%S"
  if (oldLcTime) {
    setenv("LC_TIME", savedLcTime.c_str(), 1);
  } else {
    unsetenv("LC_TIME");
  }
}

// ---- The local time of an instant ----------------------------------------

std::int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
  tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return static_cast<std::int64_t>(timegm(&t));
}

TEST(LocalTime, AnInstantInTheZoneThatTzNames) {
  const char* oldTz = std::getenv("TZ");
  const std::string savedTz = oldTz ? oldTz : "";
  struct Case {
    const char* zone;
    std::int64_t instant;
    double fraction;
    double expected;
  };
  const Case cases[] = {
      {"UTC", 0, 0.25, 0.25},
      {"UTC", -1, 0.5, 86399.5},  // 1969-12-31 23:59:59.5
      {"Asia/Kolkata", 0, 0.0, 5.5 * 3600},
      {"Europe/Berlin", Utc(2026, 3, 29, 0, 59, 59), 0.9, 1 * 3600 + 59 * 60 + 59.9},
      {"Europe/Berlin", Utc(2026, 3, 29, 1, 0, 0), 0.0, 3 * 3600},
      {"Europe/Berlin", Utc(2026, 10, 25, 1, 0, 0), 0.0, 2 * 3600},
      {"America/Santiago", Utc(2026, 9, 6, 3, 59, 59), 0.0, 86399},
      {"America/Santiago", Utc(2026, 9, 6, 4, 0, 0), 0.0, 3600},
      {"Australia/Lord_Howe", Utc(2026, 4, 4, 14, 59, 59), 0.0, 7199},
      {"Australia/Lord_Howe", Utc(2026, 4, 4, 15, 0, 0), 0.0, 5400},
  };
  for (const Case& c : cases) {
    setenv("TZ", c.zone, 1);
    tzset();
    EXPECT_DOUBLE_EQ(LocalSecondsSinceMidnightAt(c.instant, c.fraction), c.expected)
        << c.zone << " at " << c.instant;
  }
  if (oldTz) {
    setenv("TZ", savedTz.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

// Following a change of the zone only ever replaces TZ's value: other
// threads (the sound library's) may read the environment meanwhile, and a
// name added or removed moves the array or its entries under them. The
// array here is the test's own, as at a process's start, so an added name
// would need a new one; TZ, when there, comes first, so a removal would
// shift every other entry.
TEST(LocalTime, AZoneChangeLeavesTheEnvironmentInPlace) {
  char pinned[] = "TZ=:/etc/localtime";  // what the entry point sets when TZ is unset
  char** const saved = environ;
  for (const bool withTz : {false, true}) {
    std::vector<char*> own;
    if (withTz) own.push_back(pinned);
    for (char** entry = saved; *entry != nullptr; ++entry) {
      if (std::strncmp(*entry, "TZ=", 3) != 0) own.push_back(*entry);
    }
    own.push_back(nullptr);
    const std::vector<char*> before = own;
    environ = own.data();
    LocalSecondsSinceMidnight();  // TZ at another address than before: read anew
    const bool moved = environ != own.data();
    environ = saved;
    EXPECT_FALSE(moved) << (withTz ? "TZ set" : "TZ unset") << ": the environment array was replaced";
    EXPECT_TRUE(std::equal(own.begin() + withTz, own.end(), before.begin() + withTz))
        << (withTz ? "TZ set" : "TZ unset") << ": entries other than TZ's moved";
  }
  tzset();
}

// ---- Following the wall clock --------------------------------------------

TEST_F(ClockTest, WallClockJumpsAreFollowedWithinAFrame) {
  StartAt(10 * H + 0.2);
  Frame();
  for (int i = 0; i < 30; ++i) NextFrame();
  const double base = Clock.baseSeconds;
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{1, 0, 0, 0, 0, 0}));

  simWallOffset += H;  // the clock is set an hour ahead
  NextFrame();
  EXPECT_NEAR(ClockTime(), ClockTimeOfWall(SimWall()), 1e-6);
  EXPECT_NEAR(Clock.baseSeconds - base, H, 1e-6);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{1, 1, 0, 0, 0, 0}));

  simWallOffset -= 2 * H;  // and back, an hour behind the start
  NextFrame();
  EXPECT_NEAR(ClockTime(), ClockTimeOfWall(SimWall()), 1e-6);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{0, 9, 0, 0, 0, 0}));
}

TEST_F(ClockTest, JumpsOfAnySizeShowTheWallTimeOnTheNextFrame) {
  constexpr double D = kSecondsPerDay;
  const double starts[] = {0.2, 0.7, 30 * M + 0.3, 8 * H + 0.1, 12 * H + 0.6, 23 * H + 59 * M + 59.8};
  const double jumps[] = {1, -1, 0.5, -0.5, 59, -59, H, -H, 11 * H, -11 * H, 12 * H, -12 * H,
                          12.5 * H, -12.5 * H, 13 * H, -13 * H, 23 * H, -23 * H, D, -D,
                          3 * D + 0.37, -3 * D - 0.37, 7 * D, -7 * D, 30 * D + 5, -30 * D - 5};
  for (double start : starts) {
    for (double jump : jumps) {
      SCOPED_TRACE(testing::Message() << "start " << start << " jump " << jump);
      Clock = ClockState{};
      StartAt(start);
      Frame();
      for (int i = 0; i < 10; ++i) NextFrame();
      simWallOffset += jump;
      NextFrame();
      const double wall = SimWall();
      const int second = static_cast<int>(std::floor(wall));
      EXPECT_GE(ClockTime(), 0.0);
      EXPECT_EQ(Shown(Clock.currentDigits, 9),
                (Slots{second / 36000, second / 3600 % 10, second % 3600 / 600, second % 600 / 60,
                       second % 60 / 10, second % 10}));
      // And it runs on: two seconds later it shows the second two on.
      for (int i = 0; i < 120; ++i) NextFrame();
      const int later = static_cast<int>(std::floor(SimWall()));
      EXPECT_EQ(Clock.currentDigits[9], later % 10);
      EXPECT_EQ(Clock.currentDigits[8], later % 60 / 10);
    }
  }
}

TEST_F(ClockTest, ANightInSuspendAfterAMorningStart) {
  // Started at 08:00; twelve and a half hours of sleep, during which the
  // timer stands still: 20:30 from the first frame after the wake.
  StartAt(8 * H + 0.25);
  Frame();
  simWallOffset += 12.5 * H;
  NextFrame();
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{2, 0, 3, 0, 0, 0}));
  for (int i = 0; i < 60; ++i) NextFrame();
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{2, 0, 3, 0, 0, 1}));
}

TEST_F(ClockTest, AClockSetBackAcrossTheFirstMidnight) {
  // Started at 00:30; set back an hour: 23:30 the day before, and on it runs.
  StartAt(30 * M + 0.25);
  Frame();
  simWallOffset -= H;
  NextFrame();
  EXPECT_GE(ClockTime(), 0.0);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{2, 3, 3, 0, 0, 0}));
  for (int i = 0; i < 60; ++i) NextFrame();
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{2, 3, 3, 0, 0, 1}));
}

TEST_F(ClockTest, StepsOfOneSecondAreFollowedDriftFarBelowIsNot) {
  StartAt(23 * H + 59 * M + 58.2);
  Frame();
  const double base = Clock.baseSeconds;
  // Less than a tenth of a second: left to the timer.
  simWallOffset += 0.05;
  NextFrame();
  EXPECT_EQ(Clock.baseSeconds, base);
  simWallOffset -= 0.08;
  NextFrame();
  EXPECT_EQ(Clock.baseSeconds, base);
  // A second exactly, either way (a leap second, an NTP step): followed.
  simWallOffset += 1.0;
  NextFrame();
  EXPECT_NEAR(ClockTime(), ClockTimeOfWall(SimWall()), 1e-6);
  EXPECT_EQ(Clock.currentDigits[9], 9);  // 23:59:59
  simWallOffset -= 1.0;
  NextFrame();
  EXPECT_NEAR(ClockTime(), ClockTimeOfWall(SimWall()), 1e-6);
  EXPECT_EQ(Clock.currentDigits[9], 8);
  const double stepped = Clock.baseSeconds;
  // Through midnight: the wall clock wraps to 0, ClockTime runs past 86400.
  double wall = 0;
  for (int i = 0; i < 180; ++i) wall = NextFrame();  // to 00:00:01.3
  EXPECT_GT(wall, kSecondsPerDay + 1);
  EXPECT_GT(ClockTime(), kSecondsPerDay);
  EXPECT_EQ(Clock.baseSeconds, stepped);
  EXPECT_EQ(Clock.currentDigits[3], 1);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{0, 0, 0, 0, 0, 1}));
}

TEST_F(ClockTest, AFlapInFlightContinuesThroughARebase) {
  StartAt(41.5);
  Frame();
  while (ClockTime() - Clock.flipStart[8] < 0.1) NextFrame();
  ASSERT_EQ(Clock.flipActive[8], 1);
  const double elapsed = ClockTime() - Clock.flipStart[8];
  const float before = Clock.flipAngle[8];
  simWallOffset += H;
  NextFrame();
  EXPECT_NEAR(ClockTime() - Clock.flipStart[8], elapsed + kFrame, 1e-6);
  EXPECT_GT(Clock.flipAngle[8], before);
  EXPECT_LT(Clock.flipAngle[8], 180.0f);
  EXPECT_EQ(Clock.flipActive[8], 1);
}

TEST(ClockDifference, NormalisedToHalfADay) {
  EXPECT_DOUBLE_EQ(DifferenceWithinDay(10, 5), 5);
  EXPECT_DOUBLE_EQ(DifferenceWithinDay(0.5, kSecondsPerDay + 0.25), 0.25);
  EXPECT_DOUBLE_EQ(DifferenceWithinDay(kSecondsPerDay - 1, 1), -2);
  EXPECT_DOUBLE_EQ(DifferenceWithinDay(43200, 0), 43200);
  EXPECT_DOUBLE_EQ(DifferenceWithinDay(0, 43200), 43200);
  EXPECT_DOUBLE_EQ(DifferenceWithinDay(43200.5, 0), -43199.5);
}

}  // namespace
