// What every format of quendral must show a host, written once and run through each format
// by the same host-side interface, against the VST2 build where sound is compared.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>

#include "own_response_set.h"
#include "plugin_formats.h"
#include "required_package.h"

namespace quendral_test {
namespace {

constexpr int kAngle = 0, kMidiLfoTempo = 1, kLfoDivide = 2, kFilterNumber = 3, kLfoSpeed = 4,
              kLfoPosition = 5, kGain = 6, kPointValue1 = 7, kPointTime1 = 15, kOwnSet = 23,
              kElevation = 24;
constexpr int kDefined = 24;

using Settings = std::vector<std::pair<int, float>>;

void apply(render::PluginProcessor& plugin, const Settings& settings) {
  for (const auto& [index, value] : settings) plugin.setParameter(index, value);
}

// A second of silence: the angle glides to where it was set (LV2 starts at its ports').
void settle(render::PluginProcessor& plugin, double rate = kRate) {
  render(plugin, std::vector<float>(static_cast<std::size_t>(rate), 0.0f));
}

// `chunk` with an own set on: `rows` directions of `length` taps; `sphere` adds +-45 and poles.
std::vector<uint8_t> withOwnSet(const std::vector<uint8_t>& chunk, int rows, int length,
                                bool sphere = false) {
  panner::chunk::BankState bank;
  if (!panner::chunk::parseBank(chunk.data(), chunk.size(), bank)) return {};
  auto set = std::make_shared<panner::OwnResponseSet>();
  set->rate = 44100.0;
  set->length = length;
  set->name = "test head";
  for (int row = 0; row < rows; ++row) set->angles.push_back(360.0f * row / rows);
  for (float elevation : {-45.0f, 45.0f, -90.0f, 90.0f}) {
    for (int row = 0; sphere && row < (std::fabs(elevation) < 90.0f ? rows : 1); ++row) {
      set->offRingAngles.push_back(360.0f * row / rows);
      set->offRingElevations.push_back(elevation);
    }
  }
  std::mt19937 generator(5);
  std::uniform_real_distribution<float> tap(-0.1f, 0.1f);
  set->taps.resize(set->angles.size() * 2 * static_cast<size_t>(length));
  set->offRingTaps.resize(set->offRingAngles.size() * 2 * static_cast<size_t>(length));
  for (auto* taps : {&set->taps, &set->offRingTaps})
    for (float& t : *taps) t = tap(generator);
  bank.own = {true, set};
  return bankChunk(bank);
}

using Behaviour = EveryFormat;

TEST_P(Behaviour, IsAMonoToStereoEffectOneFrameLate) {
  auto plugin = open();
  EXPECT_EQ(plugin->pluginName(), reference()->pluginName());
  EXPECT_EQ(plugin->numInputs(), 1);
  EXPECT_EQ(plugin->numOutputs(), 2);
  EXPECT_EQ(plugin->latencySamples(), kFrame);
  EXPECT_EQ(plugin->tailSamples(), 0);
}

TEST_P(Behaviour, ParametersAreNamedUnitedAndStartAtTheirDefaults) {
  auto plugin = open();
  ASSERT_GE(plugin->numParams(), kDefined);
  const std::vector<std::string> names = plugin->parameterNames();
  // The units: the format's own field, or the end of each text where it has none.
  auto unitOf = [&](int i) {
    if (!format().textsCarryUnits) return plugin->parameterUnit(i);
    const std::string text = plugin->parameterDisplay(i);
    const std::size_t space = text.rfind(' ');
    return space == std::string::npos ? std::string() : text.substr(space + 1);
  };
  // Angle, speed, gain and elevation start at their centres: ahead, stopped, 0 dB, level.
  const struct {
    int index;
    const char *name, *unit;
    float value;
  } fixed[] = {
      {kAngle, "angle", "\xC2\xB0", 0.5f},  {kMidiLfoTempo, "midi lfo tempo", "", 0.0f},
      {kLfoDivide, "lfo divide", "", 0.0f}, {kFilterNumber, "filter number", "", 0.0f},
      {kLfoSpeed, "lfo speed", "Hz", 0.5f}, {kLfoPosition, "lfo position", "", 0.0f},
      {kGain, "gain", "dB", 0.5f},          {kElevation, "elevation", "\xC2\xB0", 0.5f},
      {kOwnSet, "own set", "", 0.0f},
  };
  for (const auto& p : fixed) {
    EXPECT_EQ(names[static_cast<std::size_t>(p.index)], p.name);
    EXPECT_EQ(unitOf(p.index), p.unit) << p.name;
    EXPECT_FLOAT_EQ(plugin->getParameter(p.index), p.value) << p.name;
  }
  // The envelope ramps evenly in sevenths.
  for (int p = 0; p < 8; ++p) {
    const std::string point = "point " + std::to_string(p + 1);
    EXPECT_EQ(names[static_cast<std::size_t>(kPointValue1 + p)], point + " value");
    EXPECT_EQ(names[static_cast<std::size_t>(kPointTime1 + p)], point + " time");
    EXPECT_FLOAT_EQ(plugin->getParameter(kPointValue1 + p), p / 7.0f);
    EXPECT_FLOAT_EQ(plugin->getParameter(kPointTime1 + p), p / 7.0f);
  }
  EXPECT_EQ(unitOf(kPointValue1), "");
}

using ShowingTexts = EveryFormat;
using ParsingTexts = EveryFormat;
using TellingSteps = EveryFormat;
using Bypassing = EveryFormat;

TEST_P(ShowingTexts, ValuesShowTheTextsOfTheirUnits) {
  struct Case {
    int index;
    float value;
    const char* shows;
  };
  const Case cases[] = {
      {kAngle, 0.5f, "0.0"},         {kAngle, 0.75f, "90.0"},          {kAngle, 0.0f, "-180.0"},
      {kAngle, 1.0f, "180.0"},       {kMidiLfoTempo, 0.7f, "0.70"},    {kLfoDivide, 0.0f, "1"},
      {kLfoDivide, 0.35f, "4"},      {kLfoDivide, 1.0f, "11"},         {kFilterNumber, 0.49f, "0"},
      {kFilterNumber, 0.5f, "1"},    {kLfoSpeed, 0.0f, "-1.00"},       {kLfoSpeed, 0.5f, "0.00"},
      {kLfoPosition, 0.25f, "0.25"}, {kGain, 0.0f, "-12.0"},           {kGain, 0.25f, "-6.0"},
      {kGain, 1.0f, "12.0"},         {kPointValue1, 0.7f, "0.699999"}, {kOwnSet, 0.0f, "off"},
      {kElevation, 0.0f, "-90.0"},   {kElevation, 0.25f, "-45.0"},     {kElevation, 1.0f, "90.0"},
  };
  for (const Case& c : cases) {
    auto plugin = open();
    plugin->setParameter(c.index, c.value);
    // A VST3 change reaches the controller at once; the processor hears of it in a block.
    render(*plugin, std::vector<float>(kFrame, 0.0f));
    std::string shows = c.shows;
    if (format().textsCarryUnits && !reference()->parameterUnit(c.index).empty())
      shows += " " + reference()->parameterUnit(c.index);
    EXPECT_EQ(plugin->parameterDisplay(c.index), shows) << c.index << " at " << c.value;
  }
}

TEST_P(ParsingTexts, TypedTextsParseBackIntoTheirParameter) {
  struct Case {
    int index;
    const char* typed;
    float value;
  };
  const Case cases[] = {
      {kAngle, "45", 0.625f},       {kAngle, "-90.0\xC2\xB0", 0.25f},
      {kAngle, "270", 0.25f},       {kAngle, "999", 1.0f},
      {kGain, "-3 dB", 0.375f},     {kGain, "+6", 0.75f},
      {kGain, "40", 1.0f},          {kLfoSpeed, "0.25 Hz", 0.625f},
      {kLfoDivide, "7", 0.6f},      {kFilterNumber, "1", 1.0f},
      {kLfoPosition, " 0.5", 0.5f}, {kPointValue1 + 2, "0.25", 0.25f},
      {kOwnSet, "off", 0.0f},       {kElevation, "45", 0.75f},
      {kElevation, "120", 1.0f},    {kElevation, "-45\xC2\xB0", 0.25f},
  };
  auto plugin = open();
  for (const Case& c : cases) {
    float value = -1.0f;
    ASSERT_TRUE(plugin->valueFromText(c.index, c.typed, value)) << c.typed;
    EXPECT_NEAR(value, c.value, 1e-6f) << c.typed;
  }
  float value = 0.0f;
  for (const char* bad : {"", "abc", "dB", "nan", "inf"})
    EXPECT_FALSE(plugin->valueFromText(kAngle, bad, value)) << bad;
}

TEST_P(TellingSteps, SteppedParametersSayHowManySteps) {
  auto plugin = open();
  EXPECT_EQ(plugin->parameterSteps(kLfoDivide), 10);
  EXPECT_EQ(plugin->parameterSteps(kFilterNumber), 1);
  EXPECT_EQ(plugin->parameterSteps(kOwnSet), 1);
  for (int i : {kAngle, kLfoSpeed, kLfoPosition, kGain, kPointValue1, kPointTime1, kElevation})
    EXPECT_EQ(plugin->parameterSteps(i), 0) << i;
}

// Eight programs; one chosen starts fresh, and one edited keeps its elevation (where it can).
TEST_P(Behaviour, EightProgramsThatStartFresh) {
  auto plugin = open();
  const std::vector<std::string> names = plugin->programNames();
  ASSERT_EQ(plugin->numPrograms(), 8);
  ASSERT_EQ(names.size(), 8u);
  for (int p = 0; p < 8; ++p)
    EXPECT_EQ(names[static_cast<std::size_t>(p)], "Init " + std::to_string(p + 1));
  apply(*plugin, {{kAngle, 0.75f}, {kGain, 0.25f}, {kElevation, 0.7f}});
  render(*plugin, std::vector<float>(kFrame, 0.0f));
  plugin->selectProgram(3);
  render(*plugin, std::vector<float>(kFrame, 0.0f));
  EXPECT_EQ(plugin->currentProgram(), 3);
  EXPECT_EQ(plugin->programName(), "Init 4");
  EXPECT_EQ(savedBank(*plugin).programs[3].elevation, 0.5f);
  if (!format().programsKeepEdits) return;
  plugin->selectProgram(0);
  render(*plugin, std::vector<float>(kFrame, 0.0f));
  EXPECT_FLOAT_EQ(plugin->getParameter(kElevation), 0.7f);
}

// A controller sounds as its parameter set to value / 128 on any channel; others do nothing.
TEST_P(Behaviour, MidiControllersMoveTheirParameters) {
  struct Case {
    unsigned char controller;
    int parameter;
    unsigned char value;
  };
  const std::vector<float> input = noise(40 * kFrame);
  for (const Case& c : {Case{10, kAngle, 96}, Case{7, kGain, 32}, Case{12, kLfoSpeed, 96},
                        Case{13, kLfoPosition, 32}}) {
    for (unsigned char channel : {0, 9, 15}) {
      SCOPED_TRACE(std::to_string(c.controller) + " on channel " + std::to_string(channel));
      auto byMidi = open();
      auto bySetting = open();
      byMidi->sendMidi(static_cast<unsigned char>(0xB0 | channel), c.controller, c.value);
      bySetting->setParameter(c.parameter, c.value / 128.0f);
      settle(*byMidi);
      settle(*bySetting);
      const Channels a = render(*byMidi, input);
      EXPECT_LE(largestDifference(a, render(*bySetting, input)), 1e-6);
      if (format().readsBackControllers) {
        EXPECT_FLOAT_EQ(byMidi->getParameter(c.parameter), c.value / 128.0f);
      }
    }
  }
  auto plugin = open();
  auto untouched = open();
  for (unsigned char status : {0x90, 0x80, 0xE0, 0xA0, 0xF0}) plugin->sendMidi(status, 10, 100);
  for (unsigned char controller : {1, 11, 64, 0x8A}) plugin->sendMidi(0xB0, controller, 5);
  EXPECT_EQ(largestDifference(render(*plugin, input), render(*untouched, input)), 0.0);
}

struct RenderCase {
  const char* name;
  Settings settings;
};

const RenderCase kRenderCases[] = {
    {"default", {}},
    {"right ear, second set, -6 dB", {{kAngle, 0.75f}, {kFilterNumber, 1.0f}, {kGain, 0.25f}}},
    {"LFO at 0.6 Hz", {{kLfoSpeed, 0.8f}}},
    {"envelope edited, LFO backward",
     {{kPointValue1 + 2, 0.1f}, {kPointTime1 + 2, 0.6f}, {kLfoSpeed, 0.2f}}},
};

// Every rate, every way of cutting the blocks, the same sound as the VST2 build's.
TEST_P(Behaviour, RendersAsTheReferenceAtEveryRateAndBlockCut) {
  std::mt19937 generator(3);
  std::vector<int> random;
  for (int i = 0; i < 50; ++i) random.push_back(1 + static_cast<int>(generator() % 700));
  const std::vector<std::vector<int>> cuts{{1}, {7, 128, 300}, {4096}, random};
  for (double rate : {44100.0, 48000.0, 96000.0}) {
    const std::vector<float> input = noise(static_cast<std::size_t>(rate / 2));
    for (const RenderCase& c : kRenderCases) {
      SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(rate));
      auto expected = reference(rate, 4096);
      apply(*expected, c.settings);
      settle(*expected, rate);
      const Channels want = render(*expected, input, 512);
      EXPECT_GT(energy(want), 1.0) << "not silent";
      for (const std::vector<int>& cut : cuts) {
        if (cut.size() == 1 && cut[0] == 1 && rate != 44100.0) continue;  // slow; once is enough
        auto plugin = open(rate, 4096);
        apply(*plugin, c.settings);
        settle(*plugin, rate);
        EXPECT_LE(largestDifference(renderCut(*plugin, input, cut), want), 1e-6)
            << "first block " << cut[0];
      }
    }
  }
}

// Automation between blocks applies at the start of the next block, as in the reference.
TEST_P(Behaviour, ChangesBetweenBlocksApplyAtTheNextBlock) {
  const std::vector<float> input = noise(100 * kBlock);
  auto plugin = open();
  auto expected = reference();
  for (auto* p : {plugin.get(), expected.get()}) {
    p->setParameter(kAngle, 0.0f);
    settle(*p);
  }
  for (std::size_t start = 0; start < input.size(); start += kBlock) {
    for (auto* p : {plugin.get(), expected.get()}) {
      p->setParameter(kAngle, static_cast<float>(start % 44100) / 44100.0f);
      if (start == 86 * kBlock) p->setParameter(kFilterNumber, 1.0f);
    }
    const std::vector<float> block(input.begin() + start, input.begin() + start + kBlock);
    ASSERT_LE(largestDifference(render(*plugin, block), render(*expected, block)), 1e-6) << start;
  }
}

// Bypassed, the input plays on both ears a frame late; leaving it, nothing from before plays:
// the frame fades from dry to the filters, then the output is a fresh instance's.
TEST_P(Bypassing, BypassPlaysTheInputOneFrameLateAndLeavesNothingBehind) {
  const std::vector<float> input = noise(20 * kFrame);
  for (const std::vector<int>& cut : {std::vector<int>{1}, {7, 100, 300}, {4096}}) {
    auto plugin = open(kRate, 4096);
    plugin->setParameter(kAngle, 0.75f);
    ASSERT_TRUE(plugin->setBypass(true));
    const Channels out = renderCut(*plugin, input, cut);
    for (std::size_t i = 0; i < input.size(); ++i)
      for (const auto& ear : out) ASSERT_EQ(ear[i], i < kFrame ? 0.0f : input[i - kFrame]) << i;
  }
  const std::vector<float> silence(4 * kFrame, 0.0f);
  std::vector<float> impulse(8 * kFrame, 0.0f);
  impulse[0] = 0.5f;
  for (bool silentWhileBypassed : {true, false}) {
    auto plugin = open();
    render(*plugin, noise(20 * kFrame, 3));
    plugin->setBypass(true);
    render(*plugin, silentWhileBypassed ? std::vector<float>(20 * kFrame) : noise(20 * kFrame));
    plugin->setBypass(false);
    if (silentWhileBypassed) {
      EXPECT_EQ(energy(render(*plugin, silence)), 0.0);
      continue;
    }
    const Channels out = render(*plugin, impulse);
    EXPECT_EQ(out[0][kFrame], 0.5f);
    EXPECT_EQ(out[1][kFrame], 0.5f);
    auto fresh = open();
    EXPECT_LE(largestDifference(out, render(*fresh, impulse), 2 * kFrame), 1e-6);
  }
}

TEST_P(Behaviour, BadInputNeitherPoisonsNorStopsTheOutput) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  auto plugin = open();
  auto expected = reference();
  std::vector<float> input = noise(60 * kFrame);
  for (std::size_t i = 500; i < 900; ++i) input[i] = i % 3 == 0 ? nan : (i % 3 == 1 ? inf : -inf);
  const Channels out = render(*plugin, input);
  for (const auto& channel : out)
    for (float sample : channel) ASSERT_TRUE(std::isfinite(sample));
  EXPECT_LE(largestDifference(out, render(*expected, input)), 1e-6);

