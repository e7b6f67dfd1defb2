// The rendering kit on a real OpenGL context (Mesa's llvmpipe under Xvfb):
// float textures, shader programs and their location cache, the registry,
// the plane mesh and what a drawable puts on the screen; and the whole
// scene's frames, which the face's signature must tell apart.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "clock/ClockState.h"
#include "clock/Scene.h"
#include "clock/TimeSource.h"
#include "render/Bitmap.h"
#include "render/Drawable.h"
#include "render/KeptFrame.h"
#include "render/Math.h"
#include "render/Program.h"
#include "render/Resources.h"
#include "render/Texture.h"
#include "shell/ScreensaverApp.h"
#include "shell/ViewSize.h"
#include "tests/gl/GlTestContext.h"

// ---------------------------------------------------------------------------
// Heap allocations through operator new, counted while armed. Draw must not
// allocate once it has run once.

namespace {
// Armed on the test's own thread only: the driver's worker threads are not
// the code under test.
thread_local bool countAllocations = false;
std::atomic<long> allocations{0};

void* CountedAllocate(std::size_t size) {
  if (countAllocations) allocations.fetch_add(1);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return CountedAllocate(size); }
void* operator new[](std::size_t size) { return CountedAllocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedAllocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedAllocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// ---------------------------------------------------------------------------
// The code under test ends the process with status 0 on fatal errors; an
// exit in the middle of this binary must not pass for success.

std::atomic<bool> testsFinished{false};

void RefuseSilentExit() {
  if (!testsFinished && !::testing::internal::InDeathTestChild()) {
    std::fputs("render_gl_test: the process ended before the tests did\n", stderr);
    std::_Exit(3);
  }
}

class ExitGuard : public ::testing::Environment {
 public:
  void SetUp() override {
    std::atexit(RefuseSilentExit);
    // Death tests re-run this binary (each child makes its own context)
    // rather than fork a process that holds a GL context and its threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
  }
  void TearDown() override { testsFinished = true; }
};

const bool kSetUp = [] {
  ::testing::AddGlobalTestEnvironment(new ExitGuard);
  return true;
}();

// One context for the whole binary, never destroyed (see GlTestContext.h).
GlTestContext& Context() {
  static GlTestContext* context = new GlTestContext(64, 64, 4);
  return *context;
}

// ---------------------------------------------------------------------------
// Helpers

// An offscreen colour target of RGBA32F texels.
class FloatTarget {
 public:
  FloatTarget(int width, int height) : width_(width), height_(height) {
    glGenFramebuffers(1, &fbo_);
    glGenRenderbuffers(1, &colour_);
    glBindRenderbuffer(GL_RENDERBUFFER, colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA32F, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    glViewport(0, 0, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  ~FloatTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &colour_);
    glDeleteFramebuffers(1, &fbo_);
  }
  bool Complete() const {
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  }
  std::vector<float> Read() const {
    std::vector<float> texels(static_cast<std::size_t>(width_) * height_ * 4);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_FLOAT, texels.data());
    return texels;
  }

 private:
  int width_;
  int height_;
  GLuint fbo_ = 0;
  GLuint colour_ = 0;
};

GLuint CompileGlsl(const char* vertex, const char* fragment) {
  const GLuint program = glCreateProgram();
  for (const auto& stage : {std::pair<GLenum, const char*>{GL_VERTEX_SHADER, vertex},
                            {GL_FRAGMENT_SHADER, fragment}}) {
    const GLuint shader = glCreateShader(stage.first);
    glShaderSource(shader, 1, &stage.second, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == 0) {
      char log[2048] = {};
      glGetShaderInfoLog(shader, sizeof log, nullptr, log);
      ADD_FAILURE() << "test shader: " << log;
    }
    glAttachShader(program, shader);
  }
  glLinkProgram(program);
  GLint linked = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  EXPECT_EQ(linked, 1);
  return program;
}

// Programs can only be built from text resources, so a test program is
// registered as a real one (the background texts) whose linked program is
// then swapped for the test's own GLSL; the registry and the location cache
// are the real ones.
GLFWProgram* RegisterGlsl(GLFWProgramRegistry& registry, const char* name, const char* vertex,
                          const char* fragment) {
  registry.AddProgram(name, kBackgroundVertexShader, kBackgroundFragmentShader);
  GLFWProgram* program = registry.GetProgram(name);
  program->programId = CompileGlsl(vertex, fragment);
  program->locationCache.clear();
  return program;
}

// A 24-bit DIB of size x size with a different colour in every pixel (0 and
// 255 among them), decoded the way the textures decode their bitmaps.
std::vector<float> TestTexels(int size) {
  const std::size_t stride = (static_cast<std::size_t>(size) * 3 + 3) & ~std::size_t{3};
  std::vector<unsigned char> dib(40 + stride * size, 0);
  const std::uint32_t header[] = {40, static_cast<std::uint32_t>(size),
                                  static_cast<std::uint32_t>(size)};
  std::memcpy(dib.data(), header, sizeof header);
  dib[12] = 1;
  dib[14] = 24;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      unsigned char* bgr = dib.data() + 40 + y * stride + x * 3;
      bgr[0] = static_cast<unsigned char>(255 - 16 * x);  // blue
      bgr[1] = static_cast<unsigned char>(17 * y);         // green
      bgr[2] = static_cast<unsigned char>(x == y ? 255 : 0);
    }
  }
  std::vector<float> texels(static_cast<std::size_t>(size) * size * 4, -1.0f);
  EXPECT_TRUE(DecodeDibToFloatRgba(dib.data(), dib.size(), size, size, texels.data()));
  return texels;
}

std::vector<float> LevelZero(int size) {
  std::vector<float> texels(static_cast<std::size_t>(size) * size * 4, -1.0f);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
  return texels;
}

GLint TexParameter(GLenum name) {
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  return value;
}

class RenderGl : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Context().Ok()) << Context().Error();
    while (glGetError() != GL_NO_ERROR) {
    }
  }
};

// ---------------------------------------------------------------------------
// Textures

TEST(TextureLevels, OneFewerThanAFullChainAndAtLeastOne) {
  const int expected[][2] = {{2048, 11}, {1024, 10}, {512, 9}, {256, 8}, {128, 7}, {64, 6},
                             {32, 5},    {16, 4},    {8, 3},   {4, 2},   {2, 1},   {1, 1}};
  for (const auto& row : expected) EXPECT_EQ(TextureLevelCount(row[0]), row[1]) << row[0];
}

