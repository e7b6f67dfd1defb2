// The flip-click player: holds one short sound in a static buffer on the
// process's shared sound device. Nothing plays it.
#pragma once

#include <cstdint>

#include "render/Resources.h"
#include "sound/SoundDevice.h"

class CDirectSound {
 public:
  CDirectSound();
  // Releases the buffer; the last player to go also releases the device.
  virtual ~CDirectSound();
  CDirectSound(const CDirectSound&) = delete;
  CDirectSound& operator=(const CDirectSound&) = delete;

  // Puts the "WAVE" resource `id` into a static buffer, opening the shared
  // device (bound to `window`) when there is none yet. True when the sound is
  // in the buffer. Every failure is silent: the player then holds no sound.
  bool LoadWaveResource(std::uint16_t id, std::uintptr_t window);

  // The same for RIFF/WAVE bytes already in memory; they must outlive the
  // player, since waveData points into them.
  bool LoadWave(const ResourceView& bytes, std::uintptr_t window);

  // Finds the "WAVE" resource `id` and keeps its samples in waveData and
  // waveSize only: no device is opened and no buffer made. True when the
  // bytes are a sound.
  bool HoldWaveResource(std::uint16_t id);

  const unsigned char* waveData = nullptr;  // PCM samples inside the resource; not owned
  std::uint32_t waveSize = 0;               // their length in bytes
  SoundBuffer* buffer = nullptr;            // owned

  // Shared by every player in the process.
  inline static SoundDevice* device = nullptr;
  inline static int playerCount = 0;
};

// Opening the device: at most kSoundDeviceOpenAttempts calls of `open`, with
// a sleep of kSoundDeviceRetryDelayMs before every call but the first. A
// further call is made only after kBusy or kNoDriver. Returns the result of
// the last call. `context` is handed to both operations.
inline constexpr int kSoundDeviceOpenAttempts = 10;
inline constexpr unsigned kSoundDeviceRetryDelayMs = 500;
SoundDeviceResult OpenSoundDeviceWithRetry(SoundDeviceResult (*open)(void* context),
                                           void (*sleep)(void* context, unsigned milliseconds),
                                           void* context);