  // Zero frames write nothing; no input reads as silence; huge and in-place blocks sound as usual.
  const Channels untouched(2, std::vector<float>(4 * kFrame, 7.0f));
  Channels a = untouched;
  float* in[2] = {input.data(), nullptr};
  float* outs[2] = {a[0].data(), a[1].data()};
  plugin->process(in, outs, 0);
  EXPECT_EQ(a, untouched);
  plugin->process(in + 1, outs, 4 * kFrame);
  EXPECT_LE(largestDifference(a, render(*expected, std::vector<float>(4 * kFrame))), 1e-6);

  const std::vector<float> huge = noise(3 * 8192, 5);
  EXPECT_LE(largestDifference(render(*plugin, huge, 3 * 8192), render(*expected, huge, 8192)),
            1e-6);
  std::vector<float> inPlace = noise(3000, 9);  // beyond an adapter's copy of the input
  const Channels separate = render(*expected, inPlace);
  std::vector<float> other(inPlace.size());
  float* shared[1] = {inPlace.data()};
  float* sharedOut[2] = {inPlace.data(), other.data()};
  plugin->process(shared, sharedOut, static_cast<int>(inPlace.size()));
  EXPECT_LE(largestDifference({inPlace, other}, separate), 1e-6);
}

TEST_P(Behaviour, ARateChangeSoundsAsTheReferenceAtTheNewRate) {
  auto plugin = open();
  auto expected = reference();
  const std::vector<float> input = noise(40 * kFrame);
  for (auto* p : {plugin.get(), expected.get()}) {
    p->setParameter(kAngle, 0.3f);
    settle(*p);
    p->stop();
    p->start(96000.0, kBlock);
    settle(*p, 96000.0);
  }
  EXPECT_LE(largestDifference(render(*plugin, input), render(*expected, input)), 1e-6);
}

