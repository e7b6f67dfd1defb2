// Bitmaps as the resource store keeps them: any bytes are either refused or
// decoded within their own length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "render/Bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DibImage image;
  if (!ParseDib(data, size, &image)) return 0;
  if (image.width <= 0 || image.height <= 0 || image.rows < data ||
      image.rows + image.stride * static_cast<std::size_t>(image.height) > data + size) {
    std::abort();
  }
  // Decode only modest pictures, so the fuzzer keeps its pace.
  if (static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) > (1u << 16)) return 0;
  std::vector<float> pixels(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4);
  if (!DecodeDibToFloatRgba(data, size, image.width, image.height, pixels.data())) std::abort();
  // A size other than the stored one is refused.
  if (DecodeDibToFloatRgba(data, size, image.width + 1, image.height, pixels.data())) std::abort();
  for (float value : pixels) {
    if (!(value >= 0.0f && value <= 1.0f)) std::abort();
  }
  return 0;
}
