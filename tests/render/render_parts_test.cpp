// The render tool's parts: options, units, automation files, audio files, the progress bar
// and the render loop (against stand-in processors). End to end: render_tool_test.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <deque>
#include <functional>
#include <sstream>

#include "audio_file_reader.h"
#include "audio_file_writer.h"
#include "automation_csv.h"
#include "parameter_mapping.h"
#include "parameter_units.h"
#include "progress_bar.h"
#include "render_error.h"
#include "render_loop.h"
#include "render_options.h"

using namespace render;

namespace {

template <typename Call>
std::string errorOf(Call call) {
  try {
    call();
  } catch (const RenderError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

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
  EXPECT_FLOAT_EQ(panner::angleFromValue(angleToNormalised(90)), 90.0f);
  EXPECT_FLOAT_EQ(panner::angleFromValue(angleToNormalised(270)), -90.0f);  // the same place
  EXPECT_FLOAT_EQ(panner::angleFromValue(angleToNormalised(-180)), -180.0f);
  for (int divide = 1; divide <= 11; ++divide)
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
  RenderOptions o;
  o.lfoSpeedHz = 0.5;
  o.lfoPosition = 0.25;
  o.angleDegrees = 30;
  o.syncBpm = 120;
  o.params.push_back({"gain", 0.1f});
  const auto settings = settingsFromOptions(o);
  std::vector<std::string> order;
  for (const auto& s : settings) order.push_back(s.parameter);
  EXPECT_EQ(order, (std::vector<std::string>{"angle", "lfo position", "gain", "midi lfo tempo",
                                             "lfo speed"}));
  EXPECT_FALSE(settings[2].startsSweep);
  EXPECT_TRUE(settings[3].startsSweep);
  EXPECT_FLOAT_EQ(settings[3].value, 1.0f);  // sync on
  EXPECT_FLOAT_EQ(settings[4].value, 0.75f);
  RenderOptions synced;  // sync alone runs the sweep forward
  synced.syncBpm = 90;
  const auto syncSettings = settingsFromOptions(synced);
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

namespace {

// Delays its input by `latency` samples into both outputs; or, with echo, plays parameter 3.
class StandIn : public AudioProcessor {
 public:
  explicit StandIn(int latency, bool echo = false) : line_(latency, 0.0f), echo_(echo) {}
  int numInputs() const override { return 1; }
  int numOutputs() const override { return echo_ ? 1 : 2; }
  void setParameter(int index, float value) override {
    if (index == 3) value_ = value;
  }
  void process(float** in, float** out, int frames) override {
    for (int i = 0; i < frames; ++i) {
      line_.push_back(in[0][i]);
      out[0][i] = echo_ ? value_ : line_.front();
      if (!echo_) out[1][i] = line_.front();
      line_.pop_front();
    }
  }

 private:
  std::deque<float> line_;
  bool echo_;
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

TEST(RenderLoop, RemovesLatencyAndRendersTheTailWhateverTheBlockSize) {
  for (int block : {1, 7, 128, 4096}) {
    StandIn plugin(128);
    Capture io;
    for (int i = 0; i < 1000; ++i) io.input.push_back(static_cast<float>(i + 1));
    ASSERT_EQ(renderAll(plugin, {block, 128, 50}, {}, io.reader(), io.writer(2)), 1050) << block;
    std::vector<float> expected = io.input;
    expected.resize(1050, 0.0f);
    EXPECT_EQ(io.output[1], expected) << "block " << block;
  }
  StandIn plugin(128);  // empty input gives just the tail
  Capture io;
  EXPECT_EQ(renderAll(plugin, {512, 128, 10}, {}, io.reader(), io.writer(2)), 10);
  EXPECT_EQ(renderAll(plugin, {512, 0, 0}, {}, io.reader(), io.writer(2)), 0);
}

TEST(RenderLoop, AutomationLandsOnItsSampleInsideABlockAndAnInterruptionStops) {
  StandIn echo(0, true);
  Capture io;
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

  StandIn plugin(0);
  Capture stopped;
  stopped.input.assign(10000, 0.5f);
  std::atomic<bool> stop{false};
  int blocks = 0;
  auto progress = [&](int64_t) { stop = ++blocks == 3; };
  EXPECT_THROW(
      renderAll(plugin, {100, 0, 0}, {}, stopped.reader(), stopped.writer(2), progress, &stop),
      RenderError);
  EXPECT_EQ(stopped.output[0].size(), 300u);
}