// The state, another program current and one renamed, restores in every format to the same
// sound and programs.
struct StateCase {
  const char* name;
  Settings settings;
  int frames;  // rendered before the save
  bool ownSet = false;
};

const StateCase kStateCases[] = {
    {"running LFO, edited envelope",
     {{kLfoSpeed, 0.85f},
      {kPointValue1 + 5, 0.2f},
      {kAngle, 0.9f},
      {kGain, 0.4f},
      {kLfoDivide, 0.45f}},
     80},
    // The angle mid-glide comes from the live state, not the values restored in index order.
    {"angle set after the position, mid-glide", {{kLfoPosition, 0.3f}, {kAngle, 0.6f}}, 20},
    // A long free run: the position is kept finer than the chunk's 32-bit position alone.
    {"LFO running freely for long", {{kLfoSpeed, 0.685f}}, 333},
    // An own set on the sphere plays alike in every format, between its rings.
    {"own set on", {{kAngle, 0.3f}, {kElevation, 0.7f}}, 20, true},
};

TEST_P(Behaviour, StateSavedByOneFormatRestoresInEvery) {
  const std::vector<float> input = noise(60 * kFrame);
  for (const StateCase& c : kStateCases) {
    SCOPED_TRACE(c.name);
    auto source = open();
    source->selectProgram(2);
    if (c.ownSet) {
      ASSERT_TRUE(
          source->setStateChunk(withOwnSet(source->stateChunk(false), 24, 64, true), false));
    }
    apply(*source, c.settings);
    render(*source, noise(static_cast<std::size_t>(c.frames) * kFrame, 3));
    panner::chunk::BankState bank = savedBank(*source);
    std::snprintf(bank.programs[4].name, sizeof bank.programs[4].name, "Swirl");
    const std::vector<uint8_t> chunk = bankChunk(bank);
    // A restored own set fades in as a switched one does: compared once both are steady.
    const std::vector<float> fade(c.ownSet ? static_cast<std::size_t>(kRate) / 8 : 0, 0.0f);
    render(*source, fade);
    const Channels original = render(*source, input);
    for (const PluginFormat& target : pluginFormats()) {
      SCOPED_TRACE(target.name);
      auto copy = openFormat(target);
      render(*copy, noise(3 * kFrame, 4));  // running on its own before the restore
      ASSERT_TRUE(copy->setStateChunk(chunk, false));
      const panner::chunk::BankState restored = savedBank(*copy);
      EXPECT_EQ(restored.currentProgram, bank.currentProgram);
      EXPECT_EQ(std::memcmp(restored.programs, bank.programs, sizeof bank.programs), 0);
      render(*copy, fade);
      // The first two frames still hold each instance's own history.
      EXPECT_LE(largestDifference(render(*copy, input), original, 2 * kFrame), 0.0);
    }
  }
}

