#include "tools/assets/Pictures.h"

#include "tools/assets/Glyphs.h"

namespace art {
namespace {

// ---------------------------------------------------------------- metal

// Thin bright or dark scratches that run along the brushing direction.
void AddScratches(std::vector<float>& lum, int n) {
  Rng rng(0x51ec7a11U);
  for (int i = 0; i < 900; ++i) {
    const float y = rng.Range(0, static_cast<float>(n - 1));
    const float x0 = rng.Range(-400, static_cast<float>(n));
    const float len = rng.Range(80, 1400);
    const float amount = (rng.Next() < 0.6f ? 1.0f : -1.0f) * rng.Range(0.015f, 0.05f);
    const int row = static_cast<int>(y);
    const float frac = y - static_cast<float>(row);
    for (int x = std::max(0, static_cast<int>(x0)); x < std::min(n, static_cast<int>(x0 + len)); ++x) {
      const float s = (static_cast<float>(x) - x0) / len;
      const float taper = std::sin(kPi * s);
      const float a = amount * taper * taper;
      lum[static_cast<size_t>(row) * n + x] *= 1 + a * (1 - frac);
      if (row + 1 < n) lum[static_cast<size_t>(row + 1) * n + x] *= 1 + a * frac;
    }
  }
}

}  // namespace

Image MakeMetal() {
  const int n = kAtlasSize;
  std::vector<float> lum(static_cast<size_t>(n) * n);
  // Large, soft variations of the sheen, on a coarse grid.
  const int coarse = 64;
  std::vector<float> cloud((coarse + 1) * (coarse + 1));
  for (int j = 0; j <= coarse; ++j)
    for (int i = 0; i <= coarse; ++i)
      cloud[j * (coarse + 1) + i] = Fbm(i * 32.0f / 700.0f, j * 32.0f / 260.0f, 4, 7001);
  for (int y = 0; y < n; ++y) {
    const float t = (y + 0.5f) / n;  // 0 at the top as seen
    const float dy = (t - 0.30f) / 0.17f, core = (t - 0.29f) / 0.05f;
    const float band = 0.22f + 0.38f * std::exp(-dy * dy) + 0.07f * std::exp(-core * core) +
                       0.05f * std::exp(-((t - 0.78f) / 0.12f) * ((t - 0.78f) / 0.12f));
    const float cy = y / 32.0f;
    const int cj = std::min(static_cast<int>(cy), coarse - 1);
    const float ct = cy - cj;
    for (int x = 0; x < n; ++x) {
      const float fx = static_cast<float>(x);
      const float streak = 0.50f * ValueNoise(fx / 620.0f, y / 1.15f, 7002) +
                           0.30f * ValueNoise(fx / 170.0f, y / 0.85f, 7003) +
                           0.20f * ValueNoise(fx / 38.0f, y / 0.7f, 7004);
      const float cx = x / 32.0f;
      const int ci = std::min(static_cast<int>(cx), coarse - 1);
      const float cu = cx - ci;
      const float* c0 = &cloud[cj * (coarse + 1) + ci];
      const float* c1 = c0 + coarse + 1;
      const float soft = (c0[0] * (1 - cu) + c0[1] * cu) * (1 - ct) + (c1[0] * (1 - cu) + c1[1] * cu) * ct;
      const float across = (x + 0.5f) / n - 0.5f;
      const float fine = Signed(Hash(x, y, 7005)) * 0.012f;
      lum[static_cast<size_t>(y) * n + x] =
          band * (1 - 0.22f * across * across) * (1 + 0.10f * soft) * (1 + 0.085f * streak + fine);
    }
  }
  AddScratches(lum, n);
  Image img(n, n);
  for (size_t i = 0; i < lum.size(); ++i) {
    const float l = lum[i];
    img.pixels[i] = {l * 0.975f, l * 0.99f, l * 1.025f};
  }
  return img;
}

// ---------------------------------------------------------------- atlas

namespace {

void DrawGlyphCell(Image& atlas, int g) {
  const GlyphCell cell = kGlyphCells[g];
  const Rgb ink = GlyphInk(g);
  const Rgb light = ink + (Rgb{1, 1, 1} - ink) * 0.5f;
  for (int cy = 0; cy < kCellHeight; ++cy) {
    for (int cx = 0; cx < kCellWidth; ++cx) {
      const float gx = cx + 0.5f - kCellWidth / 2.0f;
      const float gy = kCellHeight / 2.0f - (cy + 0.5f);
      const float d = GlyphDistance(g, gx, gy);
      if (d >= 0.5f) continue;
      const float coverage = Saturate(0.5f - d);
      const float depth = std::max(-d, 0.0f);
      const int ax = ((cell.left + cx) % kAtlasSize + kAtlasSize) % kAtlasSize;
      const int ay = cell.top + cy;
      // A soft light rim along the outline, a gentle top-to-bottom falloff
      // and a faint horizontal grain.
      const float rim = std::exp(-depth / 2.6f) * 0.6f;
      Rgb c = Mix(ink * (1.0f + 0.045f * gy / 105.0f), light, rim);
      const float grain = 0.6f * ValueNoise(ax / 26.0f, ay / 1.3f, 811) + 0.4f * ValueNoise(ax / 7.0f, ay / 0.8f, 812);
      c = c * (1 + 0.055f * grain);
      c = {Saturate(c.r), Saturate(c.g), Saturate(c.b)};
      atlas.At(ax, ay) = c * coverage;
    }
  }
}

// Crumpled paper: folds (straight creases), crumple facets (ridges between
// random cells), soft undulation, fibres and grain.
void DrawPaper(Image& atlas, int x0, int y0, int w, int h) {
  // Neighbouring tiles show neighbouring windows of the sheet, 0.12 of the
  // atlas apart, and the meridiem pair shows the same window twice; a sheet
  // that repeats across with that period joins seamlessly in both cases.
  const float period = 0.12f * kAtlasSize;
  const int facetsAcross = 5;
  const float cellSize = period / facetsAcross;
  std::vector<float> height(static_cast<size_t>(w) * h, 0.0f);
  auto feature = [&](int i, int j, float* fx, float* fy, float* amp) {
    const std::uint32_t k = Hash(((i % facetsAcross) + facetsAcross) % facetsAcross, j, 4242);
    *fx = (i + 0.15f + 0.7f * Unit(k)) * cellSize;
    *fy = (j + 0.15f + 0.7f * Unit(Hash(k))) * cellSize;
    *amp = Signed(Hash(k + 77)) * 0.24f;
  };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      // Crumple facets: ridges and valleys along the borders of random cells.
      const int ci = static_cast<int>(std::floor(px / cellSize)), cj = static_cast<int>(std::floor(py / cellSize));
      float f1 = 1e9f, f2 = 1e9f, amp1 = 0;
      for (int j = cj - 1; j <= cj + 1; ++j)
        for (int i = ci - 1; i <= ci + 1; ++i) {
          float fx, fy, amp;
          feature(i, j, &fx, &fy, &amp);
          const float d = std::hypot(px - fx, py - fy);
          if (d < f1) {
            f2 = f1;
            f1 = d;
            amp1 = amp;
          } else if (d < f2) {
            f2 = d;
          }
        }
      float hv = amp1 * (f2 - f1);
      // Soft undulation and small wrinkles.
      hv += 7.0f * PeriodicFbm(px * 2 / period, py * 2 / period, 2, 3, 4343) +
            1.2f * PeriodicFbm(px * 11 / period, py * 11 / period, 11, 2, 4344);
      height[static_cast<size_t>(y) * w + x] = hv;
    }
  }
  // Light from the upper left.
  const float lx = -0.42f, ly = -0.52f, lz = 0.74f;
  const float ll = std::sqrt(lx * lx + ly * ly + lz * lz);
  const Rgb base{0.94f, 0.905f, 0.835f};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float* row = &height[static_cast<size_t>(y) * w];
      const float gx = (row[std::min(x + 1, w - 1)] - row[std::max(x - 1, 0)]) * 0.5f;
      const float gy = ((y + 1 < h ? row[x + w] : row[x]) - (y > 0 ? row[x - w] : row[x])) * 0.5f;
      const float nl = std::sqrt(gx * gx + gy * gy + 1);
      const float shade = (-gx * lx - gy * ly + lz) / (nl * ll) / (lz / ll);
      const float mottle = 0.018f * PeriodicFbm((x + 0.5f) / period, (y + 0.5f) / period, 1, 3, 4545);
      const float grain = 0.010f * Signed(Hash(x, y, 4646)) + 0.012f * ValueNoise(x / 2.2f, y / 2.2f, 4647);
      const float k = 0.975f + 0.17f * (shade - 1.0f) + mottle + grain;
      atlas.At(x0 + x, y0 + y) = base * k;
    }
  }
  // Fibres: short thin strands, a shade lighter or darker than the sheet.
  Rng fr(0xf1b3e5U);
  for (int i = 0; i < 620; ++i) {
    const float sx0 = fr.Range(0, period), sy = fr.Range(0, static_cast<float>(h));
    const float a = fr.Range(0, 2 * kPi), len = fr.Range(8, 40), bend = fr.Range(-0.015f, 0.015f);
    const float width = fr.Range(0.25f, 0.6f), amount = (fr.Next() < 0.6f ? -1.0f : 1.0f) * fr.Range(0.01f, 0.03f);
    for (float sx = sx0 - period; sx < w + 40.0f; sx += period) {
      float px = sx, py = sy, ang = a;
      for (float s = 0; s < len; s += 0.5f) {
        const float nx = px + std::cos(ang) * 0.5f, ny = py + std::sin(ang) * 0.5f;
        for (int yy = static_cast<int>(py) - 1; yy <= static_cast<int>(py) + 1; ++yy)
          for (int xx = static_cast<int>(px) - 1; xx <= static_cast<int>(px) + 1; ++xx) {
            if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
            const float d = SegmentDistance(xx + 0.5f, yy + 0.5f, px, py, nx, ny);
            const float cov = Saturate(width + 0.5f - d) * 0.5f;  // spread over two steps
            if (cov <= 0) continue;
            const float taper = std::sin(kPi * s / len);
            atlas.At(x0 + xx, y0 + yy) = atlas.At(x0 + xx, y0 + yy) * (1 + amount * cov * taper);
          }
        px = nx;
        py = ny;
        ang += bend;
      }
    }
  }
}

