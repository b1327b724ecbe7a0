// Parameters and programs through the host's view: values, texts, clamping, programs.
#include <cmath>
#include <limits>
#include <string>

#include "plugin_fixture.h"

namespace {
constexpr float kSeventh = 1.0f / 7.0f;
}

// Names, units, defaults and texts are the behaviour suite's (tests/behaviour); here the
// label's bytes, which follow the platform's code page in VST2's C strings.
TEST_F(PluginTest, DegreeSignInTheHostsCodePage) {
#if defined(_WIN32)
  EXPECT_EQ(host->parameterLabel(0), "\xB0");  // Windows hosts read the ANSI code page
#else
  EXPECT_EQ(host->parameterLabel(0), "\xC2\xB0");  // Linux hosts read UTF-8
#endif
  EXPECT_EQ(host->parameterLabel(4), " Hz");
}

TEST_F(PluginTest, AngleMapsToDegreesAndStopsTheLfo) {
  host->setParameter(4, 1.0f);  // LFO running forwards
  EXPECT_FLOAT_EQ(host->getParameter(4), 1.0f);
  host->setParameter(0, 0.75f);
  EXPECT_EQ(host->parameterDisplay(0), "90.0");
  EXPECT_FLOAT_EQ(host->getParameter(0), 0.75f);
  EXPECT_FLOAT_EQ(host->getParameter(4), 0.5f);  // stopped
  host->setParameter(0, 0.0f);
  EXPECT_EQ(host->parameterDisplay(0), "-180.0");
}

TEST_F(PluginTest, LfoSpeedPositionAndTempoSync) {
  host->setParameter(4, 0.0f);
  EXPECT_EQ(host->parameterDisplay(4), "-1.00");  // backwards, one cycle per second
  EXPECT_FLOAT_EQ(host->getParameter(4), 0.0f);
  host->setParameter(5, 0.25f);
  EXPECT_FLOAT_EQ(host->getParameter(5), 0.25f);
  EXPECT_EQ(host->parameterDisplay(5), "0.25");
  EXPECT_FLOAT_EQ(host->getParameter(4), 0.5f);  // setting the position stops the LFO
  host->setParameter(1, 0.7f);
  EXPECT_EQ(host->parameterDisplay(1), "0.70");
  EXPECT_FLOAT_EQ(host->getParameter(1), 0.7f);
}

TEST_F(PluginTest, PointTimesAreFixedAtTheEndsAndClampedBetweenNeighbours) {
  host->setParameter(16, 0.0f);  // not above point 1's time
  EXPECT_FLOAT_EQ(host->getParameter(16), 0.001f);
  host->setParameter(16, 0.9f);  // at or above point 3's time (2/7)
  EXPECT_FLOAT_EQ(host->getParameter(16), 2 * kSeventh - 0.001f);
  host->setParameter(16, 0.2f);  // strictly between: taken as it is
  EXPECT_FLOAT_EQ(host->getParameter(16), 0.2f);
  host->setParameter(15, 0.6f);
  EXPECT_EQ(host->getParameter(15), 0.0f);
  host->setParameter(22, 0.2f);
  EXPECT_EQ(host->getParameter(22), 1.0f);
  host->setParameter(21, 1.0f);  // against the fixed last point
  EXPECT_FLOAT_EQ(host->getParameter(21), 0.999f);

  host->setParameter(7, 0.7f);
  EXPECT_EQ(host->parameterDisplay(7), "0.699999");
  EXPECT_FLOAT_EQ(host->getParameter(7), 0.7f);
}

TEST_F(PluginTest, ValuesOutsideTheRangeAreConfinedWhereTheyAreStored) {
  host->setParameter(0, 1.5f);
  EXPECT_EQ(host->parameterDisplay(0), "180.0");
  host->setParameter(2, 1.5f);
  EXPECT_EQ(host->parameterDisplay(2), "11");
  host->setParameter(7, -2.0f);
  EXPECT_EQ(host->getParameter(7), 0.0f);
  EXPECT_EQ(host->parameterDisplay(7), "0.000000");
  for (float value : {-0.05f, -1e30f, std::numeric_limits<float>::lowest()}) {
    host->setParameter(2, value);
    EXPECT_EQ(host->parameterDisplay(2), "1") << value;  // never a divisor of 0 or less
  }

  // Whatever the value, the display stays short enough for the smallest host buffers.
  for (float value : {1e30f, std::numeric_limits<float>::max(), -1e30f}) {
    for (int32_t index = 0; index < 7; ++index) {
      host->setParameter(index, value);
      EXPECT_LE(host->parameterDisplay(index).size(), 7u) << index << " " << value;
      EXPECT_NEAR(host->getParameter(index), value > 0 ? 1.0f : 0.0f, 1e-6f) << index << value;
    }
  }
}

