// What belongs to CLAP's interface alone, through our CLAP host (tools/clap_host): the entry
// and factory, the descriptor, hosts that lack extensions, state through streams that move a
// few bytes at a time and refused state, events inside a block, processing in place, the
// transport given, missing or nonsense, the render modes, reset and reactivation, and the
// parameters' conversions. What every format shows is tested once for all formats.
#include <gtest/gtest.h>

#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "clap_plugin.h"
#include "required_package.h"

namespace {

using claphost::ClapPlugin;
using claphost::HostOptions;

constexpr double kRate = 44100.0;
constexpr uint32_t kBlock = 512;
constexpr clapabi::Id kAngle = 0, kGain = 6, kOwnSet = 23, kBypass = 100, kProgram = 101;

std::unique_ptr<ClapPlugin> open(const HostOptions& options = {}, bool activate = true) {
  std::string error;
  auto plugin = ClapPlugin::load(QUENDRAL_CLAP_PATH, error, options);
  EXPECT_TRUE(plugin) << error;
  if (plugin && activate) {
    EXPECT_TRUE(plugin->activate(kRate, kBlock, error)) << error;
  }
  return plugin;
}

std::vector<float> noise(size_t frames, unsigned seed = 3) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<float> value(-0.3f, 0.3f);
  std::vector<float> x(frames);
  for (float& v : x) v = value(generator);
  return x;
}

