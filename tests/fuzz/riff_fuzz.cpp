// The RIFF/WAVE walk over arbitrary bytes: it must never read past them, and
// whatever it reports must lie inside them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sound/RiffWave.h"

namespace {

bool Inside(const unsigned char* begin, std::size_t size, const unsigned char* p,
            std::uint32_t length) {
  if (p == nullptr) return length == 0;
  if (p < begin || p > begin + size) return false;
  return length <= static_cast<std::size_t>(begin + size - p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RiffWave wave;
  const bool parsed = ParseRiffWave(data, size, &wave);
  if (!Inside(data, size, wave.waveData, wave.waveSize)) std::abort();
  if (!Inside(data, size, wave.format, wave.formatSize)) std::abort();
  if (parsed) {
    if (wave.waveData == nullptr || wave.format == nullptr) std::abort();
    if (wave.formatSize < kBasicWaveFormatSize) std::abort();
    WaveFormat format;
    if (!ReadWaveFormat(wave.format, wave.formatSize, &format)) std::abort();
  }
  return 0;
}
