// The entry-point loader (shell/GlEntryPoints.cpp) linked with this file's
// own side of the look-up seam (shell/GlLookup.h) instead of the platform's:
// the two look-ups answer from tables the test sets, and every call into the
// seam is logged. No context is needed; the one OpenGL function the loader
// calls itself, glGetIntegerv, is what the look-ups hand it for that name,
// so the test decides which version the "context" reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "shell/GlEntryPoints.h"
#include "shell/GlLookup.h"

namespace {

std::vector<std::string> calls;
bool libraryOpen = false;

// Which look-up answers which name. A name in neither stays unresolved.
std::set<std::string> platformAnswers;
std::set<std::string> libraryAnswers;

// Distinct addresses per name and look-up, so that the test can tell which
// look-up's answer a pointer holds. They are never called.
char platformAddresses[700];
char libraryAddresses[700];
std::map<std::string, int> positions;  // name -> row of the list

GLint reportedMajor = 3;
GLint reportedMinor = 0;

void APIENTRY ReportVersion(GLenum name, GLint* value) {
  calls.push_back(libraryOpen ? "glGetIntegerv with the library open" : "glGetIntegerv");
  if (name == GL_MAJOR_VERSION) {
    *value = reportedMajor;
  } else if (name == GL_MINOR_VERSION) {
    *value = reportedMinor;
  } else {
    calls.push_back("glGetIntegerv of another name");
  }
}

void* Answer(const std::set<std::string>& answers, char* addresses, const char* name) {
  if (answers.count(name) == 0) return nullptr;
  if (std::string(name) == "glGetIntegerv") return reinterpret_cast<void*>(&ReportVersion);
  return &addresses[positions.at(name)];
}

}  // namespace

void GlLookupOpenLibrary() {
  calls.push_back("open");
  libraryOpen = true;
}

void GlLookupCloseLibrary() {
  calls.push_back("close");
  libraryOpen = false;
}

void* GlLookupPlatform(const char* name) {
  calls.push_back(std::string("platform ") + name);
  return Answer(platformAnswers, platformAddresses, name);
}

void* GlLookupLibrary(const char* name) {
  calls.push_back(std::string("library ") + name);
  return libraryOpen ? Answer(libraryAnswers, libraryAddresses, name) : nullptr;
}

namespace {

// Every pointer of the list, read by row.
using PointerReader = void* (*)();
const PointerReader kPointers[] = {
#define MORVANE_GL_GROUP(label)
#define MORVANE_GL_ENTRY(name, type) [] { return reinterpret_cast<void*>(gl::name); },
#include "shell/GlEntryPointList.inc"
#undef MORVANE_GL_ENTRY
#undef MORVANE_GL_GROUP
};

struct Row {
  std::string group;
  std::string name;
};

std::vector<Row> Rows() {
  int count = 0;
  const gl::GlEntryPoint* table = gl::GlEntryPointTable(&count);
  std::vector<Row> rows;
  for (int i = 0; i < count; ++i) rows.push_back({table[i].group, table[i].name});
  return rows;
}

bool OldestFunction(const Row& row) { return row.group == "OpenGL 1.0" || row.group == "OpenGL 1.1"; }

class GlLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    rows = Rows();
    ASSERT_EQ(rows.size(), 700u);
    ASSERT_EQ(sizeof kPointers / sizeof kPointers[0], 700u);
    positions.clear();
    for (std::size_t i = 0; i < rows.size(); ++i) positions[rows[i].name] = static_cast<int>(i);
    // As on Windows: wglGetProcAddress answers everything after OpenGL 1.1,
    // opengl32.dll exports the 1.0 and 1.1 functions.
    platformAnswers.clear();
    libraryAnswers.clear();
    for (const Row& row : rows) (OldestFunction(row) ? libraryAnswers : platformAnswers).insert(row.name);
    calls.clear();
    reportedMajor = 3;
    reportedMinor = 0;
    glVersionMajor = -7;
    glVersionMinor = -7;
  }

  // The pointer of the named entry point.
  static void* Pointer(const std::string& name) { return kPointers[positions.at(name)](); }
  static void* FromPlatform(const std::string& name) { return &platformAddresses[positions.at(name)]; }
  static void* FromLibrary(const std::string& name) { return &libraryAddresses[positions.at(name)]; }

  std::vector<Row> rows;
};

