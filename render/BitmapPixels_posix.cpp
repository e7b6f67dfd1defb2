// Texels of a bitmap resource without GDI: the stored DIB (header and rows,
// bottom row first) is decoded straight from the embedded bytes.
#include "render/Bitmap.h"
#include "render/Resources.h"
#include "render/Texture.h"

bool ReadBitmapPixels(float* pixels, int bitmapId, int width, int height) {
  if (bitmapId < 0 || bitmapId > 0xFFFF) return false;
  const auto view = FindEmbeddedResource(kBitmapResource, static_cast<std::uint16_t>(bitmapId));
  if (!view) return false;
  // The decoder checks the header against width x height and every row
  // against the resource's real length before it reads a byte of pixels.
  return DecodeDibToFloatRgba(view->data, view->size, width, height, pixels);
}
