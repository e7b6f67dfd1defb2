// The flip-click player: the RIFF walk over the embedded click and over
// damaged files, the shared OpenAL device (its null backend), and the retry
// policy for opening a device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "render/Resources.h"
#include "sound/DirectSound.h"
#include "sound/RiffWave.h"
#include "sound/SoundDevice.h"

namespace {

// RIFF/WAVE bytes under construction.
class WaveBuilder {
 public:
  // Starts the file; the RIFF length is patched by Finish unless given.
  WaveBuilder() { Append("RIFF"); Put32(0); Append("WAVE"); }

  WaveBuilder& Chunk(const char* id, std::uint32_t size, const std::vector<unsigned char>& payload,
                     bool pad = true) {
    Append(id);
    Put32(size);
    bytes_.insert(bytes_.end(), payload.begin(), payload.end());
    if (pad && (payload.size() & 1u)) bytes_.push_back(0);
    return *this;
  }
  WaveBuilder& Chunk(const char* id, const std::vector<unsigned char>& payload) {
    return Chunk(id, static_cast<std::uint32_t>(payload.size()), payload);
  }
  WaveBuilder& Fmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                   std::uint32_t size = 16, std::uint16_t tag = kWaveFormatPcm) {
    std::vector<unsigned char> record;
    auto put16 = [&](std::uint32_t v) { for (int i = 0; i < 2; ++i) record.push_back((v >> (8 * i)) & 0xFF); };
    auto put32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) record.push_back((v >> (8 * i)) & 0xFF); };
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    put16(tag); put16(channels); put32(rate); put32(rate * align); put16(align); put16(bits);
    record.resize(size, 0);
    return Chunk("fmt ", record);
  }
  // Sets the RIFF length to the bytes after the first eight, or to `length`.
  WaveBuilder& RiffLength(std::uint32_t length) { riffLength_ = length; fixed_ = true; return *this; }

  // The file in a heap block of exactly its size, so that the sanitiser
  // catches any read past the end.
  struct Bytes {
    std::unique_ptr<unsigned char[]> data;
    std::size_t size;
    ResourceView View() const { return ResourceView{data.get(), size}; }
  };
  Bytes Build() const { return Build(bytes_.size()); }
  Bytes Build(std::size_t keep) const {
    std::vector<unsigned char> out(bytes_.begin(), bytes_.begin() + keep);
    const std::uint32_t length = fixed_ ? riffLength_ : static_cast<std::uint32_t>(bytes_.size() - 8);
    for (int i = 0; i < 4 && 4 + i < static_cast<int>(keep); ++i) out[4 + i] = (length >> (8 * i)) & 0xFF;
    Bytes result{std::unique_ptr<unsigned char[]>(new unsigned char[keep]), keep};
    if (keep) std::memcpy(result.data.get(), out.data(), keep);
    return result;
  }
  std::size_t Size() const { return bytes_.size(); }

 private:
  void Append(const char* id) { bytes_.insert(bytes_.end(), id, id + 4); }
  void Put32(std::uint32_t v) { for (int i = 0; i < 4; ++i) bytes_.push_back((v >> (8 * i)) & 0xFF); }
  std::vector<unsigned char> bytes_;
  std::uint32_t riffLength_ = 0;
  bool fixed_ = false;
};

std::vector<unsigned char> Samples(std::size_t count) {
  std::vector<unsigned char> samples(count);
  for (std::size_t i = 0; i < count; ++i) samples[i] = static_cast<unsigned char>(i * 7 + 3);
  return samples;
}

bool Parse(const WaveBuilder::Bytes& bytes, RiffWave* wave) {
  return ParseRiffWave(bytes.data.get(), bytes.size, wave);
}

// ---------------------------------------------------------------- the click

TEST(SoundClickResource, HasTheFormatAndDataWhereThePlayerExpectsThem) {
  const std::optional<ResourceView> click = FindEmbeddedResource(kWaveResource, kFlipClickWave);
  ASSERT_TRUE(click.has_value());
  ASSERT_EQ(click->size, 8828u);
  EXPECT_EQ(std::memcmp(click->data, "RIFF", 4), 0);

  RiffWave wave;
  ASSERT_TRUE(ParseRiffWave(click->data, click->size, &wave));
  EXPECT_EQ(wave.format, click->data + 20);  // "fmt " chunk at offset 12
  EXPECT_EQ(wave.formatSize, 16u);
  EXPECT_EQ(wave.waveData, click->data + 44);  // "data" chunk at offset 36
  EXPECT_EQ(wave.waveSize, 8784u);
  EXPECT_EQ(wave.waveData + wave.waveSize, click->data + click->size);

  WaveFormat format;
  ASSERT_TRUE(ReadWaveFormat(wave.format, wave.formatSize, &format));
  EXPECT_EQ(format.formatTag, kWaveFormatPcm);
  EXPECT_EQ(format.channels, 1);
  EXPECT_EQ(format.samplesPerSecond, 44100u);
  EXPECT_EQ(format.averageBytesPerSecond, 88200u);
  EXPECT_EQ(format.blockAlign, 2);
  EXPECT_EQ(format.bitsPerSample, 16);
}

