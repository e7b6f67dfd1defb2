#include "clock/ClockState.h"

#include <cmath>
#include <cstdint>

#include "clock/FlipTiles.h"
#include "clock/TimeSource.h"

ClockState Clock;

double ClockTime() { return ClockTimeSource.timer() + Clock.baseSeconds; }

double ClockTimeOfWall(double wallSecondsSinceMidnight) {
  const double t = wallSecondsSinceMidnight - kClockBehindWallSeconds;
  return t < 0.0 ? t + kSecondsPerDay : t;
}

// The base is the wall clock, with its sub-second part, minus the timer at
// that moment, so ClockTime keeps its half second behind the wall clock from
// the first frame on. (Taking the wall clock in whole seconds and adding the
// whole timer instead would put the display ahead by the start-up time and
// behind by the dropped fraction of a second.)
void SampleClockBase() {
  const double timer = ClockTimeSource.timer();
  const double wall = ClockTimeSource.localSecondsSinceMidnight();
  Clock.baseSeconds = ClockTimeOfWall(wall) - timer;
  Clock.twelveHour = ClockTimeSource.prefersTwelveHour() ? 1 : 0;
}

double DifferenceWithinDay(double wall, double clock) {
  double d = std::fmod(wall - clock, kSecondsPerDay);
  if (d > kSecondsPerDay / 2) d -= kSecondsPerDay;
  if (d <= -kSecondsPerDay / 2) d += kSecondsPerDay;
  return d;
}

void UpdateClock() {
  double t = ClockTime();
  // The timer runs steadily, but the wall clock can jump: someone sets it, a
  // daylight-saving change, a machine that slept (the timer stands still in
  // suspend). When the two disagree the clock moves its base by the
  // difference, and so does every flip's start, so a flap in flight goes on
  // where it was. The display then shows the wall time on this very frame.
  // The difference is taken the short way round the day; a move that would
  // take ClockTime below 0 (back across the base midnight) goes a day
  // further forward instead, which only the day slots see.
  double drift = DifferenceWithinDay(
      ClockTimeOfWall(ClockTimeSource.localSecondsSinceMidnight()), t);
  if (std::fabs(drift) > kRebaseThresholdSeconds) {
    if (t + drift < 0.0) drift += kSecondsPerDay;
    Clock.baseSeconds += drift;
    for (double& start : Clock.flipStart) start += drift;
    t += drift;
  }
  Clock.frameTime = t;
  DeriveDigits(Clock.currentDigits, t);
  DeriveDigits(Clock.upcomingDigits, t + 0.5);
  UpdateFlips(t);
}

void AdvanceClock() {
  if (Clock.needsBase) {
    SampleClockBase();
    Clock.needsBase = false;
  }
  UpdateClock();
}

namespace {

std::int32_t RoundToSeconds(double x) {
  const double n = std::round(x);  // halves away from zero
  if (!(n >= -2147483648.0)) return INT32_MIN;  // NaN too
  if (n > 2147483647.0) return INT32_MAX;
  return static_cast<std::int32_t>(n);
}

}  // namespace

void DeriveDigits(ClockDigits& record, double seconds) {
  const std::int32_t n = RoundToSeconds(seconds);
  const std::int32_t days = n / 86400;
  std::int32_t r = n - days * 86400;
  const std::int32_t h = r / 3600;
  r -= h * 3600;
  const std::int32_t m = r / 60;
  const std::int32_t s = r - m * 60;

  std::int32_t hourShown = h;
  if (Clock.twelveHour) {
    record[10] = h >= 12 ? 12 : 10;  // P from noon, A before
    record[11] = 11;                 // M
    if (h == 0) {
      hourShown = 12;
    } else if (h >= 13) {
      hourShown = h - 12;
    }
  }

  record[0] = days / 1000;
  std::int32_t d = days - record[0] * 1000;
  record[1] = d / 100;
  d -= record[1] * 100;
  record[2] = d / 10;
  record[3] = d - record[2] * 10;

  record[4] = hourShown / 10;
  record[5] = hourShown % 10;
  record[6] = m / 10;
  record[7] = m % 10;
  record[8] = s / 10;
  record[9] = s % 10;

  for (int i = 0; i <= 9; ++i) {
    if (record[i] < 0) record[i] = 0;
    if (record[i] >= 10) record[i] = 9;
  }
}
