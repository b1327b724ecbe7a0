// "elevation" (parameter 24) in every format: name, unit, default and texts, its place in
// the program, and the state that carries it.
#include <cstring>

#include "plugin_formats.h"
#include "state_chunk.h"

namespace quendral_test {
namespace {

constexpr int kElevation = 24;
constexpr float normalised(float degrees) { return degrees / 180.0f + 0.5f; }
const std::vector<float> kSilence(static_cast<std::size_t>(kRate), 0.0f);  // glides 180 degrees

panner::chunk::BankState savedBank(render::PluginProcessor& plugin) {
  const std::vector<uint8_t> bytes = plugin.stateChunk(false);
  panner::chunk::BankState bank;
  EXPECT_TRUE(panner::chunk::parseBank(bytes.data(), bytes.size(), bank));
  return bank;
}

using Elevation = EveryFormat;

TEST_P(Elevation, IsNamedInDegreesLevelAtFirstAndReadsBothWays) {
  auto plugin = open();
  EXPECT_EQ(plugin->parameterNames().at(kElevation), "elevation");
  EXPECT_EQ(plugin->getParameter(kElevation), 0.5f);
  const std::string unit = format().textsCarryUnits ? " \xC2\xB0" : "";
  if (!format().textsCarryUnits) {
    EXPECT_EQ(plugin->parameterUnit(kElevation), "\xC2\xB0");
  }
  for (const auto& [value, shows] : {std::pair<float, const char*>{0.0f, "-90.0"},
                                     {normalised(35.0f), "35.0"},
                                     {1.0f, "90.0"}}) {
    plugin->setParameter(kElevation, value);
    render(*plugin, std::vector<float>(kFrame, 0.0f));
    if (format().showsTexts) {
      EXPECT_EQ(plugin->parameterDisplay(kElevation), shows + unit);
    }
  }
  if (!format().parsesTexts) return;
  for (const auto& [typed, expected] : {std::pair<const char*, float>{"35", normalised(35.0f)},
                                        {"-45.5\xC2\xB0", normalised(-45.5f)},
                                        {"120", 1.0f}}) {
    float value = -1.0f;
    ASSERT_TRUE(plugin->valueFromText(kElevation, typed, value)) << typed;
    EXPECT_NEAR(value, expected, 1e-6f) << typed;
  }
}

TEST_P(Elevation, BelongsToTheProgram) {
  auto plugin = open();
  plugin->setParameter(kElevation, normalised(35.0f));
  render(*plugin, std::vector<float>(kFrame, 0.0f));
  plugin->selectProgram(3);
  render(*plugin, std::vector<float>(kFrame, 0.0f));
  const panner::chunk::BankState bank = savedBank(*plugin);
  EXPECT_EQ(bank.programs[bank.currentProgram].elevation, 0.5f);
  if (!format().programsKeepEdits) return;
  plugin->selectProgram(0);
  render(*plugin, std::vector<float>(kFrame, 0.0f));
  EXPECT_FLOAT_EQ(plugin->getParameter(kElevation), normalised(35.0f));
}

// Saved at 35 degrees, the state restores 35 in every format, the elevation in use too (the
// copies, left at -60, would glide for 95 frames). The same state as minor version 2 wrote
// it, without the elevations after the own set's block, loads level.
TEST_P(Elevation, StateCarriesItAndAnOlderStateLoadsLevel) {
  auto source = open();
  source->setParameter(kElevation, normalised(35.0f));
  render(*source, kSilence);
  const std::vector<uint8_t> chunk = source->stateChunk(false);
  const std::size_t appended = panner::chunk::kBankElevationSize +
                               panner::chunk::kBankTrackingSize +
                               panner::chunk::kBankEditorSizeSize;
  std::vector<uint8_t> older(chunk.begin(), chunk.end() - static_cast<std::ptrdiff_t>(appended));
  const auto payload = static_cast<uint32_t>(older.size() - panner::chunk::kHeaderSize);
  const uint32_t crc = panner::chunk::crc32(older.data() + panner::chunk::kHeaderSize, payload);
  older[6] = 2;
  std::memcpy(&older[12], &payload, 4);  // little-endian, as the chunk
  std::memcpy(&older[16], &crc, 4);
  for (const PluginFormat& target : pluginFormats()) {
    SCOPED_TRACE(target.name);
    auto copy = openFormat(target);
    copy->setParameter(kElevation, normalised(-60.0f));
    render(*copy, kSilence);
    ASSERT_TRUE(copy->setStateChunk(chunk, false));
    render(*copy, std::vector<float>(kFrame, 0.0f));
    panner::chunk::BankState bank = savedBank(*copy);
    EXPECT_FLOAT_EQ(bank.programs[bank.currentProgram].elevation, normalised(35.0f));
    EXPECT_FLOAT_EQ(bank.live.currentElevation, 35.0f);
    ASSERT_TRUE(copy->setStateChunk(older, false));
    render(*copy, std::vector<float>(kFrame, 0.0f));
    bank = savedBank(*copy);
    for (const auto& program : bank.programs) EXPECT_EQ(program.elevation, 0.5f);
    EXPECT_EQ(bank.live.currentElevation, 0.0f);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, Elevation, ::testing::ValuesIn(pluginFormats()), formatName);

}  // namespace
}  // namespace quendral_test
