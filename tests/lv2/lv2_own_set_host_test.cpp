// The own set's file through a real LV2 host library: lilv loads the bundle, finds the
// file parameter hosts show a file chooser for, and runs the plug-in with a worker thread of
// the host's. A patch:Set of Debian's MIT KEMAR file loads it; with "own set" on, the output
// is what the VST2 build renders with quendral-render --sofa. A text file named .sofa sent
// halfway through changes nothing, and a patch:Get still names the file that plays. Saved
// with lilv's state files and restored into a fresh instance after the file was moved away,
// the set plays as before.
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/patch/patch.h>
#include <lv2/worker/worker.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "lv2_host_features.h"
#include "lv2_patch_ports.h"
#include "lv2_test_support.h"
#include "required_package.h"
#include "xvfb_server.h"

namespace {

using namespace quendral_lv2_test;

constexpr const char* kKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
constexpr const char* kFileParameter = QUENDRAL_LV2_URI "#sofa_file";
constexpr int kRate = 44100;
constexpr uint32_t kBlock = 512;
constexpr float kAngle = 60.0f;
constexpr float kTolerance = 1e-6f;

LilvWorld* sharedWorld() {
  static LilvWorld* world = [] {
    LilvWorld* w = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(w, nullptr, QUENDRAL_LV2_BUNDLE "/");
    lilv_world_load_bundle(w, bundle);
    lilv_node_free(bundle);
    return w;
  }();
  return world;
}

const LilvPlugin* quendral(LilvWorld* world) {
  LilvNode* uri = lilv_new_uri(world, QUENDRAL_LV2_URI);
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
  lilv_node_free(uri);
  return plugin;
}

// One instance run as a host runs it: ports found by symbol, controls at their defaults, a
// worker thread, the atom input written and the notify output read every block.
class Host {
 public:
  Host() : world(sharedWorld()), plugin(quendral(world)) {
    if (!plugin) return;
    const uint32_t ports = lilv_plugin_get_num_ports(plugin);
    controls.assign(ports, 0.0f);
    std::vector<float> defaults(ports);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    for (uint32_t p = 0; p < ports; ++p)
      if (!std::isnan(defaults[p])) controls[p] = defaults[p];
    features = {uris.mapFeature(), worker.feature(), nullptr};
    instance = lilv_plugin_instantiate(plugin, kRate, features.data());
    if (!instance) return;
    const auto* workerInterface = static_cast<const LV2_Worker_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_WORKER__interface));
    if (!workerInterface) return;
    worker.attach(lilv_instance_get_handle(instance), workerInterface);
    for (uint32_t p = 0; p < ports; ++p) lilv_instance_connect_port(instance, p, &controls[p]);
    lilv_instance_connect_port(instance, port("in"), input.data());
    lilv_instance_connect_port(instance, port("out_left"), left.data());
    lilv_instance_connect_port(instance, port("out_right"), right.data());
    lilv_instance_connect_port(instance, port("events"), patch.events());
    lilv_instance_connect_port(instance, port("notify"), patch.notify());
    lilv_instance_activate(instance);
    ready = true;
  }
  ~Host() {
    if (instance) {
      worker.waitUntilWorked();
      lilv_instance_deactivate(instance);
      lilv_instance_free(instance);
    }
  }

  uint32_t port(const char* symbol) {
    LilvNode* name = lilv_new_string(world, symbol);
    const LilvPort* found = lilv_plugin_get_port_by_symbol(plugin, name);
    lilv_node_free(name);
    EXPECT_TRUE(found) << symbol;
    return found ? lilv_port_get_index(plugin, found) : 0;
  }
  void setControl(const char* symbol, float value) { controls[port(symbol)] = value; }

  // One block of `frames` from `in` (silence when null) into left and right.
  void run(const float* in, uint32_t frames) {
    if (in)
      std::copy(in, in + frames, input.begin());
    else
      std::fill(input.begin(), input.end(), 0.0f);
    patch.beforeRun();
    lilv_instance_run(instance, frames);
    patch.afterRun(reported);
    worker.deliver();
  }
  // Silent blocks until the worker has answered everything asked so far.
  void settleWorker() {
    run(nullptr, kBlock);
    EXPECT_TRUE(worker.waitUntilWorked());
    run(nullptr, kBlock);  // delivers the answer
    run(nullptr, kBlock);  // reports it
  }
  void runSilence(int blocks) {
    for (int b = 0; b < blocks; ++b) run(nullptr, kBlock);
  }

  // The paths the plug-in reported on its notify port, oldest first.
  std::vector<std::string> reported;

  LilvWorld* world;
  const LilvPlugin* plugin;
  UridMap uris;
  PatchPorts patch{uris, kFileParameter};  // patch:Set and patch:Get go here
  HostWorker worker;
  std::vector<const LV2_Feature*> features;
  LilvInstance* instance = nullptr;
  bool ready = false;
  std::vector<float> controls;
  std::vector<float> input = std::vector<float>(kBlock), left = std::vector<float>(kBlock),
                     right = std::vector<float>(kBlock);
};

