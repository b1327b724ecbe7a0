// What belongs to CLAP's interface alone, through our CLAP host; and Debian's zam CLAP
// plug-ins through quendral-render.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio_compare.h"
#include "clap_plugin.h"
#include "lv2_test_support.h"
#include "required_package.h"

namespace {

using claphost::ClapPlugin;
using claphost::HostOptions;
using namespace quendral_lv2_test;
using quendral_test::noise;

constexpr double kRate = 44100.0;
constexpr uint32_t kBlock = 512;
constexpr clapabi::Id kAngle = 0, kGain = 6, kOwnSet = 23, kBypass = 100, kProgram = 101;

std::unique_ptr<ClapPlugin> start(const HostOptions& options = {}, bool activate = true) {
  std::string error;
  auto plugin = ClapPlugin::load(QUENDRAL_CLAP_PATH, error, options);
  EXPECT_TRUE(plugin) << error;
  if (plugin && activate) {
    EXPECT_TRUE(plugin->activate(kRate, kBlock, error)) << error;
  }
  return plugin;
}

// The two ears' output for `input`, interleaved, in blocks of `block`.
std::vector<float> render(ClapPlugin& plugin, const std::vector<float>& input, uint32_t block) {
  std::vector<float> out;
  std::vector<float> left(block), right(block);
  for (size_t at = 0; at < input.size(); at += block) {
    const auto n = static_cast<uint32_t>(std::min<size_t>(block, input.size() - at));
    const float* in[1] = {input.data() + at};
    float* outs[2] = {left.data(), right.data()};
    EXPECT_EQ(plugin.process(in, outs, n), clapabi::kProcessContinue);
    for (uint32_t i = 0; i < n; ++i) out.insert(out.end(), {left[i], right[i]});
  }
  return out;
}

}  // namespace

TEST(ClapEntry, OneFactoryOneDescriptorAndRepeatedInitAndDeinit) {
  std::string error;
  auto library = vsthost::SharedLibrary::open(QUENDRAL_CLAP_PATH, error);
  ASSERT_TRUE(library) << error;
  const auto* entry = static_cast<const clapabi::PluginEntry*>(library->symbol("clap_entry"));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->clapVersion.major, 1u);
  EXPECT_GE(entry->clapVersion.minor, 2u);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(entry->init(QUENDRAL_CLAP_PATH));
  EXPECT_EQ(entry->getFactory("clap.no-such-factory"), nullptr);
  const auto* factory =
      static_cast<const clapabi::PluginFactory*>(entry->getFactory(clapabi::kPluginFactoryId));
  ASSERT_NE(factory, nullptr);
  ASSERT_EQ(factory->getPluginCount(factory), 1u);
  EXPECT_EQ(factory->getPluginDescriptor(factory, 1), nullptr);
  const clapabi::PluginDescriptor* d = factory->getPluginDescriptor(factory, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->id, "com.quillmoor.quendral");
  EXPECT_STREQ(d->name, "+quendral");
  EXPECT_STREQ(d->vendor, "Quillmoor");
  EXPECT_EQ(factory->createPlugin(factory, nullptr, d->id), nullptr) << "no host, no plug-in";
  for (int i = 0; i < 3; ++i) entry->deinit();
  entry->deinit();  // one more than init: ignored
}

