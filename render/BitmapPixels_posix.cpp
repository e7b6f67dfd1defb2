// Bitmap rows without GDI: the stored DIB (header and rows, bottom row
// first) is read straight from the embedded bytes.
#include "render/Bitmap.h"
#include "render/Resources.h"
#include "render/Texture.h"

bool OpenBitmapImage(int bitmapId, int width, int height, DibImage* image,
                     std::vector<unsigned char>* /*storage*/) {
  if (bitmapId < 0 || bitmapId > 0xFFFF) return false;
  const auto view = FindEmbeddedResource(kBitmapResource, static_cast<std::uint16_t>(bitmapId));
  if (!view) return false;
  // The header is checked against width x height, and every row against the
  // resource's real length, before a byte of pixels is read.
  DibImage parsed;
  if (!ParseDib(view->data, view->size, &parsed) || parsed.width != width || parsed.height != height) {
    return false;
  }
  *image = parsed;
  return true;
}
