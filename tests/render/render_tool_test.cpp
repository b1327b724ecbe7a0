// quendral-render end to end: the built tool renders files through the built plug-in (and
// third-party ones), and every kind of bad input ends with one line, status 2 and no
// OUTPUT left behind. Timing at every rate: render_timing_test.cpp; own sets and presets:
// own_set_render_test.cpp.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "required_package.h"
#include "tool_run.h"

using namespace tool_test;

namespace {

constexpr int kRate = 44100;

double rmsDb(const std::vector<float>& x, size_t from, size_t to) {
  double sum = 0.0;
  for (size_t i = from; i < to; ++i) sum += static_cast<double>(x[i]) * x[i];
  return 10.0 * std::log10(sum / static_cast<double>(to - from) + 1e-30);
}

// Where a click's response starts: the first sample within `span` reaching a fifth of the
// largest magnitude there.
int onset(const std::vector<float>& x, size_t from, size_t span) {
  float peak = 0.0f;
  for (size_t i = from; i < from + span && i < x.size(); ++i)
    peak = std::max(peak, std::fabs(x[i]));
  for (size_t i = from; i < from + span && i < x.size(); ++i)
    if (std::fabs(x[i]) >= 0.2f * peak && peak > 0.0f) return static_cast<int>(i - from);
  return -1;
}

class RenderTool : public ToolTest {
 protected:
  void writeFile(const std::string& name, const Channels& channels) const {
    writeAudio(name, channels, kRate);
  }
  // A tenth of a second of clicks in a mono file at `rate`.
  void writeClicksAt(const std::string& name, int rate) const {
    writeAudio(name, {clicks(rate / 10, rate / 100)}, rate);
  }
  std::set<std::string> workFiles() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_ / "work"))
      names.insert(entry.path().filename().string());
    return names;
  }
};

}  // namespace

