// The snapshot tool's pictures, read back at points computed from the world
// geometry (1000 units = the screen height, the origin at the screen centre):
// the glyphs' colours in the right columns in both layouts, paper between
// them, the background's vignette, the hinge line, and a flap in flight at
// the height its angle puts it.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "render/Resources.h"
#include "render/Texture.h"

namespace {

struct Rgb {
  double r, g, b;
};

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;

  Rgb At(int x, int y) const {
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return {double(p[0]), double(p[1]), double(p[2])};
  }
  // World units to pixels, for a clock drawn `zoom` times its layout's size.
  double zoom = 1.0;
  double Scale() const { return height / 1000.0 * zoom; }
  int ScreenX(double X) const { return static_cast<int>(std::floor(width / 2.0 + X * Scale())); }
  int ScreenY(double Y) const { return static_cast<int>(std::floor(height / 2.0 - Y * Scale())); }
  Rgb World(double X, double Y) const { return At(ScreenX(X), ScreenY(Y)); }
  // Mean over a square of (2r+1)^2 pixels around a world point.
  Rgb Mean(double X, double Y, int r) const {
    Rgb sum{0, 0, 0};
    for (int dy = -r; dy <= r; ++dy) {
      for (int dx = -r; dx <= r; ++dx) {
        const Rgb c = At(ScreenX(X) + dx, ScreenY(Y) + dy);
        sum.r += c.r;
        sum.g += c.g;
        sum.b += c.b;
      }
    }
    const double n = (2 * r + 1) * (2 * r + 1);
    return {sum.r / n, sum.g / n, sum.b / n};
  }
};

bool ReadPng(const std::string& path, Picture* pic) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  pic->width = static_cast<int>(image.width);
  pic->height = static_cast<int>(image.height);
  pic->rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, pic->rgb.data(), 0, nullptr) != 0;
}

std::string SnapshotTool() {
  if (const char* dir = std::getenv("MORVANE_BUILD_DIR")) return std::string(dir) + "/morvane-snapshot";
#ifdef MORVANE_SNAPSHOT_TOOL
  return MORVANE_SNAPSHOT_TOOL;
#else
  return "morvane-snapshot";
#endif
}

// Runs the real tool; the picture of `time` in `mode` ("--24h"/"--12h").
Picture Snapshot(const std::string& time, const std::string& mode, int width = 1920,
                 int height = 1080) {
  char dir[] = "/tmp/morvane-snapshot-XXXXXX";
  Picture pic;
  if (mkdtemp(dir) == nullptr) return pic;
  const std::string out = std::string(dir) + "/shot.png";
  const std::string command = SnapshotTool() + " --time " + time + " " + mode + " --size " +
                              std::to_string(width) + "x" + std::to_string(height) + " --out " +
                              out + " > /dev/null";
  const int status = std::system(command.c_str());
  EXPECT_EQ(status, 0) << command;
  EXPECT_TRUE(ReadPng(out, &pic)) << out;
  std::remove(out.c_str());
  rmdir(dir);
  return pic;
}

// Hue in degrees, saturation and value of a pixel.
struct Hsv {
  double h, s, v;
};
Hsv ToHsv(Rgb c) {
  const double mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b});
  Hsv out{0, mx > 0 ? (mx - mn) / mx : 0, mx / 255.0};
  if (mx == mn) return out;
  double h;
  if (mx == c.r) {
    h = 60 * (c.g - c.b) / (mx - mn);
  } else if (mx == c.g) {
    h = 60 * (2 + (c.b - c.r) / (mx - mn));
  } else {
    h = 60 * (4 + (c.r - c.g) / (mx - mn));
  }
  out.h = h < 0 ? h + 360 : h;
  return out;
}

// The colour family that each glyph is drawn in, as a hue range (degrees).
struct HueRange {
  const char* name;
  double from, to;  // from > to wraps through 0
};
const HueRange kRed{"red", 345, 15}, kOrange{"orange", 15, 38}, kYellow{"yellow", 38, 65},
    kLightGreen{"light green", 80, 122}, kGreen{"green", 122, 165},
    kLightBlue{"light blue", 195, 214}, kBlue{"blue", 214, 250}, kPink{"pink", 310, 345};
