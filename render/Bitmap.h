// Device-independent bitmaps as the resource store keeps them: a 40-byte
// BITMAPINFOHEADER followed directly by the pixel rows (no file header, no
// colour table). Only uncompressed 24- and 32-bit pictures are accepted.
#pragma once

#include <cstddef>
#include <cstdint>

struct DibImage {
  int width = 0;
  int height = 0;        // rows, always positive here
  bool bottomUp = true;  // stored height positive: the first row is the bottom one
  int bitsPerPixel = 0;  // 24 or 32
  std::size_t stride = 0;  // bytes per stored row (rounded up to 4)
  const unsigned char* rows = nullptr;

  // Blue, green, red bytes of the pixel in picture row y (0 = bottom row),
  // column x. Callers keep to 0 <= x < width, 0 <= y < height.
  const unsigned char* Pixel(int x, int y) const {
    const int stored = bottomUp ? y : height - 1 - y;
    return rows + static_cast<std::size_t>(stored) * stride +
           static_cast<std::size_t>(x) * static_cast<std::size_t>(bitsPerPixel / 8);
  }
};

// Checks the header and that every row lies within the `size` bytes;
// false for anything else (other depths, compression, colour tables,
// sizes beyond 32768, truncated data).
bool ParseDib(const unsigned char* data, std::size_t size, DibImage* image);

// Decodes `rowCount` picture rows from `firstRow` on (0 = bottom row) into
// float RGBA texels, width * 4 floats per row: channel = byte / 255,
// alpha 1. One pass, one table look-up per channel. Callers keep the rows
// within the image.
void DecodeDibRows(const DibImage& image, int firstRow, int rowCount, float* texels);

// Decodes a width x height picture into float RGBA texels: texel (x, y) at
// index (y * width + x) * 4, row 0 = bottom row, channel = byte / 255 and
// alpha 1. False, with `pixels` untouched, when the bitmap is not of that
// size or not a valid 24/32-bit DIB.
bool DecodeDibToFloatRgba(const unsigned char* data, std::size_t size, int width, int height,
                          float* pixels);
