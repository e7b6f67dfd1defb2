// Bitmap decoding: stored DIB bytes (header + rows) to float RGBA texels,
// and the Linux path that reads the embedded pictures.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "render/Bitmap.h"
#include "render/Resources.h"
#include "render/Texture.h"

namespace {

constexpr float kSentinel = -7.0f;

void PutU32(std::vector<unsigned char>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A hand-made DIB. `rows` holds the stored rows in storage order, each as
// blue, green, red (and a fourth byte at 32 bits), without padding; the
// padding is filled with 0xAB so that it shows if it is ever read.
std::vector<unsigned char> MakeDib(int width, int height, int bits,
                                   const std::vector<std::vector<unsigned char>>& rows) {
  const std::size_t stride = (static_cast<std::size_t>(width) * bits / 8 + 3) & ~std::size_t{3};
  const std::size_t count = static_cast<std::size_t>(height < 0 ? -height : height);
  std::vector<unsigned char> dib(40 + stride * count, 0xAB);
  std::memset(dib.data(), 0, 40);
  PutU32(dib, 0, 40);
  PutU32(dib, 4, static_cast<std::uint32_t>(width));
  PutU32(dib, 8, static_cast<std::uint32_t>(height));
  dib[12] = 1;  // planes
  dib[14] = static_cast<unsigned char>(bits);
  PutU32(dib, 20, static_cast<std::uint32_t>(stride * count));
  for (std::size_t r = 0; r < rows.size() && r < count; ++r) {
    if (!rows[r].empty()) std::memcpy(dib.data() + 40 + r * stride, rows[r].data(), rows[r].size());
  }
  return dib;
}

// The bytes in a heap block of exactly their size, so that a read one byte
// too far is caught by AddressSanitizer.
struct ExactBytes {
  explicit ExactBytes(const std::vector<unsigned char>& bytes, std::size_t keep)
      : size(keep), data(new unsigned char[keep]) {
    std::memcpy(data.get(), bytes.data(), keep);
  }
  std::size_t size;
  std::unique_ptr<unsigned char[]> data;
};

std::vector<float> Texels(int width, int height) {
  return std::vector<float>(static_cast<std::size_t>(width) * height * 4, kSentinel);
}

void ExpectTexel(const std::vector<float>& px, int width, int x, int y, float r, float g, float b) {
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 4;
  EXPECT_FLOAT_EQ(px[at + 0], r) << "red at " << x << "," << y;
  EXPECT_FLOAT_EQ(px[at + 1], g) << "green at " << x << "," << y;
  EXPECT_FLOAT_EQ(px[at + 2], b) << "blue at " << x << "," << y;
  EXPECT_EQ(px[at + 3], 1.0f) << "alpha at " << x << "," << y;
}

TEST(BitmapDecode, TwentyFourBitOddWidthBottomUp) {
  // 3 x 2: 9 bytes of pixels per row padded to 12.
  const auto dib = MakeDib(3, 2, 24,
                           {
                               // stored first = bottom row: red, green, blue
                               {0, 0, 255, 0, 255, 0, 255, 0, 0},
                               // top row: white, black, (51, 102, 153)
                               {255, 255, 255, 0, 0, 0, 153, 102, 51},
                           });
  const ExactBytes bytes(dib, dib.size());
  auto px = Texels(3, 2);
  ASSERT_TRUE(DecodeDibToFloatRgba(bytes.data.get(), bytes.size, 3, 2, px.data()));
  ExpectTexel(px, 3, 0, 0, 1.0f, 0.0f, 0.0f);
  ExpectTexel(px, 3, 1, 0, 0.0f, 1.0f, 0.0f);
  ExpectTexel(px, 3, 2, 0, 0.0f, 0.0f, 1.0f);
  ExpectTexel(px, 3, 0, 1, 1.0f, 1.0f, 1.0f);
  ExpectTexel(px, 3, 1, 1, 0.0f, 0.0f, 0.0f);
  ExpectTexel(px, 3, 2, 1, 51.0f / 255.0f, 102.0f / 255.0f, 153.0f / 255.0f);
}

TEST(BitmapDecode, ThirtyTwoBitIgnoresTheFourthByte) {
  const auto dib = MakeDib(2, 2, 32,
                           {
                               {0, 0, 255, 0x00, 10, 20, 30, 0x7F},
                               {255, 0, 0, 0xFF, 1, 2, 3, 0x12},
                           });
  const ExactBytes bytes(dib, dib.size());
  auto px = Texels(2, 2);
  ASSERT_TRUE(DecodeDibToFloatRgba(bytes.data.get(), bytes.size, 2, 2, px.data()));
  ExpectTexel(px, 2, 0, 0, 1.0f, 0.0f, 0.0f);
  ExpectTexel(px, 2, 1, 0, 30.0f / 255.0f, 20.0f / 255.0f, 10.0f / 255.0f);
  ExpectTexel(px, 2, 0, 1, 0.0f, 0.0f, 1.0f);
  ExpectTexel(px, 2, 1, 1, 3.0f / 255.0f, 2.0f / 255.0f, 1.0f / 255.0f);
}

TEST(BitmapDecode, NegativeHeightIsTopDown) {
  const auto dib = MakeDib(1, -3, 24,
                           {
                               {0, 0, 255},  // stored first = top row
                               {0, 255, 0},
                               {255, 0, 0},  // bottom row
                           });
  const ExactBytes bytes(dib, dib.size());
  auto px = Texels(1, 3);
  ASSERT_TRUE(DecodeDibToFloatRgba(bytes.data.get(), bytes.size, 1, 3, px.data()));
  ExpectTexel(px, 1, 0, 0, 0.0f, 0.0f, 1.0f);  // row 0 is the bottom row
  ExpectTexel(px, 1, 0, 1, 0.0f, 1.0f, 0.0f);
  ExpectTexel(px, 1, 0, 2, 1.0f, 0.0f, 0.0f);
}

TEST(BitmapDecode, WrongSizeIsRejectedAndLeavesThePixels) {
  const auto dib = MakeDib(2, 2, 24, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
  const ExactBytes bytes(dib, dib.size());
  for (const auto& wh : {std::pair<int, int>{2, 1}, {1, 2}, {3, 2}, {2, 3}, {4, 4}}) {
    auto px = Texels(4, 4);
    EXPECT_FALSE(DecodeDibToFloatRgba(bytes.data.get(), bytes.size, wh.first, wh.second,
                                      px.data()))
        << wh.first << "x" << wh.second;
    for (float v : px) ASSERT_EQ(v, kSentinel);
  }
}

TEST(BitmapDecode, TruncatedDataIsRejectedWithoutReadingPastIt) {
  // 3 x 3 at 24 bits: 3 rows of 12 bytes after the header.
  const auto dib = MakeDib(3, 3, 24, {{255, 255, 255}, {}, {}});
  {
    const ExactBytes whole(dib, dib.size());
    auto px = Texels(3, 3);
    EXPECT_TRUE(DecodeDibToFloatRgba(whole.data.get(), whole.size, 3, 3, px.data()));
  }
  for (std::size_t keep : {dib.size() - 1, dib.size() - 12, std::size_t{41}, std::size_t{40},
                           std::size_t{39}, std::size_t{0}}) {
    const ExactBytes cut(dib, keep);
    auto px = Texels(3, 3);
    EXPECT_FALSE(DecodeDibToFloatRgba(cut.data.get(), cut.size, 3, 3, px.data())) << keep;
    for (float v : px) ASSERT_EQ(v, kSentinel);
  }
}

TEST(BitmapDecode, OtherFormatsAreRejected) {
  auto dib = MakeDib(2, 2, 24, {});
  auto px = Texels(2, 2);
  auto compressed = dib;
  PutU32(compressed, 16, 1);  // BI_RLE8
  EXPECT_FALSE(DecodeDibToFloatRgba(compressed.data(), compressed.size(), 2, 2, px.data()));
  auto paletted = dib;
  PutU32(paletted, 32, 16);  // a colour table
  EXPECT_FALSE(DecodeDibToFloatRgba(paletted.data(), paletted.size(), 2, 2, px.data()));
  auto sixteen = dib;
  sixteen[14] = 16;
  EXPECT_FALSE(DecodeDibToFloatRgba(sixteen.data(), sixteen.size(), 2, 2, px.data()));
  auto fileHeader = dib;
  PutU32(fileHeader, 0, 0x4D42);  // "BM": a file header where the info header belongs
  EXPECT_FALSE(DecodeDibToFloatRgba(fileHeader.data(), fileHeader.size(), 2, 2, px.data()));
  for (float v : px) ASSERT_EQ(v, kSentinel);
}

// The embedded pictures, read the way textures read them.
TEST(BitmapResources, TexturePicturesDecodeBottomRowFirst) {
  for (int id : {kBackgroundBitmap, kDigitAtlasBitmap}) {
    const auto view = FindEmbeddedResource(kBitmapResource, static_cast<std::uint16_t>(id));
    ASSERT_TRUE(view.has_value()) << id;
    DibImage image;
    ASSERT_TRUE(ParseDib(view->data, view->size, &image)) << id;
    ASSERT_EQ(image.width, 2048);
    ASSERT_EQ(image.height, 2048);
    ASSERT_EQ(image.bitsPerPixel, 24);

    std::vector<float> px(std::size_t{2048} * 2048 * 4, kSentinel);
    ASSERT_TRUE(ReadBitmapPixels(px.data(), id, 2048, 2048)) << id;
    // Texel (x, y) comes from the stored row y at byte 3x: row 0 is the
    // first stored row, the picture's bottom.
    for (const auto& xy : {std::pair<int, int>{0, 0}, {2047, 0}, {0, 2047}, {1000, 1500},
                           {2047, 2047}, {1500, 7}}) {
      const unsigned char* bgr = view->data + 40 + std::size_t{6144} * xy.second + 3 * xy.first;
      const std::size_t at = (std::size_t{2048} * xy.second + xy.first) * 4;
      EXPECT_FLOAT_EQ(px[at + 0], bgr[2] / 255.0f) << id << " " << xy.first << "," << xy.second;
      EXPECT_FLOAT_EQ(px[at + 1], bgr[1] / 255.0f);
      EXPECT_FLOAT_EQ(px[at + 2], bgr[0] / 255.0f);
      EXPECT_EQ(px[at + 3], 1.0f);
    }
  }
}

TEST(BitmapResources, WrongSizeOrMissingPictureIsRefused) {
  std::vector<float> px(std::size_t{1024} * 1024 * 4, kSentinel);
  EXPECT_FALSE(ReadBitmapPixels(px.data(), kDigitAtlasBitmap, 1024, 1024));
  EXPECT_FALSE(ReadBitmapPixels(px.data(), 9999, 16, 16));
  EXPECT_FALSE(ReadBitmapPixels(px.data(), kPlaneObjText, 16, 16));  // a text, not a picture
  EXPECT_FALSE(ReadBitmapPixels(px.data(), -1, 16, 16));
  for (std::size_t i = 0; i < px.size(); i += 4099) ASSERT_EQ(px[i], kSentinel);
}

}  // namespace
