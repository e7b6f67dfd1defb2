// Launch switches and the single-instance guard.
#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "shell/InstanceGuard.h"
#include "shell/Startup.h"

namespace {

void ExpectParse(const char* text, ScreensaverMode mode, std::uintptr_t parent) {
  const LaunchOptions options = ParseCommandLine(text);
  EXPECT_EQ(options.mode, mode) << "command line \"" << text << "\"";
  EXPECT_EQ(options.parentWindow, parent) << "command line \"" << text << "\"";
}

TEST(CommandLine, SwitchesOfTheScreensaverHost) {
  ExpectParse("/p 1234", Preview, 1234);
  ExpectParse("/c:5678", Configure, 5678);
  ExpectParse("/s", Fullscreen, 0);
  ExpectParse("", Default, 0);
  ExpectParse("/c", Configure, 0);
}

TEST(CommandLine, LettersAreExactAndCaseSensitive) {
  ExpectParse("/S", Default, 0);
  ExpectParse("-s", Default, 0);
  ExpectParse("/P 99", Default, 0);
  ExpectParse("/x 12", Default, 0);
  // An unknown letter keeps the mode of an earlier switch but reads its number.
  ExpectParse("/s /x 77", Fullscreen, 77);
}

TEST(CommandLine, TheByteAfterTheLetterIsSkipped) {
  ExpectParse("/p42", Preview, 2);
  ExpectParse("/p:42", Preview, 42);
  ExpectParse("/p", Preview, 0);
  ExpectParse("/p ", Preview, 0);   // the text ends before the number's place
  ExpectParse("/p  \t 31", Preview, 31);  // atoi skips white space
  ExpectParse("/p x12", Preview, 0);  // no digits
  ExpectParse("/p 12abc", Preview, 12);
}

TEST(CommandLine, EverySlashIsExaminedAndTheLastWins) {
  ExpectParse("/s /p 4660", Preview, 4660);
  ExpectParse("/p 4660 /s", Fullscreen, 0);
  ExpectParse("/p 4660 /c:7", Configure, 7);
  ExpectParse("C:/Windows/saver.scr /s", Fullscreen, 0);  // "/W" and "/s" both examined
  ExpectParse("/", Default, 0);
}

TEST(CommandLine, NumbersFollowAtoiWithDefinedOverflow) {
  ExpectParse("/p +15", Preview, 15);
  ExpectParse("/p 2147483647", Preview, 2147483647u);
  // Beyond int: saturates instead of atoi's undefined behaviour.
  ExpectParse("/p 99999999999999999999", Preview, static_cast<std::uintptr_t>(INT_MAX));
  // A negative number becomes a handle the way an int does: sign-extended.
  ExpectParse("/p -1", Preview, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(-1)));
  ExpectParse("/p -99999999999999999999", Preview,
              static_cast<std::uintptr_t>(static_cast<std::intptr_t>(INT_MIN)));
}

TEST(CommandLine, NullTextIsDefault) { ExpectParse(nullptr, Default, 0); }

// The Linux program itself, with its output and exit status. The display
// named does not exist, so a run that went on to open a window would fail.
struct ProgramRun {
  int status = -1;
  std::string out, err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

ProgramRun RunMorvane(const std::string& arguments) {
  ProgramRun run;
  const char* build = std::getenv("MORVANE_BUILD_DIR");
  char directory[] = "/tmp/morvane-run-XXXXXX";
  if (build == nullptr || mkdtemp(directory) == nullptr) return run;
  const std::string out = std::string(directory) + "/out", err = std::string(directory) + "/err";
  const int status = std::system(("env -u XSCREENSAVER_WINDOW DISPLAY=:no-such-display timeout 30 " + std::string(build) +
                                  "/morvane " + arguments + " >" + out + " 2>" + err + " </dev/null")
                                     .c_str());
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFile(out);
  run.err = ReadFile(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  rmdir(directory);
  return run;
}

TEST(CommandLine, VersionAndUnknownOptionsOfTheLinuxProgram) {
  if (std::getenv("MORVANE_BUILD_DIR") == nullptr) GTEST_SKIP() << "MORVANE_BUILD_DIR is not set";
  ProgramRun run = RunMorvane("--version");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "morvane " MORVANE_VERSION "\n");
  EXPECT_EQ(run.err, "");
  // Given alone, an unknown option is named and nothing starts.
  run = RunMorvane("--speed 3");
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "morvane: unknown options: --speed (see morvane --help)\n");
  // Whatever else happens, it is named once.
  run = RunMorvane("--help -fast");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("Usage: morvane"), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "morvane: ignoring unknown options: -fast\n");
}

