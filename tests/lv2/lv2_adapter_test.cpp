// The LV2 adapter driven as a host drives it, with the core in view: port values in their
// units reach the parameters through the core's mappings, a port applies when it changes
// and only then, the first block starts at the ports' settings, and the state carries the
// chunk from one instance to another without the restored motion being overwritten by the
// host's port values. MIDI, the host's time, in-place buffers and state between the formats
// go through lilv in the behaviour suite (tests/behaviour).
#include <gtest/gtest.h>
#include <lv2/urid/urid.h>

#include <lv2/instance-access/instance-access.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/panel_editor.h"
#include "host_timeline.h"
#include "lv2_editor.h"
#include "lv2_host_features.h"
#include "lv2_plugin.h"
#include "lv2_ports.h"
#include "lv2_uris.h"
#include "parameter_mapping.h"

namespace {

using namespace panner;
using namespace panner::lv2;
using quendral_lv2_test::StoredState;
using quendral_lv2_test::UridMap;

constexpr double kRate = 44100.0;
constexpr uint32_t kBlock = 256;

// One instance with every port connected to buffers of the test's own; the control ports
// start at the description's defaults (program 0).
struct Instance {
  explicit Instance(const LV2_Feature* const* features = nullptr)
      : plugin(Lv2Plugin::create(kRate, features)) {
    if (!plugin) return;
    for (int32_t p = 0; p < kNumControlPorts; ++p) {
      controls[p] = portValueFromNormalised(p, plugin->core().getParameter(p));
      plugin->connectPort(kFirstControlPort + p, &controls[p]);
    }
    plugin->connectPort(kLatencyPort, &latency);
    plugin->connectPort(kAudioInPort, input.data());
    plugin->connectPort(kAudioOutPort0, output0.data());
    plugin->connectPort(kAudioOutPort1, output1.data());
    plugin->activate();
  }
  void run(int blocks = 1) {
    for (int b = 0; b < blocks; ++b) plugin->run(kBlock);
  }
  float parameter(int32_t index) const { return plugin->core().getParameter(index); }