// The largest own set the limits allow (2162 directions, 2^21 taps) travels in the state.
TEST_P(Behaviour, TheLargestOwnSetTravelsInTheState) {
  auto plugin = open();
  const std::vector<uint8_t> bytes =
      withOwnSet(plugin->stateChunk(false), panner::own_set::kMaxRows, 485, true);
  ASSERT_LE((3 * panner::own_set::kMaxRows + 2) * 2 * 485, panner::own_set::kMaxValues);
  ASSERT_GT(bytes.size(), 8u << 20);
  ASSERT_TRUE(plugin->setStateChunk(bytes, false));
  EXPECT_TRUE(plugin->stateChunk(false) == bytes);  // as given, byte for byte
}

TEST_P(Behaviour, BadStateIsRefusedAndChangesNothing) {
  auto plugin = open();
  plugin->setParameter(kAngle, 0.75f);
  render(*plugin, noise(10 * kFrame));
  using Bytes = std::vector<uint8_t>;
  const Bytes before = plugin->stateChunk(false);
  Bytes longer = before;
  longer.push_back(0);
  std::vector<Bytes> bad{{},
                         {1},
                         Bytes(before.begin(), before.begin() + 20),
                         longer,
                         Bytes(before.begin(), before.end() - 1),
                         Bytes(3000000, 1)};
  for (std::size_t at : {before.size() / 2, std::size_t{4}, std::size_t{0}}) {
    bad.push_back(before);  // a byte changed: in the payload, the major version, the magic
    bad.back()[at] ^= 0x5A;
  }
  for (std::size_t i = 0; i < bad.size(); ++i) {
    EXPECT_FALSE(plugin->setStateChunk(bad[i], false)) << i << ": " << bad[i].size() << " bytes";
    ASSERT_EQ(plugin->stateChunk(false), before) << i;
  }
}

