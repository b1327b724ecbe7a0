// Rates the engine cannot use (not finite, not positive, beyond 384 kHz), sent to the built
// plug-in through effSetSampleRate, leave it at the last good rate: it sounds as an instance
// that never saw them.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "plugin_host.h"

namespace {

std::vector<std::vector<float>> render(bool sendBadRates) {
  std::string error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  EXPECT_TRUE(host) << error;
  if (!host) return {};
  host->open(96000.0, 512);
  if (sendBadRates) {
    host->suspend();
    for (float bad : {std::nanf(""), 0.0f, -48000.0f, 1e6f})
      host->dispatch(effSetSampleRate, 0, 0, nullptr, bad);
    host->resume();
  }
  host->setParameter(0, 0.75f);  // +90 degrees, reached after the glide over silence
  host->render(std::vector<float>(800 * 128, 0.0f), 512);
  std::vector<float> input(8 * 128, 0.0f);
  input[0] = 1.0f;
  return host->render(input, 512);
}

TEST(PluginRates, BadRatesLeaveTheLastGoodOne) {
  const auto good = render(false), afterBad = render(true);
  ASSERT_EQ(good.size(), 2u);
  EXPECT_EQ(afterBad, good);
}

}  // namespace