// Features, a MIDI note port, no hard real-time need; bypass and program as parameters.
TEST(ClapPlugin, DescribesItsFeaturesNotePortAndParameters) {
  auto plugin = start();
  ASSERT_TRUE(plugin);
  const std::vector<std::string> features = plugin->features();
  for (const char* f : {"audio-effect", "mono", "stereo"})
    EXPECT_NE(std::find(features.begin(), features.end(), f), features.end()) << f;
  const auto* notes = plugin->extension<clapabi::PluginNotePorts>(clapabi::kExtNotePorts);
  ASSERT_NE(notes, nullptr);
  ASSERT_EQ(notes->count(plugin->plugin(), true), 1u);
  EXPECT_EQ(notes->count(plugin->plugin(), false), 0u);
  clapabi::NotePortInfo port{};
  ASSERT_TRUE(notes->get(plugin->plugin(), 0, true, &port));
  EXPECT_TRUE(port.supportedDialects & clapabi::kNoteDialectMidi);
  const auto* render = plugin->extension<clapabi::PluginRender>(clapabi::kExtRender);
  ASSERT_NE(render, nullptr);
  EXPECT_FALSE(render->hasHardRealtimeRequirement(plugin->plugin()));

  ASSERT_EQ(plugin->params().size(), 27u);
  for (const claphost::ParamDescription& p : plugin->params()) {
    EXPECT_EQ(plugin->value(p.id), p.defaultValue) << p.name;
    if (p.id < kBypass) continue;
    EXPECT_TRUE(p.flags & clapabi::kParamIsStepped) << p.name;
    EXPECT_EQ((p.flags & clapabi::kParamIsBypass) != 0, p.id == kBypass) << p.name;
    for (double v = p.minValue; v <= p.maxValue; ++v) {
      double back = -1.0;
      ASSERT_TRUE(plugin->valueFromText(p.id, plugin->text(p.id, v), back)) << p.name << v;
      EXPECT_EQ(back, v) << p.name;
    }
  }
  EXPECT_EQ(plugin->text(555, 0.0), "") << "an unknown id";
}

TEST(ClapPlugin, EventsInsideABlockApplyAtItsStartAndOfflineSoundsAsRealTime) {
  const std::vector<float> input = noise(kBlock * 40);
  std::vector<std::vector<float>> renders;
  for (uint32_t offset : {0u, 300u}) {
    for (int32_t mode : {clapabi::kRenderRealtime, clapabi::kRenderOffline}) {
      auto plugin = start();
      ASSERT_TRUE(plugin);
      const auto* r = plugin->extension<clapabi::PluginRender>(clapabi::kExtRender);
      ASSERT_TRUE(r->set(plugin->plugin(), mode));
      plugin->setParam(kAngle, 0.8, offset);
      plugin->setParam(kGain, 0.3, offset);
      renders.push_back(render(*plugin, input, kBlock));
    }
  }
  for (size_t i = 1; i < renders.size(); ++i) EXPECT_EQ(renders[i], renders[0]) << i;
}

// Streams that take and give seven bytes at a time; the host is told to read the values
// again. A stream longer than any state is refused without reading it all.
TEST(ClapPlugin, StateMovesInSmallPiecesAndAnEndlessStreamIsRefused) {
  HostOptions trickle;
  trickle.streamChunk = 7;
  auto source = start(trickle), target = start(trickle);
  ASSERT_TRUE(source && target);
  source->setParam(kAngle, 0.7);
  source->setParam(kProgram, 3);
  source->setParam(kAngle, 0.6);
  source->flush();
  const std::vector<uint8_t> state = source->saveState();
  ASSERT_GT(state.size(), 100u);
  const int rescansBefore = target->rescans();
  ASSERT_TRUE(target->loadState(state));
  EXPECT_GT(target->rescans(), rescansBefore) << "the host is told to read the values again";
  EXPECT_EQ(target->value(kProgram), 3.0);
  EXPECT_FLOAT_EQ(static_cast<float>(target->value(kAngle)), 0.6f);
  const std::vector<float> input = noise(kBlock * 10);
  EXPECT_EQ(render(*source, input, kBlock), render(*target, input, kBlock));
  std::vector<uint8_t> huge(state);
  huge.resize(64u << 20, 0);
  const std::vector<uint8_t> before = target->saveState();
  EXPECT_FALSE(target->loadState(huge));
  EXPECT_EQ(target->saveState(), before) << "a refused state changed the plug-in";
}

