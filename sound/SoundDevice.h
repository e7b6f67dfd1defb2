// The sound device seam: the one output device the process shares, and the
// static sample buffers made on it. SoundDevice_posix.cpp implements it with
// OpenAL Soft, SoundDevice_win32.cpp with DirectSound. Both handle types are
// opaque: each platform file defines the structs.
//
// Everything here runs on the main thread only. Nothing here ever starts
// playback. None of these functions shows or logs anything: the player's
// failures are silent.
#pragma once

#include <cstdint>

struct SoundDevice;  // the shared output device (DirectSound: IDirectSound)
struct SoundBuffer;  // one static buffer on it (DirectSound: IDirectSoundBuffer)

// The outcome of one attempt at opening the device. The player retries only
// kBusy and kNoDriver, so a platform must report those two only when a later
// attempt can really succeed.
//   kBusy      another program holds the device (DirectSound: DSERR_ALLOCATED)
//   kNoDriver  no driver answered yet (DirectSound: DSERR_NODRIVER)
//   kOther     any other failure; the player gives up at once. OpenAL cannot
//              tell a busy device from a missing one, so the OpenAL build
//              reports every failed open as kOther.
enum class SoundDeviceResult { kOk, kBusy, kNoDriver, kOther };

// Keeps the sound libraries' own messages off standard error, so that a
// machine without a sound device fails the open as quietly as every other
// failure here. Called once by a run that will open the device, before any
// thread starts (it may touch the environment).
//   DirectSound: nothing to do; it reports by result only.
//   OpenAL:      ALSA's error handler replaced by one that drops the
//                messages, and ALSOFT_LOGLEVEL set to 0 (none) for the
//                rest of the process; both left as they are when
//                ALSOFT_LOGLEVEL is set, for whoever wants to see what the
//                libraries say.
void QuietSoundLibraries();

// One attempt at opening the default output device; no retry and no sleep
// (the player's retry policy does both). On kOk writes the new device to
// `*device`; otherwise leaves `*device` untouched and holds nothing.
//   DirectSound: DirectSoundCreate(nullptr, &ds, nullptr), the HRESULT mapped
//                as above.
//   OpenAL:      alcOpenDevice(nullptr), then a context made current, once.
SoundDeviceResult OpenSoundDevice(SoundDevice** device);

// Binds a freshly opened device to the native window `window` (an HWND on
// Windows). The result is of no interest to the player.
//   DirectSound: SetCooperativeLevel(window, DSSCL_NORMAL), result ignored.
//   OpenAL:      nothing to do.
void BindSoundDevice(SoundDevice* device, std::uintptr_t window);

// Releases a device from OpenSoundDevice. Every buffer made on it has been
// released before.
void CloseSoundDevice(SoundDevice* device);

// Makes a static buffer of `bytes` bytes for samples in the wave format
// record `format` (the "fmt " payload, `formatSize` bytes, at least 14; it
// points into the resource, unaligned, and must not be written). On success
// writes the buffer to `*buffer`; on failure leaves it untouched and holds
// nothing. Fails for 0 bytes.
//   DirectSound: a 36-byte DSBUFFERDESC, zeroed, with dwSize = 36, dwFlags =
//                DSBCAPS_STATIC, dwBufferBytes = bytes, lpwfxFormat = the
//                record; then CreateSoundBuffer(&desc, &buffer, nullptr).
//                (A record shorter than 18 bytes has no cbSize; copy it into
//                a zeroed WAVEFORMATEX before handing it on, so that nothing
//                reads past it.)
//   OpenAL:      alGenBuffers. Integer PCM only, 1 or 2 channels of 8 or 16
//                bits (AL_FORMAT_MONO8/16, AL_FORMAT_STEREO8/16); any other
//                format fails here.
bool CreateStaticSoundBuffer(SoundDevice* device, const unsigned char* format,
                             std::uint32_t formatSize, std::uint32_t bytes, SoundBuffer** buffer);

// Copies `bytes` samples (the buffer's whole size) into the buffer. True when
// the buffer holds them.
//   DirectSound: Lock(0, 0, &region, &length, nullptr, nullptr,
//                DSBLOCK_ENTIREBUFFER); on DSERR_BUFFERLOST Restore() and
//                Lock once more with the same arguments; a failed lock is
//                false. Copy `length` bytes (the whole buffer) from `samples`,
//                then Unlock(region, length, nullptr, 0); true when Unlock
//                succeeds.
//   OpenAL:      alBufferData once with the buffer's format and rate (a
//                buffer is never lost there).
bool FillStaticSoundBuffer(SoundBuffer* buffer, const unsigned char* samples, std::uint32_t bytes);

// Releases a buffer from CreateStaticSoundBuffer.
void ReleaseStaticSoundBuffer(SoundBuffer* buffer);

// What a buffer holds, as the device reports it (for checks and tests).
struct SoundBufferInfo {
  std::uint32_t bytes = 0;  // DirectSound: GetCaps dwBufferBytes; OpenAL: AL_SIZE
  std::uint32_t channels = 0;
  std::uint32_t bitsPerSample = 0;
  std::uint32_t samplesPerSecond = 0;
};
bool DescribeStaticSoundBuffer(SoundBuffer* buffer, SoundBufferInfo* info);
