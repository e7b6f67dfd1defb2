// Time of day and the 12/24-hour preference on POSIX systems.
#include <sys/stat.h>

#include <clocale>
#include <cstdint>
#include <cstdlib>
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

// The system's time zone is the file /etc/localtime unless TZ names one.
// localtime_r reads the zone once, on its first call, and never looks again;
// only tzset reads it anew, and with TZ unset every tzset costs a getenv, a
// strdup and free of the zone's name and a stat of the file - an allocation
// a frame. So the clock stats the file itself (one system call a frame, no
// allocation) and calls tzset only when the file has changed, which is what
// changing the time zone does (timedatectl set-timezone points the link at
// another zone). A zone named in TZ can only change with this process's own
// environment, and tzset would not reread its file either: nothing to watch.
void FollowSystemTimeZone() {
  static bool known = false;
  static ZoneFileStamp last;
  if (std::getenv("TZ") != nullptr) return;
  const ZoneFileStamp now = StampOf("/etc/localtime");
  if (known && now == last) return;
  known = true;
  last = now;
  tzset();
}

}  // namespace

double LocalSecondsSinceMidnight() {
  FollowSystemTimeZone();
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
