// The generated art as the program embeds it: picture formats, what the
// tile program relies on in the glyph atlas, the metal's bright band, the
// click's shape and the icon files of the build.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/Bitmap.h"
#include "render/Resources.h"

namespace {

std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

struct Colour {
  double r = 0, g = 0, b = 0;
};

// An embedded 2048 x 2048 picture read with picture coordinates from its
// top-left corner, as the atlas layout is given.
class Picture {
 public:
  explicit Picture(std::uint16_t id) {
    const auto view = FindEmbeddedResource(kBitmapResource, id);
    ok_ = view && ParseDib(view->data, view->size, &dib_);
  }
  bool ok() const { return ok_; }
  Colour At(int x, int yFromTop) const {
    x = ((x % dib_.width) + dib_.width) % dib_.width;  // the texture repeats
    const unsigned char* p = dib_.Pixel(x, dib_.height - 1 - yFromTop);
    return {p[2] / 255.0, p[1] / 255.0, p[0] / 255.0};
  }
  double Luma(int x, int y) const {
    const Colour c = At(x, y);
    return 0.3 * c.r + 0.59 * c.g + 0.11 * c.b;
  }

 private:
  DibImage dib_;
  bool ok_ = false;
};

struct Cell {
  int left, top;
};
// Cell top-left corners of the glyphs 0..9, A, M, P (the clock's table).
constexpr Cell kCells[13] = {{30, 864},   {30, 1152},  {30, 1440}, {30, 1728}, {420, 0},
                             {420, 288},  {420, 576},  {420, 864}, {420, 1152}, {420, 1440},
                             {10, 30},    {24, 318},   {-4, 606}};

void ExpectHeader(const ResourceView& v, int width, int height, int bits, std::uint32_t image) {
  ASSERT_EQ(v.size, 40u + image);
  EXPECT_EQ(U32(v.data), 40u);
  EXPECT_EQ(static_cast<int>(U32(v.data + 4)), width);
  EXPECT_EQ(static_cast<int>(U32(v.data + 8)), height);
  EXPECT_EQ(U16(v.data + 12), 1);
  EXPECT_EQ(U16(v.data + 14), bits);
  EXPECT_EQ(U32(v.data + 16), 0u);
  EXPECT_EQ(U32(v.data + 20), image);
  EXPECT_EQ(U32(v.data + 32), 0u);
  EXPECT_EQ(v.data[v.size - 1], 0);
  EXPECT_EQ(v.data[v.size - 2], 0);
}

TEST(GeneratedArt, PicturesHaveTheirExactHeaders) {
  const auto metal = FindEmbeddedResource(kBitmapResource, kBackgroundBitmap);
  const auto atlas = FindEmbeddedResource(kBitmapResource, kDigitAtlasBitmap);
  const auto about = FindEmbeddedResource(kBitmapResource, kAboutBitmap);
  ASSERT_TRUE(metal && atlas && about);
  ExpectHeader(*metal, 2048, 2048, 24, 12582914);
  ExpectHeader(*atlas, 2048, 2048, 24, 12582914);
  ExpectHeader(*about, 110, 83, 32, 36522);
}

TEST(GeneratedArt, GlyphCellsHoldCentredGlyphsOfTheirColoursOnBlack) {
  const Picture atlas(kDigitAtlasBitmap);
  ASSERT_TRUE(atlas.ok());
  enum Hue { kGreen, kBlue, kRed, kYellow, kOrange, kPink };
  const Hue hues[13] = {kGreen,  kBlue,  kRed,   kYellow, kOrange, kPink, kOrange,
                        kBlue,   kBlue,  kGreen, kBlue,   kRed,    kRed};
  for (int g = 0; g < 13; ++g) {
    SCOPED_TRACE("glyph " + std::to_string(g));
    const Cell c = kCells[g];
    // Black margins: the corners and the left and right edge columns (the
    // tile's outer edges fade there), including P's columns that wrap
    // around to the atlas's right edge.
    for (int y = c.top; y < c.top + 288; y += 4) {
      for (int x : {c.left, c.left + 1, c.left + 2, c.left + 197, c.left + 198, c.left + 199}) {
        ASSERT_LT(atlas.Luma(x, y), 0.03) << "x " << x << " y " << y;
      }
    }
    for (int x = c.left; x < c.left + 200; x += 3) {
      for (int y : {c.top + 1, c.top + 286}) ASSERT_LT(atlas.Luma(x, y), 0.03) << "x " << x << " y " << y;
    }
    // The glyph's lit rows are centred on the hinge row (144 down).
    int first = -1, last = -1;
    Colour sum;
    int lit = 0;
    for (int y = c.top; y < c.top + 288; ++y) {
      for (int x = c.left; x < c.left + 200; ++x) {
        const Colour p = atlas.At(x, y);
        const double length = std::sqrt(p.r * p.r + p.g * p.g + p.b * p.b);
        if (length < 0.5) continue;
        if (first < 0) first = y - c.top;
        last = y - c.top;
        sum.r += p.r;
        sum.g += p.g;
        sum.b += p.b;
        ++lit;
      }
    }
    ASSERT_GT(lit, 3000);  // a bold figure, not a hairline
    EXPECT_NEAR((first + last) / 2.0, 143.5, 6.0);
    EXPECT_GT(last - first, 150);
    // Full-strength ink reads over paper: length near 1.
    const Colour m{sum.r / lit, sum.g / lit, sum.b / lit};
    EXPECT_GT(std::sqrt(m.r * m.r + m.g * m.g + m.b * m.b), 0.8);
    switch (hues[g]) {
      case kGreen:
        EXPECT_GT(m.g, m.r);
        EXPECT_GT(m.g, m.b);
        break;
      case kBlue:
        EXPECT_GT(m.b, m.r);
        EXPECT_GT(m.b, m.g);
        break;
      case kRed:
        EXPECT_GT(m.r, 2 * m.g);
        EXPECT_GT(m.r, 2 * m.b);
        break;
      case kYellow:
        EXPECT_GT(m.g, 0.7 * m.r);
        EXPECT_GT(m.r, 3 * m.b);
        break;
      case kOrange:
        EXPECT_GT(m.r, 1.3 * m.g);
        EXPECT_GT(m.g, 2 * m.b);
        break;
      case kPink:
        EXPECT_GT(m.r, m.b);
        EXPECT_GT(m.b, m.g);
        break;
    }
  }
}

TEST(GeneratedArt, PaperIsLightWhereTheTilesSampleIt) {
  const Picture atlas(kDigitAtlasBitmap);
  ASSERT_TRUE(atlas.ok());
  // The tiles read u 0.52..0.76 and v 0.02..0.26 (v from the bottom row).
  double sum = 0, lowest = 1, warmth = 0;
  int n = 0;
  for (int y = 1515; y < 2008; y += 7) {
    for (int x = 1064; x < 1557; x += 7) {
      const Colour c = atlas.At(x, y);
      const double l = atlas.Luma(x, y);
      sum += l;
      lowest = std::min(lowest, l);
      warmth += c.r - c.b;
      ++n;
    }
  }
  EXPECT_GT(sum / n, 0.8);
  EXPECT_GT(lowest, 0.55);
  EXPECT_GT(warmth / n, 0.03);  // off-white, towards yellow
  // The panel picture at the top right is dark.
  EXPECT_LT(atlas.Luma(1400, 60), 0.25);
}

TEST(GeneratedArt, MetalIsBrushedAndBrightestInItsUpperThird) {
  const Picture metal(kBackgroundBitmap);
  ASSERT_TRUE(metal.ok());
  std::vector<double> rows(2048, 0.0);
  for (int y = 0; y < 2048; ++y) {
    for (int x = 0; x < 2048; x += 8) rows[y] += metal.Luma(x, y);
    rows[y] /= 256;
  }
  int brightest = 0;
  for (int y = 0; y < 2048; ++y) brightest = rows[y] > rows[brightest] ? y : brightest;
  EXPECT_LT(brightest, 683);
  EXPECT_GT(rows[brightest], 1.5 * rows[1900]);
  // Brushed along x: neighbours across a row differ far less than
  // neighbours down a column.
  double along = 0, across = 0;
  for (int y = 900; y < 1100; y += 2) {
    for (int x = 900; x < 1100; x += 2) {
      along += std::fabs(metal.Luma(x + 1, y) - metal.Luma(x, y));
      across += std::fabs(metal.Luma(x, y + 1) - metal.Luma(x, y));
    }
  }
  EXPECT_GT(across, 1.5 * along);
  EXPECT_GT(across / 10000, 0.004);  // streaks, not a flat grey
}

TEST(GeneratedArt, ClickIsAShortCentredDecayingStrike) {
  const auto wave = FindEmbeddedResource(kWaveResource, kFlipClickWave);
  ASSERT_TRUE(wave);
  ASSERT_EQ(wave->size, 8828u);
  ASSERT_EQ(U32(wave->data + 40), 8784u);
  std::vector<double> s(4392);
  for (std::size_t i = 0; i < s.size(); ++i) {
    s[i] = static_cast<std::int16_t>(U16(wave->data + 44 + 2 * i)) / 32768.0;
  }
  double mean = 0, peak = 0;
  for (double v : s) {
    mean += v;
    peak = std::max(peak, std::fabs(v));
  }
  mean /= static_cast<double>(s.size());
  EXPECT_LT(std::fabs(mean), 0.002);
  EXPECT_LT(peak, 0.9);
  EXPECT_GT(peak, 0.3);
  auto rms = [&](std::size_t from, std::size_t to) {
    double e = 0;
    for (std::size_t i = from; i < to; ++i) e += s[i] * s[i];
    return std::sqrt(e / static_cast<double>(to - from));
  };
  const double head = rms(0, 882), middle = rms(1764, 2646), tail = rms(4392 - 220, 4392);
  EXPECT_GT(head, 0.05);
  EXPECT_LT(middle, 0.5 * head);
  EXPECT_LT(tail, 0.01 * head);
  EXPECT_LT(std::fabs(s.front()), 0.01);
  EXPECT_LT(std::fabs(s.back()), 0.01);
}

TEST(GeneratedArt, IconFilesHoldSixImagesOfTwoSizesAndThreeDepths) {
  const char* build = std::getenv("MORVANE_BUILD_DIR");
  if (build == nullptr) GTEST_SKIP() << "MORVANE_BUILD_DIR is not set";
  for (const char* name : {"morvane.ico", "morvane_small.ico"}) {
    SCOPED_TRACE(name);
    std::ifstream in(std::string(build) + "/resources/assets/" + name, std::ios::binary);
    ASSERT_TRUE(in);
    const std::vector<unsigned char> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(f.size(), 6u + 6 * 16);
    EXPECT_EQ(U16(&f[0]), 0);
    EXPECT_EQ(U16(&f[2]), 1);
    ASSERT_EQ(U16(&f[4]), 6);
    int seen[2][3] = {};
    for (int i = 0; i < 6; ++i) {
      const unsigned char* e = &f[6 + 16 * i];
      const int size = e[0], bits = U16(e + 6);
      const std::uint32_t bytes = U32(e + 8), offset = U32(e + 12);
      ASSERT_TRUE(size == 16 || size == 32);
      ASSERT_TRUE(bits == 4 || bits == 8 || bits == 32);
      ++seen[size == 32][bits == 4 ? 0 : bits == 8 ? 1 : 2];
      ASSERT_LE(static_cast<std::size_t>(offset) + bytes, f.size());
      const unsigned char* h = &f[offset];
      EXPECT_EQ(U32(h), 40u);
      EXPECT_EQ(static_cast<int>(U32(h + 4)), size);
      EXPECT_EQ(static_cast<int>(U32(h + 8)), 2 * size);  // colour bits and mask
      EXPECT_EQ(U16(h + 14), bits);
      const std::size_t palette = bits <= 8 ? (4u << bits) : 0;
      const std::size_t xorStride = (static_cast<std::size_t>(size) * bits + 31) / 32 * 4;
      const std::size_t andStride = (static_cast<std::size_t>(size) + 31) / 32 * 4;
      EXPECT_EQ(bytes, 40 + palette + (xorStride + andStride) * size);
    }
    for (auto& sizes : seen)
      for (int count : sizes) EXPECT_EQ(count, 1);
  }
}

}  // namespace
