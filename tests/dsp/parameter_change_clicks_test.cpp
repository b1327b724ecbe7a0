// Through the built plug-in: switches and jumps do not click; bad rates are ignored.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "../plugin/plugin_fixture.h"
#include "high_band.h"

namespace {

constexpr double kRate = 44100.0;
constexpr double kPi = 3.14159265358979323846;
constexpr int kAngle = 0;
constexpr int kFilterNumber = 3;
constexpr int kGain = 6;
constexpr float kAngle45 = 0.625f;  // (45 + 180) / 360
constexpr std::size_t kWarmUp = 16384;

using Channels = std::vector<std::vector<float>>;

// The response set switched every 3 ms at 45 degrees, and the gain jumping between -12 and
// +12 dB every 128 samples: the energy above 16 kHz stays 60 dB below the whole.
TEST(ParameterChangeClicks, SetSwitchesAndGainJumpsStayBelowSixtyDecibelsAbove16kHz) {
  for (const bool gain : {false, true}) {
    SCOPED_TRACE(gain ? "gain" : "set");
    auto host = loadPlugin();
    ASSERT_TRUE(host);
    if (!gain) {
      host->setParameter(kAngle, kAngle45);
      host->render(std::vector<float>(64 * 128, 0.0f), 512);  // the angle has arrived
    }
    std::vector<float> input(kWarmUp + 32768);  // 1 kHz
    for (std::size_t i = 0; i < input.size(); ++i)
      input[i] =
          (gain ? 0.25f : 0.5f) * static_cast<float>(std::sin(2.0 * kPi * 1000.0 * i / kRate));
    // Blocks that end at each change, the change made between them.
    Channels out(2);
    std::size_t from = 0;
    for (int k = 0; from < input.size(); ++k) {
      const std::size_t to = std::min(
          input.size(), kWarmUp + static_cast<std::size_t>(
                                      gain ? k * 128 : std::lround((k + 1) * 0.003 * kRate)));
      const Channels part = host->render({input.begin() + from, input.begin() + to}, to - from);
      for (int c = 0; c < 2; ++c) out[c].insert(out[c].end(), part[c].begin(), part[c].end());
      host->setParameter(gain ? kGain : kFilterNumber, k % 2 == 0 ? 1.0f : 0.0f);
      from = to;
    }
    EXPECT_LT(highBandDb(out, kWarmUp), -60.0);
  }
}

// It sounds as an instance that never saw them.
TEST(PluginRates, BadRatesLeaveTheLastGoodOne) {
  std::vector<std::vector<float>> renders[2];
  for (const bool sendBadRates : {false, true}) {
    auto host = loadPlugin();
    ASSERT_TRUE(host);
    host->suspend();
    host->setSampleRate(96000.0);
    if (sendBadRates)
      for (float bad : {std::nanf(""), 0.0f, -48000.0f, 1e6f})
        host->dispatch(effSetSampleRate, 0, 0, nullptr, bad);
    host->resume();
    host->setParameter(kAngle, 0.75f);  // +90 degrees, reached after the glide over silence
    host->render(std::vector<float>(800 * 128, 0.0f), 512);
    std::vector<float> input(8 * 128, 0.0f);
    input[0] = 1.0f;
    renders[sendBadRates] = host->render(input, 512);
  }
  ASSERT_EQ(renders[0].size(), 2u);
  EXPECT_EQ(renders[1], renders[0]);
}

}  // namespace
