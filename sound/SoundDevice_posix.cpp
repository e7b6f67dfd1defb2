// The sound device on Linux: OpenAL Soft. The shared device is an ALC device
// with one context, made current when the device opens; a static buffer is one
// AL buffer filled once.
#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <dlfcn.h>

#include <climits>
#include <cstdlib>

#include "sound/RiffWave.h"
#include "sound/SoundDevice.h"

struct SoundDevice {
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
};

struct SoundBuffer {
  ALuint name = 0;
  ALenum format = AL_NONE;
  ALsizei frequency = 0;
  std::uint32_t bytes = 0;
};

namespace {

// The AL format of an integer PCM record, or AL_NONE when OpenAL has none.
ALenum AlFormatOf(const WaveFormat& wave) {
  if (wave.formatTag != kWaveFormatPcm) return AL_NONE;
  if (wave.channels == 1 && wave.bitsPerSample == 8) return AL_FORMAT_MONO8;
  if (wave.channels == 1 && wave.bitsPerSample == 16) return AL_FORMAT_MONO16;
  if (wave.channels == 2 && wave.bitsPerSample == 8) return AL_FORMAT_STEREO8;
  if (wave.channels == 2 && wave.bitsPerSample == 16) return AL_FORMAT_STEREO16;
  return AL_NONE;
}

// ALSA's snd_lib_error_handler_t.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int error,
                                  const char* format, ...);
void DropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void QuietSoundLibraries() {
  if (std::getenv("ALSOFT_LOGLEVEL") != nullptr) return;
  // ALSA prints every step of a failed look-up of a card. OpenAL Soft opens
  // libasound.so.2 by that name, so it gets this same copy, handler and all;
  // the library stays loaded for the rest of the process.
  if (void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL)) {
    if (void* set = dlsym(alsa, "snd_lib_error_set_handler")) {
      reinterpret_cast<int (*)(AlsaErrorHandler)>(set)(DropAlsaMessage);
    }
  }
  // OpenAL Soft reads ALSOFT_LOGLEVEL at the process's first device (a
  // loopback one here: no output is opened). The variable stays set: the
  // library's own threads may be reading the environment by then, and a
  // removal would move the array under them. These runs start no child
  // that could inherit it.
  setenv("ALSOFT_LOGLEVEL", "0", 1);
  if (ALCdevice* loopback = alcLoopbackOpenDeviceSOFT(nullptr)) alcCloseDevice(loopback);
}

SoundDeviceResult OpenSoundDevice(SoundDevice** device) {
  // A machine without sound fails here at once; OpenAL gives no way to tell
  // a busy device from a missing one, so there is nothing worth retrying.
  ALCdevice* alcDevice = alcOpenDevice(nullptr);
  if (alcDevice == nullptr) return SoundDeviceResult::kOther;
  ALCcontext* context = alcCreateContext(alcDevice, nullptr);
  if (context == nullptr) {
    alcCloseDevice(alcDevice);
    return SoundDeviceResult::kOther;
  }
  if (alcMakeContextCurrent(context) != ALC_TRUE) {
    alcDestroyContext(context);
    alcCloseDevice(alcDevice);
    return SoundDeviceResult::kOther;
  }
  *device = new SoundDevice{alcDevice, context};
  return SoundDeviceResult::kOk;
}

void BindSoundDevice(SoundDevice*, std::uintptr_t) {
  // OpenAL output belongs to no window.
}

void CloseSoundDevice(SoundDevice* device) {
  if (alcGetCurrentContext() == device->context) alcMakeContextCurrent(nullptr);
  alcDestroyContext(device->context);
  alcCloseDevice(device->device);
  delete device;
}

bool CreateStaticSoundBuffer(SoundDevice* device, const unsigned char* format,
                             std::uint32_t formatSize, std::uint32_t bytes, SoundBuffer** buffer) {
  WaveFormat wave;
  if (device == nullptr || !ReadWaveFormat(format, formatSize, &wave)) return false;
  const ALenum alFormat = AlFormatOf(wave);
  if (alFormat == AL_NONE || wave.samplesPerSecond == 0 || wave.samplesPerSecond > INT_MAX ||
      bytes == 0 || bytes > INT_MAX) {
    return false;
  }
  alGetError();  // start from a clean error state
  ALuint name = 0;
  alGenBuffers(1, &name);
  if (alGetError() != AL_NO_ERROR) return false;
  *buffer = new SoundBuffer{name, alFormat, static_cast<ALsizei>(wave.samplesPerSecond), bytes};
  return true;
}

bool FillStaticSoundBuffer(SoundBuffer* buffer, const unsigned char* samples, std::uint32_t bytes) {
  if (bytes != buffer->bytes) return false;
  alGetError();
  alBufferData(buffer->name, buffer->format, samples, static_cast<ALsizei>(bytes),
               buffer->frequency);
  return alGetError() == AL_NO_ERROR;
}

void ReleaseStaticSoundBuffer(SoundBuffer* buffer) {
  alDeleteBuffers(1, &buffer->name);
  delete buffer;
}

bool DescribeStaticSoundBuffer(SoundBuffer* buffer, SoundBufferInfo* info) {
  alGetError();
  ALint size = 0, channels = 0, bits = 0, frequency = 0;
  alGetBufferi(buffer->name, AL_SIZE, &size);
  alGetBufferi(buffer->name, AL_CHANNELS, &channels);
  alGetBufferi(buffer->name, AL_BITS, &bits);
  alGetBufferi(buffer->name, AL_FREQUENCY, &frequency);
  if (alGetError() != AL_NO_ERROR || size < 0 || channels < 0 || bits < 0 || frequency < 0) {
    return false;
  }
  info->bytes = static_cast<std::uint32_t>(size);
  info->channels = static_cast<std::uint32_t>(channels);
  info->bitsPerSample = static_cast<std::uint32_t>(bits);
  info->samplesPerSecond = static_cast<std::uint32_t>(frequency);
  return true;
}
