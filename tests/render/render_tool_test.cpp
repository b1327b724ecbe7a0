// quendral-render: its parts, and the built tool end to end on files and plug-ins.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audio_compare.h"
#include "audio_file_reader.h"
#include "audio_file_writer.h"
#include "automation_csv.h"
#include "child_process.h"
#include "parameter_mapping.h"
#include "parameter_units.h"
#include "progress_bar.h"
#include "render_error.h"
#include "render_loop.h"
#include "render_options.h"
#include "required_package.h"
#include "state_chunk.h"

using namespace render;

namespace {

namespace fs = std::filesystem;
using Channels = std::vector<std::vector<float>>;
using quendral_test::largestDifference;
using quendral_test::onset;

constexpr int kRate = 44100;
constexpr const char* kMitKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";

struct RunResult {
  int status = -1;
  std::string text;  // standard output and error
};

std::vector<float> clicks(int frames, int spacing) {
  std::vector<float> x(frames, 0.0f);
  for (int i = spacing / 2; i < frames; i += spacing) x[i] = 0.5f;
  return x;
}

double rmsDb(const std::vector<float>& x, size_t from, size_t to) {
  double sum = 0.0;
  for (size_t i = from; i < to; ++i) sum += static_cast<double>(x[i]) * x[i];
  return 10.0 * std::log10(sum / static_cast<double>(to - from) + 1e-30);
}

// A fresh folder per test, the built tool run with its streams caught, audio files.
class RenderTool : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("quendral-render-test-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "work");
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string path(const std::string& name) const { return (root_ / "work" / name).string(); }

  // Runs the tool with `args`; what it says is kept outside "work".
  RunResult run(std::vector<std::string> args) const {
    args.insert(args.begin(), RENDER_TOOL);
    quendral_test::ChildProcess tool(args, (root_ / "said.txt").string());
    int status = 0;
    while (!tool.finished(status)) usleep(2000);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, tool.transcript()};
  }

  void writeAudio(const std::string& name, const Channels& channels, int rate = kRate) const {
    render::AudioFileWriter writer(path(name), static_cast<int>(channels.size()), rate);
    std::vector<const float*> pointers;
    for (const auto& c : channels) pointers.push_back(c.data());
    writer.write(pointers.data(), static_cast<int>(channels[0].size()));
    writer.commit();
  }

  Channels readAudio(const std::string& name) const {
    render::AudioFileReader reader(path(name));
    reader.setTargetChannels(reader.channels());
    Channels channels(reader.channels(), std::vector<float>(reader.frames()));
    std::vector<float*> pointers;
    for (auto& c : channels) pointers.push_back(c.data());
    EXPECT_EQ(reader.read(pointers.data(), static_cast<int>(reader.frames())), reader.frames());
    return channels;
  }

  // Renders `input` (already written) with `options` through `plugin` into `output`, quietly,
  // and reads the result back; empty when the tool failed.
  Channels render(const std::string& input, const std::string& output,
                  std::vector<std::string> options, const std::string& plugin = QUENDRAL_PLUGIN) {
    options.insert(options.end(), {"--quiet", "--plugin", plugin, path(input), path(output)});
    const RunResult r = run(options);
    EXPECT_EQ(r.status, 0) << r.text;
    EXPECT_EQ(r.text, "");
    return r.status == 0 ? readAudio(output) : Channels{};
  }

  std::set<std::string> workFiles() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_ / "work"))
      names.insert(entry.path().filename().string());
    return names;
  }

  fs::path root_;
};

template <typename Call>
std::string errorOf(Call call) {
  try {
    call();
  } catch (const RenderError& e) {
    return e.what();
  }
  return "";
}
// Plays parameter 3's value on its one output.
class Echo : public AudioProcessor {
 public:
  int numInputs() const override { return 1; }
  int numOutputs() const override { return 1; }
  void setParameter(int index, float value) override {
    if (index == 3) value_ = value;
  }
  void process(float**, float** out, int frames) override {
    std::fill(out[0], out[0] + frames, value_);
  }

 private:
  float value_ = 0.0f;
};