TEST_F(RenderGl, TextureHoldsTheDecodedTexelsBottomRowFirst) {
  const std::vector<float> texels = TestTexels(4);
  // Decoding: byte 255 is exactly 1, byte 0 exactly 0, alpha 1, and texel
  // row 0 is the first stored (bottom) row.
  EXPECT_EQ(texels[0], 1.0f);                 // (0, 0): red 255
  EXPECT_EQ(texels[1], 0.0f);                 // green 17 * 0
  EXPECT_EQ(texels[2], 1.0f);                 // blue 255
  EXPECT_EQ(texels[3], 1.0f);                 // alpha
  EXPECT_FLOAT_EQ(texels[(3 * 4 + 0) * 4 + 1], 51.0f / 255.0f);  // (0, 3): green 17 * 3

  GLFWTexture* texture = GLFWTexture::CreateFromPixels(texels.data(), 4);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  GLint bound = 0;
  GLint unit = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
  EXPECT_EQ(static_cast<GLuint>(bound), texture->GetTextureId());
  EXPECT_EQ(unit, GL_TEXTURE0);

  EXPECT_EQ(LevelZero(4), texels);
  GLint format = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  EXPECT_EQ(format, GL_RGBA32F);
  // This context offers immutable storage: log2(size) levels.
  EXPECT_EQ(TexParameter(GL_TEXTURE_IMMUTABLE_FORMAT), GL_TRUE);
  EXPECT_EQ(TexParameter(GL_TEXTURE_IMMUTABLE_LEVELS), 2);

  EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(TexParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
  EXPECT_EQ(TexParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(TexParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(TexParameter(GL_TEXTURE_BASE_LEVEL), 0);
  EXPECT_EQ(TexParameter(GL_TEXTURE_MAX_LEVEL), 0);
  float maxAnisotropy = 0.0f;
  float anisotropy = 0.0f;
  glGetFloatv(0x84FF, &maxAnisotropy);
  glGetTexParameterfv(GL_TEXTURE_2D, 0x84FE, &anisotropy);
  EXPECT_GT(maxAnisotropy, 1.0f);
  EXPECT_EQ(anisotropy, maxAnisotropy);
}

TEST_F(RenderGl, TextureWithoutImmutableStorageFillsLevelZeroAlone) {
  const std::vector<float> texels = TestTexels(8);
  // A 3.0 context without glTexStorage2D: the pointer stays null.
  const auto storage = gl::glTexStorage2D;
  gl::glTexStorage2D = nullptr;
  GLFWTexture::CreateFromPixels(texels.data(), 8);
  gl::glTexStorage2D = storage;

  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(TexParameter(GL_TEXTURE_IMMUTABLE_FORMAT), GL_FALSE);
  EXPECT_EQ(LevelZero(8), texels);
  GLint format = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  EXPECT_EQ(format, GL_RGBA32F);
  EXPECT_EQ(TexParameter(GL_TEXTURE_MAX_LEVEL), 0);
}

// Draws a full-target quad that samples the texture at each pixel's own
// texel centre (pixel row 0 at v = 1/8, the bottom texel row), shifted by
// whole texture widths. With repeat wrapping every shift shows the same
// picture; clamping would smear the edge texels over the whole target.
std::vector<float> SampleShifted(GLuint program, int size, float shiftU, float shiftV) {
  FloatTarget target(size, size);
  EXPECT_TRUE(target.Complete());
  glUniform2f(glGetUniformLocation(program, "shift"), shiftU, shiftV);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  return target.Read();
}

void ExpectNear(const std::vector<float>& seen, const std::vector<float>& expected,
                const std::string& what) {
  ASSERT_EQ(seen.size(), expected.size());
  for (std::size_t i = 0; i < seen.size(); ++i) {
    ASSERT_NEAR(seen[i], expected[i], 1e-5f) << what << ", float " << i;
  }
}

TEST_F(RenderGl, TextureRepeatsOutsideZeroToOne) {
  const int size = 4;
  const std::vector<float> texels = TestTexels(size);
  const GLuint program = CompileGlsl(
      "#version 130\n"
      "in vec2 corner;\n"
      "void main() { gl_Position = vec4(corner, 0.0, 1.0); }\n",
      "#version 130\n"
      "uniform sampler2D s;\n"
      "uniform vec2 shift;\n"
      "out vec4 colour;\n"
      "void main() { colour = texture(s, gl_FragCoord.xy / 4.0 + shift); }\n");
  glUseProgram(program);
  const float corners[] = {-1, -1, 1, -1, -1, 1, 1, 1};
  GLuint vbo = 0;
  glGenBuffers(1, &vbo);
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
  const auto corner = static_cast<GLuint>(glGetAttribLocation(program, "corner"));
  glEnableVertexAttribArray(corner);
  glVertexAttribPointer(corner, 2, GL_FLOAT, GL_FALSE, 0, nullptr);

  for (bool immutable : {true, false}) {
    const std::string path = immutable ? "immutable storage" : "level 0 only";
    const auto storage = gl::glTexStorage2D;
    if (!immutable) gl::glTexStorage2D = nullptr;
    GLFWTexture::CreateFromPixels(texels.data(), size);
    gl::glTexStorage2D = storage;

    // As made (llvmpipe's anisotropic filter mixes in neighbours, across
    // the wrapped edges too): every whole shift gives the same picture.
    const std::vector<float> base = SampleShifted(program, size, 0.0f, 0.0f);
    ExpectNear(SampleShifted(program, size, 3.0f, -2.0f), base, path + ", shift 3,-2");
    ExpectNear(SampleShifted(program, size, -1.0f, 5.0f), base, path + ", shift -1,5");

    // With the anisotropy set back to 1, a texel centre samples exactly its
    // texel: the picture is upright and wraps whole.
    glTexParameterf(GL_TEXTURE_2D, 0x84FE, 1.0f);
    ExpectNear(SampleShifted(program, size, 0.0f, 0.0f), texels, path + ", isotropic");
    ExpectNear(SampleShifted(program, size, -2.0f, 1.0f), texels, path + ", isotropic -2,1");
  }
  glDisableVertexAttribArray(corner);
  glDeleteBuffers(1, &vbo);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderGl, EmbeddedPicturesBecomeTexturesWithoutErrors) {
  const std::size_t count = std::size_t{2048} * 2048 * 4;
  std::vector<float> expected(count);
  for (int id : {kBackgroundBitmap, kDigitAtlasBitmap}) {
    GLFWTexture* texture = GLFWTexture::CreateFromBitmap(id, 2048);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << id;
    EXPECT_NE(texture->GetTextureId(), 0u);
    EXPECT_EQ(TexParameter(GL_TEXTURE_IMMUTABLE_LEVELS), 11);
    EXPECT_EQ(TexParameter(GL_TEXTURE_MAX_LEVEL), 0);
    ASSERT_TRUE(ReadBitmapPixels(expected.data(), id, 2048, 2048));
    EXPECT_TRUE(LevelZero(2048) == expected) << "texels of bitmap " << id;
  }
}

TEST_F(RenderGl, UnreadableBitmapGivesABlackTexture) {
  GLFWTexture::CreateFromBitmap(9999, 8);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_EQ(LevelZero(8), std::vector<float>(8 * 8 * 4, 0.0f));
  // The atlas asked for at the wrong size is refused the same way.
  GLFWTexture::CreateFromBitmap(kDigitAtlasBitmap, 16);
  EXPECT_EQ(LevelZero(16), std::vector<float>(16 * 16 * 4, 0.0f));
}

// The bytes of picture row y, column x of a test picture: every texel
// differs from its neighbours, byte 0 and 255 included.
unsigned char PatternByte(int x, int y, int channel) {
  return static_cast<unsigned char>((x * (channel + 1) + y * (7 - 2 * channel) + 85 * channel) & 255);
}

// A size x size DIB of that pattern, 24 or 32 bits, stored bottom row first
// or (negative height) top row first, with its rows padded to 4 bytes.
std::vector<unsigned char> PatternDib(int size, int bits, bool topDown) {
  const std::size_t stride =
      (static_cast<std::size_t>(size) * static_cast<std::size_t>(bits / 8) + 3) & ~std::size_t{3};
  std::vector<unsigned char> dib(40 + stride * static_cast<std::size_t>(size), 0xEE);
  const std::int32_t header[] = {40, size, topDown ? -size : size};
  std::memcpy(dib.data(), header, sizeof header);
  const std::uint16_t planesAndBits[] = {1, static_cast<std::uint16_t>(bits)};
  std::memcpy(dib.data() + 12, planesAndBits, sizeof planesAndBits);
  std::memset(dib.data() + 16, 0, 24);
  for (int y = 0; y < size; ++y) {
    const int stored = topDown ? size - 1 - y : y;
    for (int x = 0; x < size; ++x) {
      unsigned char* bgr = dib.data() + 40 + static_cast<std::size_t>(stored) * stride +
                           static_cast<std::size_t>(x) * static_cast<std::size_t>(bits / 8);
      bgr[0] = PatternByte(x, y, 2);  // blue
      bgr[1] = PatternByte(x, y, 1);  // green
      bgr[2] = PatternByte(x, y, 0);  // red
    }
  }
  return dib;
}

TEST_F(RenderGl, TexturesOfAnySizeHoldEveryRowOfTheirBitmap) {
  // Level 0 goes up in bands of 64 rows: sizes below one band, just past a
  // band edge, and between edges, none a multiple of 64, in both depths and
  // both row orders, and one of the clock's sizes.
  const struct {
    int size;
    int bits;
    bool topDown;
  } cases[] = {{1, 24, false},   {3, 32, false},   {63, 24, true},  {65, 24, false},
               {100, 32, false}, {127, 24, false}, {130, 32, true}, {200, 24, false},
               {333, 32, false}, {1000, 24, true}, {256, 24, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE("size " + std::to_string(c.size));
    // The picture's bytes alone, so that a read past them is a read past
    // the allocation.
    const std::vector<unsigned char> dib = PatternDib(c.size, c.bits, c.topDown);
    DibImage image;
    ASSERT_TRUE(ParseDib(dib.data(), dib.size(), &image));
    GLFWTexture::CreateFromImage(&image, c.size);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(TexParameter(GL_TEXTURE_IMMUTABLE_LEVELS), TextureLevelCount(c.size));

    const std::vector<float> seen = LevelZero(c.size);
    int wrong = 0;
    for (int y = 0; y < c.size; ++y) {
      for (int x = 0; x < c.size; ++x) {
        const float* texel = &seen[(static_cast<std::size_t>(y) * c.size + x) * 4];
        for (int channel = 0; channel < 3; ++channel) {
          const float expected = static_cast<float>(PatternByte(x, y, channel) / 255.0);
          if (texel[channel] != expected && wrong++ < 5) {
            ADD_FAILURE() << "texel (" << x << ", " << y << ") channel " << channel << ": "
                          << texel[channel] << ", not " << expected;
          }
        }
        if (texel[3] != 1.0f && wrong++ < 5) ADD_FAILURE() << "alpha at " << x << ", " << y;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// ---------------------------------------------------------------------------
// Programs and the registry

int uniformQueries = 0;
int attribQueries = 0;
PFNGLGETUNIFORMLOCATIONPROC realGetUniformLocation = nullptr;
PFNGLGETATTRIBLOCATIONPROC realGetAttribLocation = nullptr;

GLint APIENTRY CountingGetUniformLocation(GLuint program, const GLchar* name) {
  ++uniformQueries;
  return realGetUniformLocation(program, name);
}

GLint APIENTRY CountingGetAttribLocation(GLuint program, const GLchar* name) {
  ++attribQueries;
  return realGetAttribLocation(program, name);
}

TEST_F(RenderGl, LocationCacheAsksOpenGlOncePerName) {
  GLFWProgramRegistry registry;
  registry.AddProgram("BackgroundProgram", kBackgroundVertexShader, kBackgroundFragmentShader);
  GLFWProgram* program = registry.GetProgram("BackgroundProgram");
  ASSERT_NE(program, nullptr);
  GLint linked = 0;
  glGetProgramiv(program->programId, GL_LINK_STATUS, &linked);
  ASSERT_EQ(linked, 1);

  realGetUniformLocation = gl::glGetUniformLocation;
  realGetAttribLocation = gl::glGetAttribLocation;
  gl::glGetUniformLocation = CountingGetUniformLocation;
  gl::glGetAttribLocation = CountingGetAttribLocation;
  uniformQueries = attribQueries = 0;

  const GLint mvp = program->GetUniformLocation("model_projection");
  EXPECT_EQ(mvp, realGetUniformLocation(program->programId, "model_projection"));
  EXPECT_NE(mvp, -1);
  EXPECT_EQ(program->GetUniformLocation("model_projection"), mvp);
  EXPECT_EQ(program->GetUniformLocation(std::string("model_projection").c_str()), mvp);
  EXPECT_EQ(uniformQueries, 1);

  // A name the program does not use: -1, cached like any other answer.
  EXPECT_EQ(program->GetUniformLocation("no_such_uniform"), -1);
  EXPECT_EQ(program->GetUniformLocation("no_such_uniform"), -1);
  EXPECT_EQ(uniformQueries, 2);

  // One cache for both kinds: the first answer for a name stands.
  const GLint position = program->GetAttribLocation("position");
  EXPECT_EQ(position, realGetAttribLocation(program->programId, "position"));
  EXPECT_NE(position, -1);
  EXPECT_EQ(program->GetUniformLocation("position"), position);
  EXPECT_EQ(program->GetAttribLocation("model_projection"), mvp);
  EXPECT_EQ(uniformQueries, 2);
  EXPECT_EQ(attribQueries, 1);

  // An attribute the shaders never read.
  EXPECT_EQ(program->GetAttribLocation("position_normal"), -1);
  EXPECT_EQ(program->GetAttribLocation("position_normal"), -1);
  EXPECT_EQ(attribQueries, 2);

  gl::glGetUniformLocation = realGetUniformLocation;
  gl::glGetAttribLocation = realGetAttribLocation;
}

TEST_F(RenderGl, RegistryKeepsTheFirstProgramOfAName) {
  GLFWProgramRegistry registry;
  registry.AddProgram("PanelProgram", kPanelVertexShader, kPanelFragmentShader);
  GLFWProgram* first = registry.GetProgram("PanelProgram");
  ASSERT_NE(first, nullptr);
  const GLuint firstId = first->programId;
  registry.AddProgram("PanelProgram", kDigitVertexShader, kDigitFragmentShader);
  EXPECT_EQ(registry.programs.size(), 1u);
  EXPECT_EQ(registry.GetProgram("PanelProgram"), first);
  EXPECT_EQ(first->programId, firstId);

  registry.UseProgram("PanelProgram");
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(static_cast<GLuint>(current), firstId);

  // Unknown names: no program, and the current one stays current.
  EXPECT_EQ(registry.GetProgram("DigitProgram"), nullptr);
  EXPECT_EQ(registry.GetProgram(""), nullptr);
  registry.UseProgram("DigitProgram");
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(static_cast<GLuint>(current), firstId);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderGl, AllThreeClockProgramsBuild) {
  GLFWProgramRegistry registry;
  registry.AddProgram("BackgroundProgram", kBackgroundVertexShader, kBackgroundFragmentShader);
  registry.AddProgram("PanelProgram", kPanelVertexShader, kPanelFragmentShader);
  registry.AddProgram("DigitProgram", kDigitVertexShader, kDigitFragmentShader);
  ASSERT_EQ(registry.programs.size(), 3u);
  for (const auto& entry : registry.programs) {
    GLint linked = 0;
    glGetProgramiv(entry.second->programId, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, 1) << entry.first;
    // The texts end where their marker was: the last thing the compiler
    // sees is the "//" of the marker line.
    const std::string vertex = entry.second->vertexSource;
    EXPECT_EQ(vertex.substr(vertex.size() - 2), "//") << entry.first;
    EXPECT_NE(entry.second->GetAttribLocation("position"), -1) << entry.first;
  }
}

TEST_F(RenderGl, ProgramThatDoesNotLinkIsReportedAndKept) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "Mesa 22.3's linker reads freed memory while it fails this pair; "
                  "the unsanitised build runs this test";
#endif
  // A fragment text compiled as the vertex stage compiles, but the pair
  // cannot link: the fragment stage reads a value nothing writes.
  GLFWProgramRegistry registry;
  ::testing::internal::CaptureStderr();
  registry.AddProgram("Unlinked", kBackgroundFragmentShader, kBackgroundFragmentShader);
  const std::string said = ::testing::internal::GetCapturedStderr();
  GLFWProgram* program = registry.GetProgram("Unlinked");
  ASSERT_NE(program, nullptr);
  GLint linked = 1;
  glGetProgramiv(program->programId, GL_LINK_STATUS, &linked);
  EXPECT_EQ(linked, 0);
  EXPECT_THAT(said, ::testing::HasSubstr("[Debug] Shader program link error"));
  EXPECT_THAT(said, ::testing::Not(::testing::HasSubstr("compilation error")));
}

::testing::Matcher<const std::string&> DebugBoxes(int count, const char* last) {
  return ::testing::AllOf(
      ::testing::Truly([count](const std::string& text) {
        int boxes = 0;
        for (std::size_t at = text.find("[Debug]"); at != std::string::npos;
             at = text.find("[Debug]", at + 1)) {
          ++boxes;
        }
        return boxes == count;
      }),
      ::testing::HasSubstr(std::string("[Debug] ") + last + "\n"));
}

// The shader calls of a program's construction, written to standard error
// as they reach OpenGL (the real functions run underneath), so that a death
// test's child reports what it did before it ended.
PFNGLCREATESHADERPROC realCreateShader = nullptr;
PFNGLSHADERSOURCEPROC realShaderSource = nullptr;
PFNGLCOMPILESHADERPROC realCompileShader = nullptr;
PFNGLDELETESHADERPROC realDeleteShader = nullptr;

void LogShaderCall(const std::string& call) { std::fprintf(stderr, "shader call: %s\n", call.c_str()); }

GLuint APIENTRY LoggedCreateShader(GLenum kind) {
  const GLuint shader = realCreateShader(kind);
  LogShaderCall(std::string("create ") +
                (kind == GL_VERTEX_SHADER ? "vertex" : kind == GL_FRAGMENT_SHADER ? "fragment" : "other") +
                " " + std::to_string(shader));
  return shader;
}
void APIENTRY LoggedShaderSource(GLuint shader, GLsizei count, const GLchar* const* text,
                                 const GLint* lengths) {
  LogShaderCall("source " + std::to_string(shader));
  realShaderSource(shader, count, text, lengths);
}
void APIENTRY LoggedCompileShader(GLuint shader) {
  LogShaderCall("compile " + std::to_string(shader));
  realCompileShader(shader);
}
void APIENTRY LoggedDeleteShader(GLuint shader) {
  LogShaderCall("delete " + std::to_string(shader));
  realDeleteShader(shader);
}

GLFWProgram* BuildLoggingShaderCalls(int vertexTextId, int fragmentTextId) {
  realCreateShader = gl::glCreateShader;
  realShaderSource = gl::glShaderSource;
  realCompileShader = gl::glCompileShader;
  realDeleteShader = gl::glDeleteShader;
  gl::glCreateShader = LoggedCreateShader;
  gl::glShaderSource = LoggedShaderSource;
  gl::glCompileShader = LoggedCompileShader;
  gl::glDeleteShader = LoggedDeleteShader;
  return new GLFWProgram(vertexTextId, fragmentTextId);
}

class ShaderCallsMatcher : public ::testing::MatcherInterface<const std::string&> {
 public:
  explicit ShaderCallsMatcher(std::vector<std::string> expected) : expected_(std::move(expected)) {}

  bool MatchAndExplain(const std::string& text,
                       ::testing::MatchResultListener* listener) const override {
    const std::vector<std::string> seen = Calls(text);
    *listener << "shader calls:";
    for (const std::string& call : seen) *listener << " [" << call << "]";
    return seen == expected_;
  }
  void DescribeTo(std::ostream* os) const override {
    *os << "logs the shader calls";
    for (const std::string& call : expected_) *os << " [" << call << "]";
  }

 private:
  static std::vector<std::string> Calls(const std::string& text) {
    const std::string mark = "shader call: ";
    const std::string box = "[Debug] ";
    std::map<std::string, std::string> stages;  // shader name -> stage
    std::vector<std::string> seen;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      const std::size_t boxAt = line.find(box);
      if (boxAt != std::string::npos) {
        const std::string said = line.substr(boxAt + box.size());
        const bool verdict = said.size() > 17 && said.substr(said.size() - 17) == "compilation error";
        seen.push_back(verdict ? "box " + said : "box");
        continue;
      }
      const std::size_t at = line.find(mark);
      if (at == std::string::npos) continue;
      const std::string call = line.substr(at + mark.size());
      const std::size_t space = call.find(' ');
      const std::string verb = call.substr(0, space);
      std::string object = call.substr(space + 1);
      if (verb == "create") {
        const std::size_t split = object.find(' ');
        stages[object.substr(split + 1)] = object.substr(0, split);
        object = object.substr(0, split);
      } else {
        object = stages.count(object) != 0 ? stages[object] : "shader " + object;
      }
      seen.push_back(verb + " " + object);
    }
    return seen;
  }

  std::vector<std::string> expected_;
};

// The logged shader calls and message boxes of a child's standard error, in
// order, with the shader names replaced by the stage they were made for:
// "create vertex", "compile vertex", "box" (an info log), "box Vertex
// shader compilation error", ...
::testing::Matcher<const std::string&> ShaderCallsAre(std::vector<std::string> expected) {
  return ::testing::MakeMatcher(new ShaderCallsMatcher(std::move(expected)));
}

TEST_F(RenderGl, BrokenVertexStageEndsTheProcessBeforeTheFragmentStage) {
  // The OBJ text is no GLSL. Two boxes, the compiler's log and then the
  // verdict, the vertex shader deleted, and no fragment shader ever made,
  // given its text or compiled.
  const std::vector<std::string> calls{"create vertex", "source vertex", "compile vertex", "box",
                                       "box Vertex shader compilation error", "delete vertex"};
  EXPECT_EXIT(BuildLoggingShaderCalls(kPlaneObjText, kBackgroundFragmentShader),
              ::testing::ExitedWithCode(0),
              ::testing::AllOf(DebugBoxes(2, "Vertex shader compilation error"),
                               ShaderCallsAre(calls)));
}

TEST_F(RenderGl, BrokenFragmentStageEndsTheProcess) {
  // The vertex stage compiled first; only the fragment shader is deleted.
  const std::vector<std::string> calls{"create vertex",   "source vertex",   "compile vertex",
                                       "create fragment", "source fragment", "compile fragment",
                                       "box", "box Fragment shader compilation error",
                                       "delete fragment"};
  EXPECT_EXIT(BuildLoggingShaderCalls(kBackgroundVertexShader, kPlaneMtlText),
              ::testing::ExitedWithCode(0),
              ::testing::AllOf(DebugBoxes(2, "Fragment shader compilation error"),
                               ShaderCallsAre(calls)));
}

// ---------------------------------------------------------------------------
// Meshes and drawables

TEST(MeshArrays, EmbeddedQuadAtScale500) {
  GLFWMesh one(kPlaneObjText, kPlaneMtlText, 1.0f);
  GLFWMesh big(kPlaneObjText, kPlaneMtlText, 500.0f);
  for (const GLFWMesh* mesh : {&one, &big}) {
    EXPECT_EQ(mesh->vertexCount, 6);
    EXPECT_EQ(mesh->indexCount, 6);
    EXPECT_EQ(mesh->VertexBytes(), 576);
    EXPECT_EQ(mesh->IndexBytes(), 24);
    EXPECT_EQ(mesh->stride, 24);
    const std::int32_t offsets[8] = {0, 3, 5, 8, 11, 14, 17, 20};
    for (int b = 0; b < 8; ++b) EXPECT_EQ(mesh->offsets[b], offsets[b]);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(mesh->indexData[i], static_cast<std::uint32_t>(i));
  }
  const float positions[6][3] = {{-2.5f, 2.3698f, 0}, {-2.5f, -2.6302f, 0}, {2.5f, 2.3698f, 0},
                                 {2.5f, -2.6302f, 0}, {2.5f, 2.3698f, 0},   {-2.5f, -2.6302f, 0}};
  const float uvs[6][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}, {1, 1}, {0, 0}};
  for (int v = 0; v < 6; ++v) {
    const float* a = one.vertexData + v * 24;
    const float* b = big.vertexData + v * 24;
    for (int c = 0; c < 3; ++c) {
      EXPECT_FLOAT_EQ(a[c], positions[v][c]) << "vertex " << v;
      EXPECT_FLOAT_EQ(b[c], 500.0f * positions[v][c]) << "vertex " << v;
    }
    for (const float* r : {a, b}) {
      // Texture coordinates and normals do not scale.
      EXPECT_EQ(r[3], uvs[v][0]);
      EXPECT_EQ(r[4], uvs[v][1]);
      EXPECT_EQ(r[5], 0.0f);
      EXPECT_EQ(r[6], 0.0f);
      EXPECT_TRUE(std::signbit(r[6])) << "the normal keeps its -0";
      EXPECT_EQ(r[7], 1.0f);
      // Tangent (1, 0, 0), bitangent (0, 1, 0) at every scale.
      EXPECT_FLOAT_EQ(r[8], 1.0f);
      EXPECT_NEAR(r[9], 0.0f, 1e-6f);
      EXPECT_NEAR(r[10], 0.0f, 1e-6f);
      EXPECT_NEAR(r[11], 0.0f, 1e-6f);
      EXPECT_FLOAT_EQ(r[12], 1.0f);
      EXPECT_NEAR(r[13], 0.0f, 1e-6f);
      // Ka, Kd, Ks and Ns of "wire_198225087".
      const float material[10] = {0.7765f, 0.8824f, 0.3412f, 0.7765f, 0.8824f,
                                  0.3412f, 0.35f,   0.35f,   0.35f,   32.0f};
      for (int m = 0; m < 10; ++m) EXPECT_FLOAT_EQ(r[14 + m], material[m]) << m;
    }
  }
  // The interleaved records come from the per-attribute arrays.
  EXPECT_EQ(one.arrays->vertexCount, 6);
  EXPECT_EQ(one.arrays->scale, 1.0f);
  EXPECT_EQ(big.arrays->positions[3], 500.0f * -2.5f);
  EXPECT_EQ(big.arrays->specular[4 * 5 + 3], 32.0f);
}

// As in the program: the window and its context are open when the mesh
// fails, and the process ends through glfwTerminate and exit.
TEST_F(RenderGl, MissingMeshEndsTheProcess) {
  EXPECT_EXIT(new GLFWMesh(9999, kPlaneMtlText, 1.0f), ::testing::ExitedWithCode(0),
              ::testing::EndsWith("[Debug] Failed to load mesh\n"));
}

// A program that shows where the plane lands and what it was given: the
// position goes through both matrix routes (they must agree), the colour is
// the texture coordinate, and every tile and frame value takes part so that
// none is optimised away.
constexpr const char* kProbeVertex =
    "#version 130\n"
    "in vec4 position;\n"
    "in vec2 position_tex;\n"
    "in vec3 position_normal;\n"
    "out vec2 uv;\n"
    "uniform mat4 model_world;\n"
    "uniform mat4 world_projection;\n"
    "uniform mat4 model_projection;\n"
    "void main() {\n"
    "  uv = position_tex;\n"
    "  gl_Position = 0.5 * (model_projection * position +\n"
    "                       world_projection * (model_world * position));\n"
    "}\n";
constexpr const char* kProbeFragment =
    "#version 130\n"
    "in vec2 uv;\n"
    "out vec4 colour;\n"
    "uniform float tile_top, tile_left, tile_mode, tile_angle;\n"
    "uniform int index, is_animator;\n"
    "uniform float iTime, viewportWidth, viewportHeight;\n"
    "void main() {\n"
    "  float all = tile_top + tile_left + tile_mode + tile_angle + float(index) +\n"
    "              float(is_animator) + iTime + viewportWidth + viewportHeight;\n"
    "  colour = vec4(uv, 1e-6 * all, 1.0);\n"
    "}\n";

class DrawableGl : public RenderGl {
 protected:
  void SetUp() override {
    RenderGl::SetUp();
    if (HasFatalFailure()) return;
    program = RegisterGlsl(registry, "ProbeProgram", kProbeVertex, kProbeFragment);
    camera.UpdateView(0);
    // 200 x 100 pixels: 2000 x 1000 world units, 10 units a pixel.
    camera.SetProjection(Ortho(-1000.0f, 1000.0f, -500.0f, 500.0f, -1000.0f, 1000.0f));
    frame.viewportWidth = 200.0f;
    frame.viewportHeight = 100.0f;
    frame.time = 2.5f;
  }

  GLFWDrawableSky* MakeDrawable(float scale = 1.0f) {
    auto* drawable = new GLFWDrawableSky(&frame, &camera, &registry, "ProbeProgram",
                                         kPlaneObjText, kPlaneMtlText, scale);
    drawable->Init();
    return drawable;
  }

  GLFWProgramRegistry registry;
  GLFWProgram* program = nullptr;
  GLFWCamera camera{0.0f, 0.0f, 100.0f};
  FrameState frame;
};

struct Coverage {
  int count = 0;
  int left = 1 << 20, right = -1, bottom = 1 << 20, top = -1;
};

Coverage Covered(const std::vector<float>& texels, int width, int height) {
  Coverage c;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (texels[(static_cast<std::size_t>(y) * width + x) * 4 + 3] != 1.0f) continue;
      ++c.count;
      c.left = std::min(c.left, x);
      c.right = std::max(c.right, x);
      c.bottom = std::min(c.bottom, y);
      c.top = std::max(c.top, y);
    }
  }
  return c;
}

float Green(const std::vector<float>& texels, int width, int x, int y) {
  return texels[(static_cast<std::size_t>(y) * width + x) * 4 + 1];
}

TEST_F(DrawableGl, UploadRecordsTheLayoutAndTheData) {
  GLFWDrawableSky* drawable = MakeDrawable(500.0f);
  GLFWVertexBuffer& buffer = *drawable->buffer;
  EXPECT_EQ(buffer.vertexBytes, 576);
  EXPECT_EQ(buffer.indexBytes, 24);
  EXPECT_EQ(buffer.GetIndexCount(), 6);
  EXPECT_EQ(buffer.stride, 24);
  EXPECT_EQ(buffer.locations.at("position"), program->GetAttribLocation("position"));
  EXPECT_EQ(buffer.locations.at("position_tex"), program->GetAttribLocation("position_tex"));
  EXPECT_EQ(buffer.locations.at("position_normal"), -1);  // not read by the shader
  EXPECT_EQ(buffer.sizes.at("position_tex"), 2);
  EXPECT_EQ(buffer.offsets.at("position_tex"), 3);
  EXPECT_EQ(buffer.offsets.at("position_normal"), 5);

  std::vector<float> vertices(6 * 24);
  glBindBuffer(GL_ARRAY_BUFFER, buffer.arrayBuffer);
  glGetBufferSubData(GL_ARRAY_BUFFER, 0, 576, vertices.data());
  EXPECT_EQ(0, std::memcmp(vertices.data(), drawable->mesh->vertexData, 576));
  std::uint32_t indices[6] = {};
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer.elementBuffer);
  glGetBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, 24, indices);
  EXPECT_EQ(0, std::memcmp(indices, drawable->mesh->indexData, 24));

  // The attribute pointers: 96-byte records, texture coordinates at byte 12.
  const auto tex = static_cast<GLuint>(program->GetAttribLocation("position_tex"));
  GLint enabled = 0, stride = 0, components = 0;
  void* pointer = nullptr;
  glGetVertexAttribiv(tex, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
  glGetVertexAttribiv(tex, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
  glGetVertexAttribiv(tex, GL_VERTEX_ATTRIB_ARRAY_SIZE, &components);
  glGetVertexAttribPointerv(tex, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
  EXPECT_EQ(enabled, GL_TRUE);
  EXPECT_EQ(stride, 96);
  EXPECT_EQ(components, 2);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pointer), 12u);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DrawableGl, DrawCoversExactlyWhatTheModelMatrixSays) {
  GLFWDrawableSky* drawable = MakeDrawable();
  FloatTarget target(200, 100);
  ASSERT_TRUE(target.Complete());

  // Upright: x from 100 - 250 to 100 + 250, y from 50 - 263.02 to
  // 50 + 236.98 world units, i.e. pixel columns 85..134 and rows 29..78
  // (pixel centres within [85, 135) x [28.698, 78.698)).
  drawable->SetModel(Translate(100.0f, 50.0f, 0.0f) * Scale(100.0f, 100.0f, 1.0f));
  drawable->Draw();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  std::vector<float> seen = target.Read();
  Coverage c = Covered(seen, 200, 100);
  EXPECT_EQ(c.left, 85);
  EXPECT_EQ(c.right, 134);
  EXPECT_EQ(c.bottom, 29);
  EXPECT_EQ(c.top, 78);
  EXPECT_EQ(c.count, 50 * 50);
  // The picture is upright: v = 1 at the top edge, 0 at the bottom.
  EXPECT_GT(Green(seen, 200, 110, 78), 0.97f);
  EXPECT_LT(Green(seen, 200, 110, 29), 0.03f);

  // A tile half turned by 180 degrees about its hinge at y = 50 hangs below
  // it: y from 50 - 100 x (2.3698 + 2.66) to 50 - 100 x (-2.6302 + 2.66),
  // rows 5..54, with the top of the picture now at the bottom.
  glClear(GL_COLOR_BUFFER_BIT);
  drawable->SetModel(Translate(100.0f, 50.0f, 0.0f) * Scale(100.0f, 100.0f, 1.0f) *
                     RotateEuler(180.0f, 0.0f, 0.0f) * Translate(0.0f, 2.66f, 0.0f));
  drawable->Draw();
  seen = target.Read();
  c = Covered(seen, 200, 100);
  EXPECT_EQ(c.left, 85);
  EXPECT_EQ(c.right, 134);
  EXPECT_EQ(c.bottom, 5);
  EXPECT_EQ(c.top, 54);
  EXPECT_EQ(c.count, 50 * 50);
  EXPECT_GT(Green(seen, 200, 110, 5), 0.97f);
  EXPECT_LT(Green(seen, 200, 110, 54), 0.03f);

  // The camera's view takes part: moving the eye 200 units right moves the
  // picture 20 pixels left.
  glClear(GL_COLOR_BUFFER_BIT);
  camera.eye = {200.0f, 0.0f, 100.0f};
  camera.target = {200.0f, 0.0f, 99.0f};
  camera.UpdateView(0);
  drawable->SetModel(Translate(100.0f, 50.0f, 0.0f) * Scale(100.0f, 100.0f, 1.0f));
  drawable->Draw();
  c = Covered(target.Read(), 200, 100);
  EXPECT_EQ(c.left, 65);
  EXPECT_EQ(c.right, 114);
  EXPECT_EQ(c.count, 50 * 50);
}

TEST_F(DrawableGl, DrawUploadsTheMatricesAndTileValues) {
  GLFWDrawableSky* drawable = MakeDrawable();
  FloatTarget target(200, 100);
  const Mat4 model = Translate(10.0f, -20.0f, 30.0f) * RotateEuler(30.0f, 0.0f, 0.0f);
  drawable->SetModel(model);

  auto uniform = [&](const char* name) {
    float value = -99.0f;
    glGetUniformfv(program->programId, glGetUniformLocation(program->programId, name), &value);
    return value;
  };
  auto integer = [&](const char* name) {
    GLint value = -99;
    glGetUniformiv(program->programId, glGetUniformLocation(program->programId, name), &value);
    return value;
  };

  // Never given SetTile: mode 1, everything else 0.
  drawable->Draw();
  EXPECT_EQ(uniform("tile_mode"), 1.0f);
  EXPECT_EQ(uniform("tile_top"), 0.0f);
  EXPECT_EQ(uniform("tile_angle"), 0.0f);
  EXPECT_EQ(integer("index"), 0);
  EXPECT_EQ(integer("is_animator"), 0);
  EXPECT_EQ(uniform("iTime"), 2.5f);
  EXPECT_EQ(uniform("viewportWidth"), 200.0f);
  EXPECT_EQ(uniform("viewportHeight"), 100.0f);

  drawable->SetTile(1, 7, 0.25f, 0.5f, 2.0f, 33.0f);
  frame.time = 9.75f;
  drawable->Draw();
  EXPECT_EQ(integer("is_animator"), 1);
  EXPECT_EQ(integer("index"), 7);
  EXPECT_EQ(uniform("tile_top"), 0.25f);
  EXPECT_EQ(uniform("tile_left"), 0.5f);
  EXPECT_EQ(uniform("tile_mode"), 2.0f);
  EXPECT_EQ(uniform("tile_angle"), 33.0f);
  EXPECT_EQ(uniform("iTime"), 9.75f);

  auto matrix = [&](const char* name) {
    Mat4 m;
    glGetUniformfv(program->programId, glGetUniformLocation(program->programId, name),
                   &m.columns[0].x);
    return m;
  };
  const Mat4 pv = camera.GetProjection() * camera.GetView();
  const Mat4 expected[3] = {model, pv, pv * model};
  const char* names[3] = {"model_world", "world_projection", "model_projection"};
  for (int i = 0; i < 3; ++i) {
    const Mat4 m = matrix(names[i]);
    for (int f = 0; f < 16; ++f) EXPECT_EQ(m.Data()[f], expected[i].Data()[f]) << names[i] << f;
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The uploads of one draw, in the order they reach OpenGL.
struct Upload {
  char kind;  // 'm' matrix, 'f' float, 'i' integer
  GLint location;
  float value;
};
Upload uploads[64];
int uploadCount = 0;

void APIENTRY RecordMatrix(GLint location, GLsizei, GLboolean, const GLfloat*) {
  if (uploadCount < 64) uploads[uploadCount++] = {'m', location, 0.0f};
}
void APIENTRY RecordFloat(GLint location, GLfloat value) {
  if (uploadCount < 64) uploads[uploadCount++] = {'f', location, value};
}
void APIENTRY RecordInt(GLint location, GLint value) {
  if (uploadCount < 64) uploads[uploadCount++] = {'i', location, static_cast<float>(value)};
}

TEST_F(DrawableGl, UploadsComeInTheFixedOrder) {
  GLFWDrawableSky* drawable = MakeDrawable();
  drawable->SetTile(1, 9, 0.125f, 0.375f, 3.0f, 45.0f);

  const auto matrix4 = gl::glUniformMatrix4fv;
  const auto float1 = gl::glUniform1f;
  const auto int1 = gl::glUniform1i;
  gl::glUniformMatrix4fv = RecordMatrix;
  gl::glUniform1f = RecordFloat;
  gl::glUniform1i = RecordInt;
  uploadCount = 0;
  drawable->Draw();
  gl::glUniformMatrix4fv = matrix4;
  gl::glUniform1f = float1;
  gl::glUniform1i = int1;

  const struct {
    char kind;
    const char* name;
    float value;
  } expected[] = {
      {'m', "model_world", 0},    {'m', "world_projection", 0}, {'m', "model_projection", 0},
      {'f', "tile_top", 0.125f},  {'f', "tile_left", 0.375f},   {'f', "tile_mode", 3.0f},
      {'f', "tile_angle", 45.0f}, {'i', "index", 9},            {'i', "is_animator", 1},
      {'f', "iTime", 2.5f},       {'f', "viewportWidth", 200},  {'f', "viewportHeight", 100},
  };
  ASSERT_EQ(uploadCount, 12);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(uploads[i].kind, expected[i].kind) << i;
    EXPECT_EQ(uploads[i].location, glGetUniformLocation(program->programId, expected[i].name))
        << expected[i].name;
    EXPECT_EQ(uploads[i].value, expected[i].value) << expected[i].name;
  }
}

// Attribute calls of a draw, with the vertex array object bound at each.
struct AttributeCall {
  char kind;  // 'e' glEnableVertexAttribArray, 'p' glVertexAttribPointer
  GLuint index;
  GLint components;
  GLsizei stride;
  std::uintptr_t offset;
  GLint vertexArray;
};
AttributeCall attributeCalls[16];
int attributeCallCount = 0;
PFNGLENABLEVERTEXATTRIBARRAYPROC realEnableAttribute = nullptr;
PFNGLVERTEXATTRIBPOINTERPROC realAttributePointer = nullptr;

GLint BoundVertexArray() {
  GLint bound = -1;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
  return bound;
}
void APIENTRY RecordEnable(GLuint index) {
  if (attributeCallCount < 16) attributeCalls[attributeCallCount++] = {'e', index, 0, 0, 0, BoundVertexArray()};
  realEnableAttribute(index);
}
void APIENTRY RecordPointer(GLuint index, GLint components, GLenum type, GLboolean normalised,
                            GLsizei stride, const void* offset) {
  if (attributeCallCount < 16) {
    attributeCalls[attributeCallCount++] = {'p', index, components, stride,
                                            reinterpret_cast<std::uintptr_t>(offset), BoundVertexArray()};
  }
  realAttributePointer(index, components, type, normalised, stride, offset);
}

// One draw with the attribute calls recorded; the real entry points do the
// work and are back in place afterwards.
void DrawRecordingAttributes(GLFWDrawableSky* drawable) {
  realEnableAttribute = gl::glEnableVertexAttribArray;
  realAttributePointer = gl::glVertexAttribPointer;
  gl::glEnableVertexAttribArray = RecordEnable;
  gl::glVertexAttribPointer = RecordPointer;
  attributeCallCount = 0;
  drawable->Draw();
  gl::glEnableVertexAttribArray = realEnableAttribute;
  gl::glVertexAttribPointer = realAttributePointer;
}

TEST_F(DrawableGl, AttributesAreEnabledInKeyOrderOnTheDefaultVertexArray) {
  // A program that reads all three attributes, at locations bound so that
  // key order ("position", "position_normal", "position_tex"), the order
  // the drawable adds them in (position, tex, normal) and location order
  // all differ.
  RegisterGlsl(registry, "AllAttributes",
               "#version 130\n"
               "in vec4 position;\n"
               "in vec2 position_tex;\n"
               "in vec3 position_normal;\n"
               "out vec3 colour;\n"
               "uniform mat4 model_projection;\n"
               "void main() {\n"
               "  colour = vec3(position_tex, 0.0) + position_normal;\n"
               "  gl_Position = model_projection * position;\n"
               "}\n",
               "#version 130\n"
               "in vec3 colour;\n"
               "out vec4 fragment;\n"
               "void main() { fragment = vec4(colour, 1.0); }\n");
  GLFWProgram* all = registry.GetProgram("AllAttributes");
  glBindAttribLocation(all->programId, 2, "position");
  glBindAttribLocation(all->programId, 0, "position_normal");
  glBindAttribLocation(all->programId, 1, "position_tex");
  glLinkProgram(all->programId);
  GLint linked = 0;
  glGetProgramiv(all->programId, GL_LINK_STATUS, &linked);
  ASSERT_EQ(linked, 1);

  auto* drawable = new GLFWDrawableSky(&frame, &camera, &registry, "AllAttributes", kPlaneObjText,
                                       kPlaneMtlText, 1.0f);
  drawable->Init();
  FloatTarget target(200, 100);
  // Whatever another draw left behind: every attribute off.
  for (GLuint index = 0; index < 3; ++index) glDisableVertexAttribArray(index);

  DrawRecordingAttributes(drawable);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // Each attribute enabled, then pointed at its block of the 96-byte record.
  const AttributeCall expected[] = {
      {'e', 2, 0, 0, 0, 0}, {'p', 2, 3, 96, 0, 0},   // position
      {'e', 0, 0, 0, 0, 0}, {'p', 0, 3, 96, 20, 0},  // position_normal
      {'e', 1, 0, 0, 0, 0}, {'p', 1, 2, 96, 12, 0},  // position_tex
  };
  ASSERT_EQ(attributeCallCount, 6);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(attributeCalls[i].kind, expected[i].kind);
    EXPECT_EQ(attributeCalls[i].index, expected[i].index);
    EXPECT_EQ(attributeCalls[i].components, expected[i].components);
    EXPECT_EQ(attributeCalls[i].stride, expected[i].stride);
    EXPECT_EQ(attributeCalls[i].offset, expected[i].offset);
    EXPECT_EQ(attributeCalls[i].vertexArray, 0) << "a vertex array object was bound";
  }

  // The context's own state after the draw: no vertex array object, and the
  // default one holds the three enabled attributes on the drawable's buffer.
  EXPECT_EQ(BoundVertexArray(), 0);
  const struct {
    GLuint index;
    GLint components;
    std::uintptr_t offset;
  } state[] = {{2, 3, 0}, {0, 3, 20}, {1, 2, 12}};
  for (const auto& attribute : state) {
    SCOPED_TRACE(attribute.index);
    GLint enabled = 0, components = 0, stride = 0, buffer = 0;
    void* pointer = nullptr;
    glGetVertexAttribiv(attribute.index, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glGetVertexAttribiv(attribute.index, GL_VERTEX_ATTRIB_ARRAY_SIZE, &components);
    glGetVertexAttribiv(attribute.index, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
    glGetVertexAttribiv(attribute.index, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
    glGetVertexAttribPointerv(attribute.index, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
    EXPECT_EQ(enabled, GL_TRUE);
    EXPECT_EQ(components, attribute.components);
    EXPECT_EQ(stride, 96);
    EXPECT_EQ(static_cast<GLuint>(buffer), drawable->buffer->arrayBuffer);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pointer), attribute.offset);
  }

  // The probe program does not read "position_normal": its location is -1
  // and it is passed over, so a draw with it enables two attributes.
  GLFWDrawableSky* probe = MakeDrawable();
  DrawRecordingAttributes(probe);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  ASSERT_EQ(attributeCallCount, 4);
  EXPECT_EQ(attributeCalls[0].index, static_cast<GLuint>(program->GetAttribLocation("position")));
  EXPECT_EQ(attributeCalls[2].index, static_cast<GLuint>(program->GetAttribLocation("position_tex")));
  EXPECT_EQ(attributeCalls[3].offset, 12u);
}

TEST_F(DrawableGl, DrawDoesNotAllocateOnceWarm) {
  GLFWDrawableSky* drawable = MakeDrawable();
  FloatTarget target(200, 100);
  drawable->SetModel(Translate(100.0f, 50.0f, 0.0f) * Scale(100.0f, 100.0f, 1.0f));
  drawable->Draw();  // first draw: the location cache fills
  drawable->Draw();
  glFinish();

  allocations = 0;
  countAllocations = true;
  for (int i = 0; i < 20; ++i) {
    drawable->SetTile(i % 2, 4 + i % 6, 0.1f * i, 0.2f, 1.0f, 9.0f * i);
    drawable->SetModel(Translate(100.0f, 50.0f, 0.0f) * Scale(100.0f, 100.0f, 1.0f) *
                       RotateEuler(9.0f * i, 0.0f, 0.0f) * Translate(0.0f, 2.66f, 0.0f));
    frame.time += 0.016f;
    drawable->Draw();
  }
  countAllocations = false;
  glFinish();
  EXPECT_EQ(allocations.load(), 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// ---------------------------------------------------------------------------
// The scene

double sceneTimer = 0.0;
bool sceneTwelveHour = false;
double SceneTimer() { return sceneTimer; }
double sceneWallAt10 = 12 * 3600 + 34 * 60 + 56.3;  // the wall clock when the timer shows 10
double SceneWall() { return sceneWallAt10 + (sceneTimer - 10.0); }
bool SceneTwelveHour() { return sceneTwelveHour; }

// The window's picture: a 4x multisampled colour and depth target like the
// window's, resolved into a single-sampled one to be read.
class SceneTarget {
 public:
  SceneTarget(int width, int height) : width_(width), height_(height) {
    complete_ = kept_.Resize(width, height);
    glGenRenderbuffers(1, &shownBuffer_);
    glGenFramebuffers(1, &shown_);
    glBindRenderbuffer(GL_RENDERBUFFER, shownBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, shown_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, shownBuffer_);
    complete_ = complete_ && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  }
  ~SceneTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &shown_);
    glDeleteRenderbuffers(1, &shownBuffer_);
  }
  bool Complete() const { return complete_; }
  // Drawing goes to the kept, multisampled picture.
  void Bind() { kept_.Bind(); }
  // Resolves `region` of it into the single-sampled picture shown, as a
  // window that keeps its picture does; the rest stays as it was.
  void Show(const PixelRect& region) {
    kept_.Resolve(region.x, region.y, region.width, region.height, shown_);
  }
  // The picture shown, RGBA, bottom row first; with `whole`, all of the kept
  // picture is shown first.
  void Read(std::vector<unsigned char>* pixels, bool whole = true) {
    if (whole) Show(PixelRect{0, 0, width_, height_});
    pixels->resize(static_cast<std::size_t>(width_) * height_ * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, shown_);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels->data());
    Bind();
  }

 private:
  int width_;
  int height_;
  KeptFrame kept_;
  GLuint shownBuffer_ = 0;
  GLuint shown_ = 0;
  bool complete_ = false;
};

// The scene on the simulated clock, assembled once for the whole binary.
void AssembleTestScene() {
  static bool assembled = false;
  ClockTimeSource = {SceneTimer, SceneWall, SceneTwelveHour};
  SetRenderStartState();
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  if (!assembled) AssembleScene(0, ClickSound::kInMemory);
  assembled = true;
}

// Frames of the whole scene at 60 Hz from 12:34:56.3 to 12:34:57.6 (rest, a
// flip at the half second, the landed flap, the resting digits' turn, rest),
// drawn as the Windows modes draw every one of them, 4x multisampled like the
// window. A run that presents only changed faces skips each frame whose
// signature equals the one before: that frame's pixels must be the very
// bytes already on the window, though its "iTime" differs.
TEST_F(RenderGl, FramesOfEqualFaceSignaturesAreTheSameBytes) {
  constexpr int kWidth = 320, kHeight = 180;
  SceneTarget target(kWidth, kHeight);
  ASSERT_TRUE(target.Complete());

  const TimeSource real = ClockTimeSource;
  SetViewSize(kWidth, kHeight);
  AssembleTestScene();

  std::vector<unsigned char> shown, drawn;
  FaceSignature shownFace, face;
  int skipped = 0, presented = 0;
  allocations = 0;
  for (int frame = 0; frame <= 78; ++frame) {
    sceneTimer = 10.0 + frame / 60.0;
    countAllocations = frame > 0;  // what every iteration does, drawn or not (the driver's
    AdvanceFrame();                // first uses of a state may allocate while it paints)
    TakeFaceSignature(&face);
    const bool same = frame > 0 && SameFace(face, shownFace);
    countAllocations = false;
    target.Bind();
    PaintFrame();
    target.Read(&drawn);
    if (same) {
      ++skipped;
      ASSERT_TRUE(drawn == shown) << "frame " << frame << " at ClockTime " << Clock.frameTime
                                  << " has the face of the one before but not its pixels";
    } else {
      ++presented;
      shown.swap(drawn);
      shownFace = face;
    }
  }
  ClockTimeSource = real;
  // At rest for 0.7 s and landed for 0.2 s; the flaps fall for 0.4 s.
  EXPECT_GE(skipped, 45);
  EXPECT_GE(presented, 20);
  EXPECT_EQ(allocations.load(), 0) << "advancing the clock or taking the face allocated";
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Where the row of tiles fits the window (16:9 and wider, in both layouts)
// the clock is drawn exactly as the layout places it: the very bytes of a
// frame whose halves are put by their own model matrices alone, unscaled.
TEST_F(RenderGl, ScreensWhereTheClockFitsKeepTheirPixels) {
  const TimeSource real = ClockTimeSource;
  for (const auto& [width, height] : {std::pair{1920, 1080}, std::pair{2560, 1080}}) {
    SceneTarget target(width, height);
    ASSERT_TRUE(target.Complete());
    SetViewSize(width, height);
    for (const bool twelveHour : {false, true}) {
      // The seconds' flaps 0.15 s into their fall, over the resting halves.
      sceneTwelveHour = twelveHour;
      AssembleTestScene();
      Clock = ClockState{};
      for (const double timer : {10.3, 10.45}) {
        sceneTimer = timer;
        AdvanceFrame();
      }
      std::vector<unsigned char> fitted, unscaled;
      target.Bind();
      PaintFrame();
      target.Read(&fitted);

      target.Bind();
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      Scene.backgroundSky->SetModel(Translate(0.0f, 0.0f, -300.0f));
      glBindTexture(GL_TEXTURE_2D, Scene.backgroundAtlas->GetTextureId());
      Scene.backgroundSky->Draw();
      glBindTexture(GL_TEXTURE_2D, Scene.digitAtlas->GetTextureId());
      TileHalf halves[kMaxTileHalves];
      const int count = ListTileHalves(halves);
      ASSERT_GT(count, twelveHour ? 16 : 12);
      for (int i = 0; i < count; ++i) {
        const TileHalf& h = halves[i];
        const GlyphCell& cell = GlyphCells[h.glyph];
        Scene.digitSky->SetModel(
            TileHalfModel(TileColumns[twelveHour][h.slot], h.hingeY, h.z, h.f, h.angle));
        Scene.digitSky->SetTile(h.isAnimator, h.slot, cell.tile_top, cell.tile_left, h.tileMode,
                                h.angle);
        Scene.digitSky->Draw();
      }
      target.Read(&unscaled);
      EXPECT_TRUE(fitted == unscaled) << width << "x" << height << (twelveHour ? " 12" : " 24")
                                      << "-hour: the fit moved the clock where it fits";
    }
  }
  ClockTimeSource = real;
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Drawing only the FaceDamage of each new face over the frame before gives
// the very bytes of a whole frame: at 30 frames a second through a seconds'
// flip in 12-hour mode at 4:3 (the clock fitted), and through 09:59:59 ->
// 10:00:00 in 24-hour mode, where every pair turns.
TEST_F(RenderGl, FramesDrawnInPartAreTheWholeFrames) {
  const TimeSource real = ClockTimeSource;
  struct Run { int width, height; bool twelveHour; double wall; int widest; };  // pixels across
  for (const Run& run : {Run{400, 300, true, 12 * 3600 + 34 * 60 + 56.7, 110},
                         Run{480, 270, false, 9 * 3600 + 59 * 60 + 59.7, 360}}) {
    SceneTarget kept(run.width, run.height), whole(run.width, run.height);
    ASSERT_TRUE(kept.Complete() && whole.Complete());
    SetViewSize(run.width, run.height);
    sceneTwelveHour = run.twelveHour;
    sceneWallAt10 = run.wall;
    AssembleTestScene();
    Clock = ClockState{};
    std::vector<unsigned char> part, full;
    FaceSignature shown, face;
    int inPart = 0;
    for (int frame = 0; frame <= 30; ++frame) {
      sceneTimer = 10.0 + frame / 30.0;
      AdvanceFrame();
      TakeFaceSignature(&face);
      kept.Bind();
      if (frame == 0) {
        PaintFrame();
        kept.Show(PixelRect{0, 0, run.width, run.height});
      } else if (!SameFace(face, shown)) {
        const PixelRect region = FaceDamage(shown, face);
        EXPECT_LE(region.width, run.widest) << "frame " << frame;
        inPart += region.width < run.width;
        PaintFrameRegion(region);
        kept.Show(region);
      }
      shown = face;
      whole.Bind();
      PaintFrame();
      kept.Read(&part, false);
      whole.Read(&full);
      EXPECT_TRUE(part == full) << run.width << "x" << run.height << " frame " << frame
                                << ": bytes left from an earlier frame";
      if (part != full) break;
    }
    EXPECT_GE(inPart, 10);
  }
  sceneWallAt10 = 12 * 3600 + 34 * 60 + 56.3;
  sceneTwelveHour = false;
  ClockTimeSource = real;
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Every pixel that differs between two frames lies inside the damage of their
// faces: frame to frame at 30 fps from rest through a seconds' flip (12-hour
// and fitted too) and its turn, and the rectangle is far from the whole
// window. A new size is the whole window.
TEST_F(RenderGl, FaceDamageHoldsEveryPixelThatChanged) {
  const TimeSource real = ClockTimeSource;
  struct Run { int width, height; bool twelveHour; };
  for (const Run& run : {Run{640, 360, false}, Run{400, 300, true}}) {
    SCOPED_TRACE(testing::Message() << run.width << "x" << run.height);
    SceneTarget target(run.width, run.height);
    ASSERT_TRUE(target.Complete());
    SetViewSize(run.width, run.height);
    sceneTwelveHour = run.twelveHour;
    AssembleTestScene();
    Clock = ClockState{};
    std::vector<unsigned char> before, after;
    FaceSignature shown, face;
    int changed = 0, outside = 0, largest = 0;
    for (int frame = 0; frame <= 24; ++frame) {
      sceneTimer = 10.0 + frame / 30.0;  // 12:34:56.3 to 57.1
      AdvanceFrame();
      TakeFaceSignature(&face);
      target.Bind();
      PaintFrame();
      target.Read(&after);
      if (frame > 0) {
        const PixelRect r = FaceDamage(shown, face);
        largest = std::max(largest, r.width * r.height);
        for (int y = 0; y < run.height; ++y) {
          for (int x = 0; x < run.width; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * run.width + x) * 4;
            if (std::equal(&after[at], &after[at] + 4, &before[at])) continue;
            ++changed;
            outside += x < r.x || x >= r.x + r.width || y < r.y || y >= r.y + r.height;
          }
        }
      }
      shown = face;
      before.swap(after);
    }
    EXPECT_EQ(outside, 0) << "of " << changed << " changed pixels";
    EXPECT_GT(changed, 0);
    EXPECT_LT(largest, run.width * run.height / 8);
    shown.height -= 1;
    const PixelRect all = FaceDamage(shown, face);
    EXPECT_TRUE(all.x == 0 && all.y == 0 && all.width == run.width && all.height == run.height);
  }
  sceneTwelveHour = false;
  ClockTimeSource = real;
}

}  // namespace
