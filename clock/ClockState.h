// The clock record: the displayed time, its glyph slots now and half a
// second ahead, and the flip state of every tile.
#pragma once

#include <cstdint>

inline constexpr int kClockSlots = 12;
inline constexpr double kSecondsPerDay = 86400.0;
// A disagreement with the wall clock beyond this re-bases the clock.
inline constexpr double kRebaseThresholdSeconds = 1.0;

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
  double baseSeconds = 0.0;       // ClockTime = timer + baseSeconds
  std::int32_t twelveHour = 0;    // 1: 12-hour display with meridiem tiles
  ClockDigits currentDigits{};    // ClockTime rounded to whole seconds
  ClockDigits upcomingDigits{};   // ClockTime + 0.5 s rounded to whole seconds
  // Flip state per slot (see FlipTiles.h).
  std::uint8_t flipActive[kClockSlots]{};
  double flipStart[kClockSlots]{};  // ClockTime of the frame that started the flip
  float flipAngle[kClockSlots]{};   // degrees, 0..180
};

// The process-wide clock.
extern ClockState Clock;

// The displayed time: timer + baseSeconds, local seconds since the base day's
// midnight (it keeps counting past 86400 after midnight).
double ClockTime();

// First frame: takes the base from the wall clock and the 12/24-hour choice.
void SampleClockBase();

// Every frame, before drawing: samples the base while Clock.needsBase is
// set (clearing it), then runs UpdateClock.
void AdvanceClock();

// Every frame: follows the wall clock if it has jumped, derives both digit
// sets and advances the flips.
void UpdateClock();

// Fills `record` with the glyph values of `seconds`, rounded to the nearest
// whole second (halves away from zero), in Clock.twelveHour's form.
void DeriveDigits(ClockDigits& record, double seconds);

// wall - clock, taken modulo one day and brought into (-43200, 43200].
double DifferenceWithinDay(double wall, double clock);
