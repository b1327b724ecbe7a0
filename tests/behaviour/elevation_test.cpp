// "elevation" (parameter 24) as every format shows it to a host: its name, unit, range and
// default, its texts both ways, that it belongs to the program, and that a saved state
// carries it (the program's and the elevation in use) while a state saved before it existed
// loads level.
#include <cstring>

#include "plugin_formats.h"
#include "state_chunk.h"

namespace quendral_test {
namespace {

constexpr int kElevation = 24;

constexpr float normalised(float degrees) { return degrees / 180.0f + 0.5f; }

void settle(render::PluginProcessor& plugin) {
  render(plugin, std::vector<float>(static_cast<std::size_t>(kRate), 0.0f));
}

// The plug-in's bank as it saves it now, read back.
panner::chunk::BankState savedBank(render::PluginProcessor& plugin) {
  const std::vector<uint8_t> bytes = plugin.stateChunk(false);
  panner::chunk::BankState bank;
  EXPECT_TRUE(panner::chunk::parseBank(bytes.data(), bytes.size(), bank));
  return bank;
}

// The chunk as minor version 2 wrote it: the same fields up to the own set's block, without
// the elevations appended after it.
std::vector<uint8_t> asMinorVersion2(std::vector<uint8_t> bytes, std::size_t appended) {
  bytes.resize(bytes.size() - appended);
  const auto put32 = [&bytes](std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  bytes[6] = 2;
  bytes[7] = 0;
  const std::size_t payload = bytes.size() - panner::chunk::kHeaderSize;
  put32(12, static_cast<uint32_t>(payload));
  put32(16, panner::chunk::crc32(bytes.data() + panner::chunk::kHeaderSize, payload));
  return bytes;
}

using Elevation = EveryFormat;
using ShowingElevation = EveryFormat;
using ParsingElevation = EveryFormat;

TEST_P(Elevation, IsNamedInDegreesAndStartsOnTheHorizontalPlane) {
  auto plugin = open();
  const std::vector<std::string> names = plugin->parameterNames();
  ASSERT_GT(names.size(), static_cast<std::size_t>(kElevation));
  EXPECT_EQ(names[kElevation], "elevation");
  EXPECT_FLOAT_EQ(plugin->getParameter(kElevation), 0.5f);
  const std::string unit = format().textsCarryUnits ? plugin->parameterDisplay(kElevation)
                                                    : plugin->parameterUnit(kElevation);
  EXPECT_EQ(unit, format().textsCarryUnits ? "0.0 \xC2\xB0" : "\xC2\xB0");
  if (format().tellsSteps) {
    EXPECT_EQ(plugin->parameterSteps(kElevation), 0);
  }
}

TEST_P(ShowingElevation, ValuesShowDegreesFromBelowToOverhead) {
  const std::pair<float, const char*> cases[] = {{0.0f, "-90.0"},
                                                 {0.25f, "-45.0"},
                                                 {0.5f, "0.0"},
                                                 {normalised(35.0f), "35.0"},
                                                 {1.0f, "90.0"}};
  auto plugin = open();
  for (const auto& [value, shows] : cases) {
    plugin->setParameter(kElevation, value);
    render(*plugin, std::vector<float>(kFrame, 0.0f));
    const std::string expected = std::string(shows) + (format().textsCarryUnits ? " \xC2\xB0" : "");
    EXPECT_EQ(plugin->parameterDisplay(kElevation), expected) << value;
  }
}

TEST_P(ParsingElevation, TypedDegreesParseBackAndStayInRange) {
  const std::pair<const char*, float> cases[] = {{"35", normalised(35.0f)},
                                                 {"-45.5\xC2\xB0", normalised(-45.5f)},
                                                 {"+90", 1.0f},
                                                 {"120", 1.0f},
                                                 {"-200", 0.0f}};
  auto plugin = open();
  for (const auto& [typed, expected] : cases) {
    float value = -1.0f;
    ASSERT_TRUE(plugin->valueFromText(kElevation, typed, value)) << typed;
    EXPECT_NEAR(value, expected, 1e-6f) << typed;
  }
  float value = 0.0f;
  EXPECT_FALSE(plugin->valueFromText(kElevation, "up", value));
}

// A fresh program is level; where the programs keep edits, the edited one comes back.
TEST_P(Elevation, BelongsToTheProgram) {
  auto plugin = open();
  plugin->setParameter(kElevation, normalised(35.0f));
  render(*plugin, std::vector<float>(kFrame, 0.0f));
  plugin->selectProgram(3);
  render(*plugin, std::vector<float>(kFrame, 0.0f));
  EXPECT_FLOAT_EQ(plugin->getParameter(kElevation), 0.5f);
  const panner::chunk::BankState bank = savedBank(*plugin);
  EXPECT_FLOAT_EQ(bank.programs[bank.currentProgram].elevation, 0.5f);
  if (!format().programsKeepEdits) return;
  plugin->selectProgram(0);
  render(*plugin, std::vector<float>(kFrame, 0.0f));
  EXPECT_FLOAT_EQ(plugin->getParameter(kElevation), normalised(35.0f));
}

// Saved at 35 degrees by this format, the state restores 35 in every format: the program's
// elevation and the elevation in use, which otherwise would still be gliding from -60.
TEST_P(Elevation, StateSavedAt35DegreesRestoresThemInEveryFormat) {
  auto source = open();
  source->setParameter(kElevation, normalised(35.0f));
  settle(*source);
  const std::vector<uint8_t> chunk = source->stateChunk(false);
  for (const PluginFormat& target : pluginFormats()) {
    SCOPED_TRACE(target.name);
    auto copy = openFormat(target);
    copy->setParameter(kElevation, normalised(-60.0f));
    settle(*copy);
    ASSERT_TRUE(copy->setStateChunk(chunk, false));
    render(*copy, std::vector<float>(kFrame, 0.0f));
    const panner::chunk::BankState bank = savedBank(*copy);
    EXPECT_FLOAT_EQ(bank.programs[bank.currentProgram].elevation, normalised(35.0f));
    EXPECT_FLOAT_EQ(bank.live.currentElevation, 35.0f);
    if (target.readsBackControllers) {
      EXPECT_FLOAT_EQ(copy->getParameter(kElevation), normalised(35.0f));
    }
  }
}

TEST_P(Elevation, AStateOfTheMinorVersionBeforeLoadsLevel) {
  auto plugin = open();
  plugin->setParameter(kElevation, normalised(60.0f));
  settle(*plugin);
  const std::vector<uint8_t> older =
      asMinorVersion2(plugin->stateChunk(false), panner::chunk::kBankElevationSize);
  ASSERT_TRUE(plugin->setStateChunk(older, false));
  render(*plugin, std::vector<float>(kFrame, 0.0f));
  const panner::chunk::BankState bank = savedBank(*plugin);
  for (const panner::chunk::StoredProgram& program : bank.programs)
    EXPECT_FLOAT_EQ(program.elevation, 0.5f);
  EXPECT_FLOAT_EQ(bank.live.currentElevation, 0.0f);
  if (format().readsBackControllers) {
    EXPECT_FLOAT_EQ(plugin->getParameter(kElevation), 0.5f);
  }
}

// Program chunks (presets) are the VST2 build's alone.
TEST(ElevationPreset, CarriesTheProgramsElevationAndAnOlderOneLoadsLevel) {
  auto plugin = openFormat(referenceFormat());
  plugin->setParameter(kElevation, normalised(35.0f));
  const std::vector<uint8_t> preset = plugin->stateChunk(true);
  plugin->setParameter(kElevation, normalised(-60.0f));
  ASSERT_TRUE(plugin->setStateChunk(preset, true));
  EXPECT_FLOAT_EQ(plugin->getParameter(kElevation), normalised(35.0f));
  ASSERT_TRUE(
      plugin->setStateChunk(asMinorVersion2(preset, panner::chunk::kProgramElevationSize), true));
  EXPECT_FLOAT_EQ(plugin->getParameter(kElevation), 0.5f);
}

INSTANTIATE_TEST_SUITE_P(Formats, Elevation, ::testing::ValuesIn(pluginFormats()), formatName);
INSTANTIATE_TEST_SUITE_P(Formats, ShowingElevation,
                         ::testing::ValuesIn(formatsWhere(&PluginFormat::showsTexts)), formatName);
INSTANTIATE_TEST_SUITE_P(Formats, ParsingElevation,
                         ::testing::ValuesIn(formatsWhere(&PluginFormat::parsesTexts)), formatName);

}  // namespace
}  // namespace quendral_test