TEST_F(PluginTest, GainBeyondOneIsNoLouderThanPlusTwelveDecibels) {
  const std::vector<float> input = testSignal(8 * 128);
  const auto renderWithGain = [&input](float gain) {
    std::string error;
    auto instance = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
    instance->open();
    instance->setParameter(6, gain);
    return instance->render(input, 256);
  };
  const auto loudest = renderWithGain(1.0f);
  EXPECT_EQ(renderWithGain(5.0f), loudest);
  EXPECT_EQ(renderWithGain(1e6f), loudest);

  // The program keeps the confined value, so switching back does not restore the excess.
  host->setParameter(6, 5.0f);
  host->setProgram(1);
  host->setProgram(0);
  EXPECT_EQ(host->parameterDisplay(6), "12.0");
}

TEST_F(PluginTest, NonFiniteValuesChangeNothing) {
  host->setParameter(0, 0.75f);
  host->setParameter(6, 0.75f);
  for (float bad : {std::nanf(""), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()}) {
    for (int32_t index = 0; index < 25; ++index) host->setParameter(index, bad);
  }
  EXPECT_FLOAT_EQ(host->getParameter(0), 0.75f);
  EXPECT_NEAR(host->getParameter(6), 0.75f, 1e-5f);
  EXPECT_EQ(host->parameterDisplay(0), "90.0");
}

TEST_F(PluginTest, ProgramNames) {
  EXPECT_EQ(host->programName(), "Init 1");
  host->setProgram(3);
  EXPECT_EQ(host->program(), 3);
  EXPECT_EQ(host->programName(), "Init 4");
  host->setProgramName("Init");
  EXPECT_EQ(host->programName(), "Init 4");
  host->setProgramName("Lead");
  EXPECT_EQ(host->programName(), "Lead");
  host->setProgramName("A name much longer than twenty-three characters");
  EXPECT_EQ(host->programName(), "A name much longer than");
  host->setProgram(0);
  EXPECT_EQ(host->programName(), "Init 1");
  host->setProgram(3);
  EXPECT_EQ(host->programName(), "A name much longer than");
}

TEST_F(PluginTest, ProgramIndexOutsideTheBankIsIgnored) {
  host->setProgram(2);
  for (intptr_t bad : {-1, 8, 1000}) {
    host->setProgram(static_cast<int32_t>(bad));
    EXPECT_EQ(host->program(), 2) << bad;
  }
}

TEST_F(PluginTest, EditsAreWrittenThroughIntoTheCurrentProgram) {
  host->setProgram(2);
  host->setParameter(0, 0.75f);
  host->setParameter(6, 0.25f);
  host->setParameter(3, 1.0f);
  host->setParameter(17, 0.0f);  // clamped to point 2's time + 0.001
  host->setParameter(9, 0.3f);

  host->setProgram(5);  // untouched: defaults
  EXPECT_FLOAT_EQ(host->getParameter(0), 0.5f);
  EXPECT_FLOAT_EQ(host->getParameter(6), 0.5f);
  EXPECT_EQ(host->getParameter(3), 0.0f);
  EXPECT_FLOAT_EQ(host->getParameter(17), 2 * kSeventh);

  host->setProgram(2);  // the edited values come back
  EXPECT_FLOAT_EQ(host->getParameter(0), 0.75f);
  EXPECT_NEAR(host->getParameter(6), 0.25f, 1e-5f);
  EXPECT_EQ(host->getParameter(3), 1.0f);
  EXPECT_FLOAT_EQ(host->getParameter(17), kSeventh + 0.001f);
  EXPECT_FLOAT_EQ(host->getParameter(9), 0.3f);
}

TEST_F(PluginTest, ProgramWithRunningLfoKeepsItRunning) {
  host->setProgram(1);
  host->setParameter(5, 0.3f);
  host->setParameter(4, 0.75f);  // runs at +0.5
  host->setProgram(0);
  EXPECT_FLOAT_EQ(host->getParameter(4), 0.5f);
  host->setProgram(1);
  EXPECT_FLOAT_EQ(host->getParameter(4), 0.75f);  // position set first, then the speed
}

// Hosts commonly give a display text 8 characters and the terminator. A host that reports
// an absurd tempo drives the synced speed far beyond any real one; its text still fits,
// in the exponent form, and every other display does too.
TEST_F(PluginTest, EveryDisplayFitsEightCharactersWhateverTheState) {
  host->setParameter(4, 1.0f);
  host->setParameter(1, 1.0f);  // synced to the host's tempo
  for (const double tempo : {120.0, 3.0e6, 3.0e38}) {
    host->setTempo(tempo);
    host->render(std::vector<float>(4 * 128, 0.25f), 128);
    for (int32_t index = 0; index < 25; ++index)
      EXPECT_LE(host->parameterDisplay(index).size(), 8u) << tempo << " " << index;
  }
  EXPECT_EQ(host->parameterDisplay(4), "5.0e+36");  // 3e38 beats per minute, per second
  host->setTempo(120.0);
  host->render(std::vector<float>(4 * 128, 0.25f), 128);
  EXPECT_EQ(host->parameterDisplay(4), "2.00");  // in range: the usual form
}
