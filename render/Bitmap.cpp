#include "render/Bitmap.h"

#include <array>

namespace {

std::uint32_t ReadU32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t ReadU16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr std::size_t kHeaderSize = 40;
constexpr std::int32_t kMaxDimension = 32768;

}  // namespace

bool ParseDib(const unsigned char* data, std::size_t size, DibImage* image) {
  if (data == nullptr || size < kHeaderSize) return false;
  if (ReadU32(data) != kHeaderSize) return false;
  const auto width = static_cast<std::int32_t>(ReadU32(data + 4));
  const auto height = static_cast<std::int32_t>(ReadU32(data + 8));
  const std::uint16_t planes = ReadU16(data + 12);
  const std::uint16_t bits = ReadU16(data + 14);
  const std::uint32_t compression = ReadU32(data + 16);
  const std::uint32_t colorsUsed = ReadU32(data + 32);
  if (planes != 1 || (bits != 24 && bits != 32) || compression != 0 || colorsUsed != 0) {
    return false;
  }
  if (width <= 0 || width > kMaxDimension || height == 0 || height < -kMaxDimension ||
      height > kMaxDimension) {
    return false;
  }
  const int rows = height < 0 ? -height : height;
  const std::size_t stride = (static_cast<std::size_t>(width) * bits / 8 + 3) & ~std::size_t{3};
  if ((size - kHeaderSize) / stride < static_cast<std::size_t>(rows)) return false;

  image->width = width;
  image->height = rows;
  image->bottomUp = height > 0;
  image->bitsPerPixel = bits;
  image->stride = stride;
  image->rows = data + kHeaderSize;
  return true;
}

void DecodeDibRows(const DibImage& image, int firstRow, int rowCount, float* texels) {
  // The 256 possible bytes, divided once.
  static const auto scale = [] {
    std::array<float, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<float>(i / 255.0);
    return table;
  }();
  const std::size_t bytesPerPixel = static_cast<std::size_t>(image.bitsPerPixel / 8);
  float* out = texels;
  for (int y = firstRow; y < firstRow + rowCount; ++y) {
    const unsigned char* source = image.Pixel(0, y);
    for (int x = 0; x < image.width; ++x, source += bytesPerPixel, out += 4) {
      out[0] = scale[source[2]];
      out[1] = scale[source[1]];
      out[2] = scale[source[0]];
      out[3] = 1.0f;
    }
  }
}

bool DecodeDibToFloatRgba(const unsigned char* data, std::size_t size, int width, int height,
                          float* pixels) {
  DibImage image;
  if (!ParseDib(data, size, &image) || image.width != width || image.height != height) {
    return false;
  }
  DecodeDibRows(image, 0, height, pixels);
  return true;
}
