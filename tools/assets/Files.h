// File formats written by the art generator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assets/Raster.h"

namespace art {

using Bytes = std::vector<std::uint8_t>;

// BMP file (14-byte file header, BITMAPINFOHEADER, bottom-up rows, two
// trailing zero bytes counted in the image size), dithered to 8 bits.
Bytes EncodeBmp(const Image& img, int bitsPerPixel, std::uint32_t ditherSeed);

// RIFF WAVE, PCM, one channel, 44,100 Hz, 16 bits; samples in [-1, 1].
Bytes EncodeWav(const std::vector<float>& samples);

// One icon picture: premultiplied colour and coverage.
struct IconPicture {
  Image colour;
  std::vector<float> alpha;
};
// An icon file holding each picture at 4, 8 and 32 bits per pixel.
Bytes EncodeIco(const std::vector<IconPicture>& pictures);

// Uncompressed (stored-block) PNG, 8-bit RGB, for previews.
Bytes EncodePng(const Image& img);

bool WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace art
