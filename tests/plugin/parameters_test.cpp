// What a VST2 host sets and reads back: labels, confinement, programs, display lengths.
#include <cmath>
#include <limits>
#include <string>

#include "plugin_fixture.h"

namespace {
constexpr float kSeventh = 1.0f / 7.0f;
constexpr float kInf = std::numeric_limits<float>::infinity();
}  // namespace

TEST_F(PluginTest, DegreeSignInTheHostsCodePage) {
#if defined(_WIN32)
  EXPECT_EQ(host->parameterLabel(0), "\xB0");  // Windows hosts read the ANSI code page
#else
  EXPECT_EQ(host->parameterLabel(0), "\xC2\xB0");  // Linux hosts read UTF-8
#endif
  EXPECT_EQ(host->parameterLabel(4), " Hz");
}

// Values read back confined (point times between their neighbours, non-finite ignored);
// setting the angle or the position stops the LFO.
TEST_F(PluginTest, ValuesAreStoredConfined) {
  const struct {
    int32_t index;
    float value, reads;
  } cases[] = {
      {16, 0.0f, 0.001f}, {16, 0.9f, 2 * kSeventh - 0.001f},
      {16, 0.2f, 0.2f},   {15, 0.6f, 0.0f},
      {22, 0.2f, 1.0f},   {21, 1.0f, 0.999f},
      {0, 1.5f, 1.0f},    {7, -2.0f, 0.0f},
      {2, -1e30f, 0.0f},  {6, 5.0f, 1.0f},
      {6, 0.75f, 0.75f},  {6, std::nanf(""), 0.75f},
      {0, 0.75f, 0.75f},  {0, kInf, 0.75f},
      {0, -kInf, 0.75f},  {2, std::numeric_limits<float>::lowest(), 0.0f},
  };
  for (const auto& c : cases) {
    host->setParameter(c.index, c.value);
    EXPECT_NEAR(host->getParameter(c.index), c.reads, 1e-6f) << c.index << " set to " << c.value;
  }
  EXPECT_EQ(host->parameterDisplay(2), "1");
  host->setParameter(4, 1.0f);
  host->setParameter(0, 0.25f);
  EXPECT_FLOAT_EQ(host->getParameter(4), 0.5f);
  host->setParameter(4, 1.0f);
  host->setParameter(5, 0.25f);
  EXPECT_FLOAT_EQ(host->getParameter(4), 0.5f);

  // Gain beyond 1 is no louder than +12 dB, and the program keeps the confined value.
  const std::vector<float> input = quendral_test::noise(8 * 128);
  const auto renderWithGain = [&input](float gain) {
    auto instance = loadPlugin();
    instance->setParameter(6, gain);
    return instance->render(input, 256);
  };
  EXPECT_EQ(renderWithGain(1e6f), renderWithGain(1.0f));
  host->setParameter(6, 5.0f);
  host->setProgram(1);
  host->setProgram(0);
  EXPECT_EQ(host->parameterDisplay(6), "12.0");
}

// Each program keeps its edits, a running LFO and a name of up to 23 characters.
TEST_F(PluginTest, ProgramsKeepTheirEditsAndNames) {
  host->setProgram(3);
  host->setProgramName("Init");
  EXPECT_EQ(host->programName(), "Init 4");  // too short a change: kept
  host->setProgramName("A name much longer than twenty-three characters");
  host->setParameter(0, 0.75f);
  host->setParameter(17, 0.0f);  // clamped to point 2's time + 0.001
  host->setParameter(5, 0.3f);
  host->setParameter(4, 0.75f);  // running
  for (int bad : {-1, 8, 1000}) host->setProgram(bad);
  EXPECT_EQ(host->program(), 3);
  host->setProgram(5);
  EXPECT_FLOAT_EQ(host->getParameter(0), 0.5f);
  EXPECT_FLOAT_EQ(host->getParameter(17), 2 * kSeventh);
  EXPECT_EQ(host->programName(), "Init 6");
  host->setProgram(3);
  EXPECT_EQ(host->programName(), "A name much longer than");
  EXPECT_FLOAT_EQ(host->getParameter(17), kSeventh + 0.001f);
  EXPECT_FLOAT_EQ(host->getParameter(5), 0.3f);
  EXPECT_FLOAT_EQ(host->getParameter(4), 0.75f);  // the position set first, then the speed
}

// Hosts give a display 8 characters; even an absurd synced speed fits, as an exponent.
TEST_F(PluginTest, EveryDisplayFitsEightCharactersWhateverTheState) {
  host->setParameter(4, 1.0f);
  host->setParameter(1, 1.0f);
  for (const double tempo : {120.0, 3.0e6, 3.0e38}) {
    host->setTempo(tempo);
    host->render(std::vector<float>(4 * 128, 0.25f), 128);
    for (int32_t index = 0; index < 25; ++index)
      EXPECT_LE(host->parameterDisplay(index).size(), 8u) << tempo << " " << index;
  }
  EXPECT_EQ(host->parameterDisplay(4), "5.0e+36");  // 3e38 beats per minute, per second
  for (float value : {1e30f, std::numeric_limits<float>::max(), -1e30f})
    for (int32_t index = 0; index < 7; ++index) {
      host->setParameter(index, value);
      EXPECT_LE(host->parameterDisplay(index).size(), 7u) << index << " " << value;
    }
}
