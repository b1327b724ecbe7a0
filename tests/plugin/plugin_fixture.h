// Loads the built quendral.so through the test host, as a DAW does, for each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio_compare.h"
#include "plugin_host.h"

// An instance of the plug-in, opened at 44.1 kHz for blocks of up to 512 samples.
inline std::unique_ptr<vsthost::PluginHost> loadPlugin() {
  std::string error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  EXPECT_TRUE(host) << error;
  if (host) host->open(44100.0, 512);
  return host;
}

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host = loadPlugin()); }
  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f) {
    return host->dispatch(opcode, index, value, ptr, opt);
  }
  void bypass(bool on) { dispatch(effSetBypass, 0, on ? 1 : 0); }

  std::unique_ptr<vsthost::PluginHost> host;
};
