// Saving and reloading through program chunks, as hosts save projects: the state taken from
// one instance with effGetChunk and given to a fresh one with effSetChunk must sound the
// same, and a chunk that is not whole and ours must change nothing.
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "plugin_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Channels = std::vector<std::vector<float>>;

constexpr std::size_t kFrame = 128;
constexpr int kAngle = 0, kMidiLfoTempo = 1, kLfoDivide = 2, kFilterNumber = 3, kLfoSpeed = 4,
              kLfoPosition = 5, kGain = 6, kPointValue3 = 9, kPointTime3 = 17;

// Offsets in a bank chunk (docs/chunk-format.md).
constexpr std::size_t kHeader = 20, kProgramSize = 116;
constexpr std::size_t programOffset(int program) { return kHeader + 4 + program * kProgramSize; }
constexpr std::size_t kLiveOffset = programOffset(8);
// After the own set's block: the eight programs' elevations and the elevation in use.
constexpr std::size_t kElevations = 36;

// Both instances run the same input; from the third frame on, their outputs must be equal
// sample for sample (the first two frames still hold each instance's own history).
void expectSameSound(vsthost::PluginHost& first, vsthost::PluginHost& second, std::size_t frames,
                     const char* what) {
  const std::vector<float> input = testSignal(frames * kFrame);
  const Channels a = first.render(input, 256);
  const Channels b = second.render(input, 256);
  for (std::size_t channel = 0; channel < 2; ++channel)
    for (std::size_t i = 2 * kFrame; i < input.size(); ++i)
      ASSERT_EQ(a[channel][i], b[channel][i]) << what << ": channel " << channel << " sample " << i;
}

// A chunk from `source` restored into a fresh instance that has been running on its own.
std::unique_ptr<vsthost::PluginHost> reloaded(vsthost::PluginHost& source, bool preset = false) {
  auto copy = loadPlugin();
  copy->render(testSignal(3 * kFrame), 128);
  EXPECT_EQ(copy->setChunk(source.getChunk(preset), preset), 1);
  return copy;
}

void putFloat(Bytes& chunk, std::size_t at, float value) { std::memcpy(&chunk[at], &value, 4); }
void putInt(Bytes& chunk, std::size_t at, int32_t value) { std::memcpy(&chunk[at], &value, 4); }