// ----------------------------------------------------------------- the walk

TEST(SoundRiffWalk, FindsDataBeforeFmtAndSucceedsAtTheFmtChunk) {
  const std::vector<unsigned char> samples = Samples(40);
  // A chunk after the fmt that would fail the walk if it were ever reached.
  const WaveBuilder::Bytes bytes =
      WaveBuilder().Chunk("data", samples).Fmt(1, 22050, 16).Chunk("fmt ", 4, {1, 2, 3, 4}).Build();
  RiffWave wave;
  ASSERT_TRUE(Parse(bytes, &wave));
  EXPECT_EQ(wave.waveData, bytes.data.get() + 20);
  EXPECT_EQ(wave.waveSize, 40u);
  EXPECT_EQ(std::memcmp(wave.waveData, samples.data(), samples.size()), 0);
  EXPECT_EQ(wave.format, bytes.data.get() + 68);
}

TEST(SoundRiffWalk, KeepsOnlyTheFirstFmtChunk) {
  const WaveBuilder::Bytes bytes = WaveBuilder()
                                       .Fmt(1, 11025, 8)
                                       .Fmt(2, 48000, 16)
                                       .Chunk("fmt ", 12, std::vector<unsigned char>(12, 0))
                                       .Chunk("data", Samples(10))
                                       .Build();
  RiffWave wave;
  ASSERT_TRUE(Parse(bytes, &wave));
  EXPECT_EQ(wave.format, bytes.data.get() + 20);
  WaveFormat format;
  ASSERT_TRUE(ReadWaveFormat(wave.format, wave.formatSize, &format));
  EXPECT_EQ(format.samplesPerSecond, 11025u);
  EXPECT_EQ(format.channels, 1);
}

TEST(SoundRiffWalk, RejectsAFmtChunkShorterThanTheBasicRecord) {
  RiffWave wave;
  EXPECT_FALSE(Parse(WaveBuilder().Fmt(1, 44100, 16, 12).Chunk("data", Samples(8)).Build(), &wave));
  EXPECT_FALSE(Parse(WaveBuilder().Fmt(1, 44100, 16, 13).Chunk("data", Samples(8)).Build(), &wave));
  // After a data chunk too: the short fmt fails rather than being skipped.
  EXPECT_FALSE(Parse(WaveBuilder().Chunk("data", Samples(8)).Fmt(1, 44100, 16, 12).Build(), &wave));
  EXPECT_EQ(wave.waveSize, 8u);  // what was found before the failure stays
  // The basic 14-byte record is enough for the walk.
  ASSERT_TRUE(Parse(WaveBuilder().Fmt(1, 44100, 16, 14).Chunk("data", Samples(8)).Build(), &wave));
  EXPECT_EQ(wave.formatSize, 14u);
}

TEST(SoundRiffWalk, SkipsOtherChunksWithAPadByteAfterAnOddSize) {
  const WaveBuilder::Bytes bytes = WaveBuilder()
                                       .Chunk("LIST", {'a', 'b', 'c'})  // 3 bytes + 1 pad
                                       .Fmt(1, 8000, 8)
                                       .Chunk("data", Samples(5))  // odd, last: no pad needed
                                       .Build();
  RiffWave wave;
  ASSERT_TRUE(Parse(bytes, &wave));
  EXPECT_EQ(wave.format, bytes.data.get() + 12 + 8 + 4 + 8);
  EXPECT_EQ(wave.waveData, bytes.data.get() + 12 + 12 + 24 + 8);
  EXPECT_EQ(wave.waveSize, 5u);

  // Without the pad byte the next chunk is read one byte late and is lost.
  RiffWave unpadded;
  EXPECT_FALSE(Parse(WaveBuilder().Chunk("LIST", 3, {'a', 'b', 'c'}, false).Fmt(1, 8000, 8)
                         .Chunk("data", Samples(4)).Build(),
                     &unpadded));
}

