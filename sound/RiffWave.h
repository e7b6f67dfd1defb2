// The RIFF/WAVE walk of the click resource, done in place: the parse only
// points into the bytes it is given and copies nothing.
#pragma once

#include <cstddef>
#include <cstdint>

// What the walk found. Every pointer points into the walked bytes.
struct RiffWave {
  const unsigned char* waveData = nullptr;  // payload of the "data" chunk (the PCM samples)
  std::uint32_t waveSize = 0;               // its length in bytes (the chunk size)
  const unsigned char* format = nullptr;    // payload of the first "fmt " chunk
  std::uint32_t formatSize = 0;             // its length in bytes (at least 14)
};

// Walks `size` bytes that should hold a RIFF/WAVE file: "RIFF" at 0, its
// length L at 4, "WAVE" at 8, then chunks (4-byte id, 4-byte size S, payload;
// the next chunk follows the payload rounded up to an even length) from
// offset 12 while the offset is below 8 + L. Only the first "fmt " chunk
// counts and it must hold at least 14 bytes; the walk succeeds as soon as it
// has both a format and a "data" chunk. Everything else is skipped.
//
// The walk never reads past `size`, whatever L and the chunk sizes claim: a
// chunk whose header or payload does not fit in the bytes ends the walk as a
// failure. On failure `wave` keeps what was found up to that point.
bool ParseRiffWave(const unsigned char* bytes, std::size_t size, RiffWave* wave);

// The wave format record at the start of a "fmt " payload, little-endian.
struct WaveFormat {
  std::uint16_t formatTag = 0;  // 1: integer PCM
  std::uint16_t channels = 0;
  std::uint32_t samplesPerSecond = 0;
  std::uint32_t averageBytesPerSecond = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;  // 0 when the record is the 14-byte basic one
};

inline constexpr std::uint16_t kWaveFormatPcm = 1;
inline constexpr std::uint32_t kBasicWaveFormatSize = 14;  // without bitsPerSample
inline constexpr std::uint32_t kPcmWaveFormatSize = 16;    // with bitsPerSample

// Reads the record from a "fmt " payload of `size` bytes. False when fewer
// than 14 bytes are there; bitsPerSample is read only when 16 bytes are.
bool ReadWaveFormat(const unsigned char* format, std::uint32_t size, WaveFormat* out);