// The dark panel with three rounded tile slots.
void DrawPanel(Image& atlas, int x0, int y0, int w, int h) {
  const float slotW = 380, slotH = 590, gap = 40, radius = 36;
  const float left = (w - (3 * slotW + 2 * gap)) / 2.0f;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      const float t = py / h;
      float l =
          0.13f - 0.05f * t + 0.012f * ValueNoise(px / 300.0f, py / 1.2f, 9001) + 0.006f * Signed(Hash(x, y, 9002));
      for (int s = 0; s < 3; ++s) {
        const float cx = left + slotW / 2 + s * (slotW + gap), cy = h / 2.0f;
        const float d = RoundRectDistance(px, py, cx, cy, slotW / 2, slotH / 2, radius);
        if (d > 14) continue;
        const float below = Saturate((py - cy) / (slotH / 2) + 0.4f);
        const float above = Saturate((cy - py) / (slotH / 2) + 0.4f);
        // Outside: a light lip below the slot, a shadow above it.
        l += (0.10f * below - 0.05f * above) * std::exp(-((d - 1.5f) / 2.0f) * ((d - 1.5f) / 2.0f));
        // Inside: a deep recess with an inner shadow under its upper edge.
        const float inside = Saturate(0.5f - d);
        const float recess =
            0.035f + 0.03f * Saturate(-d / 60.0f) * below + 0.004f * ValueNoise(px / 40.0f, py / 40.0f, 9003);
        const float hinge = std::exp(-((py - cy) / 1.5f) * ((py - cy) / 1.5f)) * 0.03f;
        l = l * (1 - inside) + (recess - hinge * Saturate(-d / 8.0f)) * inside;
      }
      atlas.At(x0 + x, y0 + y) = Rgb{l * 0.96f, l, l * 1.06f};
    }
  }
}

}  // namespace

