// Long runs of the clock: 48 hours of simulated wall time in all, at 60
// frames a second, through the clock's own frame code (AdvanceClock ->
// UpdateClock -> DeriveDigits, UpdateFlips) and the platform's own local-time
// conversion (localtime_r, with TZ set per run). Daylight-saving changes in
// zones that change at 02:00, at midnight and by half an hour; suspends (the
// timer stands still while the wall clock runs on); clock steps both ways.
//
// Every frame is held against the wall clock's own second, read with
// localtime_r by this test:
//   - the resting halves show the wall clock's current second, on the frame
//     right after a jump too (there is no grace frame);
//   - in the first half of a second nothing flips; in the second half the
//     groups whose digits change are in flight toward the next second;
//   - in steady running a flip starts on the first frame of the second half
//     and has landed by the last frame of the second;
//   - the face's own sequence of seconds never skips one or shows one twice
//     while the wall clock runs steadily (no jump, no change of UTC offset).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "clock/ClockState.h"
#include "clock/FlipTiles.h"
#include "clock/TimeSource.h"

namespace {

constexpr double kFrame = 1.0 / 60.0;
constexpr double kHour = 3600.0;
constexpr double kDay = 86400.0;

// The simulated machine. The timer counts the frames that ran; the wall clock
// is a whole epoch second plus the seconds run plus every jump, converted by
// the platform's localtime_r in the zone that TZ names.
double simTimer = 0.0;
std::int64_t simEpoch = 0;
double simWallOffset = 0.0;  // seconds from simEpoch
bool simTwelveHour = false;

double SimTimer() { return simTimer; }
void WallNow(std::int64_t* seconds, double* fraction) {
  const double whole = std::floor(simWallOffset);
  *seconds = simEpoch + static_cast<std::int64_t>(whole);
  *fraction = simWallOffset - whole;
}
double SimWall() {
  std::int64_t seconds;
  double fraction;
  WallNow(&seconds, &fraction);
  return LocalSecondsSinceMidnightAt(seconds, fraction);
}
bool SimTwelveHour() { return simTwelveHour; }

// A jump of the wall clock between two frames while the timer stands still:
// a suspend (the wall clock ran on while the machine slept) or a step (the
// clock was set).
struct Jump {
  double atRun;    // seconds of running after which it happens
  double seconds;  // how far the wall clock moves
};

struct Scenario {
  const char* zone;
  int year, month, day, hour, minute;  // the start, in UTC
  double startFraction;                // of the first wall second
  double hours;                        // of running
  bool twelveHour;
  std::vector<Jump> jumps;
};

// The glyphs of slots 4 .. 11 for a local time of day.
struct Face {
  std::int32_t slot[8];
  bool operator==(const Face& o) const {
    for (int i = 0; i < 8; ++i) {
      if (slot[i] != o.slot[i]) return false;
    }
    return true;
  }
  bool operator!=(const Face& o) const { return !(*this == o); }
};

Face FaceOf(int hour, int minute, int second, bool twelveHour) {
  int shown = hour;
  std::int32_t meridiem = 0, m = 0;
  if (twelveHour) {
    shown = hour % 12 == 0 ? 12 : hour % 12;
    meridiem = hour < 12 ? 10 : 12;  // A, P
    m = 11;                          // M
  }
  return Face{{shown / 10, shown % 10, minute / 10, minute % 10, second / 10, second % 10,
               meridiem, m}};
}

// The second after h:m:s on the same clock, with no zone change in between.
Face NextFaceOf(int hour, int minute, int second, bool twelveHour) {
  if (++second == 60) {
    second = 0;
    if (++minute == 60) {
      minute = 0;
      hour = (hour + 1) % 24;
    }
  }
  return FaceOf(hour, minute, second, twelveHour);
}

Face Shown(const ClockDigits& d, bool twelveHour) {
  Face f{};
  for (int i = 0; i < 8; ++i) f.slot[i] = (i >= 6 && !twelveHour) ? 0 : d[4 + i];
  return f;
}

std::string Text(const Face& f, bool twelveHour) {
  char text[32];
  std::snprintf(text, sizeof text, "%d%d:%d%d:%d%d", f.slot[0], f.slot[1], f.slot[2], f.slot[3],
                f.slot[4], f.slot[5]);
  std::string s = text;
  if (twelveHour) s += f.slot[6] == 10 ? " AM" : (f.slot[6] == 12 ? " PM" : " ?M");
  return s;
}

// What went wrong, counted by kind, with the first few cases spelled out.
struct Findings {
  static constexpr int kKinds = 6;
  const char* names[kKinds] = {
      "resting digits differ from the wall clock's second",
      "digits half a second ahead are not the next second",
      "a group flips in the first half of a second, or does not flip in the second half",
      "a flip did not start on the first frame of the second half",
      "a flap had not landed by the last frame of the second",
      "the face skipped a second or showed one twice in steady running",
  };
  long counts[kKinds] = {};
  double longestWrongFace = 0;  // seconds of running with wrong resting digits
  double wrongSince = -1;
  std::vector<std::string> firstOnes;

