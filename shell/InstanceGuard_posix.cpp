// The guard on Linux: an exclusive flock on a file in a directory of the
// user's own. The lock goes with the last descriptor, however its holder
// ends (SIGKILL included), so a file left behind never blocks a later
// launch; and since only the user can enter the directory, no other user
// can create, replace or lock the file first. The file is per X display
// (named by the display itself, not by its spelling), the directory per
// user: the Linux reading of one logon.
//
// The directory is $XDG_RUNTIME_DIR when it is the user's alone (owned by
// them, no access for group or others, as the session manager makes it),
// else morvane-UID in $TMPDIR or /tmp, made with mode 0700. A symbolic link
// at that name, or a directory or file that belongs to someone else, is
// never used: the program then runs unguarded, as it does when no lock can
// be had at all. Another user can at worst let a second clock run, never
// keep this user's clock from starting.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/InstanceGuard.h"

namespace {

bool IsLocalHost(const std::string& host) {
  if (host.empty() || host == "unix" || host == "localhost" || host == "127.0.0.1" ||
      host == "::1") {
    return true;
  }
  char own[256] = {};
  return gethostname(own, sizeof own - 1) == 0 && host == own;
}

// The display itself, whatever its spelling: DISPLAY is
// [protocol/][host]:[:]number[.screen], and ":0", ":0.0", "unix:0",
// "localhost:0" and this machine's name with ":0" all reach one server, the
// local display 0. A remote host keeps its name; the screen does not count.
std::string DisplayName() {
  const char* value = std::getenv("DISPLAY");
  std::string display = value != nullptr ? value : "";
  const std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return display;
  std::string host = display.substr(0, colon);
  if (!host.empty() && host.back() == ':') host.pop_back();  // DECnet's "host::0"
  const std::size_t slash = host.find('/');
  if (slash != std::string::npos) host.erase(0, slash + 1);  // "unix/", "tcp/"
  std::string number = display.substr(colon + 1);
  const std::size_t dot = number.find('.');
  if (dot != std::string::npos) number.erase(dot);
  // "00" and "0" are one number to Xlib.
  const std::size_t digits = number.find_first_not_of('0');
  if (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos) {
    number = digits == std::string::npos ? "0" : number.substr(digits);
  }
  return (IsLocalHost(host) ? std::string() : host) + ":" + number;
}

// `descriptor` (closed when it does not pass) when it is a directory or
// regular file of this user that nobody else may write: -1 otherwise.
int KeepIfOwn(int descriptor, bool directory) {
  if (descriptor < 0) return -1;
  struct stat info {};
  if (fstat(descriptor, &info) != 0 || info.st_uid != geteuid() ||
      (directory ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode)) ||
      (info.st_mode & (directory ? 077 : 022)) != 0) {
    close(descriptor);
    return -1;
  }
  return descriptor;
}

// The directory for the lock, open; -1 when there is none that is safe.
int OpenGuardDirectory() {
  // The runtime directory is followed if it is a link: the user named it.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    const int directory = KeepIfOwn(open(runtime, O_RDONLY | O_DIRECTORY | O_CLOEXEC), true);
    if (directory >= 0) return directory;
  }
  const char* temporary = std::getenv("TMPDIR");
  if (temporary == nullptr || temporary[0] != '/') temporary = "/tmp";
  const std::string path =
      std::string(temporary) + "/morvane-" + std::to_string(static_cast<unsigned>(geteuid()));
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return -1;
  // O_NOFOLLOW: a link planted there is refused, not followed.
  return KeepIfOwn(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC), true);
}

// The display as one file name: letters, digits and "._:-" stand for
// themselves, every other byte (the '/' of "host/unix:0" among them) is
// %XX, so two displays never share a name.
std::string GuardFileName(const std::string& display) {
  std::string name = "morvane-guard-";
  for (const char c : display) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
        c == '_' || c == ':' || c == '-') {
      name += c;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
      name += escaped;
    }
  }
  return name;
}

}  // namespace

bool AcquireInstanceGuard() {
  const int directory = OpenGuardDirectory();
  if (directory < 0) return true;  // no guard to be had: run unguarded
  const int file = KeepIfOwn(openat(directory, GuardFileName(DisplayName()).c_str(),
                                    O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600),
                             false);
  close(directory);
  if (file < 0) return true;
  if (flock(file, LOCK_EX | LOCK_NB) == 0) {
    return true;  // held, deliberately never closed, until the process ends
  }
  const int error = errno;
  close(file);
  return error != EWOULDBLOCK;
}
