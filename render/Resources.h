// Embedded resources: every asset of the program is compiled into the
// executable and found by a type name and a numeric id. Nothing is read
// from disk at run time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Resource type names.
inline constexpr const char kTextFileResource[] = "TEXTFILE";
inline constexpr const char kWaveResource[] = "WAVE";
inline constexpr const char kBitmapResource[] = "BITMAP";  // RT_BITMAP on Windows

// The read-only bytes of one resource as stored in the executable. Valid for
// the life of the process; never written or released.
struct ResourceView {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

// Resource ids.
enum ResourceId : std::uint16_t {
  kBackgroundVertexShader = 137,
  kBackgroundFragmentShader = 136,
  kPanelVertexShader = 184,
  kPanelFragmentShader = 185,
  kDigitVertexShader = 188,
  kDigitFragmentShader = 186,
  kPlaneObjText = 141,
  kPlaneMtlText = 140,
  kBackgroundBitmap = 179,
  kDigitAtlasBitmap = 180,
  kAboutBitmap = 182,
  kAboutBitmapLarge = 183,  // twice its size, for the Win32 About window above 96 DPI
  kFlipClickWave = 173,
};

// Platform seam (Resources_posix.cpp / Resources_win32.cpp).
std::optional<ResourceView> FindEmbeddedResource(const char* type, std::uint16_t id);

// Size of a shader source buffer: up to 16,384 bytes of text and four zero bytes.
inline constexpr std::size_t kShaderTextCapacity = 16384;
inline constexpr std::size_t kShaderBufferSize = kShaderTextCapacity + 4;

// Copies the "TEXTFILE" resource `id` into `buffer` (kShaderBufferSize bytes)
// up to its '~' end marker and writes four zero bytes where the marker was.
// The copy never reads past the resource's stored bytes nor writes past the
// buffer: a missing resource yields the empty text, and a text with no marker
// within its bytes or the first 16,384 of them is cut there. Returns true
// only when the marker was found.
bool LoadShaderText(std::uint16_t id, char* buffer);

// The same cut over a view, for tests and for the loader above.
bool CutShaderText(const ResourceView& view, char* buffer);

// The whole "TEXTFILE" resource `id` as a string of its stored length; the
// empty string when the resource does not exist.
std::string LoadResourceText(std::uint16_t id);
