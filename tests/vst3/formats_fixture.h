// Both builds of quendral side by side: the VST2 module through the VST2 host and the VST3
// bundle through the VST3 host, opened alike, fed the same signal.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "plugin_host.h"
#include "vst3_plugin.h"

namespace quendral_test {

constexpr double kRate = 44100.0;
constexpr int32_t kBlock = 512;

inline std::vector<float> noise(std::size_t frames, unsigned seed = 7) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<float> value(-0.3f, 0.3f);
  std::vector<float> x(frames);
  for (float& v : x) v = value(generator);
  return x;
}

inline double largestDifference(const std::vector<std::vector<float>>& a,
                                const std::vector<std::vector<float>>& b) {
  if (a.size() != b.size()) return INFINITY;
  double worst = 0.0;
  for (std::size_t c = 0; c < a.size(); ++c) {
    if (a[c].size() != b[c].size()) return INFINITY;
    for (std::size_t i = 0; i < a[c].size(); ++i)
      worst = std::max(worst, std::fabs(static_cast<double>(a[c][i]) - b[c][i]));
  }
  return worst;
}

class BothFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    vst2 = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
    ASSERT_TRUE(vst2) << error;
    vst3 = vst3host::Vst3Plugin::load(QUENDRAL_VST3_BUNDLE, error);
    ASSERT_TRUE(vst3) << error;
    vst2->open(kRate, kBlock);
    ASSERT_TRUE(vst3->open(kRate, kBlock, error)) << error;
  }

  // The VST3 parameter list position of a core parameter (its id is the core's index).
  int32_t vst3Index(int32_t coreIndex) const {
    return vst3->indexOf(static_cast<vst3::ParamID>(coreIndex));
  }
  void setBoth(int32_t coreIndex, float value) {
    vst2->setParameter(coreIndex, value);
    vst3->setParameter(vst3Index(coreIndex), value);
  }

  std::unique_ptr<vsthost::PluginHost> vst2;
  std::unique_ptr<vst3host::Vst3Plugin> vst3;
};

}  // namespace quendral_test
