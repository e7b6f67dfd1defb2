// Time of day and the 12/24-hour preference on Windows.
#include <windows.h>

#include "clock/TimeSource.h"

double LocalSecondsSinceMidnight() {
  // GetLocalTime has whole milliseconds; the system time's 100 ns ticks give
  // the finer fraction of the same instant (the offset to local time is
  // whole minutes, so the fraction within the second is the same).
  FILETIME system{};
  GetSystemTimeAsFileTime(&system);
  SYSTEMTIME local{};
  SYSTEMTIME utc{};
  if (!FileTimeToSystemTime(&system, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    GetLocalTime(&local);
    return static_cast<double>(local.wHour * 3600 + local.wMinute * 60 + local.wSecond) +
           static_cast<double>(local.wMilliseconds) * 1e-3;
  }
  const unsigned long long ticks =
      (static_cast<unsigned long long>(system.dwHighDateTime) << 32) | system.dwLowDateTime;
  const double fraction = static_cast<double>(ticks % 10000000ULL) * 1e-7;
  return static_cast<double>(local.wHour * 3600 + local.wMinute * 60 + local.wSecond) + fraction;
}

bool PrefersTwelveHourClock() {
  // The user's default locale's time format: "h:mm:ss tt" is a 12-hour
  // clock; "HH:mm:ss", and formats that open with the AM/PM designator
  // ("tt h:mm:ss"), are 24-hour. A failed query counts as 24-hour.
  wchar_t format[256] = {};
  if (GetLocaleInfoEx(nullptr, LOCALE_STIMEFORMAT, format, 256) == 0) return false;
  return format[0] == L'h';
}