const HueRange* const kGlyphHue[13] = {&kGreen,  &kBlue,      &kRed,       &kYellow, &kOrange,
                                       &kPink,   &kOrange,    &kBlue,      &kLightBlue,
                                       &kLightGreen, &kBlue,  &kRed,       &kRed};
bool InRange(double h, const HueRange& r) {
  return r.from <= r.to ? (h >= r.from && h < r.to) : (h >= r.from || h < r.to);
}

// Saturated pixels are glyph ink; paper and metal are nearly grey.
bool IsInk(Rgb c) {
  const Hsv hsv = ToHsv(c);
  return hsv.s > 0.45 && hsv.v > 0.3;
}

// The mean hue of the ink in a world rectangle, and how many ink pixels.
struct InkStats {
  int count = 0;
  double hue = 0;
};
InkStats InkIn(const Picture& pic, double x0, double x1, double y0, double y1,
               const HueRange* only = nullptr) {
  double sx = 0, sy = 0;
  InkStats st;
  for (int y = pic.ScreenY(y1); y <= pic.ScreenY(y0); ++y) {
    for (int x = pic.ScreenX(x0); x <= pic.ScreenX(x1); ++x) {
      const Rgb c = pic.At(x, y);
      if (!IsInk(c)) continue;
      const double h = ToHsv(c).h;
      if (only != nullptr && !InRange(h, *only)) continue;
      sx += std::cos(h * M_PI / 180);
      sy += std::sin(h * M_PI / 180);
      ++st.count;
    }
  }
  double h = std::atan2(sy, sx) * 180 / M_PI;
  st.hue = h < 0 ? h + 360 : h;
  return st;
}

// Layout: the tile columns, half widths and hinges of the clock face.
const double kColumns24[12] = {0, 0, 0, 0, -546, -354, -92, 100, 360, 552, 0, 0};
const double kColumns12[12] = {0, 0, 0, 0, -711, -519, -257, -65, 195, 387, 623, 759};
constexpr double kDigitHalfWidth = 97.2, kLetterHalfWidth = 69.4;
constexpr double kDigitHinge = 7.2, kLetterHinge = -38.0;
constexpr double kDigitHalfHeight = 155.6, kLetterHalfHeight = 111.1;

// Every shown tile's ink is the colour of its glyph, over both halves.
void ExpectGlyphs(const Picture& pic, const double* columns, const std::vector<int>& glyphs) {
  for (size_t k = 0; k < glyphs.size(); ++k) {
    const int slot = 4 + static_cast<int>(k);
    const bool letter = slot >= 10;
    const double half = (letter ? kLetterHalfWidth : kDigitHalfWidth) * 0.8;
    const double hinge = letter ? kLetterHinge : kDigitHinge;
    const double height = (letter ? kLetterHalfHeight : kDigitHalfHeight) * 0.95;
    const HueRange& expected = *kGlyphHue[glyphs[k]];
    for (int upper = 0; upper < 2; ++upper) {
      const double y0 = upper ? hinge + 3 : hinge - height;
      const double y1 = upper ? hinge + height : hinge - 3;
      const InkStats ink = InkIn(pic, columns[slot] - half, columns[slot] + half, y0, y1);
      // 200 pixels of a 1080-line picture, fewer where the tiles are smaller.
      EXPECT_GT(ink.count, std::max(3.0, 200 * std::pow(pic.Scale() / 1.08, 2)))
          << "slot " << slot << (upper ? " upper" : " lower");
      EXPECT_TRUE(InRange(ink.hue, expected))
          << "slot " << slot << (upper ? " upper" : " lower") << ": hue " << ink.hue
          << ", expected " << expected.name << " for glyph " << glyphs[k];
    }
  }
}

// Paper: light and nearly grey, near the free edge in the middle of a tile.
void ExpectPaper(const Picture& pic, double X, double Y, const std::string& what) {
  const Rgb c = pic.Mean(X, Y, 2);
  const Hsv hsv = ToHsv(c);
  EXPECT_GT(hsv.v, 0.7) << what;
  EXPECT_LT(hsv.s, 0.2) << what;
}