// CRC-32 as zlib computes it, over the payload, into the header's last field.
void sealChunk(Bytes& chunk) {
  uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = kHeader; i < chunk.size(); ++i) {
    crc ^= chunk[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  crc = ~crc;
  std::memcpy(&chunk[16], &crc, 4);
}

TEST_F(PluginTest, ReloadedStateSoundsTheSame) {
  {
    host->render(testSignal(20 * kFrame), 256);
    auto copy = reloaded(*host);
    expectSameSound(*host, *copy, 40, "default state");
  }
  {
    // A host restoring the values in index order would stop here at position 0, -180 degrees.
    auto source = loadPlugin();
    source->setParameter(kLfoPosition, 0.3f);
    source->setParameter(kAngle, 0.6f);
    source->render(testSignal(20 * kFrame), 256);  // halfway through the glide to 36 degrees
    auto copy = reloaded(*source);
    expectSameSound(*source, *copy, 60, "angle set after the position");
  }
  {
    auto source = loadPlugin();
    source->setTempo(132.0);
    source->setParameter(kMidiLfoTempo, 1.0f);
    // One cycle per 8 beats: slower than the glide, so the angle in use is on the sweep; a
    // copy that starts playing takes the song's angle at once and must land on the same.
    source->setParameter(kLfoDivide, 0.7f);
    source->setParameter(kLfoSpeed, 0.25f);  // backwards, then locked to the song position
    source->setParameter(kFilterNumber, 1.0f);
    source->setParameter(kGain, 0.8f);
    source->render(testSignal(57 * kFrame), 256);
    auto copy = loadPlugin();
    copy->setTempo(132.0);
    // Locked to the song position: the copy's song stands where the source's does.
    copy->setSamplePosition(source->samplePosition());
    ASSERT_EQ(copy->setChunk(source->getChunk()), 1);
    expectSameSound(*source, *copy, 200, "LFO running with tempo sync");
  }
  {
    // Free running, the position is kept finer than the chunk's 32-bit position alone.
    auto source = loadPlugin();
    source->setParameter(kLfoSpeed, 0.5f + 0.5f * 0.37f);
    source->render(testSignal(333 * kFrame), 256);
    auto copy = reloaded(*source);
    expectSameSound(*source, *copy, 400, "LFO running freely");
  }
}

TEST_F(PluginTest, ChunksOfTheFirstMinorVersionStillLoad) {
  // A bank as the first version wrote it: no position residual, own set or elevations.
  host->setParameter(kAngle, 0.8f);
  host->setParameter(kGain, 0.3f);
  Bytes old = host->getChunk();
  old.resize(old.size() - 4 - 8 - kElevations);
  old[6] = 0;  // minor version 0
  putInt(old, 12, static_cast<int32_t>(old.size() - kHeader));
  sealChunk(old);
  auto copy = loadPlugin();
  ASSERT_EQ(copy->setChunk(old), 1);
  EXPECT_EQ(copy->getParameter(kAngle), 0.8f);
  EXPECT_EQ(copy->getParameter(kGain), 0.3f);
  // Of that version, only its own length is whole.
  old.push_back(0);
  putInt(old, 12, static_cast<int32_t>(old.size() - kHeader));
  sealChunk(old);
  EXPECT_EQ(copy->setChunk(old), 0);
}

TEST_F(PluginTest, ReloadedBankKeepsEveryProgram) {
  host->setProgram(3);
  host->setProgramName("Swirl");
  host->setParameter(kPointValue3, 0.9f);
  host->setParameter(kPointTime3, 0.5f);
  host->setParameter(kLfoSpeed, 0.9f);
  host->setProgram(5);
  host->setParameter(kAngle, 0.3f);
  host->render(testSignal(30 * kFrame), 256);

  auto copy = reloaded(*host);
  EXPECT_EQ(copy->program(), 5);
  expectSameSound(*host, *copy, 40, "program 5 current");
  host->setProgram(3);
  copy->setProgram(3);
  EXPECT_EQ(copy->programName(), "Swirl");
  for (int index = 0; index < 25; ++index)
    EXPECT_EQ(copy->getParameter(index), host->getParameter(index)) << index;
  expectSameSound(*host, *copy, 100, "edited envelope of program 3");

  // One program: it replaces the current program of the receiving instance.
  copy->setProgram(6);
  ASSERT_EQ(copy->setChunk(host->getChunk(true), true), 1);
  EXPECT_EQ(copy->program(), 6);
  EXPECT_EQ(copy->programName(), "Swirl");
  for (int index = kPointValue3; index < 23; ++index)
    EXPECT_EQ(copy->getParameter(index), host->getParameter(index)) << index;
}

// Damaged, foreign and random chunks are the behaviour suite's (tests/behaviour); here the
// program chunk VST2 alone has, which is no bank and no bank is one.
TEST_F(PluginTest, BankAndProgramChunksAreNotTakenForEachOther) {
  auto source = loadPlugin();
  source->setParameter(kAngle, 0.9f);
  const Bytes bank = source->getChunk();
  const Bytes program = source->getChunk(true);
  // The live motion, the position residual, the own set's block (off, none loaded), then
  // the elevations.
  ASSERT_EQ(bank.size(), kLiveOffset + 24 + 4 + 8 + kElevations);
  const Bytes before = host->getChunk();
  EXPECT_EQ(host->setChunk(bank, true), 0);
  EXPECT_EQ(host->setChunk(program, false), 0);
  EXPECT_EQ(host->setChunk(Bytes(program.begin(), program.end() - 1), true), 0);
  EXPECT_EQ(host->getChunk(), before);
}

TEST_F(PluginTest, ValuesInAValidChunkAreConfinedAsSetParameterConfinesThem) {
  host->setProgram(2);
  host->setParameter(kGain, 0.25f);
  host->setParameter(kAngle, 0.75f);
  host->render(testSignal(100 * kFrame), 256);  // the angle has arrived at 90 degrees
  const float gainBefore = host->getParameter(kGain);

  Bytes chunk = host->getChunk();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  putInt(chunk, kHeader, 9);                                // no program 9
  putFloat(chunk, programOffset(2) + 24, nan);              // gain
  putFloat(chunk, programOffset(2) + 0, 1e38f);             // angle beyond any finite mapping
  putFloat(chunk, programOffset(2) + 8, -inf);              // lfo divide
  putFloat(chunk, programOffset(2) + 28 + 4 * 3, 0.01f);    // point 4 time before point 3
  putFloat(chunk, programOffset(2) + 28 + 4 * 7, 0.5f);     // point 8 time is always 1
  putFloat(chunk, kLiveOffset + 0, inf);                    // target angle
  putFloat(chunk, kLiveOffset + 4, nan);                    // angle in use
  putInt(chunk, kLiveOffset + 16, 12);                      // no point 13
  putFloat(chunk, programOffset(3) + 24, 1.5f);             // gain beyond +12 dB
  putFloat(chunk, programOffset(3) + 60 + 4 * 2, 3.4e38f);  // point 3 value
  sealChunk(chunk);

  ASSERT_EQ(host->setChunk(chunk), 1);
  EXPECT_EQ(host->program(), 2);
  EXPECT_EQ(host->getParameter(kGain), gainBefore);
  EXPECT_EQ(host->getParameter(kAngle), 0.75f);
  EXPECT_EQ(host->parameterDisplay(kLfoDivide), "1");
  const float time3 = host->getParameter(kPointTime3);
  EXPECT_NEAR(host->getParameter(kPointTime3 + 1), time3 + 0.001f, 1e-6f);
  EXPECT_EQ(host->getParameter(22), 1.0f);
  // The source stays at 90 degrees: the output is that of a steady angle.
  auto steady = loadPlugin();
  steady->setParameter(kAngle, 0.75f);
  steady->setParameter(kGain, 0.25f);
  steady->render(testSignal(100 * kFrame), 256);
  expectSameSound(*host, *steady, 20, "confined chunk");
  // Finite values beyond 0..1 are brought into it, as setParameter brings them: no chunk
  // raises the gain beyond +12 dB, and every display still fits 8 characters.
  host->setProgram(3);
  EXPECT_EQ(host->getParameter(kGain), 1.0f);
  EXPECT_EQ(host->parameterDisplay(kGain), "12.0");
  EXPECT_EQ(host->getParameter(kPointValue3), 1.0f);
  EXPECT_EQ(host->parameterDisplay(kPointValue3), "1.000000");

  // Any payload under a sound header is accepted and confined: the output stays finite.
  // (The own set's block before the elevations, 8 bytes with none loaded, has sizes that
  // must add up.)
  const std::size_t block = chunk.size() - kElevations - 8;
  std::mt19937 generator(11);
  for (int round = 0; round < 40; ++round) {
    for (std::size_t i = kHeader; i < chunk.size(); ++i)
      if (i < block || i >= block + 8) chunk[i] = static_cast<uint8_t>(generator());
    sealChunk(chunk);
    ASSERT_EQ(host->setChunk(chunk), 1) << round;
    for (const auto& channel : host->render(testSignal(4 * kFrame), 256))
      for (float sample : channel) ASSERT_TRUE(std::isfinite(sample)) << round;
  }
}

}  // namespace
