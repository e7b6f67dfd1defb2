#include "render/Texture.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>

namespace {

// EXT_texture_filter_anisotropic.
constexpr GLenum kTextureMaxAnisotropy = 0x84FE;
constexpr GLenum kMaxTextureMaxAnisotropy = 0x84FF;

bool HasExtension(const char* name) {
  if (glGetStringi == nullptr) return false;
  GLint count = 0;
  glGetIntegerv(GL_NUM_EXTENSIONS, &count);
  for (GLint i = 0; i < count; ++i) {
    const auto* extension =
        reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
    if (extension != nullptr && std::strcmp(extension, name) == 0) return true;
  }
  return false;
}

// glTexStorage2D is OpenGL 4.2 (or ARB_texture_storage); the 3.0 context we
// ask for need not have it. A null pointer is never called, and on GLX a
// non-null one proves nothing (the lookup answers every name), so the
// context's version or extension list decides.
bool HasTexStorage() {
  if (glTexStorage2D == nullptr) return false;
  GLint major = 0;
  GLint minor = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  if (major > 4 || (major == 4 && minor >= 2)) return true;
  return HasExtension("GL_ARB_texture_storage");
}

// The texture made and bound on unit 0, storage for level 0 reserved.
// Immutable storage of TextureLevelCount levels where the context offers it;
// otherwise level 0 alone is allocated by glTexImage2D when the texels are
// written. Either way only level 0 is ever filled or sampled (the maximum
// level is 0), so the two look the same to a shader.
GLFWTexture* BeginTexture(int size, bool immutable) {
  auto* texture = new GLFWTexture;
  glGenTextures(1, &texture->textureId);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture->textureId);
  if (immutable) glTexStorage2D(GL_TEXTURE_2D, TextureLevelCount(size), GL_RGBA32F, size, size);
  return texture;
}

void WriteLevelZero(const float* pixels, int size, bool immutable) {
  if (immutable) {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, size, size, GL_RGBA, GL_FLOAT, pixels);
  } else {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, size, size, 0, GL_RGBA, GL_FLOAT, pixels);
  }
}

void FinishTexture() {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);

  // The highest anisotropy the driver offers. Without the extension the
  // maximum stays 0 and the driver refuses the parameter: plain bilinear.
  float maxAnisotropy = 0.0f;
  glGetFloatv(kMaxTextureMaxAnisotropy, &maxAnisotropy);
  glTexParameterf(GL_TEXTURE_2D, kTextureMaxAnisotropy, maxAnisotropy);
}

}  // namespace

int TextureLevelCount(int size) {
  int levels = 0;
  while (size > 1) {
    size >>= 1;
    ++levels;
  }
  return std::max(levels, 1);
}

GLFWTexture* GLFWTexture::CreateFromBitmap(int bitmapId, int size) {
  const bool immutable = HasTexStorage();
  GLFWTexture* texture = BeginTexture(size, immutable);

  // The 64 MiB staging array of a 2048 picture lives only until the texels
  // are in the texture. A bitmap that cannot be read leaves it black.
  const std::size_t count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4;
  std::unique_ptr<float[]> pixels(new float[count]);
  if (!ReadBitmapPixels(pixels.get(), bitmapId, size, size)) {
    std::fill(pixels.get(), pixels.get() + count, 0.0f);
  }
  WriteLevelZero(pixels.get(), size, immutable);
  FinishTexture();
  return texture;
}

GLFWTexture* GLFWTexture::CreateFromPixels(const float* pixels, int size) {
  const bool immutable = HasTexStorage();
  GLFWTexture* texture = BeginTexture(size, immutable);
  WriteLevelZero(pixels, size, immutable);
  FinishTexture();
  return texture;
}
