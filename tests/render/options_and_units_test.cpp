// Option parsing, conversion of user units to normalised values, and parameter lookup.
#include <gtest/gtest.h>

#include <cmath>

#include "parameter_mapping.h"
#include "parameter_units.h"
#include "render_error.h"
#include "render_options.h"

using namespace render;

namespace {

RenderOptions parse(std::vector<std::string> args) { return parseOptions(args); }

std::string errorOf(std::vector<std::string> args) {
  try {
    parseOptions(args);
  } catch (const RenderError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(RenderOptions, AcceptsNegativeValuesAndBothValueForms) {
  const RenderOptions o = parse({"--angle", "-90", "--gain=-6", "in.wav", "out.wav", "--block",
                                 "64", "--param", "point 2 value=0.25", "--no-compensate"});
  EXPECT_DOUBLE_EQ(*o.angleDegrees, -90.0);
  EXPECT_DOUBLE_EQ(*o.gainDb, -6.0);
  EXPECT_EQ(o.blockSize, 64);
  EXPECT_FALSE(o.compensateLatency);
  ASSERT_EQ(o.params.size(), 1u);
  EXPECT_EQ(o.params[0].nameOrIndex, "point 2 value");
  EXPECT_FLOAT_EQ(o.params[0].value, 0.25f);
  EXPECT_EQ(o.inputPath, "in.wav");
  EXPECT_EQ(o.outputPath, "out.wav");
  EXPECT_FALSE(o.startBeat);

  EXPECT_DOUBLE_EQ(*parse({"--start-beat=8.5", "--sync", "90", "a", "b"}).startBeat, 8.5);
  EXPECT_TRUE(parse({"--info", "--plugin", "x.so"}).info);  // info and help need no files
  EXPECT_TRUE(parse({"--help"}).help);
  EXPECT_EQ(parse({"--", "-in.wav", "out.wav"}).inputPath, "-in.wav");
}

TEST(RenderOptions, RejectsBadInputWithAMessageNamingTheOption) {
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
      {{"in.wav"}, "missing INPUT or OUTPUT"},
      {{"a", "b", "c"}, "too many file names"},
      {{"--info", "a"}, "--info takes no INPUT"},
  };
  for (const auto& [args, message] : cases)
    EXPECT_NE(errorOf(args).find(message), std::string::npos) << message;
}

TEST(ParameterUnits, AnglesMapOntoTheCircleWithTheRightEarAt90) {
  EXPECT_FLOAT_EQ(panner::angleFromValue(angleToNormalised(90)), 90.0f);
  EXPECT_FLOAT_EQ(panner::angleFromValue(angleToNormalised(270)), -90.0f);  // the same place
  EXPECT_FLOAT_EQ(panner::angleFromValue(angleToNormalised(-180)), -180.0f);
  EXPECT_THROW(angleToNormalised(360.5), RenderError);
  EXPECT_THROW(angleToNormalised(-181), RenderError);
}

TEST(ParameterUnits, EveryDividerSurvivesThePluginsIntegerMapping) {
  for (int divide = 1; divide <= 11; ++divide) {
    const float v = lfoDivideToNormalised(divide);
    EXPECT_GE(v, 0.0f);
    EXPECT_LE(v, 1.0f);
    EXPECT_EQ(panner::lfoDivisorFromValue(v), divide) << "divide " << divide;
  }
  EXPECT_THROW(lfoDivideToNormalised(0), RenderError);
  EXPECT_THROW(lfoDivideToNormalised(12), RenderError);
}

TEST(ParameterUnits, GainAndSpeedRoundTripThroughThePluginsMappings) {
  // What the plug-in makes of the values the tool sends.
  EXPECT_NEAR(panner::dbFromLinearGain(
                  panner::linearGainFromDb(panner::gainDbFromValue(gainToNormalised(-6)))),
              -6.0, 1e-5);
  EXPECT_FLOAT_EQ(panner::lfoSpeedFromValue(lfoSpeedToNormalised(-0.25)), -0.25f);
  EXPECT_EQ(panner::responseSetFromValue(responseSetToNormalised(1)), 0);
  EXPECT_EQ(panner::responseSetFromValue(responseSetToNormalised(2)), 1);
  EXPECT_THROW(gainToNormalised(20), RenderError);
  EXPECT_THROW(lfoSpeedToNormalised(2), RenderError);
  EXPECT_THROW(responseSetToNormalised(3), RenderError);
  EXPECT_THROW(lfoPositionToNormalised(1.01), RenderError);
}

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

  // Sync alone runs the sweep forward.
  RenderOptions synced;
  synced.syncBpm = 90;
  const auto syncSettings = settingsFromOptions(synced);
  ASSERT_EQ(syncSettings.size(), 2u);
  EXPECT_EQ(syncSettings[1].parameter, "lfo speed");
  EXPECT_GT(syncSettings[1].value, 0.5f);
}

TEST(ParameterUnits, FindsParametersByNameOrIndex) {
  const std::vector<std::string> names{"angle", "Lfo Speed", "gain"};
  EXPECT_EQ(findParameter(names, "lfo speed", "--param"), 1);
  EXPECT_EQ(findParameter(names, " GAIN ", "--param"), 2);
  EXPECT_EQ(findParameter(names, "0", "--param"), 0);
  EXPECT_THROW(findParameter(names, "3", "--param"), RenderError);
  EXPECT_THROW(findParameter(names, "-1", "--param"), RenderError);
  EXPECT_THROW(findParameter(names, "volume", "--param volume"), RenderError);
}
