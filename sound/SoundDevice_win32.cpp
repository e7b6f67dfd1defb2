// The sound device on Windows: DirectSound. The shared device is an
// IDirectSound, a static buffer an IDirectSoundBuffer filled once.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstring>
#include <vector>

#include "sound/SoundDevice.h"

struct SoundDevice {
  IDirectSound* directSound = nullptr;
};

struct SoundBuffer {
  IDirectSoundBuffer* buffer = nullptr;
};

void QuietSoundLibraries() {}

SoundDeviceResult OpenSoundDevice(SoundDevice** device) {
  IDirectSound* directSound = nullptr;
  const HRESULT result = DirectSoundCreate(nullptr, &directSound, nullptr);
  if (SUCCEEDED(result) && directSound != nullptr) {
    *device = new SoundDevice{directSound};
    return SoundDeviceResult::kOk;
  }
  if (result == DSERR_ALLOCATED) return SoundDeviceResult::kBusy;
  if (result == DSERR_NODRIVER) return SoundDeviceResult::kNoDriver;
  return SoundDeviceResult::kOther;
}

void BindSoundDevice(SoundDevice* device, std::uintptr_t window) {
  device->directSound->SetCooperativeLevel(reinterpret_cast<HWND>(window), DSSCL_NORMAL);
}

void CloseSoundDevice(SoundDevice* device) {
  device->directSound->Release();
  delete device;
}

bool CreateStaticSoundBuffer(SoundDevice* device, const unsigned char* format,
                             std::uint32_t formatSize, std::uint32_t bytes, SoundBuffer** buffer) {
  if (device == nullptr || format == nullptr || formatSize < 14 || bytes == 0) return false;
  // The record sits unaligned inside the resource and may be the 14- or
  // 16-byte kind without cbSize: DirectSound gets an aligned, zero-padded
  // copy that is at least a whole WAVEFORMATEX.
  std::vector<unsigned char> record(formatSize < sizeof(WAVEFORMATEX) ? sizeof(WAVEFORMATEX)
                                                                       : formatSize);
  std::memcpy(record.data(), format, formatSize);

  DSBUFFERDESC desc;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_STATIC;
  desc.dwBufferBytes = bytes;
  desc.lpwfxFormat = reinterpret_cast<WAVEFORMATEX*>(record.data());
  IDirectSoundBuffer* made = nullptr;
  if (FAILED(device->directSound->CreateSoundBuffer(&desc, &made, nullptr)) || made == nullptr) {
    return false;
  }
  *buffer = new SoundBuffer{made};
  return true;
}

bool FillStaticSoundBuffer(SoundBuffer* buffer, const unsigned char* samples, std::uint32_t bytes) {
  void* region = nullptr;
  DWORD length = 0;
  HRESULT result =
      buffer->buffer->Lock(0, 0, &region, &length, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
  if (result == DSERR_BUFFERLOST) {
    buffer->buffer->Restore();
    result = buffer->buffer->Lock(0, 0, &region, &length, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
  }
  if (FAILED(result) || region == nullptr) return false;
  // The lock grants the whole buffer, which was made `bytes` long.
  std::memcpy(region, samples, length < bytes ? length : bytes);
  return SUCCEEDED(buffer->buffer->Unlock(region, length, nullptr, 0));
}

void ReleaseStaticSoundBuffer(SoundBuffer* buffer) {
  buffer->buffer->Release();
  delete buffer;
}

bool DescribeStaticSoundBuffer(SoundBuffer* buffer, SoundBufferInfo* info) {
  DSBCAPS caps;
  std::memset(&caps, 0, sizeof caps);
  caps.dwSize = sizeof caps;
  WAVEFORMATEX format{};
  DWORD written = 0;
  if (FAILED(buffer->buffer->GetCaps(&caps)) ||
      FAILED(buffer->buffer->GetFormat(&format, sizeof format, &written))) {
    return false;
  }
  info->bytes = caps.dwBufferBytes;
  info->channels = format.nChannels;
  info->bitsPerSample = format.wBitsPerSample;
  info->samplesPerSecond = format.nSamplesPerSec;
  return true;
}
