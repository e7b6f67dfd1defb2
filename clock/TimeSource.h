// Where the clock takes its time from: the windowing library's timer, the
// local wall clock and the user's 12/24-hour preference. The program runs on
// the real sources; the snapshot tool and the tests put simulated ones in.
#pragma once

#include <cstdint>

struct TimeSource {
  // Seconds since the windowing library started (glfwGetTime); never reset.
  double (*timer)();
  // Local time of day in seconds since local midnight, with the sub-second
  // part (0 <= value < 86400; 86400.x during a leap second).
  double (*localSecondsSinceMidnight)();
  // True when the user's time format shows a 12-hour clock.
  bool (*prefersTwelveHour)();
};

// The sources the clock reads; starts with the real ones.
extern TimeSource ClockTimeSource;

// The real sources of this platform (TimeSource_posix.cpp / TimeSource_win32.cpp).
// LocalSecondsSinceMidnight reads the system clock and converts its reading
// with LocalSecondsSinceMidnightAt: an instant given as whole seconds since
// 1970-01-01 00:00 UTC plus a fraction (0 <= fraction < 1), turned into the
// local time of day through the platform's own local-time conversion, in the
// time zone the process has now.
double LocalSecondsSinceMidnight();
double LocalSecondsSinceMidnightAt(std::int64_t epochSeconds, double fraction);
bool PrefersTwelveHourClock();

// POSIX: when TZ is not set, sets it to what that means, ":/etc/localtime".
// LocalSecondsSinceMidnight follows a change of the zone file by replacing
// TZ's value for a moment, which it does only when TZ is there: it never adds
// or removes a name, since that moves the environment array under any other
// thread that reads it. Called once at start-up by the runs that show the
// clock, before any thread starts.
void PinTimeZoneVariable();

// The POSIX rule behind PrefersTwelveHourClock: a strftime time format
// (nl_langinfo(T_FMT)) shows a 12-hour clock when it begins with a 12-hour
// hour conversion: %I, %l or %r (glibc's flags, field width and the E/O
// modifiers may stand between the '%' and the letter). Anything else,
// including a null or empty format, is 24-hour.
bool TimeFormatIsTwelveHour(const char* format);
