// The LV2 bundle against the LV2 validator, and in Debian's hosts (lv2apply, lv2file,
// ecasound) rendering what the VST2 build renders, latency included.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "lv2_test_support.h"
#include "required_package.h"

namespace {

using namespace quendral_lv2_test;

constexpr int kRate = 44100;
constexpr std::size_t kFrames = 2 * kRate + 777;  // no host's block size divides it

bool installed(const char* program) { return access(program, X_OK) == 0; }

TEST(Lv2Bundle, PassesTheValidatorAndOffersWhatHostsLookFor) {
  QUENDRAL_REQUIRE_PACKAGE(installed("/usr/bin/lv2_validate") && installed("/usr/bin/sordi"),
                           "lv2_validate and sordi (Debian: lv2-dev, sordi)");
  ScratchFolder scratch;
  std::vector<std::string> arguments = {"/usr/bin/lv2_validate"};
  for (const fs::directory_entry& entry : fs::directory_iterator(QUENDRAL_LV2_BUNDLE))
    if (entry.path().extension() == ".ttl") arguments.push_back(entry.path().string());
  ASSERT_GE(arguments.size(), 3u) << "no manifest and description in " << QUENDRAL_LV2_BUNDLE;
  CommandResult run = runProgram(arguments, {}, scratch / "validate.log");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  // sord_validate reports problems as "error:" and "warning:" lines, without always failing.
  EXPECT_NE(run.output.find("Found 0 errors"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("error:"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("warning:"), std::string::npos) << run.output;

  run = runProgram({"/usr/bin/sordi", QUENDRAL_LV2_BUNDLE "/quendral.ttl"}, {}, scratch / "ttl");
  const std::string plugin = "<" QUENDRAL_LV2_URI "> ", file = "<" QUENDRAL_LV2_URI "#sofa_file>";
  for (const std::string& triple :
       {plugin + "<http://lv2plug.in/ns/ext/patch#writable> " + file,
        file + " <http://www.w3.org/2000/01/rdf-schema#range> <http://lv2plug.in/ns/ext/atom#Path>",
        plugin + "<http://lv2plug.in/ns/lv2core#optionalFeature> "
                 "<http://lv2plug.in/ns/ext/worker#schedule>",
        plugin + "<http://lv2plug.in/ns/lv2core#extensionData> "
                 "<http://lv2plug.in/ns/ext/worker#interface>",
        plugin + "<http://lv2plug.in/ns/lv2core#extensionData> "
                 "<http://lv2plug.in/ns/ext/state#interface>"})
    EXPECT_NE(run.output.find(triple + " ."), std::string::npos) << triple;
  EXPECT_EQ(run.output.find(plugin + "<http://lv2plug.in/ns/lv2core#requiredFeature>"),
            std::string::npos);
}

struct Setting {
  std::string symbol;
  std::string value;  // in the port's unit, as typed on a command line
};

// The control ports in port order and their defaults (program 0): the envelope ramps evenly
// in sevenths, printed so that they read back as the same floats.
std::vector<Setting> defaults() {
  std::vector<Setting> ports = {
      {"angle", "0"},     {"midi_lfo_tempo", "0"}, {"lfo_divide", "1"}, {"filter_number", "0"},
      {"lfo_speed", "0"}, {"lfo_position", "0"},   {"gain", "0"}};
  for (const char* kind : {"value", "time"})
    for (int point = 1; point <= 8; ++point) {
      char text[32];
      std::snprintf(text, sizeof text, "%.9g", static_cast<double>((point - 1) / 7.0f));
      ports.push_back({"point_" + std::to_string(point) + "_" + kind, text});
    }
  ports.push_back({"own_set", "0"});
  return ports;
}

struct Lv2Host {
  const char* name;
  const char* program;
  const char* package;
  // The host's command line rendering `in` to `out` with the settings.
  std::vector<std::string> (*command)(const std::string& in, const std::string& out,
                                      const std::vector<Setting>& settings);
};

const Lv2Host kHosts[] = {
    {"lv2apply", "/usr/bin/lv2apply", "lilv-utils",
     [](const std::string& in, const std::string& out, const std::vector<Setting>& settings) {
       std::vector<std::string> line = {"/usr/bin/lv2apply", "-i", in, "-o", out};
       for (const Setting& s : settings) line.insert(line.end(), {"-c", s.symbol, s.value});
       line.push_back(QUENDRAL_LV2_URI);
       return line;
     }},
    {"lv2file", "/usr/bin/lv2file", "lv2file",
     [](const std::string& in, const std::string& out, const std::vector<Setting>& settings) {
       std::vector<std::string> line = {"/usr/bin/lv2file", "-b", "512", "-i", in, "-o", out};
       for (const Setting& s : settings) line.push_back("-p" + s.symbol + ":" + s.value);
       line.push_back(QUENDRAL_LV2_URI);
       return line;
     }},
    // ecasound sets every control port it is not given to 0, not to its default: all are
    // given. The chain gets a second channel for the second output; the plug-in writes both.
    {"ecasound", "/usr/bin/ecasound", "ecasound",
     [](const std::string& in, const std::string& out, const std::vector<Setting>& settings) {
       std::string effect = std::string("-elv2:") + QUENDRAL_LV2_URI;
       for (Setting port : defaults()) {
         for (const Setting& s : settings)
           if (s.symbol == port.symbol) port.value = s.value;
         effect += "," + port.value;
       }
       std::vector<std::string> line = {"/usr/bin/ecasound", "-q", "-b:1024", "-f:f32_le,1,44100"};
       line.insert(line.end(), {"-i", in, "-chcopy:1,2", effect, "-f:f32_le,2,44100", "-o", out});
       return line;
     }},
};

class Lv2Hosts : public ::testing::TestWithParam<Lv2Host> {};

TEST_P(Lv2Hosts, RenderAsTheVst2Build) {
#if defined(QUENDRAL_SANITIZED_BUILD)
  GTEST_SKIP() << "an uninstrumented host cannot load a sanitizer-instrumented plug-in";
#endif
  QUENDRAL_REQUIRE_PACKAGE(installed(GetParam().program),
                           GetParam().name << " (Debian: " << GetParam().package << ")");
  ScratchFolder scratch;
  const std::string input = (scratch / "input.wav").string();
  ASSERT_TRUE(writeMonoFloatWav(input, quendral_test::noise(kFrames), kRate));
  const struct {
    std::vector<Setting> settings;
    std::vector<std::string> renderOptions;  // quendral-render's options for the same
  } cases[] = {
      {{}, {}},
      {{{"angle", "90"}, {"gain", "-6"}, {"filter_number", "1"}},
       {"--angle", "90", "--gain", "-6", "--set", "2"}},
      {{{"lfo_speed", "0.5"}, {"lfo_divide", "3"}}, {"--lfo-speed", "0.5", "--lfo-divide", "3"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.renderOptions.empty() ? "defaults" : c.renderOptions[0]);
    // The VST2 build's raw output stream: latency kept, no tail.
    std::vector<std::string> render = {QUENDRAL_RENDER_TOOL,
                                       "--plugin",
                                       QUENDRAL_PLUGIN_PATH,
                                       "--no-compensate",
                                       "--tail",
                                       "0",
                                       "-q"};
    render.insert(render.end(), c.renderOptions.begin(), c.renderOptions.end());
    render.insert(render.end(), {input, (scratch / "vst2.wav").string()});
    CommandResult run = runProgram(render, {}, scratch / "render.log");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    // Only the build's bundle and Debian's specifications: an installed copy must not stand
    // in for the one under test.
    const std::string output = (scratch / "host.wav").string();
    run = runProgram(
        GetParam().command(input, output, c.settings),
        {"LV2_PATH=" QUENDRAL_LV2_PATH ":/usr/lib/lv2", "HOME=" + scratch.path().string()},
        scratch / "host.log");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const quendral_test::Channels expected = readAudio(scratch / "vst2.wav");
    EXPECT_GT(quendral_test::energy(expected), 1.0) << "the VST2 build's render is silent";
    EXPECT_LE(quendral_test::largestDifference(expected, readAudio(output)), 1e-6);
  }
}

INSTANTIATE_TEST_SUITE_P(Debian, Lv2Hosts, ::testing::ValuesIn(kHosts),
                         [](const ::testing::TestParamInfo<Lv2Host>& host) {
                           return std::string(host.param.name);
                         });

}  // namespace