// The guard's lock files go to a runtime directory of the test's own,
// removed at exit, not to the user's.
void UseOwnRuntimeDirectory() {
  static std::string runtime;
  if (runtime.empty()) {
    char directory[] = "/tmp/morvane-guard-test-XXXXXX";
    if (mkdtemp(directory) == nullptr) return;
    runtime = directory;
    std::atexit([] {
      const int removed = std::system(("rm -rf " + runtime).c_str());
      static_cast<void>(removed);
    });
  }
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

// The guard is per display: each test takes a display name no real session uses.
void UseFreshDisplayName(const char* tag) {
  UseOwnRuntimeDirectory();
  const std::string name = std::string(":guard-test-") + tag + "-" + std::to_string(getpid()) + ".0";
  setenv("DISPLAY", name.c_str(), 1);
}

// Forks a process that takes the guard, reports through a pipe, and sleeps.
pid_t StartHolder(bool* held) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const char answer = AcquireInstanceGuard() ? '1' : '0';
    if (write(fds[1], &answer, 1) != 1) _exit(2);
    for (;;) pause();
  }
  close(fds[1]);
  char answer = 0;
  const bool read_ok = read(fds[0], &answer, 1) == 1;
  close(fds[0]);
  *held = read_ok && answer == '1';
  return pid;
}

TEST(InstanceGuard, ASecondProcessSeesTheHolder) {
  UseFreshDisplayName("second");
  bool held = false;
  const pid_t holder = StartHolder(&held);
  ASSERT_GT(holder, 0);
  EXPECT_TRUE(held);
  EXPECT_FALSE(AcquireInstanceGuard());
  EXPECT_FALSE(AcquireInstanceGuard());
  kill(holder, SIGTERM);
  waitpid(holder, nullptr, 0);
}

TEST(InstanceGuard, AKilledHolderLeavesNoStaleName) {
  UseFreshDisplayName("killed");
  bool held = false;
  const pid_t holder = StartHolder(&held);
  ASSERT_GT(holder, 0);
  ASSERT_TRUE(held);
  ASSERT_FALSE(AcquireInstanceGuard());
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_TRUE(AcquireInstanceGuard());
  // And now this process holds it.
  bool secondHeld = true;
  const pid_t second = StartHolder(&secondHeld);
  EXPECT_FALSE(secondHeld);
  kill(second, SIGKILL);
  waitpid(second, nullptr, 0);
}

TEST(InstanceGuard, DisplaysAreSeparateAndScreensOfOneDisplayAreNot) {
  UseFreshDisplayName("screens");
  std::string display = getenv("DISPLAY");
  bool held = false;
  const pid_t holder = StartHolder(&held);
  ASSERT_TRUE(held);
  display.back() = '1';  // same display, another screen
  setenv("DISPLAY", display.c_str(), 1);
  EXPECT_FALSE(AcquireInstanceGuard());
  setenv("DISPLAY", (display.substr(0, display.size() - 2) + "7.1").c_str(), 1);  // another display
  EXPECT_TRUE(AcquireInstanceGuard());
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
}

