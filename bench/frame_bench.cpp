// The clock's own CPU work per frame, without the GL driver: advancing the
// clock (both digit sets, the flips, the check against the wall clock), the
// model matrices and matrix products of every tile half, and the uniform
// location look-ups through the program's cache. The real DigitProgram is
// built on a hidden window once (run under tests/xvfb-run.sh); nothing in the
// timed loops calls OpenGL.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "clock/ClockState.h"
#include "clock/FlipTiles.h"
#include "clock/TimeSource.h"
#include "render/Math.h"
#include "render/Program.h"
#include "render/Resources.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

namespace {

// A frame 0.2 s into 09:59:59 -> 10:00:00, so three groups are in flight
// (24 halves in 24-hour mode). The wall clock is read for real every frame (its cost counts)
// but the answer given is the simulated time, so the clock never re-bases.
double simTimer = 1.0;
constexpr double kSimWall = 9 * 3600 + 59 * 60 + 59.7;  // the clock runs 0.5 s behind
double SimTimer() { return simTimer; }
double SimWall() {
  benchmark::DoNotOptimize(LocalSecondsSinceMidnight());
  return kSimWall;
}
bool TwentyFour() { return false; }

void StartClock() {
  Clock = ClockState{};
  ClockTimeSource = {SimTimer, SimWall, TwentyFour};
  AdvanceClock();
}

void BM_AdvanceClock(benchmark::State& state) {
  StartClock();
  for (auto _ : state) {
    AdvanceClock();
    benchmark::DoNotOptimize(Clock.flipAngle[8]);
  }
}
BENCHMARK(BM_AdvanceClock);

// What UploadMatrices does per half: projection x view twice, then times the
// model; plus the model matrix itself.
void BM_TileMatrices(benchmark::State& state) {
  StartClock();
  AdvanceClock();
  const Mat4 projection = Ortho(-500.0f * 16 / 9, 500.0f * 16 / 9, -500, 500, -1000, 1000);
  const Mat4 view = LookAt({0, 0, 100}, {0, 0, 99}, {0, 1, 0});
  int halves = 0;
  for (auto _ : state) {
    TileHalf list[kMaxTileHalves];
    const int count = ListTileHalves(list);
    for (int i = 0; i < count; ++i) {
      const TileHalf& h = list[i];
      const Mat4 model =
          TileHalfModel(TileColumns[0][h.slot], h.hingeY, h.z, h.f, h.angle);
      const Mat4 worldProjection = projection * view;
      const Mat4 modelProjection = projection * view * model;
      benchmark::DoNotOptimize(worldProjection);
      benchmark::DoNotOptimize(modelProjection);
    }
    halves = count;
  }
  state.counters["halves"] = halves;
}
BENCHMARK(BM_TileMatrices);

GLFWProgram* digitProgram = nullptr;

// The twelve look-ups of one draw (three matrices, nine values) for every
// half of the frame, all cache hits.
void BM_UniformLookups(benchmark::State& state) {
  if (digitProgram == nullptr) {
    state.SkipWithError("no GL context (run under tests/xvfb-run.sh)");
    return;
  }
  static const char* const kNames[12] = {"model_world", "world_projection", "model_projection",
                                         "tile_top",    "tile_left",        "tile_mode",
                                         "tile_angle",  "index",            "is_animator",
                                         "iTime",       "viewportWidth",    "viewportHeight"};
  for (const char* name : kNames) digitProgram->GetUniformLocation(name);  // fill the cache
  for (auto _ : state) {
    GLint sum = 0;
    for (int half = 0; half < 24; ++half) {
      for (const char* name : kNames) sum += digitProgram->GetUniformLocation(name);
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_UniformLookups);

}  // namespace

int main(int argc, char** argv) {
  GLFWwindow* window = nullptr;
  if (glfwInit() == GLFW_TRUE) {
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    window = glfwCreateWindow(64, 64, "frame_bench", nullptr, nullptr);
  }
  if (window != nullptr) {
    glfwMakeContextCurrent(window);
    LoadGlEntryPoints();
    digitProgram = new GLFWProgram(kDigitVertexShader, kDigitFragmentShader);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
