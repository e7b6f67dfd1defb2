// The clock: digits of a time, the flips over simulated 60 Hz frames, the
// layout and draw order of the tile halves, the 12/24-hour format rule and
// following the wall clock when it jumps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
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
  // One frame at the current timer; returns its ClockTime.
  double Frame() {
    AdvanceClock();
    return simTimer + Clock.baseSeconds;
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

TEST_F(ClockTest, SlotsStayWithinTheDigitsWhateverTheValue) {
  ClockDigits d{};
  DeriveDigits(d, -1.0);  // one second before the base midnight
  for (int i = 0; i <= 9; ++i) EXPECT_GE(d[i], 0) << "slot " << i;
  DeriveDigits(d, 2.0e9);  // more than 9999 days
  EXPECT_EQ(d[0], 9);
  for (int i = 0; i <= 9; ++i) EXPECT_LE(d[i], 9) << "slot " << i;
  DeriveDigits(d, 1.0e300);
  for (int i = 0; i <= 9; ++i) EXPECT_LE(d[i], 9) << "slot " << i;
}

// ---- The first frame shows the wall time ---------------------------------

TEST_F(ClockTest, FirstFrameShowsTheWallClockWithItsFraction) {
  simTimer = 5.3;  // a slow start-up: the timer has run 5.3 s already
  simWallOffset = (10 * H + 0.7) - simTimer;
  const double t = Frame();
  EXPECT_FALSE(Clock.needsBase);
  EXPECT_NEAR(t, 10 * H + 0.7, 1e-9);
  EXPECT_NEAR(ClockTime(), SimWall(), 1e-9);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{1, 0, 0, 0, 0, 1}));  // 10:00:01
  // 10:00:00.7 already shows :01, and :01 turns to :02 from 10:00:01.0 on.
  EXPECT_EQ(Clock.flipActive[9], 0);
  simTimer += 0.35;
  Frame();
  EXPECT_EQ(Clock.flipActive[9], 1);
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
  StartAt(40.6);  // the digits agree from 40.5 to 41
  double t = Frame();
  double start = -1;
  bool landed = false;
  while (t < 41.6) {
    const bool active = Clock.flipActive[8] && Clock.flipActive[9];
    if (t < 41.0) {
      EXPECT_FALSE(Clock.flipActive[8] || Clock.flipActive[9]) << "t=" << t;
    } else if (t < 41.5) {
      ASSERT_TRUE(active) << "t=" << t;
      if (start < 0) {
        start = t;  // the first frame at or after 41
        EXPECT_LT(t - 41.0, kFrame);
      }
      EXPECT_EQ(Clock.flipStart[8], start);
      EXPECT_EQ(Clock.flipStart[9], start);
      const double e = t - start;
      EXPECT_FLOAT_EQ(Clock.flipAngle[8], e < 0.3 ? float(2000 * e * e) : 180.0f) << "e=" << e;
      EXPECT_EQ(Clock.flipAngle[9], Clock.flipAngle[8]);
      if (e >= 0.3) landed = true;
      // The minutes do not move.
      EXPECT_FALSE(Clock.flipActive[6] || Clock.flipActive[7] || Clock.flipActive[4]);
    } else {
      EXPECT_FALSE(Clock.flipActive[8] || Clock.flipActive[9]) << "t=" << t;
    }
    t = NextFrame();
  }
  EXPECT_GE(start, 41.0);
  EXPECT_TRUE(landed);
}

