// The options of the Linux screensaver hosts, read before the Windows-style
// command line is built.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "shell/HostOptions.h"

namespace {

HostOptions Read(std::initializer_list<const char*> args, const char* xscreensaverWindow = nullptr) {
  std::vector<const char*> argv{"morvane"};
  argv.insert(argv.end(), args.begin(), args.end());
  return ReadHostOptions(static_cast<int>(argv.size()), argv.data(), xscreensaverWindow);
}

TEST(WindowId, HexInEitherCaseAndDecimal) {
  std::uintptr_t id = 0;
  EXPECT_TRUE(ReadWindowId("0x4002B7", &id));
  EXPECT_EQ(id, 0x4002B7u);
  EXPECT_TRUE(ReadWindowId("0X4002b7", &id));
  EXPECT_EQ(id, 0x4002B7u);
  EXPECT_TRUE(ReadWindowId("4194999", &id));
  EXPECT_EQ(id, 4194999u);
  EXPECT_TRUE(ReadWindowId("0xFFFFFFFF", &id));
  EXPECT_EQ(id, 0xFFFFFFFFu);
}

TEST(WindowId, AnythingElseIsNoId) {
  std::uintptr_t id = 77;
  for (const char* text : {"", "0x", "0", "0x0", "-42", "+42", " 42", "42 ", "0x12zz", "12abc",
                           "x12", "0x100000000", "4294967296", "99999999999999999999999"}) {
    EXPECT_FALSE(ReadWindowId(text, &id)) << '"' << text << '"';
  }
  EXPECT_FALSE(ReadWindowId(nullptr, &id));
  EXPECT_EQ(id, 77u) << "a failed read leaves the id alone";
}

TEST(HostOptions, WindowsSwitchesAndNothingAreClassic) {
  for (auto args : {std::initializer_list<const char*>{}, {"/s"}, {"/p", "1234"}, {"/c:5"},
                    {"/S"}, {"--"}, {"-"}, {"word"}}) {
    const HostOptions options = Read(args, "0x123");
    EXPECT_EQ(options.launch, HostLaunch::Classic);
    EXPECT_EQ(options.unknown, "");
  }
  // Options among them are not understood, and are named.
  const HostOptions options = Read({"-s", "/s", "--speed=3", "7"});
  EXPECT_EQ(options.launch, HostLaunch::Classic);
  EXPECT_EQ(options.unknown, "-s --speed=3");
}

// A typo in the host's command line ("-rot" for "-root"): the host's window
// all the same, and the typo still named. With a switch that is understood,
// or with no host, they stay Windows-style.
TEST(HostOptions, OnlyUnknownOptionsUnderAHostAreTakenForRoot) {
  HostOptions options = Read({"-rot", "word"}, "0x4002B7");
  EXPECT_EQ(options.launch, HostLaunch::Hosted);
  EXPECT_EQ(options.window, 0x4002B7u);
  EXPECT_EQ(options.unknown, "-rot");
  options = Read({"--speed"}, "0x12zz");
  EXPECT_NE(options.problem.find("\"0x12zz\" is not a window id"), std::string::npos) << options.problem;
  EXPECT_EQ(Read({"-rot", "/s"}, "0x4002B7").launch, HostLaunch::Classic);
  EXPECT_EQ(Read({"-rot"}).launch, HostLaunch::Classic);
}

TEST(HostOptions, RootTakesTheWindowFromTheEnvironment) {
  for (const char* root : {"--root", "-root"}) {
    HostOptions options = Read({root}, "0x4002B7");
    EXPECT_EQ(options.launch, HostLaunch::Hosted);
    EXPECT_EQ(options.window, 0x4002B7u);
    EXPECT_EQ(options.problem, "");
    options = Read({root}, "4194999");  // xsecurelock writes it in decimal
    EXPECT_EQ(options.window, 4194999u);
  }
}

TEST(HostOptions, RootWithoutAUsableVariableSaysWhy) {
  HostOptions options = Read({"--root"});
  EXPECT_EQ(options.launch, HostLaunch::Hosted);
  EXPECT_EQ(options.window, 0u);
  EXPECT_NE(options.problem.find("not set"), std::string::npos) << options.problem;
  options = Read({"--root"}, "");
  EXPECT_NE(options.problem.find("empty"), std::string::npos) << options.problem;
  options = Read({"--root"}, "0x12zz");
  EXPECT_NE(options.problem.find("\"0x12zz\" is not a window id"), std::string::npos) << options.problem;
  EXPECT_EQ(options.window, 0u);
}

TEST(HostOptions, WindowIdInBothSpellingsAndWinsOverRoot) {
  EXPECT_EQ(Read({"--window-id", "0x400BD9"}).window, 0x400BD9u);
  EXPECT_EQ(Read({"-window-id", "4197337"}).window, 4197337u);
  EXPECT_EQ(Read({"--window-id=0x10"}).window, 0x10u);
  // The settings dialog's preview: the programs line plus --window-id.
  const HostOptions preview = Read({"--root", "--window-id", "0x400BD9"}, "0x999");
  EXPECT_EQ(preview.launch, HostLaunch::Hosted);
  EXPECT_EQ(preview.window, 0x400BD9u);
  EXPECT_EQ(preview.problem, "");
}

TEST(HostOptions, BadWindowIdsSayWhy) {
  HostOptions options = Read({"--window-id"});
  EXPECT_EQ(options.launch, HostLaunch::Hosted);
  EXPECT_EQ(options.window, 0u);
  EXPECT_NE(options.problem, "");
  options = Read({"--window-id", "0xnope"});
  EXPECT_NE(options.problem.find("0xnope"), std::string::npos);
  // Ids with any of the top three bits set name no X window anywhere.
  options = Read({"--window-id", "0xdeadbeef"});
  EXPECT_EQ(options.window, 0u);
  EXPECT_NE(options.problem.find("0xdeadbeef does not exist"), std::string::npos) << options.problem;
  EXPECT_EQ(Read({"--window-id", "0x1fffffff"}).window, 0x1fffffffu);
}

TEST(HostOptions, StandardHackOptionsAreAcceptedAndIgnored) {
  const HostOptions options = Read({"--root", "--fps", "-no-fps", "--install", "-noinstall",
                                    "--visual", "GL", "--delay", "20000", "-mono", "--pair",
                                    "-sync", "--geometry", "640x480", "--visual=best"},
                                   "0x51");
  EXPECT_EQ(options.launch, HostLaunch::Hosted);
  EXPECT_EQ(options.window, 0x51u);
  EXPECT_EQ(options.unknown, "") << "the values of --visual and --delay are theirs";
  // Never taken for "no switch" (a guarded full-screen run): alone they
  // give the window of a hack started from a terminal.
  EXPECT_EQ(Read({"--fps"}).launch, HostLaunch::DesktopWindow);
  EXPECT_EQ(Read({"-delay", "5"}).launch, HostLaunch::DesktopWindow);
}

TEST(HostOptions, UnknownOptionsAreCollectedInOrder) {
  const HostOptions options = Read({"--root", "--speed", "3", "/s", "--fps"}, "0x51");
  EXPECT_EQ(options.launch, HostLaunch::Hosted);
  EXPECT_EQ(options.unknown, "--speed 3 /s");
}

TEST(HostOptions, WindowHelpAndDisplay) {
  EXPECT_EQ(Read({"--window"}).launch, HostLaunch::DesktopWindow);
  EXPECT_EQ(Read({"-window"}).launch, HostLaunch::DesktopWindow);
  EXPECT_EQ(Read({"--help"}).launch, HostLaunch::Help);
  EXPECT_EQ(Read({"-h", "--root"}).launch, HostLaunch::Help);
  EXPECT_EQ(Read({"--version", "--root"}).launch, HostLaunch::Version);
  EXPECT_EQ(Read({"-version"}).launch, HostLaunch::Version);
  const HostOptions options = Read({"--root", "--display", ":3.1"}, "0x51");
  EXPECT_EQ(options.display, ":3.1");
  EXPECT_EQ(Read({"-display=:4"}, "0x51").display, ":4");
  EXPECT_EQ(Read({"--window", "-display", "host:2"}).display, "host:2");
}

}  // namespace