TEST_F(GlLoader, ResolvesTheListInOrderPlatformFirstAndTheLibraryOnlyOnAMiss) {
  // The library exports some later functions too; the platform's non-null
  // answer stands, and the library is not even asked for them.
  libraryAnswers.insert({"glGenBuffers", "glTexPageCommitmentARB"});
  ASSERT_EQ(LoadGlEntryPoints(), 0);

  std::vector<std::string> expected{"open"};
  for (const Row& row : rows) {
    expected.push_back("platform " + row.name);
    if (OldestFunction(row)) expected.push_back("library " + row.name);
  }
  expected.push_back("close");
  // The version is read after the library is released.
  expected.push_back("glGetIntegerv");
  expected.push_back("glGetIntegerv");
  for (std::size_t i = 0; i < std::min(calls.size(), expected.size()); ++i) {
    ASSERT_EQ(calls[i], expected[i]) << "call " << i;
  }
  ASSERT_EQ(calls.size(), expected.size());

  EXPECT_EQ(rows.front().name, "glCullFace");
  EXPECT_EQ(rows.back().name, "glTexPageCommitmentARB");
  for (const Row& row : rows) {
    if (row.name == "glGetIntegerv") continue;
    EXPECT_EQ(Pointer(row.name), OldestFunction(row) ? FromLibrary(row.name) : FromPlatform(row.name))
        << row.name;
  }
  EXPECT_EQ(Pointer("glGetIntegerv"), reinterpret_cast<void*>(&ReportVersion));
  EXPECT_EQ(glVersionMajor, 3);
  EXPECT_EQ(glVersionMinor, 0);
}

TEST_F(GlLoader, NamesNeitherLookUpFindsStayNullAndLoadingStillSucceeds) {
  // A 3.0 context: what came after it is not offered, by either look-up.
  int missing = 0;
  for (const Row& row : rows) {
    if (row.group >= "OpenGL 3.1" || row.group == "Extensions") {
      platformAnswers.erase(row.name);
      ++missing;
    }
  }
  ASSERT_GT(missing, 0);
  EXPECT_EQ(LoadGlEntryPoints(), 0);
  for (const Row& row : rows) {
    const bool offered = platformAnswers.count(row.name) + libraryAnswers.count(row.name) > 0;
    EXPECT_EQ(Pointer(row.name) != nullptr, offered) << row.name;
  }
  EXPECT_EQ(Pointer("glTexStorage2D"), nullptr);
  EXPECT_EQ(Pointer("glGenBuffers"), FromPlatform("glGenBuffers"));
}

TEST_F(GlLoader, MinusOneWithoutGlGetIntegervOrBelowVersionThree) {
  // No glGetIntegerv from either look-up: -1, nothing read, but every other
  // pointer filled and the library released.
  libraryAnswers.erase("glGetIntegerv");
  platformAnswers.erase("glGetIntegerv");
  EXPECT_EQ(LoadGlEntryPoints(), -1);
  EXPECT_EQ(Pointer("glGetIntegerv"), nullptr);
  EXPECT_EQ(calls.back(), "close");
  EXPECT_EQ(glVersionMajor, -7);
  EXPECT_EQ(glVersionMinor, -7);
  EXPECT_EQ(Pointer("glCullFace"), FromLibrary("glCullFace"));
  EXPECT_EQ(Pointer("glTexPageCommitmentARB"), FromPlatform("glTexPageCommitmentARB"));

  // Found through the library alone, as on Windows.
  libraryAnswers.insert("glGetIntegerv");
  std::size_t oldest = 0;
  for (const Row& row : rows) oldest += OldestFunction(row) ? 1 : 0;
  const struct {
    GLint major, minor;
    int result;
  } versions[] = {{2, 1, -1}, {1, 5, -1}, {0, 0, -1}, {3, 0, 0}, {3, 3, 0}, {4, 6, 0}};
  for (const auto& version : versions) {
    SCOPED_TRACE(std::to_string(version.major) + "." + std::to_string(version.minor));
    reportedMajor = version.major;
    reportedMinor = version.minor;
    calls.clear();
    EXPECT_EQ(LoadGlEntryPoints(), version.result);
    EXPECT_EQ(glVersionMajor, version.major);
    EXPECT_EQ(glVersionMinor, version.minor);
    // A context below 3 gets -1 only after every pointer was filled.
    EXPECT_EQ(Pointer("glTexPageCommitmentARB"), FromPlatform("glTexPageCommitmentARB"));
    // Open, every name, the library for the oldest ones, close, two reads.
    EXPECT_EQ(calls.size(), 1 + 700 + oldest + 1 + 2);
  }
}

}  // namespace
