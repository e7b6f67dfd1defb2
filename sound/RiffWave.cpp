#include "sound/RiffWave.h"

#include <cstring>

namespace {

std::uint32_t Read32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t Read16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool IdIs(const unsigned char* p, const char (&id)[5]) { return std::memcmp(p, id, 4) == 0; }

constexpr std::uint64_t kChunkHeaderSize = 8;
constexpr std::uint64_t kFirstChunkOffset = 12;

}  // namespace

bool ParseRiffWave(const unsigned char* bytes, std::size_t size, RiffWave* wave) {
  *wave = RiffWave{};
  if (size < kFirstChunkOffset || !IdIs(bytes, "RIFF") || !IdIs(bytes + 8, "WAVE")) return false;

  // The RIFF length says where the chunk list ends, but it is only a claim:
  // the stored bytes are the real bound. Offsets are 64-bit so that neither
  // 8 + L nor offset + 8 + S can wrap (both stay below 2^34), and every
  // header and payload is checked against the stored size before it is read.
  const std::uint64_t stored = size;
  const std::uint64_t listEnd = 8 + static_cast<std::uint64_t>(Read32(bytes + 4));
  std::uint64_t offset = kFirstChunkOffset;
  while (offset < listEnd) {
    // (The pad byte of a last chunk may put the offset one past the bytes.)
    if (offset > stored || kChunkHeaderSize > stored - offset) return false;  // header cut off
    const unsigned char* header = bytes + offset;
    const std::uint32_t chunkSize = Read32(header + 4);
    const std::uint64_t payloadOffset = offset + kChunkHeaderSize;
    if (chunkSize > stored - payloadOffset) return false;  // payload cut off
    const unsigned char* payload = bytes + payloadOffset;

    if (IdIs(header, "fmt ")) {
      if (wave->format == nullptr) {
        if (chunkSize < kBasicWaveFormatSize) return false;
        wave->format = payload;
        wave->formatSize = chunkSize;
        if (wave->waveData != nullptr && wave->waveSize != 0) return true;
      }
    } else if (IdIs(header, "data")) {
      wave->waveData = payload;
      wave->waveSize = chunkSize;
      if (wave->format != nullptr) return true;
    }
    // A chunk of odd size is followed by one pad byte.
    offset = payloadOffset + chunkSize + (chunkSize & 1u);
  }
  return false;
}

bool ReadWaveFormat(const unsigned char* format, std::uint32_t size, WaveFormat* out) {
  *out = WaveFormat{};
  if (format == nullptr || size < kBasicWaveFormatSize) return false;
  out->formatTag = Read16(format);
  out->channels = Read16(format + 2);
  out->samplesPerSecond = Read32(format + 4);
  out->averageBytesPerSecond = Read32(format + 8);
  out->blockAlign = Read16(format + 12);
  if (size >= kPcmWaveFormatSize) out->bitsPerSample = Read16(format + 14);
  return true;
}