TEST(SoundRiffWalk, RejectsFilesThatAreNotRiffWave) {
  RiffWave wave;
  const WaveBuilder::Bytes good = WaveBuilder().Fmt(1, 8000, 8).Chunk("data", Samples(4)).Build();
  ASSERT_TRUE(Parse(good, &wave));
  for (std::size_t at : {std::size_t{0}, std::size_t{8}}) {
    WaveBuilder::Bytes bad = WaveBuilder().Fmt(1, 8000, 8).Chunk("data", Samples(4)).Build();
    bad.data[at + 3] = 'X';
    EXPECT_FALSE(Parse(bad, &wave)) << "damaged id at " << at;
  }
  // A walk that ends with only one of the two chunks fails.
  EXPECT_FALSE(Parse(WaveBuilder().Fmt(1, 8000, 8).Build(), &wave));
  EXPECT_FALSE(Parse(WaveBuilder().Chunk("data", Samples(4)).Build(), &wave));
  EXPECT_NE(wave.waveData, nullptr);
}

TEST(SoundRiffWalk, StopsAtTheRiffLength) {
  // The chunks are all there, but the RIFF length ends the list before data.
  const WaveBuilder builder = WaveBuilder().Fmt(1, 8000, 8).Chunk("data", Samples(4));
  RiffWave wave;
  EXPECT_FALSE(Parse(WaveBuilder(builder).RiffLength(4).Build(), &wave));
  // The list ends where the data chunk's header starts (offset 36 = 8 + L).
  EXPECT_FALSE(Parse(WaveBuilder(builder).RiffLength(4 + 24).Build(), &wave));
  // Any chunk that starts inside the list is read whole.
  EXPECT_TRUE(Parse(WaveBuilder(builder).RiffLength(4 + 24 + 1).Build(), &wave));
}

TEST(SoundRiffWalk, NeverReadsPastTheStoredBytesOfATruncatedFile) {
  const WaveBuilder builder =
      WaveBuilder().Chunk("LIST", {'x'}).Fmt(2, 44100, 16).Chunk("data", Samples(64));
  RiffWave wave;
  ASSERT_TRUE(Parse(builder.Build(), &wave));
  // Every cut, including the ones inside a header and inside a payload; the
  // RIFF length still claims the whole file.
  for (std::size_t keep = 0; keep < builder.Size(); ++keep) {
    EXPECT_FALSE(Parse(builder.Build(keep), &wave)) << "cut at " << keep;
  }
}

TEST(SoundRiffWalk, RejectsChunkSizesBeyondTheStoredBytes) {
  RiffWave wave;
  // A RIFF length far beyond the bytes, and no data chunk: the walk reaches
  // the end of the bytes and must stop there.
  EXPECT_FALSE(Parse(WaveBuilder().Fmt(1, 8000, 8).RiffLength(0xFFFFFFFFu).Build(), &wave));
  // A data chunk claiming one byte more than is stored.
  EXPECT_FALSE(Parse(WaveBuilder().Fmt(1, 8000, 8).Chunk("data", 9, Samples(8)).Build(), &wave));
  // A fmt chunk claiming more than is stored, after the data.
  EXPECT_FALSE(Parse(WaveBuilder().Chunk("data", Samples(8)).Chunk("fmt ", 0x7FFFFFF0u, Samples(16)).Build(), &wave));
  // Sizes near 2^32.
  for (std::uint32_t size : {0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFF8u, 0xFFFFFFF4u}) {
    EXPECT_FALSE(Parse(WaveBuilder().Fmt(1, 8000, 8).Chunk("data", size, Samples(8))
                           .RiffLength(0xFFFFFFFFu).Build(), &wave)) << size;
    EXPECT_FALSE(Parse(WaveBuilder().Chunk("data", size, Samples(8)).Fmt(1, 8000, 8)
                           .RiffLength(0xFFFFFFFFu).Build(), &wave)) << size;
  }
}

TEST(SoundRiffWalk, SkipsNoChunkByWrappingTheOffset) {
  // A skipped chunk of size 2^32 - 8 ends at offset 2^32 + 12: with 32-bit
  // offsets the walk would come back to offset 12 (forever) or land on the
  // crafted chunks behind it.
  const WaveBuilder::Bytes bytes = WaveBuilder()
                                       .Chunk("JUNK", 0xFFFFFFF8u, {})
                                       .Fmt(1, 8000, 8)
                                       .Chunk("data", Samples(4))
                                       .RiffLength(0xFFFFFFFFu)
                                       .Build();
  RiffWave wave;
  EXPECT_FALSE(Parse(bytes, &wave));
  EXPECT_EQ(wave.format, nullptr);
}

