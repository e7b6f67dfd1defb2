// Time of day and the 12/24-hour preference on Windows.
#include <windows.h>

#include <cstdint>

#include "clock/TimeSource.h"

namespace {

// FILETIME counts 100 ns ticks from 1601-01-01 00:00 UTC.
constexpr long long kTicksPerSecond = 10000000LL;
constexpr long long kEpochOffsetSeconds = 11644473600LL;  // 1601 .. 1970

}  // namespace

double LocalSecondsSinceMidnightAt(std::int64_t epochSeconds, double fraction) {
  // The offset to local time is whole minutes, so the fraction within the
  // second is the same in local time.
  const unsigned long long ticks =
      static_cast<unsigned long long>(epochSeconds + kEpochOffsetSeconds) * kTicksPerSecond;
  FILETIME system{};
  system.dwLowDateTime = static_cast<DWORD>(ticks & 0xffffffffULL);
  system.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  SYSTEMTIME local{};
  SYSTEMTIME utc{};
  if (!FileTimeToSystemTime(&system, &utc)) {
    const std::int64_t day = epochSeconds % 86400;
    return static_cast<double>(day < 0 ? day + 86400 : day) + fraction;
  }
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  return static_cast<double>(local.wHour * 3600 + local.wMinute * 60 + local.wSecond) + fraction;
}

double LocalSecondsSinceMidnight() {
  // The system time's 100 ns ticks (GetLocalTime would give whole
  // milliseconds only).
  FILETIME system{};
  GetSystemTimeAsFileTime(&system);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(system.dwHighDateTime) << 32) | system.dwLowDateTime;
  const std::int64_t seconds =
      static_cast<std::int64_t>(ticks / kTicksPerSecond) - kEpochOffsetSeconds;
  const double fraction = static_cast<double>(ticks % kTicksPerSecond) * 1e-7;
  return LocalSecondsSinceMidnightAt(seconds, fraction);
}

bool PrefersTwelveHourClock() {
  // The user's default locale's time format: "h:mm:ss tt" is a 12-hour
  // clock; "HH:mm:ss", and formats that open with the AM/PM designator
  // ("tt h:mm:ss"), are 24-hour. A failed query counts as 24-hour.
  wchar_t format[256] = {};
  if (GetLocaleInfoEx(nullptr, LOCALE_STIMEFORMAT, format, 256) == 0) return false;
  return format[0] == L'h';
}
