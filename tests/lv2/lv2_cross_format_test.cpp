// Saved state moves between the formats, and a tempo-synced LFO follows the host's time the
// same way in both: the VST2 build's bank chunk restores into the LV2
// build through its state interface, and the LV2 build's saved state into the VST2 build,
// with the parameters, the program names and the live motion as they were.
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lv2_host_features.h"
#include "lv2_plugin.h"
#include "lv2_ports.h"
#include "lv2_uris.h"
#include "plugin_host.h"

namespace {

using namespace panner;
using namespace panner::lv2;
using quendral_lv2_test::StoredState;
using quendral_lv2_test::UridMap;

std::unique_ptr<vsthost::PluginHost> loadVst2() {
  std::string error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  EXPECT_TRUE(host) << error;
  if (host) host->open(44100.0, 512);
  return host;
}

// Lets both builds' motion run a while on silence.
void runVst2(vsthost::PluginHost& host, int blocks) {
  std::vector<float> in(512, 0.0f), out0(512), out1(512);
  float* inputs[1] = {in.data()};
  float* outputs[2] = {out0.data(), out1.data()};
  for (int b = 0; b < blocks; ++b) host.processReplacing(inputs, outputs, 512);
}
void runLv2(Lv2Plugin& plugin, int blocks) {
  std::vector<float> in(512, 0.0f), out0(512), out1(512);
  plugin.connectPort(kAudioInPort, in.data());
  plugin.connectPort(kAudioOutPort0, out0.data());
  plugin.connectPort(kAudioOutPort1, out1.data());
  for (int b = 0; b < blocks; ++b) plugin.run(512);
}

TEST(StateBetweenFormats, Vst2ChunkRestoresIntoTheLv2Build) {
  auto vst2 = loadVst2();
  ASSERT_TRUE(vst2);
  vst2->setProgram(2);
  vst2->setProgramName("Lead");
  vst2->setParameter(kParamGain, 0.3f);
  vst2->setParameter(kParamLfoDivide, 0.45f);
  vst2->setParameter(kParamLfoSpeed, 0.9f);  // the LFO runs: the motion is part of the state
  runVst2(*vst2, 40);
  const std::vector<uint8_t> bank = vst2->getChunk(false);
  ASSERT_FALSE(bank.empty());

  UridMap uris;
  std::unique_ptr<Lv2Plugin> lv2(Lv2Plugin::create(44100.0, uris.features()));
  ASSERT_TRUE(lv2);
  StoredState state;
  state.values[uris.urid(kStateChunkUri)] = {uris.urid(LV2_ATOM__Chunk), bank};
  ASSERT_EQ(lv2->restore(StoredState::retrieve, &state), LV2_STATE_SUCCESS);
  QuendralCore& core = lv2->core();
  EXPECT_EQ(core.getProgram(), 2);
  char name[QuendralCore::kTextSize];
  core.getProgramName(name);
  EXPECT_STREQ(name, "Lead");
  for (int32_t p = 0; p < kNumDefinedParams; ++p)
    EXPECT_EQ(core.getParameter(p), vst2->getParameter(p)) << "parameter " << p;
  // Saved again, it is the chunk a second VST2 instance gives after the same restore:
  // nothing was lost or added on the way.
  StoredState again;
  ASSERT_EQ(lv2->save(StoredState::store, &again), LV2_STATE_SUCCESS);
  auto reference = loadVst2();
  ASSERT_TRUE(reference);
  ASSERT_EQ(reference->setChunk(bank, false), 1);
  ASSERT_EQ(again.values.size(), 1u);
  EXPECT_EQ(again.values.begin()->second.second, reference->getChunk(false));
}

TEST(StateBetweenFormats, Lv2StateRestoresIntoTheVst2Build) {
  UridMap uris;
  std::unique_ptr<Lv2Plugin> lv2(Lv2Plugin::create(44100.0, uris.features()));
  ASSERT_TRUE(lv2);
  float controls[kNumControlPorts];
  for (int32_t p = 0; p < kNumControlPorts; ++p) {
    controls[p] = portValueFromNormalised(p, lv2->core().getParameter(p));
    lv2->connectPort(kFirstControlPort + p, &controls[p]);
  }
  runLv2(*lv2, 1);
  controls[kParamAngle] = -120.0f;
  controls[kParamFilterNumber] = 1.0f;
  controls[kParamPointValue1 + 3] = 0.9f;
  runLv2(*lv2, 40);
  StoredState state;
  ASSERT_EQ(lv2->save(StoredState::store, &state), LV2_STATE_SUCCESS);

  auto vst2 = loadVst2();
  ASSERT_TRUE(vst2);
  ASSERT_EQ(state.values.size(), 1u);
  ASSERT_EQ(vst2->setChunk(state.values.begin()->second.second, false), 1);
  for (int32_t p = 0; p < kNumDefinedParams; ++p)
    EXPECT_EQ(vst2->getParameter(p), lv2->core().getParameter(p)) << "parameter " << p;
}

// The same host time reaches both builds: the VST2 one through its time requests, the LV2
// one as a time:Position at the start of every block, as Ardour sends it.
TEST(HostTimeBetweenFormats, ASyncedLfoSoundsTheSameInBothBuilds) {
  constexpr double kRate = 44100.0, kTempo = 100.0;
  constexpr uint32_t kBlock = 512;
  constexpr int kBlocks = 300;
  auto vst2 = loadVst2();
  ASSERT_TRUE(vst2);
  vst2->setTempo(kTempo);
  vst2->setTempoValid(true);
  vst2->setTransportPlaying(true);
  vst2->setSamplePosition(0.0);

  UridMap uris;
  std::unique_ptr<Lv2Plugin> lv2(Lv2Plugin::create(kRate, uris.features()));
  ASSERT_TRUE(lv2);
  float controls[kNumControlPorts];
  for (int32_t p = 0; p < kNumControlPorts; ++p) {
    controls[p] = portValueFromNormalised(p, lv2->core().getParameter(p));
    lv2->connectPort(kFirstControlPort + p, &controls[p]);
  }
  alignas(8) uint64_t events[256] = {};
  lv2->connectPort(kEventsInPort, events);
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, uris.lv2Map());