// A state of minor version 2 (before elevation, tracking, panel size) loads level.
TEST_P(Behaviour, AStateFromBeforeElevationLoadsLevel) {
  auto source = reference();
  source->setParameter(kElevation, 0.7f);
  settle(*source);
  const std::vector<uint8_t> chunk = source->stateChunk(false);
  std::vector<uint8_t> older(chunk.begin(), chunk.end() - panner::chunk::kBankElevationSize -
                                                panner::chunk::kBankTrackingSize -
                                                panner::chunk::kBankEditorSizeSize);
  const auto payload = static_cast<uint32_t>(older.size() - panner::chunk::kHeaderSize);
  const uint32_t crc = panner::chunk::crc32(older.data() + panner::chunk::kHeaderSize, payload);
  older[6] = 2;
  std::memcpy(&older[12], &payload, 4);  // little-endian, as the chunk
  std::memcpy(&older[16], &crc, 4);
  auto plugin = open();
  plugin->setParameter(kElevation, 0.2f);
  settle(*plugin);
  ASSERT_TRUE(plugin->setStateChunk(older, false));
  render(*plugin, std::vector<float>(kFrame, 0.0f));
  const panner::chunk::BankState bank = savedBank(*plugin);
  for (const auto& program : bank.programs) EXPECT_EQ(program.elevation, 0.5f);
  EXPECT_EQ(bank.live.currentElevation, 0.0f);
}

