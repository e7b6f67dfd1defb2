#include "tools/assets/Files.h"

#include <array>
#include <cstdio>

namespace art {
namespace {

void Put8(Bytes& b, unsigned v) { b.push_back(static_cast<std::uint8_t>(v & 255)); }
void Put16(Bytes& b, unsigned v) {
  Put8(b, v);
  Put8(b, v >> 8);
}
void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xffff);
  Put16(b, v >> 16);
}
void PutTag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; ++i) Put8(b, static_cast<unsigned char>(tag[i]));
}
void Put32Be(Bytes& b, std::uint32_t v) {
  Put8(b, v >> 24);
  Put8(b, v >> 16);
  Put8(b, v >> 8);
  Put8(b, v);
}

void PutInfoHeader(Bytes& b, int width, int height, int bits, std::uint32_t imageSize, unsigned coloursUsed) {
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, static_cast<unsigned>(bits));
  Put32(b, 0);  // BI_RGB
  Put32(b, imageSize);
  Put32(b, imageSize ? 2835 : 0);
  Put32(b, imageSize ? 2835 : 0);
  Put32(b, coloursUsed);
  Put32(b, 0);
}

// ---------------------------------------------------------------- icon palettes

struct Colour8 {
  int r, g, b;
};

// A palette of at most `count` colours for the opaque pixels, by k-means
// seeded from the colours sorted by brightness (deterministic).
std::vector<Colour8> BuildPalette(const std::vector<Colour8>& pixels, size_t count) {
  std::vector<Colour8> unique;
  for (const Colour8& c : pixels) {
    bool seen = false;
    for (const Colour8& u : unique) seen = seen || (u.r == c.r && u.g == c.g && u.b == c.b);
    if (!seen) unique.push_back(c);
  }
  if (unique.size() <= count) return unique;
  std::vector<Colour8> sorted = pixels;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Colour8& a, const Colour8& b) {
    return a.r * 3 + a.g * 6 + a.b < b.r * 3 + b.g * 6 + b.b;
  });
  std::vector<std::array<float, 3>> centres(count);
  for (size_t k = 0; k < count; ++k) {
    const Colour8& c = sorted[(2 * k + 1) * sorted.size() / (2 * count)];
    centres[k] = {static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b)};
  }
  for (int iteration = 0; iteration < 16; ++iteration) {
    std::vector<std::array<double, 4>> sums(count, {0, 0, 0, 0});
    for (const Colour8& c : pixels) {
      size_t best = 0;
      float bestD = 1e30f;
      for (size_t k = 0; k < count; ++k) {
        const float dr = c.r - centres[k][0], dg = c.g - centres[k][1], db = c.b - centres[k][2];
        const float d = dr * dr * 0.3f + dg * dg * 0.59f + db * db * 0.11f;
        if (d < bestD) {
          bestD = d;
          best = k;
        }
      }
      sums[best][0] += c.r;
      sums[best][1] += c.g;
      sums[best][2] += c.b;
      sums[best][3] += 1;
    }
    for (size_t k = 0; k < count; ++k)
      if (sums[k][3] > 0)
        for (int ch = 0; ch < 3; ++ch) centres[k][ch] = static_cast<float>(sums[k][ch] / sums[k][3]);
  }
  std::vector<Colour8> palette;
  for (const auto& c : centres)
    palette.push_back({static_cast<int>(c[0] + 0.5f), static_cast<int>(c[1] + 0.5f), static_cast<int>(c[2] + 0.5f)});
  return palette;
}

Colour8 Straight(const IconPicture& pic, int x, int y) {
  const float a = pic.alpha[static_cast<size_t>(y) * pic.colour.width + x];
  const Rgb c = a > 0 ? pic.colour.At(x, y) * (1.0f / a) : Rgb{};
  auto q = [](float v) { return static_cast<int>(Clamp(v * 255.0f + 0.5f, 0, 255)); };
  return {q(c.r), q(c.g), q(c.b)};
}