TEST_F(RenderTool, LatencyIsRemovedUnlessAskedToKeepIt) {
  const auto input = clicks(kRate / 2, 4410);  // first click at 2205
  writeFile("clicks.wav", {input, input});     // stereo: mixed down for the mono input

  const RunResult r = run({"--plugin", QUENDRAL_PLUGIN, path("clicks.wav"), path("out.wav")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("mixing 2 channels"), std::string::npos);
  const auto kept = readAudio("out.wav");
  EXPECT_EQ(kept[0].size(), input.size() + kRate / 10);  // default tail 0.1 s
  const int compensated = onset(kept[0], 2000, 600);
  EXPECT_GE(compensated, 205);
  EXPECT_LE(compensated, 205 + 40);

  const auto delayed = render("clicks.wav", "late.wav", {"--no-compensate", "--tail", "0.5"});
  EXPECT_EQ(delayed[0].size(), input.size() + kRate / 2);
  EXPECT_EQ(onset(delayed[0], 2000, 600), compensated + 128);
}

TEST_F(RenderTool, AutomationAndTheSweepMoveTheSource) {
  writeFile("noise.wav", {noise(3 * kRate)});
  std::ofstream(path("moves.csv")) << "seconds,parameter,value\n0,angle,0.25\n1.5,angle,0.75\n";
  const auto moved = render("noise.wav", "moved.wav", {"--automation", path("moves.csv")});
  auto balance = [](const std::vector<std::vector<float>>& out, double from, double to) {
    const auto a = static_cast<size_t>(from * kRate), b = static_cast<size_t>(to * kRate);
    return rmsDb(out[1], a, b) - rmsDb(out[0], a, b);
  };
  EXPECT_LT(balance(moved, 0.9, 1.4), -3.0);  // at -90: the left ear, channel 0
  EXPECT_GT(balance(moved, 2.4, 2.9), 3.0);   // at +90 after the glide

  // A sweep, by speed or by host tempo, passes both ears; a fixed angle passes neither.
  for (const auto& options : std::vector<std::vector<std::string>>{
           {"--lfo-speed", "1"}, {"--sync", "60"}, {"--angle", "0"}}) {
    SCOPED_TRACE(options[0]);
    const auto out = render("noise.wav", "swept.wav", options);
    double lowest = 0.0, highest = 0.0;
    for (double t = 0.0; t + 0.05 <= 3.0; t += 0.05) {
      lowest = std::min(lowest, balance(out, t, t + 0.05));
      highest = std::max(highest, balance(out, t, t + 0.05));
    }
    const bool sweeps = options[0] != "--angle";
    EXPECT_EQ(highest > 3.0, sweeps) << highest;
    EXPECT_EQ(lowest < -3.0, sweeps) << lowest;
  }
}

TEST_F(RenderTool, InfoListsIdentityParametersAndPrograms) {
  // Without --plugin the tool finds the quendral built next to it.
  const RunResult r = run({"--info"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const std::string& line :
       {std::string("plug-in:    ") + QUENDRAL_PLUGIN + "\nname:       +quendral\n",
        std::string("inputs:     1\noutputs:    2\nlatency:    128 samples\n"),
        std::string("parameters: 25\n"), std::string("    0  angle                    0.0\xC2\xB0"),
        std::string("   22  point 8 time             1.000000"),
        std::string("programs:   8\n    1  Init 1  (current)\n")})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

TEST_F(RenderTool, BadInputGetsOneLineStatusTwoAndNoOutput) {
  writeFile("in.wav", {clicks(4410, 441)});
  writeFile("three.wav", {clicks(441, 100), clicks(441, 100), clicks(441, 100)});
  std::ofstream(path("notes.wav")) << "not audio\n";
  std::ofstream(path("fake.so")) << "not a library\n";
  std::ofstream(path("bad.csv")) << "0,angle,0.5\n1,angle\n";
  std::ofstream(path("unknown.csv")) << "0,volume,0.5\n";
  std::ofstream(path("text.sofa")) << "not a measurement";
  std::ofstream(path("bad.fxp")) << "CcnK....";
  fs::create_directories(path("dir.wav"));
  fs::create_symlink(path("in.wav"), path("in-link.wav"));
  fs::create_hard_link(path("in.wav"), path("in-hard.wav"));
  for (const int rate : {4000, 7999, 384001}) {
    writeClicksAt(std::to_string(rate) + ".wav", rate);
  }
  Dl_info sndfileInfo{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&sf_open), &sndfileInfo), 0);
  const std::string notAPlugin = sndfileInfo.dli_fname;

  const std::string in = path("in.wav"), out = path("out.wav");
  const std::string q = QUENDRAL_PLUGIN;
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases{
      {{"--plugin", q, path("missing.wav"), out},
       "cannot read " + path("missing.wav") + ": No such file"},
      {{"--plugin", q, path("notes.wav"), out},
       "cannot read " + path("notes.wav") + ": Format not recognised"},
      {{"--plugin", q, in, path("out.xyz")}, "cannot tell the output format"},
      {{"--plugin", path("fake.so"), in, out}, "cannot load " + path("fake.so")},
      {{"--plugin", notAPlugin, in, out}, "is not a VST 2.4 plug-in"},
      {{"--plugin", path("absent.so"), in, out}, "plug-in file not found"},
      {{"--plugin", REFUSING_PLUGIN, in, out}, "refused to load"},
      {{"--plugin", INSTRUMENT_PLUGIN, in, out}, "has no audio input"},
      {{"--plugin", q, "--angle", "400", in, out},
       "--angle 400 is out of range (-180 to 360 degrees)"},
      {{"--plugin", q, "--gain", "20", in, out}, "--gain 20 is out of range (-12 to 12 dB)"},
      {{"--plugin", q, "--program", "9", in, out}, "--program 9 is out of range"},
      {{"--plugin", q, "--param", "volume=0.5", in, out}, "no parameter named \"volume\""},
      {{"--plugin", q, "--automation", path("bad.csv"), in, out}, path("bad.csv") + ":2: expected"},
      {{"--plugin", q, "--automation", path("unknown.csv"), in, out},
       "unknown.csv:1: the plug-in has no parameter"},
      {{"--plugin", q, in, path("no/such/dir/out.wav")}, "cannot write"},
      {{"--plugin", q, in, path("dir.wav")}, "is a directory"},
      {{"--plugin", q, in}, "missing INPUT or OUTPUT"},
      {{"--plugin", q, in, in}, "OUTPUT " + in + " is the INPUT file"},
      {{"--plugin", q, in, path("in-link.wav")}, "is the INPUT file"},
      {{"--plugin", q, path("in-link.wav"), in}, "is the INPUT file"},
      {{"--plugin", q, in, path("in-hard.wav")}, "is the INPUT file"},
      {{"--plugin", q, path("4000.wav"), out}, "quendral takes 8 kHz to 384 kHz, not 4 kHz"},
      {{"--plugin", q, path("7999.wav"), out}, "not 7.999 kHz"},
      {{"--plugin", q, path("384001.wav"), out}, "not 384.001 kHz"},
      {{"--plugin", q, "--sofa", path("text.sofa"), in, out}, "text.sofa: not a SOFA file"},
      {{"--plugin", q, "--preset", path("text.sofa"), in, out}, "a program (.fxp) or a bank"},
      {{"--plugin", q, "--preset", path("bad.fxp"), in, out}, "not a VST2 preset file"},
  };
  const std::set<std::string> before = workFiles();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const RunResult r = run(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("quendral-render: error: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(workFiles(), before);
  }

  // A stereo-input plug-in cannot take three channels (a plug-in with one input mixes down).
  const std::string stereo = "/usr/lib/vst/lsp-plugins/comp-delay-stereo.so";
  if (fs::exists(stereo)) {
    const RunResult r = run({"--plugin", stereo, path("three.wav"), out});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("has 2 inputs but"), std::string::npos) << r.err;
    EXPECT_EQ(workFiles(), before);
  }
}

// Plug-ins built by others against their own definitions of the interfaces: LSP's VST2 mono
// delay line and zam-plugins' VST3 ZamDelay (its controller a second object, found in its
// bundle). Every click comes out `delay` samples later at the same level, none of it dry.
TEST_F(RenderTool, RunsThirdPartyPlugins) {
  const struct {
    const char *plugin, *package, *infoShows;
    std::vector<std::string> params;
    int delay;
    float level;  // of the delayed click, where the plug-in keeps it
  } cases[] = {
      {"/usr/lib/vst/lsp-plugins/comp-delay-mono.so",
       "lsp-plugins-vst",
       "100samp",
       {"mode=0", "samp=0.01"},
       100,
       0.5f},
      // Time 100 ms (1..8000 ms over 0..1), the wet signal only, the low-pass wide open.
      {"/usr/lib/vst3/ZamDelay.vst3",
       "zam-plugins",
       "ZamDelay.vst3 (VST3)\nname:       ZamDelay\n",
       {"Time=0.012377", "Dry/Wet=1", "LPF=1"},
       4410,
       0.0f},
  };
  const auto input = clicks(kRate / 2, 11025);  // a click every 250 ms
  writeFile("clicks.wav", {input});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plugin);
    QUENDRAL_REQUIRE_PACKAGE(fs::exists(c.plugin), c.plugin << " (Debian: " << c.package << ")");
    std::vector<std::string> args{"--plugin", c.plugin};
    for (const std::string& p : c.params) args.insert(args.end(), {"--param", p});
    std::vector<std::string> info = args;
    info.push_back("--info");
    const RunResult shown = run(info);
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find(c.infoShows), std::string::npos) << shown.out;
    args.insert(args.end(), {"--quiet", "--block", "300", path("clicks.wav"), path("out.wav")});
    const RunResult r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = readAudio("out.wav");
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(out[0].size(), input.size() + kRate / 10);
    for (int p = 5512; p + c.delay < kRate / 2; p += 11025) {
      EXPECT_EQ(onset(out[0], p + c.delay - 20, 60), 20) << "click at " << p;
      if (c.level > 0.0f) {
        EXPECT_NEAR(out[0][p + c.delay], c.level, 1e-3f) << "click at " << p;
      }
      EXPECT_NEAR(out[0][p], 0.0f, 1e-3f);
    }
  }
}
