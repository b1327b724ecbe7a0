// The LV2 bundle in the hosts Debian ships: its description passes the LV2 project's own
// validator, and lv2apply (one sample per call, no URID map, nothing on the atom port),
// lv2file (512-sample blocks) and ecasound (1024-sample blocks, in place) render the same
// audio as the VST2 build does through quendral-render, latency included.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "lv2_test_support.h"
#include "required_package.h"

namespace {

using namespace quendral_lv2_test;

constexpr int kRate = 44100;
constexpr double kSeconds = 2.0;
constexpr std::size_t kOddFrames = 777;  // no host's block size divides the length
constexpr float kTolerance = 1e-6f;

// The control input ports in port order: the parameters in the plug-in's own order.
const std::vector<std::string> kSymbols = {
    "angle",         "midi_lfo_tempo", "lfo_divide",    "filter_number", "lfo_speed",
    "lfo_position",  "gain",           "point_1_value", "point_2_value", "point_3_value",
    "point_4_value", "point_5_value",  "point_6_value", "point_7_value", "point_8_value",
    "point_1_time",  "point_2_time",   "point_3_time",  "point_4_time",  "point_5_time",
    "point_6_time",  "point_7_time",   "point_8_time",  "own_set"};

// The ports' defaults (program 0) as command-line texts: the envelope ramps evenly in
// sevenths (single precision, printed so they read back as the same floats).
std::map<std::string, std::string> programZeroValues() {
  std::map<std::string, std::string> values = {
      {"angle", "0"},     {"midi_lfo_tempo", "0"}, {"lfo_divide", "1"}, {"filter_number", "0"},
      {"lfo_speed", "0"}, {"lfo_position", "0"},   {"gain", "0"},       {"own_set", "0"}};
  for (int point = 1; point <= 8; ++point) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g",
                  static_cast<double>(static_cast<float>(point - 1) / 7.0f));
    values["point_" + std::to_string(point) + "_value"] = text;
    values["point_" + std::to_string(point) + "_time"] = text;
  }
  return values;
}

// A sanitizer-instrumented plug-in cannot be loaded by a host built without the sanitizer.
#if defined(QUENDRAL_SANITIZED_BUILD)
#define SKIP_IN_SANITIZED_BUILD() GTEST_SKIP() << "an uninstrumented host cannot load this build"
#else
#define SKIP_IN_SANITIZED_BUILD() \
  do {                            \
  } while (false)
#endif

bool installed(const char* program) { return access(program, X_OK) == 0; }

std::vector<std::string> lv2Environment(const ScratchFolder& scratch) {
  // Only the build's bundle and Debian's specifications: an installed copy in ~/.lv2 or
  // /usr/lib/lv2 must not stand in for the one under test.
  return {"LV2_PATH=" QUENDRAL_LV2_PATH ":/usr/lib/lv2", "HOME=" + scratch.path().string()};
}

struct Setting {
  std::string symbol;
  std::string value;  // in the port's unit, as typed on a command line
};

struct RenderCase {
  const char* name;
  std::vector<Setting> settings;
  std::vector<std::string> renderOptions;  // quendral-render's options for the same settings
  int rate = kRate;
};

const std::vector<RenderCase>& renderCases() {
  static const std::vector<RenderCase> cases = {
      {"default settings", {}, {}},
      {"90 degrees, -6 dB, second response set",
       {{"angle", "90"}, {"gain", "-6"}, {"filter_number", "1"}},
       {"--angle", "90", "--gain", "-6", "--set", "2"}},
      {"-135 degrees", {{"angle", "-135"}}, {"--angle", "-135"}},
      {"LFO at 0.5 Hz divided by 3",
       {{"lfo_speed", "0.5"}, {"lfo_divide", "3"}},
       {"--lfo-speed", "0.5", "--lfo-divide", "3"}},
  };
  return cases;
}

class Lv2Hosts : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(scratch_.path().empty()); }

  // The test signal at the case's rate, written once per rate.
  std::string input(const RenderCase& c) {
    const fs::path path = scratch_ / ("input-" + std::to_string(c.rate) + ".wav");
    if (!fs::exists(path)) {
      const auto frames = static_cast<std::size_t>(kSeconds * c.rate) + kOddFrames;
      EXPECT_TRUE(writeMonoFloatWav(path, testSignal(frames, c.rate), c.rate));
    }
    return path.string();
  }

  // The VST2 build's render of the input: the raw output stream, latency kept, no tail.
  Audio referenceRender(const RenderCase& c) {
    const fs::path output = scratch_ / "reference.wav";
    std::vector<std::string> arguments = {QUENDRAL_RENDER_TOOL,
                                          "--plugin",
                                          QUENDRAL_PLUGIN_PATH,
                                          "--no-compensate",
                                          "--tail",
                                          "0",
                                          "-q"};
    arguments.insert(arguments.end(), c.renderOptions.begin(), c.renderOptions.end());
    arguments.push_back(input(c));
    arguments.push_back(output.string());
    const CommandResult run = runProgram(arguments, {}, scratch_ / "render.log");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return readAudio(output);
  }

  Audio runHost(const std::vector<std::string>& arguments, const fs::path& output) {
    fs::remove(output);
    const CommandResult run =
        runProgram(arguments, lv2Environment(scratch_), scratch_ / "host.log");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    Audio audio = readAudio(output);
    EXPECT_FALSE(audio.samples.empty()) << run.output;
    return audio;
  }

  ScratchFolder scratch_;
};