struct Capture {
  std::vector<float> input;
  size_t readPos = 0;
  std::vector<std::vector<float>> output;
  FrameReader reader() {
    return [this](float* const* ch, int count) {
      int n = 0;
      while (n < count && readPos < input.size()) ch[0][n++] = input[readPos++];
      return n;
    };
  }
  FrameWriter writer(int channels) {
    output.assign(channels, {});
    return [this](const float* const* ch, int count) {
      for (size_t c = 0; c < output.size(); ++c)
        output[c].insert(output[c].end(), ch[c], ch[c] + count);
    };
  }
};

}  // namespace

TEST_F(RenderTool, LatencyIsRemovedUnlessAskedToKeepIt) {
  const auto input = clicks(kRate / 2, 4410);  // first click at 2205
  writeAudio("clicks.wav", {input, input});    // stereo: mixed down for the mono input

  const RunResult r = run({"--plugin", QUENDRAL_PLUGIN, path("clicks.wav"), path("out.wav")});
  ASSERT_EQ(r.status, 0) << r.text;
  EXPECT_NE(r.text.find("mixing 2 channels"), std::string::npos);
  const auto kept = readAudio("out.wav");
  EXPECT_EQ(kept[0].size(), input.size() + kRate / 10);  // default tail 0.1 s
  const int compensated = onset(&kept[0][2000], 600, 0.2f);
  EXPECT_GE(compensated, 205);
  EXPECT_LE(compensated, 205 + 40);

  // Any block size, also smaller than the latency, renders the same samples.
  for (const char* block : {"1", "7", "128", "4096"})
    EXPECT_EQ(largestDifference(render("clicks.wav", "b.wav", {"--block", block}), kept), 0.0)
        << block;
  const auto delayed = render("clicks.wav", "late.wav", {"--no-compensate", "--tail", "0.5"});
  EXPECT_EQ(delayed[0].size(), input.size() + kRate / 2);
  EXPECT_EQ(onset(&delayed[0][2000], 600, 0.2f), compensated + 128);
}

TEST_F(RenderTool, AutomationAndTheSweepMoveTheSource) {
  writeAudio("noise.wav", {quendral_test::noise(3 * kRate)});
  std::ofstream(path("moves.csv")) << "seconds,parameter,value\n0,angle,0.25\n1.5,angle,0.75\n";
  const auto moved = render("noise.wav", "moved.wav", {"--automation", path("moves.csv")});
  auto balance = [](const std::vector<std::vector<float>>& out, double from, double to) {
    const auto a = static_cast<size_t>(from * kRate), b = static_cast<size_t>(to * kRate);
    return rmsDb(out[1], a, b) - rmsDb(out[0], a, b);
  };
  EXPECT_LT(balance(moved, 0.9, 1.4), -3.0);  // at -90: the left ear, channel 0
  EXPECT_GT(balance(moved, 2.4, 2.9), 3.0);   // at +90 after the glide

  // A sweep passes both ears. (Synced: StartBeat...; a fixed angle: AFixedAngleHolds...)
  const auto out = render("noise.wav", "swept.wav", {"--lfo-speed", "1"});
  double lowest = 0.0, highest = 0.0;
  for (double t = 0.0; t + 0.05 <= 3.0; t += 0.05) {
    lowest = std::min(lowest, balance(out, t, t + 0.05));
    highest = std::max(highest, balance(out, t, t + 0.05));
  }
  EXPECT_GT(highest, 3.0);
  EXPECT_LT(lowest, -3.0);
}

TEST_F(RenderTool, InfoListsIdentityParametersAndPrograms) {
  // Without --plugin the tool finds the quendral built next to it.
  const RunResult r = run({"--info"});
  ASSERT_EQ(r.status, 0) << r.text;
  for (const std::string& line :
       {std::string("plug-in:    ") + QUENDRAL_PLUGIN + "\nname:       +quendral\n",
        std::string("inputs:     1\noutputs:    2\nlatency:    128 samples\n"),
        std::string("parameters: 25\n"), std::string("    0  angle                    0.0\xC2\xB0"),
        std::string("   22  point 8 time             1.000000"),
        std::string("programs:   8\n    1  Init 1  (current)\n")})
    EXPECT_NE(r.text.find(line), std::string::npos) << line << "\n" << r.text;
}