// One icon image (BITMAPINFOHEADER, palette, XOR bits, AND mask).
Bytes EncodeIconImage(const IconPicture& pic, int bits) {
  const int n = pic.colour.width;
  const size_t xorStride = ((static_cast<size_t>(n) * bits + 31) / 32) * 4;
  const size_t andStride = ((static_cast<size_t>(n) + 31) / 32) * 4;
  const unsigned paletteSize = bits <= 8 ? (1u << bits) : 0;
  Bytes b;
  PutInfoHeader(b, n, 2 * n, bits, static_cast<std::uint32_t>((xorStride + andStride) * n), 0);
  std::vector<Colour8> opaque;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if (pic.alpha[static_cast<size_t>(y) * n + x] >= 0.5f) opaque.push_back(Straight(pic, x, y));
  std::vector<Colour8> palette;
  if (paletteSize) {
    palette.push_back({0, 0, 0});  // index 0: behind the mask
    for (const Colour8& c : BuildPalette(opaque, paletteSize - 1)) palette.push_back(c);
    palette.resize(paletteSize, Colour8{0, 0, 0});
    for (const Colour8& c : palette) {
      Put8(b, static_cast<unsigned>(c.b));
      Put8(b, static_cast<unsigned>(c.g));
      Put8(b, static_cast<unsigned>(c.r));
      Put8(b, 0);
    }
  }
  for (int row = n - 1; row >= 0; --row) {
    Bytes line(xorStride, 0);
    for (int x = 0; x < n; ++x) {
      const float a = pic.alpha[static_cast<size_t>(row) * n + x];
      const Colour8 c = Straight(pic, x, row);
      if (bits == 32) {
        line[x * 4 + 0] = static_cast<std::uint8_t>(a > 0 ? c.b : 0);
        line[x * 4 + 1] = static_cast<std::uint8_t>(a > 0 ? c.g : 0);
        line[x * 4 + 2] = static_cast<std::uint8_t>(a > 0 ? c.r : 0);
        line[x * 4 + 3] = static_cast<std::uint8_t>(Clamp(a * 255.0f + 0.5f, 0, 255));
        continue;
      }
      unsigned index = 0;
      if (a >= 0.5f) {
        int best = 1 << 30;
        for (size_t k = 1; k < palette.size(); ++k) {
          const int dr = c.r - palette[k].r, dg = c.g - palette[k].g, db = c.b - palette[k].b;
          const int d = dr * dr * 3 + dg * dg * 6 + db * db;
          if (d < best) {
            best = d;
            index = static_cast<unsigned>(k);
          }
        }
      }
      if (bits == 8) {
        line[x] = static_cast<std::uint8_t>(index);
      } else {
        line[x / 2] |= static_cast<std::uint8_t>(x % 2 ? index : index << 4);
      }
    }
    b.insert(b.end(), line.begin(), line.end());
  }
  for (int row = n - 1; row >= 0; --row) {
    Bytes line(andStride, 0);
    for (int x = 0; x < n; ++x)
      if (pic.alpha[static_cast<size_t>(row) * n + x] < 0.5f) line[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    b.insert(b.end(), line.begin(), line.end());
  }
  return b;
}

std::uint32_t Crc32(const std::uint8_t* data, size_t size, std::uint32_t crc = 0) {
  static std::uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xedb88320U ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    ready = true;
  }
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 255] ^ (crc >> 8);
  return ~crc;
}

void PutChunk(Bytes& png, const char* tag, const Bytes& data) {
  Put32Be(png, static_cast<std::uint32_t>(data.size()));
  const size_t start = png.size();
  PutTag(png, tag);
  png.insert(png.end(), data.begin(), data.end());
  Put32Be(png, Crc32(png.data() + start, png.size() - start));
}

}  // namespace

Bytes EncodeBmp(const Image& img, int bitsPerPixel, std::uint32_t ditherSeed) {
  const int bpp = bitsPerPixel / 8;
  const size_t stride = ((static_cast<size_t>(img.width) * bpp) + 3) & ~static_cast<size_t>(3);
  const std::uint32_t imageSize = static_cast<std::uint32_t>(stride * img.height + 2);
  Bytes b;
  b.reserve(54 + imageSize);
  Put8(b, 'B');
  Put8(b, 'M');
  Put32(b, 54 + imageSize);
  Put32(b, 0);
  Put32(b, 54);
  PutInfoHeader(b, img.width, img.height, bitsPerPixel, imageSize, 0);
  for (int row = img.height - 1; row >= 0; --row) {
    const size_t start = b.size();
    for (int x = 0; x < img.width; ++x) {
      const Rgb& c = img.At(x, row);
      Put8(b, Quantise(c.b, x, row, 2, ditherSeed));
      Put8(b, Quantise(c.g, x, row, 1, ditherSeed));
      Put8(b, Quantise(c.r, x, row, 0, ditherSeed));
      if (bpp == 4) Put8(b, 255);
    }
    b.resize(start + stride, 0);
  }
  Put16(b, 0);
  return b;
}