class Lv2OwnSetFileInLilv : public ::testing::Test {
 protected:
  void SetUp() override {
    QUENDRAL_REQUIRE_PACKAGE(fs::exists(kKemar), "the MIT KEMAR SOFA file (Debian: libmysofa-dev)");
    ASSERT_FALSE(scratch.path().empty());
    ASSERT_TRUE(quendral(sharedWorld())) << "lilv finds no plug-in in " QUENDRAL_LV2_BUNDLE;
    signal = testSignal(static_cast<std::size_t>(1.5 * kRate) + 333, kRate);
    ASSERT_TRUE(writeMonoFloatWav(scratch / "input.wav", signal, kRate));
  }

  // The VST2 build's render with the file as its own set (the built-in set without one),
  // raw: latency kept, no tail.
  Audio vst2Render(const std::string& sofa) {
    const fs::path output = scratch / "vst2.wav";
    std::vector<std::string> arguments = {QUENDRAL_RENDER_TOOL,
                                          "--plugin",
                                          QUENDRAL_PLUGIN_PATH,
                                          "--no-compensate",
                                          "--tail",
                                          "0",
                                          "-q",
                                          "--angle",
                                          "60"};
    if (!sofa.empty()) arguments.insert(arguments.end(), {"--sofa", sofa});
    arguments.insert(arguments.end(), {(scratch / "input.wav").string(), output.string()});
    const CommandResult run = runProgram(arguments, {}, scratch / "render.log");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readAudio(output);
  }

  // The signal through `host`. With `midwayFile`, a patch:Set of it goes with the block
  // that crosses the middle, and the rest plays once the worker has dealt with it.
  Audio render(Host& host, const std::string& midwayFile = "") {
    Audio audio;
    audio.channels = 2;
    audio.sampleRate = kRate;
    for (std::size_t done = 0; done < signal.size();) {
      const bool midway = done <= signal.size() / 2 && signal.size() / 2 < done + kBlock;
      if (midway && !midwayFile.empty()) host.patch.sendSet(midwayFile);
      const auto frames =
          static_cast<uint32_t>(std::min<std::size_t>(kBlock, signal.size() - done));
      host.run(signal.data() + done, frames);
      if (midway) {
        EXPECT_TRUE(host.worker.waitUntilWorked());
      }
      for (uint32_t i = 0; i < frames; ++i) {
        audio.samples.push_back(host.left[i]);
        audio.samples.push_back(host.right[i]);
      }
      done += frames;
    }
    return audio;
  }

  // Loads `file` through the parameter and switches "own set" on, then lets the switch's
  // crossfade end on silence (whole frames: the input then starts on a frame's start).
  void loadAndSwitchOn(Host& host, const std::string& file) {
    host.setControl("angle", kAngle);
    host.runSilence(1);
    host.patch.sendSet(file);
    host.settleWorker();
    ASSERT_FALSE(host.reported.empty());
    EXPECT_EQ(host.reported.back(), file);
    host.setControl("own_set", 1.0f);
    host.runSilence(2 * kRate / kBlock);
  }