// The lock lies in the user's runtime directory. Another user's directory
// there, or a link planted where the fallback directory belongs, is never
// used: the clock starts, unguarded, rather than be kept from starting or
// leave its lock in a place that others control.
TEST(InstanceGuard, OnlyTheUsersOwnDirectoriesAreUsed) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to make another user's directory";
  char base[] = "/tmp/morvane-guard-test-XXXXXX";
  ASSERT_NE(mkdtemp(base), nullptr);
  ASSERT_EQ(chmod(base, 01777), 0);  // like /tmp
  const std::string own = std::string(base) + "/own", theirs = std::string(base) + "/theirs";
  const std::string fallback = std::string(base) + "/morvane-" + std::to_string(geteuid());
  ASSERT_EQ(mkdir(own.c_str(), 0700), 0);
  ASSERT_EQ(mkdir(theirs.c_str(), 0700), 0);
  ASSERT_EQ(chmod(theirs.c_str(), 0777), 0);
  ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
  ASSERT_EQ(symlink(theirs.c_str(), fallback.c_str()), 0);
  const auto entries = [](const std::string& path) {
    int count = 0;
    if (DIR* directory = opendir(path.c_str())) {
      while (const dirent* entry = readdir(directory)) count += entry->d_name[0] != '.';
      closedir(directory);
    }
    return count;
  };
  const auto heldTwice = [](bool* first) {
    const pid_t holder = StartHolder(first);
    const bool second = AcquireInstanceGuard();
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    return second;
  };
  setenv("TMPDIR", base, 1);
  bool held = false;

  UseFreshDisplayName("own");
  setenv("XDG_RUNTIME_DIR", own.c_str(), 1);
  EXPECT_FALSE(heldTwice(&held));
  EXPECT_TRUE(held);
  EXPECT_EQ(entries(own), 1) << "the lock is not in the runtime directory";

  UseFreshDisplayName("theirs");
  setenv("XDG_RUNTIME_DIR", theirs.c_str(), 1);
  EXPECT_TRUE(heldTwice(&held)) << "unguarded when no directory of the user's own can be had";
  EXPECT_TRUE(held) << "another user's directories kept the clock from starting";
  ASSERT_EQ(unlink(fallback.c_str()), 0);  // now the fallback can be made
  EXPECT_FALSE(heldTwice(&held));
  EXPECT_TRUE(held);
  EXPECT_EQ(entries(theirs), 0) << "the guard wrote into another user's directory";

  unsetenv("XDG_RUNTIME_DIR");
  unsetenv("TMPDIR");
  EXPECT_EQ(std::system(("rm -rf " + std::string(base)).c_str()), 0);
}

// ":0", "unix:0", "localhost:0", ":0.0" and this machine's name with ":0"
// are one display: the second holder of any spelling is refused.
TEST(InstanceGuard, SpellingsOfOneDisplayShareOneGuard) {
  const std::string number = std::to_string(40000 + getpid() % 20000);
  UseOwnRuntimeDirectory();
  setenv("DISPLAY", (":" + number).c_str(), 1);
  bool held = false;
  const pid_t holder = StartHolder(&held);
  ASSERT_TRUE(held);
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  for (const std::string& spelling :
       {"unix:" + number, "localhost:" + number, ":" + number + ".0", ":" + number + ".3",
        "127.0.0.1:" + number, std::string(host) + ":" + number, ":0" + number,
        "unix/:" + number, "localhost/unix:" + number}) {
    setenv("DISPLAY", spelling.c_str(), 1);
    EXPECT_FALSE(AcquireInstanceGuard()) << spelling << " is another guard than :" << number;
  }
  // Another display, and the same number on another machine, are not.
  setenv("DISPLAY", (":" + number + "1").c_str(), 1);
  EXPECT_TRUE(AcquireInstanceGuard());
  setenv("DISPLAY", ("elsewhere.example:" + number).c_str(), 1);
  EXPECT_TRUE(AcquireInstanceGuard());
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
}

}  // namespace
