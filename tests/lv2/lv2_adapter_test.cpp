// The LV2 adapter driven as a host drives it, with the core in view: ports, time, state and
// the own set's file parameter through the host's worker and map_path.
#include <gtest/gtest.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/state/state.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "editor/panel_editor.h"
#include "host_timeline.h"
#include "lv2_editor.h"
#include "lv2_host_features.h"
#include "lv2_patch_ports.h"
#include "lv2_plugin.h"
#include "lv2_ports.h"
#include "lv2_uris.h"
#include "own_response_set.h"
#include "parameter_mapping.h"
#include "required_package.h"

namespace {

using namespace panner;
using namespace panner::lv2;
using namespace quendral_lv2_test;
namespace fs = std::filesystem;

constexpr double kRate = 44100.0;
constexpr uint32_t kBlock = 256;
constexpr const char* kKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";

// One instance with every port connected to buffers of the test's own, the control ports at
// the description's defaults (program 0), the atom ports written and read every block, and
// the host's URID map and worker unless `features` is false.
struct Instance {
  explicit Instance(bool features = true, bool withWorker = true) : atoms(features) {
    std::vector<const LV2_Feature*> list;
    if (features) list.push_back(uris.mapFeature());
    if (features && withWorker) list.push_back(worker.feature());
    list.push_back(nullptr);
    plugin.reset(Lv2Plugin::create(kRate, features ? list.data() : nullptr));
    if (!plugin) return;
    worker.attach(plugin.get(), &Lv2Plugin::kWorkerInterface);
    for (int32_t p = 0; p < kNumControlPorts; ++p) {
      controls[p] = portValueFromNormalised(p, plugin->core().getParameter(p));
      plugin->connectPort(kFirstControlPort + p, &controls[p]);
    }
    plugin->connectPort(kLatencyPort, &latency);
    plugin->connectPort(kAudioInPort, input.data());
    plugin->connectPort(kAudioOutPort0, output0.data());
    plugin->connectPort(kAudioOutPort1, output1.data());
    if (features) {
      plugin->connectPort(kEventsInPort, patch.events());
      plugin->connectPort(kNotifyPort, patch.notify());
    }
    plugin->activate();
  }
  ~Instance() { worker.waitUntilWorked(); }
  void run(int blocks = 1) {
    for (int b = 0; b < blocks; ++b) {
      if (atoms) patch.beforeRun();
      plugin->run(kBlock);
      if (atoms) patch.afterRun(reported);
      worker.deliver();
    }
  }
  // Runs until the worker has answered and the answer was reported.
  void settle() {
    run();
    worker.waitUntilWorked();
    run(2);
  }
  float parameter(int32_t index) const { return plugin->core().getParameter(index); }

