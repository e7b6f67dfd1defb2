// Time of day and the 12/24-hour preference on POSIX systems.
#include <clocale>
#include <cstdint>
#include <ctime>
#include <langinfo.h>

#include "clock/TimeSource.h"

double LocalSecondsSinceMidnightAt(std::int64_t epochSeconds, double fraction) {
  const time_t seconds = static_cast<time_t>(epochSeconds);
  tm local{};
  if (localtime_r(&seconds, &local) == nullptr) {
    // No local time to be had: UTC's time of day is the best we can show.
    const std::int64_t utc = epochSeconds % 86400;
    return static_cast<double>(utc < 0 ? utc + 86400 : utc) + fraction;
  }
  return static_cast<double>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) + fraction;
}

double LocalSecondsSinceMidnight() {
  timespec now{};
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) return 0.0;
  return LocalSecondsSinceMidnightAt(now.tv_sec, static_cast<double>(now.tv_nsec) * 1e-9);
}

bool TimeFormatIsTwelveHour(const char* format) {
  if (format == nullptr || format[0] != '%') return false;
  const char* p = format + 1;
  while (*p == '_' || *p == '-' || *p == '0' || *p == '^' || *p == '#') ++p;
  while (*p >= '0' && *p <= '9') ++p;
  if (*p == 'E' || *p == 'O') ++p;
  return *p == 'I' || *p == 'l' || *p == 'r';
}

bool PrefersTwelveHourClock() {
  // Only the time category follows the user's environment; nothing else of
  // the process's locale changes.
  std::setlocale(LC_TIME, "");
  return TimeFormatIsTwelveHour(nl_langinfo(T_FMT));
}