TEST(SoundRiffWalk, StopsWhenAnOddLastChunksPadFallsPastTheBytes) {
  // The last chunk is odd and ends the stored bytes with no pad byte; the
  // RIFF length claims more, so the walk moves one byte past the end.
  const WaveBuilder::Bytes bytes = WaveBuilder()
                                       .Fmt(1, 8000, 8)
                                       .Chunk("LIST", 3, {'a', 'b', 'c'}, false)
                                       .RiffLength(0x1000)
                                       .Build();
  RiffWave wave;
  EXPECT_FALSE(Parse(bytes, &wave));
}

// ------------------------------------------------------------ the player

class SoundPlayer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // OpenAL Soft's null backend: a real device that makes no noise. Read
    // once, when OpenAL first starts.
    setenv("ALSOFT_DRIVERS", "null", 0);
  }
  void SetUp() override {
    ASSERT_EQ(CDirectSound::playerCount, 0);
    ASSERT_EQ(CDirectSound::device, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(CDirectSound::playerCount, 0);
    EXPECT_EQ(CDirectSound::device, nullptr);
  }
};

TEST_F(SoundPlayer, LoadsTheClickIntoAStaticBuffer) {
  const std::optional<ResourceView> click = FindEmbeddedResource(kWaveResource, kFlipClickWave);
  ASSERT_TRUE(click.has_value());
  std::unique_ptr<CDirectSound> player(new CDirectSound);
  EXPECT_EQ(player->waveData, nullptr);
  EXPECT_EQ(player->waveSize, 0u);
  EXPECT_EQ(player->buffer, nullptr);

  ASSERT_TRUE(player->LoadWaveResource(kFlipClickWave, 0));
  ASSERT_NE(CDirectSound::device, nullptr);
  ASSERT_NE(player->buffer, nullptr);
  // Read in place: the samples are the resource's own bytes from offset 44.
  EXPECT_EQ(player->waveData, click->data + 44);
  EXPECT_EQ(player->waveSize, 8784u);
  SoundBufferInfo info;
  ASSERT_TRUE(DescribeStaticSoundBuffer(player->buffer, &info));
  EXPECT_EQ(info.bytes, 8784u);
  EXPECT_EQ(info.channels, 1u);
  EXPECT_EQ(info.bitsPerSample, 16u);
  EXPECT_EQ(info.samplesPerSecond, 44100u);
}

// The runs that open no sound device: the same samples, in memory only.
TEST_F(SoundPlayer, HoldsTheClickInMemoryWithoutADevice) {
  const std::optional<ResourceView> click = FindEmbeddedResource(kWaveResource, kFlipClickWave);
  ASSERT_TRUE(click.has_value());
  CDirectSound player;
  ASSERT_TRUE(player.HoldWaveResource(kFlipClickWave));
  EXPECT_EQ(player.waveData, click->data + 44);
  EXPECT_EQ(player.waveSize, 8784u);
  EXPECT_EQ(player.buffer, nullptr);
  EXPECT_EQ(CDirectSound::device, nullptr);
  EXPECT_FALSE(player.HoldWaveResource(kFlipClickWave + 1000));
}

TEST_F(SoundPlayer, FailsSilentlyForAMissingResourceWithoutOpeningTheDevice) {
  CDirectSound player;
  EXPECT_FALSE(player.LoadWaveResource(kFlipClickWave + 1000, 0));
  EXPECT_EQ(CDirectSound::device, nullptr);
  EXPECT_EQ(player.buffer, nullptr);
  EXPECT_EQ(player.waveData, nullptr);
  // The same player still takes a resource that is there.
  EXPECT_TRUE(player.LoadWaveResource(kFlipClickWave, 0));
  EXPECT_NE(player.buffer, nullptr);
}