double Lightness(Rgb c) { return (c.r + c.g + c.b) / 3.0; }

class SnapshotTest : public ::testing::Test {};

TEST_F(SnapshotTest, TwentyFourHourFace) {
  // 12:34:56.2 shows 12 34 56 at rest: no flip runs in the first half of a second.
  const Picture pic = Snapshot("12:34:56.2", "--24h");
  ASSERT_EQ(pic.width, 1920);
  ASSERT_EQ(pic.height, 1080);
  ExpectGlyphs(pic, kColumns24, {1, 2, 3, 4, 5, 6});
  for (int slot = 4; slot <= 9; ++slot) {
    ExpectPaper(pic, kColumns24[slot], kDigitHinge + 0.95 * kDigitHalfHeight - 4,
                "top of slot " + std::to_string(slot));
    ExpectPaper(pic, kColumns24[slot], kDigitHinge - 0.95 * kDigitHalfHeight + 4,
                "bottom of slot " + std::to_string(slot));
  }
  // Between the groups and beyond the last tile: metal, much darker than paper.
  const double paper = Lightness(pic.Mean(kColumns24[4], 150, 2));
  for (double X : {-223.0, 230.0, 700.0, -700.0}) {
    EXPECT_LT(Lightness(pic.Mean(X, 0, 2)), 0.75 * paper) << "X " << X;
  }
  // No ink where the meridiem tiles would stand.
  EXPECT_EQ(InkIn(pic, 660, 820, -140, 60).count, 0);
}

TEST_F(SnapshotTest, TwelveHourFace) {
  // 13:05:08.2 shows 01 05 08 P M.
  const Picture pic = Snapshot("13:05:08.2", "--12h");
  ExpectGlyphs(pic, kColumns12, {0, 1, 0, 5, 0, 8, 12, 11});
  ExpectPaper(pic, kColumns12[10], kLetterHinge + 0.95 * kLetterHalfHeight - 3, "top of P");
  ExpectPaper(pic, kColumns12[11], kLetterHinge + 0.95 * kLetterHalfHeight - 3, "top of M");
  // The 24-hour column of the seconds' units is a gap in this layout.
  const double paper = Lightness(pic.Mean(kColumns12[4], 150, 2));
  EXPECT_LT(Lightness(pic.Mean(482, 100, 2)), 0.75 * paper);
}