TEST_F(ClockTest, HourChangeStartsThreeGroupsInOneFrame) {
  StartAt(9 * H + 59 * M + 58.7);
  double t = Frame();
  while (t < 9 * H + 59 * M + 59) {
    EXPECT_FALSE(Clock.flipActive[8]);  // 58.7 .. 59: digits agree
    t = NextFrame();
  }
  for (int slot : {4, 5, 6, 7, 8, 9}) {
    EXPECT_EQ(Clock.flipActive[slot], 1) << slot;
    EXPECT_EQ(Clock.flipStart[slot], t) << slot;
  }
  // The glyphs: 09:59:59 now, 10:00:00 ahead.
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{0, 9, 5, 9, 5, 9}));
  EXPECT_EQ(Shown(Clock.upcomingDigits, 9), (Slots{1, 0, 0, 0, 0, 0}));
  const double start = t;
  double secondsLanded = -1, othersLanded = -1;
  while (t < start + 0.49) {
    if (secondsLanded < 0 && Clock.flipAngle[8] == 180.0f) secondsLanded = t - start;
    if (othersLanded < 0 && Clock.flipAngle[6] == 180.0f) othersLanded = t - start;
    EXPECT_EQ(Clock.flipAngle[4], Clock.flipAngle[6]);
    t = NextFrame();
  }
  // Landing is on the first frame at or after 0.3 s and sqrt(0.18) s.
  EXPECT_GE(secondsLanded, 0.3 - 1e-6);
  EXPECT_LT(secondsLanded, 0.3 + kFrame);
  EXPECT_GE(othersLanded, std::sqrt(0.18) - 1e-6);
  EXPECT_LT(othersLanded, std::sqrt(0.18) + kFrame);
  while (t < start + 0.5) t = NextFrame();
  for (int slot : {4, 5, 6, 7, 8, 9}) EXPECT_EQ(Clock.flipActive[slot], 0) << slot;
}

TEST_F(ClockTest, MeridiemFlipsAtNoonInTwelveHourMode) {
  StartAt(11 * H + 59 * M + 58.9, true);
  double t = Frame();
  while (t < 11 * H + 59 * M + 59) {
    EXPECT_EQ(Clock.flipActive[10], 0);
    t = NextFrame();
  }
  EXPECT_EQ(Clock.flipActive[10], 1);
  EXPECT_EQ(Clock.flipActive[11], 1);
  EXPECT_EQ(Clock.currentDigits[10], 10);
  EXPECT_EQ(Clock.upcomingDigits[10], 12);
  EXPECT_EQ(Clock.upcomingDigits[11], 11);
  const double start = t;
  while (t < start + 0.4) {
    const double e = t - start;
    // The seconds' speed: landed after 0.3 s, while the minutes still fall.
    if (e < 0.3 - 1e-6) {
      EXPECT_LT(Clock.flipAngle[10], 180.0f) << e;
    }
    if (e >= 0.3) {
      EXPECT_EQ(Clock.flipAngle[10], 180.0f) << e;
      EXPECT_LT(Clock.flipAngle[6], 180.0f) << e;
    }
    EXPECT_EQ(Clock.flipAngle[11], Clock.flipAngle[10]);
    t = NextFrame();
  }
}

TEST_F(ClockTest, MeridiemIsNeverTouchedInTwentyFourHourMode) {
  StartAt(11 * H + 59 * M + 58.9, false);
  double t = Frame();
  while (t < 12 * H + 1) {
    EXPECT_EQ(Clock.flipActive[10] + Clock.flipActive[11], 0);
    EXPECT_EQ(Clock.currentDigits[10] + Clock.currentDigits[11], 0);
    EXPECT_EQ(Clock.upcomingDigits[10] + Clock.upcomingDigits[11], 0);
    EXPECT_EQ(Clock.flipAngle[10] + Clock.flipAngle[11], 0.0f);
    t = NextFrame();
  }
  EXPECT_EQ(Clock.currentDigits[4], 1);
  EXPECT_EQ(Clock.currentDigits[5], 2);
}