TEST_F(RenderTool, BadInputGetsOneLineStatusTwoAndNoOutput) {
  writeAudio("in.wav", {clicks(4410, 441)});
  writeAudio("three.wav", {clicks(441, 100), clicks(441, 100), clicks(441, 100)});
  std::ofstream(path("notes.wav")) << "not audio\n";
  std::ofstream(path("fake.so")) << "not a library\n";
  std::ofstream(path("bad.csv")) << "0,angle,0.5\n1,angle\n";
  std::ofstream(path("unknown.csv")) << "0,volume,0.5\n";
  std::ofstream(path("text.sofa")) << "not a measurement";
  std::ofstream(path("bad.fxp")) << "CcnK....";
  fs::create_directories(path("dir.wav"));
  fs::create_symlink(path("in.wav"), path("in-link.wav"));
  fs::create_hard_link(path("in.wav"), path("in-hard.wav"));
  for (const int rate : {4000, 7999, 384001})
    writeAudio(std::to_string(rate) + ".wav", {clicks(rate / 10, rate / 100)}, rate);
  Dl_info sndfileInfo{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&sf_open), &sndfileInfo), 0);
  const std::string notAPlugin = sndfileInfo.dli_fname;

  const std::string in = path("in.wav"), out = path("out.wav");
  const std::string q = QUENDRAL_PLUGIN;
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  std::vector<Case> cases{
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
  // A stereo-input plug-in cannot take three channels (a plug-in with one input mixes down).
  const std::string stereo = "/usr/lib/vst/lsp-plugins/comp-delay-stereo.so";
  if (fs::exists(stereo))
    cases.push_back({{"--plugin", stereo, path("three.wav"), out}, "has 2 inputs but"});
  const std::set<std::string> before = workFiles();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const RunResult r = run(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.text.rfind("quendral-render: error: ", 0), 0u) << r.text;
    EXPECT_NE(r.text.find(c.message), std::string::npos) << r.text;
    EXPECT_EQ(std::count(r.text.begin(), r.text.end(), '\n'), 1) << r.text;
    EXPECT_EQ(workFiles(), before);
  }
}

// Others' plug-ins, built on their own definitions of the interfaces (LSP's VST2 delay,
// zam-plugins' VST3 ZamDelay): each click comes out `delay` samples later, none of it dry.
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
  writeAudio("clicks.wav", {input});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plugin);
    QUENDRAL_REQUIRE_PACKAGE(fs::exists(c.plugin), c.plugin << " (Debian: " << c.package << ")");
    std::vector<std::string> args{"--plugin", c.plugin};
    for (const std::string& p : c.params) args.insert(args.end(), {"--param", p});
    std::vector<std::string> info = args;
    info.push_back("--info");
    const RunResult shown = run(info);
    ASSERT_EQ(shown.status, 0) << shown.text;
    EXPECT_NE(shown.text.find(c.infoShows), std::string::npos) << shown.text;
    args.insert(args.end(), {"--quiet", "--block", "300", path("clicks.wav"), path("out.wav")});
    const RunResult r = run(args);
    ASSERT_EQ(r.status, 0) << r.text;
    const auto out = readAudio("out.wav");
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(out[0].size(), input.size() + kRate / 10);
    for (int p = 5512; p + c.delay < kRate / 2; p += 11025) {
      EXPECT_EQ(onset(&out[0][p + c.delay - 20], 60, 0.2f), 20) << "click at " << p;
      if (c.level > 0.0f) {
        EXPECT_NEAR(out[0][p + c.delay], c.level, 1e-3f) << "click at " << p;
      }
      EXPECT_NEAR(out[0][p], 0.0f, 1e-3f);
    }
  }
}