// The tools hand over a SOFA file each format's own way; a refused file changes nothing.
TEST_P(Behaviour, TakesASofaFileFromTheToolsAndRefusesOneThatIsNot) {
  constexpr const char* kMitKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
  QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kMitKemar),
                           kMitKemar << " (Debian: libmysofa1)");
  auto plugin = open();
  EXPECT_EQ(plugin->ownSetDescription(), "own set: none loaded (off)");
  std::string answer;
  ASSERT_TRUE(plugin->loadOwnSetFile(kMitKemar, answer)) << answer;
  EXPECT_NE(answer.find("710 directions"), std::string::npos) << answer;
  const std::string described = plugin->ownSetDescription();
  EXPECT_EQ(described.rfind("own set (on): MIT_KEMAR_normal_pinna.sofa: 710 directions", 0), 0u)
      << described;
  const std::vector<uint8_t> before = plugin->stateChunk(false);
  for (const char* notSofa : {QUENDRAL_PLUGIN_PATH, "/nonexistent/head.sofa"}) {
    SCOPED_TRACE(notSofa);
    EXPECT_FALSE(plugin->loadOwnSetFile(notSofa, answer));
    EXPECT_FALSE(answer.empty());
    EXPECT_EQ(plugin->ownSetDescription(), described);
    EXPECT_EQ(plugin->stateChunk(false), before);
  }
}