  // A state folder, saved as jalv saves one, of an instance that plays `file` as its own
  // set. Files the state names are linked from the folder (without a link folder lilv 0.24
  // removes the file itself when it saves).
  void saveStateWith(const fs::path& file, const fs::path& folder) {
    Host first;
    ASSERT_TRUE(first.ready);
    loadAndSwitchOn(first, file.string());
    const auto portValue = [](const char* symbol, void* data, uint32_t* size,
                              uint32_t* type) -> const void* {
      auto* host = static_cast<Host*>(data);
      *size = sizeof(float);
      *type = host->uris.urid(LV2_ATOM__Float);
      return &host->controls[host->port(symbol)];
    };
    LilvState* state = lilv_state_new_from_instance(
        first.plugin, first.instance, first.uris.lv2Map(), nullptr, folder.c_str(), folder.c_str(),
        folder.c_str(), portValue, &first, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
    ASSERT_TRUE(state);
    EXPECT_EQ(lilv_state_save(first.world, first.uris.lv2Map(), first.uris.lv2Unmap(), state,
                              nullptr, folder.c_str(), "state.ttl"),
              0);
    lilv_state_free(state);
  }

  ScratchFolder scratch;
  std::vector<float> signal;
};

TEST_F(Lv2OwnSetFileInLilv, TheDescriptionOffersTheFileAsAWritablePath) {
  LilvWorld* world = sharedWorld();
  const LilvPlugin* plugin = quendral(world);
  LilvNode* writable = lilv_new_uri(world, LV2_PATCH__writable);
  LilvNodes* properties = lilv_plugin_get_value(plugin, writable);
  ASSERT_TRUE(properties);
  ASSERT_EQ(lilv_nodes_size(properties), 1u);
  const LilvNode* property = lilv_nodes_get(properties, lilv_nodes_begin(properties));
  EXPECT_STREQ(lilv_node_as_uri(property), kFileParameter);
  LilvNode* range = lilv_new_uri(world, "http://www.w3.org/2000/01/rdf-schema#range");
  LilvNode* label = lilv_new_uri(world, "http://www.w3.org/2000/01/rdf-schema#label");
  LilvNode* rangeValue = lilv_world_get(world, property, range, nullptr);
  LilvNode* labelValue = lilv_world_get(world, property, label, nullptr);
  ASSERT_TRUE(rangeValue && labelValue);
  EXPECT_STREQ(lilv_node_as_uri(rangeValue), LV2_ATOM__Path);
  EXPECT_STREQ(lilv_node_as_string(labelValue), "own set file");
  // The worker is asked for, not required: a host without one still runs the plug-in.
  LilvNode* schedule = lilv_new_uri(world, LV2_WORKER__schedule);
  EXPECT_TRUE(lilv_plugin_has_feature(plugin, schedule));
  LilvNodes* required = lilv_plugin_get_required_features(plugin);
  EXPECT_EQ(lilv_nodes_size(required), 0u);
  LilvNode* workerInterface = lilv_new_uri(world, LV2_WORKER__interface);
  EXPECT_TRUE(lilv_plugin_has_extension_data(plugin, workerInterface));
  for (LilvNode* node : {writable, range, label, rangeValue, labelValue, schedule, workerInterface})
    lilv_node_free(node);
  lilv_nodes_free(properties);
  lilv_nodes_free(required);
}

TEST_F(Lv2OwnSetFileInLilv, ALoadedFilePlaysAsInTheVst2BuildAndABadOneChangesNothing) {
  const Audio expected = vst2Render(kKemar);
  // The head sounds unlike the built-in set: matching it shows the file was loaded.
  const Audio builtIn = vst2Render("");
  ASSERT_EQ(builtIn.samples.size(), expected.samples.size());
  float apart = 0.0f;
  for (std::size_t i = 0; i < expected.samples.size(); ++i)
    apart = std::max(apart, std::fabs(expected.samples[i] - builtIn.samples[i]));
  EXPECT_GT(apart, 0.05f);
  const fs::path bad = scratch / "not-a-head.sofa";
  std::ofstream(bad) << "these are no measurements of anybody's ears\n";

  Host host;
  ASSERT_TRUE(host.ready);
  host.runSilence(1);
  host.patch.sendGet();  // as a host asks when it shows the plug-in: nothing loaded yet
  host.runSilence(1);
  ASSERT_EQ(host.reported.size(), 1u);
  EXPECT_EQ(host.reported[0], "");

  loadAndSwitchOn(host, kKemar);
  // The bad file is refused while the signal plays: not a sample differs.
  const Audio played = render(host, bad.string());
  expectSameRender(expected, played, kTolerance, "own set loaded through lilv");
  EXPECT_EQ(host.worker.scheduled(), 2);
  const std::size_t afterRender = host.reported.size();
  host.patch.sendGet();
  host.runSilence(1);
  // The refusal reported the file that plays, and so does the Get; the bad file was never
  // reported as loaded.
  ASSERT_EQ(afterRender, 3u);
  ASSERT_EQ(host.reported.size(), 4u);
  EXPECT_EQ(host.reported[2], kKemar);
  EXPECT_EQ(host.reported[3], kKemar);
}

TEST_F(Lv2OwnSetFileInLilv, AStateFileRestoresTheSetWithTheSofaFileGone) {
  const fs::path head = scratch / "my-head.sofa";
  fs::copy_file(kKemar, head);
  const Audio expected = vst2Render(head.string());
  const fs::path saved = scratch / "saved.lv2";
  saveStateWith(head, saved);
  // The file leaves the machine; the state still names it (through its link).
  ASSERT_TRUE(fs::exists(head));
  fs::remove(head);
  EXPECT_NE(readText(saved / "state.ttl").find("my-head.sofa"), std::string::npos);

  Host fresh;
  ASSERT_TRUE(fresh.ready);
  LilvState* state = lilv_state_new_from_file(fresh.world, fresh.uris.lv2Map(), nullptr,
                                              (saved / "state.ttl").c_str());
  ASSERT_TRUE(state);
  const auto setPortValue = [](const char* symbol, void* data, const void* value, uint32_t size,
                               uint32_t) {
    auto* host = static_cast<Host*>(data);
    if (size == sizeof(float))
      host->controls[host->port(symbol)] = *static_cast<const float*>(value);
  };
  lilv_state_restore(state, fresh.instance, setPortValue, &fresh, 0, nullptr);
  lilv_state_free(state);
  EXPECT_EQ(fresh.controls[fresh.port("own_set")], 1.0f);
  fresh.runSilence(2 * kRate / kBlock);
  // The host is told which file the restored set came from, though it is gone.
  ASSERT_FALSE(fresh.reported.empty());
  EXPECT_EQ(fs::path(fresh.reported.back()).filename(), "my-head.sofa") << fresh.reported.back();
  EXPECT_FALSE(fs::exists(fresh.reported.back()));
  EXPECT_EQ(fresh.worker.scheduled(), 0);
  expectSameRender(expected, render(fresh), kTolerance, "restored with the file gone");
}

// jalv, a real host, restores such a state with the file gone: its generic controls show
// the file (it asks with a patch:Get, the plug-in answers with the file the set came from)
// and "own set" on.
TEST_F(Lv2OwnSetFileInLilv, JalvRestoresTheStateAndShowsTheFile) {
#if defined(QUENDRAL_SANITIZED_BUILD)
  GTEST_SKIP() << "a sanitizer-instrumented plug-in cannot be loaded by an uninstrumented host";
#endif
  for (const char* program : {"/usr/bin/jalv.gtk3", "/usr/bin/jackd", "/usr/bin/jack_wait"})
    QUENDRAL_REQUIRE_PACKAGE(access(program, X_OK) == 0, "jalv and jackd (Debian: jalv, jackd2)");
  const fs::path head = scratch / "my-head.sofa";
  fs::copy_file(kKemar, head);
  const fs::path saved = scratch / "saved.lv2";
  saveStateWith(head, saved);
  fs::remove(head);

  x11host::XvfbServer xvfb;
  std::string error;
  ASSERT_TRUE(xvfb.start(error)) << error;
  setenv("LV2_PATH", QUENDRAL_LV2_PATH ":/usr/lib/lv2", 1);
  setenv("HOME", scratch.path().c_str(), 1);
  // jalv runs on a JACK server of the test's own.
  PrivateJackServer jack("quendral-own-set", scratch / "");
  ASSERT_TRUE(jack.ready()) << jack.log();
  // -g: jalv's own controls, with its file chooser for the file; -d: what passes between
  // them and the plug-in, printed (stdbuf: as it happens).
  BackgroundProgram jalv({"/usr/bin/stdbuf", "-oL", "/usr/bin/jalv.gtk3", "-g", "-d", "-l",
                          saved.string(), QUENDRAL_LV2_URI},
                         scratch / "jalv.log", scratch.path());
  const std::string shown = "patch:value <file://" + (saved / "my-head.sofa").string() + ">";
  EXPECT_TRUE(waitFor(
      [&] {
        const std::string log = readText(scratch / "jalv.log");
        return log.find("a patch:Get") != std::string::npos && log.find(shown) != std::string::npos;
      },
      30))
      << "expected " << shown << " in:\n"
      << readText(scratch / "jalv.log");
  EXPECT_NE(readText(scratch / "jalv.log").find("own_set = 1"), std::string::npos);
}

}  // namespace