TEST_F(SnapshotTest, BackgroundVignetteAndHinge) {
  const Picture pic = Snapshot("08:15:30.1", "--24h");
  const Picture wide = Snapshot("08:15:30.1", "--24h", 5120, 1440);
  // The corners are black.
  for (const Picture* shot : {&pic, &wide}) {
    for (int x : {0, shot->width - 1}) {
      for (int y : {0, shot->height - 1}) {
        const Rgb c = shot->At(x, y);
        EXPECT_LT(c.r + c.g + c.b, 3.0) << shot->width << " wide, " << x << "," << y;
      }
    }
  }
  // Elsewhere the metal picture shows at b = 1 - 1.75 * the distance from the
  // centre in screen-normalised units; its own pixels, averaged over the same
  // patch, tell what b multiplies. The atlas spans the screen's width.
  std::vector<float> metal(2048 * 2048 * 4);
  ASSERT_TRUE(ReadBitmapPixels(metal.data(), kBackgroundBitmap, 2048, 2048));
  auto atlasMean = [&](double u, double v, double radiusU, double radiusV) {
    Rgb sum{0, 0, 0};
    int n = 0;
    for (int ty = int((v - radiusV) * 2048); ty <= int((v + radiusV) * 2048); ++ty) {
      for (int tx = int((u - radiusU) * 2048); tx <= int((u + radiusU) * 2048); ++tx) {
        const float* p = &metal[(size_t(ty) * 2048 + tx) * 4];
        sum.r += p[0] * 255;
        sum.g += p[1] * 255;
        sum.b += p[2] * 255;
        ++n;
      }
    }
    return Rgb{sum.r / n, sum.g / n, sum.b / n};
  };
  // (-223, 0) lies in the gap nearest the centre, where b is 0.78. At 32:9 the
  // metal plane's x = +-1250 ends 760 pixels short of the edges: filled all the same.
  for (auto [shot, X, Y] : std::initializer_list<std::tuple<const Picture*, double, double>>{
           {&pic, -223, 0}, {&pic, 230, 0}, {&pic, 0, 260}, {&pic, 0, -300}, {&pic, -700, 0},
           {&pic, 300, 320}, {&wide, 0, 260}, {&wide, 0, -300}, {&wide, 300, 320},
           {&wide, -1300, 0}, {&wide, -1500, 0}, {&wide, 1400, 0}, {&wide, 1650, 0}}) {
    const int r = 4;
    const Rgb shown = shot->Mean(X, Y, r);
    const double u = (shot->ScreenX(X) + 0.5) / shot->width - 0.5;
    const double w = (shot->height - (shot->ScreenY(Y) + 0.5)) / shot->height - 0.5;
    const double b = std::max(0.0, 1.0 - 1.75 * std::hypot(u, w));
    const double aspect = double(shot->width) / shot->height;
    const Rgb atlas = atlasMean(u + 0.5, w / aspect + 0.5, double(r) / shot->width,
                                double(r) / shot->width);
    EXPECT_NEAR(Lightness(shown), b * Lightness(atlas), 6.0)
        << shot->width << " wide, X " << X << " Y " << Y;
  }
  // The hinge line: a light grey strip along the upper half's hinge-side edge
  // (model y 0 .. 0.008 of the half, 0.93 units above the hinge axis).
  const double stripY = kDigitHinge + 0.93 + 0.004 * kDigitHalfHeight;
  for (int slot = 4; slot <= 9; ++slot) {
    bool found = false;
    for (int dy = -1; dy <= 1 && !found; ++dy) {
      bool rowGrey = true;
      for (double dx : {-70.0, -35.0, 0.0, 35.0, 70.0}) {
        const Rgb c = pic.At(pic.ScreenX(kColumns24[slot] + dx), pic.ScreenY(stripY) + dy);
        rowGrey = rowGrey && std::fabs(c.r - 204) < 14 && std::fabs(c.g - 204) < 14 &&
                  std::fabs(c.b - 204) < 14;
      }
      found = rowGrey;
    }
    EXPECT_TRUE(found) << "no hinge line on slot " << slot;
  }
}

// The extent of one colour's ink in the seconds' units column, in world
// units from the hinge: the highest above it and the lowest below it.
struct InkExtent {
  double above = 0;  // > 0
  double below = 0;  // > 0
};
InkExtent ExtentOf(const Picture& pic, const HueRange& hue, double column) {
  InkExtent e;
  const int x0 = pic.ScreenX(column - 80), x1 = pic.ScreenX(column + 80);
  for (int y = 0; y < pic.height; ++y) {
    int n = 0;
    for (int x = x0; x <= x1; ++x) {
      const Rgb c = pic.At(x, y);
      if (IsInk(c) && InRange(ToHsv(c).h, hue)) ++n;
    }
    if (n < 3) continue;  // a few stray pixels are no glyph
    const double Y = (pic.height / 2.0 - (y + 0.5)) / pic.Scale() - kDigitHinge;
    e.above = std::max(e.above, Y);
    e.below = std::max(e.below, -Y);
  }
  return e;
}