// The plug-in settles at the placement before the input, at every rate: an impulse on the
// first sample sounds as one a second later on the same place in a frame.
TEST_F(RenderTool, AFixedAngleHoldsFromTheFirstSampleAtEveryRate) {
  for (int rate : {8000, 44100, 96000, 384000}) {
    SCOPED_TRACE(rate);
    const size_t late = static_cast<size_t>(rate) / 128 * 128;
    const size_t span = static_cast<size_t>(rate) / 50;  // 20 ms holds the whole response
    std::vector<float> input(late + span, 0.0f);
    input[0] = input[late] = 0.5f;
    writeAudio("impulses.wav", {input}, rate);
    const Channels out = render("impulses.wav", "out.wav", {"--angle", "90", "--tail", "0"});
    ASSERT_EQ(out.size(), 2u);
    ASSERT_EQ(out[0].size(), input.size());
    EXPECT_EQ(render::AudioFileReader(path("out.wav")).sampleRate(), rate);
    float peak = 0.0f, worst = 0.0f;
    double energy[2] = {};
    for (int c = 0; c < 2; ++c) {
      for (size_t i = 0; i < span; ++i) {
        peak = std::max(peak, std::fabs(out[c][late + i]));
        worst = std::max(worst, std::fabs(out[c][i] - out[c][late + i]));
        energy[c] += double(out[c][i]) * out[c][i];
      }
    }
    EXPECT_LT(worst, 1e-4f * peak) << "the first impulse sounds unlike the second";
    EXPECT_GT(energy[1], 2.0 * energy[0]) << "not on channel 1's side";
  }
}

// A synced sweep from --start-beat sounds as that part of the whole song (at 48 kHz, 120 bpm
// beats 6 and 8 start on a frame, so both renders update their filters at the same places).
TEST_F(RenderTool, StartBeatRendersThatPartOfTheSong) {
  constexpr int kSongRate = 48000;
  constexpr size_t kBeat = kSongRate / 2;
  const std::vector<float> song = quendral_test::noise(12 * kSongRate, 777);
  writeAudio("song.wav", {song}, kSongRate);
  const std::vector<std::string> sweep{"--sync", "120", "--lfo-divide", "8", "--tail", "0"};
  const Channels whole = render("song.wav", "whole.wav", sweep);
  for (int beat : {8, 6}) {
    SCOPED_TRACE("from beat " + std::to_string(beat));
    const size_t start = beat * kBeat;
    writeAudio("part.wav", {std::vector<float>(song.begin() + start, song.end())}, kSongRate);
    std::vector<std::string> options = sweep;
    options.insert(options.end(), {"--start-beat", std::to_string(beat)});
    Channels part = render("part.wav", "out.wav", options), tail = whole;
    for (auto& c : tail) c.erase(c.begin(), c.begin() + static_cast<long>(start));
    // Past the first second (the glide from no history) they agree sample for sample.
    EXPECT_LE(largestDifference(part, tail, kSongRate), 1e-6);
    // Without the song position the sweep would start its cycle with the part instead.
    if (beat == 6) {
      EXPECT_GT(largestDifference(render("part.wav", "out.wav", sweep), tail, kSongRate), 0.01);
    }
  }
}