  bool atoms;
  UridMap uris;
  PatchPorts patch{uris, kSofaFileUri};  // patch:Set and patch:Get go here
  HostWorker worker;
  std::unique_ptr<Lv2Plugin> plugin;
  float controls[kNumControlPorts] = {};
  float latency = 0.0f;
  std::vector<std::string> reported;  // the files the notify port named, oldest first
  std::vector<float> input = std::vector<float>(kBlock, 0.0f);
  std::vector<float> output0 = std::vector<float>(kBlock, 0.0f);
  std::vector<float> output1 = std::vector<float>(kBlock, 0.0f);
};

// Every divisor comes back as itself, whatever the float rounding of its step; in-between
// values to integer and toggle ports are rounded, and values beyond the range are confined
// to the range the host was told.
TEST(Lv2Ports, PortValuesMapToParametersAndBack) {
  for (int divisor = 1; divisor <= kMaxLfoDivisor; ++divisor) {
    const float value = normalisedFromPortValue(kParamLfoDivide, static_cast<float>(divisor));
    EXPECT_EQ(lfoDivisorFromValue(value), divisor);
    EXPECT_EQ(portValueFromNormalised(kParamLfoDivide, value), static_cast<float>(divisor));
  }
  EXPECT_EQ(lfoDivisorFromValue(normalisedFromPortValue(kParamLfoDivide, 3.6f)), 4);
  EXPECT_EQ(responseSetFromValue(normalisedFromPortValue(kParamFilterNumber, 0.7f)), 1);
  EXPECT_FALSE(tempoSyncFromValue(normalisedFromPortValue(kParamMidiLfoTempo, 0.4f)));
  EXPECT_FLOAT_EQ(normalisedFromPortValue(kParamAngle, 270.0f), 1.0f);
  EXPECT_FLOAT_EQ(normalisedFromPortValue(kParamPointValue1, -3.0f), 0.0f);
  EXPECT_TRUE(std::isnan(normalisedFromPortValue(kParamGain, std::nanf(""))));
}

// A report 11025 frames into a block is a quarter of a second after the block's start; the
// position moves on at the reported tempo, counting eighth notes as half a quarter note.
TEST(Lv2Timeline, PositionMovesOnAtTheReportedTempoAndSpeed) {
  HostTimeline timeline;
  timeline.setSampleRate(kRate);
  double quarterNotes = 0.0, bpm = 0.0;
  bool playing = false;
  EXPECT_FALSE(timeline.tempo(bpm));
  HostTimeline::Report report;
  report.hasTempo = report.hasBeat = report.hasSpeed = report.hasBeatUnit = true;
  report.beatsPerMinute = 120.0;
  report.beat = 16.0;
  report.speed = 1.0;
  report.beatUnit = 8;
  timeline.report(report, 11025);
  timeline.advance(22050);
  ASSERT_TRUE(timeline.tempo(bpm));
  EXPECT_DOUBLE_EQ(bpm, 60.0);
  ASSERT_TRUE(timeline.position(quarterNotes, playing));
  EXPECT_DOUBLE_EQ(quarterNotes, 8.0 + 0.25);
  EXPECT_TRUE(playing);
}

// Without features it starts at the ports' settings, later changes glide; a port applies
// only when it changes (an unchanged angle leaves the LFO running).
TEST(Lv2Plugin, PortsApplyFromTheFirstBlockWhenTheyChangeAndOnlyThen) {
  Instance host(false);
  ASSERT_TRUE(host.plugin);
  EXPECT_EQ(Lv2Plugin::create(1000.0, nullptr), nullptr) << "a rate the engine refuses";
  host.controls[kParamAngle] = 90.0f;
  host.controls[kParamFilterNumber] = 1.0f;
  host.run();
  EXPECT_EQ(host.latency, 128.0f);
  EXPECT_FLOAT_EQ(host.plugin->core().getEngine().currentAngleDegrees(), 90.0f);
  EXPECT_FLOAT_EQ(host.parameter(kParamFilterNumber), 1.0f);
  host.controls[kParamAngle] = 0.0f;
  host.run();
  EXPECT_GT(host.plugin->core().getEngine().currentAngleDegrees(), 80.0f);
  host.controls[kParamLfoSpeed] = 1.0f;
  host.run();
  const float position = host.parameter(kParamLfoPosition);
  host.run(20);
  EXPECT_FLOAT_EQ(host.parameter(kParamLfoSpeed), 1.0f);
  EXPECT_NE(host.parameter(kParamLfoPosition), position);
  host.controls[kParamAngle] = -45.0f;
  host.run();
  EXPECT_FLOAT_EQ(host.parameter(kParamLfoSpeed), 0.5f);
  EXPECT_FLOAT_EQ(host.parameter(kParamAngle), valueFromAngle(-45.0f));
}

// The host's late echo of an edit made in the editor does not pull the value back; after the
// gesture the port rules again.
TEST(Lv2Plugin, PortEchoesOfAnEditorDragAreNotAppliedAgain) {
  Instance host;
  ASSERT_TRUE(host.plugin);
  host.run();
  QuendralCore& core = host.plugin->core();
  core.beginEdit(kParamGain);
  core.setParameterAutomated(kParamGain, valueFromGainDb(6.0f));
  core.setParameterAutomated(kParamGain, valueFromGainDb(9.0f));
  host.controls[kParamGain] = 6.0f;
  host.run();
  EXPECT_FLOAT_EQ(host.parameter(kParamGain), valueFromGainDb(9.0f));
  core.endEdit(kParamGain);
  host.controls[kParamGain] = -3.0f;
  host.run();
  EXPECT_FLOAT_EQ(host.parameter(kParamGain), valueFromGainDb(-3.0f));
}

// The state carries the chunk; the port values a host sets around the restore (an angle the
// LFO has carried on may differ from the motion) are not applied over the restored motion.
TEST(Lv2Plugin, StateCarriesTheChunkAndTheRestoredMotionStays) {
  Instance first;
  ASSERT_TRUE(first.plugin);
  first.run();
  first.controls[kParamLfoSpeed] = 0.5f;
  first.controls[kParamGain] = 3.0f;
  first.run(30);
  StoredState state;
  ASSERT_EQ(first.plugin->save(StoredState::store, &state), LV2_STATE_SUCCESS);
  ASSERT_EQ(state.values.size(), 1u);
  EXPECT_EQ(state.values.begin()->second.first, first.uris.urid(LV2_ATOM__Chunk));

  Instance second;
  ASSERT_EQ(second.plugin->restore(StoredState::retrieve, &state), LV2_STATE_SUCCESS);
  second.controls[kParamGain] = 3.0f;
  second.controls[kParamLfoSpeed] = 0.5f;
  second.controls[kParamAngle] = 30.0f;
  second.run();
  EXPECT_FLOAT_EQ(second.parameter(kParamLfoSpeed), 0.75f) << "the LFO keeps running";
  EXPECT_FLOAT_EQ(second.parameter(kParamGain), valueFromGainDb(3.0f));
  second.controls[kParamGain] = -2.0f;
  second.run();
  EXPECT_FLOAT_EQ(second.parameter(kParamGain), valueFromGainDb(-2.0f));
  // A chunk of the wrong type changes nothing; port values alone (no chunk) are no error;
  // without a URID map there is no state to speak of.
  StoredState wrong = state;
  wrong.values.begin()->second.first = second.uris.urid(LV2_ATOM__String);
  EXPECT_EQ(second.plugin->restore(StoredState::retrieve, &wrong), LV2_STATE_ERR_BAD_TYPE);
  EXPECT_FLOAT_EQ(second.parameter(kParamGain), valueFromGainDb(-2.0f));
  StoredState empty;
  EXPECT_EQ(second.plugin->restore(StoredState::retrieve, &empty), LV2_STATE_SUCCESS);
  Instance plain(false);
  EXPECT_EQ(plain.plugin->save(StoredState::store, &state), LV2_STATE_ERR_NO_FEATURE);
}

TEST(Lv2Editor, WithoutADisplayTheHostGetsNoEditor) {
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  setenv("DISPLAY", ":31999", 1);  // no such server
  Instance host(false);
  LV2_Feature instance{LV2_INSTANCE_ACCESS_URI, host.plugin.get()};
  const LV2_Feature* features[] = {&instance, nullptr};
  LV2UI_Widget widget = nullptr;
  const auto write = [](LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {};
  EXPECT_EQ(Lv2Editor::create(write, nullptr, features, &widget), nullptr);
  EXPECT_EQ(Lv2Editor::create(write, nullptr, nullptr, &widget), nullptr);
  // The plug-in carries on, its panel closed and free for the next editor.
  EXPECT_FALSE(host.plugin->core().editor()->isOpen());
  if (display)
    setenv("DISPLAY", saved.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

// Refused before the worker sees it (no worker, a path too long, no path, no file named) or
// by the core through the worker (a missing file): the set and the file the host is told of
// stay, and the refusal says why. Another property is no file.
TEST(Lv2OwnSetFile, RefusedFilesChangeNothingAndSayWhy) {
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(kKemar), "the MIT KEMAR SOFA file (Debian: libmysofa-dev)");
  Instance lacking(true, false);
  lacking.patch.sendSet(kKemar);
  lacking.run();
  EXPECT_EQ(lacking.plugin->core().ownSet(), nullptr);
  EXPECT_NE(lacking.plugin->lastOwnSetRefusal().find("worker"), std::string::npos);
  EXPECT_EQ(lacking.reported, std::vector<std::string>{""});

  Instance host;
  Lv2Plugin& plugin = *host.plugin;
  host.patch.sendSet(kKemar);
  host.settle();
  const auto loaded = plugin.core().ownSet();
  ASSERT_NE(loaded, nullptr) << plugin.lastOwnSetRefusal();
  EXPECT_EQ(plugin.lastOwnSetRefusal(), "");
  const struct {
    std::string value;
    const char* type;
    const char* refusal;
    int worked;  // requests that reach the worker
  } cases[] = {
      {"/" + std::string(OwnSetFile::kMaxPathBytes, 'a') + ".sofa", LV2_ATOM__Path, "too long", 0},
      {kKemar, LV2_ATOM__String, "no file path", 0},
      {"", LV2_ATOM__Path, "no file named", 0},
      {"/nonexistent/head.sofa", LV2_ATOM__Path, "cannot be opened", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.refusal);
    const int scheduled = host.worker.scheduled();
    host.reported.clear();
    host.patch.sendSet(c.value, c.type);
    host.settle();
    EXPECT_EQ(host.worker.scheduled(), scheduled + c.worked);
    EXPECT_NE(plugin.lastOwnSetRefusal().find(c.refusal), std::string::npos)
        << plugin.lastOwnSetRefusal();
    EXPECT_EQ(plugin.core().ownSet(), loaded);
    EXPECT_EQ(host.reported, std::vector<std::string>{kKemar});
  }
  const int scheduled = host.worker.scheduled();
  host.patch.sendSet(kKemar, LV2_ATOM__Path, "urn:quillmoor:another#property");
  host.patch.sendGet();  // and a Get names the file that plays
  host.reported.clear();
  host.settle();
  EXPECT_EQ(host.worker.scheduled(), scheduled);
  EXPECT_EQ(host.reported, std::vector<std::string>{kKemar});
}

// The host's state:mapPath, which keeps files of one folder as "head:NAME".
struct PathMap {
  static inline std::string folder;
  static char* abstractPath(LV2_State_Map_Path_Handle, const char* absolute) {
    const std::string path = absolute;
    if (path.compare(0, folder.size(), folder) == 0)
      return strdup(("head:" + path.substr(folder.size())).c_str());
    return strdup(absolute);
  }
  static char* absolutePath(LV2_State_Map_Path_Handle, const char* abstract) {
    const std::string path = abstract;
    if (path.compare(0, 5, "head:") == 0) return strdup((folder + path.substr(5)).c_str());
    return strdup(abstract);
  }
  LV2_State_Map_Path map{this, &PathMap::abstractPath, &PathMap::absolutePath};
  LV2_Feature feature{LV2_STATE__mapPath, &map};
  const LV2_Feature* list[2] = {&feature, nullptr};
};

// The state keeps the file through the host's map_path; restored after the file is gone,
// the chunk brings the set and the host is told the file it came from. A state saved with no
// file loaded forgets the file, as the chunk forgets the set.
TEST(Lv2OwnSetFile, TheStateKeepsTheFileAndRestoresWithTheFileGone) {
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(kKemar), "the MIT KEMAR SOFA file (Debian: libmysofa-dev)");
  PathMap paths;
  PathMap::folder = testing::TempDir() + "/quendral-heads/";
  fs::create_directories(PathMap::folder);
  const std::string head = PathMap::folder + "my-head.sofa";
  fs::copy_file(kKemar, head, fs::copy_options::overwrite_existing);
  Instance first;
  StoredState empty;
  ASSERT_EQ(first.plugin->save(StoredState::store, &empty, paths.list), LV2_STATE_SUCCESS);
  EXPECT_EQ(empty.values.size(), 1u);  // the chunk alone
  first.patch.sendSet(head);
  first.settle();
  StoredState state;
  ASSERT_EQ(first.plugin->save(StoredState::store, &state, paths.list), LV2_STATE_SUCCESS);
  const auto file = state.values.find(first.uris.urid(kSofaFileUri));
  ASSERT_NE(file, state.values.end());
  EXPECT_EQ(file->second.first, first.uris.urid(LV2_ATOM__Path));
  EXPECT_STREQ(reinterpret_cast<const char*>(file->second.second.data()), "head:my-head.sofa");
  fs::remove_all(PathMap::folder);

  Instance second;
  // The state's keys are the first host's URIDs: the second maps them the same way.
  for (const char* uri : {kStateChunkUri, kSofaFileUri, LV2_ATOM__Chunk, LV2_ATOM__Path})
    ASSERT_EQ(second.uris.urid(uri), first.uris.urid(uri)) << uri;
  ASSERT_EQ(second.plugin->restore(StoredState::retrieve, &state, paths.list), LV2_STATE_SUCCESS);
  EXPECT_EQ(second.plugin->ownSetFile(), head);
  ASSERT_NE(second.plugin->core().ownSet(), nullptr);
  EXPECT_EQ(second.plugin->core().ownSet()->checksum, first.plugin->core().ownSet()->checksum);
  second.run();
  EXPECT_EQ(second.reported, std::vector<std::string>{head});
  EXPECT_EQ(second.worker.scheduled(), 0);  // the chunk carried the set: nothing was read
  ASSERT_EQ(second.plugin->restore(StoredState::retrieve, &empty, paths.list), LV2_STATE_SUCCESS);
  EXPECT_EQ(second.plugin->ownSetFile(), "");
  second.run();
  EXPECT_EQ(second.reported.back(), "");
}

}  // namespace
