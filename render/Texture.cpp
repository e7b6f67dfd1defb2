#include "render/Texture.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "render/Bitmap.h"

namespace {

// EXT_texture_filter_anisotropic.
constexpr GLenum kTextureMaxAnisotropy = 0x84FE;
constexpr GLenum kMaxTextureMaxAnisotropy = 0x84FF;

// glTexStorage2D is OpenGL 4.2 (or ARB_texture_storage); the 3.0 context we
// ask for need not have it. A null pointer is never called, and on GLX a
// non-null one proves nothing (the lookup answers every name), so the
// context's version or extension list decides.
bool HasTexStorage() {
  if (glTexStorage2D == nullptr) return false;
  // The version LoadGlEntryPoints read from the current context.
  if (glVersionMajor > 4 || (glVersionMajor == 4 && glVersionMinor >= 2)) return true;
  return HasGlExtension("GL_ARB_texture_storage");
}

// The texture made and bound on unit 0, with its storage: immutable, of
// TextureLevelCount levels, where the context offers it; otherwise level 0
// alone through glTexImage2D. Either way only level 0 is ever filled or
// sampled (the maximum level is 0), so the two look the same to a shader.
GLFWTexture* BeginTexture(int size) {
  auto* texture = new GLFWTexture;
  glGenTextures(1, &texture->textureId);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture->textureId);
  if (HasTexStorage()) {
    glTexStorage2D(GL_TEXTURE_2D, TextureLevelCount(size), GL_RGBA32F, size, size);
  } else {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, size, size, 0, GL_RGBA, GL_FLOAT, nullptr);
  }
  return texture;
}

// Rows decoded and uploaded per band: 64 rows of a 2048 picture are 2 MiB of
// floats. Filling a whole 64 MiB staging array first cost more in fresh
// pages than the decoding itself.
constexpr int kBandRows = 64;

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
  // A bitmap that cannot be read leaves the texture black.
  DibImage image;
  std::vector<unsigned char> storage;
  const bool readable = OpenBitmapImage(bitmapId, size, size, &image, &storage);
  return CreateFromImage(readable ? &image : nullptr, size);
}

GLFWTexture* GLFWTexture::CreateFromImage(const DibImage* image, int size) {
  GLFWTexture* texture = BeginTexture(size);

  // Level 0 is written band by band from the stored rows, bottom row first,
  // through one small staging array that lives only until the texels are
  // in the texture. The last band holds what is left of the picture, so a
  // size that is not a multiple of the band stops at its own last row.
  const int band = std::min(size, kBandRows);
  std::unique_ptr<float[]> texels(
      new float[static_cast<std::size_t>(size) * static_cast<std::size_t>(band) * 4]());
  for (int y = 0; y < size; y += band) {
    const int rows = std::min(band, size - y);
    if (image != nullptr) DecodeDibRows(*image, y, rows, texels.get());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y, size, rows, GL_RGBA, GL_FLOAT, texels.get());
  }
  FinishTexture();
  return texture;
}

GLFWTexture* GLFWTexture::CreateFromPixels(const float* pixels, int size) {
  GLFWTexture* texture = BeginTexture(size);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, size, size, GL_RGBA, GL_FLOAT, pixels);
  FinishTexture();
  return texture;
}

bool ReadBitmapPixels(float* pixels, int bitmapId, int width, int height) {
  DibImage image;
  std::vector<unsigned char> storage;
  if (!OpenBitmapImage(bitmapId, width, height, &image, &storage)) return false;
  DecodeDibRows(image, 0, height, pixels);
  return true;
}