// --sofa, --info and --save-preset; the preset plays the same sample for sample.
TEST_F(RenderTool, OwnSetPresetPlaysWithoutTheFileAndADamagedRingIsRefused) {
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(kMitKemar), kMitKemar << " (Debian: libmysofa1)");
  writeAudio("in.wav", {quendral_test::noise(24000, 1)}, 48000);  // the set is resampled
  fs::copy_file(kMitKemar, path("head.sofa"));
  const std::string q = QUENDRAL_PLUGIN, in = path("in.wav");
  RunResult r = run({"--plugin", q, "--sofa", path("head.sofa"), "--angle", "70", "--save-preset",
                     path("p.fxp"), in, path("a.wav")});
  ASSERT_EQ(r.status, 0) << r.text;
  EXPECT_NE(r.text.find("own set head.sofa: 710 directions"), std::string::npos) << r.text;
  fs::rename(path("head.sofa"), path("moved.sofa"));
  const Channels built = readAudio("a.wav");
  ASSERT_EQ(built.size(), 2u);
  EXPECT_LE(largestDifference(render("in.wav", "b.wav", {"--preset", path("p.fxp")}), built), 1e-6);
  EXPECT_GT(largestDifference(render("in.wav", "c.wav", {"--angle", "70"}), built), 1e-3)
      << "the own set is what played";
  r = run({"--plugin", q, "--info", "--preset", path("p.fxp")});
  EXPECT_NE(r.text.find("own set (on): head.sofa: 710 directions, widest gap 5 degrees"),
            std::string::npos)
      << r.text;

  // A tap near the chunk's end (after the file's 60-byte header) made NaN and the chunk's
  // CRC-32 (at 16, over the payload after 20 bytes) made right: only the ring's check refuses.
  std::ifstream file(path("p.fxp"), std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
  const size_t chunk = 60;
  ASSERT_GT(bytes.size(), chunk + 1000);
  const uint32_t nan = 0x7fc00000u;
  std::memcpy(&bytes[bytes.size() - 400], &nan, 4);
  const uint32_t crc = panner::chunk::crc32(&bytes[chunk + 20], bytes.size() - chunk - 20);
  std::memcpy(&bytes[chunk + 16], &crc, 4);
  std::ofstream(path("bad.fxp"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  r = run({"--plugin", q, "--preset", path("bad.fxp"), in, path("d.wav")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.text.find("the plug-in refused the preset"), std::string::npos) << r.text;
}

// --head's recording (also once a turn made during the render is over), and a live tracker's
// "/ypr fff 180 0 0" over OSC turning a --realtime render under way.
TEST_F(RenderTool, HeadTurnedRightHearsAheadAtTheLeftEar) {
  writeAudio("in.wav", {quendral_test::noise(kRate, 3)}, kRate);
  std::ofstream(path("right.csv")) << "seconds,yaw,pitch,roll\n0,90,0,0\n";
  std::ofstream(path("turning.csv")) << "0,0,0,0\n0.3,90,0,0\n";  // turning over 0.3 s
  const Channels left = render("in.wav", "left.wav", {"--angle", "270"});
  EXPECT_LT(largestDifference(render("in.wav", "a.wav", {"--head", path("right.csv")}), left),
            1e-5);
  // Once the turn and a frame's crossfade are over, the same sound.
  EXPECT_LT(largestDifference(render("in.wav", "b.wav", {"--head", path("turning.csv")}), left,
                              static_cast<size_t>(0.32 * kRate)),
            1e-5);

  QUENDRAL_REQUIRE_PACKAGE(std::system("command -v oscsend >/dev/null") == 0,
                           "oscsend (Debian: liblo-tools)");
  quendral_test::ChildProcess tool(
      {RENDER_TOOL, "--plugin", QUENDRAL_PLUGIN, "--angle", "90", "--realtime", "--osc-port",
       "47830", path("in.wav"), path("live.wav")},
      (root_ / "said.txt").string());
  int status = 0;
  while (tool.line("quendral-render: rendering in real time").empty() && !tool.finished(status))
    usleep(2000);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(std::system("oscsend localhost 47830 /ypr fff 180 0 0"), 0);
  while (!tool.finished(status)) usleep(2000);
  ASSERT_EQ(status, 0) << tool.transcript();
  // Sent 0.3 s into a second's render: its last 0.4 s are heard at the left ear.
  EXPECT_LT(largestDifference(readAudio("live.wav"), left, static_cast<size_t>(0.6 * kRate)), 1e-5);
}

// Reading mixes down or feeds every input; nothing appears at OUTPUT until the commit.
TEST_F(RenderTool, AudioFilesMixDownOrSpreadAndNothingAppearsUntilCommit) {
  // Channel c of frame f holds (c + 1) x 0.1 + f x 0.001.
  const auto reader = [&](const std::string& name, int channels, int frames, int target) {
    Channels data(channels, std::vector<float>(frames));
    for (int c = 0; c < channels; ++c)
      for (int f = 0; f < frames; ++f) data[c][f] = (c + 1) * 0.1f + f * 0.001f;
    writeAudio(name, data, 48000);
    auto r = std::make_unique<render::AudioFileReader>(path(name));
    r->setTargetChannels(target);
    return r;
  };
  std::vector<float> a(64), b(64);
  float* both[] = {a.data(), b.data()};
  const auto stereo = reader("stereo.wav", 2, 100, 1);
  EXPECT_EQ(stereo->sampleRate(), 48000);
  ASSERT_EQ(stereo->read(both, 64), 64);
  EXPECT_FLOAT_EQ(a[10], 0.15f + 0.010f);
  EXPECT_EQ(stereo->read(both, 64), 36);
  EXPECT_EQ(stereo->read(both, 64), 0);
  ASSERT_EQ(reader("mono.flac", 1, 10, 2)->read(both, 10), 10);
  EXPECT_NEAR(a[5], 0.105f, 1e-6f);  // 24-bit FLAC
  EXPECT_TRUE(std::equal(a.begin(), a.begin() + 10, b.begin()));
  EXPECT_THROW(reader("three.wav", 3, 10, 2), render::RenderError);
  EXPECT_THROW(render::AudioFileWriter(path("wide.flac"), 9, 44100), render::RenderError);
  EXPECT_EQ(render::outputFormatFor("A.WAV"), render::outputFormatFor("b.wav"));
  EXPECT_EQ(render::outputFormatFor("dir.x/plain"), render::outputFormatFor("b.wav"));

  const std::set<std::string> before = workFiles();
  {
    render::AudioFileWriter writer(path("out.wav"), 2, 44100);
    writer.write(both, 4);
    EXPECT_EQ(workFiles().size(), before.size() + 1);  // only a temporary file
    EXPECT_FALSE(fs::exists(path("out.wav")));
  }
  EXPECT_EQ(workFiles(), before);  // removed, not renamed
  writeAudio("out.wav", {a});
  EXPECT_NE(fs::status(path("out.wav")).permissions() & fs::perms::others_read, fs::perms::none);
}

TEST(RenderOptions, AcceptsBothValueFormsAndNamesTheOptionOfABadOne) {
  const RenderOptions o =
      parseOptions({"--angle", "-90", "--gain=-6", "in.wav", "out.wav", "--block", "64", "--param",
                    "point 2 value=0.25", "--no-compensate"});
  EXPECT_DOUBLE_EQ(*o.angleDegrees, -90.0);
  EXPECT_DOUBLE_EQ(*o.gainDb, -6.0);
  EXPECT_EQ(o.blockSize, 64);
  EXPECT_FALSE(o.compensateLatency);
  ASSERT_EQ(o.params.size(), 1u);
  EXPECT_EQ(o.params[0].nameOrIndex, "point 2 value");
  EXPECT_FLOAT_EQ(o.params[0].value, 0.25f);
  EXPECT_EQ(o.inputPath + " " + o.outputPath, "in.wav out.wav");
  EXPECT_DOUBLE_EQ(*parseOptions({"--start-beat=8.5", "--sync", "90", "a", "b"}).startBeat, 8.5);
  EXPECT_TRUE(parseOptions({"--info", "--plugin", "x.so"}).info);  // info and help need no files
  EXPECT_TRUE(parseOptions({"--help"}).help);
  EXPECT_EQ(parseOptions({"--", "-in.wav", "out.wav"}).inputPath, "-in.wav");

  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--angle"}, "--angle needs a value"},
      {{"--gain", "nan", "a", "b"}, "--gain needs a number"},
      {{"--lfo-divide", "2.5", "a", "b"}, "--lfo-divide needs a whole number"},
      {{"--block", "0", "a", "b"}, "--block takes a size from 1"},
      {{"--tail", "-1", "a", "b"}, "--tail takes 0 to 3600"},
      {{"--sync", "0.5", "a", "b"}, "--sync takes a tempo from 1"},
      {{"--start-beat", "8", "a", "b"}, "--start-beat needs --sync"},
      {{"--sync", "120", "--start-beat", "-1", "a", "b"}, "--start-beat takes a beat from 0"},
      {{"--param", "gain=1.5", "a", "b"}, "from 0 to 1"},
      {{"--param", "gain", "a", "b"}, "NAME_OR_INDEX=VALUE"},
      {{"--frobnicate", "a", "b"}, "unknown option --frobnicate"},
      {{"--quiet=1", "a", "b"}, "--quiet takes no value"},
      {{"a", "b", "c"}, "too many file names"},
      {{"--info", "a"}, "--info takes no INPUT"},
  };
  for (const auto& [args, message] : cases)
    EXPECT_NE(errorOf([&] { parseOptions(args); }).find(message), std::string::npos) << message;
}

TEST(ParameterUnits, ValuesSurviveThePluginsMappingsAndLimitsAreRefused) {
  // 270 degrees (the same place as -90): HeadTurnedRightHearsAheadAtTheLeftEar.
  EXPECT_FLOAT_EQ(panner::angleFromValue(angleToNormalised(90)), 90.0f);
  EXPECT_FLOAT_EQ(panner::angleFromValue(angleToNormalised(-180)), -180.0f);
  for (int divide : {1, 2, 11})
    EXPECT_EQ(panner::lfoDivisorFromValue(lfoDivideToNormalised(divide)), divide) << divide;
  EXPECT_NEAR(panner::dbFromLinearGain(
                  panner::linearGainFromDb(panner::gainDbFromValue(gainToNormalised(-6)))),
              -6.0, 1e-5);
  EXPECT_FLOAT_EQ(panner::lfoSpeedFromValue(lfoSpeedToNormalised(-0.25)), -0.25f);
  EXPECT_EQ(panner::responseSetFromValue(responseSetToNormalised(2)), 1);
  for (const auto& refused : std::vector<std::function<void()>>{
           [] { angleToNormalised(360.5); }, [] { angleToNormalised(-181); },
           [] { lfoDivideToNormalised(0); }, [] { lfoDivideToNormalised(12); },
           [] { gainToNormalised(20); }, [] { lfoSpeedToNormalised(2); },
           [] { responseSetToNormalised(3); }, [] { lfoPositionToNormalised(1.01); }})
    EXPECT_THROW(refused(), RenderError);

  const std::vector<std::string> names{"angle", "Lfo Speed", "gain"};
  EXPECT_EQ(findParameter(names, "lfo speed", "--param"), 1);
  EXPECT_EQ(findParameter(names, " GAIN ", "--param"), 2);
  EXPECT_EQ(findParameter(names, "0", "--param"), 0);
  for (const char* missing : {"3", "-1", "volume"})
    EXPECT_THROW(findParameter(names, missing, "--param"), RenderError) << missing;
}

// The sweep is started last, since setting the angle or the position stops it.
TEST(ParameterUnits, SweepSpeedIsSetAfterAngleAndPositionWhichStopIt) {
  const auto settings =
      settingsFromOptions(parseOptions({"--lfo-speed", "0.5", "--lfo-position", "0.25", "--angle",
                                        "30", "--sync", "120", "--param", "gain=0.1", "a", "b"}));
  std::vector<std::string> order;
  for (const auto& s : settings) order.push_back(s.parameter);
  EXPECT_EQ(order, (std::vector<std::string>{"angle", "lfo position", "gain", "midi lfo tempo",
                                             "lfo speed"}));
  EXPECT_FALSE(settings[2].startsSweep);
  EXPECT_TRUE(settings[3].startsSweep);
  EXPECT_FLOAT_EQ(settings[3].value, 1.0f);  // sync on
  EXPECT_FLOAT_EQ(settings[4].value, 0.75f);
  // Sync alone runs the sweep forward.
  const auto syncSettings = settingsFromOptions(parseOptions({"--sync", "90", "a", "b"}));
  ASSERT_EQ(syncSettings.size(), 2u);
  EXPECT_GT(syncSettings[1].value, 0.5f);
}

TEST(AutomationCsv, ReadsRowsSkipsHeaderAndCommentsSortsStablyAndNamesABadLine) {
  const auto parse = [](const std::string& text) {
    std::istringstream in(text);
    return parseAutomation(in, "moves.csv");
  };
  const auto rows = parse(
      "seconds,parameter,value\r\n# sweep to the right\n\n2.0, angle, 0.75\n"
      "0.5,\"point 1 value\",0\n2.0,6,1\n");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_DOUBLE_EQ(rows[0].seconds, 0.5);
  EXPECT_EQ(rows[0].parameter, "point 1 value");
  EXPECT_EQ(rows[1].parameter, "angle");  // same time: file order kept
  EXPECT_FLOAT_EQ(rows[1].value, 0.75f);
  EXPECT_EQ(rows[1].line, 4);
  EXPECT_EQ(rows[2].parameter, "6");
  const std::pair<const char*, const char*> bad[] = {
      {"0,angle,1.5\n", "moves.csv:1: value \"1.5\" is not a normalised value from 0 to 1"},
      {"0,angle,0\n-1,angle,0\n", "moves.csv:2: time"},
      {"0,angle,0\nsoon,angle,0\n", "moves.csv:2: time"},
      {"0,,0\n", "missing parameter"},
      {"0,angle,nan\n", "not a normalised value"}};
  for (const auto& [text, message] : bad)
    EXPECT_NE(errorOf([&] { parse(text); }).find(message), std::string::npos) << text;
  EXPECT_THROW(loadAutomation("/nonexistent/moves.csv"), RenderError);
}

TEST(ProgressBar, DrawsOneLineInPlaceOnlyWhenEnabledAndSlow) {
  const auto drawn = [](bool enabled, double showAfterSeconds, int steps) {
    std::FILE* file = std::tmpfile();
    {
      ProgressBar bar(file, enabled, 44100 * 10, 44100.0, showAfterSeconds);
      for (int i = 1; i <= steps; ++i) bar.update(static_cast<int64_t>(44100) * 10 * i / steps);
      bar.finish();
    }
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
  };
  const std::string text = drawn(true, 0.0, 7);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.front(), '\r');
  EXPECT_EQ(text.find('\n'), text.size() - 1);
  EXPECT_NE(text.rfind("100%  10.0 / 10.0 s\n"), std::string::npos) << text;
  EXPECT_NE(text.find("14%"), std::string::npos) << text;
  EXPECT_EQ(drawn(false, 0.0, 7), "");
  EXPECT_EQ(drawn(true, 60.0, 100), "");  // finished long before it would show
}

TEST(RenderLoop, AutomationLandsOnItsSampleInsideABlockAndAnInterruptionStops) {
  Echo echo;
  Capture io;
  EXPECT_EQ(renderAll(echo, {512, 128, 10}, {}, io.reader(), io.writer(1)), 10);  // just the tail
  EXPECT_EQ(renderAll(echo, {512, 0, 0}, {}, io.reader(), io.writer(1)), 0);
  io.input.assign(2000, 0.0f);
  const std::vector<AutomationEvent> events{
      {0, 3, 0.25f}, {300, 3, 0.5f}, {300, 7, 0.9f}, {1500, 3, 1.0f}, {5000, 3, 0.1f}};
  renderAll(echo, {512, 0, 0}, events, io.reader(), io.writer(1));
  const auto& out = io.output[0];
  ASSERT_EQ(out.size(), 2000u);
  for (const auto& [at, value] : {std::pair{0, 0.25f},
                                  std::pair{299, 0.25f},
                                  {300, 0.5f},
                                  {1499, 0.5f},
                                  {1500, 1.0f},
                                  {1999, 1.0f}})
    EXPECT_EQ(out[at], value) << at;

  Capture stopped;
  stopped.input.assign(10000, 0.5f);
  std::atomic<bool> stop{false};
  int blocks = 0;
  auto progress = [&](int64_t) { stop = ++blocks == 3; };
  EXPECT_THROW(
      renderAll(echo, {100, 0, 0}, {}, stopped.reader(), stopped.writer(1), progress, &stop),
      RenderError);
  EXPECT_EQ(stopped.output[0].size(), 300u);
}
