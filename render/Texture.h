// A square bitmap resource as a 2D texture of 32-bit float RGBA texels.
#pragma once

#include <vector>

#include "render/Bitmap.h"
#include "shell/GlEntryPoints.h"

class GLFWTexture {
 public:
  // The bitmap must be size x size pixels, size from 1 to 2048 (the clock
  // uses 2048).
  // Leaves the texture bound to GL_TEXTURE_2D on texture unit 0.
  static GLFWTexture* CreateFromBitmap(int bitmapId, int size);

  // The same from a bitmap already opened, of any size from 1 to 2048 (the
  // image must be size x size); null gives a black texture.
  static GLFWTexture* CreateFromImage(const DibImage* image, int size);

  // The same texture from size x size float RGBA texels already in memory
  // (row 0 = the bottom row); the texels are copied, the caller keeps them.
  static GLFWTexture* CreateFromPixels(const float* pixels, int size);

  GLuint GetTextureId() const { return textureId; }

  GLuint textureId = 0;
};

// Storage levels for a texture of `size` texels: log2(size), at least 1.
int TextureLevelCount(int size);

// Platform seam (BitmapPixels_posix.cpp / _win32.cpp): the rows of a bitmap
// resource as a 24- or 32-bit DIB image, row 0 = the picture's bottom row.
// Where the platform has to copy them out (GDI), `storage` keeps the copy;
// on Linux the image points straight into the embedded bytes. False when
// the bitmap is missing or not width x height.
bool OpenBitmapImage(int bitmapId, int width, int height, DibImage* image,
                     std::vector<unsigned char>* storage);

// Fills width x height float RGBA texels (row 0 = the picture's bottom row)
// from the bitmap resource. False, with the pixels left as they were, when
// the bitmap is missing or not of that size.
bool ReadBitmapPixels(float* pixels, int bitmapId, int width, int height);