Image MakeAtlas() {
  Image atlas(kAtlasSize, kAtlasSize);
  DrawPanel(atlas, 758, 0, kAtlasSize - 758, 770);
  DrawPaper(atlas, 1024, 770, kAtlasSize - 1024, kAtlasSize - 770);
  // The P cell reaches four columns past the left edge; the atlas repeats,
  // so those columns are the right edge's and must be black there.
  for (int y = kGlyphCells[12].top; y < kGlyphCells[12].top + kCellHeight; ++y)
    for (int x = kAtlasSize - 4; x < kAtlasSize; ++x) atlas.At(x, y) = Rgb{};
  for (int g = 0; g < kGlyphCount; ++g) DrawGlyphCell(atlas, g);
  return atlas;
}

// ---------------------------------------------------------------- tile program

namespace {
// Sample in texture coordinates: u from the left, v from the bottom row.
Rgb SampleUv(const Image& img, float u, float v) { return SampleWrap(img, u * img.width, (1.0f - v) * img.height); }
}  // namespace

Rgb TileFragment(const Image& atlas, int glyph, int index, bool upper, bool animator, float x, float y, float* alpha) {
  const GlyphCell cell = kGlyphCells[glyph];
  const float gu = (cell.left + 200.0f * x) / 2048.0f;
  const float gv =
      upper ? 1.0f - (cell.top + 144.0f * (1.0f - y)) / 2048.0f : 1.0f - (cell.top + 144.0f + 144.0f * y) / 2048.0f;
  const Rgb g = SampleUv(atlas, gu, gv);
  const float sx = (index == 5 || index == 7 || index == 9) ? 0.12f : 0.0f;
  const float sy = (index == 6 || index == 7) ? 0.12f : 0.0f;
  const Rgb p = SampleUv(atlas, 0.52f + sx + 0.12f * x, 0.02f + sy + 0.12f * y);
  const float l = Length(g);
  Rgb colour = p * (1 - 0.8f * l) + g * (0.8f * l);
  float d = 0;
  if (index == 4 || index == 6 || index == 8 || index == 10) {
    if (x <= 0.18f && y >= 0.82f)
      d = std::hypot(x - 0.18f, y - 0.82f);
    else if (x <= 0.18f && y < 0.82f)
      d = 0.18f - x;
    else if (x > 0.18f && y > 0.82f)
      d = y - 0.82f;
  } else if (index == 5 || index == 7 || index == 9 || index == 11) {
    if (x >= 0.82f && y >= 0.82f)
      d = std::hypot(x - 0.82f, y - 0.82f);
    else if (x < 0.82f && y > 0.82f)
      d = y - 0.82f;
    else if (x > 0.82f && y < 0.82f)
      d = x - 0.82f;
  }
  float a = 1;
  if (d >= 0.16f) a = animator ? 0.0f : (0.18f - d) * 50.0f;
  if (d >= 0.18f) a = 0;
  if (y < 0.008f) {
    colour = {0.8f, 0.8f, 0.8f};
    a = 1;
  }
  *alpha = a;
  return colour;
}