// The two ears' output for `input`, in blocks of `block`; `inPlace` hands the input's own
// buffer as the left output, as hosts that process in place do.
std::vector<float> render(ClapPlugin& plugin, const std::vector<float>& input, uint32_t block,
                          bool inPlace = false) {
  std::vector<float> out;
  std::vector<float> left(block), right(block);
  for (size_t at = 0; at < input.size(); at += block) {
    const auto n = static_cast<uint32_t>(std::min<size_t>(block, input.size() - at));
    std::copy_n(input.begin() + static_cast<long>(at), n, left.begin());
    const float* in[1] = {inPlace ? left.data() : input.data() + at};
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

TEST(ClapPlugin, DescribesAMonoInStereoOutAudioEffectWithAMidiInputAndOneFrameOfLatency) {
  auto plugin = open();
  ASSERT_TRUE(plugin);
  const std::vector<std::string> features = plugin->features();
  for (const char* f : {"audio-effect", "mono", "stereo"})
    EXPECT_NE(std::find(features.begin(), features.end(), f), features.end()) << f;
  EXPECT_EQ(plugin->mainChannels(true), 1u);
  EXPECT_EQ(plugin->mainChannels(false), 2u);
  const auto* notes = plugin->extension<clapabi::PluginNotePorts>(clapabi::kExtNotePorts);
  ASSERT_NE(notes, nullptr);
  ASSERT_EQ(notes->count(plugin->plugin(), true), 1u);
  EXPECT_EQ(notes->count(plugin->plugin(), false), 0u);
  clapabi::NotePortInfo port{};
  ASSERT_TRUE(notes->get(plugin->plugin(), 0, true, &port));
  EXPECT_TRUE(port.supportedDialects & clapabi::kNoteDialectMidi);
  EXPECT_EQ(plugin->latency(), 128u);
  const auto* render = plugin->extension<clapabi::PluginRender>(clapabi::kExtRender);
  ASSERT_NE(render, nullptr);
  EXPECT_FALSE(render->hasHardRealtimeRequirement(plugin->plugin()));
}

TEST(ClapPlugin, ParametersConvertBothWaysAndStartAtTheirDefaults) {
  auto plugin = open();
  ASSERT_TRUE(plugin);
  ASSERT_EQ(plugin->params().size(), 27u);
  for (const claphost::ParamDescription& p : plugin->params()) {
    SCOPED_TRACE(p.name);
    EXPECT_EQ(plugin->value(p.id), p.defaultValue);
    EXPECT_LE(p.minValue, p.defaultValue);
    EXPECT_LE(p.defaultValue, p.maxValue);
    const bool stepped = p.flags & clapabi::kParamIsStepped;
    for (double v : {p.minValue, 0.5 * (p.minValue + p.maxValue), p.maxValue}) {
      if (stepped) v = std::round(v);
      const std::string shown = plugin->text(p.id, v);
      ASSERT_FALSE(shown.empty());
      double back = NAN;
      if (p.id >= 7 && p.id <= 22) continue;  // envelope points show six digits of 0..1
      ASSERT_TRUE(plugin->valueFromText(p.id, shown, back)) << shown;
      EXPECT_NEAR(plugin->text(p.id, back) == shown ? v : back, v, stepped ? 0.0 : 1e-3) << shown;
    }
  }
  EXPECT_TRUE(plugin->params()[25].flags & clapabi::kParamIsBypass);
  double v = 0.0;
  EXPECT_FALSE(plugin->valueFromText(kGain, "loud", v));
  EXPECT_EQ(plugin->text(555, 0.0), "") << "an unknown id";
}

TEST(ClapPlugin, EventsInsideABlockApplyAtItsStartAndOfflineSoundsAsRealTime) {
  const std::vector<float> input = noise(kBlock * 40);
  std::vector<std::vector<float>> renders;
  for (uint32_t offset : {0u, 300u}) {
    for (int32_t mode : {clapabi::kRenderRealtime, clapabi::kRenderOffline}) {
      auto plugin = open();
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

TEST(ClapPlugin, InPlaceBuffersSoundAsSeparateOnes) {
  const std::vector<float> input = noise(kBlock * 20);
  auto a = open(), b = open();
  ASSERT_TRUE(a && b);
  a->setParam(kAngle, 0.3);
  b->setParam(kAngle, 0.3);
  EXPECT_EQ(render(*a, input, kBlock, true), render(*b, input, kBlock, false));
}

TEST(ClapPlugin, StateMovesInSmallPiecesAndBadStateChangesNothing) {
  HostOptions trickle;
  trickle.streamChunk = 7;  // the host's streams take and give seven bytes at a time
  auto source = open(trickle), target = open(trickle);
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

  std::vector<uint8_t> garbage(state.size());
  std::mt19937 generator(9);
  for (uint8_t& byte : garbage) byte = static_cast<uint8_t>(generator());
  std::vector<uint8_t> flipped = state;
  flipped[flipped.size() / 2] ^= 0x40;
  std::vector<uint8_t> huge(state);
  huge.resize(64u << 20, 0);
  const std::vector<uint8_t> before = target->saveState();
  for (const std::vector<uint8_t>* bad : {&garbage, &flipped, &huge}) {
    EXPECT_FALSE(target->loadState(*bad));
    EXPECT_FALSE(target->loadState({}));
    EXPECT_EQ(target->saveState(), before) << "a refused state changed the plug-in";
  }
}

TEST(ClapPlugin, AHostWithoutExtensionsGetsAWorkingPluginAndNoEditorWithoutTimers) {
  HostOptions bare;
  for (const char* id :
       {clapabi::kExtParams, clapabi::kExtState, clapabi::kExtGui, clapabi::kExtTimerSupport,
        clapabi::kExtPosixFdSupport, clapabi::kExtThreadCheck})
    bare.withheld.insert(id);
  auto plugin = open(bare);
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
  auto full = open(withTimers);
  const auto* gui = full->extension<clapabi::PluginGui>(clapabi::kExtGui);
  ASSERT_NE(gui, nullptr);
  uint32_t w = 0, h = 0;
  EXPECT_TRUE(gui->getSize(full->plugin(), &w, &h));
  EXPECT_EQ(w, 435u);
  EXPECT_EQ(h, 330u);
  EXPECT_FALSE(gui->isApiSupported(full->plugin(), clapabi::kWindowApiX11, true)) << "floating";
  EXPECT_FALSE(gui->canResize(full->plugin()));
}

TEST(ClapPlugin, TransportMissingOrNonsenseAndResetsKeepTheOutputFinite) {
  auto plugin = open();
  ASSERT_TRUE(plugin);
  plugin->setParam(1, 1.0);  // the LFO follows the host's tempo
  const std::vector<float> input = noise(kBlock);
  struct Transport {
    bool given;
    double tempo, beats;
  };
  const Transport transports[] = {{false, 0, 0},    {true, 120, 0},      {true, NAN, INFINITY},
                                  {true, -5, -1e9}, {true, 1e300, 1e12}, {true, 0, NAN}};
  std::string error;
  for (const Transport& t : transports) {
    plugin->setTransport(t.given, t.tempo, t.beats, true);
    for (float v : render(*plugin, input, 64)) ASSERT_TRUE(std::isfinite(v)) << t.tempo;
    plugin->plugin()->reset(plugin->plugin());
  }
  for (double rate : {48000.0, 96000.0, 22050.0}) {
    ASSERT_TRUE(plugin->activate(rate, 4096, error)) << error;
    for (float v : render(*plugin, input, 4096)) ASSERT_TRUE(std::isfinite(v));
  }
  EXPECT_FALSE(plugin->activate(1e9, 512, error)) << "a rate the engine refuses";
}

TEST(ClapPlugin, AChangeWhileInactiveIsAppliedByFlush) {
  auto plugin = open({}, false);
  ASSERT_TRUE(plugin);
  plugin->setParam(kOwnSet, 1.0);
  plugin->flush();
  EXPECT_EQ(plugin->value(kOwnSet), 1.0) << "a change while inactive is applied by flush";
}

// Qtractor's own plug-in scanner, a real CLAP host's reading of the module: one audio input,
// two outputs, a MIDI input, the parameters, an editor and state ("GUI,EXT").
TEST(ClapInQtractor, TheScannerListsThePortsParametersEditorAndState) {
#ifdef QUENDRAL_SANITIZED_BUILD
  GTEST_SKIP() << "a sanitizer-instrumented plug-in cannot be loaded by an uninstrumented host";
#endif
  const char* scanner = "/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan";
  QUENDRAL_REQUIRE_PACKAGE(access(scanner, X_OK) == 0, scanner << " (Debian: qtractor)");
  const std::string command =
      std::string("echo 'CLAP:") + QUENDRAL_CLAP_PATH + "' | timeout 60 " + scanner + " 2>&1";
  std::string listing;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char line[1024];
    while (std::fgets(line, sizeof line, pipe)) listing += line;
    pclose(pipe);
  }
  EXPECT_NE(listing.find("CLAP|+quendral|1:2|1:0|27:0|GUI,EXT,RT|"), std::string::npos) << listing;
}

// Our host side against another implementation of the interface: quendral-render renders
// Debian's ZamHeadX2 (a DPF-built CLAP binaural panner with a sidechain-free stereo port) and
// ZamCompX2 (two input ports), every port given buffers.
TEST(ClapRenderTool, RendersThirdPartyClapPlugins) {
  const std::string dir = testing::TempDir();
  const std::string input = dir + "/clap-in.wav";
  {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(input.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const std::vector<float> x = noise(44100);
    sf_writef_float(file, x.data(), static_cast<sf_count_t>(x.size()));
    sf_close(file);
  }
  for (const char* name : {"ZamHeadX2", "ZamCompX2"}) {
    SCOPED_TRACE(name);
    const std::string plugin = std::string("/usr/lib/clap/") + name + ".clap";
    QUENDRAL_REQUIRE_PACKAGE(access(plugin.c_str(), R_OK) == 0, plugin << " (Debian: zam-plugins)");
    const std::string output = dir + "/clap-" + name + ".wav";
    // Debian's zam plug-ins leave memory behind at exit: LeakSanitizer (in the sanitizer
    // builds) judges our code in the other tests, not theirs here.
    const std::string command = "ASAN_OPTIONS=detect_leaks=0 " + std::string(RENDER_TOOL) +
                                " --quiet --plugin " + plugin + " " + input + " " + output +
                                " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    SF_INFO info{};
    SNDFILE* file = sf_open(output.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    std::vector<float> y(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, y.data(), info.frames);
    sf_close(file);
    EXPECT_GE(info.frames, 44100);
    double energy = 0.0;
    for (float v : y) {
      ASSERT_TRUE(std::isfinite(v));
      energy += double(v) * v;
    }
    EXPECT_GT(energy, 1.0) << "the plug-in passed no sound";
  }
}
