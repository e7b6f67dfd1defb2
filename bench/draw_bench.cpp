// The cost of one tile-half draw: the whole Draw on llvmpipe, and its CPU
// side alone (matrix products and location look-ups, no OpenGL). Run under
// a display: tests/xvfb-run.sh build/bench/draw_bench
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "render/Drawable.h"
#include "render/Math.h"
#include "render/Program.h"
#include "render/Resources.h"
#include "render/Texture.h"
#include "tests/gl/GlTestContext.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// The clock's digit drawable on a 1080p offscreen target, with the atlas
// bound, built once and never torn down (the context must outlive exit).
struct Scene {
  GlTestContext* context = nullptr;
  GLFWProgramRegistry registry;
  GLFWCamera camera{0.0f, 0.0f, 100.0f};
  FrameState frame;
  GLFWDrawableSky* digit = nullptr;

  Scene() {
    context = new GlTestContext(64, 64);
    if (!context->Ok()) {
      std::fprintf(stderr, "draw_bench: %s\n", context->Error().c_str());
      std::exit(1);
    }
    GLuint fbo = 0;
    GLuint colour = 0;
    GLuint depth = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, kWidth, kHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    glViewport(0, 0, kWidth, kHeight);

    GLFWTexture::CreateFromBitmap(kDigitAtlasBitmap, 2048);
    registry.AddProgram("DigitProgram", kDigitVertexShader, kDigitFragmentShader);
    const float aspect = static_cast<float>(kWidth) / kHeight;
    camera.UpdateView(0);
    camera.SetProjection(Ortho(-500.0f * aspect, 500.0f * aspect, -500.0f, 500.0f, -1000.0f,
                               1000.0f));
    frame.viewportWidth = kWidth;
    frame.viewportHeight = kHeight;
    digit = new GLFWDrawableSky(&frame, &camera, &registry, "DigitProgram", kPlaneObjText,
                                kPlaneMtlText, 1.0f);
    digit->Init();
    // An upper tile half of the hours, part-way through a flip.
    digit->SetModel(Translate(-300.0f, 40.0f, 0.0f) *
                    Scale(7.0f * 20.0f / 3.6f, 7.0f * 16.0f / 3.6f, 1.0f) *
                    RotateEuler(-40.0f, 0.0f, 0.0f) * Translate(0.0f, 2.66f, 0.0f));
    digit->SetTile(1, 4, 0.0f, 0.0f, 1.0f, -40.0f);
    digit->Draw();
    glFinish();
  }
};

Scene& TheScene() {
  static Scene* scene = new Scene;
  return *scene;
}

// One Draw and the wait for llvmpipe to finish rasterising it.
void BM_DrawTileHalf(benchmark::State& state) {
  Scene& scene = TheScene();
  for (auto _ : state) {
    scene.frame.time += 0.016f;
    scene.digit->Draw();
    glFinish();
  }
}
BENCHMARK(BM_DrawTileHalf)->Unit(benchmark::kMicrosecond);

// The Draw call alone, as the frame loop issues it (rasterising is queued).
void BM_DrawTileHalfSubmit(benchmark::State& state) {
  Scene& scene = TheScene();
  int pending = 0;
  for (auto _ : state) {
    scene.digit->Draw();
    if (++pending == 64) {  // keep the driver's queue bounded
      state.PauseTiming();
      glFinish();
      pending = 0;
      state.ResumeTiming();
    }
  }
  glFinish();
}
// A fixed count: the rasterising waits are paused, so a time-based run
// would issue draws for minutes.
BENCHMARK(BM_DrawTileHalfSubmit)->Unit(benchmark::kMicrosecond)->Iterations(2048);

// What a draw does on the CPU before OpenGL: the program found by name, the
// three matrix products and the twelve cached location look-ups.
void BM_DrawCpuSide(benchmark::State& state) {
  Scene& scene = TheScene();
  GLFWDrawableSky& d = *scene.digit;
  static const char* const kNames[12] = {
      "model_world", "world_projection", "model_projection", "tile_top",
      "tile_left",   "tile_mode",        "tile_angle",       "index",
      "is_animator", "iTime",            "viewportWidth",    "viewportHeight"};
  for (auto _ : state) {
    GLFWProgram* program = d.registry->GetProgram(d.programName);
    const Mat4 projection = d.camera->GetProjection();
    const Mat4 view = d.camera->GetView();
    const Mat4 worldProjection = projection * view;
    const Mat4 modelProjection = worldProjection * d.model;
    GLint sum = 0;
    for (const char* name : kNames) sum += program->GetUniformLocation(name);
    benchmark::DoNotOptimize(worldProjection);
    benchmark::DoNotOptimize(modelProjection);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_DrawCpuSide);

}  // namespace

BENCHMARK_MAIN();