Image SimulateScreen(const Image& metal, const Image& atlas, int width, int height, bool twelveHour,
                     const int glyphs[12]) {
  static const float kColumns24[12] = {0, 0, 0, 0, -546, -354, -92, 100, 360, 552, 0, 0};
  static const float kColumns12[12] = {0, 0, 0, 0, -711, -519, -257, -65, 195, 387, 623, 759};
  Image img(width, height);
  const float ratio = static_cast<float>(width) / height;
  const int last = twelveHour ? 11 : 9;
  for (int yi = 0; yi < height; ++yi) {
    const float py = (height - 1 - yi) + 0.5f;  // window y from the bottom
    for (int xi = 0; xi < width; ++xi) {
      const float px = xi + 0.5f;
      const float u = px / width - 0.5f, w = py / height - 0.5f, v = w / ratio;
      const float b = 1.0f - 1.75f * std::sqrt(u * u + w * w);
      Rgb c = SampleUv(metal, u + 0.5f, v + 0.5f) * b;
      c = {std::max(c.r, 0.0f), std::max(c.g, 0.0f), std::max(c.b, 0.0f)};
      const float wx = px / height * 1000.0f - 500.0f * ratio, wy = py / height * 1000.0f - 500.0f;
      for (int slot = 4; slot <= last; ++slot) {
        const float f = slot < 10 ? 7.0f : 5.0f, hinge = slot < 10 ? 7.2f : -38.0f;
        const float sxs = f * 20 / 3.6f, sys = f * 16 / 3.6f;
        const float cx = twelveHour ? kColumns12[slot] : kColumns24[slot];
        const float tx = (wx - cx) / sxs / 5.0f + 0.5f;
        if (tx < 0 || tx > 1) continue;
        const float up = (wy - hinge) / sys - 0.0298f, down = (hinge - wy) / sys - 0.0298f;
        const bool upper = up >= 0 && up <= 5;
        const bool lower = down >= 0 && down <= 5;
        if (!upper && !lower) continue;
        float a = 0;
        const Rgb t = TileFragment(atlas, glyphs[slot], slot, upper, false, tx, (upper ? up : down) / 5.0f, &a);
        a = Saturate(a);
        c = c * (1 - a) + Rgb{Saturate(t.r), Saturate(t.g), Saturate(t.b)} * a;
        break;  // the first tile drawn holds the depth there
      }
      img.At(xi, yi) = c;
    }
  }
  return img;
}

// ---------------------------------------------------------------- About picture

