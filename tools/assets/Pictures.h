// The pictures of the art generator.
#pragma once

#include "tools/assets/Raster.h"

namespace art {

constexpr int kAtlasSize = 2048;

// Horizontally brushed grey metal, brightest in a band across its upper third.
Image MakeMetal();

// The glyph atlas: black background, the 13 glyph cells, crumpled paper at
// the bottom right and the dark panel with three tile slots at the top right.
Image MakeAtlas();

// One fragment of a tile half as the tile program computes it: (x, y) is the
// half's texture coordinate (y = 0 along the hinge), `upper` picks the glyph
// half, `index` the tile slot (paper window and rounded corners). Returns the
// colour and writes the alpha.
Rgb TileFragment(const Image& atlas, int glyph, int index, bool upper, bool animator, float x, float y, float* alpha);

// A full screen as the clock draws it, all tiles resting: the background
// with its vignette and the tiles of `glyphs` (slots 4..11; slots 10 and 11
// only in twelve-hour mode).
Image SimulateScreen(const Image& metal, const Image& atlas, int width, int height, bool twelveHour,
                     const int glyphs[12]);

// The About window's picture: three paper tiles with coloured glyphs on a
// dark ground, 110 x 83 times `scale` (2: the picture for high DPI).
Image MakeAboutPicture(const Image& atlas, int scale = 1);

// The program icon at `size` pixels: premultiplied colour and coverage.
void MakeIconPicture(int size, Image* colour, std::vector<float>* alpha);

}  // namespace art