TEST_F(Lv2Hosts, BundlePassesTheSpecificationsValidator) {
  QUENDRAL_REQUIRE_PACKAGE(installed("/usr/bin/lv2_validate"), "lv2_validate (Debian: lv2-dev)");
  QUENDRAL_REQUIRE_PACKAGE(installed("/usr/bin/sord_validate"), "sord_validate (Debian: sordi)");
  std::vector<std::string> arguments = {"/usr/bin/lv2_validate"};
  for (const fs::directory_entry& entry : fs::directory_iterator(QUENDRAL_LV2_BUNDLE))
    if (entry.path().extension() == ".ttl") arguments.push_back(entry.path().string());
  ASSERT_GE(arguments.size(), 3u) << "no manifest and description in " << QUENDRAL_LV2_BUNDLE;
  const CommandResult run = runProgram(arguments, {}, scratch_ / "validate.log");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  // sord_validate reports problems as "error:" and "warning:" lines and a count, without
  // always failing.
  EXPECT_NE(run.output.find("Found 0 errors"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("error:"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("warning:"), std::string::npos) << run.output;
}

TEST_F(Lv2Hosts, LilvReadsThePortsLatencyAndPresets) {
  QUENDRAL_REQUIRE_PACKAGE(installed("/usr/bin/lv2info"), "lv2info (Debian: lilv-utils)");
  const CommandResult run = runProgram({"/usr/bin/lv2info", QUENDRAL_LV2_URI},
                                       lv2Environment(scratch_), scratch_ / "info.log");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::string& info = run.output;
  EXPECT_NE(info.find("Has latency:       yes"), std::string::npos) << info;
  // Nothing a simple host cannot give: the plug-in asks for no feature.
  EXPECT_EQ(info.find("Required Features: http"), std::string::npos) << info;
  for (const std::string& symbol : kSymbols)
    EXPECT_NE(info.find("Symbol:      " + symbol + "\n"), std::string::npos) << symbol;
  for (int program = 1; program <= 8; ++program)
    EXPECT_NE(info.find("Init " + std::to_string(program)), std::string::npos) << info;
}

TEST_F(Lv2Hosts, Lv2applyRendersAsTheVst2Build) {
  SKIP_IN_SANITIZED_BUILD();
  QUENDRAL_REQUIRE_PACKAGE(installed("/usr/bin/lv2apply"), "lv2apply (Debian: lilv-utils)");
  for (const RenderCase& c : renderCases()) {
    SCOPED_TRACE(c.name);
    const Audio expected = referenceRender(c);
    const fs::path output = scratch_ / "lv2apply.wav";
    std::vector<std::string> arguments = {"/usr/bin/lv2apply", "-i", input(c), "-o",
                                          output.string()};
    for (const Setting& s : c.settings)
      arguments.insert(arguments.end(), {"-c", s.symbol, s.value});
    arguments.push_back(QUENDRAL_LV2_URI);
    expectSameRender(expected, runHost(arguments, output), kTolerance, "lv2apply");
  }
}

TEST_F(Lv2Hosts, Lv2fileRendersAsTheVst2Build) {
  SKIP_IN_SANITIZED_BUILD();
  QUENDRAL_REQUIRE_PACKAGE(installed("/usr/bin/lv2file"), "lv2file (Debian: lv2file)");
  for (const RenderCase& c : renderCases()) {
    SCOPED_TRACE(c.name);
    const Audio expected = referenceRender(c);
    const fs::path output = scratch_ / "lv2file.wav";
    std::vector<std::string> arguments = {"/usr/bin/lv2file", "-b", "512",          "-i",
                                          input(c),           "-o", output.string()};
    for (const Setting& s : c.settings) arguments.push_back("-p" + s.symbol + ":" + s.value);
    arguments.push_back(QUENDRAL_LV2_URI);
    expectSameRender(expected, runHost(arguments, output), kTolerance, "lv2file");
  }
}

TEST_F(Lv2Hosts, EcasoundRendersAsTheVst2Build) {
  SKIP_IN_SANITIZED_BUILD();
  QUENDRAL_REQUIRE_PACKAGE(installed("/usr/bin/ecasound"), "ecasound (Debian: ecasound)");
  for (const RenderCase& c : renderCases()) {
    SCOPED_TRACE(c.name);
    const Audio expected = referenceRender(c);
    // ecasound takes every control port's value in port order and sets the ones it is not
    // given to 0, not to their defaults: all of them are given.
    std::map<std::string, std::string> values = programZeroValues();
    for (const Setting& s : c.settings) values[s.symbol] = s.value;
    std::string effect = std::string("-elv2:") + QUENDRAL_LV2_URI;
    for (const std::string& symbol : kSymbols) effect += "," + values.at(symbol);
    const fs::path output = scratch_ / "ecasound.wav";
    // The chain gets a second channel for the second output; the plug-in writes both.
    const std::vector<std::string> arguments = {"/usr/bin/ecasound",
                                                "-q",
                                                "-b:1024",
                                                "-f:f32_le,1," + std::to_string(c.rate),
                                                "-i",
                                                input(c),
                                                "-chcopy:1,2",
                                                effect,
                                                "-f:f32_le,2," + std::to_string(c.rate),
                                                "-o",
                                                output.string()};
    expectSameRender(expected, runHost(arguments, output), kTolerance, "ecasound");
  }
}

}  // namespace