Image MakeAboutPicture(const Image& atlas, int scale) {
  const int w = 110, h = 83, ss = 6;
  const float pixel = static_cast<float>(scale);  // pixels per unit of the 110 x 83 picture
  const int glyphs[3] = {2, 0, 7};
  const float tileW = 30, halfH = tileW * 155.6f / 194.4f, gapY = 0.6f;
  const float tileH = 2 * halfH + gapY;
  const float spacing = 35, left = (w - (2 * spacing + tileW)) / 2.0f, top = (h - tileH) / 2.0f;
  Image out(w * scale, h * scale);
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      Rgb sum{};
      for (int sj = 0; sj < ss; ++sj) {
        for (int si = 0; si < ss; ++si) {
          const float px = (x + (si + 0.5f) / ss) / pixel, py = (y + (sj + 0.5f) / ss) / pixel;
          // Dark ground with a soft light from above and soft tile shadows.
          Rgb c = Rgb{0.10f, 0.105f, 0.115f} * (1.15f - 0.35f * py / h);
          for (int t = 0; t < 3; ++t) {
            const float tx0 = left + t * spacing;
            const float sd =
                RoundRectDistance(px, py, tx0 + tileW / 2 + 0.8f, top + tileH / 2 + 1.6f, tileW / 2, tileH / 2, 3.0f);
            c = c * (1 - 0.5f * Saturate(1 - sd / 2.5f) * Saturate(1 + sd));
          }
          for (int t = 0; t < 3; ++t) {
            const float tx = (px - (left + t * spacing)) / tileW;
            if (tx < 0 || tx > 1) continue;
            const float hingeY = top + halfH + gapY / 2;
            const bool upper = py < hingeY;
            const float ty = upper ? (hingeY - gapY / 2 - py) / halfH : (py - hingeY - gapY / 2) / halfH;
            if (ty < 0 || ty > 1) {
              if (std::fabs(py - hingeY) <= gapY / 2) c = Rgb{0.05f, 0.05f, 0.05f};
              continue;
            }
            float a = 0, a2 = 0;
            // Round both outer corners of each lone tile: the left tile rule
            // and the right tile rule together.
            const Rgb col = TileFragment(atlas, glyphs[t], 4, upper, false, tx, ty, &a);
            TileFragment(atlas, glyphs[t], 5, upper, false, tx, ty, &a2);
            a = Saturate(std::min(a, a2));
            const Rgb shade = Rgb{Saturate(col.r), Saturate(col.g), Saturate(col.b)} * (upper ? 1.0f : 0.9f);
            c = c * (1 - a) + shade * a;
          }
          sum = sum + c;
        }
      }
      out.At(x, y) = sum * (1.0f / (ss * ss));
    }
  }
  return out;
}

// ---------------------------------------------------------------- icon

void MakeIconPicture(int size, Image* colour, std::vector<float>* alpha) {
  const int ss = 8;
  const float s = static_cast<float>(size);
  *colour = Image(size, size);
  alpha->assign(static_cast<size_t>(size) * size, 0.0f);
  // Edges on whole pixels so the small sizes stay crisp.
  const bool small = size <= 16;
  const float outline = small ? 1.0f : 2.0f;
  const float hw = small ? 7.0f : 14.0f, hh = small ? 8.0f : 15.0f, rad = small ? 2.5f : 5.0f;
  const float scale = (s * 0.64f) / 210.0f;  // glyph height in icon pixels
  const float pen = small ? 1.25f : 2.1f;    // half stroke, bolder than the atlas
  const Rgb ink = GlyphInk(2), paper{0.95f, 0.925f, 0.87f}, edge{0.16f, 0.16f, 0.18f};
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      Rgb sum{};
      float cover = 0;
      for (int sj = 0; sj < ss; ++sj)
        for (int si = 0; si < ss; ++si) {
          const float px = x + (si + 0.5f) / ss, py = y + (sj + 0.5f) / ss;
          const float d = RoundRectDistance(px, py, s / 2, s / 2, hw, hh, rad);
          if (d > 0) continue;
          Rgb c = paper * (1.0f - 0.12f * py / s);
          const float gd = GlyphCentrelineDistance(2, (px - s / 2) / scale, (s / 2 - py) / scale) * scale - pen;
          if (gd < 0) c = ink;
          if (std::fabs(py - (small ? 7.5f : 16.0f)) < 0.5f + (small ? 0.0f : 0.5f)) c = edge;  // the hinge
          if (d > -outline) c = edge;
          sum = sum + c;
          cover += 1;
        }
      const float a = cover / (ss * ss);
      colour->At(x, y) = sum * (1.0f / (ss * ss));
      (*alpha)[static_cast<size_t>(y) * size + x] = a;
    }
}

}  // namespace art
