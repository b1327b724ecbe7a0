// The own set's file parameter of the LV2 adapter, with the core in view: what is refused
// before the worker sees it (no worker, a path too long, no path, no file named) and what
// the core refuses (a text file named .sofa) changes neither the set nor the file the host
// is told of, and each refusal says why; another property is not taken for the file; the
// state keeps the file through the host's path map, and a state without one forgets it.
#include <gtest/gtest.h>
#include <lv2/state/state.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "lv2_host_features.h"
#include "lv2_patch_ports.h"
#include "lv2_plugin.h"
#include "lv2_ports.h"
#include "lv2_uris.h"
#include "own_response_set.h"
#include "required_package.h"

namespace {

using namespace panner;
using namespace panner::lv2;
using quendral_lv2_test::HostWorker;
using quendral_lv2_test::PatchPorts;
using quendral_lv2_test::StoredState;
using quendral_lv2_test::UridMap;

constexpr const char* kKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
constexpr uint32_t kBlock = 256;

// An instance with its ports connected, its control input written and its notify output
// read every block, with the host's worker or without one.
class Instance {
 public:
  explicit Instance(bool withWorker = true) {
    features = {uris.mapFeature()};
    if (withWorker) features.push_back(worker.feature());
    features.push_back(nullptr);
    plugin.reset(Lv2Plugin::create(44100.0, features.data()));
    if (!plugin) return;
    worker.attach(plugin.get(), &Lv2Plugin::kWorkerInterface);
    for (int32_t p = 0; p < kNumControlPorts; ++p) {
      controls[p] = portValueFromNormalised(p, plugin->core().getParameter(p));
      plugin->connectPort(kFirstControlPort + p, &controls[p]);
    }
    plugin->connectPort(kAudioInPort, silence.data());
    plugin->connectPort(kAudioOutPort0, out0.data());
    plugin->connectPort(kAudioOutPort1, out1.data());
    plugin->connectPort(kEventsInPort, patch.events());
    plugin->connectPort(kNotifyPort, patch.notify());
  }
  ~Instance() { worker.waitUntilWorked(); }

  void run() {
    patch.beforeRun();
    plugin->run(kBlock);
    patch.afterRun(reported);
    worker.deliver();
  }
  // Runs until the worker has answered and the answer was reported.
  void settle() {
    run();
    ASSERT_TRUE(worker.waitUntilWorked());
    run();
    run();
  }

  UridMap uris;
  PatchPorts patch{uris, kSofaFileUri};  // patch:Set and patch:Get go here
  HostWorker worker;
  std::vector<const LV2_Feature*> features;
  std::unique_ptr<Lv2Plugin> plugin;
  float controls[kNumControlPorts] = {};
  std::vector<std::string> reported;  // the files the notify port named, oldest first

 private:
  std::vector<float> silence = std::vector<float>(kBlock, 0.0f);
  std::vector<float> out0 = std::vector<float>(kBlock), out1 = std::vector<float>(kBlock);
};

class Lv2OwnSetFile : public ::testing::Test {
 protected:
  void SetUp() override {
    QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kKemar),
                             "the MIT KEMAR SOFA file (Debian: libmysofa-dev)");
  }
};

TEST_F(Lv2OwnSetFile, WithoutTheHostsWorkerAFileIsRefusedAndTheRefusalSaysSo) {
  Instance instance(false);
  ASSERT_TRUE(instance.plugin);  // the plug-in runs without it
  instance.patch.sendSet(kKemar);
  instance.run();
  EXPECT_EQ(instance.plugin->core().ownSet(), nullptr);
  EXPECT_NE(instance.plugin->lastOwnSetRefusal().find("worker"), std::string::npos)
      << instance.plugin->lastOwnSetRefusal();
  EXPECT_EQ(instance.plugin->ownSetFile(), "");
  // The host, which may show the file it sent, is told that none plays.
  ASSERT_EQ(instance.reported.size(), 1u);
  EXPECT_EQ(instance.reported[0], "");
}

