// The clock record: the displayed time, its glyph slots now and half a
// second ahead, and the flip state of every tile.
#pragma once

#include <cstdint>

inline constexpr int kClockSlots = 12;
inline constexpr double kSecondsPerDay = 86400.0;
// ClockTime runs this far behind the wall clock. The digits round ClockTime
// to whole seconds, so the resting halves change when the wall clock's
// second does, and the digits half a second ahead - which start a flip -
// change at the wall clock's half second.
inline constexpr double kClockBehindWallSeconds = 0.5;
// A disagreement with the wall clock beyond this re-bases the clock: every
// step of the wall clock (a second, an hour, days) reaches it, while the
// timer and the wall clock, read a few microseconds apart, do not.
inline constexpr double kRebaseThresholdSeconds = 0.1;

// Glyph values of one time: 0..9 digits, 10 'A', 11 'M', 12 'P'.
// Slots 0..3 days (never shown), 4..9 hh mm ss, 10..11 the meridiem letters.
// The slot number is also the tile's index.
struct ClockDigits {
  std::int32_t slots[kClockSlots];

  std::int32_t& operator[](int slot) { return slots[slot]; }
  std::int32_t operator[](int slot) const { return slots[slot]; }
};

struct ClockState {
  bool needsBase = true;          // the base is sampled on the first frame
  double baseSeconds = 0.0;       // ClockTime = timer + baseSeconds (ClockTime >= 0)
  std::int32_t twelveHour = 0;    // 1: 12-hour display with meridiem tiles
  ClockDigits currentDigits{};    // ClockTime rounded to whole seconds
  ClockDigits upcomingDigits{};   // ClockTime + 0.5 s rounded to whole seconds
  double frameTime = 0.0;         // the ClockTime both sets were derived from
  // Flip state per slot (see FlipTiles.h).
  std::uint8_t flipActive[kClockSlots]{};
  double flipStart[kClockSlots]{};  // ClockTime of the frame that started the flip
  float flipAngle[kClockSlots]{};   // degrees, 0..180
};

// The process-wide clock.
extern ClockState Clock;

// The displayed time: timer + baseSeconds, the local seconds since a
// midnight, half a second behind the wall clock. It keeps counting past 86400
// after midnight; whole days in it only reach the day slots, which are never
// shown, and keep it at or above 0.
double ClockTime();

// The ClockTime that shows `wallSecondsSinceMidnight`: that time half a
// second earlier, on the day after the base midnight if it would fall before
// that midnight.
double ClockTimeOfWall(double wallSecondsSinceMidnight);

// First frame: takes the base from the wall clock and the 12/24-hour choice.
void SampleClockBase();

// Every frame, before drawing: samples the base while Clock.needsBase is
// set (clearing it), then runs UpdateClock.
void AdvanceClock();

// Every frame: follows the wall clock if it has jumped (by any amount,
// either way), derives both digit sets and advances the flips.
void UpdateClock();

// Fills `record` with the glyph values of `seconds`, rounded to the nearest
// whole second (halves away from zero), in Clock.twelveHour's form.
void DeriveDigits(ClockDigits& record, double seconds);

// wall - clock, taken modulo one day and brought into (-43200, 43200].
double DifferenceWithinDay(double wall, double clock);