TEST_F(ClockTest, AStalledLoopNeitherClearsNorRestartsAFlip) {
  StartAt(40.9);
  double t = Frame();
  while (t < 41.0) t = NextFrame();
  const double start = Clock.flipStart[8];
  ASSERT_EQ(Clock.flipActive[8], 1);
  // No frame between 41.0+ and 42.2: the half second of agreement is missed.
  simTimer += 42.2 - t;
  t = Frame();
  EXPECT_EQ(Clock.flipActive[8], 1);
  EXPECT_EQ(Clock.flipStart[8], start);
  EXPECT_EQ(Clock.flipAngle[8], 180.0f);
  EXPECT_EQ(Clock.currentDigits[9], 2);  // the new glyph simply shows
  while (t < 42.5) t = NextFrame();
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
  EXPECT_EQ(GlyphCells[0].tile_left, 30);
  EXPECT_EQ(GlyphCells[0].tile_top, 864);
  EXPECT_EQ(GlyphCells[3].tile_top, 1728);
  EXPECT_EQ(GlyphCells[4].tile_left, 420);
  EXPECT_EQ(GlyphCells[4].tile_top, 0);
  EXPECT_EQ(GlyphCells[9].tile_top, 1440);
  EXPECT_EQ(GlyphCells[10].tile_left, 10);
  EXPECT_EQ(GlyphCells[11].tile_top, 318);
  EXPECT_EQ(GlyphCells[12].tile_left, -4);
  EXPECT_EQ(GlyphCells[12].tile_top, 606);
  for (const GlyphCell& c : GlyphCells) {
    EXPECT_LE(c.tile_top + 288, 2048);  // the cell fits the atlas
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

// ---- Following the wall clock --------------------------------------------

TEST_F(ClockTest, WallClockJumpsAreFollowedWithinAFrame) {
  StartAt(10 * H + 0.2);
  Frame();
  for (int i = 0; i < 30; ++i) NextFrame();
  const double base = Clock.baseSeconds;
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{1, 0, 0, 0, 0, 1}));

  simWallOffset += H;  // the clock is set an hour ahead
  double t = NextFrame();
  EXPECT_NEAR(t, SimWall(), 1e-6);
  EXPECT_NEAR(Clock.baseSeconds - base, H, 1e-6);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{1, 1, 0, 0, 0, 1}));

  simWallOffset -= 2 * H;  // and back, an hour behind the start
  t = NextFrame();
  EXPECT_NEAR(t, SimWall(), 1e-6);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{0, 9, 0, 0, 0, 1}));
}

TEST_F(ClockTest, SmallDisagreementsAndMidnightDoNotRebase) {
  StartAt(23 * H + 59 * M + 58.0);
  Frame();
  const double base = Clock.baseSeconds;
  simWallOffset += 0.2;
  NextFrame();
  EXPECT_EQ(Clock.baseSeconds, base);
  simWallOffset -= 0.9;
  NextFrame();
  EXPECT_EQ(Clock.baseSeconds, base);
  // Through midnight: the wall clock wraps to 0, ClockTime runs past 86400.
  double t = 0;
  for (int i = 0; i < 200; ++i) t = NextFrame();  // to 00:00:01.3
  EXPECT_GT(t, kSecondsPerDay);
  EXPECT_EQ(Clock.baseSeconds, base);
  EXPECT_EQ(Clock.currentDigits[3], 1);
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{0, 0, 0, 0, 0, 1}));
}

TEST_F(ClockTest, JumpAcrossMidnightTakesTheShortWay) {
  StartAt(23 * H + 50 * M);
  Frame();
  simWallOffset += 20 * M;  // now 00:10 on the next day
  const double t = NextFrame();
  EXPECT_NEAR(std::fmod(t, kSecondsPerDay), 10 * M + kFrame, 1e-6);
  EXPECT_GT(t, kSecondsPerDay);  // forward 20 minutes, not back 23h40
  EXPECT_EQ(Shown(Clock.currentDigits, 9), (Slots{0, 0, 1, 0, 0, 0}));
}

TEST_F(ClockTest, AFlapInFlightContinuesThroughARebase) {
  StartAt(41.0);
  double t = Frame();
  while (t < 41.1) t = NextFrame();
  ASSERT_EQ(Clock.flipActive[8], 1);
  const double elapsed = t - Clock.flipStart[8];
  const float before = Clock.flipAngle[8];
  simWallOffset += H;
  t = NextFrame();
  EXPECT_NEAR(t - Clock.flipStart[8], elapsed + kFrame, 1e-6);
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
