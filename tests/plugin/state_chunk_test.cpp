// VST2's program chunk, banks of the first minor version, and bad values in valid chunks.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "plugin_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Offsets in a bank chunk (docs/chunk-format.md).
constexpr std::size_t kHeader = 20, kProgramSize = 116;
constexpr std::size_t programOffset(int program) { return kHeader + 4 + program * kProgramSize; }
constexpr std::size_t kLiveOffset = programOffset(8);
// After the own set's block: elevations (36 bytes), head tracking (8), panel size (4).
constexpr std::size_t kAppended = 36 + 8 + 4;

void put(Bytes& chunk, std::size_t at, float value) { std::memcpy(&chunk[at], &value, 4); }
void put(Bytes& chunk, std::size_t at, int32_t value) { std::memcpy(&chunk[at], &value, 4); }

// CRC-32 as zlib computes it, over the payload, into the header's last field.
void seal(Bytes& chunk) {
  uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = kHeader; i < chunk.size(); ++i) {
    crc ^= chunk[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  crc = ~crc;
  std::memcpy(&chunk[16], &crc, 4);
}

TEST_F(PluginTest, ProgramChunksAndOldBanks) {
  host->setProgram(3);
  host->setProgramName("Swirl");
  host->setParameter(9, 0.9f);
  host->setParameter(0, 0.8f);
  host->setParameter(6, 0.3f);
  const Bytes bank = host->getChunk(), program = host->getChunk(true);
  // The live motion, the position residual, an empty own set's block, then the appended.
  ASSERT_EQ(bank.size(), kLiveOffset + 24 + 4 + 8 + kAppended);
  auto copy = loadPlugin();
  const Bytes before = copy->getChunk();
  EXPECT_EQ(copy->setChunk(bank, true), 0);
  EXPECT_EQ(copy->setChunk(program, false), 0);
  EXPECT_EQ(copy->setChunk(Bytes(program.begin(), program.end() - 1), true), 0);
  EXPECT_EQ(copy->getChunk(), before);
  // One program replaces the receiving instance's current program.
  copy->setProgram(6);
  ASSERT_EQ(copy->setChunk(program, true), 1);
  EXPECT_EQ(copy->program(), 6);
  EXPECT_EQ(copy->programName(), "Swirl");
  for (int index = 0; index < 23; ++index)
    EXPECT_EQ(copy->getParameter(index), host->getParameter(index)) << index;

  // A bank of the first version, which has only its own length.
  Bytes old = bank;
  old.resize(old.size() - 4 - 8 - kAppended);
  old[6] = 0;  // minor version 0
  put(old, 12, static_cast<int32_t>(old.size() - kHeader));
  seal(old);
  ASSERT_EQ(copy->setChunk(old), 1);
  EXPECT_EQ(copy->getParameter(0), 0.8f);
  EXPECT_EQ(copy->getParameter(6), 0.3f);
  old.push_back(0);
  put(old, 12, static_cast<int32_t>(old.size() - kHeader));
  seal(old);
  EXPECT_EQ(copy->setChunk(old), 0);
}

TEST_F(PluginTest, ValuesInAValidChunkAreConfinedAsSetParameterConfinesThem) {
  host->setProgram(2);
  host->setParameter(6, 0.25f);
  host->setParameter(0, 0.75f);
  host->render(quendral_test::noise(100 * 128), 256);  // the angle has arrived at 90 degrees
  const float gainBefore = host->getParameter(6);
  Bytes chunk = host->getChunk();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  put(chunk, kHeader, 9);                              // no program 9
  put(chunk, programOffset(2) + 24, nan);              // gain
  put(chunk, programOffset(2) + 0, 1e38f);             // angle beyond any finite mapping
  put(chunk, programOffset(2) + 8, -inf);              // lfo divide
  put(chunk, programOffset(2) + 28 + 4 * 3, 0.01f);    // point 4 time before point 3
  put(chunk, programOffset(2) + 28 + 4 * 7, 0.5f);     // point 8 time is always 1
  put(chunk, kLiveOffset + 0, inf);                    // target angle
  put(chunk, kLiveOffset + 4, nan);                    // angle in use
  put(chunk, kLiveOffset + 16, 12);                    // no point 13
  put(chunk, programOffset(3) + 24, 1.5f);             // gain beyond +12 dB
  put(chunk, programOffset(3) + 60 + 4 * 2, 3.4e38f);  // point 3 value
  seal(chunk);
  ASSERT_EQ(host->setChunk(chunk), 1);
  EXPECT_EQ(host->program(), 2);
  EXPECT_EQ(host->getParameter(6), gainBefore);
  EXPECT_EQ(host->getParameter(0), 0.75f);
  EXPECT_EQ(host->parameterDisplay(2), "1");
  EXPECT_NEAR(host->getParameter(18), host->getParameter(17) + 0.001f, 1e-6f);
  EXPECT_EQ(host->getParameter(22), 1.0f);
  // The source stays at 90 degrees: the output is that of a steady angle.
  auto steady = loadPlugin();
  steady->setParameter(0, 0.75f);
  steady->setParameter(6, 0.25f);
  steady->render(quendral_test::noise(100 * 128), 256);
  const std::vector<float> input = quendral_test::noise(20 * 128);
  const auto a = host->render(input, 256), b = steady->render(input, 256);
  for (int channel = 0; channel < 2; ++channel)
    for (std::size_t i = 256; i < input.size(); ++i) ASSERT_EQ(a[channel][i], b[channel][i]) << i;
  host->setProgram(3);
  EXPECT_EQ(host->getParameter(6), 1.0f);
  EXPECT_EQ(host->getParameter(9), 1.0f);
}

}  // namespace
