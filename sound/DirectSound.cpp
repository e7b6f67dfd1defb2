#include "sound/DirectSound.h"

#include <chrono>
#include <thread>

#include "sound/RiffWave.h"

SoundDeviceResult OpenSoundDeviceWithRetry(SoundDeviceResult (*open)(void* context),
                                           void (*sleep)(void* context, unsigned milliseconds),
                                           void* context) {
  SoundDeviceResult result = SoundDeviceResult::kOther;
  for (int attempt = 0; attempt < kSoundDeviceOpenAttempts; ++attempt) {
    if (attempt > 0) sleep(context, kSoundDeviceRetryDelayMs);
    result = open(context);
    if (result != SoundDeviceResult::kBusy && result != SoundDeviceResult::kNoDriver) break;
  }
  return result;
}

namespace {

SoundDeviceResult OpenSharedDevice(void* context) {
  return OpenSoundDevice(static_cast<SoundDevice**>(context));
}

void SleepOnThisThread(void*, unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

CDirectSound::CDirectSound() { ++playerCount; }

CDirectSound::~CDirectSound() {
  if (buffer != nullptr) {
    ReleaseStaticSoundBuffer(buffer);
    buffer = nullptr;
  }
  --playerCount;
  if (playerCount == 0 && device != nullptr) {
    CloseSoundDevice(device);
    device = nullptr;
  }
}

bool CDirectSound::LoadWaveResource(std::uint16_t id, std::uintptr_t window) {
  const std::optional<ResourceView> bytes = FindEmbeddedResource(kWaveResource, id);
  if (!bytes || bytes->data == nullptr) return false;
  return LoadWave(*bytes, window);
}

bool CDirectSound::LoadWave(const ResourceView& bytes, std::uintptr_t window) {
  if (device == nullptr) {
    SoundDevice* opened = nullptr;
    if (OpenSoundDeviceWithRetry(OpenSharedDevice, SleepOnThisThread, &opened) !=
        SoundDeviceResult::kOk) {
      return false;
    }
    device = opened;
    BindSoundDevice(device, window);
  }

  // The walk is bounded by the resource's stored length as well as by the
  // RIFF header's own, so a damaged resource cannot send it past its bytes.
  RiffWave wave;
  const bool parsed = ParseRiffWave(bytes.data, bytes.size, &wave);
  waveData = wave.waveData;
  waveSize = wave.waveSize;
  // A second load replaces the sound: the old buffer goes first.
  if (buffer != nullptr) {
    ReleaseStaticSoundBuffer(buffer);
    buffer = nullptr;
  }
  if (!parsed) return false;

  SoundBuffer* created = nullptr;
  if (!CreateStaticSoundBuffer(device, wave.format, wave.formatSize, waveSize, &created)) {
    return false;
  }
  buffer = created;
  return FillStaticSoundBuffer(buffer, waveData, waveSize);
}

bool CDirectSound::HoldWaveResource(std::uint16_t id) {
  const std::optional<ResourceView> bytes = FindEmbeddedResource(kWaveResource, id);
  if (!bytes || bytes->data == nullptr) return false;
  RiffWave wave;
  const bool parsed = ParseRiffWave(bytes->data, bytes->size, &wave);
  waveData = wave.waveData;
  waveSize = wave.waveSize;
  return parsed;
}