// A synced LFO follows the host's tempo and position as the reference; nonsense transport
// leaves the output finite.
TEST_P(Behaviour, TheSyncedLfoFollowsTheHostsTransportAndSurvivesNonsense) {
  const std::vector<float> input = noise(static_cast<std::size_t>(2 * kRate));
  for (double tempo : {90.0, 140.0}) {
    SCOPED_TRACE(tempo);
    auto plugin = open();
    auto expected = reference();
    for (auto* p : {plugin.get(), expected.get()}) {
      p->setTempo(tempo);
      p->setSamplePosition(3.0 * kRate);  // the song is already three seconds in
      apply(*p, {{kMidiLfoTempo, 1.0f}, {kLfoDivide, 0.2f}, {kLfoSpeed, 1.0f}});
      settle(*p);
    }
    EXPECT_LE(largestDifference(render(*plugin, input), render(*expected, input)), 1e-6);
  }
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double tempo, seconds;
    bool valid, playing;
  } transports[] = {{nan, INFINITY, true, true},
                    {-5.0, -1e9, true, true},
                    {1e300, 1e12, true, false},
                    {0.0, nan, true, true},
                    {120.0, 3.0, false, true}};
  auto plugin = open();
  apply(*plugin, {{kMidiLfoTempo, 1.0f}, {kLfoSpeed, 1.0f}});
  for (const auto& t : transports) {
    plugin->setTempo(t.tempo);
    plugin->setSamplePosition(t.seconds * kRate);
    plugin->setTempoValid(t.valid);
    plugin->setTransportPlaying(t.playing);
    for (const auto& channel : render(*plugin, noise(4 * kBlock)))
      for (float v : channel) ASSERT_TRUE(std::isfinite(v)) << t.tempo << " at " << t.seconds;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, Behaviour, ::testing::ValuesIn(pluginFormats()), formatName);
INSTANTIATE_TEST_SUITE_P(Formats, ShowingTexts,
                         ::testing::ValuesIn(formatsWhere(&PluginFormat::showsTexts)), formatName);
INSTANTIATE_TEST_SUITE_P(Formats, ParsingTexts,
                         ::testing::ValuesIn(formatsWhere(&PluginFormat::parsesTexts)), formatName);
INSTANTIATE_TEST_SUITE_P(Formats, TellingSteps,
                         ::testing::ValuesIn(formatsWhere(&PluginFormat::tellsSteps)), formatName);
INSTANTIATE_TEST_SUITE_P(Formats, Bypassing,
                         ::testing::ValuesIn(formatsWhere(&PluginFormat::hasBypass)), formatName);

}  // namespace
}  // namespace quendral_test