  // Counts a finding; true for the first few of each kind, to be described
  // with Describe.
  bool Count(int kind) { return ++counts[kind] <= 3; }
  void Describe(int kind, double run, const std::string& what) {
    std::ostringstream s;
    s.precision(3);
    s << std::fixed << "after " << run << " s: " << names[kind] << ": " << what;
    firstOnes.push_back(s.str());
  }
  long Total() const {
    long n = 0;
    for (long c : counts) n += c;
    return n;
  }
  std::string Report() const {
    std::ostringstream s;
    for (int k = 0; k < kKinds; ++k) {
      if (counts[k] != 0) s << "  " << counts[k] << " frames: " << names[k] << "\n";
    }
    s << "  longest stretch with wrong resting digits: " << longestWrongFace << " s\n";
    for (const std::string& line : firstOnes) s << "  " << line << "\n";
    return s.str();
  }
};

class ClockSoak : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = ClockTimeSource;
    const char* tz = std::getenv("TZ");
    hadTz_ = tz != nullptr;
    if (hadTz_) savedTz_ = tz;
    ClockTimeSource = {SimTimer, SimWall, SimTwelveHour};
    Clock = ClockState{};
  }
  void TearDown() override {
    ClockTimeSource = saved_;
    Clock = ClockState{};
    if (hadTz_) {
      setenv("TZ", savedTz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

  // Runs the scenario frame by frame and returns what it found.
  Findings Run(const Scenario& sc) {
    setenv("TZ", sc.zone, 1);
    tzset();
    tm start{};
    start.tm_year = sc.year - 1900;
    start.tm_mon = sc.month - 1;
    start.tm_mday = sc.day;
    start.tm_hour = sc.hour;
    start.tm_min = sc.minute;
    simEpoch = static_cast<std::int64_t>(timegm(&start));
    simTwelveHour = sc.twelveHour;
    const double firstTimer = 1.25;  // the windowing library started a while ago
    simTimer = firstTimer;

    Findings found;
    const long frames = std::lround(sc.hours * kHour / kFrame);
    size_t nextJump = 0;
    double jumped = 0.0;        // the jumps so far, added up
    double lastJumpRun = 0.0;   // the start counts as one
    std::int64_t cachedSecond = INT64_MIN;
    tm local{};
    Face wallFace{}, nextFace{};
    // The face's own sequence of seconds.
    Face lastShown{};
    bool haveLast = false;
    long framesOfLast = 0;
    bool lastSteady = false;  // lastShown began in steady running
    long lastOffset = 0;

    for (long n = 0; n < frames; ++n) {
      const double run = n * kFrame;
      while (nextJump < sc.jumps.size() && sc.jumps[nextJump].atRun <= run) {
        jumped += sc.jumps[nextJump].seconds;
        lastJumpRun = run;
        ++nextJump;
      }
      simTimer = firstTimer + run;
      simWallOffset = sc.startFraction + run + jumped;
      AdvanceClock();

      std::int64_t second;
      double fraction;
      WallNow(&second, &fraction);
      if (second != cachedSecond) {
        const time_t t = static_cast<time_t>(second);
        if (localtime_r(&t, &local) == nullptr) {
          ADD_FAILURE() << "localtime_r failed";
          return found;
        }
        wallFace = FaceOf(local.tm_hour, local.tm_min, local.tm_sec, sc.twelveHour);
        nextFace = NextFaceOf(local.tm_hour, local.tm_min, local.tm_sec, sc.twelveHour);
        cachedSecond = second;
      }
      const double clockTime = simTimer + Clock.baseSeconds;
      const Face resting = Shown(Clock.currentDigits, sc.twelveHour);
      const Face upcoming = Shown(Clock.upcomingDigits, sc.twelveHour);
      const bool secondHalf = fraction >= 0.5;
      // The wall second began after the last jump: a flip of it is a regular one.
      const bool steady = run - fraction > lastJumpRun + 1e-9;

      if (resting != wallFace) {
        if (found.Count(0)) found.Describe(0, run, "shows " + Text(resting, sc.twelveHour) + ", the wall clock " +
                               Text(wallFace, sc.twelveHour) + " and " +
                               std::to_string(fraction).substr(0, 5) + " s");
        if (found.wrongSince < 0) found.wrongSince = run;
        found.longestWrongFace = std::max(found.longestWrongFace, run - found.wrongSince + kFrame);
      } else {
        found.wrongSince = -1;
      }
      const Face& ahead = secondHalf ? nextFace : wallFace;
      if (upcoming != ahead) {
        if (found.Count(1)) found.Describe(1, run, "ahead " + Text(upcoming, sc.twelveHour) + ", expected " +
                               Text(ahead, sc.twelveHour));
      }
      for (const FlipGroup& g : kFlipGroups) {
        if (g.first >= 10 && !sc.twelveHour) continue;
        const int a = g.first - 4, b = g.second - 4;
        const bool changes = wallFace.slot[a] != nextFace.slot[a] ||
                             wallFace.slot[b] != nextFace.slot[b];
        const bool active = Clock.flipActive[g.first] && Clock.flipActive[g.second];
        const bool expected = secondHalf && changes;
        if (active != expected ||
            Clock.flipActive[g.first] != Clock.flipActive[g.second]) {
          if (found.Count(2)) found.Describe(2, run, "slots " + std::to_string(g.first) + "/" + std::to_string(g.second) +
                                 (active ? " flipping" : " at rest") + " at " +
                                 std::to_string(fraction).substr(0, 5) + " s into " +
                                 Text(wallFace, sc.twelveHour));
          continue;
        }
        if (!active || !steady) continue;
        const double elapsed = clockTime - Clock.flipStart[g.first];
        const double sinceHalf = fraction - 0.5;
        if (elapsed > sinceHalf + 1e-6 || elapsed < sinceHalf - kFrame - 1e-6) {
          if (found.Count(3)) found.Describe(3, run, "slot " + std::to_string(g.first) + " has flipped for " +
                                 std::to_string(elapsed) + " s, " + std::to_string(sinceHalf) +
                                 " s after the half second");
        }
        if (fraction + kFrame >= 1.0 && Clock.flipAngle[g.first] != 180.0f) {
          if (found.Count(4)) found.Describe(4, run, "slot " + std::to_string(g.first) + " at " +
                                 std::to_string(Clock.flipAngle[g.first]) + " degrees");
        }
      }

      // The face's own sequence: in steady running each second follows the
      // one before and stays for one second's worth of frames.
      if (!haveLast || resting != lastShown) {
        const bool steadyChange = haveLast && lastJumpRun < run - framesOfLast * kFrame &&
                                  local.tm_gmtoff == lastOffset;
        if (steadyChange) {
          const int h = lastShown.slot[0] * 10 + lastShown.slot[1];
          const int m = lastShown.slot[2] * 10 + lastShown.slot[3];
          const int s = lastShown.slot[4] * 10 + lastShown.slot[5];
          // In 12-hour mode the hour's digits alone do not tell 00 from 12:
          // take the 24-hour hour from the meridiem.
          const int hour24 = !sc.twelveHour ? h : (h % 12) + (lastShown.slot[6] == 12 ? 12 : 0);
          const Face expectedNext = NextFaceOf(hour24, m, s, sc.twelveHour);
          if (resting != expectedNext) {
            if (found.Count(5)) found.Describe(5, run, Text(lastShown, sc.twelveHour) + " was followed by " +
                                   Text(resting, sc.twelveHour));
          } else if (lastSteady && (framesOfLast < 59 || framesOfLast > 61)) {
            if (found.Count(5)) found.Describe(5, run, Text(lastShown, sc.twelveHour) + " stood for " +
                                   std::to_string(framesOfLast) + " frames");
          }
        }
        lastSteady = steadyChange;
        lastShown = resting;
        haveLast = true;
        framesOfLast = 0;
        lastOffset = local.tm_gmtoff;
      }
      ++framesOfLast;
    }
    return found;
  }

  // The zone must come from the tz database: glibc quietly falls back to
  // UTC for a zone it cannot find.
  static void ExpectZoneKnown(const char* zone, int year, int month, int day, long gmtoff) {
    setenv("TZ", zone, 1);
    tzset();
    tm utc{};
    utc.tm_year = year - 1900;
    utc.tm_mon = month - 1;
    utc.tm_mday = day;
    utc.tm_hour = 12;
    const time_t t = timegm(&utc);
    tm local{};
    ASSERT_NE(localtime_r(&t, &local), nullptr);
    ASSERT_EQ(local.tm_gmtoff, gmtoff)
        << zone << " is not in the tz database here (Debian package tzdata)";
  }

  void RunAndExpectNoFindings(const Scenario& sc) {
    const Findings found = Run(sc);
    EXPECT_EQ(found.Total(), 0) << sc.zone << ":\n" << found.Report();
  }

  TimeSource saved_{};
  bool hadTz_ = false;
  std::string savedTz_;
};

// The start fractions keep every frame a few milliseconds away from the
// whole and half seconds, where a rounding of the last bit could go
// either way.

TEST_F(ClockSoak, BerlinSpringsForwardAtTwo) {
  ExpectZoneKnown("Europe/Berlin", 2026, 1, 15, 3600);
  // 23:00 CET on the 28th of March; at 02:00 the clock goes to 03:00 CEST.
  RunAndExpectNoFindings({"Europe/Berlin", 2026, 3, 28, 22, 0, 0.123, 6.0, false, {}});
}

TEST_F(ClockSoak, BerlinFallsBackAtThreeTwelveHour) {
  ExpectZoneKnown("Europe/Berlin", 2026, 7, 15, 7200);
  // 23:59 CEST on the 24th of October (P M -> A M at midnight); at 03:00
  // CEST the clock goes back to 02:00 CET.
  RunAndExpectNoFindings({"Europe/Berlin", 2026, 10, 24, 21, 59, 0.377, 6.0, true, {}});
}

TEST_F(ClockSoak, SantiagoEndsSummerTimeAtMidnight) {
  ExpectZoneKnown("America/Santiago", 2026, 1, 15, -10800);
  // 21:00 on Saturday the 4th of April; at 24:00 the clock goes back to 23:00.
  RunAndExpectNoFindings({"America/Santiago", 2026, 4, 5, 0, 0, 0.211, 6.0, false, {}});
}

TEST_F(ClockSoak, SantiagoStartsSummerTimeAtMidnightTwelveHour) {
  ExpectZoneKnown("America/Santiago", 2026, 7, 15, -14400);
  // 21:00 on Saturday the 5th of September; at 24:00 the clock goes on to
  // 01:00 on Sunday: 11:59:59 P M is followed by 01:00:00 A M.
  RunAndExpectNoFindings({"America/Santiago", 2026, 9, 6, 1, 0, 0.433, 6.0, true, {}});
}

TEST_F(ClockSoak, LordHoweGoesBackHalfAnHour) {
  ExpectZoneKnown("Australia/Lord_Howe", 2026, 1, 15, 39600);
  // 23:00 on the 4th of April; at 02:00 the clock goes back to 01:30.
  RunAndExpectNoFindings({"Australia/Lord_Howe", 2026, 4, 4, 12, 0, 0.161, 6.0, false, {}});
}

TEST_F(ClockSoak, LordHoweGoesForwardHalfAnHour) {
  ExpectZoneKnown("Australia/Lord_Howe", 2026, 7, 15, 37800);
  // 23:00 on the 3rd of October; at 02:00 the clock goes on to 02:30.
  RunAndExpectNoFindings({"Australia/Lord_Howe", 2026, 10, 3, 12, 30, 0.289, 6.0, false, {}});
}

TEST_F(ClockSoak, SuspendsOfMinutesHoursAndDays) {
  ExpectZoneKnown("Europe/Berlin", 2026, 1, 15, 3600);
  // From 21:00 CET on Friday the 27th of March. The machine sleeps for five
  // minutes, for a night of twelve and a half hours, and for three days
  // over the change to summer time; the wakes fall at every phase of a
  // second, flaps in flight included.
  RunAndExpectNoFindings({"Europe/Berlin",
                          2026,
                          3,
                          27,
                          20,
                          0,
                          0.109,
                          6.0,
                          false,
                          {{1 * kHour, 5 * 60 + 0.25},
                           {1.5 * kHour + 0.6, 12.5 * kHour},
                           {2.5 * kHour + 0.3, 12.5 * kHour + 0.41},
                           {3.5 * kHour + 0.2, 3 * kDay + 0.37},
                           {4.5 * kHour + 0.55, 3 * kDay},
                           {5 * kHour, 14 * kDay + 0.5}}});
}

TEST_F(ClockSoak, ClockStepsBothWaysTwelveHour) {
  ExpectZoneKnown("UTC", 2026, 1, 15, 0);
  // From 00:20 A M. The clock is set back an hour across the day's first
  // midnight, and stepped by a second, an hour and thirteen hours both ways,
  // at rest and with flaps in flight (a second's last half), and by a week.
  RunAndExpectNoFindings({"UTC",
                          2026,
                          1,
                          15,
                          0,
                          20,
                          0.147,
                          6.0,
                          true,
                          {{600, -kHour},
                           {1200.2, kHour},
                           {1800, 1.0},
                           {1860.5, 1.0},
                           {1920.3, -1.0},
                           {1980.6, -1.0},
                           {2400, 13 * kHour},
                           {3000.6, -13 * kHour},
                           {3600.1, -13 * kHour},
                           {4200.7, 13 * kHour},
                           {4800, -kHour},
                           {5400.55, -kHour},
                           {6000.4, kHour},
                           {7200, 7 * kDay},
                           {7800.5, -7 * kDay},
                           {9000.0, -1.0},
                           {9000.6, 1.0},
                           {10800.0, 1.0},
                           {15000.5, -1.0}}});
}

}  // namespace