TEST_F(SnapshotTest, FlapInFlightStandsAtItsAngle) {
  // The seconds' units turn from 6 (orange) to 7 (blue) from 12:34:56.5 on.
  // At rest, to measure the glyphs' own reach above and below the hinge:
  const Picture six = Snapshot("12:34:56.2", "--24h");
  const Picture seven = Snapshot("12:34:57.2", "--24h");
  const double column = kColumns24[9];
  const InkExtent sixRest = ExtentOf(six, kOrange, column);
  const InkExtent sevenRest = ExtentOf(seven, kBlue, column);
  ASSERT_GT(sixRest.above, 60);
  ASSERT_GT(sevenRest.below, 60);

  // 0.15 s into the flip (the first 60 Hz frame at or after .5 starts it):
  // 2000 * 0.15^2 = 45 degrees. The front of the flap shows the 6's upper
  // half, foreshortened by cos 45 in the parallel projection.
  const Picture front = Snapshot("12:34:56.655", "--24h");
  const InkExtent frontSix = ExtentOf(front, kOrange, column);
  EXPECT_NEAR(frontSix.above / sixRest.above, std::cos(45 * M_PI / 180), 0.03);
  // Above the flap the 7's upper half is already revealed.
  EXPECT_GT(InkIn(front, column - 80, column + 80, kDigitHinge + frontSix.above + 4,
                  kDigitHinge + 150, &kBlue).count, 100);
  // The resting lower half still shows the 6.
  EXPECT_NEAR(frontSix.below, sixRest.below, 2.0);

  // 0.25 s in: 125 degrees, past edge-on. The back of the flap hangs below
  // the hinge showing the 7's lower half, foreshortened by |cos 125|, over
  // the 6's lower half, whose bottom still shows beneath it.
  const Picture back = Snapshot("12:34:56.755", "--24h");
  const InkExtent backSeven = ExtentOf(back, kBlue, column);
  EXPECT_NEAR(backSeven.below / sevenRest.below, -std::cos(125 * M_PI / 180), 0.03);
  const InkExtent backSix = ExtentOf(back, kOrange, column);
  EXPECT_NEAR(backSix.below, sixRest.below, 2.0);
  EXPECT_EQ(InkIn(back, column - 80, column + 80, kDigitHinge + 3, kDigitHinge + 150, &kOrange)
                .count,
            0);  // the 6's upper half is gone: the 7 is revealed above
}

TEST_F(SnapshotTest, UltraHighDefinition) {
  const Picture pic = Snapshot("23:59:59.1", "--24h", 3840, 2160);
  ASSERT_EQ(pic.width, 3840);
  ASSERT_EQ(pic.height, 2160);
  ExpectGlyphs(pic, kColumns24, {2, 3, 5, 9, 5, 9});
}

TEST_F(SnapshotTest, TheDaysLastSecondFlipsAndMidnightRests) {
  // 00:00:00.000 shows 00 00 00 at rest.
  ExpectGlyphs(Snapshot("00:00:00.000", "--24h"), kColumns24, {0, 0, 0, 0, 0, 0});

  // 23:59:59.680 still shows 23:59:59, with the flaps of all three groups in
  // flight since 23:59:59.5: the resting lower halves are the old glyphs.
  const Picture pic = Snapshot("23:59:59.680", "--24h");
  const int old[6] = {2, 3, 5, 9, 5, 9};
  for (int slot = 4; slot <= 9; ++slot) {
    const InkStats ink = InkIn(pic, kColumns24[slot] - 0.8 * kDigitHalfWidth,
                               kColumns24[slot] + 0.8 * kDigitHalfWidth,
                               kDigitHinge - 0.95 * kDigitHalfHeight, kDigitHinge - 3);
    EXPECT_GT(ink.count, 200) << "slot " << slot;
    EXPECT_TRUE(InRange(ink.hue, *kGlyphHue[old[slot - 4]]))
        << "slot " << slot << ": hue " << ink.hue << ", expected " << kGlyphHue[old[slot - 4]]->name;
  }
  // The flips began on the first 60 Hz frame at or after .5, ten frames
  // before this one: the seconds' flaps stand at 2000 e^2 = 56 degrees, low
  // enough to show the new 0 (green) above them; the hours' and minutes' at
  // 1000 e^2 = 28 degrees still hide it, their old upper halves
  // foreshortened by the cosine.
  const double e = 10.0 / 60.0;
  for (int slot : {8, 9}) {
    EXPECT_GT(InkIn(pic, kColumns24[slot] - 80, kColumns24[slot] + 80, 85, 150, &kGreen).count, 100)
        << "slot " << slot;
  }
  const Picture rest = Snapshot("23:59:59.1", "--24h");
  const InkExtent restTwo = ExtentOf(rest, kRed, kColumns24[4]);
  const InkExtent flapTwo = ExtentOf(pic, kRed, kColumns24[4]);
  EXPECT_NEAR(flapTwo.above / restTwo.above, std::cos(1000 * e * e * M_PI / 180), 0.03);
  for (int slot = 4; slot <= 7; ++slot) {
    EXPECT_EQ(InkIn(pic, kColumns24[slot] - 80, kColumns24[slot] + 80, 10, 150, &kGreen).count, 0)
        << "slot " << slot;
  }
}