TEST_F(SoundPlayer, FailsForBytesTheWalkOrTheDeviceCannotTake) {
  CDirectSound player;
  struct Case {
    const char* what;
    WaveBuilder::Bytes bytes;
  };
  Case cases[] = {
      {"fmt of 12 bytes", WaveBuilder().Fmt(1, 44100, 16, 12).Chunk("data", Samples(8)).Build()},
      {"basic record without bits", WaveBuilder().Fmt(1, 44100, 16, 14).Chunk("data", Samples(8)).Build()},
      {"24-bit samples", WaveBuilder().Fmt(1, 44100, 24).Chunk("data", Samples(6)).Build()},
      {"six channels", WaveBuilder().Fmt(6, 44100, 16).Chunk("data", Samples(12)).Build()},
      {"not PCM", WaveBuilder().Fmt(1, 44100, 16, 16, 3).Chunk("data", Samples(8)).Build()},
      {"no samples", WaveBuilder().Fmt(1, 44100, 16).Chunk("data", {}).Build()},
      {"half a frame", WaveBuilder().Fmt(1, 44100, 16).Chunk("data", Samples(7)).Build()},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(player.LoadWave(c.bytes.View(), 0)) << c.what;
  }
  EXPECT_NE(CDirectSound::device, nullptr);  // the device itself was fine

  // Each format OpenAL takes.
  const WaveBuilder::Bytes good[] = {
      WaveBuilder().Fmt(1, 8000, 8).Chunk("data", Samples(3)).Build(),
      WaveBuilder().Fmt(2, 22050, 8).Chunk("data", Samples(4)).Build(),
      WaveBuilder().Fmt(1, 44100, 16).Chunk("data", Samples(6)).Build(),
      WaveBuilder().Fmt(2, 48000, 16).Chunk("data", Samples(8)).Build(),
  };
  const std::uint32_t channels[] = {1, 2, 1, 2}, bits[] = {8, 8, 16, 16},
                      rates[] = {8000, 22050, 44100, 48000}, sizes[] = {3, 4, 6, 8};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(player.LoadWave(good[i].View(), 0)) << i;
    EXPECT_EQ(player.waveData, good[i].data.get() + 44);
    SoundBufferInfo info;
    ASSERT_TRUE(DescribeStaticSoundBuffer(player.buffer, &info));
    EXPECT_EQ(info.bytes, sizes[i]);
    EXPECT_EQ(info.channels, channels[i]);
    EXPECT_EQ(info.bitsPerSample, bits[i]);
    EXPECT_EQ(info.samplesPerSecond, rates[i]);
  }
  // A failed load after a good one leaves the player with no sound.
  EXPECT_FALSE(player.LoadWave(cases[0].bytes.View(), 0));
  EXPECT_EQ(player.buffer, nullptr);
}

TEST_F(SoundPlayer, SharesOneDeviceUntilTheLastPlayerGoes) {
  for (bool firstGoesFirst : {true, false}) {
    SCOPED_TRACE(firstGoesFirst ? "first destroyed first" : "second destroyed first");
    std::unique_ptr<CDirectSound> first(new CDirectSound);
    std::unique_ptr<CDirectSound> second(new CDirectSound);
    EXPECT_EQ(CDirectSound::playerCount, 2);
    EXPECT_EQ(CDirectSound::device, nullptr);  // opened by the first load, not before

    ASSERT_TRUE(first->LoadWaveResource(kFlipClickWave, 0));
    SoundDevice* const shared = CDirectSound::device;
    ASSERT_NE(shared, nullptr);
    ASSERT_TRUE(second->LoadWaveResource(kFlipClickWave, 0));
    EXPECT_EQ(CDirectSound::device, shared);
    EXPECT_NE(first->buffer, second->buffer);

    std::unique_ptr<CDirectSound>& early = firstGoesFirst ? first : second;
    std::unique_ptr<CDirectSound>& late = firstGoesFirst ? second : first;
    early.reset();
    EXPECT_EQ(CDirectSound::playerCount, 1);
    EXPECT_EQ(CDirectSound::device, shared);
    // The survivor's buffer still lives on the device.
    SoundBufferInfo info;
    ASSERT_TRUE(DescribeStaticSoundBuffer(late->buffer, &info));
    EXPECT_EQ(info.bytes, 8784u);
    late.reset();
    EXPECT_EQ(CDirectSound::playerCount, 0);
    EXPECT_EQ(CDirectSound::device, nullptr);
  }
}

TEST_F(SoundPlayer, OpensANewDeviceAfterTheLastPlayerIsGone) {
  {
    CDirectSound player;
    ASSERT_TRUE(player.LoadWaveResource(kFlipClickWave, 0));
  }
  EXPECT_EQ(CDirectSound::device, nullptr);
  std::unique_ptr<CDirectSound> player(new CDirectSound);
  EXPECT_EQ(CDirectSound::playerCount, 1);
  ASSERT_TRUE(player->LoadWaveResource(kFlipClickWave, 0));
  ASSERT_NE(CDirectSound::device, nullptr);
  SoundBufferInfo info;
  ASSERT_TRUE(DescribeStaticSoundBuffer(player->buffer, &info));
  EXPECT_EQ(info.bytes, 8784u);
}

