// Both builds of quendral side by side: the VST2 module through the VST2 host and the VST3
// bundle through the VST3 host, opened alike, fed the same signal.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio_compare.h"
#include "plugin_host.h"
#include "vst3_plugin.h"

namespace quendral_test {

constexpr double kRate = 44100.0;
constexpr int32_t kBlock = 512;

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
