// Placeholder art in the right formats; the real generator replaces it.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {
void Put16(std::vector<unsigned char>& b, unsigned v) { b.push_back(v & 255); b.push_back((v >> 8) & 255); }
void Put32(std::vector<unsigned char>& b, unsigned v) { Put16(b, v & 0xffff); Put16(b, v >> 16); }
bool Write(const std::string& path, const std::vector<unsigned char>& b) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fwrite(b.data(), 1, b.size(), f);
  return std::fclose(f) == 0;
}
std::vector<unsigned char> Bitmap(int w, int h, int bits, unsigned char v) {
  const unsigned stride = (w * bits / 8 + 3) & ~3u;
  const unsigned image = stride * h + 2;
  std::vector<unsigned char> b{'B', 'M'};
  Put32(b, 14 + 40 + image); Put32(b, 0); Put32(b, 54);
  Put32(b, 40); Put32(b, w); Put32(b, h); Put16(b, 1); Put16(b, bits); Put32(b, 0);
  Put32(b, image); Put32(b, 2835); Put32(b, 2835); Put32(b, 0); Put32(b, 0);
  b.resize(b.size() + image, v);
  return b;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  std::vector<unsigned char> wav{'R', 'I', 'F', 'F'};
  Put32(wav, 8820); wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(wav, 16); Put16(wav, 1); Put16(wav, 1); Put32(wav, 44100); Put32(wav, 88200); Put16(wav, 2); Put16(wav, 16);
  wav.insert(wav.end(), {'d', 'a', 't', 'a'}); Put32(wav, 8784); wav.resize(wav.size() + 8784, 0);
  std::vector<unsigned char> ico{0, 0, 1, 0, 0, 0};
  bool ok = Write(dir + "/metal.bmp", Bitmap(2048, 2048, 24, 90)) &&
            Write(dir + "/atlas.bmp", Bitmap(2048, 2048, 24, 0)) &&
            Write(dir + "/about.bmp", Bitmap(110, 83, 32, 40)) && Write(dir + "/click.wav", wav) &&
            Write(dir + "/morvane.ico", ico) && Write(dir + "/morvane_small.ico", ico);
  return ok ? 0 : 1;
}