  std::unique_ptr<Lv2Plugin> plugin;
  float controls[kNumControlPorts] = {};
  float latency = 0.0f;
  std::vector<float> input = std::vector<float>(kBlock, 0.0f);
  std::vector<float> output0 = std::vector<float>(kBlock, 0.0f);
  std::vector<float> output1 = std::vector<float>(kBlock, 0.0f);
};

TEST(Lv2Ports, PortValuesAndNormalisedValuesMapBothWays) {
  EXPECT_FLOAT_EQ(normalisedFromPortValue(kParamAngle, 90.0f), 0.75f);
  EXPECT_FLOAT_EQ(portValueFromNormalised(kParamAngle, 0.25f), -90.0f);
  EXPECT_FLOAT_EQ(normalisedFromPortValue(kParamGain, -6.0f), 0.25f);
  EXPECT_FLOAT_EQ(normalisedFromPortValue(kParamLfoSpeed, -1.0f), 0.0f);
  EXPECT_FLOAT_EQ(portMinimum(kParamGain), -12.0f);
  EXPECT_FLOAT_EQ(portMaximum(kParamLfoDivide), 11.0f);
  // Every divisor comes back as itself, whatever the float rounding of its step.
  for (int divisor = 1; divisor <= kMaxLfoDivisor; ++divisor) {
    const float value = normalisedFromPortValue(kParamLfoDivide, static_cast<float>(divisor));
    EXPECT_EQ(lfoDivisorFromValue(value), divisor);
    EXPECT_EQ(portValueFromNormalised(kParamLfoDivide, value), static_cast<float>(divisor));
  }
  // Hosts may send in-between values to integer and toggle ports; they are rounded.
  EXPECT_EQ(lfoDivisorFromValue(normalisedFromPortValue(kParamLfoDivide, 3.6f)), 4);
  EXPECT_EQ(responseSetFromValue(normalisedFromPortValue(kParamFilterNumber, 0.7f)), 1);
  EXPECT_FALSE(tempoSyncFromValue(normalisedFromPortValue(kParamMidiLfoTempo, 0.4f)));
  EXPECT_TRUE(tempoSyncFromValue(normalisedFromPortValue(kParamMidiLfoTempo, 1.0f)));
  // Outside the range: the nearest end, as the host was told the range.
  EXPECT_FLOAT_EQ(normalisedFromPortValue(kParamAngle, 270.0f), 1.0f);
  EXPECT_FLOAT_EQ(normalisedFromPortValue(kParamPointValue1, -3.0f), 0.0f);
  EXPECT_TRUE(std::isnan(normalisedFromPortValue(kParamGain, std::nanf(""))));

  char symbol[kSymbolSize];
  portSymbol("point 8 time", symbol);
  EXPECT_STREQ(symbol, "point_8_time");
}

TEST(Lv2Timeline, PositionMovesOnAtTheReportedTempoAndSpeed) {
  HostTimeline timeline;
  timeline.setSampleRate(kRate);
  double quarterNotes = 0.0, bpm = 0.0;
  bool playing = false;
  EXPECT_FALSE(timeline.tempo(bpm));
  EXPECT_FALSE(timeline.position(quarterNotes, playing));

  HostTimeline::Report report;
  report.hasTempo = true;
  report.beatsPerMinute = 120.0;
  report.hasBeat = true;
  report.beat = 8.0;
  report.hasSpeed = true;
  report.speed = 1.0;
  timeline.report(report, 0);
  timeline.advance(22050);  // half a second: one quarter note at 120
  ASSERT_TRUE(timeline.position(quarterNotes, playing));
  EXPECT_DOUBLE_EQ(quarterNotes, 9.0);
  EXPECT_TRUE(playing);

  // A report 11025 frames into a block is a quarter of a second after its start; eighth
  // notes as beats count half a quarter note each.
  report.beat = 16.0;
  report.hasBeatUnit = true;
  report.beatUnit = 8;
  timeline.report(report, 11025);
  ASSERT_TRUE(timeline.tempo(bpm));
  EXPECT_DOUBLE_EQ(bpm, 60.0);
  ASSERT_TRUE(timeline.position(quarterNotes, playing));
  EXPECT_DOUBLE_EQ(quarterNotes, 8.0 - 0.25);
}

TEST(Lv2Plugin, RunsWithoutFeaturesAndReportsItsLatency) {
  Instance host;
  ASSERT_TRUE(host.plugin);
  host.input.assign(kBlock, 0.5f);
  host.run(2);
  EXPECT_EQ(host.latency, 128.0f);
  // Output lags by one frame: the second block carries sound.
  float peak = 0.0f;
  for (float s : host.output0) peak = std::max(peak, std::fabs(s));
  EXPECT_GT(peak, 0.0f);
  EXPECT_EQ(Lv2Plugin::create(1000.0, nullptr), nullptr) << "a rate the engine refuses";
}

TEST(Lv2Plugin, PortsApplyWhenTheyChangeAndOnlyThen) {
  Instance host;
  ASSERT_TRUE(host.plugin);
  host.run();
  // The LFO runs once its speed port says so ...
  host.controls[kParamLfoSpeed] = 1.0f;
  host.run();
  EXPECT_FLOAT_EQ(host.parameter(kParamLfoSpeed), 1.0f);
  const float position = host.parameter(kParamLfoPosition);
  host.run(20);
  // ... and keeps running: the unchanged angle port is not set again (which would stop it).
  EXPECT_FLOAT_EQ(host.parameter(kParamLfoSpeed), 1.0f);
  EXPECT_NE(host.parameter(kParamLfoPosition), position);
  // A new angle stops it, as the VST2 build's setParameter does.
  host.controls[kParamAngle] = -45.0f;
  host.run();
  EXPECT_FLOAT_EQ(host.parameter(kParamLfoSpeed), 0.5f);
  EXPECT_FLOAT_EQ(host.parameter(kParamAngle), valueFromAngle(-45.0f));
}

TEST(Lv2Plugin, TheFirstBlockStartsAtThePortsSettings) {
  Instance host;
  ASSERT_TRUE(host.plugin);
  host.controls[kParamAngle] = 90.0f;
  host.controls[kParamFilterNumber] = 1.0f;
  host.run();
  // No glide from the default angle: the filters are at 90 degrees from the first sample.
  EXPECT_FLOAT_EQ(host.plugin->core().getEngine().currentAngleDegrees(), 90.0f);
  EXPECT_FLOAT_EQ(host.parameter(kParamFilterNumber), 1.0f);
  // Later changes glide, a degree per frame.
  host.controls[kParamAngle] = 0.0f;
  host.run();
  EXPECT_GT(host.plugin->core().getEngine().currentAngleDegrees(), 80.0f);
}

TEST(Lv2Plugin, StateCarriesTheChunkAndTheRestoredMotionStays) {
  UridMap uris;
  Instance first(uris.features());
  ASSERT_TRUE(first.plugin);
  first.run();
  first.controls[kParamLfoSpeed] = 0.5f;
  first.controls[kParamGain] = 3.0f;
  first.run(30);
  StoredState state;
  ASSERT_EQ(first.plugin->save(StoredState::store, &state), LV2_STATE_SUCCESS);
  ASSERT_EQ(state.values.size(), 1u);
  const auto& saved = state.values.begin()->second;
  EXPECT_EQ(saved.first, uris.urid(LV2_ATOM__Chunk));
  void* data = nullptr;
  const int32_t size = first.plugin->core().getChunk(&data, false);
  ASSERT_EQ(saved.second.size(), static_cast<std::size_t>(size));

  Instance second(uris.features());
  ASSERT_TRUE(second.plugin);
  ASSERT_EQ(second.plugin->restore(StoredState::retrieve, &state), LV2_STATE_SUCCESS);
  // The host sets its saved port values around the restore (a port the plug-in moved by
  // itself, like an angle the LFO has carried on, may differ from the motion). None of them
  // is applied over the restored motion.
  second.controls[kParamGain] = 3.0f;
  second.controls[kParamLfoSpeed] = 0.5f;
  second.controls[kParamAngle] = 30.0f;
  second.run();
  EXPECT_FLOAT_EQ(second.parameter(kParamLfoSpeed), 0.75f) << "the LFO keeps running";
  EXPECT_FLOAT_EQ(second.parameter(kParamGain), valueFromGainDb(3.0f));
  // Later changes apply as usual.
  second.controls[kParamGain] = -2.0f;
  second.run();
  EXPECT_FLOAT_EQ(second.parameter(kParamGain), valueFromGainDb(-2.0f));

  // A chunk of the wrong type or a damaged one changes nothing.
  StoredState wrong = state;
  wrong.values.begin()->second.first = uris.urid(LV2_ATOM__String);
  EXPECT_EQ(second.plugin->restore(StoredState::retrieve, &wrong), LV2_STATE_ERR_BAD_TYPE);
  StoredState damaged = state;
  damaged.values.begin()->second.second[30] ^= 0x40;
  EXPECT_NE(second.plugin->restore(StoredState::retrieve, &damaged), LV2_STATE_SUCCESS);
  EXPECT_FLOAT_EQ(second.parameter(kParamGain), valueFromGainDb(-2.0f));
  // A preset of port values alone: no chunk, nothing refused.
  StoredState empty;
  EXPECT_EQ(second.plugin->restore(StoredState::retrieve, &empty), LV2_STATE_SUCCESS);
  // Without a URID map there is no state to speak of.
  Instance plain;
  EXPECT_EQ(plain.plugin->save(StoredState::store, &state), LV2_STATE_ERR_NO_FEATURE);
}

TEST(Lv2Plugin, PortEchoesOfAnEditorDragAreNotAppliedAgain) {
  Instance host;
  ASSERT_TRUE(host.plugin);
  host.run();
  QuendralCore& core = host.plugin->core();
  core.beginEdit(kParamGain);
  core.setParameterAutomated(kParamGain, valueFromGainDb(6.0f));
  core.setParameterAutomated(kParamGain, valueFromGainDb(9.0f));
  // The host's late echo of the first edit must not pull the gain back.
  host.controls[kParamGain] = 6.0f;
  host.run();
  EXPECT_FLOAT_EQ(host.parameter(kParamGain), valueFromGainDb(9.0f));
  core.endEdit(kParamGain);
  host.controls[kParamGain] = -3.0f;  // after the gesture the port rules again
  host.run();
  EXPECT_FLOAT_EQ(host.parameter(kParamGain), valueFromGainDb(-3.0f));
}

TEST(Lv2Editor, WithoutADisplayTheHostGetsNoEditor) {
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  setenv("DISPLAY", ":31999", 1);  // no such server
  std::unique_ptr<Lv2Plugin> plugin(Lv2Plugin::create(kRate, nullptr));
  ASSERT_TRUE(plugin);
  LV2_Feature instance{LV2_INSTANCE_ACCESS_URI, plugin.get()};
  const LV2_Feature* features[] = {&instance, nullptr};
  LV2UI_Widget widget = nullptr;
  const auto write = [](LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {};
  EXPECT_EQ(Lv2Editor::create(write, nullptr, features, &widget), nullptr);
  EXPECT_EQ(Lv2Editor::create(write, nullptr, nullptr, &widget), nullptr);
  // The plug-in carries on, its panel closed and free for the next editor.
  EXPECT_FALSE(plugin->core().editor()->isOpen());
  if (display)
    setenv("DISPLAY", saved.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

}  // namespace
