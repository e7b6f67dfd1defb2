// Morvane's asset generator: makes every picture, the click and the icons at
// build time.
//
//   morvane-assets OUTDIR [--preview DIR]
//
// writes metal.bmp, atlas.bmp, about.bmp (and about2x.bmp), click.wav, morvane.ico and
// morvane_small.ico into OUTDIR; with --preview it also writes PNG views of
// the art (the atlas, crops, whole simulated screens) into DIR.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/assets/Files.h"
#include "tools/assets/Pictures.h"
#include "tools/assets/Sound.h"

namespace {

using art::Image;

Image Crop(const Image& img, int x0, int y0, int w, int h) {
  Image out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.At(x, y) = img.At(x0 + x, y0 + y);
  return out;
}

Image Shrink(const Image& img, int k) {
  Image out(img.width / k, img.height / k);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      art::Rgb sum{};
      for (int j = 0; j < k; ++j)
        for (int i = 0; i < k; ++i) sum = sum + img.At(x * k + i, y * k + j);
      out.At(x, y) = sum * (1.0f / (k * k));
    }
  return out;
}

Image Enlarge(const Image& img, int k) {
  Image out(img.width * k, img.height * k);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) out.At(x, y) = img.At(x / k, y / k);
  return out;
}

bool WritePreviews(const std::string& dir, const Image& metal, const Image& atlas, const Image& about,
                   const std::vector<art::IconPicture>& icons) {
  const int twelve[12] = {0, 0, 0, 0, 1, 0, 2, 7, 5, 8, 12, 11};
  const int twentyFour[12] = {0, 0, 0, 0, 2, 3, 4, 6, 1, 9, 10, 11};
  bool ok = true;
  auto png = [&](const char* name, const Image& img) {
    ok = art::WriteFile(dir + "/" + name, art::EncodePng(img)) && ok;
  };
  png("atlas.png", Shrink(atlas, 2));
  png("atlas_glyphs_top.png", Crop(atlas, 0, 0, 640, 1024));
  png("atlas_glyphs_bottom.png", Crop(atlas, 0, 1024, 640, 1024));
  png("atlas_paper.png", Crop(atlas, 1024, 1400, 640, 640));
  png("metal.png", Shrink(metal, 2));
  png("metal_crop.png", Crop(metal, 760, 420, 640, 400));
  png("screen_1080_12h.png", art::SimulateScreen(metal, atlas, 1920, 1080, true, twelve));
  png("screen_1080_24h.png", art::SimulateScreen(metal, atlas, 1920, 1080, false, twentyFour));
  const Image uhd = art::SimulateScreen(metal, atlas, 3840, 2160, true, twelve);
  png("screen_4k_left.png", Crop(uhd, 240, 660, 1600, 840));
  png("screen_4k_right.png", Crop(uhd, 1900, 660, 1700, 840));
  png("about.png", Enlarge(about, 4));
  for (const art::IconPicture& icon : icons) {
    Image shown(icon.colour.width, icon.colour.height);
    for (int y = 0; y < shown.height; ++y)
      for (int x = 0; x < shown.width; ++x) {
        const float a = icon.alpha[static_cast<size_t>(y) * shown.width + x];
        shown.At(x, y) = icon.colour.At(x, y) + art::Rgb{0.5f, 0.6f, 0.7f} * (1 - a);
      }
    png(icon.colour.width == 16 ? "icon16.png" : "icon32.png", Enlarge(shown, 256 / shown.width));
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--preview") == 0)) {
    std::fprintf(stderr, "usage: morvane-assets OUTDIR [--preview DIR]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const Image metal = art::MakeMetal();
  const Image atlas = art::MakeAtlas();
  const Image about = art::MakeAboutPicture(atlas);
  std::vector<art::IconPicture> icons(2);
  art::MakeIconPicture(16, &icons[0].colour, &icons[0].alpha);
  art::MakeIconPicture(32, &icons[1].colour, &icons[1].alpha);
  // The small icon group carries the same pictures.
  const art::Bytes ico = art::EncodeIco(icons);
  bool ok = art::WriteFile(dir + "/metal.bmp", art::EncodeBmp(metal, 24, 179)) &&
            art::WriteFile(dir + "/atlas.bmp", art::EncodeBmp(atlas, 24, 180)) &&
            art::WriteFile(dir + "/about.bmp", art::EncodeBmp(about, 32, 182)) &&
            art::WriteFile(dir + "/about2x.bmp",
                           art::EncodeBmp(art::MakeAboutPicture(atlas, 2), 32, 183)) &&
            art::WriteFile(dir + "/click.wav", art::EncodeWav(art::MakeClick())) &&
            art::WriteFile(dir + "/morvane.ico", ico) && art::WriteFile(dir + "/morvane_small.ico", ico);
  if (ok && argc == 4) ok = WritePreviews(argv[3], metal, atlas, about, icons);
  if (!ok) std::fprintf(stderr, "morvane-assets: cannot write into %s\n", dir.c_str());
  return ok ? 0 : 1;
}