TEST_F(Lv2OwnSetFile, RefusedFilesChangeNothingAndSayWhy) {
  Instance instance;
  ASSERT_TRUE(instance.plugin);
  Lv2Plugin& plugin = *instance.plugin;
  instance.patch.sendSet(kKemar);
  instance.settle();
  const auto loaded = plugin.core().ownSet();
  ASSERT_NE(loaded, nullptr) << plugin.lastOwnSetRefusal();
  EXPECT_EQ(plugin.lastOwnSetRefusal(), "");
  EXPECT_EQ(plugin.ownSetFile(), kKemar);

  const std::string textFile = testing::TempDir() + "/quendral-not-a-head.sofa";
  std::ofstream(textFile) << "no measurements in here\n";
  struct Case {
    const char* what;
    std::string value;
    const char* type;
    const char* expected;  // in the refusal
    bool reachesTheWorker;
  };
  const Case cases[] = {
      {"a path beyond the limit", "/" + std::string(OwnSetFile::kMaxPathBytes, 'a') + ".sofa",
       LV2_ATOM__Path, "too long", false},
      {"a string, not a path", kKemar, LV2_ATOM__String, "no file path", false},
      {"an empty path", "", LV2_ATOM__Path, "no file named", false},
      {"a text file named .sofa", textFile, LV2_ATOM__Path, "not a SOFA file", true},
      {"a file that is not there", "/nonexistent/head.sofa", LV2_ATOM__Path, "cannot be opened",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int scheduled = instance.worker.scheduled();
    instance.reported.clear();
    instance.patch.sendSet(c.value, c.type);
    instance.settle();
    EXPECT_EQ(instance.worker.scheduled(), scheduled + (c.reachesTheWorker ? 1 : 0));
    EXPECT_NE(plugin.lastOwnSetRefusal().find(c.expected), std::string::npos)
        << plugin.lastOwnSetRefusal();
    EXPECT_EQ(plugin.core().ownSet(), loaded);
    EXPECT_EQ(plugin.ownSetFile(), kKemar);
    ASSERT_EQ(instance.reported.size(), 1u);
    EXPECT_EQ(instance.reported[0], kKemar);
  }
  std::remove(textFile.c_str());

  // A Set of some other property is no file: nothing is asked of the worker.
  const int scheduled = instance.worker.scheduled();
  instance.patch.sendSet(kKemar, LV2_ATOM__Path, "urn:quillmoor:another#property");
  instance.settle();
  EXPECT_EQ(instance.worker.scheduled(), scheduled);
  // The next good file clears the refusal.
  instance.patch.sendSet(kKemar);
  instance.settle();
  EXPECT_EQ(plugin.lastOwnSetRefusal(), "");
  EXPECT_NE(plugin.core().ownSet(), loaded);
}

// The host's state:mapPath: files under /usr/share/libmysofa are kept as "sofa:NAME".
struct PathMap {
  static char* abstractPath(LV2_State_Map_Path_Handle, const char* absolute) {
    const std::string prefix = "/usr/share/libmysofa/";
    const std::string path = absolute;
    if (path.compare(0, prefix.size(), prefix) == 0)
      return strdup(("sofa:" + path.substr(prefix.size())).c_str());
    return strdup(absolute);
  }
  static char* absolutePath(LV2_State_Map_Path_Handle, const char* abstract) {
    const std::string path = abstract;
    if (path.compare(0, 5, "sofa:") == 0)
      return strdup(("/usr/share/libmysofa/" + path.substr(5)).c_str());
    return strdup(abstract);
  }
  LV2_State_Map_Path map{this, &PathMap::abstractPath, &PathMap::absolutePath};
  LV2_Feature feature{LV2_STATE__mapPath, &map};
  const LV2_Feature* list[2] = {&feature, nullptr};
};

TEST_F(Lv2OwnSetFile, TheStateKeepsTheFileThroughTheHostsPathMap) {
  PathMap paths;
  Instance first;
  ASSERT_TRUE(first.plugin);
  // Nothing loaded: the state holds the chunk alone, as before there was a file.
  StoredState empty;
  ASSERT_EQ(first.plugin->save(StoredState::store, &empty, paths.list), LV2_STATE_SUCCESS);
  EXPECT_EQ(empty.values.size(), 1u);

  first.patch.sendSet(kKemar);
  first.settle();
  StoredState state;
  ASSERT_EQ(first.plugin->save(StoredState::store, &state, paths.list), LV2_STATE_SUCCESS);
  const auto file = state.values.find(first.uris.urid(kSofaFileUri));
  ASSERT_NE(file, state.values.end());
  EXPECT_EQ(file->second.first, first.uris.urid(LV2_ATOM__Path));
  EXPECT_STREQ(reinterpret_cast<const char*>(file->second.second.data()),
               "sofa:MIT_KEMAR_normal_pinna.sofa");

  Instance second;
  ASSERT_TRUE(second.plugin);
  // The state's keys are the first host's URIDs: the second maps them the same way.
  for (const char* uri : {kStateChunkUri, kSofaFileUri, LV2_ATOM__Chunk, LV2_ATOM__Path})
    ASSERT_EQ(second.uris.urid(uri), first.uris.urid(uri)) << uri;
  ASSERT_EQ(second.plugin->restore(StoredState::retrieve, &state, paths.list), LV2_STATE_SUCCESS);
  EXPECT_EQ(second.plugin->ownSetFile(), kKemar);
  ASSERT_NE(second.plugin->core().ownSet(), nullptr);
  EXPECT_EQ(second.plugin->core().ownSet()->checksum, first.plugin->core().ownSet()->checksum);
  second.run();
  ASSERT_EQ(second.reported.size(), 1u);
  EXPECT_EQ(second.reported[0], kKemar);
  EXPECT_EQ(second.worker.scheduled(), 0);  // the chunk carried the set: nothing was read

  // A state saved with no file loaded forgets the file, as the chunk forgets the set.
  ASSERT_EQ(second.plugin->restore(StoredState::retrieve, &empty, paths.list), LV2_STATE_SUCCESS);
  EXPECT_EQ(second.plugin->ownSetFile(), "");
  second.run();
  EXPECT_EQ(second.reported.back(), "");
}

}  // namespace