// The first and last columns that hold tile paper or glyph ink, over the
// middle third of the rows, where the tiles stand: the metal is never as
// light as the paper, nor coloured like the ink.
std::pair<int, int> TileColumnsShown(const Picture& pic) {
  int left = pic.width, right = -1;
  for (int y = pic.height / 3; y < pic.height * 2 / 3; ++y) {
    for (int x = 0; x < pic.width; ++x) {
      const Rgb c = pic.At(x, y);
      if (IsInk(c) || Lightness(c) > 110) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  }
  return {left, right};
}

// On every screen shape, from a portrait monitor to 32:9 and from the
// settings' 152 x 112 preview to 4K, the whole clock shows with at least 1 %
// of the width free at each side. Where the row of tiles is too wide for
// that at its own size, the clock shrinks, but no more than it must: its
// tiles come within a few per cent of both edges, every glyph in its column.
TEST_F(SnapshotTest, TheWholeClockFitsEveryScreen) {
  // 10:08:37.2 shows 10 08 37 (A M) at rest; the row reaches 649 (24-hour)
  // or 828 (12-hour) units from the centre.
  const std::vector<int> glyphs24 = {1, 0, 0, 8, 3, 7}, glyphs12 = {1, 0, 0, 8, 3, 7, 10, 11};
  for (const auto& [width, height] :
       {std::pair{1920, 1200}, std::pair{1440, 960}, std::pair{1280, 1024}, std::pair{1080, 1920},
        std::pair{152, 112}, std::pair{3840, 1080}, std::pair{3840, 2160}}) {
    for (const bool twelve : {false, true}) {
      Picture pic = Snapshot("10:08:37.2", twelve ? "--12h" : "--24h", width, height);
      ASSERT_EQ(pic.width, width);
      const std::string shape = std::to_string(width) + "x" + std::to_string(height) +
                                (twelve ? " 12-hour" : " 24-hour");
      const auto [left, right] = TileColumnsShown(pic);
      const double margin = 0.01 * width;
      EXPECT_GE(left, margin) << shape;
      EXPECT_LE(right, width - 1 - margin) << shape;

      const double reach = (twelve ? kColumns12[11] + kLetterHalfWidth
                                   : kColumns24[9] + kDigitHalfWidth) * pic.Scale();
      if (reach > width / 2.0 - margin) {  // too wide at its own size
        EXPECT_LT(left, 5 * margin) << shape;
        EXPECT_GT(right, width - 1 - 5 * margin) << shape;
      }
      // The row shown, measured against the layout's span, gives the size it
      // was drawn at.
      const double span = twelve ? kColumns12[11] + kLetterHalfWidth - kColumns12[4] + kDigitHalfWidth
                                 : kColumns24[9] - kColumns24[4] + 2 * kDigitHalfWidth;
      pic.zoom = (right - left + 1) / (span * pic.Scale());
      SCOPED_TRACE(shape);
      ExpectGlyphs(pic, twelve ? kColumns12 : kColumns24, twelve ? glyphs12 : glyphs24);
    }
  }
}

TEST_F(SnapshotTest, RejectsBadArguments) {
  const std::string tool = SnapshotTool();
  for (const char* args : {"--time 25:00:00 --out /tmp/x.png", "--time 12:00 --out /tmp/x.png",
                           "--time 12:00:00", "--time 12:00:00 --size 0x10 --out /tmp/x.png",
                           "--time 12:00:00 --size 99999999x1 --out /tmp/x.png", "--bogus"}) {
    const int status = std::system((tool + " " + args + " 2>/dev/null").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << args;
  }
}

}  // namespace