TEST_F(SoundPlayer, KeepsTheDeviceForAPlayerThatNeverLoaded) {
  std::unique_ptr<CDirectSound> idle(new CDirectSound);
  {
    CDirectSound loaded;
    ASSERT_TRUE(loaded.LoadWaveResource(kFlipClickWave, 0));
  }
  // The idle player keeps the count above zero, so the device stays.
  EXPECT_NE(CDirectSound::device, nullptr);
  EXPECT_EQ(CDirectSound::playerCount, 1);
  idle.reset();
}

// ------------------------------------------------------ the retry policy

struct OpenScript {
  OpenScript(std::initializer_list<SoundDeviceResult> script) : results(script) {}
  std::vector<SoundDeviceResult> results;  // what each open returns; the last repeats
  int opens = 0;
  std::vector<unsigned> sleeps;
  std::string trace;  // 'o' for an open, 's' for a sleep, in order
};

SoundDeviceResult ScriptedOpen(void* context) {
  OpenScript& script = *static_cast<OpenScript*>(context);
  script.trace += 'o';
  const std::size_t at = std::min<std::size_t>(script.opens, script.results.size() - 1);
  ++script.opens;
  return script.results[at];
}

void RecordedSleep(void* context, unsigned milliseconds) {
  OpenScript& script = *static_cast<OpenScript*>(context);
  script.trace += 's';
  script.sleeps.push_back(milliseconds);
}

TEST(SoundDeviceRetry, GivesUpOnADeviceThatStaysBusyAfterTenCalls) {
  for (SoundDeviceResult busy : {SoundDeviceResult::kBusy, SoundDeviceResult::kNoDriver}) {
    OpenScript script{{busy}};
    EXPECT_EQ(OpenSoundDeviceWithRetry(ScriptedOpen, RecordedSleep, &script), busy);
    EXPECT_EQ(script.opens, 10);
    EXPECT_EQ(script.sleeps, std::vector<unsigned>(9, 500u));
    EXPECT_EQ(script.trace, "osososososososososo");
  }
}

TEST(SoundDeviceRetry, FailsAtOnceWithoutSleepingOnAnyOtherError) {
  OpenScript script{{SoundDeviceResult::kOther}};
  EXPECT_EQ(OpenSoundDeviceWithRetry(ScriptedOpen, RecordedSleep, &script),
            SoundDeviceResult::kOther);
  EXPECT_EQ(script.trace, "o");

  OpenScript later{{SoundDeviceResult::kBusy, SoundDeviceResult::kNoDriver, SoundDeviceResult::kOther,
                    SoundDeviceResult::kOk}};
  EXPECT_EQ(OpenSoundDeviceWithRetry(ScriptedOpen, RecordedSleep, &later), SoundDeviceResult::kOther);
  EXPECT_EQ(later.trace, "ososo");
}

TEST(SoundDeviceRetry, StopsAtTheFirstSuccess) {
  OpenScript third{{SoundDeviceResult::kBusy, SoundDeviceResult::kNoDriver, SoundDeviceResult::kOk,
                    SoundDeviceResult::kBusy}};
  EXPECT_EQ(OpenSoundDeviceWithRetry(ScriptedOpen, RecordedSleep, &third), SoundDeviceResult::kOk);
  EXPECT_EQ(third.opens, 3);
  EXPECT_EQ(third.sleeps, std::vector<unsigned>(2, 500u));

  OpenScript first{{SoundDeviceResult::kOk}};
  EXPECT_EQ(OpenSoundDeviceWithRetry(ScriptedOpen, RecordedSleep, &first), SoundDeviceResult::kOk);
  EXPECT_EQ(first.trace, "o");

  OpenScript tenth{{SoundDeviceResult::kBusy, SoundDeviceResult::kBusy, SoundDeviceResult::kBusy,
                    SoundDeviceResult::kBusy, SoundDeviceResult::kBusy, SoundDeviceResult::kBusy,
                    SoundDeviceResult::kBusy, SoundDeviceResult::kBusy, SoundDeviceResult::kBusy,
                    SoundDeviceResult::kOk}};
  EXPECT_EQ(OpenSoundDeviceWithRetry(ScriptedOpen, RecordedSleep, &tenth), SoundDeviceResult::kOk);
  EXPECT_EQ(tenth.opens, 10);
}

}  // namespace