TEST(ClapPlugin, AHostWithoutExtensionsGetsAWorkingPluginAndNoEditorWithoutTimers) {
  HostOptions bare;
  for (const char* id :
       {clapabi::kExtParams, clapabi::kExtState, clapabi::kExtGui, clapabi::kExtTimerSupport,
        clapabi::kExtPosixFdSupport, clapabi::kExtThreadCheck})
    bare.withheld.insert(id);
  auto plugin = start(bare);
  ASSERT_TRUE(plugin);
  uint32_t width = 0, height = 0;
  std::string refused;
  EXPECT_FALSE(plugin->openEditor(reinterpret_cast<void*>(1), width, height, refused))
      << "an editor nothing would idle";
  plugin->setParam(kProgram, 2);
  plugin->midi(0xB3, 10, 100);  // pan: the angle
  const std::vector<float> out = render(*plugin, noise(kBlock * 4), kBlock);
  for (float v : out) ASSERT_TRUE(std::isfinite(v));
  EXPECT_EQ(plugin->value(kProgram), 2.0);
  EXPECT_NE(plugin->value(kAngle), 0.5) << "the controller reached the angle";

  HostOptions withTimers;
  auto full = start(withTimers);
  const auto* gui = full->extension<clapabi::PluginGui>(clapabi::kExtGui);
  ASSERT_NE(gui, nullptr);
  uint32_t w = 0, h = 0;
  EXPECT_TRUE(gui->getSize(full->plugin(), &w, &h));
  EXPECT_EQ(w, 435u);
  EXPECT_EQ(h, 330u);
  EXPECT_FALSE(gui->isApiSupported(full->plugin(), clapabi::kWindowApiX11, true)) << "floating";
  EXPECT_FALSE(gui->canResize(full->plugin()));
}

// No transport, resets and reactivations keep a synced LFO finite; flush applies changes
// made while inactive.
TEST(ClapPlugin, NoTransportResetsReactivationAndFlushWhileInactive) {
  auto plugin = start();
  ASSERT_TRUE(plugin);
  plugin->setParam(1, 1.0);  // the LFO follows the host's tempo
  plugin->setTransport(false, 0, 0, true);
  const std::vector<float> input = noise(kBlock);
  std::string error;
  for (double rate : {44100.0, 48000.0, 96000.0, 22050.0}) {
    ASSERT_TRUE(plugin->activate(rate, 4096, error)) << error;
    for (float v : render(*plugin, input, 64)) ASSERT_TRUE(std::isfinite(v)) << rate;
    plugin->plugin()->reset(plugin->plugin());
  }
  EXPECT_FALSE(plugin->activate(1e9, 512, error)) << "a rate the engine refuses";
  auto inactive = start({}, false);
  ASSERT_TRUE(inactive);
  inactive->setParam(kOwnSet, 1.0);
  inactive->flush();
  EXPECT_EQ(inactive->value(kOwnSet), 1.0);
}

// Our host side against others' CLAP plug-ins: ZamHeadX2 (stereo) and ZamCompX2 (two input
// ports), every port given buffers.
TEST(ClapRenderTool, RendersThirdPartyClapPlugins) {
  ScratchFolder scratch;
  const fs::path input = scratch / "in.wav";
  ASSERT_TRUE(writeMonoFloatWav(input, noise(44100), 44100));
  for (const char* name : {"ZamHeadX2", "ZamCompX2"}) {
    SCOPED_TRACE(name);
    const std::string plugin = std::string("/usr/lib/clap/") + name + ".clap";
    QUENDRAL_REQUIRE_PACKAGE(access(plugin.c_str(), R_OK) == 0, plugin << " (Debian: zam-plugins)");
    // Debian's zam plug-ins leave memory behind at exit: LeakSanitizer (in the sanitizer
    // builds) judges our code in the other tests, not theirs here.
    const CommandResult run =
        runProgram({RENDER_TOOL, "--quiet", "--plugin", plugin, input, scratch / "out.wav"},
                   {"ASAN_OPTIONS=detect_leaks=0"}, scratch / "render.log");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const quendral_test::Channels out = readAudio(scratch / "out.wav");
    ASSERT_FALSE(out.empty());
    EXPECT_GE(out[0].size(), 44100u);
    for (const auto& channel : out)
      for (float v : channel) ASSERT_TRUE(std::isfinite(v));
    EXPECT_GT(quendral_test::energy(out), 1.0) << "the plug-in passed no sound";
  }
}