  std::vector<float> in(kBlock), vstOut0(kBlock), vstOut1(kBlock), lv2Out0(kBlock), lv2Out1(kBlock);
  float* inputs[1] = {in.data()};
  float* outputs[2] = {vstOut0.data(), vstOut1.data()};
  lv2->connectPort(kAudioInPort, in.data());
  lv2->connectPort(kAudioOutPort0, lv2Out0.data());
  lv2->connectPort(kAudioOutPort1, lv2Out1.data());
  uint32_t noise = 99;
  float worst = 0.0f, peak = 0.0f;
  for (int block = 0; block < kBlocks; ++block) {
    if (block == 1) {  // sync on, the LFO running forwards: the tempo sets its speed
      vst2->setParameter(kParamMidiLfoTempo, 1.0f);
      vst2->setParameter(kParamLfoSpeed, 0.75f);
      controls[kParamMidiLfoTempo] = 1.0f;
      controls[kParamLfoSpeed] = 0.5f;
    }
    for (float& x : in) {
      noise = noise * 1664525u + 1013904223u;
      x = static_cast<float>(noise) / 4294967296.0f - 0.5f;
    }
    LV2_Atom_Forge_Frame sequence, position;
    lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(events), sizeof events);
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    lv2_atom_forge_frame_time(&forge, 0);
    lv2_atom_forge_object(&forge, &position, 0, uris.urid(LV2_TIME__Position));
    lv2_atom_forge_key(&forge, uris.urid(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&forge, static_cast<float>(kTempo));
    lv2_atom_forge_key(&forge, uris.urid(LV2_TIME__beat));
    lv2_atom_forge_double(&forge, block * kBlock / kRate * kTempo / 60.0);
    lv2_atom_forge_key(&forge, uris.urid(LV2_TIME__speed));
    lv2_atom_forge_float(&forge, 1.0f);
    lv2_atom_forge_pop(&forge, &position);
    lv2_atom_forge_pop(&forge, &sequence);

    vst2->processReplacing(inputs, outputs, static_cast<int32_t>(kBlock));
    lv2->run(kBlock);
    for (uint32_t i = 0; i < kBlock; ++i) {
      worst =
          std::max({worst, std::fabs(vstOut0[i] - lv2Out0[i]), std::fabs(vstOut1[i] - lv2Out1[i])});
      peak = std::max(peak, std::fabs(vstOut0[i]));
    }
  }
  EXPECT_GT(peak, 0.01f);
  EXPECT_LE(worst, 1e-6f);
  // The LFO did move, at the tempo's speed.
  EXPECT_NE(lv2->core().getParameter(kParamLfoPosition), 0.0f);
  EXPECT_EQ(lv2->core().getParameter(kParamLfoPosition), vst2->getParameter(kParamLfoPosition));
}

}  // namespace
