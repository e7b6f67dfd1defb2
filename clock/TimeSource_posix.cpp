// Time of day and the 12/24-hour preference on POSIX systems.
#include <sys/stat.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <langinfo.h>
#include <string>

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

namespace {

// What stat says of the zone file; a change of any of it is a new zone.
struct ZoneFileStamp {
  bool present = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  bool operator==(const ZoneFileStamp& o) const {
    return present == o.present && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
           changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
  }
};

ZoneFileStamp StampOf(const char* path) {
  ZoneFileStamp stamp;
  struct stat info {};
  if (stat(path, &info) != 0) return stamp;
  stamp.present = true;
  stamp.device = info.st_dev;
  stamp.inode = info.st_ino;
  stamp.size = info.st_size;
  stamp.modified = info.st_mtim;
  stamp.changed = info.st_ctim;
  return stamp;
}

// The file the C library reads the local time zone from: /etc/localtime
// when TZ is not set; otherwise TZ without its optional leading ':', a path
// when it starts with '/', else a name under $TZDIR (by default
// /usr/share/zoneinfo), as TZ=Europe/Berlin. A POSIX rule such as
// "CET-1CEST,M3.5.0,M10.5.0/3" names no file there, and an empty TZ is UTC:
// then nothing is watched that could ever change.
std::string ZoneFileOf(const char* tz) {
  if (tz == nullptr) return "/etc/localtime";
  if (*tz == ':') ++tz;
  if (*tz == '\0') return std::string();
  if (*tz == '/') return tz;
  const char* directory = std::getenv("TZDIR");
  if (directory == nullptr || *directory == '\0') directory = "/usr/share/zoneinfo";
  return std::string(directory) + "/" + tz;
}

// localtime_r reads the zone once, on its first call, and never looks again;
// only tzset reads it anew, and then not always: while TZ reads as before it
// rereads nothing at all, and with TZ unset it rereads /etc/localtime only
// when the file's inode, device or mtime differ - not after a zone copied
// in place with cp -p, since all tzdata files share one mtime. So the clock
// stats the zone file itself each frame (one system call, no allocation)
// and, when anything of it changed, sets TZ for a moment to ":" (UTC, no
// file), which makes the library drop the zone it has, and back, which
// makes it read the file afresh. Both only replace the value of a TZ that
// is there (PinTimeZoneVariable): other threads may be reading the
// environment, and adding or removing a name moves the array under them.
// Without TZ the environment is left alone, and tzset's own look at the
// file is all there is. TZ is looked up each frame, without a copy: the
// process changes it only by itself (setenv gives the value a new
// address), and then the new value is followed the same way.
void FollowTimeZone() {
  static bool known = false;
  static const char* tzSeen = nullptr;  // getenv("TZ") when the file was last read
  static std::string tzValue;
  static std::string file;
  static ZoneFileStamp last;
  const char* tz = std::getenv("TZ");
  const bool newTz = !known || tz != tzSeen;
  if (newTz) {
    tzValue = tz != nullptr ? tz : "";
    file = ZoneFileOf(tz);
  }
  const ZoneFileStamp now = file.empty() ? ZoneFileStamp{} : StampOf(file.c_str());
  if (!newTz && now == last) return;
  known = true;
  last = now;
  if (tz != nullptr) {
    setenv("TZ", ":", 1);
    tzset();
    setenv("TZ", tzValue.c_str(), 1);
  }
  tzset();
  tzSeen = std::getenv("TZ");
}

}  // namespace

void PinTimeZoneVariable() {
  if (std::getenv("TZ") == nullptr) setenv("TZ", ":/etc/localtime", 1);
}

double LocalSecondsSinceMidnight() {
  FollowTimeZone();
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