Bytes EncodeWav(const std::vector<float>& samples) {
  const std::uint32_t dataSize = static_cast<std::uint32_t>(samples.size() * 2);
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, 36 + dataSize);
  PutTag(b, "WAVE");
  PutTag(b, "fmt ");
  Put32(b, 16);
  Put16(b, 1);
  Put16(b, 1);
  Put32(b, 44100);
  Put32(b, 88200);
  Put16(b, 2);
  Put16(b, 16);
  PutTag(b, "data");
  Put32(b, dataSize);
  for (size_t i = 0; i < samples.size(); ++i) {
    // Triangular dither of one step before rounding to 16 bits.
    const std::uint32_t h = Hash(static_cast<std::uint32_t>(i) * 2654435761U + 99U);
    const float dither = Unit(h) - Unit(Hash(h + 1));
    const float v = std::floor(Clamp(samples[i], -1.0f, 1.0f) * 32767.0f + 0.5f + dither);
    const int s = static_cast<int>(Clamp(v, -32767.0f, 32767.0f));
    Put16(b, static_cast<unsigned>(static_cast<std::uint16_t>(static_cast<std::int16_t>(s))));
  }
  return b;
}

Bytes EncodeIco(const std::vector<IconPicture>& pictures) {
  static const int kBits[3] = {4, 8, 32};
  std::vector<Bytes> images;
  std::vector<std::pair<int, int>> entries;  // size, bits
  for (int bits : kBits)
    for (const IconPicture& pic : pictures) {
      images.push_back(EncodeIconImage(pic, bits));
      entries.push_back({pic.colour.width, bits});
    }
  Bytes b;
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const int size = entries[i].first, bits = entries[i].second;
    Put8(b, static_cast<unsigned>(size));
    Put8(b, static_cast<unsigned>(size));
    Put8(b, bits == 4 ? 16 : 0);
    Put8(b, 0);
    Put16(b, 1);
    Put16(b, static_cast<unsigned>(bits));
    Put32(b, static_cast<std::uint32_t>(images[i].size()));
    Put32(b, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const Bytes& image : images) b.insert(b.end(), image.begin(), image.end());
  return b;
}

Bytes EncodePng(const Image& img) {
  Bytes raw;
  raw.reserve(static_cast<size_t>(img.height) * (img.width * 3 + 1));
  for (int y = 0; y < img.height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < img.width; ++x) {
      const Rgb& c = img.At(x, y);
      raw.push_back(Quantise(c.r, x, y, 0, 1));
      raw.push_back(Quantise(c.g, x, y, 1, 1));
      raw.push_back(Quantise(c.b, x, y, 2, 1));
    }
  }
  Bytes z{0x78, 0x01};
  std::uint32_t a = 1, s = 0;
  for (std::uint8_t v : raw) {
    a = (a + v) % 65521;
    s = (s + a) % 65521;
  }
  for (size_t pos = 0; pos < raw.size() || pos == 0; pos += 65535) {
    const size_t len = std::min<size_t>(65535, raw.size() - pos);
    Put8(z, pos + len >= raw.size() ? 1 : 0);
    Put16(z, static_cast<unsigned>(len));
    Put16(z, static_cast<unsigned>(~len & 0xffff));
    z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + len));
  }
  Put32Be(z, (s << 16) | a);
  Bytes png{0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
  Bytes header;
  Put32Be(header, static_cast<std::uint32_t>(img.width));
  Put32Be(header, static_cast<std::uint32_t>(img.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", z);
  PutChunk(png, "IEND", {});
  return png;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool wrote = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return (std::fclose(f) == 0) && wrote;
}

}  // namespace art
