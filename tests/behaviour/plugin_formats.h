// The formats the behaviour suite runs through render::PluginProcessor, and what each offers.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio_compare.h"
#include "plugin_processor.h"
#include "state_chunk.h"

namespace quendral_test {

struct PluginFormat {
  const char* name;
  const char* path;
  bool showsTexts;            // the plug-in writes each value's text (LV2 leaves that to the host)
  bool parsesTexts;           // text-to-value (VST3 and CLAP)
  bool hasBypass;             // a bypass the host switches (LV2 has none)
  bool readsBackControllers;  // a controller's change shows in the host's value (not LV2's)
  bool tellsSteps;            // the parameters' steps (VST2 tells none)
  bool textsCarryUnits = false;   // no unit of its own: each text ends in it (CLAP)
  bool programsKeepEdits = true;  // a program keeps what was set in it (not LV2's presets)
};

inline const std::vector<PluginFormat>& pluginFormats() {
  static const std::vector<PluginFormat> formats{
      {"vst2", QUENDRAL_PLUGIN_PATH, true, false, true, true, false},
      {"vst3", QUENDRAL_VST3_BUNDLE, true, true, true, true, true},
      {"lv2", QUENDRAL_LV2_BUNDLE, false, false, false, false, true, false, false},
      {"clap", QUENDRAL_CLAP_PATH, true, true, true, true, true, true},
  };
  return formats;
}

// The formats that offer something: a test of it runs for them only (no skipped runs).
inline std::vector<PluginFormat> formatsWhere(bool PluginFormat::*offers) {
  std::vector<PluginFormat> chosen;
  for (const PluginFormat& f : pluginFormats())
    if (f.*offers) chosen.push_back(f);
  return chosen;
}

// The reference every format must sound like: the VST2 build.
inline const PluginFormat& referenceFormat() { return pluginFormats().front(); }

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr int kFrame = 128;  // quendral's latency and processing frame

inline std::unique_ptr<render::PluginProcessor> openFormat(const PluginFormat& format,
                                                           double rate = kRate,
                                                           int block = kBlock) {
  auto plugin = render::openPlugin(format.path);
  plugin->setTempo(120.0);
  plugin->setSamplePosition(0.0);
  plugin->start(rate, block);
  return plugin;
}

// Runs input through the processor in blocks cut by `cuts` (repeated), output two channels.
inline Channels renderCut(render::PluginProcessor& plugin, const std::vector<float>& input,
                          const std::vector<int>& cuts) {
  Channels out(2, std::vector<float>(input.size(), 0.0f));
  std::size_t start = 0;
  for (std::size_t b = 0; start < input.size(); ++b) {
    const int n = std::min<int>(cuts[b % cuts.size()], static_cast<int>(input.size() - start));
    float* in[1] = {const_cast<float*>(input.data()) + start};
    float* outs[2] = {out[0].data() + start, out[1].data() + start};
    plugin.process(in, outs, n);
    start += static_cast<std::size_t>(n);
  }
  return out;
}

inline Channels render(render::PluginProcessor& plugin, const std::vector<float>& input,
                       int block = kBlock) {
  return renderCut(plugin, input, {block});
}

// The bank a processor saves, parsed (or the test fails), and a bank as its chunk.
inline panner::chunk::BankState savedBank(render::PluginProcessor& plugin) {
  const std::vector<uint8_t> bytes = plugin.stateChunk(false);
  panner::chunk::BankState bank;
  EXPECT_TRUE(panner::chunk::parseBank(bytes.data(), bytes.size(), bank));
  return bank;
}
inline std::vector<uint8_t> bankChunk(const panner::chunk::BankState& bank) {
  std::vector<uint8_t> bytes(panner::chunk::bankChunkSize(bank));
  bytes.resize(panner::chunk::writeBank(bank, bytes.data()));
  return bytes;
}

inline std::string formatName(const ::testing::TestParamInfo<PluginFormat>& info) {
  return info.param.name;
}

// A test run once per format.
class EveryFormat : public ::testing::TestWithParam<PluginFormat> {
 protected:
  const PluginFormat& format() const { return GetParam(); }
  std::unique_ptr<render::PluginProcessor> open(double rate = kRate, int block = kBlock) {
    return openFormat(GetParam(), rate, block);
  }
  std::unique_ptr<render::PluginProcessor> reference(double rate = kRate, int block = kBlock) {
    return openFormat(referenceFormat(), rate, block);
  }
};

}  // namespace quendral_test
